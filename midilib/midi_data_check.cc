// MIDIData_CheckSMF: the reader's verdict on a file, in words.
//
// The reader (midi_data_smf.cc) only says whether a file loaded. This walks
// the same layout with the same rules, apart from it so the reader keeps
// its speed, and says where the walk stopped: the first unreadable event,
// the track a short file ends in, a track count other than the header's.
// Asked of the file just loaded whole and not changed since, it takes the
// reader's word for it, so an Open reads a sound file once.

#include <cerrno>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "midilib/MIDIData.h"
#include "midilib/midi_data_internal.h"
#include "midilib/smf_layout.h"

using namespace midilib_internal;

namespace {

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
  // A number the reader refuses to read: where it runs out the chunk, or
  // longer than 4 bytes.
  auto vlq = [&](uint32_t* pValue) {
    switch (ReadVLQ(p, pEnd, pValue)) {
      case VLQRead::kRead:
        return TrackVerdict::kWhole;
      case VLQRead::kRunsOut:
        return TrackVerdict::kRunsOut;
      case VLQRead::kTooLong:
        break;
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
  const uint8_t* pSMF;
  size_t nSMF;
  if (!FindSMF(pFile, nSize, &pSMF, &nSMF)) {
    return {MIDIDATA_CHECK_UNREADABLE, "a RIFF file with no MIDI data chunk"};
  }
  SMFHeader header;
  switch (ReadHeader(pSMF, nSMF, &header)) {
    case HeaderFault::kNone:
      break;
    case HeaderFault::kNotMIDI:
      return kNotMidi;
    case HeaderFault::kEndsInHeader:
      return {MIDIDATA_CHECK_UNREADABLE, "ends inside its header"};
    case HeaderFault::kTooShort:
      return {MIDIDATA_CHECK_UNREADABLE, "its header is too short"};
    case HeaderFault::kUnknownFormat:
      return {MIDIDATA_CHECK_UNREADABLE,
              Format("unknown format %u", static_cast<unsigned>(header.lFormat))};
    case HeaderFault::kUnknownFrameRate:
      return {MIDIDATA_CHECK_UNREADABLE,
              Format("unknown frame rate %d", static_cast<int>(header.lTimeMode))};
  }
  unsigned nDeclared = header.nDeclaredTracks;
  unsigned nTracks = 0;
  SMFChunks chunks(pSMF, nSMF, header);
  for (SMFChunk chunk; chunks.Next(&chunk);) {
    if (!chunk.IsTrack()) continue;
    ++nTracks;
    unsigned nOf = nDeclared > nTracks ? nDeclared : nTracks;
    size_t nOffset = 0;
    TrackVerdict v = WalkTrack(chunk.pBegin, chunk.pEnd, &nOffset);
    if (chunk.IsCut()) {
      std::string text = Format("ends inside track %u of %u (%zu of its %u bytes)", nTracks, nOf,
                                static_cast<size_t>(chunk.pEnd - chunk.pBegin), chunk.nDeclared);
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
                     static_cast<size_t>(chunk.pBegin - pFile) + nOffset)};
    }
  }
  // Too few bytes left for a chunk header: the reader ignores them, but a
  // track the header announces may have started there.
  if (chunks.Left() > 0 && nTracks < nDeclared) {
    return {nTracks == 0 ? MIDIDATA_CHECK_UNREADABLE : MIDIDATA_CHECK_DAMAGED,
            Format("ends inside track %u of %u (its chunk header); %u tracks read", nTracks + 1,
                   nDeclared, nTracks)};
  }
  if (nTracks == 0) return {MIDIDATA_CHECK_UNREADABLE, "no track"};
  if (nTracks != nDeclared) {
    return {MIDIDATA_CHECK_DAMAGED,
            Format("holds %u tracks where its header announces %u", nTracks, nDeclared)};
  }
  return {MIDIDATA_CHECK_WHOLE, ""};
}

// True when pszFileName is the file this thread last loaded whole, not
// changed since: the reader's own verdict then stands without a second
// reading. Asked once per load.
bool IsLastLoadedWhole(const char* pszFileName) {
  LoadedFile& loaded = LastLoadedFile();
  bool bAsked = loaded.bValid && loaded.bWhole;
  loaded.bValid = false;
  FileStamp stamp;
  return bAsked && StampFile(pszFileName, &stamp) == 0 && stamp == loaded.stamp;
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
  } else if (FileStamp stamp; !ReadFileImage(pszFileName, ImageRead::kWhole, &bytes, &nSize, &stamp)) {
    verdict = {MIDIDATA_CHECK_CANNOTREAD,
               errno == EINVAL ? "not a regular file" : DescribeReadError(errno, pszFileName)};
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
