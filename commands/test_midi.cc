// Create Midi: a small two-track file built in memory.
#include "commands/command_processor.h"
#include "console/console_output.h"
#include "midibind/midi_binding.h"

int CommandProcessor::CreateTestMidi() {
  if (m_pMIDIData != nullptr) {
    m_pConsole->WriteLine("m_pMIDIData != NULL");
    CloseFile();
    m_pConsole->WriteLine("closed.");
  }
  m_pMIDIData = midilib::MIDIData_Create(1, 2, MIDIDATA_TPQNBASE, 480);
  if (m_pMIDIData == nullptr) {
    Fail("Failed Create MIDI.\n");
    return 0;
  }
  m_pConsole->WriteLine("created.");

  MIDITrack* pTempoTrack = midilib::MIDIData_GetFirstTrack(m_pMIDIData);
  if (!midilib::MIDITrack_InsertTempo(pTempoTrack, 0, 500000)) {
    Fail("Failed Insert Tempo.");
  }
  midilib::MIDITrack_InsertEndofTrack(pTempoTrack, 480);

  MIDITrack* pNoteTrack = midilib::MIDITrack_GetNextTrack(pTempoTrack);
  midilib::MIDITrack_InsertEndofTrack(pNoteTrack, 0);
  if (!midilib::MIDITrack_InsertProgramChange(pNoteTrack, 0, 0, 0)) {
    Fail("Failed Insert ProgramChange.");
  }
  if (!midilib::MIDITrack_InsertNote(pNoteTrack, 0, 0, 60, 100, 120)) {
    Fail("Failed Insert Notes.");
  }
  if (!midilib::MIDITrack_InsertNote(pNoteTrack, 10, 0, 60, 100, 120)) {
    Fail("Failed Insert Notes.");
  }
  // Created tracks are not prepared like an opened file; their number is
  // their position, so "show" in "track>" tells them apart.
  midilib::MIDITrack_SetNumber(pTempoTrack, 0);
  midilib::MIDITrack_SetNumber(pNoteTrack, 1);

  EnterMidiMode();
  return 1;
}
