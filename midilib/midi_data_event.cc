// Event queries and note pairing (the key chains of
// midi_data_internal.h).
#include <cstring>

#include "midilib/midi_data_internal.h"

namespace midilib_internal {

const uint8_t kNoBytes[1] = {0};

KeyChainLinker::KeyChainLinker() : m_nTouched(0) {
  std::memset(m_apLast, 0, sizeof(m_apLast));
}

void KeyChainLinker::Finish() {
  for (size_t i = 0; i < m_nTouched; i++) m_apLast[m_anTouched[i]] = nullptr;
  m_nTouched = 0;
}

void LinkKeyChains(MIDITrack* pTrack) {
  KeyChainLinker linker;
  for (MIDIEvent* p = pTrack->m_pFirst; p != nullptr; p = p->m_pNext) {
    linker.Add(p);
  }
  linker.Finish();
}

const uint8_t* EventBytes(const MIDIEvent* pEvent, size_t* pnLength) {
  const uint8_t* p = pEvent->m_pBytes;
  // The length was read and checked when the event was made: at most four
  // bytes, the last without the high bit.
  size_t nLength = 0;
  for (int i = 0; i < 4; i++) {
    uint8_t b = *p++;
    nLength = (nLength << 7) | (b & 0x7F);
    if ((b & 0x80) == 0) break;
  }
  *pnLength = nLength;
  return p;
}

long EventTempo(const MIDIEvent* pEvent) {
  if (!IsMeta(pEvent) || pEvent->m_byData1 != kMetaTempo) return -1;
  size_t nLength;
  const uint8_t* p = EventBytes(pEvent, &nLength);
  if (nLength != 3) return -1;
  return (long{p[0]} << 16) | (long{p[1]} << 8) | long{p[2]};
}

}  // namespace midilib_internal

using namespace midilib_internal;

namespace {

bool IsFreeRelease(const MIDIEvent* p) {
  return (p->m_byFlags & (kEventRelease | kEventJoined)) == kEventRelease;
}

// The first release not joined yet on the key chain from pFrom (not one)
// on. Every event on the walked path but a joined note-on (whose link is
// its release) is made to lead straight to the one found: only joined
// releases lie between, so no later walk repeats this one.
MIDIEvent* FirstFreeRelease(MIDIEvent* pFrom) {
  MIDIEvent* pRelease = pFrom;
  while (pRelease != nullptr && !IsFreeRelease(pRelease)) pRelease = pRelease->m_pLink;
  for (MIDIEvent* p = pFrom; p != pRelease;) {
    MIDIEvent* pNext = p->m_pLink;
    if ((p->m_byFlags & (kEventPress | kEventJoined)) != (kEventPress | kEventJoined)) {
      p->m_pLink = pRelease;
    }
    p = pNext;
  }
  return pRelease;
}

}  // namespace

extern "C" {

// The walks of the program call these for every event: each reads what it
// needs once, from flags set when the event was made where that saves work.
MIDIEvent* MIDIEvent_GetNextEvent(MIDIEvent* pEvent) {
  return pEvent != nullptr ? pEvent->m_pNext : nullptr;
}

long MIDIEvent_GetKind(MIDIEvent* pEvent) {
  if (__builtin_expect(pEvent == nullptr, 0)) return 0;
  return pEvent->m_byKind;
}

long MIDIEvent_IsMIDIEvent(MIDIEvent* pEvent) {
  if (__builtin_expect(pEvent == nullptr, 0)) return 0;
  return IsChannelEvent(pEvent);
}

long MIDIEvent_IsNoteOn(MIDIEvent* pEvent) {
  if (pEvent == nullptr) return 0;
  return IsPress(pEvent);
}

long MIDIEvent_IsNoteOff(MIDIEvent* pEvent) {
  if (pEvent == nullptr) return 0;
  return IsRelease(pEvent);
}

long MIDIEvent_IsEndofTrack(MIDIEvent* pEvent) {
  return pEvent != nullptr && IsEndOfTrack(pEvent);
}

long MIDIEvent_Combine(MIDIEvent* pEvent) {
  if (pEvent == nullptr) return 0;
  uint8_t byFlags = pEvent->m_byFlags;
  // Only an unjoined note-on goes on; a joined one is already done.
  if ((byFlags & (kEventPress | kEventJoined)) != kEventPress) {
    return (byFlags & (kEventPress | kEventJoined)) == (kEventPress | kEventJoined);
  }
  MIDIEvent* pRelease = pEvent->m_pLink;
  if (pRelease == nullptr) return 0;
  if (!IsFreeRelease(pRelease)) {
    pRelease = FirstFreeRelease(pRelease);
    pEvent->m_pLink = pRelease;
    if (pRelease == nullptr) return 0;
  }
  pEvent->m_byFlags = byFlags | kEventJoined;
  pRelease->m_byFlags |= kEventJoined;
  return 1;
}

MIDIEvent* MIDIEvent_GetCombinedEvent(MIDIEvent* pEvent) {
  if (pEvent == nullptr) return nullptr;
  uint8_t byFlags = pEvent->m_byFlags;
  if ((byFlags & (kEventPress | kEventJoined)) != (kEventPress | kEventJoined)) {
    return nullptr;
  }
  return pEvent->m_pLink;
}

long MIDIEvent_GetTime(MIDIEvent* pEvent) {
  if (__builtin_expect(pEvent == nullptr, 0)) return 0;
  return pEvent->m_lTime;
}

long MIDIEvent_GetChannel(MIDIEvent* pEvent) {
  if (pEvent == nullptr || !IsChannelEvent(pEvent)) return -1;
  return pEvent->m_byKind & 0x0F;
}

long MIDIEvent_GetKey(MIDIEvent* pEvent) {
  if (pEvent == nullptr || !(pEvent->m_byFlags & kEventKey)) return -1;
  return pEvent->m_byData1;
}

long MIDIEvent_GetVelocity(MIDIEvent* pEvent) {
  if (pEvent == nullptr || !(pEvent->m_byFlags & (kEventPress | kEventRelease))) return -1;
  return pEvent->m_byData2;
}

long MIDIEvent_GetNumber(MIDIEvent* pEvent) {
  if (pEvent == nullptr) return -1;
  uint8_t type = pEvent->m_byKind & 0xF0;
  if (type != 0xB0 && type != 0xC0) return -1;
  return pEvent->m_byData1;
}

long MIDIEvent_GetValue(MIDIEvent* pEvent) {
  if (pEvent == nullptr) return -1;
  switch (pEvent->m_byKind & 0xF0) {
    case 0xA0:
    case 0xB0:
      return pEvent->m_byData2;
    case 0xD0:
      return pEvent->m_byData1;
    case 0xE0:
      return ((long{pEvent->m_byData2} << 7) | pEvent->m_byData1) - 8192;
    default:
      return -1;
  }
}

long MIDIEvent_GetTempo(MIDIEvent* pEvent) {
  return pEvent != nullptr ? EventTempo(pEvent) : -1;
}

long MIDIEvent_GetMetaType(MIDIEvent* pEvent) {
  if (pEvent == nullptr || !IsMeta(pEvent)) return -1;
  return pEvent->m_byData1;
}

long MIDIEvent_GetData(MIDIEvent* pEvent, unsigned char* buf, long len) {
  if (pEvent == nullptr) return 0;
  size_t n;
  const uint8_t* p;
  const uint8_t abyData[2] = {pEvent->m_byData1, pEvent->m_byData2};
  if (IsChannelEvent(pEvent)) {
    p = abyData;
    n = (pEvent->m_byKind & 0xE0) == 0xC0 ? 1 : 2;
  } else {
    p = EventBytes(pEvent, &n);
  }
  if (buf != nullptr && len > 0) {
    std::memcpy(buf, p, n < static_cast<size_t>(len) ? n : static_cast<size_t>(len));
  }
  return static_cast<long>(n);
}

}  // extern "C"
