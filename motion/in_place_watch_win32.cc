// InPlaceWatch on Windows (its interface: motion/in_place_watch.h). No
// watching process is started: a file written in place and not finished
// is dated back by its own writer, in Finish.
#include <io.h>
#include <windows.h>

#include <cstdint>

#include "motion/in_place_watch.h"

InPlaceWatch::~InPlaceWatch() { Finish(false); }

bool InPlaceWatch::Start(int nFd) {
  m_nFd = nFd;
  return false;
}

void InPlaceWatch::Finish(bool bWhole) {
  if (m_nFd < 0) return;
  if (!bWhole) DateBack(m_nFd);
  m_nFd = -1;
}

bool InPlaceWatch::DateBack(int nFd) {
  // 1970-01-01 in Windows' 100 ns ticks since 1601.
  constexpr uint64_t kEpoch = 116444736000000000u;
  FILETIME time = {static_cast<DWORD>(kEpoch), static_cast<DWORD>(kEpoch >> 32)};
  return SetFileTime(reinterpret_cast<HANDLE>(_get_osfhandle(nFd)), nullptr, nullptr, &time) != 0;
}
