// Window objects and messages of the platform layer.
//
// A window is an object of this layer named by a handle (HWND). Each window
// has one window procedure, which receives every message sent or dispatched
// to it. A class of ours takes a window over by replacing that procedure
// (SubclassWindow in platform/message_map.h): its message map sees every
// message first and hands the rest to the procedure it replaced.
//
// SendMessageA calls the window procedure at once and returns its result;
// PostMessageA queues the message for GetMessageA (platform/message_queue.h).
// A handle stays safe to use after its window is destroyed: messages to it
// are dropped and queries answer null or 0.
#ifndef SONOMOT_PLATFORM_WINDOW_H_
#define SONOMOT_PLATFORM_WINDOW_H_

#include <functional>
#include <string>
#include <vector>

#include "platform/messages.h"
#include "platform/win_types.h"

// A window procedure. Held by value, so that a subclassing object can keep
// the procedure it replaced and call it for the messages it passes.
using WindowProc = std::function<LRESULT(HWND, UINT, WPARAM, LPARAM)>;

LRESULT SendMessageA(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
BOOL PostMessageA(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);

// Creates a window with the procedure proc (null: DefWindowProcA), the given
// parent (null: a top-level window) and control id. Sends nothing.
HWND CreatePlatformWindow(HWND hParent, int nID, WindowProc proc);
// Replaces the window procedure; returns the previous one (empty when hWnd
// is not a window).
WindowProc SetWindowProc(HWND hWnd, WindowProc proc);
// Sends WM_DESTROY to the window and then to its children, and ends them:
// their handles are no longer windows. FALSE when hWnd is not a window.
BOOL DestroyWindow(HWND hWnd);
BOOL IsWindow(HWND hWnd);
HWND GetParent(HWND hWnd);
// The child of hDlg with the control id nID, or null.
HWND GetDlgItem(HWND hDlg, int nID);
int GetDlgCtrlID(HWND hWnd);
// True when hWnd is hParent or one of its descendants.
BOOL IsChildOrSelf(HWND hParent, HWND hWnd);
// The first child of hWnd, in creation order, or null.
HWND GetFirstChild(HWND hWnd);
// Every live window without a parent (the back ends show these), in no
// particular order.
std::vector<HWND> GetTopLevelWindows();

// Window text: WM_SETTEXT / WM_GETTEXTLENGTH. The default processing keeps
// it as the window's caption (the title a back end draws); the edit control
// answers them over its own text.
BOOL SetWindowTextA(HWND hWnd, const char* pszText);
int GetWindowTextLengthA(HWND hWnd);
std::string GetWindowCaption(HWND hWnd);

// Visibility, as set by ShowWindow; back ends draw visible top-level windows.
BOOL ShowWindow(HWND hWnd, int nCmdShow);
BOOL IsWindowVisible(HWND hWnd);

// Keyboard focus: the window that receives typed keys. SetFocus sends
// WM_KILLFOCUS to the old and WM_SETFOCUS to the new window; returns the old.
HWND SetFocus(HWND hWnd);
HWND GetFocus();

// Drop acceptance flag of a window (DragAcceptFiles in platform/drop.h).
void SetAcceptsFiles(HWND hWnd, BOOL bAccept);
BOOL AcceptsFiles(HWND hWnd);

// Default processing of a plain window: WM_CLOSE destroys it, WM_SETTEXT and
// WM_GETTEXTLENGTH keep the caption; everything else answers 0.
LRESULT DefWindowProcA(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);

// Key state while a key message is handled: the high bit (result < 0) is set
// when the key is held. Only VK_SHIFT and VK_CONTROL are tracked; the state
// travels with each posted key message (PostKeyMessage in
// platform/message_queue.h) and becomes current when it is dispatched.
short GetKeyState(int nVirtKey);
void SetKeyState(bool bShift, bool bCtrl);

// Window object: a handle with helpers that send the usual messages.
class CWindow {
 public:
  HWND m_hWnd = nullptr;

  CWindow() = default;
  explicit CWindow(HWND hWnd) : m_hWnd(hWnd) {}
  CWindow& operator=(HWND hWnd) {
    m_hWnd = hWnd;
    return *this;
  }
  operator HWND() const { return m_hWnd; }
  bool IsWindow() const { return ::IsWindow(m_hWnd) != FALSE; }

  LRESULT SendMessage(UINT uMsg, WPARAM wParam = 0, LPARAM lParam = 0) const {
    return ::SendMessageA(m_hWnd, uMsg, wParam, lParam);
  }
  BOOL PostMessage(UINT uMsg, WPARAM wParam = 0, LPARAM lParam = 0) const {
    return ::PostMessageA(m_hWnd, uMsg, wParam, lParam);
  }
  HWND GetParent() const { return ::GetParent(m_hWnd); }
  HWND GetDlgItem(int nID) const { return ::GetDlgItem(m_hWnd, nID); }
  BOOL DestroyWindow() { return ::DestroyWindow(m_hWnd); }
  BOOL ShowWindow(int nCmdShow) { return ::ShowWindow(m_hWnd, nCmdShow); }
  HWND SetFocus() { return ::SetFocus(m_hWnd); }
  BOOL SetWindowText(const char* pszText) {
    return ::SetWindowTextA(m_hWnd, pszText);
  }
};

#endif  // SONOMOT_PLATFORM_WINDOW_H_
