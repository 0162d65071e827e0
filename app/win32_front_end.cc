#include "app/win32_front_end.h"

#include "app/open_at_start.h"
#include "resources/dialog_template.h"

bool CWin32FrontEnd::Start() {
  m_pBackEnd = std::make_unique<CWin32BackEnd>(kMainDialogTemplate, m_nShowCommand);
  return true;
}

void CWin32FrontEnd::Stop() { m_pBackEnd.reset(); }

void CWin32FrontEnd::Attach(CMainDlg* pDlg) {
  OpenAtStart(pDlg, m_strOpenAtStart, "sonomot");
}
