#include "console/console_output.h"

#include <gtest/gtest.h>

#include <string>

#include "console/edit_buffer.h"

namespace {

class ConsoleOutputTest : public testing::Test {
 protected:
  // Fills the console with nLines lines, the last one empty.
  void FillLines(int nLines) {
    std::string text;
    for (int i = 1; i < nLines; ++i) text += "line " + std::to_string(i) + "\r\n";
    m_buffer.SetText(text.c_str());
  }
  std::string FirstLine() const {
    const std::string& text = m_buffer.GetText();
    return text.substr(0, text.find("\r\n"));
  }

  EditBuffer m_buffer;
  ConsoleOutput m_console{&m_buffer};
};

TEST_F(ConsoleOutputTest, WritesGoToTheEndAndClearTheSelection) {
  m_buffer.SetText("first\r\nroot>typed");
  m_buffer.SetSel(1, 3);
  EXPECT_EQ(&m_console, &m_console.WriteText("A").WriteText("B"));
  EXPECT_EQ("first\r\nroot>typedAB", m_buffer.GetText());
  int nStart = 0, nEnd = 0;
  m_buffer.GetSel(&nStart, &nEnd);
  EXPECT_EQ(m_buffer.GetTextLength(), nStart);
  EXPECT_EQ(m_buffer.GetTextLength(), nEnd);
  m_console.WriteLine("");
  m_console.WriteLine("n=%d %s", 7, "x");
  EXPECT_EQ("first\r\nroot>typedAB\r\nn=7 x\r\n", m_buffer.GetText());
}

TEST_F(ConsoleOutputTest, WriteLineNeverCutsLongText) {
  std::string title(5000, 'T');
  m_console.WriteLine("Title = \"%s\"\n", title.c_str());
  EXPECT_EQ("Title = \"" + title + "\"\n\r\n", m_buffer.GetText());
}

TEST_F(ConsoleOutputTest, HundredSingleLinesSettleAtEighty) {
  for (int i = 1; i <= 100; ++i) m_console.WriteLine("%d", i);
  EXPECT_EQ(80, m_buffer.GetLineCount());
  EXPECT_EQ("22", FirstLine());  // the 79 latest lines and an empty last one
  EXPECT_EQ(0, m_buffer.LineLength(m_buffer.GetTextLength()));
}

TEST_F(ConsoleOutputTest, MultiLineWriteStaysOverUntilWritesAddNoLine) {
  FillLines(80);
  m_console.WriteLine("one more");
  EXPECT_EQ(80, m_buffer.GetLineCount());
  EXPECT_EQ("line 2", FirstLine());

  m_console.WriteText("a\r\nb\r\nc\r\n");  // three lines at once: 83, one deleted
  EXPECT_EQ(82, m_buffer.GetLineCount());
  m_console.WriteLine("d");  // one in, one out
  EXPECT_EQ(82, m_buffer.GetLineCount());
  m_console.WriteText("root>");  // adds no line
  EXPECT_EQ(81, m_buffer.GetLineCount());
  m_console.WriteText("");
  EXPECT_EQ(80, m_buffer.GetLineCount());
  m_console.WriteText("");
  EXPECT_EQ(80, m_buffer.GetLineCount());
  EXPECT_TRUE(m_buffer.IsRedrawOn());
}

TEST_F(ConsoleOutputTest, TrimDeletesAnEmptyFirstLine) {
  std::string text = "\r\n";
  for (int i = 0; i < 80; ++i) text += "x\r\n";  // 82 lines, the first empty
  m_buffer.SetText(text.c_str());
  m_console.TrimLines();
  EXPECT_EQ(81, m_buffer.GetLineCount());
  EXPECT_EQ("x", FirstLine());
}

// Deleting the first line must not move the caret to the start of the text:
// after a write it stays at the end, and a selection in a later line keeps
// its characters and its direction.
TEST_F(ConsoleOutputTest, TrimmingKeepsTheCaretAndSelectionOnTheirText) {
  FillLines(80);
  m_buffer.SetSel(3, 9);  // in the first line, which the write deletes
  m_console.WriteLine("one more");
  ASSERT_EQ("line 2", FirstLine());
  int nStart = 0, nEnd = 0;
  m_buffer.GetSel(&nStart, &nEnd);
  EXPECT_EQ(m_buffer.GetTextLength(), nStart);
  EXPECT_EQ(m_buffer.GetTextLength(), nEnd);

  // Over the limit, a selection made backwards in line 10 ("line 13").
  m_console.WriteText("a\r\nb\r\n");
  ASSERT_EQ(81, m_buffer.GetLineCount());
  int nLine10 = m_buffer.LineIndex(10);
  m_buffer.SetSel(nLine10 + 6, nLine10 + 1);
  m_console.TrimLines();
  ASSERT_EQ(80, m_buffer.GetLineCount());
  EXPECT_EQ(nLine10 + 6 - 8, m_buffer.GetAnchor());  // "line 3\r\n" went
  EXPECT_EQ(nLine10 + 1 - 8, m_buffer.GetCaret());
  EXPECT_EQ("ine 13", m_buffer.GetText().substr(m_buffer.GetCaret(), 6));

  // A selection inside the deleted line shrinks to the start of the text.
  m_console.WriteText("c\r\nd\r\n");
  ASSERT_EQ(81, m_buffer.GetLineCount());
  m_buffer.SetSel(2, 5);
  m_console.TrimLines();
  EXPECT_EQ(0, m_buffer.GetAnchor());
  EXPECT_EQ(0, m_buffer.GetCaret());
}

TEST_F(ConsoleOutputTest, PromptIsKeptAsACopyOfAtMost63Bytes) {
  EXPECT_EQ("root>", m_console.GetPrompt());
  m_console.SetPrompt("midi>");
  EXPECT_EQ("", m_buffer.GetText());  // setting shows nothing
  std::string copy = m_console.GetPrompt();
  copy[0] = 'X';
  EXPECT_EQ("midi>", m_console.GetPrompt());
  std::string longPrompt(100, 'p');
  m_console.SetPrompt(longPrompt.c_str());
  EXPECT_EQ(std::string(63, 'p'), m_console.GetPrompt());
}

TEST(ConsoleOutputInertTest, WithoutABufferNothingHappens) {
  ConsoleOutput console;
  console.WriteText("x").WriteLine("y");
  console.TrimLines();
  EXPECT_EQ("root>", console.GetPrompt());
}

}  // namespace
