// The console's font and caret: which installed face the console uses, at
// what cell height, and the size of its block caret.
//
// Three faces are known, each with a level; the highest level installed as
// a scalable outline font wins, whatever order the families are reported in:
//   4 "MeiryoKe_Console" at cell height 12
//   2 "メイリオ" (Meiryo) at cell height 16
//   1 "MS ゴシック" (MS Gothic) at cell height 12, also asked for at level 0
// A bitmap font of one of these names does not count. Face names are UTF-8
// here; fontconfig may list the Japanese faces under their English family
// names, which count the same.
#ifndef SONOMOT_CONSOLE_CONSOLE_FONT_H_
#define SONOMOT_CONSOLE_CONSOLE_FONT_H_

#include <vector>

#include "platform/font.h"

// Level of the face found so far, 0 when the program starts. Only raised
// (RaiseFontLevel), never lowered or reset: the search runs once per run,
// when the console is initialised, on the user-interface thread.
extern unsigned g_nFontLevel;

// The level of one family: 4, 2 or 1 for the known faces when scalable,
// otherwise 0. Names compare exactly and case-sensitively.
unsigned FontLevelOfFamily(const FontFamilyInfo& family);

// Raises g_nFontLevel to the highest level among the families; returns the
// new g_nFontLevel.
unsigned RaiseFontLevel(const std::vector<FontFamilyInfo>& families);

// Face and cell height (pixels: ascent plus descent, as a positive height
// asks for) for a level. Unknown levels are treated as 0.
struct ConsoleFontChoice {
  const char* pszFace;  // UTF-8
  int nCellHeight;
  // Weight: light (300 on the 100 to 900 scale).
  int nWeight;
};
ConsoleFontChoice ConsoleFontForLevel(unsigned nLevel);

// The installed font that stands for the level's face when that face isn't
// installed: "DejaVu Sans Mono", a scalable monospace face made for
// terminals, whose cell at the requested height is about MS Gothic's (a
// blank 6 pixels wide in a 12-pixel cell). It has no Japanese glyphs: those
// (track names read from MIDI files, the program's Japanese messages) come
// from the Japanese face the font system substitutes, IPAGothic, MS
// Gothic's metric twin. The set-up script installs both. IPAGothic is not
// the console face itself because its half-width advance is a fraction of a
// pixel at the fitting size, which blurs a terminal's columns.
constexpr const char* kFallbackFixedFaces[] = {"DejaVu Sans Mono"};
// Proportional requests (the dialog's "メイリオ") fall back the same way.
constexpr const char* kFallbackSansFaces[] = {"DejaVu Sans"};

// Size of the block caret from the extent (cx, cy) of one blank " " in the
// console font: at level 2 cx + 1 wide and cy - 3 high, at every other level
// cx wide and cy - 1 high. Never smaller than 1 by 1.
struct CaretSize {
  int cx;
  int cy;
};
CaretSize CaretSizeForBlank(unsigned nLevel, int cxBlank, int cyBlank);

#endif  // SONOMOT_CONSOLE_CONSOLE_FONT_H_
