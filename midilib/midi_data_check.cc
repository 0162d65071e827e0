// MIDIData_CheckSMF: the reader's verdict on a file, in words.
//
// The reader (midi_data_smf.cc) only says whether a file loaded. This walks
// the same layout with the same rules, apart from it so the reader keeps
// its speed, and says where the walk stopped: the first unreadable event,
// the track a short file ends in, a track count other than the header's.
// Asked of the file just loaded whole and not changed since, it takes the
// reader's word for it, so an Open reads a sound file once.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "midilib/MIDIData.h"
#include "midilib/midi_data_internal.h"

using midilib_internal::LoadedFile;
using midilib_internal::PageBuffer;

namespace {

uint32_t ReadBE32(const uint8_t* p) {
  return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}
uint32_t ReadLE32(const uint8_t* p) {
  return (uint32_t{p[3]} << 24) | (uint32_t{p[2]} << 16) | (uint32_t{p[1]} << 8) | p[0];
}
uint16_t ReadBE16(const uint8_t* p) { return static_cast<uint16_t>((p[0] << 8) | p[1]); }

std::string Format(const char* pszFormat, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char* pszFormat, ...) {
  char sz[256];
  va_list args;
  va_start(args, pszFormat);
  std::vsnprintf(sz, sizeof sz, pszFormat, args);
  va_end(args);
  return sz;
}

// How one track chunk's events read.
enum class TrackVerdict { kWhole, kRunsOut, kBadEvent };

// Walks the events of one track chunk by the reader's rules. *pnOffset is
// where a bad event starts, counted from the chunk's first event byte.
TrackVerdict WalkTrack(const uint8_t* pBegin, const uint8_t* pEnd, size_t* pnOffset) {
  const uint8_t* p = pBegin;
  uint8_t byRunning = 0;
  int64_t lTime = 0;
  auto vlq = [&](uint32_t* pValue) {
    uint32_t value = 0;
    for (int i = 0; i < 4; i++) {
      if (p >= pEnd) return TrackVerdict::kRunsOut;
      uint8_t b = *p++;
      value = (value << 7) | (b & 0x7F);
      if ((b & 0x80) == 0) {
        *pValue = value;
        return TrackVerdict::kWhole;
      }
    }
    return TrackVerdict::kBadEvent;
  };
  while (p < pEnd) {
    const uint8_t* pEvent = p;
    *pnOffset = static_cast<size_t>(pEvent - pBegin);
    uint32_t delta = 0;
    TrackVerdict v = vlq(&delta);
    if (v != TrackVerdict::kWhole) return v;
    lTime += delta;
    if (lTime > INT32_MAX) return TrackVerdict::kBadEvent;
    if (p >= pEnd) return TrackVerdict::kRunsOut;
    uint8_t b = *p;
    if (b == 0xFF || b == 0xF0 || b == 0xF7) {
      bool bEnd = b == 0xFF && pEnd - p >= 2 && p[1] == 0x2F;
      p += b == 0xFF ? 2 : 1;
      if (p > pEnd) return TrackVerdict::kRunsOut;
      uint32_t nLength = 0;
      v = vlq(&nLength);
      if (v != TrackVerdict::kWhole) return v;
      if (nLength > static_cast<size_t>(pEnd - p)) return TrackVerdict::kRunsOut;
      p += nLength;
      if (bEnd) return TrackVerdict::kWhole;
    } else if (b > 0xF0) {
      return TrackVerdict::kBadEvent;
    } else {
      uint8_t byStatus = b;
      if (b & 0x80) {
        p++;
        byRunning = b;
      } else if (byRunning == 0) {
        return TrackVerdict::kBadEvent;
      } else {
        byStatus = byRunning;
      }
      size_t nData = (byStatus & 0xE0) == 0xC0 ? 1 : 2;
      for (size_t i = 0; i < nData; ++i, ++p) {
        if (p >= pEnd) return TrackVerdict::kRunsOut;
        if (*p & 0x80) return TrackVerdict::kBadEvent;
      }
    }
  }
  return TrackVerdict::kWhole;
}

struct Verdict {
  long nResult;
  std::string text;
};

Verdict CheckImage(const uint8_t* pFile, size_t nSize) {
  const Verdict kNotMidi = {MIDIDATA_CHECK_UNREADABLE, "not a MIDI file"};
  if (nSize == 0) return {MIDIDATA_CHECK_UNREADABLE, "empty file"};
  const uint8_t* pSMF = pFile;
  size_t nSMF = nSize;
  if (nSize >= 12 && std::memcmp(pFile, "RIFF", 4) == 0 && std::memcmp(pFile + 8, "RMID", 4) == 0) {
    pSMF = nullptr;
    for (size_t pos = 12; nSize - pos >= 8;) {
      size_t nLength = ReadLE32(pFile + pos + 4);
      size_t nAvail = nSize - pos - 8;
      if (std::memcmp(pFile + pos, "data", 4) == 0) {
        pSMF = pFile + pos + 8;
        nSMF = nLength < nAvail ? nLength : nAvail;
        break;
      }
      if (nLength >= nAvail) break;
      pos += 8 + nLength + (nLength & 1);
      if (pos > nSize) break;
    }
    if (pSMF == nullptr) return {MIDIDATA_CHECK_UNREADABLE, "a RIFF file with no MIDI data chunk"};
  }
  if (nSMF < 8) {
    return nSMF >= 4 && std::memcmp(pSMF, "MThd", 4) == 0
               ? Verdict{MIDIDATA_CHECK_UNREADABLE, "ends inside its header"}
               : kNotMidi;
  }
  if (std::memcmp(pSMF, "MThd", 4) != 0) return kNotMidi;
  size_t nHeader = ReadBE32(pSMF + 4);
  if (nHeader < 6) return {MIDIDATA_CHECK_UNREADABLE, "its header is too short"};
  if (nHeader > nSMF - 8) return {MIDIDATA_CHECK_UNREADABLE, "ends inside its header"};
  unsigned nFormat = ReadBE16(pSMF + 8);
  if (nFormat > 2) return {MIDIDATA_CHECK_UNREADABLE, Format("unknown format %u", nFormat)};
  uint16_t wDivision = ReadBE16(pSMF + 12);
  if (wDivision & 0x8000) {
    int nFrames = -static_cast<int8_t>(wDivision >> 8);
    if (nFrames != 24 && nFrames != 25 && nFrames != 29 && nFrames != 30) {
      return {MIDIDATA_CHECK_UNREADABLE, Format("unknown frame rate %d", nFrames)};
    }
  }
  unsigned nDeclared = ReadBE16(pSMF + 10);
  unsigned nTracks = 0;
  for (size_t pos = 8 + nHeader; pos < nSMF;) {
    if (nSMF - pos < 8) {
      // Too few bytes for a chunk header: the reader ignores them, but a
      // track the header announces may have started there.
      if (nTracks < nDeclared) {
        return {nTracks == 0 ? MIDIDATA_CHECK_UNREADABLE : MIDIDATA_CHECK_DAMAGED,
                Format("ends inside track %u of %u (its chunk header); %u tracks read", nTracks + 1,
                       nDeclared, nTracks)};
      }
      break;
    }
    size_t nLength = ReadBE32(pSMF + pos + 4);
    size_t nAvail = nSMF - pos - 8;
    bool bCut = nLength > nAvail;
    if (bCut) nLength = nAvail;
    if (std::memcmp(pSMF + pos, "MTrk", 4) == 0) {
      ++nTracks;
      unsigned nOf = nDeclared > nTracks ? nDeclared : nTracks;
      size_t nOffset = 0;
      TrackVerdict v = WalkTrack(pSMF + pos + 8, pSMF + pos + 8 + nLength, &nOffset);
      if (bCut) {
        std::string text = Format("ends inside track %u of %u (%zu of its %u bytes)", nTracks, nOf,
                                  nLength, ReadBE32(pSMF + pos + 4));
        if (v != TrackVerdict::kWhole) return {MIDIDATA_CHECK_UNREADABLE, text};
        if (nOf > nTracks) text += Format("; tracks %u to %u are missing", nTracks + 1, nOf);
        return {MIDIDATA_CHECK_DAMAGED, text};
      }
      if (v == TrackVerdict::kRunsOut) {
        return {MIDIDATA_CHECK_UNREADABLE,
                Format("track %u of %u: an event runs past the end of its chunk", nTracks, nOf)};
      }
      if (v == TrackVerdict::kBadEvent) {
        return {MIDIDATA_CHECK_UNREADABLE,
                Format("track %u of %u: unreadable event at byte %zu", nTracks, nOf,
                       static_cast<size_t>(pSMF + pos + 8 - pFile) + nOffset)};
      }
    }
    pos += 8 + nLength;
  }
  if (nTracks == 0) return {MIDIDATA_CHECK_UNREADABLE, "no track"};
  if (nTracks != nDeclared) {
    return {MIDIDATA_CHECK_DAMAGED,
            Format("holds %u tracks where its header announces %u", nTracks, nDeclared)};
  }
  return {MIDIDATA_CHECK_WHOLE, ""};
}

// The file's bytes, or false with errno set.
bool ReadFile(const char* pszFileName, PageBuffer* pBytes, size_t* pnSize) {
  int fd = open(pszFileName, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return false;
  struct stat st;
  if (fstat(fd, &st) != 0) {
    int nError = errno;
    close(fd);
    errno = nError;
    return false;
  }
  if (!S_ISREG(st.st_mode)) {
    close(fd);
    errno = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
    return false;
  }
  size_t nSize = static_cast<size_t>(st.st_size);
  if (!pBytes->Allocate(nSize)) {
    close(fd);
    errno = ENOMEM;
    return false;
  }
  size_t nRead = 0;
  while (nRead < nSize) {
    ssize_t n = read(fd, pBytes->data() + nRead, nSize - nRead);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      int nError = errno;
      close(fd);
      errno = nError;
      return false;
    }
    if (n == 0) break;
    nRead += static_cast<size_t>(n);
  }
  *pnSize = nRead;
  close(fd);
  return true;
}

// True when pszFileName is the file this thread last loaded whole, not
// changed since: the reader's own verdict then stands without a second
// reading. Asked once per load.
bool IsLastLoadedWhole(const char* pszFileName) {
  LoadedFile& loaded = midilib_internal::LastLoadedFile();
  bool bAsked = loaded.bValid && loaded.bWhole;
  loaded.bValid = false;
  struct stat st;
  return bAsked && stat(pszFileName, &st) == 0 && st.st_dev == loaded.dev &&
         st.st_ino == loaded.ino && st.st_size == loaded.size &&
         st.st_ctim.tv_sec == loaded.ctime.tv_sec && st.st_ctim.tv_nsec == loaded.ctime.tv_nsec;
}

}  // namespace

extern "C" long MIDIData_CheckSMF(const char* pszFileName, char* pszText, long lLen) {
  Verdict verdict;
  // Fresh pages, not malloc'd: the loaded data lives on beside the check,
  // and a block of the file's size kept by the allocator would add to it.
  PageBuffer bytes;
  size_t nSize = 0;
  if (pszFileName == nullptr) {
    verdict = {MIDIDATA_CHECK_CANNOTREAD, std::strerror(EINVAL)};
  } else if (IsLastLoadedWhole(pszFileName)) {
    verdict = {MIDIDATA_CHECK_WHOLE, ""};
  } else if (!ReadFile(pszFileName, &bytes, &nSize)) {
    verdict = {MIDIDATA_CHECK_CANNOTREAD,
               errno == EINVAL ? "not a regular file" : std::strerror(errno)};
  } else {
    verdict = CheckImage(bytes.data(), nSize);
  }
  if (pszText != nullptr && lLen > 0) {
    size_t n = verdict.text.size() < static_cast<size_t>(lLen - 1) ? verdict.text.size()
                                                                   : static_cast<size_t>(lLen - 1);
    std::memcpy(pszText, verdict.text.data(), n);
    pszText[n] = '\0';
  }
  return verdict.nResult;
}
