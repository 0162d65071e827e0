// The message box of the motion tests. Only a failed binding of the MIDI
// data library shows one; in a test that is a failure.
#include <gtest/gtest.h>

#include "platform/message_box.h"

int MessageBoxA(HWND, const char* pszText, const char*, UINT) {
  ADD_FAILURE() << "message box: " << pszText;
  return 1;
}
