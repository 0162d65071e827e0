// The edit control's own editing: what it does with the keys and characters
// the console passes on.
#include <gtest/gtest.h>

#include "console/edit_buffer.h"
#include "console/edit_buffer_editing.h"
#include "console/edit_control.h"
#include "platform/clipboard.h"
#include "platform/key_input.h"
#include "platform/message_queue.h"

namespace {

constexpr DWORD kShift = KEYSTATE_SHIFT;
constexpr DWORD kCtrl = KEYSTATE_CONTROL;

// An edit control on its own, typed at through its messages.
class EditControlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_hParent = CreatePlatformWindow(nullptr, 0, nullptr);
    m_hEdit = CreateEditControl(m_hParent, 1000);
    m_pBuffer = GetEditBuffer(m_hEdit);
    SetClipboard(&m_clipboard);
  }
  void TearDown() override {
    SetClipboard(nullptr);
    DestroyWindow(m_hParent);
    SetKeyState(false, false);
  }
  void Set(const char* pszText, int nAnchor, int nCaret) {
    m_pBuffer->SetText(pszText);
    m_pBuffer->SetSel(nAnchor, nCaret);
  }
  void Key(UINT nVirtKey, DWORD dwState = 0) { SendKey(m_hEdit, nVirtKey, dwState); }
  void Type(const char* psz, DWORD dwState = 0) {
    SendTypedText(m_hEdit, psz, dwState);
  }
  std::pair<int, int> Sel() const {
    return {m_pBuffer->GetAnchor(), m_pBuffer->GetCaret()};
  }

  HWND m_hParent = nullptr;
  HWND m_hEdit = nullptr;
  EditBuffer* m_pBuffer = nullptr;
  CMemoryClipboard m_clipboard;
};

TEST_F(EditControlTest, TypingReplacesTheSelectionAndKeepsUtf8Whole) {
  Set("hello", 1, 4);
  Type("é€😀");
  EXPECT_EQ("h\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80o", m_pBuffer->GetText());
  EXPECT_EQ(10, m_pBuffer->GetCaret());
  Type("\b");  // the emoji goes as a whole
  EXPECT_EQ("h\xC3\xA9\xE2\x82\xAC" "o", m_pBuffer->GetText());
  Key(VK_LEFT);
  Key(VK_LEFT);
  EXPECT_EQ(1, m_pBuffer->GetCaret());
  Key(VK_DELETE);
  EXPECT_EQ("h\xE2\x82\xAC" "o", m_pBuffer->GetText());
  // Characters that are not characters, and control characters, type
  // nothing.
  EXPECT_FALSE(TypeCharacter(m_pBuffer, 0xD800));
  EXPECT_FALSE(TypeCharacter(m_pBuffer, 0x110000));
  EXPECT_FALSE(TypeCharacter(m_pBuffer, 27));
  EXPECT_EQ("h\xE2\x82\xAC" "o", m_pBuffer->GetText());
}

TEST_F(EditControlTest, LineBreaksAreOneStepAndEdgesAreSafe) {
  Set("ab\r\ncd", 4, 4);
  Type("\b");
  EXPECT_EQ("abcd", m_pBuffer->GetText());
  Set("ab\r\ncd", 2, 2);
  Key(VK_DELETE);
  EXPECT_EQ("abcd", m_pBuffer->GetText());
  Set("ab\r\ncd", 2, 2);
  Key(VK_RIGHT);
  EXPECT_EQ(4, m_pBuffer->GetCaret());
  Key(VK_LEFT);
  EXPECT_EQ(2, m_pBuffer->GetCaret());
  Set("ab", 0, 0);
  Type("\b");
  Key(VK_LEFT);
  EXPECT_EQ(0, m_pBuffer->GetCaret());
  Set("ab", 2, 2);
  Key(VK_DELETE);
  Key(VK_RIGHT);
  EXPECT_EQ("ab", m_pBuffer->GetText());
  EXPECT_EQ(2, m_pBuffer->GetCaret());
  Type("\r");
  EXPECT_EQ("ab\r\n", m_pBuffer->GetText());
}

TEST_F(EditControlTest, MovementAndShiftSelection) {
  Set("first line\r\nsecond\r\nthird line", 15, 15);  // "sec|ond"
  Key(VK_HOME);
  EXPECT_EQ(12, m_pBuffer->GetCaret());
  Key(VK_END, kShift);
  EXPECT_EQ((std::pair<int, int>{12, 18}), Sel());
  Key(VK_LEFT, kShift);
  EXPECT_EQ((std::pair<int, int>{12, 17}), Sel());
  Key(VK_LEFT);  // collapses to the selection's start
  EXPECT_EQ((std::pair<int, int>{12, 12}), Sel());
  Key(VK_UP);
  EXPECT_EQ(0, m_pBuffer->GetCaret());
  Key(VK_END);
  Key(VK_DOWN);  // column 10 on a 6-long line: its end
  EXPECT_EQ(18, m_pBuffer->GetCaret());
  Key(VK_HOME, kCtrl);
  EXPECT_EQ(0, m_pBuffer->GetCaret());
  Key(VK_END, kCtrl | kShift);
  EXPECT_EQ((std::pair<int, int>{0, 30}), Sel());
  Key(VK_RIGHT, kCtrl);  // from the caret, nothing selected after moving
  EXPECT_EQ((std::pair<int, int>{30, 30}), Sel());
  Key(VK_LEFT, kCtrl);
  EXPECT_EQ(26, m_pBuffer->GetCaret());  // start of "line"
  SendMessageA(m_hEdit, EM_SETPAGELINES, 2, 0);
  Key(VK_PRIOR);
  EXPECT_EQ(6, m_pBuffer->GetCaret());  // two lines up, same column
  Key(VK_NEXT, kShift);
  EXPECT_EQ((std::pair<int, int>{6, 26}), Sel());
  Key(VK_NEXT);
  EXPECT_EQ(26, m_pBuffer->GetCaret());  // already on the last line
}

TEST_F(EditControlTest, CutCopyAndPasteGoThroughTheClipboard) {
  Set("one two", 0, 3);
  Type("\x03", kCtrl);  // Ctrl+C
  EXPECT_EQ("one", m_clipboard.m_text);
  m_pBuffer->SetSel(3, 7);
  Key(VK_DELETE, kShift);  // Shift+Delete cuts
  EXPECT_EQ("one", m_pBuffer->GetText());
  EXPECT_EQ(" two", m_clipboard.m_text);
  Type("\x16", kCtrl);  // Ctrl+V: the control's own paste
  EXPECT_EQ("one two", m_pBuffer->GetText());
  m_pBuffer->SetSel(0, 3);
  Key(VK_INSERT, kCtrl);
  EXPECT_EQ("one", m_clipboard.m_text);
  Type("\x18", kCtrl);  // Ctrl+X
  EXPECT_EQ(" two", m_pBuffer->GetText());
  Type("\x01", kCtrl);  // Ctrl+A
  EXPECT_EQ((std::pair<int, int>{0, 4}), Sel());
  // An empty selection leaves the clipboard alone; a busy one is skipped.
  m_pBuffer->SetSel(1, 1);
  Type("\x03", kCtrl);
  EXPECT_EQ("one", m_clipboard.m_text);
  m_clipboard.m_bBusy = true;
  m_pBuffer->SetSel(0, 4);
  Type("\x18", kCtrl);
  EXPECT_EQ("", m_pBuffer->GetText());  // cut still deletes, as the control does
  EXPECT_EQ(m_clipboard.m_nOpens, m_clipboard.m_nCloses);
}

TEST_F(EditControlTest, CopyTakesTheMouseMarkWholeOverLinesAndJapanese) {
  // Track 1 "ピアノ 右手" and track 2 "左手" listed, the input line typed.
  const std::string kText = "1 ピアノ 右手\r\n2 左手\r\ntrack>abc";
  const int kMarkStart = static_cast<int>(std::string("1 ピア").size());
  const int kMarkEnd = static_cast<int>(std::string("1 ピアノ 右手\r\n2 左").size());
  const int kInputLine = static_cast<int>(kText.size()) - 3;
  Set(kText.c_str(), kInputLine, kInputLine + 2);  // "ab" selected by keys
  m_pBuffer->SetMark(kMarkEnd, kMarkStart);
  Type("\x03", kCtrl);  // Ctrl+C
  EXPECT_EQ("ノ 右手\r\n2 左", m_clipboard.m_text);
  EXPECT_EQ((std::pair<int, int>{kInputLine, kInputLine + 2}), Sel());
  m_clipboard.m_text.clear();
  Key(VK_INSERT, kCtrl);
  EXPECT_EQ("ノ 右手\r\n2 左", m_clipboard.m_text);
  Type("\x18", kCtrl);  // a cut takes the selection, never the mark
  EXPECT_EQ("ab", m_clipboard.m_text);
  EXPECT_EQ("ノ 右手\r\n2 左", GetTextToCopy(*m_pBuffer));
  Key(VK_LEFT, kShift);  // a selection made with the keys replaces the mark
  EXPECT_FALSE(m_pBuffer->HasMark());
  Type("\x03", kCtrl);
  EXPECT_EQ(">", m_clipboard.m_text);
  m_pBuffer->SetMark(0, 5);
  Type("\x01", kCtrl);  // and so does Ctrl+A
  EXPECT_FALSE(m_pBuffer->HasMark());

  // A double click marks the word it hits, whole characters, in its line.
  auto wordAt = [&](const char* pszBefore) {
    MarkWordAt(m_pBuffer, static_cast<int>(std::string(pszBefore).size()));
    return GetTextToCopy(*m_pBuffer);
  };
  Set(kText.c_str(), 0, 0);
  EXPECT_EQ("ピアノ", wordAt("1 ピア"));
  EXPECT_EQ(" ", wordAt("1 ピアノ"));
  EXPECT_EQ("右手", wordAt("1 ピアノ 右手"));  // past the line's end
  EXPECT_EQ("abc", wordAt("1 ピアノ 右手\r\n2 左手\r\ntrack>abc"));
  EXPECT_EQ(">", wordAt("1 ピアノ 右手\r\n2 左手\r\ntrack"));
  Set("a\r\n\r\n  b", 0, 0);
  EXPECT_EQ("  ", wordAt("a\r\n\r\n "));  // not the line break before
  MarkWordAt(m_pBuffer, 3);  // an empty line marks nothing
  EXPECT_FALSE(m_pBuffer->HasMark());
}

TEST_F(EditControlTest, AnswersTheEditControlMessagesAndTellsItsParentOfFocus) {
  std::vector<WPARAM> notifications;
  HWND hParent = CreatePlatformWindow(
      nullptr, 0, [&](HWND, UINT m, WPARAM w, LPARAM) -> LRESULT {
        if (m == WM_COMMAND) notifications.push_back(w);
        return 0;
      });
  HWND hEdit = CreateEditControl(hParent, 1000);
  SetWindowTextA(hEdit, "ab\r\ncde");
  EXPECT_EQ(7, GetWindowTextLengthA(hEdit));
  EXPECT_EQ(2, SendMessageA(hEdit, EM_GETLINECOUNT, 0, 0));
  EXPECT_EQ(4, SendMessageA(hEdit, EM_LINEINDEX, 1, 0));
  EXPECT_EQ(1, SendMessageA(hEdit, EM_LINEFROMCHAR, 5, 0));
  EXPECT_EQ(3, SendMessageA(hEdit, EM_LINELENGTH, 5, 0));
  SendMessageA(hEdit, EM_SETSEL, 1, 5);
  DWORD nStart = 0;
  DWORD nEnd = 0;
  SendMessageA(hEdit, EM_GETSEL, reinterpret_cast<WPARAM>(&nStart),
               reinterpret_cast<LPARAM>(&nEnd));
  EXPECT_EQ(1u, nStart);
  EXPECT_EQ(5u, nEnd);
  SendMessageA(hEdit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>("X"));
  char szLine[8] = {};
  *reinterpret_cast<WORD*>(szLine) = 7;
  EXPECT_EQ(4, SendMessageA(hEdit, EM_GETLINE, 0, reinterpret_cast<LPARAM>(szLine)));
  EXPECT_EQ("aXde", std::string(szLine, 4));
  char szText[3] = {};
  EXPECT_EQ(2, SendMessageA(hEdit, WM_GETTEXT, sizeof(szText),
                            reinterpret_cast<LPARAM>(szText)));
  EXPECT_STREQ("aX", szText);
  EXPECT_EQ(nullptr, GetEditBuffer(hParent));  // not an edit control

  SetFocus(hEdit);
  SetFocus(nullptr);
  EXPECT_EQ((std::vector<WPARAM>{1000u | (WPARAM{EN_SETFOCUS} << 16),
                                 1000u | (WPARAM{EN_KILLFOCUS} << 16)}),
            notifications);
  DestroyWindow(hParent);
}

}  // namespace
