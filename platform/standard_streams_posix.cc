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

// The terminal's encoding is the locale's, UTF-8 where the program runs.
bool ReadInputLine(std::FILE* pStream, std::string* pLine) {
  pLine->clear();
  int c = 0;
  while ((c = std::fgetc(pStream)) != EOF && c != '\n') *pLine += static_cast<char>(c);
  return c != EOF || !pLine->empty();
}

void WriteStreamText(std::FILE* pStream, std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), pStream);
}
