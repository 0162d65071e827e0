#include "commands/command_processor.h"

#include <cstring>
#include <initializer_list>

#include "commands/command_args.h"
#include "commands/reason_lines.h"
#include "console/console_output.h"
#include "console/display_width.h"
#include "midibind/midi_binding.h"
#include "platform/window.h"

namespace {

constexpr char kRootPrompt[] = "root>";
constexpr char kMidiPrompt[] = "midi>";
constexpr char kTrackPrompt[] = "track>";
constexpr char kConfPrompt[] = "conf>";

// True if argument 0 is any of the words and there are at least nMinCount
// arguments.
bool IsAnyCommand(const CommandArgs& args, std::initializer_list<const char*> words,
                  int nMinCount) {
  for (const char* pszWord : words) {
    if (args.IsCommand(pszWord, nMinCount)) return true;
  }
  return false;
}

}  // namespace

CommandProcessor::CommandProcessor(ConsoleOutput* pConsole, HWND hMainWnd)
    : m_pConsole(pConsole), m_hMainWnd(hMainWnd) {}

CommandProcessor::~CommandProcessor() {
  // Loaded data would otherwise be left to the end of the process; the
  // library is still bound while the processor exists.
  if (m_pMIDIData != nullptr && midilib::MIDIData_Delete != nullptr) {
    midilib::MIDIData_Delete(m_pMIDIData);
  }
}

bool CommandProcessor::IsMode(const char* pszPrompt) const {
  return m_pConsole->GetPrompt() == pszPrompt;
}

int CommandProcessor::EnterRootMode() {
  m_pConsole->SetPrompt(kRootPrompt);
  return 1;
}

int CommandProcessor::EnterConfMode() {
  m_pConsole->SetPrompt(kConfPrompt);
  return 1;
}

int CommandProcessor::EnterMidiMode() {
  if (m_pMIDIData == nullptr) return 0;
  m_pConsole->SetPrompt(kMidiPrompt);
  return 1;
}

void CommandProcessor::ResetDumpCursor() {
  m_pDumpCursorTrack = nullptr;
  m_pDumpCursorEvent = nullptr;
  m_nDumpCursorPos = -1;
}

void CommandProcessor::AskToContinue() {
  m_pConsole->WriteLine("");
  m_pConsole->WriteLine("Continue? please input Yes/No");
  m_pConsole->WriteLine("");
}

void CommandProcessor::WriteFitted(const std::string& strLine, size_t nIndent) {
  for (const std::string& strPart : WrapToWidth(strLine, kConsoleColumns, nIndent)) {
    m_pConsole->WriteLine("%s", strPart.c_str());
  }
}

Status CommandProcessor::Fail(const char* pszMessage, const std::string& strReason) {
  m_pConsole->WriteLine("%s", pszMessage);
  KeepFailure(pszMessage, strReason);
  ShowReason(strReason);
  return Status::Failed(pszMessage, strReason);
}

void CommandProcessor::KeepFailure(const std::string& strMessage, const std::string& strReason) {
  if (m_outcome.bFailed) return;
  m_outcome.bFailed = true;
  m_outcome.strMessage = strMessage;
  m_outcome.strReason = strReason;
}

void CommandProcessor::Warn(const std::string& strWarning) {
  m_outcome.warnings.push_back(strWarning);
  ShowReason("warning: " + strWarning);
}

void CommandProcessor::ShowReason(const std::string& strReason) {
  if (!m_bReasonsShown || strReason.empty()) return;
  for (const std::string& strLine : ReasonLines(strReason)) {
    m_pConsole->WriteLine("%s", strLine.c_str());
  }
}

int CommandProcessor::Dispatch(CommandArgs* pArgs) {
  m_pArgs = pArgs;
  m_outcome = CommandOutcome();
  if (m_pArgs->GetCount() == 0 && m_nWaitAnswer == 0) return 1;
  if (m_nWaitAnswer == 1) {
    DispatchAnswer();
    return 1;
  }
  // Only the answer to a dump's question continues from the dump's cursor;
  // any command may change or free the events it points to.
  ResetDumpCursor();
  if (DispatchModeCommand() || DispatchCommand()) return m_outcome.bFailed ? 0 : 1;
  Fail("invalid command.", ExplainInvalidCommand());
  return 0;
}

void CommandProcessor::DispatchAnswer() {
  if (IsAnyCommand(*m_pArgs, {"Yes", "Ye", "Y"}, 1)) {
    DumpTrack(m_nDumpPos);
  } else if (IsAnyCommand(*m_pArgs, {"No", "N"}, 1)) {
    m_nWaitAnswer = 0;
    ResetDumpCursor();
  } else {
    AskToContinue();
  }
}

bool CommandProcessor::DispatchModeCommand() {
  const CommandArgs& args = *m_pArgs;
  if (args.IsCommand("Root", 1)) {
    EnterRootMode();
  } else if (args.IsCommand("Conf", 1)) {
    EnterConfMode();
  } else if (IsAnyCommand(args, {"midi", "mid", "mi"}, 1)) {
    EnterMidiMode();
  } else if (IsAnyCommand(args, {"track", "trac", "tra", "tr"}, 2)) {
    SelectTrack(args.GetInt(1));
  } else {
    return false;
  }
  return true;
}

bool CommandProcessor::DispatchCommand() {
  const CommandArgs& args = *m_pArgs;
  if (IsMode(kRootPrompt) && args.IsCommand("Create", 2) &&
      args.IsArg(1, "Midi")) {
    CreateTestMidi();
  } else if (IsMode(kMidiPrompt) && args.IsCommand("conv", 2) &&
             (args.IsArg(1, "pianoroll") || args.IsArg(1, "pr"))) {
    ConvertPianoRoll(m_pMIDIData);
  } else if (IsMode(kTrackPrompt) &&
             IsAnyCommand(args, {"dump", "dum", "du"}, 1)) {
    m_nDumpPos = 0;
    DumpTrack(0);
  } else if ((IsMode(kTrackPrompt) || IsMode(kMidiPrompt)) &&
             IsAnyCommand(args, {"export", "expor", "expo", "exp", "ex"}, 2)) {
    ForgetLastExport();
    if (m_bFileReady != 1) {
      Fail("file not ready.", "conv pr has not been run on the loaded file");
    } else if (IsMode(kTrackPrompt)) {
      ExportTrack(args.GetArg(1));
    } else {
      std::vector<int> tracks;
      for (int i = 2; i < args.GetCount(); ++i) tracks.push_back(args.GetInt(i));
      ExportMergedTracks(args.GetArg(1), tracks);
    }
  } else if (IsMode(kMidiPrompt) && args.IsCommand("info", 1)) {
    ShowTracksInfo();
  } else if (IsMode(kTrackPrompt) && args.IsCommand("info", 1)) {
    ShowTrackExportInfo();
  } else if (IsMode(kConfPrompt) && DispatchSettingCommand()) {
    // An export setting, changed or refused.
  } else if (args.IsCommand("help", 1)) {
    ShowHelp(args.GetCount() > 1 ? args.GetArg(1) : nullptr);
  } else if (args.IsCommand("Open", 2)) {
    OpenFile(args.GetArg(1));
  } else if (args.IsCommand("Close", 1)) {
    CloseFile();
  } else if (args.IsCommand("show", 1)) {
    if (IsMode(kMidiPrompt)) {
      ShowMidiInfo();
    } else if (IsMode(kTrackPrompt)) {
      ShowTrackInfo();
    } else if (IsMode(kConfPrompt)) {
      ShowConfig();
    } else {
      Fail("invalid command.", "show works in midi>, track> and conf>");
    }
  } else if (args.IsCommand("exit", 1)) {
    // Handled at once: the main window closes before this returns.
    SendMessageA(m_hMainWnd, WM_CLOSE, 0, 0);
  } else {
    return false;
  }
  return true;
}
