// The piano-roll conversion: the time base the exporter reads as frames.
#include "commands/command_processor.h"
#include "console/console_output.h"
#include "midibind/midi_binding.h"

int CommandProcessor::ConvertPianoRoll(MIDIData* pMIDIData) {
  if (pMIDIData == nullptr) {
    Fail("pMIDIData == NULL", "no MIDI file is open");
    return 0;
  }
  // SMPTE 30 frames per second, one tick per frame: every event time is a
  // frame of the 30-frame motion.
  if (!midilib::MIDIData_SetTimeBase(pMIDIData, MIDIDATA_SMPTE30BASE, 1)) {
    Fail("Failed Convert SMPTE30BASE.");
    return 0;
  }
  m_pConsole->WriteLine("Convert to SMPTE30BASE.");
  m_pConsole->WriteLine("optimize the pianoroll.");
  m_pConsole->WriteLine("");
  for (MIDITrack* pTrack = midilib::MIDIData_GetFirstTrack(pMIDIData);
       pTrack != nullptr; pTrack = midilib::MIDITrack_GetNextTrack(pTrack)) {
    for (MIDIEvent* pEvent = midilib::MIDITrack_GetFirstEvent(pTrack);
         pEvent != nullptr; pEvent = midilib::MIDIEvent_GetNextEvent(pEvent)) {
      if (midilib::MIDIEvent_IsNoteOn(pEvent)) midilib::MIDIEvent_Combine(pEvent);
    }
  }
  m_bFileReady = 1;
  return 1;
}
