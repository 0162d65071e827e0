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

#include "app/app_run.h"
#include "platform/messages.h"
#include "platform/qt/qt_back_end.h"
#include "resources/app_icon.h"
#include "resources/dialog_template.h"

namespace {

// The Qt back end, from the binding to the end of the loop. It finds the
// main dialog itself when the dialog is shown.
class CQtFrontEnd : public CFrontEnd {
 public:
  void Start() override {
    m_pBackEnd = std::make_unique<CQtBackEnd>(kMainDialogTemplate);
  }
  void Stop() override { m_pBackEnd.reset(); }

 private:
  std::unique_ptr<CQtBackEnd> m_pBackEnd;
};

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setWindowIcon(LoadApplicationIcon());
  // The loop ends the program, not the last window closing.
  QApplication::setQuitOnLastWindowClosed(false);
  CQtFrontEnd frontEnd;
  return RunProgram(nullptr, SW_SHOWNORMAL, &frontEnd);
}
