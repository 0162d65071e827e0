#include "console/display_width.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(DisplayWidthTest, WideAndFullWidthCountTwoHalfWidthOne) {
  struct Case {
    const char* psz;
    size_t nWidth;
  } kCases[] = {
      {"", 0},
      {"pedal", 5},
      {"\xE3\x83\x9A\xE3\x83\x80\xE3\x83\xAB", 6},     // katakana "pedal"
      {"\xE9\x8D\xB5", 2},                              // a kanji
      {"\xEF\xBC\xA1\xE3\x80\x80", 4},                  // full-width A, ideographic space
      {"\xEF\xBD\xB1", 1},                              // half-width katakana
      {"\xEA\xB0\x80", 2},                              // hangul
      {"\xF0\x9F\x8E\xB9", 2},                          // a wide emoji
      {"e\xCC\x81", 1},                                 // a combining accent
      {"\xC3\xA9", 1},                                  // Latin, two bytes
      {"a\xFF" "b", 3},                                 // a byte of no UTF-8
      {"\xE9\x8D", 2},                                  // a kanji cut short
      {"\xC0\xAF", 2},                                  // overlong
  };
  for (const Case& c : kCases) EXPECT_EQ(c.nWidth, DisplayWidth(c.psz)) << c.psz;
  EXPECT_EQ("\xE9\x8D\xB5 |", PadToWidth("\xE9\x8D\xB5", 3) + "|");
  EXPECT_EQ("abcd", PadToWidth("abcd", 3));
}

TEST(DisplayWidthTest, WrapsAtBlanksCutsLongWordsAndKeepsFittingLinesAsGiven) {
  using Lines = std::vector<std::string>;
  // A line that fits stays whole, trailing blanks and all.
  EXPECT_EQ(Lines({"abc  "}), WrapToWidth("abc  ", 5, 2));
  EXPECT_EQ(Lines({"one two", "  three"}), WrapToWidth("one two three", 9, 2));
  EXPECT_EQ(Lines({"one", "  two", "  three"}), WrapToWidth("one   two three", 7, 2));
  // A word wider than the room is cut between characters, never inside one.
  EXPECT_EQ(Lines({"abcde", "  fgh", "  ij"}), WrapToWidth("abcdefghij", 5, 2));
  std::string kanji = "\xE9\x8D\xB5";
  EXPECT_EQ(Lines({"a" + kanji + kanji, "  " + kanji}),
            WrapToWidth("a" + kanji + kanji + kanji, 6, 2));
  // Leading blanks belong to the first line; no line is empty.
  EXPECT_EQ(Lines({"  001  x", "  long"}), WrapToWidth("  001  x long", 9, 2));
  // An indent wider than half the line would leave no room.
  EXPECT_EQ(Lines({"abcd", "  ef"}), WrapToWidth("abcdef", 4, 10));
  for (const std::string& line : WrapToWidth(std::string(200, 'x') + " " + kanji, 64, 30)) {
    EXPECT_LE(DisplayWidth(line), 64u) << line;
  }
}

}  // namespace
