// The window back end's fonts: the families of Qt's font database, and the
// installed font that stands for a font request of the console.
#ifndef SONOMOT_FRONTENDS_QT_QT_FONTS_H_
#define SONOMOT_FRONTENDS_QT_QT_FONTS_H_

#include <QFont>
#include <QString>
#include <string>

#include "platform/font.h"

class CQtFontSystem : public CFontSystem {
 public:
  // Every family of the database; scalable means a smoothly scalable outline
  // font (bitmap fonts are not).
  std::vector<FontFamilyInfo> EnumFontFamilies() override;
  SIZE GetTextExtent(HFONT hFont, const char* pszText, int nLength) override;
};

// The family that stands for a face: the face itself when installed, else
// the first installed fallback (console/console_font.h says which and why),
// fixed-pitch or proportional as asked.
QString FallbackFamily(const std::string& face, bool bFixedPitch);

// The Qt font for a request: the family above, hinted as fixed-pitch when
// the request is. The pixel
// size is the largest whose cell (ascent + descent) is at most the requested
// height, so lines are as high as the request asks and never higher.
QFont QtFontForRequest(const HFONT__& request);

// The height of the font's character cell (ascent + descent), in whole
// pixels: what a positive font height asks for and what a console line
// takes. Measured unrounded, so a face whose ascent and descent add up to
// its em (as MS Gothic's twin does) gets a cell of exactly its pixel size.
int CellHeight(const QFont& font);

// The same for a face and a point size at 96 dots per inch (dialog fonts).
QFont QtFontForPoints(const char* pszFace, int nPoints, int nWeight);

#endif  // SONOMOT_FRONTENDS_QT_QT_FONTS_H_
