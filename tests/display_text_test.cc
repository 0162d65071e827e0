#include "midilib/file_text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "midilib/cp932.h"

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

// Shift-JIS as Windows reads and writes it, both ways from one table: every
// character that a byte or pair reads as is written back as bytes that read
// as it again, the same bytes for all but the second copies of NEC's and
// IBM's characters; nothing else has a form.
TEST(DisplayTextTest, ShiftJisReadsAndWritesAsWindowsDoes) {
  int nSingles = 0;
  int nPairs = 0;
  int nCopies = 0;
  for (int nFirst = 0; nFirst < 0x100; ++nFirst) {
    for (int nSecond = -1; nSecond < 0x100; ++nSecond) {
      const uint8_t bytes[2] = {static_cast<uint8_t>(nFirst), static_cast<uint8_t>(nSecond)};
      size_t n = nSecond < 0 ? 1 : 2;
      char32_t c;
      if (DecodeShiftJisChar(bytes, n, &c) != n) continue;
      uint8_t form[2];
      size_t nForm = EncodeShiftJisChar(c, form);
      char32_t back = 0;
      SCOPED_TRACE(testing::Message() << std::hex << nFirst << " " << nSecond);
      ASSERT_NE(0u, nForm);
      ASSERT_EQ(nForm, DecodeShiftJisChar(form, nForm, &back));
      ASSERT_EQ(c, back);
      if (nForm == n && form[0] == bytes[0] && (n == 1 || form[1] == bytes[1])) {
        ++(n == 1 ? nSingles : nPairs);
      } else {
        ++nCopies;
      }
    }
  }
  // ASCII and the half-width katakana; 7,326 double-byte characters and
  // the 1,880 of the user-defined rows; 398 second copies.
  EXPECT_EQ(128 + 63, nSingles);
  EXPECT_EQ(7326 + 1880, nPairs);
  EXPECT_EQ(398, nCopies);
  int nWritten = 0;
  for (char32_t c = 0; c < 0x10000; ++c) {
    uint8_t form[2];
    if (EncodeShiftJisChar(c, form) != 0) ++nWritten;
  }
  EXPECT_EQ(nSingles + nPairs, nWritten);

  struct Case {
    char32_t c;
    std::string bytes;  // "" for none
  } kCases[] = {
      {U'\\', "\x5C"},  {U'~', "\x7E"}, {U'\uFF3C', "\x81\x5F"}, {U'\uFF5E', "\x81\x60"},
      {U'\uFF61', "\xA1"},
      // Of several pairs, the lowest, but IBM's before NEC's copy of them.
      {U'\u2252', "\x81\xE0"},  // not 87 90
      {U'\u2160', "\x87\x54"},  // not FA 4A
      {U'\u2170', "\xFA\x40"},  // not EE EF
      {U'\u7E8A', "\xFA\x5C"},  // not ED 40
      // Written by other converters as the bytes of a look-alike, which
      // Windows reads back as that: ¥ ‾ as \ ~, 〜 − — ‖ ¢ £ ¬ as ～ － ― ∥
      // ￠ ￡ ￢.
      {U'\u00A5', ""}, {U'\u203E', ""}, {U'\u301C', ""}, {U'\u2212', ""}, {U'\u2014', ""},
      {U'\u2016', ""}, {U'\u00A2', ""}, {U'\u00A3', ""}, {U'\u00AC', ""},
      // Bytes Windows alone reads as characters: a C1 control, private use.
      {U'\u0080', ""}, {U'\uF8F0', ""},
      {U'\U0001F3B9', ""}, {U'\U000E0041', ""},  // beyond the BMP: a tag letter
  };
  for (const Case& c : kCases) {
    uint8_t form[2];
    size_t n = EncodeShiftJisChar(c.c, form);
    EXPECT_EQ(c.bytes, std::string(reinterpret_cast<const char*>(form), n))
        << std::hex << static_cast<uint32_t>(c.c);
  }
  std::string sjis;
  EXPECT_TRUE(Utf8ToShiftJis("\xE3\x83\x94\xEF\xBD\xB1" "a", 7, &sjis));
  EXPECT_EQ("\x83\x73\xB1" "a", sjis);
  EXPECT_FALSE(Utf8ToShiftJis("\xE3\x80\x9C", 3, &sjis));   // 〜
  EXPECT_FALSE(Utf8ToShiftJis("\xF3\xA0\x81\x81", 4, &sjis));  // a tag letter
  EXPECT_FALSE(Utf8ToShiftJis("\xE3\x83", 2, &sjis));  // cut short
  EXPECT_EQ("\\x80\\xA0\\xFD\\x85@\\x81\x7F\xE7\xBA\x8A",
            ToDisplayText("\x80\xA0\xFD\x85\x40\x81\x7F\xED\x40"));
}

}  // namespace

