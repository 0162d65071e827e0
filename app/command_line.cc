#include "app/command_line.h"

#include <cstring>

#include "resources/version.h"

const ProgramUsage kConsoleUsage = {
    "sonomot-console",
    "typing commands at a console drawn in the terminal.\n"
    "When standard input is not a terminal, each of its lines is typed into\n"
    "the console followed by Enter, what the console shows is written to\n"
    "standard output, and the end of the input closes the program.\n",
    "Escape, \"exit\", the end of a script"};

const ProgramUsage kWindowUsage = {
    "sonomot",
    "typing commands at a console in a small window.\n"
    "Qt's own options (such as -platform or -display) are accepted too.\n",
    "the close box or \"exit\""};

namespace {

void PrintHelp(const ProgramUsage& usage, FILE* out) {
  std::fprintf(out,
               "Usage: %s [OPTION]\n"
               "Turn the notes of a Standard MIDI File into a VMD motion file "
               "for a\nkeyboard model, %s"
               "\n"
               "      --help     display this help and exit\n"
               "      --version  output version information and exit\n"
               "\n"
               "Exit status:\n"
               " 0  if the MIDI data library (libMIDIData.so) can't be loaded,\n"
               " 1  if the dialog ended with OK,\n"
               " 2  if it was closed (%s),\n"
               " 64 if the command line is wrong.\n"
               "\n"
               "The commands are described in %s(1).\n",
               usage.pszName, usage.pszDescription, usage.pszClosedBy,
               usage.pszName);
}

}  // namespace

int AnswerInfoOptions(int argc, char** argv, const ProgramUsage& usage,
                      FILE* out) {
  for (int i = 1; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
    if (std::strcmp(argv[i], "--help") == 0) {
      PrintHelp(usage, out);
      return 0;
    }
    if (std::strcmp(argv[i], "--version") == 0) {
      std::fprintf(out, "%s (%s) %s\n%s", usage.pszName, kInternalName,
                   kVersionString, kCopyright);
      return 0;
    }
  }
  return kRunProgram;
}

int RefuseArguments(int argc, char** argv, const ProgramUsage& usage,
                    FILE* err) {
  int i = 1;
  if (i < argc && std::strcmp(argv[i], "--") == 0) ++i;
  if (i >= argc) return kRunProgram;
  // After "--" even a leading dash is a plain argument.
  bool bOption = argv[i][0] == '-' && argv[i][1] != '\0' && i == 1;
  std::fprintf(err, "%s: %s '%s'\nTry '%s --help' for more information.\n",
               usage.pszName,
               bOption ? "unrecognized option" : "unexpected argument",
               argv[i], usage.pszName);
  return kExitUsage;
}

int HandleCommandLine(int argc, char** argv, const ProgramUsage& usage,
                      FILE* out, FILE* err) {
  int nExit = AnswerInfoOptions(argc, argv, usage, out);
  if (nExit != kRunProgram) return nExit;
  return RefuseArguments(argc, argv, usage, err);
}
