// Fonts: the installed font families, the console font and the extent of a
// text drawn in it.
//
// A font here is a request (face, cell height, weight, fixed pitch), as
// CreateFontA makes one; the back end that draws decides which installed
// font satisfies it and measures texts with that font. The back end installs
// its font system (SetFontSystem); without one, the fixed-cell font system
// below answers, which is also what tests use.
#ifndef SONOMOT_PLATFORM_FONT_H_
#define SONOMOT_PLATFORM_FONT_H_

#include <string>
#include <vector>

#include "platform/win_types.h"

// One installed font family as the font database reports it.
struct FontFamilyInfo {
  std::string name;  // family name, UTF-8
  bool bScalable;    // a scalable outline font (TrueType or OpenType)
};

struct SIZE {
  LONG cx = 0;
  LONG cy = 0;
};

// The font request. Owned by whoever called CreateFontA, until DeleteObject.
struct HFONT__ {
  std::string face;   // UTF-8
  int nHeight = 0;    // > 0: cell height (ascent + descent) in pixels
  int nWeight = 400;  // 100 to 900; 300 is light
  bool bFixedPitch = false;
};

constexpr int FW_LIGHT = 300;
constexpr int FW_NORMAL = 400;
constexpr DWORD DEFAULT_CHARSET = 1;
constexpr DWORD OUT_DEFAULT_PRECIS = 0;
constexpr DWORD CLIP_DEFAULT_PRECIS = 0;
constexpr DWORD CLEARTYPE_QUALITY = 5;
constexpr DWORD FIXED_PITCH = 1;
constexpr DWORD FF_DONTCARE = 0;

// The back end's fonts.
class CFontSystem {
 public:
  virtual ~CFontSystem() = default;
  // Every installed family, in the database's order.
  virtual std::vector<FontFamilyInfo> EnumFontFamilies() = 0;
  // Extent of the UTF-8 text (nLength bytes) drawn in the font that stands
  // for hFont: width of the text and height of the font's cell.
  virtual SIZE GetTextExtent(HFONT hFont, const char* pszText,
                             int nLength) = 0;
};

// A font system of fixed cells: every character (UTF-8 sequence) is m_cx
// wide, every font m_cy high, and the installed families are m_families.
class CFixedCellFontSystem : public CFontSystem {
 public:
  std::vector<FontFamilyInfo> EnumFontFamilies() override { return m_families; }
  SIZE GetTextExtent(HFONT hFont, const char* pszText, int nLength) override;

  std::vector<FontFamilyInfo> m_families;
  int m_cx = 1;
  int m_cy = 1;
};

// The font system in use; never null (the fixed-cell one when none is
// installed). SetFontSystem installs one (not owned; null returns to the
// fixed-cell one) and returns the previous.
CFontSystem* GetFontSystem();
CFontSystem* SetFontSystem(CFontSystem* pFontSystem);

// The installed families, as EnumFontFamiliesA reports them.
std::vector<FontFamilyInfo> EnumFontFamilies();

// CreateFontA's parameters, in its order; only the face, the height, the
// weight and the pitch (low bits of dwPitchAndFamily) are kept. Never null.
HFONT CreateFontA(int nHeight, int nWidth, int nEscapement, int nOrientation,
                  int nWeight, DWORD bItalic, DWORD bUnderline,
                  DWORD bStrikeOut, DWORD dwCharSet, DWORD dwOutPrecision,
                  DWORD dwClipPrecision, DWORD dwQuality,
                  DWORD dwPitchAndFamily, const char* pszFace);
BOOL DeleteObject(HFONT hFont);

// GetTextExtentPoint32A on a context that has hFont selected: extent of the
// first nLength bytes of pszText. FALSE when hFont or pszText is null.
BOOL GetTextExtentPoint32A(HFONT hFont, const char* pszText, int nLength,
                           SIZE* pSize);

#endif  // SONOMOT_PLATFORM_FONT_H_
