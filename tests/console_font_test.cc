#include "console/console_font.h"

#include <gtest/gtest.h>

namespace {

// The search is once per run; each case starts from a fresh run.
class ConsoleFontTest : public testing::Test {
 protected:
  void SetUp() override { g_nFontLevel = 0; }
};

TEST_F(ConsoleFontTest, HighestScalableFaceWinsInAnyOrder) {
  const std::vector<FontFamilyInfo> both = {{"MS ゴシック", true},
                                            {"DejaVu Sans Mono", true},
                                            {"MeiryoKe_Console", true}};
  EXPECT_EQ(4u, RaiseFontLevel(both));
  g_nFontLevel = 0;
  const std::vector<FontFamilyInfo> reversed(both.rbegin(), both.rend());
  EXPECT_EQ(4u, RaiseFontLevel(reversed));

  g_nFontLevel = 0;
  EXPECT_EQ(2u, RaiseFontLevel({{"メイリオ", true}, {"MS ゴシック", true}}));
  g_nFontLevel = 0;
  EXPECT_EQ(1u, RaiseFontLevel({{"MS ゴシック", true}}));
  g_nFontLevel = 0;
  EXPECT_EQ(0u, RaiseFontLevel({{"DejaVu Sans Mono", true}}));
  g_nFontLevel = 0;
  EXPECT_EQ(0u, RaiseFontLevel({}));
}

TEST_F(ConsoleFontTest, BitmapFontOfAKnownNameDoesNotCount) {
  EXPECT_EQ(2u, RaiseFontLevel({{"MeiryoKe_Console", false},
                                {"メイリオ", true}}));
  g_nFontLevel = 0;
  EXPECT_EQ(0u, RaiseFontLevel({{"MeiryoKe_Console", false},
                                {"メイリオ", false},
                                {"MS ゴシック", false}}));
}

TEST_F(ConsoleFontTest, NamesCompareExactly) {
  for (const char* name : {"meiryoke_console", "MeiryoKe_Console ",
                           "MeiryoKe", "MS Gothic UI", "ms gothic", "メイリオ "}) {
    g_nFontLevel = 0;
    EXPECT_EQ(0u, RaiseFontLevel({{name, true}})) << name;
  }
  // The English family names of the two Japanese faces count as the same
  // faces, since fontconfig may report either.
  g_nFontLevel = 0;
  EXPECT_EQ(2u, RaiseFontLevel({{"Meiryo", true}}));
  g_nFontLevel = 0;
  EXPECT_EQ(1u, RaiseFontLevel({{"MS Gothic", true}}));
}

TEST_F(ConsoleFontTest, LevelIsOnlyRaised) {
  RaiseFontLevel({{"MeiryoKe_Console", true}});
  EXPECT_EQ(4u, RaiseFontLevel({{"MS ゴシック", true}}));
  EXPECT_EQ(4u, RaiseFontLevel({}));
}

TEST_F(ConsoleFontTest, FaceAndHeightByLevel) {
  struct Case {
    unsigned nLevel;
    const char* pszFace;
    int nHeight;
  } cases[] = {{4, "MeiryoKe_Console", 12}, {2, "メイリオ", 16},
               {1, "MS ゴシック", 12},      {0, "MS ゴシック", 12},
               {3, "MS ゴシック", 12},      {7, "MS ゴシック", 12}};
  for (const Case& c : cases) {
    ConsoleFontChoice choice = ConsoleFontForLevel(c.nLevel);
    EXPECT_STREQ(c.pszFace, choice.pszFace) << c.nLevel;
    EXPECT_EQ(c.nHeight, choice.nCellHeight) << c.nLevel;
    EXPECT_EQ(300, choice.nWeight) << c.nLevel;
  }
}

TEST_F(ConsoleFontTest, CaretSizeRule) {
  CaretSize meiryo = CaretSizeForBlank(2, 8, 21);
  EXPECT_EQ(9, meiryo.cx);
  EXPECT_EQ(18, meiryo.cy);
  for (unsigned nLevel : {0u, 1u, 4u}) {
    CaretSize size = CaretSizeForBlank(nLevel, 6, 12);
    EXPECT_EQ(6, size.cx) << nLevel;
    EXPECT_EQ(11, size.cy) << nLevel;
  }
  // A degenerate extent still gives a caret that can be seen.
  CaretSize tiny = CaretSizeForBlank(2, 0, 2);
  EXPECT_EQ(1, tiny.cx);
  EXPECT_EQ(1, tiny.cy);
}

}  // namespace
