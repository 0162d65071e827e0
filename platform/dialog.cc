#include "platform/dialog.h"

LRESULT DefDlgProcA(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam) {
  switch (uMsg) {
    case WM_CLOSE:
      SendMessageA(hDlg, WM_COMMAND, static_cast<WPARAM>(IDCANCEL), 0);
      return 0;
    case WM_COMMAND:
    case WM_INITDIALOG:
      return 0;
    default:
      return DefWindowProcA(hDlg, uMsg, wParam, lParam);
  }
}

BOOL IsDialogMessageA(HWND hDlg, MSG* pMsg) {
  if (pMsg == nullptr || !IsChildOrSelf(hDlg, pMsg->hwnd)) return FALSE;
  if (pMsg->message == WM_KEYDOWN && pMsg->wParam == VK_ESCAPE) {
    SendMessageA(hDlg, WM_COMMAND, static_cast<WPARAM>(IDCANCEL), 0);
    return TRUE;
  }
  if (pMsg->message == WM_CHAR && pMsg->wParam == 27) return TRUE;
  DispatchMessageA(pMsg);
  return TRUE;
}

HWND GetReflectionTarget(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam) {
  switch (uMsg) {
    case WM_COMMAND:
      return reinterpret_cast<HWND>(lParam);
    case WM_NOTIFY:
      if (lParam == 0) return nullptr;
      return reinterpret_cast<const NMHDR*>(lParam)->hwndFrom;
    case WM_PARENTNOTIFY: {
      WORD wEvent = LOWORD(wParam);
      if (wEvent == WM_CREATE || wEvent == WM_DESTROY) {
        return reinterpret_cast<HWND>(lParam);
      }
      return GetDlgItem(hDlg, HIWORD(wParam));
    }
    case WM_DRAWITEM:
      if (wParam == 0 || lParam == 0) return nullptr;
      return reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)->hwndItem;
    case WM_MEASUREITEM:
      if (wParam == 0 || lParam == 0) return nullptr;
      return GetDlgItem(
          hDlg, static_cast<int>(
                    reinterpret_cast<const MEASUREITEMSTRUCT*>(lParam)->CtlID));
    case WM_COMPAREITEM:
      if (wParam == 0 || lParam == 0) return nullptr;
      return reinterpret_cast<const COMPAREITEMSTRUCT*>(lParam)->hwndItem;
    case WM_DELETEITEM:
      if (wParam == 0 || lParam == 0) return nullptr;
      return reinterpret_cast<const DELETEITEMSTRUCT*>(lParam)->hwndItem;
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_HSCROLL:
    case WM_VSCROLL:
      return reinterpret_cast<HWND>(lParam);
    default:
      if (uMsg >= WM_CTLCOLORMSGBOX && uMsg <= WM_CTLCOLORSTATIC) {
        return reinterpret_cast<HWND>(lParam);
      }
      return nullptr;
  }
}

BOOL ReflectNotifications(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam,
                          LRESULT& lResult) {
  HWND hControl = GetReflectionTarget(hDlg, uMsg, wParam, lParam);
  if (hControl == nullptr || !IsWindow(hControl)) return FALSE;
  lResult = SendMessageA(hControl, OCM__BASE + uMsg, wParam, lParam);
  return TRUE;
}

HWND CDialogImplBase::Create(HWND hParent, LPARAM lInitParam) {
  if (CWindowImplBase::Create(hParent, 0, DefDlgProcA) == nullptr) {
    return nullptr;
  }
  if (!CreateControls()) {
    DestroyWindow();
    return nullptr;
  }
  HWND hDlg = m_hWnd;
  LRESULT lFocus = SendMessage(WM_INITDIALOG, 0, lInitParam);
  if (!::IsWindow(hDlg)) return nullptr;
  if (lFocus != 0) {
    if (HWND hFirst = GetFirstChild(hDlg)) ::SetFocus(hFirst);
  }
  return hDlg;
}
