// Inserting events into a track (how the test data of Create Midi is made).
//
// A track stays in time order; a new event goes behind the events of its
// time, and always before the end-of-track event, which is moved to the new
// event's time when that is later. Finding the place walks the track, so
// insertion is meant for building small tracks, not for millions of events.
#include <climits>

#include "midilib/midi_data_internal.h"

using namespace midilib_internal;

namespace {

bool ValidTime(long lTime) { return lTime >= 0 && lTime <= INT32_MAX; }
bool Valid7Bit(long lValue) { return lValue >= 0 && lValue <= 127; }
bool ValidChannel(long lChannel) { return lChannel >= 0 && lChannel <= 15; }

// Links pEvent (not end-of-track) into the track at its time.
void LinkEvent(MIDITrack* pTrack, MIDIEvent* pEvent) {
  MIDIEvent* pPrev = nullptr;
  MIDIEvent* pCur = pTrack->m_pFirst;
  while (pCur != nullptr && pCur->m_lTime <= pEvent->m_lTime &&
         !IsEndOfTrack(pCur)) {
    pPrev = pCur;
    pCur = pCur->m_pNext;
  }
  pEvent->m_pNext = pCur;
  if (pPrev != nullptr) {
    pPrev->m_pNext = pEvent;
  } else {
    pTrack->m_pFirst = pEvent;
  }
  if (pCur == nullptr) {
    pTrack->m_pLast = pEvent;
  } else if (IsEndOfTrack(pCur) && pCur->m_lTime < pEvent->m_lTime) {
    pCur->m_lTime = pEvent->m_lTime;
  }
  pTrack->m_lNumEvent++;
}

MIDIEvent* NewChannelEvent(MIDITrack* pTrack, long lTime, uint8_t byKind,
                           uint8_t byData1, uint8_t byData2) {
  MIDIEvent* pEvent = NewEvent(pTrack->m_pData);
  if (pEvent == nullptr) return nullptr;
  pEvent->m_lTime = static_cast<int32_t>(lTime);
  pEvent->m_byKind = byKind;
  pEvent->m_byData1 = byData1;
  pEvent->m_byData2 = byData2;
  pEvent->m_byFlags = EventFlags(byKind, byData2);
  return pEvent;
}

}  // namespace

extern "C" {

long MIDITrack_InsertTempo(MIDITrack* pTrack, long lTime, long lTempo) {
  if (pTrack == nullptr || !ValidTime(lTime) || lTempo < 1 ||
      lTempo > 0xFFFFFF) {
    return 0;
  }
  std::string bytes;
  bytes += '\x03';
  bytes += static_cast<char>(lTempo >> 16);
  bytes += static_cast<char>(lTempo >> 8);
  bytes += static_cast<char>(lTempo);
  const uint8_t* pBytes = KeepBytes(pTrack->m_pData, bytes);
  if (pBytes == nullptr) return 0;
  MIDIEvent* pEvent = NewEvent(pTrack->m_pData);
  if (pEvent == nullptr) return 0;
  pEvent->m_lTime = static_cast<int32_t>(lTime);
  pEvent->m_byKind = 0xFF;
  pEvent->m_byData1 = kMetaTempo;
  pEvent->m_pBytes = pBytes;
  LinkEvent(pTrack, pEvent);
  pTrack->m_bMayHoldTempo = true;
  return 1;
}

long MIDITrack_InsertEndofTrack(MIDITrack* pTrack, long lTime) {
  if (pTrack == nullptr || !ValidTime(lTime)) return 0;
  // The event before the place of the end-of-track event, and the existing
  // end-of-track event if there is one (always the last).
  MIDIEvent* pBefore = nullptr;
  for (MIDIEvent* p = pTrack->m_pFirst; p != nullptr; p = p->m_pNext) {
    if (IsEndOfTrack(p)) break;
    pBefore = p;
  }
  if (pBefore != nullptr && pBefore->m_lTime > lTime) return 0;
  MIDIEvent* pLast = pTrack->m_pLast;
  if (pLast != nullptr && IsEndOfTrack(pLast)) {
    pLast->m_lTime = static_cast<int32_t>(lTime);
    return 1;
  }
  MIDIEvent* pEvent = NewEvent(pTrack->m_pData);
  if (pEvent == nullptr) return 0;
  pEvent->m_lTime = static_cast<int32_t>(lTime);
  pEvent->m_byKind = 0xFF;
  pEvent->m_byData1 = kMetaEndOfTrack;
  pEvent->m_pBytes = kNoBytes;
  if (pLast != nullptr) {
    pLast->m_pNext = pEvent;
  } else {
    pTrack->m_pFirst = pEvent;
  }
  pTrack->m_pLast = pEvent;
  pTrack->m_lNumEvent++;
  return 1;
}

long MIDITrack_InsertProgramChange(MIDITrack* pTrack, long lTime,
                                   long lChannel, long lNumber) {
  if (pTrack == nullptr || !ValidTime(lTime) || !ValidChannel(lChannel) ||
      !Valid7Bit(lNumber)) {
    return 0;
  }
  MIDIEvent* pEvent = NewChannelEvent(
      pTrack, lTime, static_cast<uint8_t>(0xC0 | lChannel),
      static_cast<uint8_t>(lNumber), 0);
  if (pEvent == nullptr) return 0;
  LinkEvent(pTrack, pEvent);
  return 1;
}

long MIDITrack_InsertControlChange(MIDITrack* pTrack, long lTime,
                                   long lChannel, long lNumber, long lValue) {
  if (pTrack == nullptr || !ValidTime(lTime) || !ValidChannel(lChannel) ||
      !Valid7Bit(lNumber) || !Valid7Bit(lValue)) {
    return 0;
  }
  MIDIEvent* pEvent = NewChannelEvent(
      pTrack, lTime, static_cast<uint8_t>(0xB0 | lChannel),
      static_cast<uint8_t>(lNumber), static_cast<uint8_t>(lValue));
  if (pEvent == nullptr) return 0;
  LinkEvent(pTrack, pEvent);
  return 1;
}

long MIDITrack_InsertNote(MIDITrack* pTrack, long lTime, long lChannel,
                          long lKey, long lVelocity, long lDuration) {
  if (pTrack == nullptr || !ValidTime(lTime) || !ValidChannel(lChannel) ||
      !Valid7Bit(lKey) || lVelocity < 1 || lVelocity > 127 || lDuration < 0 ||
      lDuration > INT32_MAX - lTime) {
    return 0;
  }
  uint8_t byKey = static_cast<uint8_t>(lKey);
  MIDIEvent* pOn =
      NewChannelEvent(pTrack, lTime, static_cast<uint8_t>(0x90 | lChannel),
                      byKey, static_cast<uint8_t>(lVelocity));
  MIDIEvent* pOff = pOn == nullptr ? nullptr
                                   : NewChannelEvent(pTrack, lTime + lDuration,
                                                     static_cast<uint8_t>(0x80 | lChannel),
                                                     byKey, 0);
  if (pOff == nullptr) return 0;
  LinkEvent(pTrack, pOn);
  LinkEvent(pTrack, pOff);
  pOn->m_byFlags |= kEventJoined;
  pOff->m_byFlags |= kEventJoined;
  pOn->m_pLink = pOff;
  // The new release sits in the chains of the notes before it.
  LinkKeyChains(pTrack);
  return 1;
}

}  // extern "C"
