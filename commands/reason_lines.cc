#include "commands/reason_lines.h"

#include <cstddef>

namespace {

// The bytes of the character that starts at nAt, and the columns it takes
// on the console as counted here.
size_t CharacterLength(const std::string& str, size_t nAt, int* pnColumns) {
  unsigned char by = static_cast<unsigned char>(str[nAt]);
  if (by < 0x80) {
    *pnColumns = 1;
    return 1;
  }
  *pnColumns = 2;
  size_t nEnd = nAt + 1;
  while (nEnd < str.size() && (static_cast<unsigned char>(str[nEnd]) & 0xC0) == 0x80) ++nEnd;
  return nEnd - nAt;
}

int Columns(const std::string& str) {
  int nColumns = 0;
  for (size_t i = 0; i < str.size();) {
    int n = 0;
    i += CharacterLength(str, i, &n);
    nColumns += n;
  }
  return nColumns;
}

}  // namespace

std::vector<std::string> ReasonLines(const std::string& strReason) {
  const std::string strText = "(" + strReason + ")";
  std::vector<std::string> lines;
  std::string strLine;
  int nLineColumns = 0;
  auto endLine = [&] {
    lines.push_back(strLine);
    strLine = " ";
    nLineColumns = 1;
  };
  size_t nAt = 0;
  while (nAt < strText.size()) {
    size_t nWordEnd = strText.find(' ', nAt);
    if (nWordEnd == std::string::npos) nWordEnd = strText.size();
    std::string strWord = strText.substr(nAt, nWordEnd - nAt);
    int nWordColumns = Columns(strWord);
    bool bLineHasWord = nLineColumns > (lines.empty() ? 0 : 1);
    int nNeeded = nWordColumns + (bLineHasWord ? 1 : 0);
    if (bLineHasWord && nLineColumns + nNeeded > kReasonColumns) {
      endLine();
      bLineHasWord = false;
    }
    if (bLineHasWord) {
      strLine += ' ';
      ++nLineColumns;
    }
    // A word wider than a whole line goes in character by character.
    for (size_t i = 0; i < strWord.size();) {
      int nColumns = 0;
      size_t nLength = CharacterLength(strWord, i, &nColumns);
      if (nLineColumns + nColumns > kReasonColumns) endLine();
      strLine.append(strWord, i, nLength);
      nLineColumns += nColumns;
      i += nLength;
    }
    nAt = nWordEnd + 1;
  }
  lines.push_back(strLine);
  return lines;
}
