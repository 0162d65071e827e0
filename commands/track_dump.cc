// The track dump: 32 events per page, with a Yes/No question between pages.
#include "commands/command_processor.h"
#include "console/console_output.h"
#include "midibind/midi_binding.h"

namespace {
constexpr int kEventTextSize = 1024;
}

int CommandProcessor::DumpTrack(int nStart) {
  if (m_pMIDITrack == nullptr) {
    Fail("m_pMIDITrack == NULL", "no track is selected");
    return 0;
  }
  long nTotal = midilib::MIDITrack_GetNumEvent(m_pMIDITrack);

  // Continue from where the last page stopped when this is its next page;
  // otherwise walk from the first event. A page then costs its 32 events,
  // wherever it is in the track.
  int i = 0;
  MIDIEvent* pEvent;
  if (nStart > 0 && m_pDumpCursorTrack == m_pMIDITrack &&
      m_nDumpCursorPos == nStart) {
    pEvent = m_pDumpCursorEvent;
    i = nStart;
  } else {
    pEvent = midilib::MIDITrack_GetFirstEvent(m_pMIDITrack);
  }
  char szText[kEventTextSize];
  for (; pEvent != nullptr && i < nStart + kDumpPageSize;
       pEvent = midilib::MIDIEvent_GetNextEvent(pEvent), ++i) {
    if (i >= nStart) {
      szText[0] = '\0';
      const char* pszText =
          midilib::MIDIEvent_ToString(pEvent, szText, kEventTextSize);
      m_pConsole->WriteLine("%s", pszText != nullptr ? pszText : "");
    }
  }
  m_nDumpPos = i;
  m_pDumpCursorTrack = m_pMIDITrack;
  m_pDumpCursorEvent = pEvent;
  m_nDumpCursorPos = i;

  if (m_nDumpPos < nTotal) {
    AskToContinue();
    m_nWaitAnswer = 1;
  } else {
    m_pConsole->WriteLine("");
    m_pConsole->WriteLine("__End_of_Dump__");
    m_pConsole->WriteLine("");
    m_nWaitAnswer = 0;
    ResetDumpCursor();
  }
  return 1;
}
