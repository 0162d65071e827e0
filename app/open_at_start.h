// A file given on the window program's command line is opened once the
// dialog is up, as if Open "FILE" had been typed at the console.
#ifndef SONOMOT_APP_OPEN_AT_START_H_
#define SONOMOT_APP_OPEN_AT_START_H_

#include <string>

class CMainDlg;

// Types Open "PATH" and Enter into the dialog's console. A path the console
// can't take (one holding '"', '#' or a line break) is not typed at all:
// standard error says so, in pszProgram's name.
void OpenAtStart(CMainDlg* pDlg, const std::string& path, const char* pszProgram);

#endif  // SONOMOT_APP_OPEN_AT_START_H_
