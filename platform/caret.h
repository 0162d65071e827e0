// The caret: the one blinking mark of the thread's focused window. A window
// creates it when it gets the focus and destroys it when it loses it; the
// back end draws it from GetCaretState (a filled block of the given size at
// the window's insertion point while it is shown).
#ifndef SONOMOT_PLATFORM_CARET_H_
#define SONOMOT_PLATFORM_CARET_H_

#include "platform/win_types.h"

struct HBITMAP__;
using HBITMAP = HBITMAP__*;

// Creates the caret for hWnd, hidden, replacing any caret there was. Only a
// solid caret (no bitmap) is supported. FALSE when hWnd is null.
BOOL CreateCaret(HWND hWnd, HBITMAP hBitmap, int nWidth, int nHeight);
// Show and hide: the caret shows only while it exists and is shown. FALSE
// when hWnd is not the caret's window (null means the caret's window).
BOOL ShowCaret(HWND hWnd);
BOOL HideCaret(HWND hWnd);
// Destroys the caret; FALSE when there is none.
BOOL DestroyCaret();

struct CaretState {
  HWND hWnd = nullptr;  // null: no caret
  int cx = 0;
  int cy = 0;
  bool bShown = false;
};
CaretState GetCaretState();

#endif  // SONOMOT_PLATFORM_CARET_H_
