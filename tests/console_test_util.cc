#include "tests/console_test_util.h"

#include "console/edit_control.h"
#include "platform/key_input.h"

ConsoleHarness::ConsoleHarness() {
  m_hParent = CreatePlatformWindow(
      nullptr, 0, [this](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
        if (m == WM_SHELLEDIT_COMMAND) {
          std::string line = reinterpret_cast<const char*>(w);
          m_handed.push_back(line);
          if (m_onLine) m_onLine(line);
          return 1;
        }
        return DefWindowProcA(h, m, w, l);
      });
  m_hEdit = CreateEditControl(m_hParent, 1000);
  m_console.Initialize(m_hEdit);
  m_console.WriteText("root>");
}

ConsoleHarness::~ConsoleHarness() {
  if (IsWindow(m_hParent)) DestroyWindow(m_hParent);
  SetKeyState(false, false);
}

void ConsoleHarness::Type(const char* pszText, DWORD dwKeyState) {
  SendTypedText(m_hEdit, pszText, dwKeyState);
  SetKeyState(false, false);
}

void ConsoleHarness::Key(UINT nVirtKey, DWORD dwKeyState) {
  SendKey(m_hEdit, nVirtKey, dwKeyState);
  SetKeyState(false, false);
}

const EditBuffer& ConsoleHarness::Buffer() const {
  static const EditBuffer kEmpty;
  const EditBuffer* p = m_console.GetEditBuffer();
  return p != nullptr ? *p : kEmpty;
}

EditBuffer& ConsoleHarness::MutableBuffer() {
  return *m_console.GetEditBuffer();
}

std::string ConsoleHarness::Lines() const {
  std::string text = Text();
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text.compare(i, 2, "\r\n") == 0) {
      out += '|';
      ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

std::string ConsoleHarness::LastLine() const {
  return Text().substr(static_cast<size_t>(LastLineStart()));
}
