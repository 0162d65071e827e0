// Standard input, output and error as the console program meets them: a
// file, a pipe or a terminal. One implementation per OS, chosen by the
// build: standard_streams_posix.cc and standard_streams_win32.cc.
#ifndef SONOMOT_PLATFORM_STANDARD_STREAMS_H_
#define SONOMOT_PLATFORM_STANDARD_STREAMS_H_

#include <cstdio>

// Sets the standard streams up before the first byte goes through them:
// files and pipes carry every byte as it is (a motion written to standard
// output, a script's CR LF; no byte ends the input early), and a terminal
// shows and types UTF-8.
void PrepareStandardStreams();
// True when pStream is a terminal.
bool IsTerminal(std::FILE* pStream);
// True when pStream is a terminal that shows each line as it is typed.
bool EchoesTypedLines(std::FILE* pStream);

#endif  // SONOMOT_PLATFORM_STANDARD_STREAMS_H_
