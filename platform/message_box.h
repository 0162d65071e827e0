// Message boxes. The window back end shows a real one; the terminal back end
// writes the text to standard error.
#ifndef SONOMOT_PLATFORM_MESSAGE_BOX_H_
#define SONOMOT_PLATFORM_MESSAGE_BOX_H_

#include "platform/win_types.h"

// Shows pszText with the caption pszCaption (null: the default caption) and
// the buttons of uType; returns the id of the button pressed (IDOK).
int MessageBoxA(HWND hWnd, const char* pszText, const char* pszCaption,
                UINT uType);

#endif  // SONOMOT_PLATFORM_MESSAGE_BOX_H_
