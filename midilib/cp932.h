// Shift-JIS as Windows has it (code page 932), the encoding of the texts in
// Japanese MIDI files and of every name a VMD file holds. One table serves
// both directions on every system, so a name this program accepts is the
// name a reader on Windows gets back.
//
// A character is one byte (ASCII, 0x00-0x7F; half-width katakana,
// 0xA1-0xDF) or a lead byte (0x81-0x9F, 0xE0-0xFC) and a trail byte
// (0x40-0x7E, 0x80-0xFC). Some characters have more than one byte pair
// (NEC's and IBM's copies of the same symbols and kanji); each is written
// as the one pair Windows writes, and read from any of them.
//
// A character has a Shift-JIS form only when Windows writes it without
// substituting a look-alike and reads those bytes back as the same
// character. Some converters give a form to nine more: ¥ (U+00A5) and
// ‾ (U+203E) as ASCII \ and ~, and 〜 (U+301C), − (U+2212), — (U+2014),
// ‖ (U+2016), ¢ £ ¬ as the bytes of ～ － ― ∥ ￠ ￡ ￢, which Windows
// reads back as those; here they have no Shift-JIS form.
#ifndef SONOMOT_MIDILIB_CP932_H_
#define SONOMOT_MIDILIB_CP932_H_

#include <cstddef>
#include <cstdint>
#include <string>

// The character that starts at p (n > 0 bytes) in *pChar, and its length in
// bytes, 1 or 2; 0 when no character starts there: a byte that is none by
// itself, a lead byte at the end, or a pair that is no character.
size_t DecodeShiftJisChar(const uint8_t* p, size_t n, char32_t* pChar);

// The Shift-JIS bytes of character c in pBytes, and how many, 1 or 2; 0
// when c has no Shift-JIS form.
size_t EncodeShiftJisChar(char32_t c, uint8_t pBytes[2]);

// The Shift-JIS form of UTF-8 text in *pOut. False, leaving *pOut
// undefined, when the text is not UTF-8 or holds a character without a
// Shift-JIS form.
bool Utf8ToShiftJis(const char* pText, size_t nLength, std::string* pOut);

#endif  // SONOMOT_MIDILIB_CP932_H_
