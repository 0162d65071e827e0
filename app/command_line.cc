#include "app/command_line.h"

#include <cerrno>
#include <cstring>
#include <string>

#include "resources/version.h"

const ProgramUsage kConsoleUsage = {
    "sonomot-console",
    "[OPTION]... [FILE.mid]...",
    "typing commands at a console drawn in the terminal.\n"
    "When standard input is not a terminal, each of its lines is typed into\n"
    "the console followed by Enter, what the console shows is written to\n"
    "standard output, and the end of the input closes the program; a failed\n"
    "command is also reported on standard error with its line number.\n"
    "\n"
    "Given FILEs, converts each without a session: opens it, converts it\n"
    "(conv pr) and exports the whole piece to FILE with .vmd in place of its\n"
    "extension, beside it. One line per file on standard output; it goes on\n"
    "after a file that fails, and never writes over an input file.\n",
    "  -o, --output=OUT       write the motion to OUT (one FILE only); with\n"
    "                         -o -, to standard output, the line to standard\n"
    "                         error\n"
    "  -d, --directory=DIR    write the motions into the folder DIR\n"
    "  -t, --track=N[,N...]   export these tracks (0 is the first) instead of\n"
    "                         the whole piece\n"
    "      --list             print the tracks of each FILE; write nothing\n"
    "  and every export setting of conf>, as an option of the same word:\n",
    "exit, Escape, the end of the input",
    "a scripted command or a conversion failed,\n"
    "    the MIDI data library (libMIDIData.so) can't be loaded, the terminal\n"
    "    can't be used,"};

const ProgramUsage kWindowUsage = {
    "sonomot",
    "[OPTION]... [FILE.mid]",
    "typing commands at a console in a small window.\n"
    "Given FILE, the window opens it at start-up, as if Open \"FILE\" had been\n"
    "typed. Qt's own options (such as -platform or -display) are accepted too.\n",
    "",
    "the close box, \"exit\"",
    "the MIDI data library (libMIDIData.so) can't be\n"
    "    loaded, there is no display or it can't be reached,"};

namespace {

void PrintHelp(const ProgramUsage& usage, const char* pszSettingWords, FILE* out) {
  std::fprintf(out,
               "Usage: %s %s\n"
               "Turn the notes of a Standard MIDI File into a VMD motion file "
               "for a\nkeyboard model, %s"
               "\n%s",
               usage.pszName, usage.pszArguments, usage.pszDescription, usage.pszOptions);
  if (*usage.pszOptions != '\0') std::fprintf(out, "%s", pszSettingWords);
  // The console's list is wider, for its own options.
  bool bWide = *usage.pszOptions != '\0';
  std::fprintf(out, "%s%s",
               bWide ? "      --help             display this help and exit\n"
                     : "      --help     display this help and exit\n",
               bWide ? "      --version          output version information and exit\n"
                     : "      --version  output version information and exit\n");
  std::fprintf(out,
               "\n"
               "Exit status:\n"
               " 0  if the session ended normally (%s)%s,\n"
               " 1  if %s\n"
               "    or standard output can't be written,\n"
               " 64 if the command line is wrong.\n"
               "\n"
               "The commands are described in %s(1).\n",
               usage.pszClosedBy,
               *usage.pszOptions != '\0'
                   ? "\n    and every scripted command succeeded, or every FILE was converted"
                   : "",
               usage.pszFailsWhen, usage.pszName);
}

}  // namespace

int FinishOutput(const ProgramUsage& usage, FILE* out) {
  if (std::fflush(out) == 0 && !std::ferror(out)) return kExitOk;
  int nError = errno;
  std::fprintf(stderr, "%s: standard output can't be written: %s\n", usage.pszName,
               std::strerror(nError != 0 ? nError : EIO));
  return kExitFailure;
}

int AnswerInfoOptions(int argc, char** argv, const ProgramUsage& usage, FILE* out,
                      const char* pszSettingWords) {
  for (int i = 1; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
    if (std::strcmp(argv[i], "--help") == 0) {
      PrintHelp(usage, pszSettingWords, out);
      return FinishOutput(usage, out);
    }
    if (std::strcmp(argv[i], "--version") == 0) {
      std::fprintf(out, "%s (%s) %s\n%s", usage.pszName, kInternalName, kVersionString,
                   kCopyright);
      return FinishOutput(usage, out);
    }
  }
  return kRunProgram;
}

int RefuseUsage(const ProgramUsage& usage, const char* pszMessage, FILE* err) {
  std::fprintf(err, "%s: %s\nTry '%s --help' for more information.\n", usage.pszName,
               pszMessage, usage.pszName);
  return kExitUsage;
}
