// sonomot.exe: the window program on Windows. The same dialog, console and
// command processor as everywhere, shown by the Win32 back end; linked as
// a GUI program, so no console window opens with it.
//
// Start-up and shutdown are the shared ones (app_run.h): binding
// MIDIData.dll first (a failure shows its message box and ends the program
// with exit status 1 before any window exists), then the back end, the
// module, the dialog and its loop. The arguments are read from the UTF-16
// command line, so any file name arrives whole. --help and --version are
// answered and a wrong command line refused (64) on the console the program
// was started from, if any. A FILE given (a .mid opened with the program,
// or dropped on the .exe) is opened at start-up, as if Open "FILE" had
// been typed.
#include <cstdio>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/exit_status.h"
#include "app/win32_front_end.h"
#include "frontends/win32/win32_native.h"
#include "platform/messages.h"

namespace {

const ProgramUsage kWindowsWindowUsage = {
    "sonomot",
    "[OPTION]... [FILE.mid]",
    "typing commands at a console in a small window.\n"
    "Given FILE, the window opens it at start-up, as if Open \"FILE\" had been\n"
    "typed.\n",
    "",
    "the close box, \"exit\"",
    "the MIDI data library (MIDIData.dll) can't be\n"
    "    loaded,"};

// "--" (after which everything is a FILE) and at most one FILE. Returns ""
// and sets *pFile when they can be used, else why not.
std::string ReadArguments(const std::vector<std::string>& arguments, std::string* pFile) {
  bool bPlain = false;
  for (const std::string& arg : arguments) {
    if (!bPlain && arg == "--") {
      bPlain = true;
      continue;
    }
    if (!bPlain && arg.size() > 1 && arg[0] == '-') return "unrecognized option '" + arg + "'";
    if (!pFile->empty()) return "unexpected argument '" + arg + "'";
    if (arg.empty()) return "an empty FILE name";
    *pFile = arg;
  }
  return std::string();
}

}  // namespace

int main() {
  std::vector<std::string> arguments = win32::GetArguments();
  std::vector<char*> argv{const_cast<char*>("sonomot")};
  for (std::string& arg : arguments) argv.push_back(arg.data());
  argv.push_back(nullptr);
  int argc = static_cast<int>(argv.size()) - 1;

  std::string file;
  std::string refusal = ReadArguments(arguments, &file);
  bool bInfo = false;
  for (const std::string& arg : arguments) {
    if (arg == "--") break;
    bInfo = bInfo || arg == "--help" || arg == "--version";
  }
  if (bInfo || !refusal.empty()) win32::AttachParentConsole();
  int nExit = AnswerInfoOptions(argc, argv.data(), kWindowsWindowUsage, stdout);
  if (nExit != kRunProgram) return nExit;
  if (!refusal.empty()) return RefuseUsage(kWindowsWindowUsage, refusal.c_str(), stderr);
  CWin32FrontEnd frontEnd(file, win32::GetStartShowCommand());
  return RunProgram(nullptr, SW_SHOWNORMAL, &frontEnd);
}
