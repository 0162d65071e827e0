// The console's key rules, Enter path, built-in words and history, driven
// through the messages the back ends send.
#include <gtest/gtest.h>

#include "console/edit_control.h"
#include "platform/clipboard.h"
#include "platform/drop.h"
#include "platform/gdi.h"
#include "platform/message_queue.h"
#include "tests/console_test_util.h"

namespace {

constexpr DWORD kShift = KEYSTATE_SHIFT;
constexpr DWORD kCtrl = KEYSTATE_CONTROL;

TEST(ShellEditTest, InitializeTakesTheControlOverOrStaysInert) {
  ConsoleHarness h;
  EXPECT_EQ("root>", h.m_console.GetPrompt());
  EXPECT_EQ(-1, h.m_console.GetHistoryPos());
  EXPECT_TRUE(AcceptsFiles(h.m_hEdit));
  EXPECT_EQ(RGB(64, 255, 255), h.m_console.GetTextColor());
  EXPECT_EQ(RGB(0, 32, 64), h.m_console.GetBackgroundColor());

  CShellEditBox inert;
  EXPECT_FALSE(inert.Initialize(nullptr));
  inert.WriteText("lost");  // no window: no effect, no crash
  inert.WriteLine("%s", "lost");
  EXPECT_EQ(nullptr, inert.GetEditBuffer());
  EXPECT_EQ("root>", inert.GetPrompt());
}

TEST(ShellEditTest, CaretQueries) {
  ConsoleHarness h;
  h.m_console.WriteText("\r\n");  // "root>" | "" -> add a prompt line
  h.m_console.WriteText("root>abc");
  int nLast = h.LastLineStart();
  h.Select(nLast, nLast);
  EXPECT_TRUE(h.m_console.IsCaretInPrompt());
  h.Select(nLast + 5, nLast + 5);
  EXPECT_TRUE(h.m_console.IsCaretInPrompt());
  h.Select(nLast + 6, nLast + 6);
  EXPECT_FALSE(h.m_console.IsCaretInPrompt());
  int nLine = 0;
  int nColumn = 0;
  h.m_console.GetCaretLineColumn(&nLine, &nColumn);
  EXPECT_EQ(1, nLine);
  EXPECT_EQ(6, nColumn);
  // A selection starting on an earlier line is not on the last line, even
  // when it ends there.
  h.Select(2, nLast + 7);
  EXPECT_FALSE(h.m_console.IsCaretOnLastLine());
  h.m_console.MoveCaretToEnd();
  EXPECT_EQ(static_cast<int>(h.Text().size()), h.Caret());
  int nStart = 0;
  int nEnd = 0;
  h.Buffer().GetSel(&nStart, &nEnd);
  EXPECT_EQ(nStart, nEnd);
}

TEST(ShellEditTest, LeftAndRightInThePromptGoToTheEndOfTheInput) {
  ConsoleHarness h;
  h.Type("abc");
  h.Select(5, 5);  // right after the prompt
  h.Key(VK_LEFT);
  EXPECT_EQ(8, h.Caret());
  h.Select(5, 5);
  h.Key(VK_RIGHT);
  EXPECT_EQ(8, h.Caret());
  h.Select(2, 2);
  h.Key(VK_LEFT, kShift);  // modifiers do not matter
  EXPECT_EQ(8, h.Caret());
  // One character after the prompt, Left moves onto the prompt's end.
  h.Select(6, 6);
  h.Key(VK_LEFT);
  EXPECT_EQ(5, h.Caret());
  EXPECT_EQ("root>abc", h.LastLine());
}

TEST(ShellEditTest, BackspaceAndDeleteNeverTouchThePrompt) {
  ConsoleHarness h;
  h.Backspace();
  h.Key(VK_DELETE);
  EXPECT_EQ("root>", h.Text());
  h.Type("x");
  h.Backspace();
  EXPECT_EQ("root>", h.Text());
  h.Backspace();
  EXPECT_EQ("root>", h.Text());
  h.Type("ab");
  h.Select(5, 5);
  h.Key(VK_DELETE);  // at the prompt's end: nothing
  EXPECT_EQ("root>ab", h.Text());
  // Inside the prompt, the key first sends the caret to the end of the
  // input, and the character then deletes there.
  h.Select(2, 2);
  h.Backspace();
  EXPECT_EQ("root>a", h.Text());
  h.Type("b");
  // Delete inside the input deletes normally.
  h.Select(6, 6);
  h.Key(VK_DELETE);
  EXPECT_EQ("root>a", h.Text());
  // Not on the last line: nothing.
  h.m_console.WriteText("\r\nroot>zz");
  h.Select(1, 1);
  h.Key(VK_DELETE);
  h.Backspace();
  EXPECT_EQ("root>a|root>zz", h.Lines());
}

TEST(ShellEditTest, SelectionReachingIntoThePromptLosesItsPromptPart) {
  ConsoleHarness h;
  h.Type("hello");
  h.Select(2, 8);  // "ot>hel"
  h.Type("X");
  EXPECT_EQ("root>Xlo", h.Text());
  h.Select(1, 7);  // "oot>Xl": only "Xl" goes
  h.Backspace();
  EXPECT_EQ("root>o", h.Text());
  h.Select(0, 6);
  h.Key(VK_DELETE);
  EXPECT_EQ("root>", h.Text());
  // Cut with a selection inside the prompt and beyond.
  CMemoryClipboard clipboard;
  SetClipboard(&clipboard);
  h.Type("abc");
  h.Select(3, 8);
  h.Type("\x18", kCtrl);  // Ctrl+X
  EXPECT_EQ("root>", h.Text());
  EXPECT_EQ("abc", clipboard.m_text);
  SetClipboard(nullptr);
}

TEST(ShellEditTest, TypingAwayFromTheInputLandsAtItsEnd) {
  ConsoleHarness h;
  h.m_console.SetWindowText("");
  h.m_console.WriteLine("some output");
  h.m_console.WriteText("root>ab");
  // Home puts the caret in the prompt; the next character goes to the end.
  h.Key(VK_HOME);
  EXPECT_EQ(h.LastLineStart(), h.Caret());
  h.Type("c");
  EXPECT_EQ("root>abc", h.LastLine());
  // Ctrl+Home takes the caret to the first line; a character typed there
  // without Shift or Ctrl lands at the end of the input.
  h.Key(VK_HOME, kCtrl);
  EXPECT_EQ(0, h.Caret());
  h.Type("d");
  EXPECT_EQ("some output|root>abcd", h.Lines());
  // Page Up as well.
  h.Key(VK_PRIOR);  // keeps the column, on the first line
  EXPECT_EQ(9, h.Caret());
  h.Type("e");
  EXPECT_EQ("some output|root>abcde", h.Lines());
  // With Shift held the character goes where the caret is.
  h.Key(VK_HOME, kCtrl);
  h.Type("Z", kShift);
  EXPECT_EQ("Zsome output|root>abcde", h.Lines());
}

TEST(ShellEditTest, UpAndDownNeverMoveBetweenLines) {
  ConsoleHarness h;
  h.m_console.WriteLine("earlier");
  h.m_console.WriteText("root>x");
  int nCaret = h.Caret();
  h.Key(VK_UP);
  h.Key(VK_DOWN);
  EXPECT_EQ(nCaret, h.Caret());
  h.Select(2, 2);
  h.Key(VK_UP);
  EXPECT_EQ(2, h.Caret());
  // Away from the input line they recall nothing either, history or not;
  // neither does a selection that only ends on the input line.
  h.m_console.MoveCaretToEnd();
  h.Enter();
  h.Type("typed");
  std::string before = h.Text();
  for (int nStart : {2, 9}) {
    h.Select(nStart, nStart);
    h.Key(VK_UP);
    h.Key(VK_DOWN, kShift);
    EXPECT_EQ(before, h.Text());
    EXPECT_EQ(nStart, h.Caret());
  }
  h.Select(2, static_cast<int>(before.size()));
  h.Key(VK_UP);
  EXPECT_EQ(before, h.Text());
  EXPECT_EQ(-1, h.m_console.GetHistoryPos());
}

TEST(ShellEditTest, ImeCompositionKeepsTheCaretAtThePrompt) {
  ConsoleHarness h;
  h.Type("ab");
  h.Select(5, 5);
  SendMessageA(h.m_hEdit, WM_IME_COMPOSITION, 0, 0);
  EXPECT_TRUE(h.m_console.IsImeComposing());
  h.Key(0x41);  // a key while composing: the caret stays
  EXPECT_EQ(5, h.Caret());
  SendMessageA(h.m_hEdit, WM_IME_COMPOSITION, 0, GCS_RESULTSTR);
  EXPECT_FALSE(h.m_console.IsImeComposing());
  h.Key(0x41);
  EXPECT_EQ(7, h.Caret());
}

TEST(ShellEditTest, EnterHandsTheWholeLastLineOn) {
  ConsoleHarness h;
  h.Enter();  // empty input: handed on as well
  ASSERT_EQ(1u, h.m_handed.size());
  EXPECT_EQ("", h.m_handed[0]);
  EXPECT_EQ("root>|root>", h.Lines());
  EXPECT_TRUE(h.m_console.GetHistory().empty());

  h.Type("show  me ");
  h.Select(h.LastLineStart() + 7, h.LastLineStart() + 7);  // mid-input
  h.Enter();
  ASSERT_EQ(2u, h.m_handed.size());
  EXPECT_EQ("show  me ", h.m_handed[1]);  // untrimmed

  h.Type("Again");
  h.Select(0, 0);  // caret on the first line
  h.Enter();
  EXPECT_EQ("Again", h.m_handed[2]);
  EXPECT_EQ("root>|root>show  me |root>Again|root>", h.Lines());
  EXPECT_EQ(static_cast<int>(h.Text().size()), h.Caret());
}

TEST(ShellEditTest, ACommandsOutputAndNewPromptFollowTheLine) {
  ConsoleHarness h;
  h.m_onLine = [&h](const std::string& line) {
    if (line == "midi") {
      h.m_console.WriteLine("switched");
      h.m_console.SetPrompt("midi>");
    }
  };
  h.EnterLine("midi");
  EXPECT_EQ("root>midi|switched|midi>", h.Lines());
}

TEST(ShellEditTest, BuiltInWords) {
  ConsoleHarness h;
  h.EnterLine("tolk");
  EXPECT_EQ(
      "root>tolk|--------------------------------| tolk ver 0.0.2.0"
      "| 2011 Sonomot|--------------------------------||root>",
      h.Lines());
  EXPECT_TRUE(h.m_handed.empty());

  h.m_console.SetWindowText("");
  h.m_console.WriteText("root>");
  h.EnterLine("his");
  EXPECT_EQ("root>his|tolk||root>", h.Lines());
  h.EnterLine("his");  // "his" itself was stored
  EXPECT_EQ("root>his|tolk||root>his|tolk|his||root>", h.Lines());

  h.EnterLine("clear");
  EXPECT_EQ("|root>", h.Lines());
  ASSERT_EQ(3u, h.m_console.GetHistory().size());
  EXPECT_EQ("clear", h.m_console.GetHistory().back());
  EXPECT_TRUE(h.m_handed.empty());

  // Other case or a trailing blank: not built in, handed on.
  h.EnterLine("Clear");
  h.EnterLine("HIS");
  h.EnterLine("tolk ");
  EXPECT_EQ((std::vector<std::string>{"Clear", "HIS", "tolk "}), h.m_handed);
}

TEST(ShellEditTest, HisWithAnEmptyHistoryLeavesOneEmptyLine) {
  ConsoleHarness h;
  h.EnterLine("his");
  EXPECT_EQ("root>his||root>", h.Lines());
}

TEST(ShellEditTest, DamagedPromptGivesAFreshPromptAndHandsNothingOn) {
  ConsoleHarness h;
  h.m_console.WriteText("\r\nro");  // last line shorter than the prompt
  h.Enter();
  EXPECT_EQ("root>|ro|root>", h.Lines());
  EXPECT_TRUE(h.m_handed.empty());
  EXPECT_TRUE(h.m_console.GetHistory().empty());
}

TEST(ShellEditTest, HistoryRecallOrder) {
  ConsoleHarness h;
  h.EnterLine("a");
  h.EnterLine("b");
  h.EnterLine("c");
  std::vector<std::string> shown;
  for (int i = 0; i < 4; ++i) {
    h.Key(VK_UP);
    shown.push_back(h.LastLine());
  }
  for (int i = 0; i < 3; ++i) {
    h.Key(VK_DOWN);
    shown.push_back(h.LastLine());
  }
  EXPECT_EQ((std::vector<std::string>{"root>c", "root>b", "root>a", "root>a",
                                      "root>b", "root>c", "root>c"}),
            shown);
  // A recalled entry is not entered; Enter resets the position, so the
  // first Down after it shows the newest entry.
  h.Type("x");
  h.Enter();
  EXPECT_EQ("cx", h.m_handed.back());
  h.Key(VK_DOWN);
  EXPECT_EQ("root>cx", h.LastLine());
}

TEST(ShellEditTest, HistoryKeepsThreeDistinctEntries) {
  ConsoleHarness h;
  for (const char* psz : {"a", "b", "c", "b"}) h.EnterLine(psz);
  EXPECT_EQ((std::deque<std::string>{"a", "c", "b"}),
            h.m_console.GetHistory());
  h.EnterLine("d");
  EXPECT_EQ((std::deque<std::string>{"c", "b", "d"}),
            h.m_console.GetHistory());
  h.Key(VK_UP);
  h.Enter();  // "d" again: still three, "d" newest
  h.Enter();  // empty: history unchanged, position reset
  EXPECT_EQ((std::deque<std::string>{"c", "b", "d"}),
            h.m_console.GetHistory());
  EXPECT_EQ(-1, h.m_console.GetHistoryPos());
  h.EnterLine("B");  // case matters
  EXPECT_EQ((std::deque<std::string>{"b", "d", "B"}),
            h.m_console.GetHistory());
}

TEST(ShellEditTest, RecallReplacesTheWholeInputAndEmptyHistoryOnlyScrolls) {
  ConsoleHarness h;
  h.Type("typed");
  h.MutableBuffer().ClearScrollCaretRequest();
  h.Key(VK_UP);
  EXPECT_EQ("root>typed", h.LastLine());
  EXPECT_TRUE(h.Buffer().IsScrollCaretRequested());
  h.Backspace();
  h.Backspace();
  h.Backspace();
  h.Backspace();
  h.Backspace();
  h.EnterLine("first");
  h.Type("long input");
  h.Select(h.LastLineStart() + 7, h.LastLineStart() + 9);
  h.Key(VK_UP);
  EXPECT_EQ("root>first", h.LastLine());
  EXPECT_EQ(static_cast<int>(h.Text().size()), h.Caret());
}

TEST(ShellEditTest, PasteOnlyByRightClickAndDropTypesAQuotedPath) {
  ConsoleHarness h;
  CMemoryClipboard clipboard;
  clipboard.m_bHasText = true;
  clipboard.m_text = "first line\r\nsecond";
  SetClipboard(&clipboard);
  h.Type("\x16", kCtrl);  // Ctrl+V
  h.Key(VK_INSERT, kShift);
  SendMessageA(h.m_hEdit, WM_PASTE, 0, 0);
  EXPECT_EQ("root>", h.Text());

  h.Type("ab");
  h.Select(5, 6);  // "a" selected: the paste goes after it, "a" stays
  SendMessageA(h.m_hEdit, WM_RBUTTONDOWN, 0, 0);
  EXPECT_EQ("root>afirst lineb", h.Text());
  EXPECT_EQ(clipboard.m_nOpens, clipboard.m_nCloses);

  clipboard.m_bBusy = true;
  SendMessageA(h.m_hEdit, WM_RBUTTONDOWN, 0, 0);
  EXPECT_EQ("root>afirst lineb", h.Text());
  SetClipboard(nullptr);

  h.m_console.MoveCaretToEnd();
  HDROP hDrop = CreateDrop({"/tmp/my song.mid", "/tmp/b.mid", "/tmp/c.mid"});
  SendMessageA(h.m_hEdit, WM_DROPFILES, reinterpret_cast<WPARAM>(hDrop), 0);
  EXPECT_EQ("root>afirst lineb\"/tmp/my song.mid\"", h.Text());
  EXPECT_EQ(0, GetOpenDropCount());
}

TEST(ShellEditTest, ClicksNeverMoveTheCaret) {
  ConsoleHarness h;
  h.Type("abc");
  h.Select(6, 7);
  for (UINT uMsg : {WM_LBUTTONDOWN, WM_MBUTTONDOWN, WM_LBUTTONDBLCLK}) {
    SendMessageA(h.m_hEdit, uMsg, 0, 0);
  }
  int nStart = 0;
  int nEnd = 0;
  h.Buffer().GetSel(&nStart, &nEnd);
  EXPECT_EQ(6, nStart);
  EXPECT_EQ(7, nEnd);
  EXPECT_EQ(h.m_hEdit, GetFocus());
}

TEST(ShellEditTest, InsertAtCaretNeverTrims) {
  ConsoleHarness h;
  std::string many;
  for (int i = 0; i < 85; ++i) many += "line\r\n";
  h.MutableBuffer().SetText(many.c_str());
  h.Select(0, 2);
  h.m_console.InsertAtCaret("XY");
  EXPECT_EQ(86, h.Buffer().GetLineCount());
  EXPECT_EQ("liXYne", h.Text().substr(0, 6));
  EXPECT_EQ(4, h.Caret());
}

// The console's own writes keep the 80-line limit, one line per write, and
// leave the caret at the end of the input line even when they trim; changes
// at the caret do not trim.
TEST(ShellEditTest, TheConsolesOwnWritesTrimTowardsEightyLines) {
  ConsoleHarness h;
  std::string text;
  for (int i = 0; i < 85; ++i) text += "l" + std::to_string(i) + "\r\n";
  text += "root>";
  h.MutableBuffer().SetText(text.c_str());  // 86 lines, caret at 0
  auto firstLine = [&h] { return h.Text().substr(0, h.Text().find('\r')); };
  auto atEnd = [&h] { return static_cast<int>(h.Text().size()) == h.Caret(); };
  h.m_console.MoveCaretToEnd();
  EXPECT_EQ(85, h.Buffer().GetLineCount());
  EXPECT_EQ("l1", firstLine());
  EXPECT_TRUE(atEnd());
  // A key in the prompt sends the caret to the end first, which trims.
  h.Key(VK_HOME);
  EXPECT_EQ(84, h.Buffer().GetLineCount());
  h.Type("a");
  EXPECT_EQ(83, h.Buffer().GetLineCount());
  EXPECT_EQ("l3", firstLine());
  EXPECT_EQ("root>a", h.LastLine());
  // Enter: the line break and the prompt trim one line each.
  h.Enter();
  EXPECT_EQ(82, h.Buffer().GetLineCount());
  EXPECT_TRUE(atEnd());
  // Recall does not trim.
  h.Key(VK_UP);
  EXPECT_EQ(82, h.Buffer().GetLineCount());
  EXPECT_EQ("root>a", h.LastLine());
  h.Backspace();
  h.Enter();  // Enter's key in the prompt, the line break, the prompt
  EXPECT_EQ(80, h.Buffer().GetLineCount());
  h.EnterLine("tolk");  // single lines at the limit: one in, one out
  EXPECT_EQ(80, h.Buffer().GetLineCount());
  EXPECT_EQ("root>", h.LastLine());

  // A command that writes three lines at once leaves the console over the
  // limit; the prompt trims one line, and the caret stays at the end, so
  // what is typed next goes on the input line.
  h.m_onLine = [&h](const std::string&) {
    h.m_console.WriteText("a\r\nb\r\nc\r\n");
  };
  h.EnterLine("x");
  EXPECT_EQ(81, h.Buffer().GetLineCount());
  EXPECT_TRUE(atEnd());
  h.Type("yz");
  EXPECT_EQ("root>yz", h.LastLine());
  EXPECT_EQ(static_cast<size_t>(h.LastLineStart() + 5), h.Text().find('y'));
  EXPECT_EQ(80, h.Buffer().GetLineCount());
}

TEST(ShellEditTest, ACommandThatClosesTheWindowEndsTheEnterPathSafely) {
  ConsoleHarness h;
  h.m_onLine = [&h](const std::string&) { DestroyWindow(h.m_hParent); };
  h.EnterLine("exit");
  EXPECT_FALSE(IsWindow(h.m_hEdit));
  EXPECT_EQ(nullptr, h.m_console.GetEditBuffer());
  h.m_console.WriteLine("after the end");  // inert, no crash
}

TEST(ShellEditTest, ReflectedColoursAndOtherReflectedMessagesAreConsumed) {
  ConsoleHarness h;
  HDC__ dc;
  LRESULT lBrush = SendMessageA(h.m_hEdit, OCM_CTLCOLOREDIT,
                                reinterpret_cast<WPARAM>(&dc), 0);
  EXPECT_NE(0, lBrush);
  EXPECT_EQ(RGB(64, 255, 255), dc.crText);
  EXPECT_EQ(RGB(0, 32, 64), dc.crBk);
  // An EN_CHANGE notification goes to default processing (answer 0) and is
  // not passed to the control.
  EXPECT_EQ(0, SendMessageA(h.m_hEdit, OCM_COMMAND,
                            static_cast<WPARAM>(EN_CHANGE) << 16, 0));
}

}  // namespace
