// Which installed family draws a face the program asks for, on Windows.
//
// The console asks for "MS ゴシック", "メイリオ" or "MeiryoKe_Console" and
// the dialog for "メイリオ" (console/console_font.h, the dialog template).
// Windows lists a family under the name of its own language: Japanese
// Windows has MS Gothic as "ＭＳ ゴシック" (full-width letters), other
// languages as "MS Gothic"; Meiryo as "メイリオ" or "Meiryo". Asking GDI for
// a name it doesn't know gets Arial or Courier, whose Japanese characters
// are boxes. So a face is looked up under each of its names, and when none
// is installed, a family with Japanese glyphs stands in: for the console a
// fixed-pitch one first (MS Gothic, IPAGothic, NSimSun), for the dialog a
// proportional one.
#ifndef SONOMOT_FRONTENDS_WIN32_FONT_CHOICE_H_
#define SONOMOT_FRONTENDS_WIN32_FONT_CHOICE_H_

#include <string>
#include <vector>

// installed: the names of the scalable families. Returns the face itself
// when nothing of the above is installed (GDI then picks by the pitch).
std::string ChooseInstalledFamily(const std::string& face, bool bFixedPitch,
                                  const std::vector<std::string>& installed);

#endif  // SONOMOT_FRONTENDS_WIN32_FONT_CHOICE_H_
