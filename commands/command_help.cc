// "help": the words of each mode, what each takes and does, and the reason
// given to scripts when a line fits no command. One table serves all three.
#include <cstring>
#include <string>
#include <vector>

#include "commands/command_args.h"
#include "commands/command_processor.h"
#include "console/console_output.h"
#include "console/display_width.h"

namespace {

enum ModeMask : unsigned {
  kRoot = 1,
  kMidi = 2,
  kTrack = 4,
  kConf = 8,
  kAnyMode = kRoot | kMidi | kTrack | kConf,
};

// One word of the console: its spellings (the first is shown), the modes
// it works in, what it takes and what it does. A word that does different
// things by mode has a row per mode.
struct HelpRow {
  std::vector<const char*> words;
  unsigned nModes;
  const char* pszTakes;
  const char* pszDoes;
};

const HelpRow kHelpRows[] = {
    {{"Root"}, kAnyMode, "", "switch to root>"},
    {{"Conf"}, kAnyMode, "", "switch to conf>, where the export settings are"},
    {{"midi", "mid", "mi"}, kAnyMode, "", "back to midi> when a file is loaded"},
    {{"track", "trac", "tra", "tr"}, kAnyMode, "N",
     "select track N (0 is the first) and switch to track>"},
    {{"Create"}, kRoot, "Midi", "build a small two-track test file in memory"},
    {{"conv"}, kMidi, "pianoroll|pr",
     "convert to 30 frames per second, one tick a frame (needed before export)"},
    {{"dump", "dum", "du"}, kTrack, "", "list the track's events, 32 a page; answer Yes or No"},
    {{"export", "expor", "expo", "exp", "ex"}, kTrack, "PATH",
     "write the track's motion as a VMD file"},
    {{"export", "expor", "expo", "exp", "ex"}, kMidi, "PATH [N...]",
     "write the whole piece, or tracks N..., merged into one motion"},
    {{"info"}, kMidi, "", "the tracks at a glance: channels, notes, range, pedal, program"},
    {{"info"}, kTrack, "", "what an export of this track holds"},
    {{"reset"}, kConf, "", "every setting back to its default"},
    {{"save"}, kConf, "", "keep the settings for later runs"},
    {{"Open"}, kAnyMode, "PATH", "close what is loaded and load a Standard MIDI File"},
    {{"Close"}, kAnyMode, "", "release the loaded file"},
    {{"show"}, kMidi, "", "the file's information and its tracks"},
    {{"show"}, kTrack, "", "the current track's information"},
    {{"show"}, kConf, "", "the export settings"},
    {{"help"}, kAnyMode, "[WORD]", "the words of this mode, or what WORD takes and does"},
    {{"exit"}, kAnyMode, "", "end the program"},
    {{"tolk"}, kAnyMode, "", "about Sonomot"},
    {{"his"}, kAnyMode, "", "the last three lines entered"},
    {{"clear"}, kAnyMode, "", "empty the console"},
};

unsigned ModeOf(const std::string& prompt) {
  if (prompt == "root>") return kRoot;
  if (prompt == "midi>") return kMidi;
  if (prompt == "track>") return kTrack;
  if (prompt == "conf>") return kConf;
  return 0;
}

std::string ModeNames(unsigned nModes) {
  if (nModes == kAnyMode) return "every mode";
  std::string names;
  const char* apszNames[] = {"root>", "midi>", "track>", "conf>"};
  for (int i = 0; i < 4; ++i) {
    if ((nModes & (1u << i)) == 0) continue;
    if (!names.empty()) names += " ";
    names += apszNames[i];
  }
  return names;
}

bool Spells(const HelpRow& row, const char* pszWord) {
  CommandArgs args;
  args.Assign({pszWord});
  for (const char* pszSpelling : row.words) {
    if (args.IsCommand(pszSpelling, 1)) return true;
  }
  return false;
}

std::string Usage(const char* pszWord, const char* pszTakes) {
  std::string usage = pszWord;
  if (*pszTakes != '\0') usage = usage + " " + pszTakes;
  return usage;
}

// "layout takes bones or full." is shown as "takes bones or full.".
// The words of a mode: the usage in a column of 20, then what the word
// does, a long description wrapped under itself.
constexpr size_t kDoesColumn = 20;

std::string HelpLine(const std::string& strUsage, const std::string& strDoes) {
  return PadToWidth(strUsage, kDoesColumn) + strDoes;
}

std::string SettingDoes(const std::string& strWord) {
  std::string does = CommandProcessor::DescribeSetting(strWord);
  if (does.compare(0, strWord.size() + 1, strWord + " ") == 0) does.erase(0, strWord.size() + 1);
  return does;
}

}  // namespace

int CommandProcessor::ShowHelp(const char* pszWord) {
  unsigned nMode = ModeOf(m_pConsole->GetPrompt());
  if (pszWord == nullptr) {
    for (const HelpRow& row : kHelpRows) {
      if ((row.nModes & nMode) == 0) continue;
      WriteFitted(HelpLine(Usage(row.words[0], row.pszTakes), row.pszDoes), kDoesColumn);
    }
    if (nMode == kConf) {
      for (const std::string& word : GetSettingWords()) {
        WriteFitted(HelpLine(Usage(word.c_str(), "VALUE"), SettingDoes(word)), kDoesColumn);
      }
    }
    return 1;
  }
  bool bFound = false;
  for (const HelpRow& row : kHelpRows) {
    if (!Spells(row, pszWord)) continue;
    WriteFitted(Usage(row.words[0], row.pszTakes) + ": " + row.pszDoes + " (" +
                    ModeNames(row.nModes) + ")",
                2);
    bFound = true;
  }
  for (const std::string& word : GetSettingWords()) {
    CommandArgs args;
    args.Assign({pszWord});
    if (!args.IsCommand(word.c_str(), 1)) continue;
    WriteFitted(word + " VALUE: " + SettingDoes(word) + " (conf>)", 2);
    bFound = true;
  }
  if (!bFound) {
    Fail("invalid command.", std::string("help knows no word \"") + pszWord + "\"");
    return 0;
  }
  return 1;
}

std::string CommandProcessor::ExplainInvalidCommand() const {
  const CommandArgs& args = *m_pArgs;
  const char* pszWord = args.GetArg(0);
  unsigned nMode = ModeOf(m_pConsole->GetPrompt());
  unsigned nElsewhere = 0;
  for (const HelpRow& row : kHelpRows) {
    if (!Spells(row, pszWord)) continue;
    // The word works here: what follows it is what's wrong.
    if (row.nModes & nMode) return "usage: " + Usage(row.words[0], row.pszTakes);
    nElsewhere |= row.nModes;
  }
  for (const std::string& word : GetSettingWords()) {
    if (args.IsCommand(word.c_str(), 1)) nElsewhere |= kConf;
  }
  if (nElsewhere != 0) {
    return std::string(pszWord) + " works in " + ModeNames(nElsewhere);
  }
  return "no such word; help lists the words of " + m_pConsole->GetPrompt();
}
