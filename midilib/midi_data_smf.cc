// Reading Standard MIDI Files.
//
// The chunks, header and RIFF wrapper are read as smf_layout.h describes.
// A track's events: a delta time as a variable-length quantity, then a
// channel message (running status allowed), a meta event (FF type length
// bytes) or a SysEx (F0/F7 length bytes).
//
// The reader works on the whole file image in memory and checks every read
// against the end of the bytes it may read; what it tolerates is listed in
// MIDIData.h. Most of a large file is channel events of two data bytes in
// running status: those take a short way (ReadRunningEvents) where the end
// of the chunk is too far to be reached; everything else, and the last
// bytes of a chunk, are read one event at a time (ReadEvent).

#include <array>
#include <bit>
#include <climits>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "midilib/midi_data_internal.h"
#include "midilib/smf_layout.h"

namespace midilib_internal {

namespace {

// Notes a meta or SysEx event whose bytes (m_pBytes up to pEnd, still in
// the file image) are to be copied once the whole file is read; an event
// without bytes points at kNoBytes at once. False if memory runs out.
bool KeepLater(MIDIEvent* pEvent, const uint8_t* pEnd,
               std::vector<MIDIEvent*>* pBytesEvents, size_t* pnBytes) {
  size_t n = static_cast<size_t>(pEnd - pEvent->m_pBytes);
  if (n == 1) {  // the length 0 alone
    pEvent->m_pBytes = kNoBytes;
    return true;
  }
  try {
    pBytesEvents->push_back(pEvent);
  } catch (const std::bad_alloc&) {
    return false;
  }
  *pnBytes += n;
  return true;
}

// Copies the bytes of the meta and SysEx events read into one piece the
// data keeps, so that the file image can go: most of a large file is
// channel events, whose bytes live in the events themselves. The lengths
// were checked when the events were read.
bool KeepBytesOf(MIDIData* pData, const std::vector<MIDIEvent*>& events,
                 size_t nBytes) {
  if (events.empty()) return true;
  uint8_t* pPool = static_cast<uint8_t*>(std::malloc(nBytes));
  if (pPool == nullptr) return false;
  pData->m_pFile = pPool;
  for (MIDIEvent* pEvent : events) {
    size_t nLength;
    const uint8_t* pFirst = EventBytes(pEvent, &nLength);
    size_t n = static_cast<size_t>(pFirst - pEvent->m_pBytes) + nLength;
    std::memcpy(pPool, pEvent->m_pBytes, n);
    pEvent->m_pBytes = pPool;
    pPool += n;
  }
  return true;
}

// A channel event's kind, data bytes and flags as they lie in a MIDIEvent,
// one 32-bit word; the two data bytes as they lie in the file, one 16-bit
// word. The fast way of the reader builds and stores an event's four bytes
// at once.
static_assert(offsetof(MIDIEvent, m_byData1) == offsetof(MIDIEvent, m_byKind) + 1 &&
              offsetof(MIDIEvent, m_byData2) == offsetof(MIDIEvent, m_byKind) + 2 &&
              offsetof(MIDIEvent, m_byFlags) == offsetof(MIDIEvent, m_byKind) + 3);
constexpr bool kLittleEndian = std::endian::native == std::endian::little;
static_assert(kLittleEndian || std::endian::native == std::endian::big);
constexpr uint32_t KindWord(uint8_t byKind, uint8_t byFlags) {
  return kLittleEndian ? byKind | uint32_t{byFlags} << 24 : uint32_t{byKind} << 24 | byFlags;
}
constexpr uint8_t FlagsOfWord(uint32_t word) {
  return static_cast<uint8_t>(kLittleEndian ? word >> 24 : word);
}
inline uint16_t LoadPair(const uint8_t* p) {
  uint16_t pair;
  std::memcpy(&pair, p, 2);
  return pair;
}
constexpr uint8_t FirstOfPair(uint16_t pair) {
  return static_cast<uint8_t>(kLittleEndian ? pair : pair >> 8);
}
constexpr bool SecondOfPairIsZero(uint16_t pair) {
  return kLittleEndian ? pair <= 0xFF : (pair & 0xFF) == 0;
}
// The word of a channel event of that kind word and data pair: the pair
// sits in the middle bytes whatever the byte order.
constexpr uint32_t EventWord(uint32_t kindWord, uint16_t pair) {
  return kindWord | uint32_t{pair} << 8;
}
inline void StoreEventWord(MIDIEvent* pEvent, uint32_t word) {
  std::memcpy(&pEvent->m_byKind, &word, 4);
}

// Where the reading of one track chunk is: the next byte, the next event,
// the time so far and the running status.
struct TrackCursor {
  const uint8_t* p;
  const uint8_t* pEnd;
  MIDIEvent* pEvent;
  uint64_t lTime;
  // The running status: its byte and data bytes (0: no status yet).
  uint8_t byRunning = 0;
  int nRunData = 0;
  // For the fast way, the kind words of an event in running status with a
  // second data byte above 0 and of 0 (0 where the fast way doesn't take
  // the status: none yet, or one data byte), and its channel's first index
  // in the key-chain linker.
  uint32_t nWordOn = 0;
  uint32_t nWordOff = 0;
  size_t nChannelIndex = 0;

  void SetRunning(uint8_t b) {
    if ((b & 0xE0) == 0xC0) {
      byRunning = b;
      nRunData = 1;
      nWordOn = nWordOff = 0;
    } else {
      SetRunningPair(b);
    }
  }
  // A status of two data bytes (0x80..0xBF, 0xE0..0xEF).
  void SetRunningPair(uint8_t b) {
    // Their kind words without the kind, by the high four bits.
    static constexpr auto kOnWords = [] {
      std::array<uint32_t, 16> words{};
      for (int i = 8; i < 15; i++) words[i] = KindWord(0, EventFlags(static_cast<uint8_t>(i << 4), 1));
      return words;
    }();
    static constexpr auto kOffWords = [] {
      std::array<uint32_t, 16> words{};
      for (int i = 8; i < 15; i++) words[i] = KindWord(0, EventFlags(static_cast<uint8_t>(i << 4), 0));
      return words;
    }();
    byRunning = b;
    nRunData = 2;
    nWordOn = KindWord(b, 0) | kOnWords[b >> 4];
    nWordOff = KindWord(b, 0) | kOffWords[b >> 4];
    nChannelIndex = size_t{b & 0x0Fu} << 7;
  }
};

// What reading one event of a track came to.
enum class ReadStep { kMore, kEnded, kFailed };

// Reads one event of any kind, every read checked against the chunk's end.
// Kept out of line: the fast way's loop then keeps its values in registers.
__attribute__((noinline)) ReadStep ReadEvent(TrackCursor* c, MIDITrack* pTrack,
                                             KeyChainLinker* pLinker,
                                             std::vector<MIDIEvent*>* pBytesEvents,
                                             size_t* pnBytes) {
  const uint8_t*& p = c->p;
  const uint8_t* pEnd = c->pEnd;
  MIDIEvent* pEvent = c->pEvent;
  uint32_t delta;
  if (ReadVLQ(p, pEnd, &delta) != VLQRead::kRead) return ReadStep::kFailed;
  if (p >= pEnd) return ReadStep::kFailed;
  c->lTime += delta;
  pEvent->m_lTime = static_cast<int32_t>(c->lTime);
  pEvent->m_byFlags = 0;
  pEvent->m_byData2 = 0;
  pEvent->m_pNext = pEvent + 1;
  c->pEvent = pEvent + 1;
  uint8_t b = *p;
  if (b == 0xFF || b == 0xF0 || b == 0xF7) {
    if (b == 0xFF) {
      if (pEnd - p < 2) return ReadStep::kFailed;
      pEvent->m_byData1 = p[1];
      p += 2;
    } else {
      pEvent->m_byData1 = 0;
      p++;
    }
    pEvent->m_byKind = b;
    pEvent->m_pBytes = p;
    uint32_t nLength;
    if (ReadVLQ(p, pEnd, &nLength) != VLQRead::kRead) return ReadStep::kFailed;
    if (nLength > static_cast<size_t>(pEnd - p)) return ReadStep::kFailed;
    p += nLength;
    if (!KeepLater(pEvent, p, pBytesEvents, pnBytes)) return ReadStep::kFailed;
    if (b != 0xFF) return ReadStep::kMore;
    if (pEvent->m_byData1 == kMetaTempo) pTrack->m_bMayHoldTempo = true;
    // Bytes after the end of the track are not events.
    return pEvent->m_byData1 == kMetaEndOfTrack ? ReadStep::kEnded : ReadStep::kMore;
  }
  if (b > 0xF0) return ReadStep::kFailed;  // system common and real-time messages have no place here
  if (b & 0x80) {
    c->SetRunning(b);
    p++;
  } else if (c->byRunning == 0) {
    return ReadStep::kFailed;  // a data byte with no status before it
  }
  pEvent->m_byKind = c->byRunning;
  if (c->nRunData == 1) {
    if (p >= pEnd || (p[0] & 0x80)) return ReadStep::kFailed;
    pEvent->m_byData1 = p[0];
    p += 1;
  } else {
    if (pEnd - p < 2 || ((p[0] | p[1]) & 0x80)) return ReadStep::kFailed;
    pEvent->m_byData1 = p[0];
    pEvent->m_byData2 = p[1];
    p += 2;
  }
  pEvent->m_byFlags = EventFlags(pEvent->m_byKind, pEvent->m_byData2);
  pEvent->m_pLink = nullptr;
  pLinker->Add(pEvent);
  return ReadStep::kMore;
}

// The fast way: reads channel events of two data bytes with a delta of at
// most two bytes while more than 8 bytes of the chunk are left (before
// pNearEnd), so that no byte of such an event (5 at most) can lie past the
// chunk's end and only the bytes' values are checked. Stops, reading nothing of it, at
// the first event of another kind or with anything to refuse, for
// ReadEvent. Works on copies of the cursor's fields, which nothing else can
// change meanwhile, and puts them back.
inline void ReadRunningEvents(TrackCursor* c, const uint8_t* pNearEnd, KeyChainLinker* pLinker) {
  const uint8_t* p = c->p;
  MIDIEvent* pEvent = c->pEvent;
  uint64_t lTime = c->lTime;
  TrackCursor running = *c;
  while (p < pNearEnd) {
    // The delta (one byte mostly) and the byte after it.
    uint64_t delta = p[0];
    uint8_t s = p[1];
    const uint8_t* q = p + 1;
    if (delta & 0x80) {
      if (s & 0x80) break;
      delta = ((delta & 0x7F) << 7) | s;
      s = p[2];
      q = p + 2;
    }
    if (s & 0x80) {
      if (s >= 0xF0 || (s & 0xE0) == 0xC0) break;
      running.SetRunningPair(s);
      q++;
    } else if (running.nWordOn == 0) {
      break;
    }
    uint16_t pair = LoadPair(q);
    if (pair & 0x8080) break;
    p = q + 2;
    lTime += delta;
    uint32_t word = EventWord(SecondOfPairIsZero(pair) ? running.nWordOff : running.nWordOn, pair);
    pEvent->m_pNext = pEvent + 1;
    pEvent->m_lTime = static_cast<int32_t>(lTime);
    StoreEventWord(pEvent, word);
    uint8_t byFlags = FlagsOfWord(word);
    if (byFlags & (kEventPress | kEventRelease)) {
      pLinker->AddNote(pEvent, running.nChannelIndex | FirstOfPair(pair));
    } else {
      pEvent->m_pLink = nullptr;
    }
    pEvent++;
  }
  running.p = p;
  running.pEvent = pEvent;
  running.lTime = lTime;
  *c = running;
}

// Reads one track chunk's events into pTrack from the reserved events
// starting at *ppNext (at most pLimit). Meta and SysEx events are left
// pointing into the image and listed in *pBytesEvents, their bytes added to
// *pnBytes. False if it isn't readable.
bool ReadTrack(MIDIData* pData, const uint8_t* p, const uint8_t* pEnd,
               MIDIEvent** ppNext, MIDIEvent* pLimit, KeyChainLinker* pLinker,
               std::vector<MIDIEvent*>* pBytesEvents, size_t* pnBytes) {
  MIDITrack* pTrack = AppendTrack(pData);
  if (pTrack == nullptr) return false;
  MIDIEvent* const pFirst = *ppNext;
  // Every event takes at least two bytes of the chunk, so the reserved
  // events hold the track's and an end-of-track event: checked once here
  // rather than for each event.
  if (static_cast<size_t>(pLimit - pFirst) < static_cast<size_t>(pEnd - p) / 2 + 1) {
    return false;
  }
  // Times only grow, so the last one alone is checked against 2^31 - 1 (a
  // failed track fails the file); deltas of 28 bits can't overflow 64.
  TrackCursor c;
  c.p = p;
  c.pEnd = pEnd;
  c.pEvent = pFirst;
  c.lTime = 0;
  const uint8_t* pNearEnd = pEnd - p > 8 ? pEnd - 8 : p;
  ReadStep step = ReadStep::kMore;
  while (step == ReadStep::kMore) {
    ReadRunningEvents(&c, pNearEnd, pLinker);
    if (c.p >= pEnd) break;
    step = ReadEvent(&c, pTrack, pLinker, pBytesEvents, pnBytes);
  }
  if (step == ReadStep::kFailed || c.lTime > INT32_MAX) return false;
  MIDIEvent* pEvent = c.pEvent;
  if (step != ReadStep::kEnded) {
    *pEvent = MIDIEvent();
    pEvent->m_lTime = static_cast<int32_t>(c.lTime);
    pEvent->m_byKind = 0xFF;
    pEvent->m_byData1 = kMetaEndOfTrack;
    pEvent->m_pBytes = kNoBytes;
    pEvent->m_pNext = pEvent + 1;
    pEvent++;
  }
  pLinker->Finish();
  (pEvent - 1)->m_pNext = nullptr;
  pTrack->m_pFirst = pFirst;
  pTrack->m_pLast = pEvent - 1;
  pTrack->m_lNumEvent = pEvent - pFirst;
  *ppNext = pEvent;
  return true;
}

// *pbWhole (when given) tells whether every chunk was complete and the
// tracks as many as the header announces; a file short of either may still
// load.
MIDIData* ReadSMF(const uint8_t* pFile, size_t nSize, bool* pbWhole = nullptr) {
  const uint8_t* pSMF;
  size_t nSMF;
  if (!FindSMF(pFile, nSize, &pSMF, &nSMF)) return nullptr;
  SMFHeader header;
  if (ReadHeader(pSMF, nSMF, &header) != HeaderFault::kNone) return nullptr;
  // First pass over the chunk headers: how many events the tracks can hold
  // at most (an event takes at least two bytes), so one block holds them.
  size_t nCapacity = 0;
  size_t nTracks = 0;
  bool bCut = false;
  SMFChunk chunk;
  for (SMFChunks chunks(pSMF, nSMF, header); chunks.Next(&chunk);) {
    bCut = bCut || chunk.IsCut();
    if (chunk.IsTrack()) {
      nCapacity += static_cast<size_t>(chunk.pEnd - chunk.pBegin) / 2 + 1;
      nTracks++;
    }
  }
  if (nTracks == 0) return nullptr;
  if (pbWhole != nullptr) *pbWhole = !bCut && nTracks == header.nDeclaredTracks;

  MIDIData* pData = NewData(header.lFormat, header.lTimeMode, header.lResolution);
  if (pData == nullptr) return nullptr;
  MIDIEvent* pNext = ReserveEvents(pData, nCapacity);
  KeyChainLinker* pLinker = new (std::nothrow) KeyChainLinker();
  bool bOk = pNext != nullptr && pLinker != nullptr;
  MIDIEvent* pLimit = pNext + nCapacity;
  std::vector<MIDIEvent*> bytesEvents;
  size_t nBytes = 0;
  for (SMFChunks chunks(pSMF, nSMF, header); bOk && chunks.Next(&chunk);) {
    if (chunk.IsTrack()) {
      bOk = ReadTrack(pData, chunk.pBegin, chunk.pEnd, &pNext, pLimit, pLinker, &bytesEvents,
                      &nBytes);
    }
  }
  delete pLinker;
  bOk = bOk && KeepBytesOf(pData, bytesEvents, nBytes);
  if (!bOk) {
    MIDIData_Delete(pData);
    return nullptr;
  }
  pData->m_nBlockUsed = static_cast<size_t>(pNext - pData->m_vecBlocks.back());
  return pData;
}

}  // namespace

MIDIData* LoadFromMemory(const uint8_t* pBytes, size_t nSize) {
  return ReadSMF(pBytes, nSize);
}

}  // namespace midilib_internal

using namespace midilib_internal;

LoadedFile& midilib_internal::LastLoadedFile() {
  thread_local LoadedFile loaded;
  return loaded;
}

extern "C" MIDIData* MIDIData_LoadFromSMF(const char* pszFileName) {
  LoadedFile& loaded = LastLoadedFile();
  loaded.bValid = false;
  if (pszFileName == nullptr) return nullptr;
  // The first bytes decide whether the rest is worth reading: a large file
  // of another kind is refused without reading it all.
  PageBuffer image;
  size_t nRead = 0;
  FileStamp stamp;
  if (!ReadFileImage(pszFileName, ImageRead::kIfMIDI, &image, &nRead, &stamp)) return nullptr;
  // The image goes when the file is read: the data keeps what it needs.
  bool bWhole = false;
  MIDIData* pData = ReadSMF(image.data(), nRead, &bWhole);
  if (pData != nullptr && nRead == stamp.nSize) {
    loaded = {true, bWhole, stamp};
  }
  return pData;
}
