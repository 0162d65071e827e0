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

// Appends \xNN for one byte.
void AppendEscapedByte(std::string* pOut, unsigned char byValue);

#endif  // SONOMOT_MIDILIB_FILE_TEXT_H_
