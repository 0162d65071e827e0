#include "console/paste_text.h"

#include <gtest/gtest.h>

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

}  // namespace
