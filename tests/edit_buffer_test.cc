#include "console/edit_buffer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

namespace {

// "ab" CR LF "" CR LF "cde": three lines starting at 0, 4 and 6.
constexpr char kThreeLines[] = "ab\r\n\r\ncde";

std::string ReadLine(const EditBuffer& buffer, int nLine, std::uint16_t nCapacity,
                     int* pnCopied) {
  char szBuffer[64];
  std::memset(szBuffer, '*', sizeof(szBuffer));
  std::memcpy(szBuffer, &nCapacity, sizeof(nCapacity));
  *pnCopied = buffer.GetLine(nLine, szBuffer);
  // Everything behind the copied bytes stays untouched, so no zero is added.
  for (int i = *pnCopied; i < static_cast<int>(sizeof(szBuffer)); ++i) {
    if (i >= 2 && szBuffer[i] != '*') ADD_FAILURE() << "byte " << i << " written";
  }
  return std::string(szBuffer, static_cast<size_t>(*pnCopied));
}

TEST(EditBufferTest, LinesAreSeparatedByCrLfOnly) {
  EditBuffer buffer;
  EXPECT_EQ(1, buffer.GetLineCount());
  buffer.SetText("a\nb\rc\n\r\n");  // lone LF and CR are bytes of their line
  EXPECT_EQ(2, buffer.GetLineCount());
  EXPECT_EQ(6, buffer.LineLength(0));
  EXPECT_EQ(0, buffer.LineLength(8));
  buffer.SetText(kThreeLines);
  EXPECT_EQ(3, buffer.GetLineCount());
  EXPECT_EQ(9, buffer.GetTextLength());
}

TEST(EditBufferTest, LineIndexAndLineFromChar) {
  EditBuffer buffer;
  buffer.SetText(kThreeLines);
  EXPECT_EQ(0, buffer.LineIndex(0));
  EXPECT_EQ(4, buffer.LineIndex(1));
  EXPECT_EQ(6, buffer.LineIndex(2));
  EXPECT_EQ(-1, buffer.LineIndex(3));  // past the last line
  EXPECT_EQ(0, buffer.LineIndex(-5));

  // The CR and LF of a break belong to the line they end.
  const int kExpectedLine[] = {0, 0, 0, 0, 1, 1, 2, 2, 2, 2};
  for (int nPos = 0; nPos <= 9; ++nPos) {
    EXPECT_EQ(kExpectedLine[nPos], buffer.LineFromChar(nPos)) << nPos;
  }
  EXPECT_EQ(2, buffer.LineFromChar(1000));  // past the text: the last line
  EXPECT_EQ(0, buffer.LineFromChar(-7));

  // -1: LineIndex takes the caret's line, LineFromChar the selection start's.
  buffer.SetSel(7, 1);  // anchor on line 2, caret on line 0
  EXPECT_EQ(0, buffer.LineIndex(-1));
  EXPECT_EQ(0, buffer.LineFromChar(-1));
  buffer.SetSel(1, 7);
  EXPECT_EQ(6, buffer.LineIndex(-1));
  EXPECT_EQ(0, buffer.LineFromChar(-1));
}

TEST(EditBufferTest, LineLength) {
  EditBuffer buffer;
  buffer.SetText(kThreeLines);
  EXPECT_EQ(2, buffer.LineLength(0));
  EXPECT_EQ(2, buffer.LineLength(3));  // on the LF of line 0
  EXPECT_EQ(0, buffer.LineLength(4));
  EXPECT_EQ(3, buffer.LineLength(6));
  EXPECT_EQ(3, buffer.LineLength(9));    // the end of the text
  EXPECT_EQ(0, buffer.LineLength(10));   // past it, as the control answers
  EXPECT_EQ(0, buffer.LineLength(500));
  EXPECT_EQ(2, buffer.LineLength(-3));
  // -1: the unselected bytes of the lines the selection touches.
  buffer.SetSel(1, 8);  // "b" stays before, "e" after
  EXPECT_EQ(2, buffer.LineLength(-1));
  buffer.SetSel(7, 7);
  EXPECT_EQ(3, buffer.LineLength(-1));
}

TEST(EditBufferTest, SelectionClampsLikeTheControl) {
  EditBuffer buffer;
  buffer.SetText(kThreeLines);
  int nStart = -2, nEnd = -2;
  buffer.SetSel(0, -1);  // select all
  buffer.GetSel(&nStart, &nEnd);
  EXPECT_EQ(0, nStart);
  EXPECT_EQ(9, nEnd);
  buffer.SetSel(100, 3);  // reversed: reported in order, caret at 3
  buffer.GetSel(&nStart, &nEnd);
  EXPECT_EQ(3, nStart);
  EXPECT_EQ(9, nEnd);
  EXPECT_EQ(3, buffer.GetCaret());
  buffer.SetSel(-1, 0);  // deselect: the caret stays
  buffer.GetSel(&nStart, &nEnd);
  EXPECT_EQ(3, nStart);
  EXPECT_EQ(3, nEnd);
  buffer.SetSel(-4, 2);  // other negatives are past the end
  buffer.GetSel(&nStart, &nEnd);
  EXPECT_EQ(2, nStart);
  EXPECT_EQ(9, nEnd);
  buffer.SetText("xy");
  buffer.GetSel(&nStart, &nEnd);
  EXPECT_EQ(0, nStart);
  EXPECT_EQ(0, nEnd);
}

TEST(EditBufferTest, ReplaceSelection) {
  EditBuffer buffer;
  buffer.SetText(kThreeLines);
  buffer.ClearScrollCaretRequest();
  buffer.SetSel(8, 1);
  buffer.ReplaceSel("XY");
  EXPECT_EQ("aXYe", buffer.GetText());
  EXPECT_EQ(3, buffer.GetCaret());
  EXPECT_EQ(3, buffer.GetAnchor());
  EXPECT_TRUE(buffer.IsScrollCaretRequested());
  buffer.SetSel(0, 2);
  buffer.ReplaceSel(nullptr);  // null deletes
  EXPECT_EQ("Ye", buffer.GetText());
  buffer.SetSel(2, 2);
  buffer.ReplaceSel("\r\n");
  EXPECT_EQ(2, buffer.GetLineCount());
  EXPECT_EQ(4, buffer.GetCaret());
  buffer.SetText(nullptr);
  EXPECT_EQ(0, buffer.GetTextLength());
}

TEST(EditBufferTest, MarkFollowsItsTextAndGoesWhenAnEditTouchesIt) {
  auto mark = [](const EditBuffer& buffer) {
    int nStart = 0;
    int nEnd = 0;
    buffer.GetMark(&nStart, &nEnd);
    return std::pair<int, int>{nStart, nEnd};
  };
  EditBuffer buffer;
  buffer.SetText("ab\r\ncdef\r\nroot>");  // lines at 0, 4 and 10
  buffer.SetMark(7, 5);                     // "de", dragged leftwards
  EXPECT_EQ((std::pair<int, int>{5, 7}), mark(buffer));
  EXPECT_EQ(7, buffer.GetMarkAnchor());
  std::uint64_t nChanges = buffer.GetChangeCount();
  buffer.SetSel(15, 15);  // the caret moves, the mark stays
  buffer.ReplaceSel("x");
  buffer.SetSel(7, 7);  // typed right behind it: not touched
  buffer.ReplaceSel("y");
  buffer.SetSel(5, 5);  // right before it: moved
  buffer.ReplaceSel("z");
  EXPECT_EQ((std::pair<int, int>{6, 8}), mark(buffer));
  EXPECT_EQ("de", buffer.GetText().substr(6, 2));
  buffer.SetSel(0, 4);  // the line limit deletes the first line
  buffer.ReplaceSel(nullptr);
  EXPECT_EQ((std::pair<int, int>{2, 4}), mark(buffer));
  EXPECT_EQ("czdeyf\r\nroot>x", buffer.GetText());
  EXPECT_GT(buffer.GetChangeCount(), nChanges);
  nChanges = buffer.GetChangeCount();
  buffer.SetMark(99, -1);  // clamped as SetSel clamps; not a change
  EXPECT_EQ((std::pair<int, int>{14, 14}), mark(buffer));
  EXPECT_FALSE(buffer.HasMark());
  EXPECT_EQ(nChanges, buffer.GetChangeCount());
  for (auto [nFrom, nTo] : {std::pair{1, 3}, std::pair{3, 5}, std::pair{2, 4}}) {
    buffer.SetMark(2, 4);
    buffer.SetSel(nFrom, nTo);  // overlapping it, from either side, or it
    buffer.ReplaceSel("q");
    EXPECT_FALSE(buffer.HasMark()) << nFrom << ".." << nTo;
    buffer.SetText("czdeyf\r\nroot>x");
  }
  buffer.SetMark(2, 4);
  buffer.SetText("new");
  EXPECT_FALSE(buffer.HasMark());
}

TEST(EditBufferTest, GetLineHonoursCapacityAndAddsNoZero) {
  EditBuffer buffer;
  buffer.SetText(kThreeLines);
  int nCopied = 0;
  EXPECT_EQ("cde", ReadLine(buffer, 2, 60, &nCopied));
  EXPECT_EQ(3, nCopied);
  EXPECT_EQ("cd", ReadLine(buffer, 2, 2, &nCopied));
  EXPECT_EQ("", ReadLine(buffer, 1, 60, &nCopied));
  EXPECT_EQ("", ReadLine(buffer, 3, 60, &nCopied));  // past the last line
  EXPECT_EQ("", ReadLine(buffer, 0, 0, &nCopied));
  buffer.SetSel(5, 5);
  EXPECT_EQ("", ReadLine(buffer, -1, 60, &nCopied));  // the caret's line
  buffer.SetSel(9, 9);
  EXPECT_EQ("cde", ReadLine(buffer, -1, 60, &nCopied));
  EXPECT_EQ("ab", ReadLine(buffer, -9, 60, &nCopied));
}

TEST(EditBufferTest, RedrawFlagAndChangeCount) {
  EditBuffer buffer;
  EXPECT_TRUE(buffer.IsRedrawOn());
  buffer.SetRedraw(false);
  buffer.SetRedraw(false);
  EXPECT_FALSE(buffer.IsRedrawOn());
  std::uint64_t nBefore = buffer.GetChangeCount();
  buffer.SetRedraw(true);  // one "on" ends both "off"s
  EXPECT_TRUE(buffer.IsRedrawOn());
  EXPECT_GT(buffer.GetChangeCount(), nBefore);
  nBefore = buffer.GetChangeCount();
  buffer.ScrollCaret();
  EXPECT_TRUE(buffer.IsScrollCaretRequested());
  buffer.ClearScrollCaretRequest();
  EXPECT_FALSE(buffer.IsScrollCaretRequested());
  EXPECT_EQ(nBefore, buffer.GetChangeCount());
}

// The line count and the start of the last line are kept with each change
// rather than counted: after every replacement, wherever it falls (breaks
// made or split at either edge, the last break deleted, the first line
// trimmed) and after SetText, they agree with the text counted afresh.
TEST(EditBufferTest, LinesKeptWithEveryChangeMatchTheText) {
  const char* const kPieces[] = {"", "a", "\r", "\n", "\r\n", "x\r\ny", "\r\r\n\n"};
  EditBuffer buffer;
  unsigned int nSeed = 12345;
  auto next = [&nSeed](int nRange) {
    nSeed = nSeed * 1103515245u + 12345u;
    return static_cast<int>((nSeed >> 16) % static_cast<unsigned int>(nRange));
  };
  for (int nStep = 0; nStep < 4000; ++nStep) {
    int nLength = buffer.GetTextLength();
    if (nStep % 500 == 0) {
      buffer.SetText("ab\r\n\rc\n\r\nd");
    } else {
      int nStart = next(nLength + 1);
      int nEnd = std::min(nLength, nStart + next(4));
      buffer.SetSel(nStart, nEnd);
      buffer.ReplaceSel(kPieces[next(7)]);
    }
    const std::string& text = buffer.GetText();
    int nLines = 1;
    size_t nLastStart = 0;
    for (size_t j = text.find("\r\n"); j != std::string::npos; j = text.find("\r\n", j + 2)) {
      ++nLines;
      nLastStart = j + 2;
    }
    ASSERT_EQ(nLines, buffer.GetLineCount()) << nStep << ": " << text;
    ASSERT_EQ(static_cast<int>(nLastStart), buffer.LineIndex(nLines - 1)) << nStep << ": " << text;
    ASSERT_EQ(nLines - 1, buffer.LineFromChar(static_cast<int>(text.size())));
    ASSERT_EQ(static_cast<int>(text.size() - nLastStart),
              buffer.LineLength(static_cast<int>(text.size())));
    if (nLastStart > 0) {
      // The LF of the last break still belongs to the line before.
      ASSERT_EQ(nLines - 2, buffer.LineFromChar(static_cast<int>(nLastStart) - 1)) << nStep;
    }
  }
}

}  // namespace
