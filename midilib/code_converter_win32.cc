#include <windows.h>

#include <cerrno>
#include <cstring>

#include "midilib/code_converter.h"

namespace {

constexpr UINT kShiftJis = 932;

// The length of the character that begins with byte b in the input, or 0
// for a byte no character begins with.
size_t CharacterLength(CodeDirection eDirection, unsigned char b) {
  if (eDirection == CodeDirection::kShiftJisToUtf8) return IsDBCSLeadByteEx(kShiftJis, b) ? 2 : 1;
  if (b < 0x80) return 1;
  if (b >= 0xC2 && b <= 0xDF) return 2;
  if (b >= 0xE0 && b <= 0xEF) return 3;
  if (b >= 0xF0 && b <= 0xF4) return 4;
  return 0;
}

// Converts one whole character into pOut (room for 4 bytes): its length,
// or 0 when it doesn't convert. Windows' tables decide both ways: a
// character Windows would only stand in for (a best fit, the default
// character) doesn't convert.
int ConvertCharacter(CodeDirection eDirection, const char* pIn, int nIn, char* pOut) {
  UINT nFrom = eDirection == CodeDirection::kShiftJisToUtf8 ? kShiftJis : CP_UTF8;
  wchar_t aw[2];
  int nWide = MultiByteToWideChar(nFrom, MB_ERR_INVALID_CHARS, pIn, nIn, aw, 2);
  if (nWide == 0) return 0;
  if (eDirection == CodeDirection::kShiftJisToUtf8) {
    return WideCharToMultiByte(CP_UTF8, 0, aw, nWide, pOut, 4, nullptr, nullptr);
  }
  BOOL bDefaultUsed = FALSE;
  int nOut = WideCharToMultiByte(kShiftJis, WC_NO_BEST_FIT_CHARS, aw, nWide, pOut, 4, nullptr,
                                 &bDefaultUsed);
  return bDefaultUsed ? 0 : nOut;
}

}  // namespace

CodeConverter::CodeConverter(CodeDirection eDirection) : m_eDirection(eDirection) {}

CodeConverter::~CodeConverter() = default;

bool CodeConverter::IsOpen() const { return IsValidCodePage(kShiftJis) != 0; }

int CodeConverter::Convert(const char** ppIn, size_t* pnIn, char** ppOut, size_t* pnOut) {
  while (*pnIn > 0) {
    size_t nLength = CharacterLength(m_eDirection, static_cast<unsigned char>(**ppIn));
    if (nLength == 0) {
      errno = EILSEQ;
      return -1;
    }
    if (nLength > *pnIn) {
      errno = EINVAL;
      return -1;
    }
    char aOut[4];
    int nOut = ConvertCharacter(m_eDirection, *ppIn, static_cast<int>(nLength), aOut);
    if (nOut <= 0) {
      errno = EILSEQ;
      return -1;
    }
    if (static_cast<size_t>(nOut) > *pnOut) {
      errno = E2BIG;
      return -1;
    }
    std::memcpy(*ppOut, aOut, static_cast<size_t>(nOut));
    *ppOut += nOut;
    *pnOut -= static_cast<size_t>(nOut);
    *ppIn += nLength;
    *pnIn -= nLength;
  }
  return 0;
}

// Neither code page has shift states.
void CodeConverter::Reset() {}
