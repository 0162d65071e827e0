#include "tests/native_drop.h"

#include <windows.h>
#include <shlobj.h>

#include <algorithm>

bool PostNativeDrop(void* pNativeDialog, const std::vector<std::u16string>& files) {
  HWND hConsole = FindWindowExW(static_cast<HWND>(pNativeDialog), nullptr, L"SonomotConsole", nullptr);
  // Explorer drops only on a window that said it takes files.
  if (hConsole == nullptr || (GetWindowLongW(hConsole, GWL_EXSTYLE) & WS_EX_ACCEPTFILES) == 0) return false;
  // A DROPFILES of wide names, each ended by a zero, the list by another.
  size_t nBytes = sizeof(DROPFILES) + sizeof(char16_t);
  for (const std::u16string& file : files) nBytes += (file.size() + 1) * sizeof(char16_t);
  HGLOBAL hDrop = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, nBytes);
  auto* pDrop = hDrop != nullptr ? static_cast<DROPFILES*>(GlobalLock(hDrop)) : nullptr;
  if (pDrop == nullptr) return false;
  pDrop->pFiles = sizeof(DROPFILES);
  pDrop->fWide = TRUE;
  auto* pName = reinterpret_cast<char16_t*>(pDrop + 1);
  for (const std::u16string& file : files) pName = std::copy(file.c_str(), file.c_str() + file.size() + 1, pName);
  GlobalUnlock(hDrop);
  // The receiver frees it (DragFinish), as it does a drop from Explorer.
  if (PostMessageW(hConsole, WM_DROPFILES, reinterpret_cast<WPARAM>(hDrop), 0)) return true;
  GlobalFree(hDrop);
  return false;
}
