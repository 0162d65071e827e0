// The piano-roll conversion: the time base the exporter reads as frames.
#include "commands/command_processor.h"
#include "console/console_output.h"
#include "midibind/midi_binding.h"

Status CommandProcessor::ConvertPianoRoll(MIDIData* pMIDIData) {
  if (pMIDIData == nullptr) return Fail("pMIDIData == NULL", "no MIDI file is open");
  // SMPTE 30 frames per second, one tick per frame: every event time is a
  // frame of the 30-frame motion.
  if (!midilib::MIDIData_SetTimeBase(pMIDIData, MIDIDATA_SMPTE30BASE, 1)) {
    return Fail("Failed Convert SMPTE30BASE.");
  }
  m_pConsole->WriteLine("Convert to SMPTE30BASE.");
  m_pConsole->WriteLine("optimize the pianoroll.");
  m_pConsole->WriteLine("");
  for (MIDITrack* pTrack = midilib::MIDIData_GetFirstTrack(pMIDIData);
       pTrack != nullptr; pTrack = midilib::MIDITrack_GetNextTrack(pTrack)) {
    CombineNotes(pTrack);
  }
  m_bFileReady = 1;
  return Status::Ok();
}

void CommandProcessor::CombineNotes(MIDITrack* pTrack) {
  // The bound functions are read once for the walk: a call through the
  // binding loads its pointer each time, a call through a copy held here
  // does not.
  auto* const pfnGetNextEvent = midilib::MIDIEvent_GetNextEvent;
  auto* const pfnIsNoteOn = midilib::MIDIEvent_IsNoteOn;
  auto* const pfnCombine = midilib::MIDIEvent_Combine;
  for (MIDIEvent* pEvent = midilib::MIDITrack_GetFirstEvent(pTrack); pEvent != nullptr;
       pEvent = pfnGetNextEvent(pEvent)) {
    if (pfnIsNoteOn(pEvent)) pfnCombine(pEvent);
  }
}
