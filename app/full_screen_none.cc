#include "app/full_screen.h"

// This build draws on no terminal: a terminal is typed at line by line, as
// the console of Windows is, with its own line editing and history.
std::unique_ptr<CFrontEnd> MakeFullScreenFrontEnd(const StartSettings& start) { return nullptr; }
