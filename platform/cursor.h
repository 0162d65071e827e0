// The mouse cursor shape over a window. A window answers WM_SETCURSOR (sent
// by the back end when the mouse moves over it) by calling SetCursor; the
// back end then shows that shape. Without an answer the edit control's own
// processing sets the text cursor (IDC_IBEAM).
#ifndef SONOMOT_PLATFORM_CURSOR_H_
#define SONOMOT_PLATFORM_CURSOR_H_

#include "platform/win_types.h"

struct HCURSOR__;
using HCURSOR = HCURSOR__*;

// Resource ids of the system cursors (LoadCursorA with no module).
constexpr std::uintptr_t kIdcArrow = 32512;
constexpr std::uintptr_t kIdcIBeam = 32513;
#define IDC_ARROW (reinterpret_cast<const char*>(kIdcArrow))
#define IDC_IBEAM (reinterpret_cast<const char*>(kIdcIBeam))

// The system cursor with the resource id; null for an unknown id or a
// module other than none.
HCURSOR LoadCursorA(HINSTANCE hInstance, const char* pszCursorName);
// Makes hCursor the current shape; returns the previous one.
HCURSOR SetCursor(HCURSOR hCursor);
HCURSOR GetCursor();
// The resource id of a system cursor handle (kIdcArrow, kIdcIBeam), 0 for
// null. Back ends map it to their shapes.
std::uintptr_t GetCursorId(HCURSOR hCursor);

#endif  // SONOMOT_PLATFORM_CURSOR_H_
