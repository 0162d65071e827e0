// Message boxes of the terminal program: the text goes to standard error,
// where a user of a terminal or a script sees it. Used until the terminal
// back end provides its own.
#include <cstdio>

#include "platform/message_box.h"
#include "platform/messages.h"

int MessageBoxA(HWND, const char* pszText, const char*, UINT) {
  std::fprintf(stderr, "%s\n", pszText != nullptr ? pszText : "");
  return IDOK;
}
