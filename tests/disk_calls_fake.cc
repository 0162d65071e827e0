// DiskCallsFake (tests/motion_test_util.h): the disk calls it stands in for
// are POSIX's, so only the POSIX build has it.
#include <errno.h>
#include <sys/stat.h>

#include <string>

#include <gtest/gtest.h>

#include "motion/disk_calls.h"
#include "tests/motion_test_util.h"

namespace {

DiskCallsFake* g_pDiskCalls = nullptr;

}  // namespace

DiskCallsFake::DiskCallsFake(int nError, const std::string& strWatched)
    : m_nError(nError),
      m_strWatched(strWatched),
      m_pfnFsync(disk::Fsync),
      m_pfnFdatasync(disk::Fdatasync) {
  EXPECT_EQ(nullptr, g_pDiskCalls) << "one DiskCallsFake at a time";
  g_pDiskCalls = this;
  disk::Fsync = [](int nFd) { return Note("fsync", nFd); };
  disk::Fdatasync = [](int nFd) { return Note("fdatasync", nFd); };
}

DiskCallsFake::~DiskCallsFake() {
  disk::Fsync = m_pfnFsync;
  disk::Fdatasync = m_pfnFdatasync;
  g_pDiskCalls = nullptr;
}

int DiskCallsFake::Note(const char* pszName, int nFd) {
  DiskCallsFake* pFake = g_pDiskCalls;
  struct stat st;
  Call call = {pszName, fstat(nFd, &st) == 0 ? st.st_size : -1, {}};
  if (!pFake->m_strWatched.empty()) call.watched = ReadFileBytes(pFake->m_strWatched);
  pFake->m_calls.push_back(call);
  if (pFake->m_nError != 0) {
    errno = pFake->m_nError;
    return -1;
  }
  return std::string(pszName) == "fsync" ? pFake->m_pfnFsync(nFd) : pFake->m_pfnFdatasync(nFd);
}
