// Start-up and shutdown shared by both programs.
#ifndef SONOMOT_APP_APP_RUN_H_
#define SONOMOT_APP_APP_RUN_H_

#include "platform/win_types.h"

// Registers a message loop, creates and shows the main dialog and runs the
// loop. Returns the loop's result (1 for OK, 2 for Cancel), or 0 when the
// dialog can't be created (nothing is shown, no loop runs).
int Run(int nCmdShow);

// The whole start-up and shutdown around Run: binds the MIDI data library
// (on failure returns 0 at once; the binding has shown its message),
// initialises the module, calls Run, terminates the module and unbinds the
// library last. pfnStartBackEnd runs after the binding and before the
// module (the terminal is taken over only once the library is there);
// pfnStopBackEnd after the module is terminated, before the unbinding. Both
// may be null.
int RunProgram(HINSTANCE hInstance, int nCmdShow, void (*pfnStartBackEnd)(),
               void (*pfnStopBackEnd)());

#endif  // SONOMOT_APP_APP_RUN_H_
