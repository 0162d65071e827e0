#include "console/paste_text.h"

#include <algorithm>
#include <cstring>

#include "console/edit_buffer.h"

std::string FirstClipboardLine(const char* pszText) {
  if (pszText == nullptr) return std::string();
  return std::string(pszText, std::strcspn(pszText, "\r\n"));
}

std::string QuotedDropPath(const std::string& path) {
  size_t nLength = path.size();
  if (nLength > kMaxDropPathBytes) {
    nLength = kMaxDropPathBytes;
    // Step back over continuation bytes (10xxxxxx) to the lead byte of the
    // character that would be cut, and cut before it.
    size_t nLead = nLength;
    while (nLead > 0 &&
           (static_cast<unsigned char>(path[nLead]) & 0xC0) == 0x80) {
      --nLead;
    }
    nLength = nLead;
  }
  std::string quoted;
  quoted.reserve(nLength + 2);
  quoted += '"';
  quoted.append(path, 0, nLength);
  quoted += '"';
  return quoted;
}

bool IsCaretInQuotes(const EditBuffer& buffer) {
  int nEnd = 0;
  buffer.GetSel(nullptr, &nEnd);
  int nLineStart = buffer.LineIndex(buffer.LineFromChar(nEnd));
  const std::string& text = buffer.GetText();
  return std::count(text.begin() + nLineStart, text.begin() + nEnd, '"') % 2 != 0;
}
