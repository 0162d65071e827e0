// Start-up and shutdown shared by both programs.
#ifndef SONOMOT_APP_APP_RUN_H_
#define SONOMOT_APP_APP_RUN_H_

#include <string>

#include "platform/win_types.h"

class CMainDlg;
struct StartSettings;

// What a program adds around the frame: its back end. Start runs once the
// library is bound (so a binding failure shows no screen) and returns false,
// after saying why on standard error, when the back end can't be used;
// Attach runs once the main dialog exists, Stop after the loop has ended
// and the module is terminated, before the library is unbound (also after
// a failed Start).
class CFrontEnd {
 public:
  virtual ~CFrontEnd() = default;
  virtual bool Start() { return true; }
  virtual void Attach(CMainDlg* pDlg) {}
  virtual void Stop() {}
  // True when the front end shows the start-up notices (about the saved
  // settings) itself, through Notice; otherwise the console shows them.
  virtual bool TakesNotices() const { return false; }
  virtual void Notice(const std::string& strLine) {}
  // The settings the dialog starts with, when the program has read them
  // (with its options set over them); null lets the dialog read them.
  virtual const StartSettings* GetStartSettings() const { return nullptr; }
  // True when someone types at the console and reads it (the window, the
  // terminal drawn full screen or typed at line by line): the reasons of
  // failures and the warnings about damaged files are then console lines
  // too. A script's transcript holds only the answers.
  virtual bool IsTypedAt() const { return false; }
};

// Registers a message loop, creates and shows the main dialog (handing it to
// pFrontEnd->Attach when given) and runs the loop. Returns the loop's result
// (1 for OK, 2 for Cancel), or 0 when the dialog can't be created (nothing
// is shown, no loop runs).
int Run(int nCmdShow, CFrontEnd* pFrontEnd = nullptr);

// The whole start-up and shutdown around Run: binds the MIDI data library,
// starts the front end, initialises the module, runs, terminates the
// module, stops the front end and unbinds the library last. pFrontEnd may
// be null. Returns the program's exit status (app/exit_status.h):
// kExitOk when the dialog ran and ended, whichever way; kExitFailure when
// the library can't be bound (the binding has shown its message), the
// front end can't start, or the dialog can't be created.
int RunProgram(HINSTANCE hInstance, int nCmdShow, CFrontEnd* pFrontEnd);

#endif  // SONOMOT_APP_APP_RUN_H_
