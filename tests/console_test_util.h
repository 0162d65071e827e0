// Shared fixtures of the console tests: a console taken over from an edit
// control inside a parent window that records the lines handed to it, and
// helpers that type at it through the same messages the back ends send.
#ifndef SONOMOT_TESTS_CONSOLE_TEST_UTIL_H_
#define SONOMOT_TESTS_CONSOLE_TEST_UTIL_H_

#include <functional>
#include <string>
#include <vector>

#include "console/edit_buffer.h"
#include "console/shell_edit.h"
#include "platform/message_queue.h"

class ConsoleHarness {
 public:
  ConsoleHarness();
  ~ConsoleHarness();

  // Types the text: each character as its WM_KEYDOWN and WM_CHAR.
  void Type(const char* pszText, DWORD dwKeyState = 0);
  void Key(UINT nVirtKey, DWORD dwKeyState = 0);
  void Backspace() { Type("\b"); }
  void Enter() { Type("\r"); }
  // Types the text and Enter.
  void EnterLine(const char* pszText) {
    Type(pszText);
    Enter();
  }

  // The console's whole text, with CR LF shown as "|" between lines.
  std::string Lines() const;
  std::string Text() const { return Buffer().GetText(); }
  std::string LastLine() const;
  int Caret() const { return Buffer().GetCaret(); }
  void Select(int nStart, int nEnd) { MutableBuffer().SetSel(nStart, nEnd); }
  int LastLineStart() const {
    return Buffer().LineIndex(Buffer().GetLineCount() - 1);
  }
  const EditBuffer& Buffer() const;
  EditBuffer& MutableBuffer();

  CShellEditBox m_console;
  HWND m_hParent = nullptr;
  HWND m_hEdit = nullptr;
  // Lines handed to the parent with WM_SHELLEDIT_COMMAND.
  std::vector<std::string> m_handed;
  // Runs inside the hand-over, after the line is recorded (a command).
  std::function<void(const std::string&)> m_onLine;
};

#endif  // SONOMOT_TESTS_CONSOLE_TEST_UTIL_H_
