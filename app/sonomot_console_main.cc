// sonomot-console: the main dialog and its console in a terminal.
//
// With a terminal on standard input and output that can be drawn on, the
// dialog is drawn full screen and typed at (app/full_screen.h). Otherwise (a file, a pipe, a dumb terminal) standard
// input is a script: each line is typed into the console followed by Enter, and what
// the console shows goes to standard output (frontends/term/
// script_event_source.h); the end of the input closes the dialog as its
// close box would. A scripted line that fails is also reported on standard
// error: "sonomot-console: line N: LINE: MESSAGE (REASON)", and so is a
// dump still waiting for Yes or No when the input ends.
//
// Given files on its command line, it converts them without a session
// (app/console_options.h). Exit statuses: app/exit_status.h.
#include <cstdio>
#include <memory>
#include <string>

#include "app/app_run.h"
#include "app/command_line.h"
#include "app/console_options.h"
#include "app/exit_status.h"
#include "app/full_screen.h"
#include "app/main_dlg.h"
#include "commands/settings_file.h"
#include "console/edit_buffer.h"
#include "console/edit_control.h"
#include "frontends/term/script_event_source.h"
#include "midibind/midi_binding.h"
#include "platform/event_source.h"
#include "platform/standard_streams.h"

namespace {

// Lines read from standard input. From a script, each failure is reported
// on standard error and fails the session; typed at a terminal that can't
// be drawn on, the session ends normally whatever was typed.
class CScriptFrontEnd : public CFrontEnd {
 public:
  CScriptFrontEnd(const StartSettings& start, bool bScript)
      : m_start(start), m_source(stdin, stdout), m_bScript(bScript) {
    // Typed at, the terminal shows each line as it is typed.
    m_source.SetInputEchoed(!bScript && EchoesTypedLines(stdin));
  }
  bool Start() override {
    SetEventSource(&m_source);
    return true;
  }
  // Standard output is the session's transcript: what the saved settings
  // did goes beside it, to standard error.
  bool TakesNotices() const override { return true; }
  void Notice(const std::string& strLine) override {
    std::fprintf(stderr, "sonomot-console: %s\n", strLine.c_str());
  }
  void Attach(CMainDlg* pDlg) override {
    HWND hConsole = pDlg->GetDlgItem(CMainDlg::IDC_CONSOLE);
    m_source.SetTarget(pDlg->m_hWnd, hConsole, GetEditBuffer(hConsole));
    // The banner and first prompt are already written: show them, then
    // everything written from now on.
    m_source.OnConsoleWrite(GetEditBuffer(hConsole) != nullptr
                                ? GetEditBuffer(hConsole)->GetText()
                                : std::string());
    pDlg->GetConsole().SetWriteListener(
        [this](std::string_view text) { m_source.OnConsoleWrite(text); });
    if (m_bScript) {
      pDlg->SetLineListener([this, pDlg](const char* pszLine, const CommandOutcome& outcome) {
        ReportLine(pszLine, outcome);
        FollowDump(pszLine, *pDlg->GetCommandProcessor());
      });
    }
  }
  const StartSettings* GetStartSettings() const override { return &m_start; }
  void Stop() override {
    SetEventSource(nullptr);
    m_source.Finish();
    if (m_bDumpWaiting) ReportDumpLeftWaiting();
  }
  bool IsTypedAt() const override { return !m_bScript; }

  bool AnyLineFailed() const { return m_bAnyFailed; }
  bool HasWriteError() const { return m_source.HasWriteError(); }

 private:
  void ReportLine(const char* pszLine, const CommandOutcome& outcome) {
    int nLine = m_source.GetLineNumber();
    for (const std::string& warning : outcome.warnings) {
      std::fprintf(stderr, "sonomot-console: line %d: %s: warning: %s\n", nLine, pszLine,
                   warning.c_str());
    }
    if (outcome.bFailed) {
      m_bAnyFailed = true;
      std::fprintf(stderr, "sonomot-console: line %d: %s: %s", nLine, pszLine,
                   outcome.strMessage.c_str());
      if (!outcome.strReason.empty()) std::fprintf(stderr, " (%s)", outcome.strReason.c_str());
      std::fputc('\n', stderr);
    }
    std::fflush(stderr);
  }

  // A dump that asks "Continue?" takes every later line as its answer
  // until one is Yes or No. Follows the dump begun last: its line, and the
  // lines since taken as wrong answers (they only asked again).
  void FollowDump(const char* pszLine, const CommandProcessor& processor) {
    if (!processor.IsWaitingAnswer()) {
      m_bDumpWaiting = false;
      return;
    }
    if (!m_bDumpWaiting) {
      m_bDumpWaiting = true;
      m_nDumpLine = m_source.GetLineNumber();
      m_strDumpLine = pszLine;
      m_nWrongAnswers = 0;
    } else if (processor.GetDumpPos() == m_nDumpPos) {
      ++m_nWrongAnswers;
    }
    m_nDumpPos = processor.GetDumpPos();
  }

  // The input ended while the dump waited: the script didn't run as
  // written.
  void ReportDumpLeftWaiting() {
    m_bAnyFailed = true;
    std::fprintf(stderr,
                 "sonomot-console: line %d: %s: Continue? please input Yes/No (the input "
                 "ended while it waited for Yes or No",
                 m_nDumpLine, m_strDumpLine.c_str());
    if (m_nWrongAnswers > 0) {
      std::fprintf(stderr, "; %d later %s taken as %s", m_nWrongAnswers,
                   m_nWrongAnswers == 1 ? "line was" : "lines were",
                   m_nWrongAnswers == 1 ? "a wrong answer" : "wrong answers");
    }
    std::fputs(")\n", stderr);
    std::fflush(stderr);
  }

  const StartSettings& m_start;
  CScriptEventSource m_source;
  bool m_bScript;
  bool m_bAnyFailed = false;
  bool m_bDumpWaiting = false;
  int m_nDumpLine = 0;
  std::string m_strDumpLine;
  int m_nDumpPos = 0;
  int m_nWrongAnswers = 0;
};

int ConvertGivenFiles(const ConsoleOptions& options, const StartSettings& start) {
  if (!BindMidiDataLibrary()) return kExitFailure;
  int nExit = ConvertFiles(options, start, stdout, stderr);
  ReleaseMidiDataLibrary();
  if (FinishOutput(kConsoleUsage, stdout) != kExitOk) return kExitFailure;
  return nExit;
}

}  // namespace

int main(int argc, char** argv) {
  PrepareStandardStreams();
  std::string settingOptions = DescribeSettingOptions();
  int nExit = AnswerInfoOptions(argc, argv, kConsoleUsage, stdout, settingOptions.c_str());
  if (nExit != kRunProgram) return nExit;
  // The settings file is read once, here, and the options set over it.
  StartSettings start = ReadSavedSettings();
  ConsoleOptions options;
  nExit = ParseConsoleOptions(argc, argv, &options, &start, stderr);
  if (nExit != kRunProgram) return nExit;
  // A motion is bytes no terminal shows.
  if (options.strOutput == "-" && IsTerminal(stdout)) {
    return RefuseUsage(kConsoleUsage, "-o - writes the motion to standard output: not to a terminal",
                       stderr);
  }
  if (!options.files.empty()) return ConvertGivenFiles(options, start);

  // A terminal that can't be drawn on (TERM=dumb) is typed at line by line,
  // as a script is.
  bool bTypedAt = IsTerminal(stdin);
  if (bTypedAt && IsTerminal(stdout)) {
    // Typed at: a session ends normally whatever was typed.
    if (std::unique_ptr<CFrontEnd> pFullScreen = MakeFullScreenFrontEnd(start)) {
      return RunProgram(nullptr, SW_SHOW, pFullScreen.get());
    }
  }
  CScriptFrontEnd frontEnd(start, !bTypedAt);
  nExit = RunProgram(nullptr, SW_SHOW, &frontEnd);
  if (nExit != kExitOk) return nExit;
  if (frontEnd.HasWriteError()) {
    std::fputs("sonomot-console: standard output can't be written\n", stderr);
    return kExitFailure;
  }
  return frontEnd.AnyLineFailed() ? kExitFailure : kExitOk;
}
