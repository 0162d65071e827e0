// Dialogs: the default dialog processing, the dialog keyboard handling and
// the reflection of control notifications back to their controls.
#ifndef SONOMOT_PLATFORM_DIALOG_H_
#define SONOMOT_PLATFORM_DIALOG_H_

#include "platform/message_map.h"
#include "platform/message_queue.h"

// Notification header of WM_NOTIFY (lParam points at it).
struct NMHDR {
  HWND hwndFrom = nullptr;
  std::uintptr_t idFrom = 0;
  UINT code = 0;
};

// The parts of the owner-drawn item structures that reflection reads.
struct DRAWITEMSTRUCT {
  UINT CtlType = 0;
  UINT CtlID = 0;
  UINT itemID = 0;
  UINT itemAction = 0;
  UINT itemState = 0;
  HWND hwndItem = nullptr;
  HDC hDC = nullptr;
};
struct MEASUREITEMSTRUCT {
  UINT CtlType = 0;
  UINT CtlID = 0;
  UINT itemID = 0;
  UINT itemWidth = 0;
  UINT itemHeight = 0;
};
struct COMPAREITEMSTRUCT {
  UINT CtlType = 0;
  UINT CtlID = 0;
  HWND hwndItem = nullptr;
};
struct DELETEITEMSTRUCT {
  UINT CtlType = 0;
  UINT CtlID = 0;
  UINT itemID = 0;
  HWND hwndItem = nullptr;
};

// Default dialog processing: WM_CLOSE becomes the Cancel command
// (WM_COMMAND with IDCANCEL sent to the dialog); a Cancel or OK command that
// reaches it does nothing more; everything else as DefWindowProcA.
LRESULT DefDlgProcA(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam);

// The standard dialog keyboard handling for the modeless dialog hDlg.
// A message for another window returns FALSE. A message for the dialog or
// one of its controls is handled here: Escape (its WM_KEYDOWN) sends the
// Cancel command to the dialog, its WM_CHAR is dropped, and every other
// message is dispatched; the result is TRUE (the loop dispatches nothing).
BOOL IsDialogMessageA(HWND hDlg, MSG* pMsg);

// The control a notification of the dialog concerns, by the rules of
// reflection (WM_COMMAND, WM_NOTIFY, WM_PARENTNOTIFY, the owner-drawn item
// messages, WM_VKEYTOITEM, WM_CHARTOITEM, WM_HSCROLL, WM_VSCROLL and the
// WM_CTLCOLOR messages). Null when there is none or the message is not a
// notification.
HWND GetReflectionTarget(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam);
// Sends the notification back to its control as uMsg + OCM__BASE; the
// control's answer goes to lResult. FALSE (nothing sent) when there is no
// such control, so the message goes on to the default dialog processing.
BOOL ReflectNotifications(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam,
                          LRESULT& lResult);

// A dialog object: a top-level window whose default processing is the
// default dialog processing.
class CDialogImplBase : public CWindowImplBase {
 public:
  // Creates the dialog window (hidden), lets the derived class make the
  // controls of its template (CreateControls), then sends WM_INITDIALOG with
  // lInitParam; a non-zero answer gives the focus to the first control.
  // Null when the window or its controls can't be made.
  HWND Create(HWND hParent, LPARAM lInitParam = 0);

 protected:
  // Makes the template's controls as children of m_hWnd. FALSE when one
  // can't be made; the dialog is then destroyed.
  virtual BOOL CreateControls() { return TRUE; }
};

#endif  // SONOMOT_PLATFORM_DIALOG_H_
