// One UTF-8 character read or written: strict, as texts are checked before
// they are shown or converted (no overlong forms, no surrogates, nothing
// above U+10FFFF).
#ifndef SONOMOT_MIDILIB_UTF8_H_
#define SONOMOT_MIDILIB_UTF8_H_

#include <cstddef>
#include <cstdint>

// The character at p (n > 0 bytes) in *pChar, and its length, 1 to 4; 0
// when no valid character starts there. Inline: checking a long text
// calls it for every character beyond ASCII.
inline size_t DecodeUtf8Char(const uint8_t* p, size_t n, char32_t* pChar) {
  uint8_t b = p[0];
  if (b < 0x80) {
    *pChar = b;
    return 1;
  }
  size_t len;
  char32_t min;
  char32_t value;
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
  if (value < min || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0;
  *pChar = value;
  return len;
}

// The UTF-8 bytes of character c (at most U+10FFFF) in pBytes, and how
// many.
inline size_t EncodeUtf8Char(char32_t c, uint8_t pBytes[4]) {
  if (c < 0x80) {
    pBytes[0] = static_cast<uint8_t>(c);
    return 1;
  }
  if (c < 0x800) {
    pBytes[0] = static_cast<uint8_t>(0xC0 | c >> 6);
    pBytes[1] = static_cast<uint8_t>(0x80 | (c & 0x3F));
    return 2;
  }
  if (c < 0x10000) {
    pBytes[0] = static_cast<uint8_t>(0xE0 | c >> 12);
    pBytes[1] = static_cast<uint8_t>(0x80 | (c >> 6 & 0x3F));
    pBytes[2] = static_cast<uint8_t>(0x80 | (c & 0x3F));
    return 3;
  }
  pBytes[0] = static_cast<uint8_t>(0xF0 | c >> 18);
  pBytes[1] = static_cast<uint8_t>(0x80 | (c >> 12 & 0x3F));
  pBytes[2] = static_cast<uint8_t>(0x80 | (c >> 6 & 0x3F));
  pBytes[3] = static_cast<uint8_t>(0x80 | (c & 0x3F));
  return 4;
}

#endif  // SONOMOT_MIDILIB_UTF8_H_
