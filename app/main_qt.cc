// sonomot: the window program. The same dialog, console and command
// processor as the terminal program, shown by the Qt back end.
//
// Start-up and shutdown are the shared ones (app_run.h): binding the MIDI
// data library first (a failure shows its message box and ends the program
// with exit code 0 before any window exists), then the back end, the module,
// the dialog and its loop. --help and --version are answered before Qt
// starts, so they need no display; Qt takes its own options (-platform,
// -display) from the command line, and whatever it leaves is refused.
#include <QApplication>

#include <cstdio>
#include <memory>

#include "app/command_line.h"
#include "app/qt_front_end.h"
#include "app/window_display.h"
#include "platform/messages.h"
#include "resources/app_icon.h"

int main(int argc, char** argv) {
  int nExit = AnswerInfoOptions(argc, argv, kWindowUsage, stdout);
  if (nExit != kRunProgram) return nExit;
  // No display to show the window on is a failed start-up: exit code 0.
  if (!CheckWindowDisplay(argc, argv)) return 0;
  auto pStartGuard = std::make_unique<CQtStartGuard>();
  QApplication app(argc, argv);
  pStartGuard.reset();
  nExit = RefuseArguments(argc, argv, kWindowUsage, stderr);
  if (nExit != kRunProgram) return nExit;
  QApplication::setWindowIcon(LoadApplicationIcon());
  // The loop ends the program, not the last window closing.
  QApplication::setQuitOnLastWindowClosed(false);
  CQtFrontEnd frontEnd;
  return RunProgram(nullptr, SW_SHOWNORMAL, &frontEnd);
}
