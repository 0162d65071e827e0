// Whether the window program can show its window, settled before and while
// Qt starts. Qt ends the process with an abort when its platform can't reach
// a display; a start-up that fails ends with exit code 0 and says why.
#ifndef SONOMOT_APP_WINDOW_DISPLAY_H_
#define SONOMOT_APP_WINDOW_DISPLAY_H_

#include <functional>
#include <string>

// Reads an environment variable: null when it is not set.
using GetEnvFunction = std::function<const char*(const char*)>;

// Why no window can be shown, or "" when Qt may try. The platform Qt will
// use is the one after -platform on the command line, else
// QT_QPA_PLATFORM, else the desktop's own (X or Wayland). Only a platform
// that needs a display server is refused, and only when none is named: X
// (xcb) without -display or DISPLAY, the desktop's own without DISPLAY and
// WAYLAND_DISPLAY. Any other platform, or a list of them ("wayland;xcb"),
// is left to Qt (offscreen and minimal draw without a display).
std::string FindMissingDisplay(int argc, char** argv,
                               const GetEnvFunction& getEnv);

// Lives while the QApplication is constructed: a platform that still can't
// start (a display named but not reachable) ends the program with exit code
// 1 and one line on standard error, where Qt would abort. Qt's other
// messages meanwhile are held and passed on once Qt has started.
// Only one may exist at a time.
class CQtStartGuard {
 public:
  CQtStartGuard();
  ~CQtStartGuard();
  CQtStartGuard(const CQtStartGuard&) = delete;
  CQtStartGuard& operator=(const CQtStartGuard&) = delete;
};

// The window program's check before Qt starts: false, after printing the
// reason on standard error, when no window can be shown.
bool CheckWindowDisplay(int argc, char** argv);

// The window program's arguments: Qt's own options (-platform offscreen,
// -display :1, -reverse, ...), "--" (after which everything is a plain
// argument), and at most one FILE. Returns "" and sets *pFile ("" when none)
// when they can be used, else why not ("unrecognized option '-x'",
// "unexpected argument 'b.mid'"). Settled before Qt starts, so that a wrong
// command line is refused even where no window could be shown.
std::string ReadWindowArguments(int argc, char** argv, std::string* pFile);

#endif  // SONOMOT_APP_WINDOW_DISPLAY_H_
