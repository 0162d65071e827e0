#include "app/qt_front_end.h"

#include "app/open_at_start.h"
#include "resources/dialog_template.h"

bool CQtFrontEnd::Start() {
  m_pBackEnd = std::make_unique<CQtBackEnd>(kMainDialogTemplate);
  return true;
}

void CQtFrontEnd::Stop() { m_pBackEnd.reset(); }

void CQtFrontEnd::Attach(CMainDlg* pDlg) {
  OpenAtStart(pDlg, m_strOpenAtStart, "sonomot");
}
