// libFuzzer target of the MIDI data library: reads the input as a file,
// then does what opening and preparing a file does (texts, format and
// time-base conversion, pairing every note-on, event lines) and checks the
// invariants the program relies on. Any crash, sanitizer report, leak or
// broken invariant is a finding.
#include <cstdint>
#include <cstring>

#include "midilib/MIDIData.h"
#include "midilib/midi_data_internal.h"

namespace {

void Check(bool bOk) {
  if (!bOk) __builtin_trap();
}

// Every track ends with its end-of-track event, times never go back, the
// count matches, and a joined note-on's release is a later release of the
// same channel and key.
void CheckTracks(MIDIData* pData) {
  long nTracks = 0;
  for (MIDITrack* t = MIDIData_GetFirstTrack(pData); t; t = MIDITrack_GetNextTrack(t)) {
    nTracks++;
    long nEvents = 0;
    long lTime = 0;
    MIDIEvent* pLast = nullptr;
    for (MIDIEvent* e = MIDITrack_GetFirstEvent(t); e; e = MIDIEvent_GetNextEvent(e)) {
      nEvents++;
      Check(MIDIEvent_GetTime(e) >= lTime);
      lTime = MIDIEvent_GetTime(e);
      pLast = e;
      MIDIEvent* pRelease = MIDIEvent_GetCombinedEvent(e);
      if (pRelease != nullptr) {
        Check(MIDIEvent_IsNoteOff(pRelease) != 0);
        Check(MIDIEvent_GetKey(pRelease) == MIDIEvent_GetKey(e));
        Check(MIDIEvent_GetChannel(pRelease) == MIDIEvent_GetChannel(e));
        bool bLater = false;
        for (MIDIEvent* f = MIDIEvent_GetNextEvent(e); f && !bLater; f = MIDIEvent_GetNextEvent(f)) {
          bLater = f == pRelease;
        }
        Check(bLater);
      }
    }
    Check(nEvents == MIDITrack_GetNumEvent(t));
    Check(pLast == MIDITrack_GetLastEvent(t));
    Check(pLast == nullptr || MIDIEvent_IsEndofTrack(pLast));
  }
  Check(nTracks == MIDIData_GetNumTrack(pData));
}

void Texts(MIDIData* pData) {
  char sz[300];
  for (long len : {0L, 1L, 7L, 256L}) {
    std::memset(sz, 0x55, sizeof(sz));
    MIDIData_GetTitle(pData, sz, len);
    MIDIData_GetCopyright(pData, sz, len);
    MIDIData_GetComment(pData, sz, len);
    Check(static_cast<uint8_t>(sz[len]) == 0x55);
  }
  for (MIDITrack* t = MIDIData_GetFirstTrack(pData); t; t = MIDITrack_GetNextTrack(t)) {
    MIDITrack_GetName(t, sz, 256);
    for (MIDIEvent* e = MIDITrack_GetFirstEvent(t); e; e = MIDIEvent_GetNextEvent(e)) {
      std::memset(sz, 0x55, sizeof(sz));
      MIDIEvent_ToString(e, sz, 64);
      Check(static_cast<uint8_t>(sz[64]) == 0x55 && std::strlen(sz) < 64);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pBytes, size_t nSize) {
  MIDIData* pData = midilib_internal::LoadFromMemory(pBytes, nSize);
  if (pData == nullptr) return 0;
  CheckTracks(pData);
  Texts(pData);
  long lFormat = MIDIData_GetFormat(pData);
  long r = MIDIData_SetFormat(pData, 1);
  Check(r == (lFormat == 2 ? 0 : 1));
  CheckTracks(pData);
  // The time base of the program, or (by the input's last byte) another.
  long lMode = 30, lResolution = 1;
  if (nSize > 0 && (pBytes[nSize - 1] & 3) == 1) lMode = 29, lResolution = 80;
  if (nSize > 0 && (pBytes[nSize - 1] & 3) == 2) lMode = 0, lResolution = 7;
  MIDIData_SetTimeBase(pData, lMode, lResolution);
  CheckTracks(pData);
  for (MIDITrack* t = MIDIData_GetFirstTrack(pData); t; t = MIDITrack_GetNextTrack(t)) {
    for (MIDIEvent* e = MIDITrack_GetFirstEvent(t); e; e = MIDIEvent_GetNextEvent(e)) {
      if (MIDIEvent_IsNoteOn(e)) MIDIEvent_Combine(e);
    }
  }
  CheckTracks(pData);
  // Insertion into what was read, then pairing again.
  MIDITrack* pFirst = MIDIData_GetFirstTrack(pData);
  if (pFirst != nullptr && nSize > 2) {
    MIDITrack_InsertNote(pFirst, pBytes[0], pBytes[1] & 15, pBytes[2] & 127, 100, pBytes[1]);
    MIDITrack_InsertTempo(pFirst, pBytes[2], 400000);
    for (MIDIEvent* e = MIDITrack_GetFirstEvent(pFirst); e; e = MIDIEvent_GetNextEvent(e)) {
      if (MIDIEvent_IsNoteOn(e)) MIDIEvent_Combine(e);
    }
    CheckTracks(pData);
  }
  Texts(pData);
  if (pFirst != nullptr && MIDITrack_GetNextTrack(pFirst) != nullptr) {
    MIDITrack_Delete(MIDITrack_GetNextTrack(pFirst));
    CheckTracks(pData);
  }
  MIDIData_Delete(pData);
  return 0;
}
