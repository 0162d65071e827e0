#include "midilib/file_text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(DisplayTextTest, Utf8IsKeptShiftJisDecodedTheRestShownAsBytes) {
  struct Case {
    std::string in;
    std::string expected;
  } kCases[] = {
      {"", ""},
      {"Piano 1", "Piano 1"},
      {"\xE3\x83\x94\xE3\x82\xA2\xE3\x83\x8E", "\xE3\x83\x94\xE3\x82\xA2\xE3\x83\x8E"},
      {"\xF0\x9F\x8E\xB9 keys", "\xF0\x9F\x8E\xB9 keys"},
      // Shift-JIS: katakana "piano", a full-width space, a half-width kana.
      {"\x83\x73\x83\x41\x83\x6D", "\xE3\x83\x94\xE3\x82\xA2\xE3\x83\x8E"},
      {"\x81\x40x\xB1", "\xE3\x80\x80x\xEF\xBD\xB1"},
      // Neither: the byte is shown, decoding goes on behind it.
      {"a\xFF" "b", "a\\xFFb"},
      {"\x83\x73\x81", "\xE3\x83\x94\\x81"},  // a lead byte cut off at the end
      // Overlong UTF-8 and encoded surrogates are not valid UTF-8.
      {"\xC0\xAF", "\xEF\xBE\x80\xEF\xBD\xAF"},         // half-width kana
      {"\xED\xA0\x80", "\xE6\x81\x9D\\x80"},  // an IBM extension kanji
  };
  for (const Case& c : kCases) {
    EXPECT_EQ(c.expected, ToDisplayText(c.in.c_str())) << c.in;
  }
  EXPECT_EQ("", ToDisplayText(nullptr));
}

TEST(DisplayTextTest, LongTextsAreDecodedWhole) {
  std::string sjis;
  std::string utf8;
  for (int i = 0; i < 1000; ++i) {
    sjis += "\x83\x73";
    utf8 += "\xE3\x83\x94";
  }
  EXPECT_EQ(utf8, ToDisplayText(sjis.c_str()));
}

}  // namespace
