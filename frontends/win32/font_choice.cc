#include "frontends/win32/font_choice.h"

#include <algorithm>
#include <initializer_list>

namespace {

// The names one face goes by, the program's own first.
const std::initializer_list<const char*> kMsGothicNames = {"MS ゴシック", "ＭＳ ゴシック",
                                                           "MS Gothic"};
const std::initializer_list<const char*> kMeiryoNames = {"メイリオ", "Meiryo"};

// Families with Japanese glyphs, best first. IPAGothic is MS Gothic's metric
// twin, found where wine runs on a desktop that has it.
const std::initializer_list<const char*> kFixedStandIns = {
    "ＭＳ ゴシック", "MS Gothic", "IPAGothic", "NSimSun", "MS UI Gothic",
    "メイリオ", "Meiryo", "SimSun"};
const std::initializer_list<const char*> kProportionalStandIns = {
    "メイリオ", "Meiryo", "Meiryo UI", "Yu Gothic UI", "MS UI Gothic",
    "IPAPGothic", "ＭＳ Ｐゴシック", "MS PGothic", "SimSun"};

}  // namespace

std::string ChooseInstalledFamily(const std::string& face, bool bFixedPitch,
                                  const std::vector<std::string>& installed) {
  auto isInstalled = [&](const std::string& name) {
    return std::find(installed.begin(), installed.end(), name) != installed.end();
  };
  if (isInstalled(face)) return face;
  for (const auto& names : {kMsGothicNames, kMeiryoNames}) {
    if (std::find(names.begin(), names.end(), face) == names.end()) continue;
    for (const char* pszName : names) {
      if (isInstalled(pszName)) return pszName;
    }
  }
  for (const char* pszName : bFixedPitch ? kFixedStandIns : kProportionalStandIns) {
    if (isInstalled(pszName)) return pszName;
  }
  return face;
}
