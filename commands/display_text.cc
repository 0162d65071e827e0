#include "commands/display_text.h"

#include <iconv.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool IsValidUtf8(const unsigned char* p, size_t n) {
  size_t i = 0;
  while (i < n) {
    unsigned char c = p[i];
    if (c < 0x80) {
      ++i;
      continue;
    }
    size_t nTrail;
    unsigned int nMin, cp;
    if (c >= 0xC2 && c <= 0xDF) {
      nTrail = 1, nMin = 0x80, cp = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
      nTrail = 2, nMin = 0x800, cp = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      nTrail = 3, nMin = 0x10000, cp = c & 0x07;
    } else {
      return false;
    }
    if (n - i <= nTrail) return false;
    for (size_t k = 1; k <= nTrail; ++k) {
      if ((p[i + k] & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (p[i + k] & 0x3F);
    }
    if (cp < nMin || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
      return false;
    }
    i += nTrail + 1;
  }
  return true;
}

void AppendHexByte(std::string* pOut, unsigned char c) {
  char sz[5];
  std::snprintf(sz, sizeof(sz), "\\x%02X", c);
  *pOut += sz;
}

}  // namespace

std::string ToDisplayText(const char* pszText) {
  if (pszText == nullptr) return std::string();
  size_t nLength = std::strlen(pszText);
  const unsigned char* pBytes = reinterpret_cast<const unsigned char*>(pszText);
  if (IsValidUtf8(pBytes, nLength)) return std::string(pszText, nLength);

  std::string out;
  iconv_t cd = iconv_open("UTF-8", "CP932");
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    // No Shift-JIS table on this system: keep ASCII, show the rest as bytes.
    for (size_t i = 0; i < nLength; ++i) {
      if (pBytes[i] < 0x80) {
        out += static_cast<char>(pBytes[i]);
      } else {
        AppendHexByte(&out, pBytes[i]);
      }
    }
    return out;
  }
  char* pIn = const_cast<char*>(pszText);
  size_t nInLeft = nLength;
  char szChunk[256];
  while (nInLeft > 0) {
    char* pOut = szChunk;
    size_t nOutLeft = sizeof(szChunk);
    size_t r = iconv(cd, &pIn, &nInLeft, &pOut, &nOutLeft);
    out.append(szChunk, sizeof(szChunk) - nOutLeft);
    if (r == static_cast<size_t>(-1) && errno != E2BIG) {
      // An invalid or cut-off sequence: show its first byte and go on
      // behind it.
      AppendHexByte(&out, static_cast<unsigned char>(*pIn));
      ++pIn;
      --nInLeft;
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
  }
  iconv_close(cd);
  return out;
}
