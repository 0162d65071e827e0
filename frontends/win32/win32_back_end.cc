#include "frontends/win32/win32_back_end.h"

#include "frontends/win32/win32_dialog_window.h"
#include "frontends/win32/win32_native.h"
#include "platform/clipboard.h"
#include "platform/font.h"
#include "platform/window.h"

namespace {

CWin32BackEnd* g_pRunning = nullptr;

}  // namespace

CWin32BackEnd::CWin32BackEnd(const DialogTemplate& layout, int nShowCommand)
    : m_layout(layout),
      m_nShowCommand(nShowCommand),
      m_pPreviousSource(SetEventSource(this)),
      m_pPreviousFonts(SetFontSystem(&m_fonts)),
      m_pPreviousClipboard(SetClipboard(&m_clipboard)) {
  g_pRunning = this;
}

CWin32BackEnd::~CWin32BackEnd() {
  m_windows.clear();
  g_pRunning = nullptr;
  SetClipboard(m_pPreviousClipboard);
  SetFontSystem(m_pPreviousFonts);
  SetEventSource(m_pPreviousSource);
}

CWin32BackEnd* CWin32BackEnd::GetRunning() { return g_pRunning; }

void* CWin32BackEnd::FindNativeWindow(HWND hWnd) const {
  for (const auto& pWindow : m_windows) {
    if (!pWindow->IsFinished() && IsChildOrSelf(pWindow->GetDialogWindow(), hWnd)) {
      return pWindow->GetNativeHandle();
    }
  }
  return nullptr;
}

void CWin32BackEnd::Sync() {
  for (HWND hWnd : GetTopLevelWindows()) {
    if (!IsWindowVisible(hWnd)) continue;
    if (GetDlgItem(hWnd, m_layout.console.nID) == nullptr) continue;
    bool bKnown = false;
    for (const auto& pWindow : m_windows) bKnown = bKnown || pWindow->GetDialogWindow() == hWnd;
    if (bKnown) continue;
    m_windows.push_back(
        std::make_unique<CWin32DialogWindow>(hWnd, m_layout, &m_fonts, m_nShowCommand));
  }
  // A window may sync itself while another is synced (a focus change):
  // walk by index, the vector doesn't change meanwhile.
  for (size_t i = 0; i < m_windows.size(); ++i) m_windows[i]->Sync();
  // Windows of destroyed dialogs go once they are hidden.
  std::erase_if(m_windows, [](const auto& pWindow) { return pWindow->IsFinished(); });
}

bool CWin32BackEnd::WaitForEvents() {
  Sync();
  bool bWaited = win32::WaitForNativeEvents();
  Sync();
  return bWaited;
}

void CWin32BackEnd::PollEvents() {
  Sync();
  win32::PollNativeEvents();
}
