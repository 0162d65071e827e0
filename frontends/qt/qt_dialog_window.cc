#include "frontends/qt/qt_dialog_window.h"

#include <QCloseEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QScreen>
#include <algorithm>

#include "frontends/qt/qt_console_view.h"
#include "frontends/qt/qt_fonts.h"
#include "platform/window.h"
#include "resources/app_icon.h"

CQtDialogWindow::CQtDialogWindow(HWND hDlg, const DialogTemplate& layout)
    : QWidget(nullptr,
              Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                  Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      m_hDlg(hDlg) {
  setAttribute(Qt::WA_DeleteOnClose, false);
  setWindowTitle(QString::fromUtf8(layout.pszCaption));
  setWindowIcon(LoadApplicationIcon());

  QFont dialogFont =
      QtFontForPoints(layout.pszFace, layout.nPointSize, layout.nWeight);
  setFont(dialogFont);
  QSize base = DialogBaseUnits(dialogFont);
  auto toPixelsX = [&](int du) { return (du * base.width() + 2) / 4; };
  auto toPixelsY = [&](int du) { return (du * base.height() + 4) / 8; };
  // Fixed: no size handling, no maximise box.
  setFixedSize(toPixelsX(layout.cx), toPixelsY(layout.cy));

  // The strip the console leaves free shows the dialog's own face colour.
  setAutoFillBackground(true);

  const DialogItemTemplate& item = layout.console;
  m_pConsoleView =
      new CQtConsoleView(GetDlgItem(hDlg, item.nID), this);
  m_pConsoleView->setGeometry(toPixelsX(item.x), toPixelsY(item.y),
                              toPixelsX(item.cx), toPixelsY(item.cy));
}

QSize CQtDialogWindow::DialogBaseUnits(const QFont& font) {
  QFontMetrics metrics(font);
  int nLetters = metrics.horizontalAdvance(
      QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
  return QSize((nLetters / 26 + 1) / 2, metrics.height());
}

void CQtDialogWindow::CentreOnScreen() {
  QScreen* pScreen = screen();
  if (pScreen == nullptr) pScreen = QGuiApplication::primaryScreen();
  if (pScreen == nullptr) return;
  QRect area = pScreen->availableGeometry();
  QSize size = frameGeometry().size().expandedTo(this->size());
  int x = area.x() + (area.width() - size.width()) / 2;
  int y = area.y() + (area.height() - size.height()) / 2;
  // Inside the work area, its top left corner first.
  x = std::max(area.left(), std::min(x, area.right() + 1 - size.width()));
  y = std::max(area.top(), std::min(y, area.bottom() + 1 - size.height()));
  move(std::max(area.left(), x), std::max(area.top(), y));
}

void CQtDialogWindow::Sync() {
  if (m_bFinished) return;
  if (!IsWindow(m_hDlg)) {
    m_bFinished = true;
    hide();
    return;
  }
  QString caption = QString::fromStdString(GetWindowCaption(m_hDlg));
  if (!caption.isEmpty() && caption != windowTitle()) setWindowTitle(caption);
  bool bVisible = IsWindowVisible(m_hDlg) != FALSE;
  if (bVisible && !isVisible()) {
    if (!m_bShownOnce) CentreOnScreen();
    show();
    // The frame is known once shown: centre the whole frame.
    if (!m_bShownOnce) CentreOnScreen();
    m_bShownOnce = true;
    activateWindow();
  } else if (!bVisible && isVisible()) {
    hide();
  }
  m_pConsoleView->Sync();
}

void CQtDialogWindow::closeEvent(QCloseEvent* pEvent) {
  // The dialog decides: its default processing makes WM_CLOSE the Cancel
  // command, which destroys it; Sync then closes this window.
  pEvent->ignore();
  if (IsWindow(m_hDlg)) PostMessageA(m_hDlg, WM_CLOSE, 0, 0);
}
