// Colours for drawing: a drawing context carries the text and background
// colours a window is drawn with, and a brush paints a background.
//
// The back ends ask the edit control's owner for its colours the Windows
// way: they send WM_CTLCOLOREDIT (wParam a drawing context, lParam the edit
// control) to the owner, which reflects it to the console; the console sets
// the context's colours and answers its brush. An answer of null leaves the
// back end's own colours.
#ifndef SONOMOT_PLATFORM_GDI_H_
#define SONOMOT_PLATFORM_GDI_H_

#include "platform/win_types.h"

struct HDC__ {
  COLORREF crText = RGB(0, 0, 0);
  COLORREF crBk = RGB(255, 255, 255);
};

struct HBRUSH__ {
  COLORREF cr = 0;
};

// Both return the previous colour.
COLORREF SetTextColor(HDC hdc, COLORREF cr);
COLORREF SetBkColor(HDC hdc, COLORREF cr);
// A solid brush, owned by the caller until DeleteObject.
HBRUSH CreateSolidBrush(COLORREF cr);
BOOL DeleteObject(HBRUSH hBrush);

#endif  // SONOMOT_PLATFORM_GDI_H_
