#include "midilib/file_text.h"

#include <iconv.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>

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
    size_t len = Utf8SequenceLength(p + i, n - i);
    if (len == 0) return false;
    i += len;
  }
  return true;
}

// Shift-JIS (code page 932) to UTF-8 with glibc's iconv, opened once per
// thread: event lines of a long dump decode many texts.
class ShiftJisDecoder {
 public:
  ShiftJisDecoder() : m_cd(iconv_open("UTF-8", "CP932")) {}
  ~ShiftJisDecoder() {
    if (m_cd != reinterpret_cast<iconv_t>(-1)) iconv_close(m_cd);
  }
  ShiftJisDecoder(const ShiftJisDecoder&) = delete;
  ShiftJisDecoder& operator=(const ShiftJisDecoder&) = delete;

  // Appends the decoded text; a byte that doesn't decode becomes \xNN.
  void Decode(const uint8_t* p, size_t n, std::string* pOut) {
    if (m_cd == reinterpret_cast<iconv_t>(-1)) {
      // No Shift-JIS table on this system: keep ASCII, show the rest as
      // bytes.
      for (size_t i = 0; i < n; i++) {
        if (p[i] < 0x80) {
          *pOut += static_cast<char>(p[i]);
        } else {
          AppendEscapedByte(pOut, p[i]);
        }
      }
      return;
    }
    iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
    char* pIn = const_cast<char*>(reinterpret_cast<const char*>(p));
    size_t nIn = n;
    char buffer[256];
    while (nIn > 0) {
      char* pOutBuf = buffer;
      size_t nOut = sizeof(buffer);
      size_t r = iconv(m_cd, &pIn, &nIn, &pOutBuf, &nOut);
      pOut->append(buffer, static_cast<size_t>(pOutBuf - buffer));
      if (r == static_cast<size_t>(-1) && errno != E2BIG) {
        // EILSEQ or EINVAL (cut at the end): show the byte, go on behind it.
        AppendEscapedByte(pOut, static_cast<uint8_t>(*pIn));
        pIn++;
        nIn--;
        iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
      }
    }
  }

 private:
  iconv_t m_cd;
};

}  // namespace

void AppendEscapedByte(std::string* pOut, unsigned char byValue) {
  char sz[8];
  std::snprintf(sz, sizeof(sz), "\\x%02X", byValue);
  *pOut += sz;
}

std::string ToDisplayText(const char* pText, size_t nLength) {
  const uint8_t* pBytes = reinterpret_cast<const uint8_t*>(pText);
  if (IsValidUtf8(pBytes, nLength)) return std::string(pText, nLength);
  std::string out;
  thread_local ShiftJisDecoder decoder;
  decoder.Decode(pBytes, nLength, &out);
  return out;
}

std::string ToDisplayText(const char* pszText) {
  if (pszText == nullptr) return std::string();
  return ToDisplayText(pszText, std::strlen(pszText));
}
