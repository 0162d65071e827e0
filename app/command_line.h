// What the two programs make of their command line. Started without
// arguments, both run as they always have; --help and --version answer on
// standard output and end the program with 0; anything else is refused with
// one line and a hint on standard error and exit code 64 (EX_USAGE: 1 and 2
// are the dialog's own OK and Cancel).
#ifndef SONOMOT_APP_COMMAND_LINE_H_
#define SONOMOT_APP_COMMAND_LINE_H_

#include <cstdio>

constexpr int kExitUsage = 64;
// Returned when the command line asks for nothing: start the program.
constexpr int kRunProgram = -1;

// What --help and the messages say of one program: its name as typed, how
// it is used (ending the sentence "Turn ... for a keyboard model, "), and
// what closes it with exit code 2.
struct ProgramUsage {
  const char* pszName;
  const char* pszDescription;
  const char* pszClosedBy;
};

extern const ProgramUsage kConsoleUsage;
extern const ProgramUsage kWindowUsage;

// Answers --help or --version, wherever they stand before a "--" (the first
// of them wins), writing to out. Returns 0 when it answered, else
// kRunProgram without writing anything.
int AnswerInfoOptions(int argc, char** argv, const ProgramUsage& usage,
                      FILE* out);

// Refuses the first argument after the program name ("--" alone is
// skipped): an option is unrecognised, anything else unexpected. Returns
// kExitUsage after writing the reason and the hint to err, else kRunProgram.
int RefuseArguments(int argc, char** argv, const ProgramUsage& usage,
                    FILE* err);

// Both of the above, for a program that takes no options of its own.
int HandleCommandLine(int argc, char** argv, const ProgramUsage& usage,
                      FILE* out, FILE* err);

#endif  // SONOMOT_APP_COMMAND_LINE_H_
