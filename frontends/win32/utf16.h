// UTF-16, the text of every Win32 call, and UTF-8, the text of everything
// else. Kept apart from <windows.h> so that the conversions run, and are
// tested, on every OS.
//
// Nothing here fails: a byte that starts no UTF-8 character, a cut
// sequence, an encoded surrogate and a surrogate without its partner each
// become U+FFFD, and the conversion goes on behind them.
#ifndef SONOMOT_FRONTENDS_WIN32_UTF16_H_
#define SONOMOT_FRONTENDS_WIN32_UTF16_H_

#include <string>
#include <string_view>

std::u16string Utf8ToUtf16(std::string_view text);
std::string Utf16ToUtf8(std::u16string_view text);
// The byte of text where its UTF-16 unit nIndex (as Utf8ToUtf16 makes it)
// begins; the second unit of a surrogate pair is within its character and
// gives the character's byte too. text.size() when nIndex is at or past
// the end.
size_t Utf8OffsetOfUtf16Unit(std::string_view text, size_t nIndex);

// Typed characters arrive one UTF-16 unit per WM_CHAR: a character beyond
// U+FFFF as a high surrogate, then a low one. Take returns the characters
// complete with this unit: none for a high surrogate (held for the next
// unit), one for a plain unit or a pair, two when a held high surrogate is
// followed by something else than a low one (U+FFFD for the lone half).
class CSurrogateJoiner {
 public:
  std::u32string Take(char16_t unit);

 private:
  char16_t m_highSurrogate = 0;
};

#endif  // SONOMOT_FRONTENDS_WIN32_UTF16_H_
