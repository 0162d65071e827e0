#include "midilib/file_text.h"

#include <cstdint>
#include <cstring>

#include "midilib/cp932.h"
#include "midilib/utf8.h"

namespace {

// Length of the valid UTF-8 sequence at p (at most n bytes), 0 if invalid.
size_t Utf8SequenceLength(const uint8_t* p, size_t n) {
  char32_t c;
  return DecodeUtf8Char(p, n, &c);
}

bool IsValidUtf8(const uint8_t* p, size_t n) {
  for (size_t i = 0; i < n;) {
    // Runs of ASCII, eight bytes at a time: a text of many megabytes is
    // checked every time it is shown.
    uint64_t word;
    while (n - i >= sizeof(word)) {
      std::memcpy(&word, p + i, sizeof(word));
      if ((word & 0x8080808080808080ull) != 0) break;
      i += sizeof(word);
    }
    if (i == n) break;
    size_t len = Utf8SequenceLength(p + i, n - i);
    if (len == 0) return false;
    i += len;
  }
  return true;
}

// The shown text as it grows: whole characters and \xNN escapes, until the
// first one that doesn't fit; after that nothing more is taken, so what was
// kept is always a prefix of the whole text.
class BoundedText {
 public:
  // *pOut must outlive this object.
  BoundedText(std::string* pOut, size_t nMaxBytes, ControlBytes eControls)
      : m_pOut(pOut), m_nRoom(nMaxBytes), m_eControls(eControls) {}

  bool IsFull() const { return m_bFull; }

  // Adds one whole UTF-8 character of n bytes; false once the text is full.
  bool AddChar(const uint8_t* p, size_t n) {
    if (n == 1 && m_eControls == ControlBytes::kEscape && (p[0] < 0x20 || p[0] == 0x7F)) {
      return AddEscape(p[0]);
    }
    if (!Take(n)) return false;
    m_pOut->append(reinterpret_cast<const char*>(p), n);
    return true;
  }

  bool AddEscape(uint8_t byValue) {
    if (!Take(4)) return false;
    AppendEscapedByte(m_pOut, byValue);
    return true;
  }

  // Adds the characters of valid UTF-8 text.
  bool AddUtf8(const uint8_t* p, size_t n) {
    if (m_eControls == ControlBytes::kKeep && !m_bFull && n <= m_nRoom) {
      m_pOut->append(reinterpret_cast<const char*>(p), n);
      m_nRoom -= n;
      return true;
    }
    for (size_t i = 0; i < n && !m_bFull;) {
      size_t len = Utf8SequenceLength(p + i, n - i);
      if (len == 0) len = 1;  // not expected: the text was checked
      AddChar(p + i, len);
      i += len;
    }
    return !m_bFull;
  }

 private:
  bool Take(size_t n) {
    if (m_bFull || n > m_nRoom) {
      m_bFull = true;
      return false;
    }
    m_nRoom -= n;
    return true;
  }

  std::string* m_pOut;
  size_t m_nRoom;
  ControlBytes m_eControls;
  bool m_bFull = false;
};

// Adds Shift-JIS (code page 932) text decoded until pText is full; a byte
// that doesn't decode becomes \xNN, and decoding goes on behind it.
void AddShiftJis(const uint8_t* p, size_t n, BoundedText* pText) {
  for (size_t i = 0; i < n && !pText->IsFull();) {
    char32_t c;
    size_t nRead = DecodeShiftJisChar(p + i, n - i, &c);
    if (nRead == 0) {
      pText->AddEscape(p[i]);
      i++;
      continue;
    }
    uint8_t utf8[4];
    pText->AddChar(utf8, EncodeUtf8Char(c, utf8));
    i += nRead;
  }
}

}  // namespace

void AppendEscapedByte(std::string* pOut, unsigned char byValue) {
  static const char kHex[] = "0123456789ABCDEF";
  const char sz[4] = {'\\', 'x', kHex[byValue >> 4], kHex[byValue & 0x0F]};
  pOut->append(sz, sizeof(sz));
}

bool AppendDisplayText(const char* pText, size_t nLength, size_t nMaxBytes,
                       ControlBytes eControls, std::string* pOut) {
  const uint8_t* pBytes = reinterpret_cast<const uint8_t*>(pText);
  BoundedText text(pOut, nMaxBytes, eControls);
  if (IsValidUtf8(pBytes, nLength)) return text.AddUtf8(pBytes, nLength);
  AddShiftJis(pBytes, nLength, &text);
  return !text.IsFull();
}

std::string ToDisplayText(const char* pText, size_t nLength) {
  std::string out;
  AppendDisplayText(pText, nLength, SIZE_MAX, ControlBytes::kKeep, &out);
  return out;
}

std::string ToDisplayText(const char* pszText) {
  if (pszText == nullptr) return std::string();
  return ToDisplayText(pszText, std::strlen(pszText));
}
