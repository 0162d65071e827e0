// The setting words of "conf>", in one place for every caller: the console
// (DispatchSettingCommand), the settings file read at start-up, and any
// caller that sets a choice from words of its own.
//
// A setting line is a word and its value, tokenized like an entered line:
// "layout full", "keys map \"my keys.txt\"", "pedal \"Damper Pedal\"". A
// value with blanks is one argument only in double quotes; a word given
// more values than it takes is refused, never cut.
#ifndef SONOMOT_COMMANDS_SETTING_WORDS_H_
#define SONOMOT_COMMANDS_SETTING_WORDS_H_

#include <string>
#include <vector>

#include "motion/export_settings.h"

class CommandArgs;

enum class SettingOutcome {
  kNotASetting,  // argument 0 is no setting word; nothing changed
  kApplied,      // *pSettings holds the new value
  kRefused,      // *pSettings is as it was
};

// Applies one setting line (args: the word, then its values) to
// *pSettings. *pLines receives what to tell the user: when applied, the
// setting's show line (or "settings reset to default." for "reset"); when
// refused, "invalid value." and the reasons, the first of them what the
// word accepts. With bCheckClash false, a key bone and the pedal bone
// sharing a name is not checked (a caller applying several lines checks
// BoneNameClash once they are all in).
SettingOutcome ApplySettingLine(const CommandArgs& args, ExportSettings* pSettings,
                                std::vector<std::string>* pLines, bool bCheckClash = true);

// What "show" prints after "this space show config": one line per setting.
std::vector<std::string> ShowSettingLines(const ExportSettings& settings);

// One setting line per setting, as ApplySettingLine reads them back, values
// with blanks in double quotes: what "save" writes.
std::vector<std::string> SettingFileLines(const ExportSettings& settings);

// The words whose values differ between the two settings, in show order.
std::vector<std::string> ChangedSettingWords(const ExportSettings& before,
                                             const ExportSettings& after);

#endif  // SONOMOT_COMMANDS_SETTING_WORDS_H_
