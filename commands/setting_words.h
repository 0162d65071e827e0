// The setting words of "conf>", in one place for every caller: the console
// (DispatchSettingCommand), the settings file read at start-up, and any
// caller that sets a choice from words of its own.
//
// A setting line is a word and its value, tokenized like an entered line:
// "layout full", "keys map \"my keys.txt\"", "pedal \"Damper Pedal\"". A
// value with blanks is one argument only in double quotes; a word given
// more values than it takes is refused, never cut.
//
// The settings file keeps values an entered line can't hold: inside double
// quotes there, \" is a quote, \\ a backslash, \n and \r line breaks (any
// other backslash stays as it is), and '#' belongs to the value when the
// quotes close on the line.
//
// Which words were given a value (typed, read from the settings file, set
// by an option) is kept beside the settings, in a set of the words as
// DescribeSettings names them: "save" keeps only those, so that a word the
// user never set takes each program's own default.
#ifndef SONOMOT_COMMANDS_SETTING_WORDS_H_
#define SONOMOT_COMMANDS_SETTING_WORDS_H_

#include <set>
#include <string>
#include <vector>

#include "motion/export_settings.h"

class CommandArgs;

enum class SettingOutcome {
  kNotASetting,  // argument 0 is no setting word; nothing changed
  kApplied,      // the settings hold the new value
  kRefused,      // the settings are as they were
};

// What one setting line did, for each caller to tell in its own way: the
// console prints "invalid value." and the two sentences of a refusal
// under it, a script reads Reason() on standard error.
struct SettingResult {
  SettingOutcome outcome = SettingOutcome::kNotASetting;
  // The word as the table spells it ("reset" included); null for
  // kNotASetting.
  const char* pszWord = nullptr;
  // kApplied: what the console says, the setting's show line or
  // "settings reset to default.".
  std::string strShown;
  // kRefused: what the word accepts ("layout takes bones or full."), and
  // what else was wrong as a sentence of its own, or empty.
  std::string strAccepts;
  std::string strProblem;

  bool IsApplied() const { return outcome == SettingOutcome::kApplied; }
  // kRefused: both sentences as one, without their periods: "layout takes
  // bones or full; the prefix is empty".
  std::string Reason() const;
};

// Applies one setting line (args: the word, then its values) to
// *pSettings. With bCheckClash false, a key bone and the pedal bone
// sharing a name is not checked (a caller applying several lines checks
// BoneNameClash once they are all in). When pGiven is given, an applied
// word joins it and "reset" empties it.
SettingResult ApplySettingLine(const CommandArgs& args, ExportSettings* pSettings,
                               bool bCheckClash = true, std::set<std::string>* pGiven = nullptr);

// ApplySettingLine for a word as the table spells it and its value given
// apart, as options give them; a value of two words comes as one ("map my
// keys.txt").
SettingResult ApplySettingValue(const char* pszWord, const char* pszValue,
                                ExportSettings* pSettings, bool bCheckClash = true,
                                std::set<std::string>* pGiven = nullptr);

// A setting word (not "reset") and what it takes, as help and the options'
// help tell it: "takes bones or full.".
struct SettingDescription {
  const char* pszWord;
  const char* pszTakes;
};
// Every setting word, in the order show lists them.
std::vector<SettingDescription> DescribeSettings();

// The setting word that argument 0 names ("reset" included), as the table
// spells it; null when it names none.
const char* FindSettingWord(const CommandArgs& args);

// The words of a settings file line, as SettingFileLines writes them and
// entered lines are tokenized, with the file's escapes above.
std::vector<std::string> SplitSettingLine(const std::string& strLine);

// What "show" prints after "this space show config": one line per setting.
std::vector<std::string> ShowSettingLines(const ExportSettings& settings);

// One setting line per setting (with pGiven, per word in it), as
// SplitSettingLine and ApplySettingLine read them back exactly: what
// "save" writes.
std::vector<std::string> SettingFileLines(const ExportSettings& settings,
                                          const std::set<std::string>* pGiven = nullptr);

// The words whose values differ between the two settings, in show order.
std::vector<std::string> ChangedSettingWords(const ExportSettings& before,
                                             const ExportSettings& after);

#endif  // SONOMOT_COMMANDS_SETTING_WORDS_H_
