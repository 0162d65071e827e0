// Text conversion between UTF-8 and Shift-JIS (code page 932), one
// direction per converter, in the manner of iconv(3): the caller hands in
// what is left of its input and of its output room, and both move on by
// what was converted. A conversion stops at the first character that
// doesn't convert, or that doesn't fit the room left, never inside one.
//
// One implementation per OS, chosen by the build: code_converter_posix.cc
// (glibc's iconv) and code_converter_win32.cc (Windows' own code page 932).
#ifndef SONOMOT_MIDILIB_CODE_CONVERTER_H_
#define SONOMOT_MIDILIB_CODE_CONVERTER_H_

#include <cstddef>

enum class CodeDirection {
  kShiftJisToUtf8,
  kUtf8ToShiftJis,
};

class CodeConverter {
 public:
  explicit CodeConverter(CodeDirection eDirection);
  ~CodeConverter();
  CodeConverter(const CodeConverter&) = delete;
  CodeConverter& operator=(const CodeConverter&) = delete;

  // False when the system has no table for this conversion; Convert then
  // converts nothing.
  bool IsOpen() const;
  // Converts *pnIn bytes from *ppIn into the *pnOut bytes of room at
  // *ppOut, moving all four on by what was converted. 0 when the whole
  // input was converted; otherwise -1 with errno E2BIG (the room is
  // full), EILSEQ (*ppIn is at a character that doesn't convert) or
  // EINVAL (the input ends inside a character that begins at *ppIn).
  int Convert(const char** ppIn, size_t* pnIn, char** ppOut, size_t* pnOut);
  // Forgets any state left by a conversion that stopped.
  void Reset();

 private:
  CodeDirection m_eDirection;
  void* m_pHandle = nullptr;  // the system's converter, where it keeps one
};

#endif  // SONOMOT_MIDILIB_CODE_CONVERTER_H_
