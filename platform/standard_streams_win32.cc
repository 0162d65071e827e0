#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include "platform/standard_streams.h"

namespace {

// The console behind a stream, or null when the stream is a file or a pipe.
HANDLE ConsoleOf(std::FILE* pStream) {
  HANDLE hStream = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(pStream)));
  DWORD dwMode = 0;
  return hStream != INVALID_HANDLE_VALUE && GetConsoleMode(hStream, &dwMode) ? hStream : nullptr;
}

}  // namespace

// The C runtime opens the streams in text mode, which turns LF into CR LF
// on the way out, and on the way in drops CR and ends the input at the
// first ^Z byte. A console typed at keeps text mode: there ^Z then Enter
// ends the input, as the user expects of a Windows console.
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
