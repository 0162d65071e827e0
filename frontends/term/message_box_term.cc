// Message boxes of the terminal program: the text on standard error, one
// line per box, as nothing else can be shown before the screen is set up.
// A caption, when given, comes first.
#include <cstdio>

#include "platform/message_box.h"
#include "platform/messages.h"

int MessageBoxA(HWND, const char* pszText, const char* pszCaption, UINT) {
  if (pszCaption != nullptr && *pszCaption != '\0') {
    std::fprintf(stderr, "%s: ", pszCaption);
  }
  std::fprintf(stderr, "%s\n", pszText != nullptr ? pszText : "");
  std::fflush(stderr);
  return IDOK;
}
