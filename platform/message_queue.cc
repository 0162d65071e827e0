#include "platform/message_queue.h"

#include <deque>

#include "platform/event_source.h"
#include "platform/thread_id.h"

namespace {

std::deque<MSG>& Queue() {
  static std::deque<MSG> queue;
  return queue;
}

bool g_bQuitPending = false;
int g_nQuitCode = 0;
CEventSource* g_pEventSource = nullptr;

void TakeQuit(MSG* pMsg) {
  g_bQuitPending = false;
  *pMsg = MSG();
  pMsg->message = WM_QUIT;
  pMsg->wParam = static_cast<WPARAM>(g_nQuitCode);
}

void TakeFront(MSG* pMsg) {
  *pMsg = Queue().front();
  Queue().pop_front();
  SetKeyState((pMsg->dwKeyState & KEYSTATE_SHIFT) != 0,
              (pMsg->dwKeyState & KEYSTATE_CONTROL) != 0);
}

}  // namespace

CEventSource* SetEventSource(CEventSource* pSource) {
  CEventSource* pOld = g_pEventSource;
  g_pEventSource = pSource;
  return pOld;
}

CEventSource* GetEventSource() { return g_pEventSource; }

BOOL PostKeyMessage(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam,
                    DWORD dwKeyState) {
  MSG msg;
  msg.hwnd = hWnd;
  msg.message = uMsg;
  msg.wParam = wParam;
  msg.lParam = lParam;
  msg.dwKeyState = dwKeyState;
  Queue().push_back(msg);
  return TRUE;
}

BOOL PostMessageA(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
  return PostKeyMessage(hWnd, uMsg, wParam, lParam, 0);
}

int GetMessageA(MSG* pMsg, HWND, UINT, UINT) {
  while (Queue().empty() && !g_bQuitPending) {
    if (g_pEventSource == nullptr) {
      g_nQuitCode = 0;
      TakeQuit(pMsg);
      return 0;
    }
    if (!g_pEventSource->WaitForEvents()) return -1;
  }
  if (!Queue().empty()) {
    TakeFront(pMsg);
    return 1;
  }
  TakeQuit(pMsg);
  return 0;
}

BOOL PeekMessageA(MSG* pMsg, HWND, UINT, UINT, UINT wRemoveMsg) {
  if (g_pEventSource != nullptr) g_pEventSource->PollEvents();
  if (!Queue().empty()) {
    if (wRemoveMsg & PM_REMOVE) {
      TakeFront(pMsg);
    } else if (pMsg != nullptr) {
      *pMsg = Queue().front();
    }
    return TRUE;
  }
  if (g_bQuitPending) {
    if (wRemoveMsg & PM_REMOVE) {
      TakeQuit(pMsg);
    } else if (pMsg != nullptr) {
      *pMsg = MSG();
      pMsg->message = WM_QUIT;
      pMsg->wParam = static_cast<WPARAM>(g_nQuitCode);
    }
    return TRUE;
  }
  return FALSE;
}

BOOL TranslateMessage(const MSG*) { return FALSE; }

LRESULT DispatchMessageA(const MSG* pMsg) {
  if (pMsg == nullptr || !IsWindow(pMsg->hwnd)) return 0;
  return SendMessageA(pMsg->hwnd, pMsg->message, pMsg->wParam, pMsg->lParam);
}

void PostQuitMessage(int nExitCode) {
  g_bQuitPending = true;
  g_nQuitCode = nExitCode;
}

DWORD GetCurrentThreadId() { return static_cast<DWORD>(GetSystemThreadId()); }

void ResetMessageQueue() {
  Queue().clear();
  g_bQuitPending = false;
  g_nQuitCode = 0;
}

int GetQueuedMessageCount() { return static_cast<int>(Queue().size()); }
