#include "frontends/win32/font_choice.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(FontChoiceTest, FaceIsFoundUnderItsOtherNamesElseAJapaneseFamilyStandsIn) {
  struct Case {
    std::string face;
    bool bFixedPitch;
    std::vector<std::string> installed;
    std::string expected;
  } kCases[] = {
      // Japanese Windows names MS Gothic with full-width letters, other
      // languages in English; Meiryo likewise.
      {"MS ゴシック", true, {"Arial", "ＭＳ ゴシック", "メイリオ"}, "ＭＳ ゴシック"},
      {"MS ゴシック", true, {"Arial", "MS Gothic", "Meiryo"}, "MS Gothic"},
      {"メイリオ", true, {"MS Gothic", "Meiryo"}, "Meiryo"},
      {"MeiryoKe_Console", true, {"MeiryoKe_Console", "MS Gothic"}, "MeiryoKe_Console"},
      // Wine on a Linux desktop: MS Gothic's twin for the console, a
      // proportional Japanese family for the dialog.
      {"MS ゴシック", true, {"Tahoma", "DejaVu Sans Mono", "IPAPGothic", "IPAGothic"}, "IPAGothic"},
      {"メイリオ", false, {"Tahoma", "IPAGothic", "IPAPGothic"}, "IPAPGothic"},
      // Chinese Windows: NSimSun for the console.
      {"MS ゴシック", true, {"SimSun", "NSimSun", "Microsoft YaHei"}, "NSimSun"},
      // Nothing with Japanese glyphs: the face as asked, for GDI to map.
      {"MS ゴシック", true, {"Arial", "Courier New"}, "MS ゴシック"},
      {"メイリオ", false, {}, "メイリオ"},
  };
  for (const Case& c : kCases) {
    EXPECT_EQ(c.expected, ChooseInstalledFamily(c.face, c.bFixedPitch, c.installed)) << c.face;
  }
}

}  // namespace
