#include "frontends/win32/win32_fonts.h"

#include "frontends/win32/font_choice.h"

const std::vector<FontFamilyInfo>& CWin32FontSystem::Families() {
  if (!m_bRead) {
    for (const win32::FamilyInfo& family : win32::EnumFamilies()) {
      m_families.push_back({family.name, family.bScalable});
    }
    m_bRead = true;
  }
  return m_families;
}

std::vector<FontFamilyInfo> CWin32FontSystem::EnumFontFamilies() { return Families(); }

std::string CWin32FontSystem::ChooseFamily(const std::string& face, bool bFixedPitch) {
  std::vector<std::string> scalable;
  for (const FontFamilyInfo& family : Families()) {
    if (family.bScalable) scalable.push_back(family.name);
  }
  return ChooseInstalledFamily(face, bFixedPitch, scalable);
}

win32::FontRequest CWin32FontSystem::NativeRequest(const HFONT__& font) {
  win32::FontRequest request;
  request.face = ChooseFamily(font.face, font.bFixedPitch);
  request.nHeight = font.nHeight > 0 ? font.nHeight : 12;
  request.nWeight = font.nWeight;
  request.bFixedPitch = font.bFixedPitch;
  return request;
}

SIZE CWin32FontSystem::GetTextExtent(HFONT hFont, const char* pszText, int nLength) {
  win32::Extent extent =
      win32::MeasureText(NativeRequest(*hFont), std::string(pszText, static_cast<size_t>(nLength)));
  return SIZE{static_cast<LONG>(extent.cx), static_cast<LONG>(extent.cy)};
}
