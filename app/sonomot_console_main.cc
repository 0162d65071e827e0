// sonomot-console: the main dialog and its console in a terminal.
//
// With a terminal on standard input and output that can be drawn on, the
// dialog is drawn full screen and typed at (frontends/term/
// curses_screen.h). Otherwise (a file, a pipe, a dumb terminal) standard
// input is a script: each line is typed into the console followed by Enter, and what
// the console shows goes to standard output (frontends/term/
// script_event_source.h); the end of the input closes the dialog as its
// close box would. Exit codes: 0 when the MIDI data library can't be bound
// (its message on standard error, nothing drawn), else 1 (OK) or 2 (Cancel:
// the close box, Escape, "exit", the end of a script); --help, --version and
// a wrong command line as app/command_line.h says.
#include <unistd.h>

#include <cstdio>
#include <string>

#include "app/app_run.h"
#include "app/command_line.h"
#include "app/main_dlg.h"
#include "console/edit_buffer.h"
#include "console/edit_control.h"
#include "frontends/term/curses_screen.h"
#include "frontends/term/script_event_source.h"
#include "platform/event_source.h"

namespace {

class CTerminalFrontEnd : public CFrontEnd {
 public:
  void Start() override {
    if (!m_screen.Start()) {
      std::fputs("sonomot-console: the terminal can't be used\n", stderr);
      return;
    }
    SetEventSource(&m_screen);
  }
  void Attach(CMainDlg* pDlg) override {
    HWND hConsole = pDlg->GetDlgItem(CMainDlg::IDC_CONSOLE);
    m_screen.SetTarget(pDlg->m_hWnd, hConsole, GetEditBuffer(hConsole));
  }
  void Stop() override {
    SetEventSource(nullptr);
    m_screen.Stop();
  }

 private:
  CCursesScreen m_screen;
};

class CScriptFrontEnd : public CFrontEnd {
 public:
  CScriptFrontEnd() : m_source(stdin, stdout) {}
  void Start() override { SetEventSource(&m_source); }
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
  }
  void Stop() override {
    SetEventSource(nullptr);
    m_source.Finish();
  }

 private:
  CScriptEventSource m_source;
};

}  // namespace

int main(int argc, char** argv) {
  int nExit = HandleCommandLine(argc, argv, kConsoleUsage, stdout, stderr);
  if (nExit != kRunProgram) return nExit;
  // A terminal that can't be drawn on (TERM=dumb) is typed at line by line,
  // as a script is.
  if (isatty(STDIN_FILENO) && isatty(STDOUT_FILENO) &&
      CCursesScreen::CanDrawOn(STDOUT_FILENO)) {
    CTerminalFrontEnd frontEnd;
    return RunProgram(nullptr, SW_SHOW, &frontEnd);
  }
  CScriptFrontEnd frontEnd;
  return RunProgram(nullptr, SW_SHOW, &frontEnd);
}
