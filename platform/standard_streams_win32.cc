#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <string>

#include "platform/standard_streams.h"

namespace {

// ^Z, which ends what is typed at a console as the C runtime reads it.
constexpr wchar_t kEndOfInput = 0x1A;

// The console behind a stream, or null when the stream is a file or a pipe.
HANDLE ConsoleOf(std::FILE* pStream) {
  HANDLE hStream = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(pStream)));
  DWORD dwMode = 0;
  return hStream != INVALID_HANDLE_VALUE && GetConsoleMode(hStream, &dwMode) ? hStream : nullptr;
}

// The characters typed as UTF-8. A lone half of a surrogate pair becomes
// U+FFFD.
std::string Utf8Of(const std::wstring& strWide) {
  if (strWide.empty()) return {};
  int nSize = static_cast<int>(strWide.size());
  int nBytes = WideCharToMultiByte(CP_UTF8, 0, strWide.data(), nSize, nullptr, 0, nullptr, nullptr);
  std::string text(static_cast<size_t>(nBytes > 0 ? nBytes : 0), '\0');
  if (nBytes > 0) {
    WideCharToMultiByte(CP_UTF8, 0, strWide.data(), nSize, text.data(), nBytes, nullptr, nullptr);
  }
  return text;
}

// The console's input ended (^Z was typed, or the console went away).
bool g_bConsoleEnded = false;

}  // namespace

// The C runtime opens the streams in text mode, which turns LF into CR LF
// on the way out, and on the way in drops CR and ends the input at the
// first ^Z byte. A console typed at is read in its own characters
// (ReadInputLine), where ^Z then Enter ends the input too, as the user
// expects of a Windows console.
void PrepareStandardStreams() {
  if (ConsoleOf(stdin) == nullptr) _setmode(_fileno(stdin), _O_BINARY);
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
  SetConsoleCP(CP_UTF8);
  SetConsoleOutputCP(CP_UTF8);
}

bool IsTerminal(std::FILE* pStream) { return ConsoleOf(pStream) != nullptr; }

bool EchoesTypedLines(std::FILE* pStream) {
  HANDLE hConsole = ConsoleOf(pStream);
  DWORD dwMode = 0;
  return hConsole != nullptr && GetConsoleMode(hConsole, &dwMode) &&
         (dwMode & ENABLE_ECHO_INPUT) != 0;
}

// The C runtime reads a console through its code page, whose UTF-8 Windows
// doesn't read back ("ピアノ.mid" typed comes as zeros or '?'): a console
// is read as the UTF-16 it holds, a line at a time as it was entered.
bool ReadInputLine(std::FILE* pStream, std::string* pLine) {
  pLine->clear();
  HANDLE hConsole = ConsoleOf(pStream);
  if (hConsole == nullptr) {
    int c = 0;
    while ((c = std::fgetc(pStream)) != EOF && c != '\n') *pLine += static_cast<char>(c);
    return c != EOF || !pLine->empty();
  }
  std::wstring strTyped;
  while (!g_bConsoleEnded) {
    wchar_t c = 0;
    DWORD dwRead = 0;
    // Nothing read: the console is gone, or Ctrl+C broke the read off.
    if (!ReadConsoleW(hConsole, &c, 1, &dwRead, nullptr) || dwRead == 0 || c == kEndOfInput) {
      // What came before the end is the last line; nothing is read after.
      g_bConsoleEnded = true;
    } else if (c == L'\n') {
      *pLine = Utf8Of(strTyped);
      return true;
    } else {
      strTyped += c;
    }
  }
  *pLine = Utf8Of(strTyped);
  return !pLine->empty();
}

// The C runtime writes a console a byte at a time, and the console takes
// each write by itself: the bytes of one character written apart show as
// as many wrong ones. A console is written the UTF-16 it shows instead.
void WriteStreamText(std::FILE* pStream, std::string_view text) {
  HANDLE hConsole = ConsoleOf(pStream);
  int nSize = static_cast<int>(text.size());
  int nWide = hConsole != nullptr && nSize > 0
                  ? MultiByteToWideChar(CP_UTF8, 0, text.data(), nSize, nullptr, 0)
                  : 0;
  if (nWide > 0) {
    std::wstring strWide(static_cast<size_t>(nWide), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), nSize, strWide.data(), nWide);
    // What the stream holds goes first.
    std::fflush(pStream);
    DWORD dwWritten = 0;
    if (WriteConsoleW(hConsole, strWide.data(), static_cast<DWORD>(nWide), &dwWritten, nullptr)) {
      return;
    }
  }
  std::fwrite(text.data(), 1, text.size(), pStream);
}
