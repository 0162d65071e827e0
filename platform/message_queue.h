// The thread's message queue: PostMessageA puts messages in, GetMessageA and
// PeekMessageA take them out, DispatchMessageA hands one to its window.
//
// The queue is fed by the back end (platform/event_source.h): when it is
// empty, GetMessageA asks the back end to wait for native events and to post
// them. The program has one thread, so there is one queue.
#ifndef SONOMOT_PLATFORM_MESSAGE_QUEUE_H_
#define SONOMOT_PLATFORM_MESSAGE_QUEUE_H_

#include "platform/window.h"

// Modifier keys held when a key message was made (MSG::dwKeyState).
constexpr DWORD KEYSTATE_SHIFT = 0x1;
constexpr DWORD KEYSTATE_CONTROL = 0x2;

struct MSG {
  HWND hwnd = nullptr;
  UINT message = WM_NULL;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
  // Shift and Ctrl state of a key message; it becomes GetKeyState's answer
  // when the message is retrieved.
  DWORD dwKeyState = 0;
};

// Takes the next message, waiting for one through the back end if the queue
// is empty. Returns 0 for WM_QUIT (its wParam is the code given to
// PostQuitMessage), -1 when the back end failed to wait, else non-zero.
// With no back end installed and nothing queued, it returns WM_QUIT with
// code 0: nothing could ever arrive. The window and range filters are not
// supported; pass null and 0.
int GetMessageA(MSG* pMsg, HWND hWnd, UINT uMsgFilterMin, UINT uMsgFilterMax);
// Collects pending native events without waiting, then reports whether a
// message (or the quit request) is waiting; with PM_REMOVE it also takes it.
BOOL PeekMessageA(MSG* pMsg, HWND hWnd, UINT uMsgFilterMin,
                  UINT uMsgFilterMax, UINT wRemoveMsg);
// Queues a key message with the state of Shift and Ctrl at the time of the
// key (the back ends post every WM_KEYDOWN and WM_CHAR this way).
BOOL PostKeyMessage(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam,
                    DWORD dwKeyState);
// Characters are made by the back ends, which post WM_CHAR after WM_KEYDOWN
// for the keys that type: this does nothing and returns FALSE.
BOOL TranslateMessage(const MSG* pMsg);
// Calls the window procedure of pMsg->hwnd; a message for a window that no
// longer exists is dropped (result 0).
LRESULT DispatchMessageA(const MSG* pMsg);
// Asks the loop to end: once the posted messages are taken, GetMessageA
// returns WM_QUIT with nExitCode.
void PostQuitMessage(int nExitCode);
DWORD GetCurrentThreadId();
// Empties the queue and forgets a pending quit (tests, and a back end that
// starts over).
void ResetMessageQueue();
// Number of messages queued (tests).
int GetQueuedMessageCount();

#endif  // SONOMOT_PLATFORM_MESSAGE_QUEUE_H_
