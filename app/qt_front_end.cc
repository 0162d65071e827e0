#include "app/qt_front_end.h"

#include "resources/dialog_template.h"

void CQtFrontEnd::Start() {
  m_pBackEnd = std::make_unique<CQtBackEnd>(kMainDialogTemplate);
}

void CQtFrontEnd::Stop() { m_pBackEnd.reset(); }
