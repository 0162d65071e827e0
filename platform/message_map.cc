#include "platform/message_map.h"

CWindowImplBase::~CWindowImplBase() {
  if (m_hWnd != nullptr) UnsubclassWindow();
}

void CWindowImplBase::Bind(HWND hWnd, WindowProc previous) {
  m_hWnd = hWnd;
  m_pfnSuperWindowProc = std::move(previous);
}

HWND CWindowImplBase::Create(HWND hParent, int nID, WindowProc defaultProc) {
  if (m_hWnd != nullptr) return nullptr;
  if (!defaultProc) defaultProc = DefWindowProcA;
  HWND hWnd = CreatePlatformWindow(
      hParent, nID, [this](HWND h, UINT m, WPARAM w, LPARAM l) {
        return WindowProcedure(h, m, w, l);
      });
  if (hWnd == nullptr) return nullptr;
  Bind(hWnd, std::move(defaultProc));
  return hWnd;
}

BOOL CWindowImplBase::SubclassWindow(HWND hWnd) {
  if (m_hWnd != nullptr || !::IsWindow(hWnd)) return FALSE;
  WindowProc previous = SetWindowProc(
      hWnd, [this](HWND h, UINT m, WPARAM w, LPARAM l) {
        return WindowProcedure(h, m, w, l);
      });
  if (!previous) previous = DefWindowProcA;
  Bind(hWnd, std::move(previous));
  return TRUE;
}

HWND CWindowImplBase::UnsubclassWindow() {
  HWND hWnd = m_hWnd;
  if (hWnd == nullptr) return nullptr;
  SetWindowProc(hWnd, std::move(m_pfnSuperWindowProc));
  m_pfnSuperWindowProc = nullptr;
  m_hWnd = nullptr;
  return hWnd;
}

LRESULT CWindowImplBase::DefWindowProc(UINT uMsg, WPARAM wParam,
                                       LPARAM lParam) {
  if (!m_pfnSuperWindowProc) return DefWindowProcA(m_hWnd, uMsg, wParam, lParam);
  // A copy, so that the call survives the object being unbound meanwhile.
  WindowProc proc = m_pfnSuperWindowProc;
  return proc(m_hWnd, uMsg, wParam, lParam);
}

LRESULT CWindowImplBase::WindowProcedure(HWND hWnd, UINT uMsg, WPARAM wParam,
                                         LPARAM lParam) {
  LRESULT lResult = 0;
  if (!ProcessWindowMessage(hWnd, uMsg, wParam, lParam, lResult)) {
    WindowProc proc = m_pfnSuperWindowProc;
    lResult = proc ? proc(hWnd, uMsg, wParam, lParam)
                   : DefWindowProcA(hWnd, uMsg, wParam, lParam);
  }
  if (uMsg == WM_NCDESTROY && m_hWnd == hWnd) {
    // The window is gone after this message: unbind, then let the object
    // know (it may delete itself).
    m_pfnSuperWindowProc = nullptr;
    m_hWnd = nullptr;
    OnFinalMessage(hWnd);
  }
  return lResult;
}
