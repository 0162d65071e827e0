// What the two programs make of their command line. Started without
// arguments, both run as they always have; --help and --version answer on
// standard output and end the program with 0 (1 when standard output can't
// be written); a wrong command line is refused with one line and a hint on
// standard error and exit status 64 (EX_USAGE).
#ifndef SONOMOT_APP_COMMAND_LINE_H_
#define SONOMOT_APP_COMMAND_LINE_H_

#include <cstdio>

#include "app/exit_status.h"

// Returned when the command line asks for nothing: start the program.
constexpr int kRunProgram = -1;

// What --help and the messages say of one program: its name as typed, its
// arguments, how it is used (ending the sentence "Turn ... for a keyboard
// model, "), its own options (lines of the option list, may be ""), what
// ends a session normally, and when it fails.
struct ProgramUsage {
  const char* pszName;
  const char* pszArguments;
  const char* pszDescription;
  const char* pszOptions;
  const char* pszClosedBy;
  const char* pszFailsWhen;
};

extern const ProgramUsage kConsoleUsage;
extern const ProgramUsage kWindowUsage;

// Answers --help or --version, wherever they stand before a "--" (the first
// of them wins), writing to out. Returns 0 when it answered, kExitFailure
// (with the reason on standard error) when out can't be written, else
// kRunProgram without writing anything.
// pszSettingWords is printed after the program's own options when it has
// any (the console's settings options, one line each).
int AnswerInfoOptions(int argc, char** argv, const ProgramUsage& usage,
                      FILE* out, const char* pszSettingWords = "");

// Writes "NAME: MESSAGE" and the --help hint to err; returns kExitUsage.
int RefuseUsage(const ProgramUsage& usage, const char* pszMessage, FILE* err);

// Flushes out and returns kExitOk, or kExitFailure after saying on
// standard error that it couldn't be written (a full disk, a closed pipe).
int FinishOutput(const ProgramUsage& usage, FILE* out);

#endif  // SONOMOT_APP_COMMAND_LINE_H_
