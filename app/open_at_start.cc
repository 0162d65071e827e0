#include "app/open_at_start.h"

#include <cstdio>

#include "app/main_dlg.h"

void OpenAtStart(CMainDlg* pDlg, const std::string& path, const char* pszProgram) {
  if (path.empty()) return;
  // A typed line ends at '#' and a quote can't be inside quotes: such a
  // path would open another file, or none, so it isn't typed at all.
  if (path.find_first_of("\"#\r\n") != std::string::npos) {
    std::fprintf(stderr, "%s: %s is not opened: a path with \" or # can't be typed at the console\n",
                 pszProgram, path.c_str());
    return;
  }
  pDlg->TypeLine("Open \"" + path + "\"");
}
