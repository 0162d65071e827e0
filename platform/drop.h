// File drop. A back end that receives dropped files (or, in the terminal, a
// pasted path of an existing file) makes a drop with CreateDrop and posts
// WM_DROPFILES with it as wParam to a window that accepts files; that
// window's handler reads it with DragQueryFileA and releases it with
// DragFinish.
#ifndef SONOMOT_PLATFORM_DROP_H_
#define SONOMOT_PLATFORM_DROP_H_

#include <string>
#include <vector>

#include "platform/win_types.h"

constexpr UINT kDragQueryCount = 0xFFFFFFFF;

// A drop holding the paths, in order. Owned by whoever receives it, until
// DragFinish.
HDROP CreateDrop(std::vector<std::string> paths);
// With iFile kDragQueryCount: the number of files. Otherwise copies path
// iFile into pszFile (room for cch bytes with the terminating zero; a longer
// path is cut) and returns the number of characters copied; with a null
// buffer returns the path's full length. 0 for a bad index or drop.
UINT DragQueryFileA(HDROP hDrop, UINT iFile, char* pszFile, UINT cch);
void DragFinish(HDROP hDrop);
// Marks the window as a target for dropped files (or not).
void DragAcceptFiles(HWND hWnd, BOOL bAccept);
// Number of drops made and not yet finished (tests: every drop is freed).
int GetOpenDropCount();

#endif  // SONOMOT_PLATFORM_DROP_H_
