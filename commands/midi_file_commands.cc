// The MIDI file commands: Open (with the preparation of the loaded data),
// Close, show in "midi>" and "track>", and the track command.
#include <cstdio>
#include <string>
#include <vector>

#include "commands/command_processor.h"
#include "console/console_output.h"
#include "files/path_parts.h"
#include "midibind/midi_binding.h"
#include "midilib/file_text.h"

namespace {

constexpr int kFileTextSize = 2048;   // title, copyright, comment
constexpr int kTrackNameSize = 256;
constexpr int kCheckTextSize = 256;

// The part of the path behind its last '/' or '\', or the whole path: a
// path typed for either system shows the file's name alone.
std::string FileNameOf(const char* pszPath) { return SplitPath(pszPath, "/\\").strName; }

// What the library says of the file: why it didn't load, or what is
// missing from it although it did.
long CheckFile(const char* pszPath, std::string* pText) {
  char szText[kCheckTextSize] = "";
  if (midilib::MIDIData_CheckSMF == nullptr) return MIDIDATA_CHECK_WHOLE;  // a fake library
  long nResult = midilib::MIDIData_CheckSMF(pszPath, szText, kCheckTextSize);
  *pText = ToDisplayText(szText);
  return nResult;
}

}  // namespace

Status CommandProcessor::OpenFile(const char* pszPath, std::vector<std::string>* pWarnings) {
  CloseFile();
  m_pMIDIData = midilib::MIDIData_LoadFromSMF(pszPath);
  std::string strCheck;
  long nCheck = CheckFile(pszPath, &strCheck);
  if (m_pMIDIData == nullptr) {
    // The check reads the file apart from the load; should it see nothing
    // wrong, the load's verdict still stands.
    if (nCheck == MIDIDATA_CHECK_WHOLE || nCheck == MIDIDATA_CHECK_DAMAGED) {
      strCheck = "not readable as a Standard MIDI File";
    }
    Status failure = Fail("Cannot Open File.", strCheck);
    if (m_mode == Mode::kMidi || m_mode == Mode::kTrack) {
      EnterRootMode();
    }
    return failure;
  }
  m_pConsole->WriteLine("File Open \"%s\".",
                        ToDisplayText(FileNameOf(pszPath).c_str()).c_str());
  // What is missing from the file is told right under the line that names it.
  if (nCheck == MIDIDATA_CHECK_DAMAGED) {
    Warn(strCheck);
    if (pWarnings != nullptr) pWarnings->push_back(strCheck);
  }
  m_pConsole->WriteLine("");
  Status prepared = PrepareMidiData(m_pMIDIData);
  if (!prepared.IsOk()) return prepared;
  ShowMidiInfo();
  EnterMidiMode();
  return Status::Ok();
}

Status CommandProcessor::PrepareMidiData(MIDIData* pMIDIData) {
  if (pMIDIData == nullptr) return Fail("pMIDIData == NULL", "no MIDI data to prepare");
  bool bConverted = false;
  long nFormat = midilib::MIDIData_GetFormat(pMIDIData);
  if (nFormat == 2) {
    Status failure = Fail("Not Support SMF Format 2.", "format 2 holds independent patterns");
    CloseFile();
    return failure;
  }
  if (nFormat == 0) {
    m_pConsole->WriteLine("SMF Format = 0");
    if (!midilib::MIDIData_SetFormat(pMIDIData, 1)) {
      Status failure = Fail("Failed Convert SMF Format 1");
      CloseFile();
      return failure;
    }
    m_pConsole->WriteLine("Convert to SMF Format 1");
    bConverted = true;
  }
  m_pConsole->WriteLine("");

  // The conversion spreads the events over one track per channel; the
  // channels not used are left with only their end of track. A file that
  // was format 1 keeps its tracks as its author made them.
  if (bConverted) {
    MIDITrack* pTrack = midilib::MIDIData_GetFirstTrack(pMIDIData);
    while (pTrack != nullptr) {
      MIDITrack* pNext = midilib::MIDITrack_GetNextTrack(pTrack);
      MIDIEvent* pFirst = midilib::MIDITrack_GetFirstEvent(pTrack);
      if (pFirst != nullptr && midilib::MIDIEvent_IsEndofTrack(pFirst)) {
        midilib::MIDITrack_Delete(pTrack);
      }
      pTrack = pNext;
    }
  }

  long nNumber = 0;
  for (MIDITrack* pTrack = midilib::MIDIData_GetFirstTrack(pMIDIData);
       pTrack != nullptr; pTrack = midilib::MIDITrack_GetNextTrack(pTrack)) {
    CombineNotes(pTrack);
    midilib::MIDITrack_SetNumber(pTrack, nNumber++);
  }
  return Status::Ok();
}

int CommandProcessor::CloseFile() {
  if (m_pMIDIData != nullptr) {
    midilib::MIDIData_Delete(m_pMIDIData);
    m_pConsole->WriteLine("closed.");
    // The current track and the export-ready flag belong to the data just
    // freed: a handle to it must not be kept, and the next data needs its
    // own piano-roll conversion before it can be exported.
    m_pMIDITrack = nullptr;
    m_bFileReady = 0;
    ResetDumpCursor();
  }
  m_pMIDIData = nullptr;
  if (m_mode == Mode::kMidi || m_mode == Mode::kTrack) {
    EnterRootMode();
  }
  return 1;
}

int CommandProcessor::ShowMidiInfo() {
  if (m_pMIDIData == nullptr) {
    Fail("m_pMIDIData == NULL", "no MIDI file is open");
    return 0;
  }
  char szText[kFileTextSize] = "";
  m_pConsole->WriteLine("*** Information MIDI File ***");
  m_pConsole->WriteLine(
      "Title = \"%s\"\n",
      ToDisplayText(midilib::MIDIData_GetTitle(m_pMIDIData, szText, kFileTextSize)).c_str());
  szText[0] = '\0';
  m_pConsole->WriteLine(
      "Copyright = \"%s\"\n",
      ToDisplayText(midilib::MIDIData_GetCopyright(m_pMIDIData, szText, kFileTextSize)).c_str());
  szText[0] = '\0';
  m_pConsole->WriteLine(
      "Comment = \"%s\"\n",
      ToDisplayText(midilib::MIDIData_GetComment(m_pMIDIData, szText, kFileTextSize)).c_str());
  m_pConsole->WriteLine("Time Mode = %d\n",
                        static_cast<int>(midilib::MIDIData_GetTimeMode(m_pMIDIData)));
  m_pConsole->WriteLine("Time Resolution = %d\n",
                        static_cast<int>(midilib::MIDIData_GetTimeResolution(m_pMIDIData)));
  m_pConsole->WriteLine("Track Count = %d\n",
                        static_cast<int>(midilib::MIDIData_GetNumTrack(m_pMIDIData)));
  m_pConsole->WriteLine("");
  int nPosition = 0;
  for (MIDITrack* pTrack = midilib::MIDIData_GetFirstTrack(m_pMIDIData);
       pTrack != nullptr; pTrack = midilib::MIDITrack_GetNextTrack(pTrack)) {
    m_pConsole->WriteLine("[Track] %03d %s ", nPosition++, TrackName(pTrack).c_str());
  }
  m_pConsole->WriteLine("");
  return 1;
}

MIDITrack* CommandProcessor::FindTrack(MIDIData* pMIDIData, int nTrack) {
  if (pMIDIData == nullptr) {
    Fail("m_pMIDIData == NULL", "no MIDI file is open");
    return nullptr;
  }
  long nCount = midilib::MIDIData_GetNumTrack(pMIDIData);
  if (nTrack < 0 || nTrack > nCount - 1) {
    char szReason[64];
    if (nCount == 0) {
      snprintf(szReason, sizeof szReason, "the file has no track");
    } else {
      snprintf(szReason, sizeof szReason, "the tracks are 0 to %ld", nCount - 1);
    }
    Fail("invalid track number.", szReason);
    return nullptr;
  }
  MIDITrack* pTrack = midilib::MIDIData_GetFirstTrack(pMIDIData);
  for (int i = 0; i < nTrack && pTrack != nullptr; ++i) {
    pTrack = midilib::MIDITrack_GetNextTrack(pTrack);
  }
  return pTrack;
}

int CommandProcessor::SelectTrack(int nTrack) {
  m_pMIDITrack = FindTrack(m_pMIDIData, nTrack);
  if (m_pMIDITrack == nullptr) return 0;
  m_pConsole->WriteLine("move to track %d.", nTrack);
  SetMode(Mode::kTrack);
  return 1;
}

std::string CommandProcessor::TrackName(MIDITrack* pTrack) {
  char szName[kTrackNameSize] = "";
  return ToDisplayText(midilib::MIDITrack_GetName(pTrack, szName, kTrackNameSize));
}

bool CommandProcessor::HasCurrentTrack() {
  if (m_pMIDIData == nullptr) {
    Fail("m_pMIDIData == NULL", "no MIDI file is open");
    return false;
  }
  if (m_pMIDITrack == nullptr) {
    Fail("m_pMIDITrack == NULL", "no track is selected");
    return false;
  }
  return true;
}

int CommandProcessor::CurrentTrackPosition() const {
  if (m_pMIDIData == nullptr || m_pMIDITrack == nullptr) return -1;
  int nPosition = 0;
  for (MIDITrack* pTrack = midilib::MIDIData_GetFirstTrack(m_pMIDIData); pTrack;
       pTrack = midilib::MIDITrack_GetNextTrack(pTrack), ++nPosition) {
    if (pTrack == m_pMIDITrack) return nPosition;
  }
  return -1;
}

int CommandProcessor::ShowTrackInfo() {
  if (!HasCurrentTrack()) return 0;
  m_pConsole->WriteLine("*** Information MIDI Track %d ***",
                        static_cast<int>(midilib::MIDITrack_GetNumber(m_pMIDITrack)));
  m_pConsole->WriteLine("Track Name:%s", TrackName(m_pMIDITrack).c_str());
  m_pConsole->WriteLine("Event Count:%d",
                        static_cast<int>(midilib::MIDITrack_GetNumEvent(m_pMIDITrack)));
  m_pConsole->WriteLine("");
  return 1;
}
