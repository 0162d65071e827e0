// MessageBoxA of the window program: a modal Qt message box with the text
// and an OK button. A null caption leaves the title to the system (Qt shows
// the application's name), as the program passes none of its own.
#include <QApplication>
#include <QMessageBox>

#include "platform/message_box.h"
#include "platform/messages.h"

int MessageBoxA(HWND, const char* pszText, const char* pszCaption, UINT) {
  QMessageBox box;
  box.setIcon(QMessageBox::NoIcon);
  box.setText(QString::fromUtf8(pszText != nullptr ? pszText : ""));
  if (pszCaption != nullptr) box.setWindowTitle(QString::fromUtf8(pszCaption));
  box.setStandardButtons(QMessageBox::Ok);
  box.exec();
  return IDOK;
}
