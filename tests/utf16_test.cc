#include "frontends/win32/utf16.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace {

TEST(Utf16Test, TextCrossesToWindowsAndBackWholeAndBadUnitsBecomeReplacements) {
  // Latin, a Japanese title, a character beyond U+FFFF (a surrogate pair).
  const std::string text = "Open \"ピアノ 🎹.mid\"\r\n";
  std::u16string wide = Utf8ToUtf16(text);
  EXPECT_EQ(u"Open \"ピアノ 🎹.mid\"\r\n", wide);
  EXPECT_EQ(text, Utf16ToUtf8(wide));
  // Bytes that are no UTF-8 (a stray continuation, a cut sequence at the
  // end, an encoded surrogate, a slash in two and in three bytes) and
  // lone surrogates.
  EXPECT_EQ(u"a\uFFFDb\uFFFD\uFFFD", Utf8ToUtf16("a\x80" "b\xE3\x83"));
  EXPECT_EQ(u"\uFFFD\uFFFD\uFFFD/", Utf8ToUtf16("\xED\xA0\x80/"));
  EXPECT_EQ(u"\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD", Utf8ToUtf16("\xC0\xAF\xE0\x80\xAF"));
  // A sequence cut by the length given, whatever the bytes after it.
  const std::string piano = "\xE3\x83\x94";
  EXPECT_EQ(u"\uFFFD\uFFFD", Utf8ToUtf16(std::string_view(piano).substr(0, 2)));
  EXPECT_EQ("x\xEF\xBF\xBDy\xEF\xBF\xBD", Utf16ToUtf8(u"x\xDC00y\xD800"));
}

TEST(Utf16Test, AUnitOfTheWindowsTextFindsItsCharactersByte) {
  // Units: a 0, \x80 1 (a replacement), ピ 2, 🎹 3 and 4, b 5.
  const std::string text = "a\x80ピ🎹b";
  const size_t kExpected[] = {0, 1, 2, 5, 5, 9, 10, 10};
  for (size_t i = 0; i < std::size(kExpected); ++i) {
    EXPECT_EQ(kExpected[i], Utf8OffsetOfUtf16Unit(text, i)) << "unit " << i;
  }
}

TEST(Utf16Test, TypedSurrogatesJoinIntoOneCharacterAndLoneHalvesAreReplaced) {
  CSurrogateJoiner joiner;
  EXPECT_EQ(U"a", joiner.Take(u'a'));
  // 🎹 U+1F3B9 typed as two WM_CHARs.
  EXPECT_EQ(U"", joiner.Take(0xD83C));
  EXPECT_EQ(U"\U0001F3B9", joiner.Take(0xDFB9));
  // A high half followed by a plain character: both come out.
  EXPECT_EQ(U"", joiner.Take(0xD83C));
  EXPECT_EQ(U"\uFFFDx", joiner.Take(u'x'));
  // A low half alone.
  EXPECT_EQ(U"\uFFFD", joiner.Take(0xDFB9));
  // A high half followed by another high half, then its low one.
  EXPECT_EQ(U"", joiner.Take(0xD83C));
  EXPECT_EQ(U"\uFFFD", joiner.Take(0xD83C));
  EXPECT_EQ(U"\U0001F3B9", joiner.Take(0xDFB9));
}

}  // namespace
