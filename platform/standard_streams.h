// Standard input, output and error as the console program meets them: a
// file, a pipe or a terminal. One implementation per OS, chosen by the
// build: standard_streams_posix.cc and standard_streams_win32.cc.
#ifndef SONOMOT_PLATFORM_STANDARD_STREAMS_H_
#define SONOMOT_PLATFORM_STANDARD_STREAMS_H_

#include <cstdio>
#include <string>
#include <string_view>

// Sets the standard streams up before the first byte goes through them:
// files and pipes carry every byte as it is (a motion written to standard
// output, a script's CR LF; no byte ends the input early), and a terminal
// shows and types UTF-8.
void PrepareStandardStreams();
// True when pStream is a terminal.
bool IsTerminal(std::FILE* pStream);
// True when pStream is a terminal that shows each line as it is typed.
bool EchoesTypedLines(std::FILE* pStream);
// Reads the next line of pStream into *pLine, without the LF that ends it:
// false at the end of the input, with nothing read. A file or a pipe
// gives its bytes as they are; a line typed at a terminal comes as UTF-8
// whatever the terminal's own encoding.
bool ReadInputLine(std::FILE* pStream, std::string* pLine);
// Writes the UTF-8 text to pStream: a file or a pipe gets its bytes as
// they are, a terminal shows its characters whatever its own encoding.
// A failure is left in the stream's error flag.
void WriteStreamText(std::FILE* pStream, std::string_view text);

#endif  // SONOMOT_PLATFORM_STANDARD_STREAMS_H_
