// The window back end's fonts: the families of Qt's font database, and the
// installed font that stands for a font request of the console.
#ifndef SONOMOT_PLATFORM_QT_QT_FONTS_H_
#define SONOMOT_PLATFORM_QT_QT_FONTS_H_

#include <QFont>

#include "platform/font.h"

class CQtFontSystem : public CFontSystem {
 public:
  // Every family of the database; scalable means a smoothly scalable outline
  // font (bitmap fonts are not).
  std::vector<FontFamilyInfo> EnumFontFamilies() override;
  SIZE GetTextExtent(HFONT hFont, const char* pszText, int nLength) override;
};

// The Qt font for a request: its face when that family is installed, else the
// fixed-pitch fallback (console/console_font.h says which and why) for a
// fixed-pitch request and the default sans-serif face otherwise. The pixel
// size is the largest whose cell (ascent + descent) is at most the requested
// height, so lines are as high as the request asks and never higher.
QFont QtFontForRequest(const HFONT__& request);

// The same for a face and a point size at 96 dots per inch (dialog fonts).
QFont QtFontForPoints(const char* pszFace, int nPoints, int nWeight);

#endif  // SONOMOT_PLATFORM_QT_QT_FONTS_H_
