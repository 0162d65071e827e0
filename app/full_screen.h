// The dialog drawn full screen on the terminal of standard input and
// output, where this build has a front end that draws on terminals
// (full_screen_curses.cc: ncurses) and none elsewhere (full_screen_none.cc),
// chosen by the build.
#ifndef SONOMOT_APP_FULL_SCREEN_H_
#define SONOMOT_APP_FULL_SCREEN_H_

#include <memory>

#include "app/app_run.h"

struct StartSettings;

// The front end that draws on the terminal of standard input and output,
// or null when that terminal can't be drawn on full screen (it is then
// typed at line by line). start must outlive the front end.
// REQUIRES: standard input and output are terminals.
std::unique_ptr<CFrontEnd> MakeFullScreenFrontEnd(const StartSettings& start);

#endif  // SONOMOT_APP_FULL_SCREEN_H_
