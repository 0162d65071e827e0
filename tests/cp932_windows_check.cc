// Checks our Shift-JIS table against Windows' own conversion functions for
// code page 932: every single byte and every lead and trail byte pair read
// with MultiByteToWideChar, and every BMP character written with
// WideCharToMultiByte without look-alikes (WC_NO_BEST_FIT_CHARS) and read
// back. A character has a Shift-JIS form when Windows writes it that way
// and reads those bytes back as the same character. Prints each
// difference and a count; exits 1 if there is any. With --dump, prints
// Windows' own mapping instead ("D bytes char", "E char bytes", in hex).
//
// A Windows program: cross-built and run under wine by
// scripts/check_cp932_wine.sh.
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "midilib/cp932.h"

namespace {

constexpr UINT kCodePage = 932;

// Bytes our table keeps as bytes although Windows reads them as a
// character: 0x80 is U+0080, a C1 control, and some versions of Windows
// read 0xA0 and 0xFD-0xFF as private-use characters U+F8F0-U+F8F3. None
// of them is a character of Japanese text.
bool IsLeftOut(const unsigned char* p, int n) {
  return n == 1 && (p[0] == 0x80 || p[0] == 0xA0 || p[0] >= 0xFD);
}
bool IsLeftOutChar(unsigned c) { return c == 0x80 || (c >= 0xF8F0 && c <= 0xF8F3); }

// Windows' character for bytes p (n of them, one character), -1 for none.
long WindowsDecode(const unsigned char* p, int n) {
  wchar_t w[4];
  int nWide = MultiByteToWideChar(kCodePage, MB_ERR_INVALID_CHARS,
                                  reinterpret_cast<const char*>(p), n, w, 4);
  return nWide == 1 ? static_cast<long>(static_cast<unsigned>(w[0])) : -1;
}

// Windows' bytes for character c in pBytes, how many; 0 when Windows
// writes no byte of its own for it or reads them back as another character.
int WindowsEncode(unsigned c, unsigned char pBytes[4]) {
  wchar_t w = static_cast<wchar_t>(c);
  BOOL bDefaultUsed = FALSE;
  int n = WideCharToMultiByte(kCodePage, WC_NO_BEST_FIT_CHARS, &w, 1,
                              reinterpret_cast<char*>(pBytes), 4, nullptr, &bDefaultUsed);
  if (n <= 0 || bDefaultUsed) return 0;
  return WindowsDecode(pBytes, n) == static_cast<long>(c) ? n : 0;
}

long OurDecode(const unsigned char* p, int n) {
  char32_t c;
  return DecodeShiftJisChar(p, static_cast<size_t>(n), &c) == static_cast<size_t>(n)
             ? static_cast<long>(c)
             : -1;
}

void PrintBytes(const unsigned char* p, int n) {
  if (n == 0) std::printf("none");
  for (int i = 0; i < n; ++i) std::printf("%02X", p[i]);
}

void PrintChar(long c) {
  if (c < 0) {
    std::printf("none");
  } else {
    std::printf("U+%04lX", c);
  }
}

}  // namespace

int main(int argc, char** argv) {
  bool bDump = argc > 1 && std::strcmp(argv[1], "--dump") == 0;
  long nSequences = 0;
  long nChars = 0;
  long nDifferences = 0;
  for (int nFirst = 0; nFirst < 0x100; ++nFirst) {
    bool bLead = IsDBCSLeadByteEx(kCodePage, static_cast<BYTE>(nFirst));
    for (int nSecond = 0; nSecond < (bLead ? 0x100 : 1); ++nSecond) {
      unsigned char bytes[2] = {static_cast<unsigned char>(nFirst),
                                static_cast<unsigned char>(nSecond)};
      int n = bLead ? 2 : 1;
      long nWindows = WindowsDecode(bytes, n);
      ++nSequences;
      if (bDump) {
        if (nWindows >= 0) {
          std::printf("D ");
          PrintBytes(bytes, n);
          std::printf(" %04lX\n", nWindows);
        }
        continue;
      }
      long nOurs = OurDecode(bytes, n);
      if (nOurs == nWindows || (nOurs < 0 && IsLeftOut(bytes, n))) continue;
      ++nDifferences;
      std::printf("bytes ");
      PrintBytes(bytes, n);
      std::printf(": Windows reads ");
      PrintChar(nWindows);
      std::printf(", the table ");
      PrintChar(nOurs);
      std::printf("\n");
    }
  }
  for (unsigned c = 0; c < 0x10000; ++c) {
    if (c >= 0xD800 && c <= 0xDFFF) continue;  // halves of a pair, no character
    unsigned char windows[4];
    int nWindows = WindowsEncode(c, windows);
    ++nChars;
    if (bDump) {
      if (nWindows > 0) {
        std::printf("E %04X ", c);
        PrintBytes(windows, nWindows);
        std::printf("\n");
      }
      continue;
    }
    uint8_t ours[2];
    int nOurs = static_cast<int>(EncodeShiftJisChar(c, ours));
    if (nOurs == nWindows && std::memcmp(ours, windows, static_cast<size_t>(nOurs)) == 0) {
      continue;
    }
    if (nOurs == 0 && IsLeftOutChar(c)) continue;
    ++nDifferences;
    std::printf("U+%04X: Windows writes ", c);
    PrintBytes(windows, nWindows);
    std::printf(", the table ");
    PrintBytes(ours, nOurs);
    std::printf("\n");
  }
  if (bDump) return 0;
  std::printf("%ld byte sequences and %ld characters compared with Windows' code page 932: "
              "%ld differ\n",
              nSequences, nChars, nDifferences);
  return nDifferences == 0 ? 0 : 1;
}
