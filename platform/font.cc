#include "platform/font.h"

namespace {

CFixedCellFontSystem g_fixedCellFonts;
CFontSystem* g_pFontSystem = nullptr;

}  // namespace

SIZE CFixedCellFontSystem::GetTextExtent(HFONT hFont, const char* pszText,
                                         int nLength) {
  LONG nChars = 0;
  for (int i = 0; i < nLength; ++i) {
    // Count lead bytes only: a UTF-8 sequence is one character.
    if ((static_cast<unsigned char>(pszText[i]) & 0xC0) != 0x80) ++nChars;
  }
  return SIZE{nChars * m_cx, m_cy};
}

CFontSystem* GetFontSystem() {
  return g_pFontSystem != nullptr ? g_pFontSystem : &g_fixedCellFonts;
}

CFontSystem* SetFontSystem(CFontSystem* pFontSystem) {
  CFontSystem* pPrevious = g_pFontSystem;
  g_pFontSystem = pFontSystem;
  return pPrevious;
}

std::vector<FontFamilyInfo> EnumFontFamilies() {
  return GetFontSystem()->EnumFontFamilies();
}

HFONT CreateFontA(int nHeight, int nWidth, int nEscapement, int nOrientation,
                  int nWeight, DWORD bItalic, DWORD bUnderline,
                  DWORD bStrikeOut, DWORD dwCharSet, DWORD dwOutPrecision,
                  DWORD dwClipPrecision, DWORD dwQuality,
                  DWORD dwPitchAndFamily, const char* pszFace) {
  HFONT hFont = new HFONT__;
  hFont->face = pszFace != nullptr ? pszFace : "";
  hFont->nHeight = nHeight;
  hFont->nWeight = nWeight > 0 ? nWeight : FW_NORMAL;
  hFont->bFixedPitch = (dwPitchAndFamily & 0x3) == FIXED_PITCH;
  return hFont;
}

BOOL DeleteObject(HFONT hFont) {
  if (hFont == nullptr) return FALSE;
  delete hFont;
  return TRUE;
}

BOOL GetTextExtentPoint32A(HFONT hFont, const char* pszText, int nLength,
                           SIZE* pSize) {
  if (hFont == nullptr || pszText == nullptr || pSize == nullptr ||
      nLength < 0) {
    return FALSE;
  }
  *pSize = GetFontSystem()->GetTextExtent(hFont, pszText, nLength);
  return TRUE;
}
