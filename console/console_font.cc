#include "console/console_font.h"

#include <algorithm>

unsigned g_nFontLevel = 0;

namespace {

constexpr char kMeiryoKeConsole[] = "MeiryoKe_Console";
constexpr char kMeiryo[] = "メイリオ";
constexpr char kMsGothic[] = "MS ゴシック";
// The English family names fontconfig may report for the same two faces.
constexpr char kMeiryoLatin[] = "Meiryo";
constexpr char kMsGothicLatin[] = "MS Gothic";

}  // namespace

unsigned FontLevelOfFamily(const FontFamilyInfo& family) {
  if (!family.bScalable) return 0;
  const std::string& name = family.name;
  if (name == kMeiryoKeConsole) return 4;
  if (name == kMeiryo || name == kMeiryoLatin) return 2;
  if (name == kMsGothic || name == kMsGothicLatin) return 1;
  return 0;
}

unsigned RaiseFontLevel(const std::vector<FontFamilyInfo>& families) {
  for (const FontFamilyInfo& family : families) {
    g_nFontLevel = std::max(g_nFontLevel, FontLevelOfFamily(family));
  }
  return g_nFontLevel;
}

ConsoleFontChoice ConsoleFontForLevel(unsigned nLevel) {
  constexpr int kLight = 300;
  switch (nLevel) {
    case 4:
      return {kMeiryoKeConsole, 12, kLight};
    case 2:
      return {kMeiryo, 16, kLight};
    default:
      return {kMsGothic, 12, kLight};
  }
}

CaretSize CaretSizeForBlank(unsigned nLevel, int cxBlank, int cyBlank) {
  CaretSize size = nLevel == 2 ? CaretSize{cxBlank + 1, cyBlank - 3}
                               : CaretSize{cxBlank, cyBlank - 1};
  size.cx = std::max(size.cx, 1);
  size.cy = std::max(size.cy, 1);
  return size;
}
