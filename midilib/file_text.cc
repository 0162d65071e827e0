#include "midilib/file_text.h"

#include <cerrno>
#include <cstdint>
#include <cstring>

#include "midilib/code_converter.h"

namespace {

// Length of the valid UTF-8 sequence at p (at most n bytes), 0 if invalid.
size_t Utf8SequenceLength(const uint8_t* p, size_t n) {
  uint8_t b = p[0];
  if (b < 0x80) return 1;
  size_t len;
  uint32_t min;
  uint32_t value;
  if ((b & 0xE0) == 0xC0) {
    len = 2, min = 0x80, value = b & 0x1F;
  } else if ((b & 0xF0) == 0xE0) {
    len = 3, min = 0x800, value = b & 0x0F;
  } else if ((b & 0xF8) == 0xF0) {
    len = 4, min = 0x10000, value = b & 0x07;
  } else {
    return 0;
  }
  if (n < len) return 0;
  for (size_t i = 1; i < len; i++) {
    if ((p[i] & 0xC0) != 0x80) return 0;
    value = (value << 6) | (p[i] & 0x3F);
  }
  if (value < min || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
    return 0;
  }
  return len;
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

// Shift-JIS (code page 932) to UTF-8, with a converter opened once per
// thread: event lines of a long dump decode many texts.
class ShiftJisDecoder {
 public:
  ShiftJisDecoder() : m_converter(CodeDirection::kShiftJisToUtf8) {}
  ShiftJisDecoder(const ShiftJisDecoder&) = delete;
  ShiftJisDecoder& operator=(const ShiftJisDecoder&) = delete;

  // Adds the decoded text until pText is full; a byte that doesn't decode
  // becomes \xNN. The converter is handed the whole rest of the input but only a
  // small output buffer, so it converts no further than that buffer and
  // never stops inside a two-byte character.
  void Decode(const uint8_t* p, size_t n, BoundedText* pText) {
    if (!m_converter.IsOpen()) {
      // No Shift-JIS table on this system: keep ASCII, show the rest as
      // bytes.
      for (size_t i = 0; i < n && !pText->IsFull(); i++) {
        if (p[i] < 0x80) {
          pText->AddChar(p + i, 1);
        } else {
          pText->AddEscape(p[i]);
        }
      }
      return;
    }
    m_converter.Reset();
    const char* pIn = reinterpret_cast<const char*>(p);
    size_t nIn = n;
    char buffer[256];
    while (nIn > 0 && !pText->IsFull()) {
      char* pOutBuf = buffer;
      size_t nOut = sizeof(buffer);
      int r = m_converter.Convert(&pIn, &nIn, &pOutBuf, &nOut);
      pText->AddUtf8(reinterpret_cast<const uint8_t*>(buffer),
                     static_cast<size_t>(pOutBuf - buffer));
      if (r != 0 && errno != E2BIG) {
        // EILSEQ or EINVAL (cut at the end): show the byte, go on behind it.
        pText->AddEscape(static_cast<uint8_t>(*pIn));
        pIn++;
        nIn--;
        m_converter.Reset();
      }
    }
  }

 private:
  CodeConverter m_converter;
};

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
  thread_local ShiftJisDecoder decoder;
  decoder.Decode(pBytes, nLength, &text);
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
