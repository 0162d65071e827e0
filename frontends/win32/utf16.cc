#include "frontends/win32/utf16.h"

namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool IsHighSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char32_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// The code point at text[*pnPos], advancing past it; U+FFFD (one byte
// consumed) for anything but a shortest-form UTF-8 sequence of a scalar.
char32_t DecodeUtf8At(std::string_view text, size_t* pnPos) {
  auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
  size_t nPos = *pnPos;
  unsigned char lead = byte(nPos);
  ++*pnPos;
  if (lead < 0x80) return lead;
  int nTrail = 0;
  char32_t c = 0;
  char32_t nMinimum = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    nTrail = 1, c = lead & 0x1F, nMinimum = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    nTrail = 2, c = lead & 0x0F, nMinimum = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    nTrail = 3, c = lead & 0x07, nMinimum = 0x10000;
  } else {
    return kReplacement;
  }
  if (nPos + static_cast<size_t>(nTrail) >= text.size()) return kReplacement;
  for (int i = 1; i <= nTrail; ++i) {
    unsigned char trail = byte(nPos + static_cast<size_t>(i));
    if ((trail & 0xC0) != 0x80) return kReplacement;
    c = (c << 6) | (trail & 0x3F);
  }
  if (c < nMinimum || c > 0x10FFFF || IsHighSurrogate(c) || IsLowSurrogate(c)) {
    return kReplacement;
  }
  *pnPos = nPos + 1 + static_cast<size_t>(nTrail);
  return c;
}

void AppendUtf8(std::string* pOut, char32_t c) {
  if (c < 0x80) {
    pOut->push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    pOut->push_back(static_cast<char>(0xC0 | (c >> 6)));
    pOut->push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    pOut->push_back(static_cast<char>(0xE0 | (c >> 12)));
    pOut->push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    pOut->push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    pOut->push_back(static_cast<char>(0xF0 | (c >> 18)));
    pOut->push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    pOut->push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    pOut->push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

}  // namespace

std::u16string Utf8ToUtf16(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  size_t nPos = 0;
  while (nPos < text.size()) {
    char32_t c = DecodeUtf8At(text, &nPos);
    if (c < 0x10000) {
      out.push_back(static_cast<char16_t>(c));
    } else {
      c -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
    }
  }
  return out;
}

size_t Utf8OffsetOfUtf16Unit(std::string_view text, size_t nIndex) {
  size_t nPos = 0;
  size_t nUnits = 0;
  while (nPos < text.size()) {
    size_t nStart = nPos;
    nUnits += DecodeUtf8At(text, &nPos) < 0x10000 ? 1 : 2;
    if (nUnits > nIndex) return nStart;
  }
  return text.size();
}

std::string Utf16ToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  CSurrogateJoiner joiner;
  for (char16_t unit : text) {
    for (char32_t c : joiner.Take(unit)) AppendUtf8(&out, c);
  }
  // A high surrogate left at the end.
  for (char32_t c : joiner.Take(u'\0')) {
    if (c != 0) AppendUtf8(&out, c);
  }
  return out;
}

std::u32string CSurrogateJoiner::Take(char16_t unit) {
  std::u32string chars;
  if (m_highSurrogate != 0) {
    if (IsLowSurrogate(unit)) {
      chars.push_back(0x10000 + ((static_cast<char32_t>(m_highSurrogate) - 0xD800) << 10) +
                      (static_cast<char32_t>(unit) - 0xDC00));
      m_highSurrogate = 0;
      return chars;
    }
    chars.push_back(kReplacement);
    m_highSurrogate = 0;
  }
  if (IsHighSurrogate(unit)) {
    m_highSurrogate = unit;
  } else if (IsLowSurrogate(unit)) {
    chars.push_back(kReplacement);
  } else {
    chars.push_back(unit);
  }
  return chars;
}
