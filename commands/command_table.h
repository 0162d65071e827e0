// The words of the console, in one table: a row per word and mode holds its
// spellings, the modes it works in, what a line needs to be it, what
// carries it out, and what help says of it. The processor matches each
// entered line against the rows in order and runs the first that fits;
// help lists the rows of the current mode and tells of one word's rows; a
// line that fits no row is explained from the same rows.
#ifndef SONOMOT_COMMANDS_COMMAND_TABLE_H_
#define SONOMOT_COMMANDS_COMMAND_TABLE_H_

#include <string>
#include <vector>

class CommandArgs;
class CommandProcessor;

// Where the console is: each mode has its own words and its own prompt.
enum class Mode { kRoot, kMidi, kTrack, kConf };
constexpr Mode kEachMode[] = {Mode::kRoot, Mode::kMidi, Mode::kTrack, Mode::kConf};

// "root>", "midi>", "track>" or "conf>": the only place a mode becomes text.
const char* PromptOf(Mode mode);

// A set of modes, one bit each.
using ModeSet = unsigned;
constexpr ModeSet ModeBit(Mode mode) { return 1u << static_cast<unsigned>(mode); }
constexpr ModeSet kEveryMode =
    ModeBit(Mode::kRoot) | ModeBit(Mode::kMidi) | ModeBit(Mode::kTrack) | ModeBit(Mode::kConf);

// "every mode", or the prompts of the set in mode order ("midi> track>").
std::string ModeNames(ModeSet nModes);

// Carries out a line that fits the row; failures are kept by the processor
// as the line's outcome.
using CommandHandler = void (*)(CommandProcessor* pProcessor, const CommandArgs& args);

struct CommandRow {
  // The first spelling is the one help shows; all are whole words, ASCII
  // letter case ignored.
  std::vector<std::string> spellings;
  ModeSet nModes;
  // Arguments the line needs, the word included.
  int nMinCount;
  // When not empty, argument 1 must be one of these ("Create Midi").
  std::vector<std::string> seconds;
  // Null for the words the console answers itself (tolk, his, clear): a
  // line that is exactly one of them never reaches the processor.
  CommandHandler pfnRun;
  std::string strTakes;  // "PATH [N...]", or empty
  // Empty for a row help leaves out: it only answers a word where it
  // does not work.
  std::string strDoes;

  // True if argument 0 of a one-word line pszWord is one of the spellings.
  bool Spells(const char* pszWord) const;
  // True if the row carries out args in mode.
  bool Fits(const CommandArgs& args, Mode mode) const;
  // The word as help shows it with what it takes: "export PATH [N...]".
  std::string Usage() const;
};

#endif  // SONOMOT_COMMANDS_COMMAND_TABLE_H_
