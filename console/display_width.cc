#include "console/display_width.h"

#include <algorithm>
#include <cstdint>
#include <iterator>

namespace {

struct Range {
  uint32_t nFirst;
  uint32_t nLast;
};

// East Asian Width "W" and "F" (Unicode 15), adjacent blocks joined.
constexpr Range kWide[] = {
    {0x1100, 0x115F},   {0x231A, 0x231B},   {0x2329, 0x232A},   {0x23E9, 0x23EC},
    {0x23F0, 0x23F0},   {0x23F3, 0x23F3},   {0x25FD, 0x25FE},   {0x2614, 0x2615},
    {0x2648, 0x2653},   {0x267F, 0x267F},   {0x2693, 0x2693},   {0x26A1, 0x26A1},
    {0x26AA, 0x26AB},   {0x26BD, 0x26BE},   {0x26C4, 0x26C5},   {0x26CE, 0x26CE},
    {0x26D4, 0x26D4},   {0x26EA, 0x26EA},   {0x26F2, 0x26F3},   {0x26F5, 0x26F5},
    {0x26FA, 0x26FA},   {0x26FD, 0x26FD},   {0x2705, 0x2705},   {0x270A, 0x270B},
    {0x2728, 0x2728},   {0x274C, 0x274C},   {0x274E, 0x274E},   {0x2753, 0x2755},
    {0x2757, 0x2757},   {0x2795, 0x2797},   {0x27B0, 0x27B0},   {0x27BF, 0x27BF},
    {0x2B1B, 0x2B1C},   {0x2B50, 0x2B50},   {0x2B55, 0x2B55},   {0x2E80, 0x303E},
    {0x3041, 0x33FF},   {0x3400, 0x4DBF},   {0x4E00, 0x9FFF},   {0xA000, 0xA4CF},
    {0xA960, 0xA97F},   {0xAC00, 0xD7A3},   {0xF900, 0xFAFF},   {0xFE10, 0xFE19},
    {0xFE30, 0xFE6F},   {0xFF00, 0xFF60},   {0xFFE0, 0xFFE6},   {0x16FE0, 0x16FE4},
    {0x17000, 0x18CFF}, {0x1B000, 0x1B2FF}, {0x1F004, 0x1F004}, {0x1F0CF, 0x1F0CF},
    {0x1F18E, 0x1F18E}, {0x1F191, 0x1F19A}, {0x1F200, 0x1F2FF}, {0x1F300, 0x1F320},
    {0x1F32D, 0x1F335}, {0x1F337, 0x1F37C}, {0x1F37E, 0x1F393}, {0x1F3A0, 0x1F3CA},
    {0x1F3CF, 0x1F3D3}, {0x1F3E0, 0x1F3F0}, {0x1F3F4, 0x1F3F4}, {0x1F3F8, 0x1F43E},
    {0x1F440, 0x1F440}, {0x1F442, 0x1F4FC}, {0x1F4FF, 0x1F53D}, {0x1F54B, 0x1F54E},
    {0x1F550, 0x1F567}, {0x1F57A, 0x1F57A}, {0x1F595, 0x1F596}, {0x1F5A4, 0x1F5A4},
    {0x1F5FB, 0x1F64F}, {0x1F680, 0x1F6C5}, {0x1F6CC, 0x1F6CC}, {0x1F6D0, 0x1F6D2},
    {0x1F6D5, 0x1F6D7}, {0x1F6DC, 0x1F6DF}, {0x1F6EB, 0x1F6EC}, {0x1F6F4, 0x1F6FC},
    {0x1F7E0, 0x1F7EB}, {0x1F7F0, 0x1F7F0}, {0x1F90C, 0x1F93A}, {0x1F93C, 0x1F945},
    {0x1F947, 0x1F9FF}, {0x1FA70, 0x1FAFF}, {0x20000, 0x2FFFD}, {0x30000, 0x3FFFD},
};

// Combining marks and characters that take no room of their own.
constexpr Range kZeroWidth[] = {
    {0x0300, 0x036F}, {0x200B, 0x200F}, {0x20D0, 0x20FF},   {0x3099, 0x309A},
    {0xFE00, 0xFE0F}, {0xFE20, 0xFE2F}, {0xE0100, 0xE01EF},
};

template <size_t N>
bool InRanges(const Range (&ranges)[N], uint32_t nChar) {
  const Range* pAfter = std::upper_bound(
      std::begin(ranges), std::end(ranges), nChar,
      [](uint32_t n, const Range& range) { return n < range.nFirst; });
  return pAfter != std::begin(ranges) && nChar <= (pAfter - 1)->nLast;
}

// The character at text[nAt]: its byte length and its columns. A byte
// that starts no valid UTF-8 sequence is one character of one column.
size_t NextChar(std::string_view text, size_t nAt, size_t* pnColumns) {
  unsigned char c = static_cast<unsigned char>(text[nAt]);
  size_t nLength = c < 0x80 ? 1 : (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3
                 : (c & 0xF8) == 0xF0 ? 4 : 0;
  uint32_t nChar = nLength == 1 ? c : nLength == 2 ? c & 0x1F : nLength == 3 ? c & 0x0F : c & 0x07;
  bool bValid = nLength != 0 && nAt + nLength <= text.size();
  for (size_t i = 1; bValid && i < nLength; ++i) {
    unsigned char cNext = static_cast<unsigned char>(text[nAt + i]);
    bValid = (cNext & 0xC0) == 0x80;
    nChar = (nChar << 6) | (cNext & 0x3F);
  }
  constexpr uint32_t kSmallest[5] = {0, 0, 0x80, 0x800, 0x10000};
  if (!bValid || nChar < kSmallest[nLength] || nChar > 0x10FFFF ||
      (nChar >= 0xD800 && nChar <= 0xDFFF)) {
    *pnColumns = 1;
    return 1;
  }
  *pnColumns = InRanges(kZeroWidth, nChar) ? 0 : InRanges(kWide, nChar) ? 2 : 1;
  return nLength;
}

}  // namespace

size_t DisplayWidth(std::string_view text) {
  size_t nWidth = 0;
  for (size_t nAt = 0; nAt < text.size();) {
    size_t nColumns;
    nAt += NextChar(text, nAt, &nColumns);
    nWidth += nColumns;
  }
  return nWidth;
}

std::string PadToWidth(std::string_view text, size_t nColumns) {
  std::string padded(text);
  size_t nWidth = DisplayWidth(text);
  if (nWidth < nColumns) padded.append(nColumns - nWidth, ' ');
  return padded;
}

std::vector<std::string> WrapToWidth(std::string_view text, size_t nWidth, size_t nIndent) {
  if (nWidth == 0) nWidth = 1;
  nIndent = std::min(nIndent, nWidth / 2);
  std::vector<std::string> lines;
  std::string prefix;  // the first line starts where it is; the others indented
  while (true) {
    size_t nRoom = nWidth - prefix.size();
    size_t nColumn = 0;
    size_t nAt = 0;
    size_t nBreak = std::string_view::npos;  // the last blank behind a word
    bool bWord = false;
    while (nAt < text.size()) {
      size_t nColumns;
      size_t nLength = NextChar(text, nAt, &nColumns);
      // Always one character a line, however narrow the room.
      if (nColumn + nColumns > nRoom && nAt > 0) break;
      if (text[nAt] == ' ') {
        if (bWord) nBreak = nAt;
      } else {
        bWord = true;
      }
      nColumn += nColumns;
      nAt += nLength;
    }
    if (nAt >= text.size()) {
      lines.push_back(prefix + std::string(text));
      return lines;
    }
    // The text goes on behind nAt: break at the blank there, else at the
    // last blank that fits, else cut the word.
    size_t nEnd = text[nAt] == ' ' || nBreak == std::string_view::npos ? nAt : nBreak;
    size_t nNext = nEnd;
    while (nEnd > 0 && text[nEnd - 1] == ' ') --nEnd;
    while (nNext < text.size() && text[nNext] == ' ') ++nNext;
    lines.push_back(prefix + std::string(text.substr(0, nEnd)));
    text.remove_prefix(nNext);
    if (text.empty()) return lines;
    prefix.assign(nIndent, ' ');
  }
}
