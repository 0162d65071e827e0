// sonomot: the window program. The same dialog, console and command
// processor as the terminal program, shown by the Qt back end.
//
// Start-up and shutdown are the shared ones (app_run.h): binding the MIDI
// data library first (a failure shows its message box and ends the program
// with exit code 0 before any window exists), then the back end, the module,
// the dialog and its loop. The command line is not read; Qt takes its own
// options (-platform, -display) from it.
#include <QApplication>

#include <memory>

#include "app/qt_front_end.h"
#include "app/window_display.h"
#include "platform/messages.h"
#include "resources/app_icon.h"

int main(int argc, char** argv) {
  // No display to show the window on is a failed start-up: exit code 0.
  if (!CheckWindowDisplay(argc, argv)) return 0;
  auto pStartGuard = std::make_unique<CQtStartGuard>();
  QApplication app(argc, argv);
  pStartGuard.reset();
  QApplication::setWindowIcon(LoadApplicationIcon());
  // The loop ends the program, not the last window closing.
  QApplication::setQuitOnLastWindowClosed(false);
  CQtFrontEnd frontEnd;
  return RunProgram(nullptr, SW_SHOWNORMAL, &frontEnd);
}
