#include "console/paste_text.h"

#include <gtest/gtest.h>

#include "console/edit_buffer.h"

namespace {

TEST(PasteTextTest, FirstClipboardLineStopsAtTheFirstBreak) {
  struct Case {
    const char* pszClipboard;
    const char* pszLine;
  } cases[] = {{"open a.mid\r\nexport b.vmd", "open a.mid"},
               {"one\ntwo", "one"},
               {"one\rtwo", "one"},
               {"\r\nafter a break", ""},
               {"", ""},
               {"no break", "no break"},
               {"トラック\r\n", "トラック"}};
  for (const Case& c : cases) {
    EXPECT_EQ(c.pszLine, FirstClipboardLine(c.pszClipboard)) << c.pszClipboard;
  }
  EXPECT_EQ("", FirstClipboardLine(nullptr));
}

TEST(PasteTextTest, DropPathIsQuoted) {
  EXPECT_EQ("\"/home/me/My Songs/a.mid\"",
            QuotedDropPath("/home/me/My Songs/a.mid"));
  EXPECT_EQ("\"\"", QuotedDropPath(""));
}

TEST(PasteTextTest, LongDropPathIsCutTo255Bytes) {
  std::string exact(255, 'a');
  EXPECT_EQ("\"" + exact + "\"", QuotedDropPath(exact));
  EXPECT_EQ("\"" + exact + "\"", QuotedDropPath(exact + "bcd"));
}

TEST(PasteTextTest, CutNeverSplitsACharacter) {
  // 254 ASCII bytes, then a three-byte character over the limit: the whole
  // character goes.
  std::string path(254, 'a');
  path += "あ";  // E3 81 82
  EXPECT_EQ("\"" + std::string(254, 'a') + "\"", QuotedDropPath(path));
  // A character that ends exactly at the limit stays.
  std::string fits(252, 'a');
  fits += "あ";
  EXPECT_EQ("\"" + fits + "\"", QuotedDropPath(fits + "z"));
}

// Only the quotes of the caret's line before the paste point count: those of
// earlier lines and those after the selection end don't.
TEST(PasteTextTest, CaretInQuotesCountsTheQuotesBeforeItOnItsLine) {
  EditBuffer buffer;
  buffer.SetText("File Open \"a\r\nroot>Open \"x\" \"");
  int nEnd = buffer.GetTextLength();
  buffer.SetSel(nEnd, nEnd);
  EXPECT_TRUE(IsCaretInQuotes(buffer));
  buffer.SetSel(nEnd - 1, nEnd - 1);
  EXPECT_FALSE(IsCaretInQuotes(buffer));
  buffer.SetSel(nEnd, nEnd - 5);  // the paste goes in at the selection end
  EXPECT_TRUE(IsCaretInQuotes(buffer));
  buffer.SetSel(0, 11);
  EXPECT_TRUE(IsCaretInQuotes(buffer));
  buffer.SetSel(16, 16);  // "ro": the first line's quote is not on it
  EXPECT_FALSE(IsCaretInQuotes(buffer));
}

}  // namespace
