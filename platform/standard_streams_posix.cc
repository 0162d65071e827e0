#include <termios.h>
#include <unistd.h>

#include "platform/standard_streams.h"

// Streams carry bytes as they are, and a terminal takes the locale's text.
void PrepareStandardStreams() {}

bool IsTerminal(std::FILE* pStream) { return isatty(fileno(pStream)) != 0; }

bool EchoesTypedLines(std::FILE* pStream) {
  termios mode;
  return tcgetattr(fileno(pStream), &mode) == 0 && (mode.c_lflag & ECHO) != 0;
}
