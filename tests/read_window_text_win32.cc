// read_window_text.exe: what sonomot.exe's window shows, read from outside
// as a screen reader would: "text" writes the console's whole text (WM_GETTEXT,
// UTF-8, CR LF between lines), "caption" the window's title, "size" the
// client sizes of the window and of the console in pixels. Exit status 1
// when no window of the program is up. Used by
// scripts/check-windows-window.sh.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
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

}  // namespace

int main(int argc, char** argv) {
  const char* pszWhat = argc > 1 ? argv[1] : "text";
  HWND hDlg = FindWindowW(L"SonomotDialog", nullptr);
  HWND hConsole = hDlg != nullptr ? FindWindowExW(hDlg, nullptr, L"SonomotConsole", nullptr) : nullptr;
  if (hConsole == nullptr) {
    std::fprintf(stderr, "read_window_text: no window of sonomot.exe\n");
    return 1;
  }
  std::string out;
  if (std::strcmp(pszWhat, "caption") == 0) {
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
  } else {
    out = Narrow(WindowText(hConsole));
  }
  // The bytes as they are: no CR added before each LF.
  _setmode(_fileno(stdout), _O_BINARY);
  std::fwrite(out.data(), 1, out.size(), stdout);
  return 0;
}
