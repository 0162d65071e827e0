#include "app/qt_front_end.h"

#include <cstdio>

#include "app/main_dlg.h"
#include "resources/dialog_template.h"

bool CQtFrontEnd::Start() {
  m_pBackEnd = std::make_unique<CQtBackEnd>(kMainDialogTemplate);
  return true;
}

void CQtFrontEnd::Stop() { m_pBackEnd.reset(); }

void CQtFrontEnd::Attach(CMainDlg* pDlg) {
  if (m_strOpenAtStart.empty()) return;
  // A typed line ends at '#' and a quote can't be inside quotes: such a
  // path would open another file, or none, so it isn't typed at all.
  if (m_strOpenAtStart.find_first_of("\"#\r\n") != std::string::npos) {
    std::fprintf(stderr, "sonomot: %s is not opened: a path with \" or # can't be typed at the console\n",
                 m_strOpenAtStart.c_str());
    return;
  }
  pDlg->TypeLine("Open \"" + m_strOpenAtStart + "\"");
}
