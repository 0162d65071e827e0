// MessageBoxA of the Windows program: MessageBoxW, owned by the program's
// window when the box concerns it (the window is then disabled until OK),
// with no owner before there is a window (the library can't be bound). A
// null caption leaves the title to the system, as the program passes none
// of its own.
#include "frontends/win32/win32_back_end.h"
#include "frontends/win32/win32_native.h"
#include "platform/message_box.h"
#include "platform/messages.h"

int MessageBoxA(HWND hWnd, const char* pszText, const char* pszCaption, UINT) {
  CWin32BackEnd* pBackEnd = CWin32BackEnd::GetRunning();
  void* pOwner = pBackEnd != nullptr && hWnd != nullptr ? pBackEnd->FindNativeWindow(hWnd) : nullptr;
  win32::ShowMessageBox(pOwner, pszText != nullptr ? pszText : "", pszCaption);
  return IDOK;
}
