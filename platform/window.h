// Window objects and messages of the platform layer.
//
// A window object is bound to a handle (HWND). SendMessageA calls the
// window's message map at once and returns its result; PostMessageA queues
// the message for GetMessageA (message_loop.h).
#ifndef SONOMOT_PLATFORM_WINDOW_H_
#define SONOMOT_PLATFORM_WINDOW_H_

#include "platform/messages.h"
#include "platform/win_types.h"

LRESULT SendMessageA(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
BOOL PostMessageA(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);

#endif  // SONOMOT_PLATFORM_WINDOW_H_
