// sonomot: the window program. The same dialog, console and command
// processor as the terminal program, shown by the Qt back end.
//
// Start-up and shutdown are the shared ones (app_run.h): binding the MIDI
// data library first (a failure shows its message box and ends the program
// with exit status 1 before any window exists), then the back end, the
// module, the dialog and its loop. --help and --version are answered, and
// a wrong command line refused (64), before Qt starts, so they need no
// display; Qt takes its own options (-platform, -display) from the command
// line. A FILE given is opened at start-up, as if Open "FILE" had been
// typed.
#include <QApplication>

#include <cstdio>
#include <memory>
#include <string>

#include "app/command_line.h"
#include "app/exit_status.h"
#include "app/qt_front_end.h"
#include "app/window_display.h"
#include "platform/messages.h"
#include "resources/app_icon.h"

int main(int argc, char** argv) {
  int nExit = AnswerInfoOptions(argc, argv, kWindowUsage, stdout);
  if (nExit != kRunProgram) return nExit;
  std::string file;
  std::string refusal = ReadWindowArguments(argc, argv, &file);
  if (!refusal.empty()) return RefuseUsage(kWindowUsage, refusal.c_str(), stderr);
  // No display to show the window on is a failed start-up.
  if (!CheckWindowDisplay(argc, argv)) return kExitFailure;
  auto pStartGuard = std::make_unique<CQtStartGuard>();
  QApplication app(argc, argv);
  pStartGuard.reset();
  // What Qt has left must be what was read above, less Qt's options.
  refusal = ReadWindowArguments(argc, argv, &file);
  if (!refusal.empty()) return RefuseUsage(kWindowUsage, refusal.c_str(), stderr);
  QApplication::setWindowIcon(LoadApplicationIcon());
  // The loop ends the program, not the last window closing.
  QApplication::setQuitOnLastWindowClosed(false);
  CQtFrontEnd frontEnd(file);
  return RunProgram(nullptr, SW_SHOWNORMAL, &frontEnd);
}
