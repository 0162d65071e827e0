// The Win32 back end's fonts: the families GDI lists, and the installed
// family that stands for a font request of the console or the dialog
// (font_choice.h says which).
#ifndef SONOMOT_FRONTENDS_WIN32_WIN32_FONTS_H_
#define SONOMOT_FRONTENDS_WIN32_WIN32_FONTS_H_

#include <string>
#include <vector>

#include "frontends/win32/win32_native.h"
#include "platform/font.h"

class CWin32FontSystem : public CFontSystem {
 public:
  // Every family GDI lists; scalable means TrueType or OpenType outlines.
  std::vector<FontFamilyInfo> EnumFontFamilies() override;
  // Measured with GDI in the installed family standing for hFont, at the
  // dialog's DPI.
  SIZE GetTextExtent(HFONT hFont, const char* pszText, int nLength) override;

  // The installed family for a face (the list is read once).
  std::string ChooseFamily(const std::string& face, bool bFixedPitch);
  // The native request for a font of the console.
  win32::FontRequest NativeRequest(const HFONT__& font);

 private:
  const std::vector<FontFamilyInfo>& Families();

  std::vector<FontFamilyInfo> m_families;
  bool m_bRead = false;
};

#endif  // SONOMOT_FRONTENDS_WIN32_WIN32_FONTS_H_
