#include "frontends/qt/qt_back_end.h"

#include <QCoreApplication>
#include <QEventLoop>

#include "frontends/qt/qt_dialog_window.h"
#include "platform/clipboard.h"
#include "platform/font.h"
#include "platform/window.h"

CQtBackEnd::CQtBackEnd(const DialogTemplate& layout)
    : m_layout(layout),
      m_pPreviousSource(SetEventSource(this)),
      m_pPreviousFonts(SetFontSystem(&m_fonts)),
      m_pPreviousClipboard(SetClipboard(&m_clipboard)) {}

CQtBackEnd::~CQtBackEnd() {
  m_windows.clear();
  SetClipboard(m_pPreviousClipboard);
  SetFontSystem(m_pPreviousFonts);
  SetEventSource(m_pPreviousSource);
}

CQtDialogWindow* CQtBackEnd::FindWindow(HWND hDlg) const {
  for (const auto& pWindow : m_windows) {
    if (pWindow->GetDialogWindow() == hDlg) return pWindow.get();
  }
  return nullptr;
}

void CQtBackEnd::Sync() {
  for (HWND hWnd : GetTopLevelWindows()) {
    if (!IsWindowVisible(hWnd) || FindWindow(hWnd) != nullptr) continue;
    if (GetDlgItem(hWnd, m_layout.console.nID) == nullptr) continue;
    m_windows.push_back(std::make_unique<CQtDialogWindow>(hWnd, m_layout));
  }
  for (auto& pWindow : m_windows) pWindow->Sync();
  // Windows of destroyed dialogs go once they are closed.
  std::erase_if(m_windows, [](const auto& pWindow) {
    return pWindow->IsFinished();
  });
}

bool CQtBackEnd::WaitForEvents() {
  Sync();
  QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  Sync();
  return true;
}

void CQtBackEnd::PollEvents() {
  Sync();
  QCoreApplication::processEvents(QEventLoop::AllEvents);
}
