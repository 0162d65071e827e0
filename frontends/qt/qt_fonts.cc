#include "frontends/qt/qt_fonts.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <algorithm>
#include <cmath>
#include <QStringList>
#include <map>
#include <tuple>

#include "console/console_font.h"

namespace {

QFont::Weight QtWeight(int nWeight) {
  if (nWeight <= 0) return QFont::Normal;
  if (nWeight <= 150) return QFont::Thin;
  if (nWeight <= 250) return QFont::ExtraLight;
  if (nWeight <= 350) return QFont::Light;
  if (nWeight <= 450) return QFont::Normal;
  if (nWeight <= 550) return QFont::Medium;
  if (nWeight <= 650) return QFont::DemiBold;
  if (nWeight <= 750) return QFont::Bold;
  if (nWeight <= 850) return QFont::ExtraBold;
  return QFont::Black;
}

}  // namespace

QString FallbackFamily(const std::string& face, bool bFixedPitch) {
  QString family = QString::fromUtf8(face.c_str());
  if (QFontDatabase::hasFamily(family)) return family;
  const auto& fallbacks = bFixedPitch ? kFallbackFixedFaces : kFallbackSansFaces;
  for (const char* pszFallback : fallbacks) {
    QString fallback = QString::fromUtf8(pszFallback);
    if (QFontDatabase::hasFamily(fallback)) return fallback;
  }
  // Nothing of ours is installed: let the font system pick by the hints.
  return family;
}

namespace {

QFont BaseFont(const std::string& face, bool bFixedPitch, int nWeight) {
  QFont font(FallbackFamily(face, bFixedPitch));
  if (bFixedPitch) {
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
  }
  font.setWeight(QtWeight(nWeight));
  font.setKerning(false);
  return font;
}

}  // namespace

std::vector<FontFamilyInfo> CQtFontSystem::EnumFontFamilies() {
  std::vector<FontFamilyInfo> families;
  for (const QString& family : QFontDatabase::families()) {
    families.push_back({family.toStdString(),
                        QFontDatabase::isSmoothlyScalable(family)});
  }
  return families;
}

SIZE CQtFontSystem::GetTextExtent(HFONT hFont, const char* pszText,
                                  int nLength) {
  QFontMetrics metrics(QtFontForRequest(*hFont));
  QString text = QString::fromUtf8(pszText, nLength);
  return SIZE{static_cast<LONG>(metrics.horizontalAdvance(text)),
              static_cast<LONG>(CellHeight(QtFontForRequest(*hFont)))};
}

QFont QtFontForRequest(const HFONT__& request) {
  // Fitting the cell measures several sizes; remember each request.
  using Key = std::tuple<std::string, int, int, bool>;
  static std::map<Key, QFont> cache;
  Key key{request.face, request.nHeight, request.nWeight, request.bFixedPitch};
  auto it = cache.find(key);
  if (it != cache.end()) return it->second;

  QFont font = BaseFont(request.face, request.bFixedPitch, request.nWeight);
  int nCell = request.nHeight > 0 ? request.nHeight : 12;
  int nPixels = 1;
  for (int n = nCell; n >= 1; --n) {
    font.setPixelSize(n);
    if (CellHeight(font) <= nCell) {
      nPixels = n;
      break;
    }
  }
  font.setPixelSize(nPixels);
  cache.emplace(key, font);
  return font;
}

int CellHeight(const QFont& font) {
  return std::max(1, static_cast<int>(std::ceil(QFontMetricsF(font).height() - 0.01)));
}

QFont QtFontForPoints(const char* pszFace, int nPoints, int nWeight) {
  QFont font = BaseFont(pszFace, false, nWeight);
  // The point size at 96 dots per inch, rounded as the dialog manager does.
  font.setPixelSize((nPoints * 96 + 36) / 72);
  return font;
}
