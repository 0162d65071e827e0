// probe_window.exe: sonomot.exe's window seen from outside, as a screen
// reader or another program would see it, for scripts/check-windows-window.sh:
//   text       the console's whole text (WM_GETTEXT; UTF-8, CR LF between
//              lines)
//   caption    the window's title
//   size       the client sizes of the window and of the console, pixels
//   scroll     the first line the console shows and its number of lines
//   point N    where the console draws the character at UTF-16 unit N of
//              its text (EM_POSFROMCHAR): the top left of its cell, in
//              screen coordinates
//   clipboard TEXT   puts TEXT (UTF-8) on the clipboard
//   copied     the clipboard's CF_UNICODETEXT, as UTF-8 bytes
// Exit status 1 when no window of the program is up (or the clipboard
// can't be set or read, or N is past the text).
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "frontends/win32/utf16.h"

namespace {

std::string Narrow(const std::wstring& text) {
  return Utf16ToUtf8(std::u16string(text.begin(), text.end()));
}

std::wstring WindowText(HWND hWnd) {
  DWORD_PTR nLength = 0;
  SendMessageTimeoutW(hWnd, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &nLength);
  std::wstring text(nLength + 1, L'\0');
  DWORD_PTR nCopied = 0;
  SendMessageTimeoutW(hWnd, WM_GETTEXT, nLength + 1, reinterpret_cast<LPARAM>(text.data()),
                      SMTO_ABORTIFHUNG, 5000, &nCopied);
  text.resize(nCopied);
  return text;
}

// Setting the clipboard needs a window of one's own as its owner.
bool SetClipboard(const std::string& text) {
  HWND hOwner = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr,
                                nullptr);
  std::u16string wide = Utf8ToUtf16(text);
  HGLOBAL hData = GlobalAlloc(GMEM_MOVEABLE, (wide.size() + 1) * sizeof(char16_t));
  if (hOwner == nullptr || hData == nullptr || !OpenClipboard(hOwner)) return false;
  auto* pWide = static_cast<char16_t*>(GlobalLock(hData));
  std::copy(wide.c_str(), wide.c_str() + wide.size() + 1, pWide);
  GlobalUnlock(hData);
  EmptyClipboard();
  bool bSet = SetClipboardData(CF_UNICODETEXT, hData) != nullptr;
  CloseClipboard();
  DestroyWindow(hOwner);
  return bSet;
}

bool GetClipboard(std::string* pText) {
  if (!OpenClipboard(nullptr)) return false;
  HANDLE hData = GetClipboardData(CF_UNICODETEXT);
  const auto* pWide = hData != nullptr ? static_cast<const char16_t*>(GlobalLock(hData)) : nullptr;
  if (pWide != nullptr) {
    *pText = Utf16ToUtf8(pWide);
    GlobalUnlock(hData);
  }
  CloseClipboard();
  return pWide != nullptr;
}

}  // namespace

int main(int argc, char** argv) {
  const char* pszWhat = argc > 1 ? argv[1] : "text";
  if (std::strcmp(pszWhat, "clipboard") == 0) return argc > 2 && SetClipboard(argv[2]) ? 0 : 1;
  std::string out;
  if (std::strcmp(pszWhat, "copied") == 0) {
    if (!GetClipboard(&out)) return 1;
    _setmode(_fileno(stdout), _O_BINARY);
    std::fwrite(out.data(), 1, out.size(), stdout);
    return 0;
  }
  HWND hDlg = FindWindowW(L"SonomotDialog", nullptr);
  HWND hConsole = hDlg != nullptr ? FindWindowExW(hDlg, nullptr, L"SonomotConsole", nullptr) : nullptr;
  if (hConsole == nullptr) {
    std::fprintf(stderr, "probe_window: no window of sonomot.exe\n");
    return 1;
  }
  if (std::strcmp(pszWhat, "point") == 0) {
    DWORD_PTR nPoint = 0;
    WPARAM nIndex = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 0;
    SendMessageTimeoutW(hConsole, EM_POSFROMCHAR, nIndex, 0, SMTO_ABORTIFHUNG, 5000, &nPoint);
    if (static_cast<LRESULT>(nPoint) == -1) return 1;
    POINT point{static_cast<short>(LOWORD(nPoint)), static_cast<short>(HIWORD(nPoint))};
    ClientToScreen(hConsole, &point);
    out = std::to_string(point.x) + " " + std::to_string(point.y) + "\n";
  } else if (std::strcmp(pszWhat, "caption") == 0) {
    wchar_t caption[256] = L"";
    GetWindowTextW(hDlg, caption, 256);
    out = Narrow(caption) + "\n";
  } else if (std::strcmp(pszWhat, "size") == 0) {
    RECT dialog{};
    RECT console{};
    GetClientRect(hDlg, &dialog);
    GetClientRect(hConsole, &console);
    out = "window " + std::to_string(dialog.right) + "x" + std::to_string(dialog.bottom) +
          ", console " + std::to_string(console.right) + "x" + std::to_string(console.bottom) + "\n";
  } else if (std::strcmp(pszWhat, "scroll") == 0) {
    DWORD_PTR nFirst = 0;
    DWORD_PTR nLines = 0;
    SendMessageTimeoutW(hConsole, EM_GETFIRSTVISIBLELINE, 0, 0, SMTO_ABORTIFHUNG, 5000, &nFirst);
    SendMessageTimeoutW(hConsole, EM_GETLINECOUNT, 0, 0, SMTO_ABORTIFHUNG, 5000, &nLines);
    out = std::to_string(nFirst) + " " + std::to_string(nLines) + "\n";
  } else {
    out = Narrow(WindowText(hConsole));
  }
  // The bytes as they are: no CR added before each LF.
  _setmode(_fileno(stdout), _O_BINARY);
  std::fwrite(out.data(), 1, out.size(), stdout);
  return 0;
}
