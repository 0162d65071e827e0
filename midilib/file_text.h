// Texts read from a MIDI file (titles, track names, lyrics ...) are bytes in
// whatever encoding the file's author used: UTF-8, or Shift-JIS in most
// Japanese files. Both the MIDI data library and the program show them as
// UTF-8 through this one decoder.
#ifndef SONOMOT_MIDILIB_FILE_TEXT_H_
#define SONOMOT_MIDILIB_FILE_TEXT_H_

#include <cstddef>
#include <string>

// Valid UTF-8 (strict: no overlong forms, no surrogates, nothing above
// U+10FFFF) is returned as it is; anything else is decoded as Shift-JIS
// (code page 932), and each byte that doesn't decode is shown as \xNN
// (upper-case hex).
std::string ToDisplayText(const char* pText, size_t nLength);
// The same for a zero-terminated text; null gives "".
std::string ToDisplayText(const char* pszText);

enum class ControlBytes {
  kKeep,
  kEscape,  // shown as \xNN, so that the text stays on one line
};

// Appends the text as ToDisplayText shows it, control characters (below
// 0x20, and 0x7F) kept or escaped, but at most nMaxBytes bytes of it: the
// text ends before the first character or \xNN that would not fit whole.
// Returns false if the text was cut. Decoding stops where the room ends, so
// a long text costs what is shown, plus one quick pass that checks whether
// the whole text is UTF-8 (which decides how every part of it is shown).
bool AppendDisplayText(const char* pText, size_t nLength, size_t nMaxBytes,
                       ControlBytes eControls, std::string* pOut);

// Appends \xNN for one byte.
void AppendEscapedByte(std::string* pOut, unsigned char byValue);

#endif  // SONOMOT_MIDILIB_FILE_TEXT_H_
