#include "commands/command_processor.h"

#include <initializer_list>

#include "commands/command_args.h"
#include "commands/reason_lines.h"
#include "console/console_output.h"
#include "console/display_width.h"
#include "midibind/midi_binding.h"

namespace {

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

void CommandProcessor::SetMode(Mode mode) {
  m_mode = mode;
  m_pConsole->SetPrompt(PromptOf(mode));
}

int CommandProcessor::EnterRootMode() {
  SetMode(Mode::kRoot);
  return 1;
}

int CommandProcessor::EnterConfMode() {
  SetMode(Mode::kConf);
  return 1;
}

int CommandProcessor::EnterMidiMode() {
  if (m_pMIDIData == nullptr) return 0;
  SetMode(Mode::kMidi);
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
  // The first row that fits the line carries it out.
  for (const CommandRow& row : GetCommandTable()) {
    if (row.pfnRun == nullptr || !row.Fits(*m_pArgs, m_mode)) continue;
    row.pfnRun(this, *m_pArgs);
    return m_outcome.bFailed ? 0 : 1;
  }
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
