// The command line of sonomot-console, read the GNU way (getopt_long: long
// and short forms, "--", options after the file names), and the one-line
// conversion it asks for when it names files.
//
// Every export setting of conf> is also an option of the same word
// (--layout full, --keys key_ ...): the words come from the command
// processor's own table, so a setting added there is an option at once.
#ifndef SONOMOT_APP_CONSOLE_OPTIONS_H_
#define SONOMOT_APP_CONSOLE_OPTIONS_H_

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

struct StartSettings;

struct ConsoleOptions {
  std::string strOutput;            // -o: the one output file; "-" standard output
  std::string strDirectory;         // -d: the folder of the outputs
  std::vector<int> tracks;          // -t: track numbers, in the order given
  bool bList = false;               // --list: print the tracks, write nothing
  // --WORD VALUE, in the order given: each is set as conf> would.
  std::vector<std::pair<std::string, std::string>> settings;
  std::vector<std::string> files;
};

// Reads argv into *pOptions and sets every --WORD VALUE over the saved
// settings in *pStart as one set: the last of a word wins, and the key and
// pedal bones are checked once, on the result. Returns kRunProgram, or
// kExitUsage after writing the reason and the --help hint to err (an
// unknown option, a missing or empty value, a track list or setting value
// that can't be used, -o with several files, an option that needs a FILE
// without one, bones that clash, naming where each of the two came from:
// an option, the settings file or the default).
int ParseConsoleOptions(int argc, char** argv, ConsoleOptions* pOptions, StartSettings* pStart,
                        FILE* err);

// The settings options' lines of --help, one per conf> word, then what
// the conversion of FILEs writes unless told otherwise.
std::string DescribeSettingOptions();

// The one-line conversion of every FILE with the settings of start: one
// line per file on out, the reasons of failures (and warnings, and what
// the settings file told) on err naming the file. With -o -, the motion
// goes to the process's standard output and the file's line to err. Where neither the
// settings file nor an option gave a setting a value, the conversion's
// own default applies (DescribeSettingOptions says which). REQUIRES: the
// MIDI data library is bound. Returns kExitOk when every file was done,
// else kExitFailure.
int ConvertFiles(const ConsoleOptions& options, const StartSettings& start, FILE* out,
                 FILE* err);

// The settings of the conversion: start's, with the conversion's own
// defaults for the words nobody gave a value.
StartSettings ConversionSettings(const StartSettings& start);

#endif  // SONOMOT_APP_CONSOLE_OPTIONS_H_
