// The settings file: the "conf>" settings kept between runs.
//
// It lives at $XDG_CONFIG_HOME/sonomot/settings, or at
// ~/.config/sonomot/settings when XDG_CONFIG_HOME is unset, empty or not an
// absolute path. It holds setting lines, one a line, as "conf>" takes them
// ("layout full", "pedal \"Damper Pedal\""), with the escapes of
// commands/setting_words.h in quoted values; '#' starts a comment. "save"
// writes the settings that were given a value, each even at its default,
// and leaves out the others, so that a program with defaults of its own
// (the one-line conversion) applies them there; "reset" then "save" leaves
// every setting to the programs' defaults. Both programs read it once at
// start-up.
#ifndef SONOMOT_COMMANDS_SETTINGS_FILE_H_
#define SONOMOT_COMMANDS_SETTINGS_FILE_H_

#include <set>
#include <string>
#include <vector>

#include "files/status.h"
#include "motion/export_settings.h"

// Where the settings file is; "" when neither XDG_CONFIG_HOME nor HOME
// gives a folder.
std::string SettingsFilePath();

// Reads the file at strPath over *pSettings. Each word is applied once,
// from its last line, in file order (a "reset" line undoes the lines
// above it); a line
// that can't be used is skipped and reported as "PATH:LINE: reason", and
// the rest apply. The words applied join *pGiven when it is given.
// Returns the lines to tell the user: those reports, then, when the file
// changed any setting, one line saying which. A missing file changes
// nothing and reports nothing.
std::vector<std::string> ReadSettingsFile(const std::string& strPath, ExportSettings* pSettings,
                                          std::set<std::string>* pGiven = nullptr);

// What a program starts with: the defaults with the settings file (when
// there is one) read over them, the words it gave a value, and what
// ReadSettingsFile told.
struct StartSettings {
  ExportSettings settings;
  std::set<std::string> given;
  std::vector<std::string> notices;
};
StartSettings ReadSavedSettings();

// Writes the settings of the words in given to strPath, making its folder
// when missing. The file becomes exactly the new text or stays as it was,
// whether it is replaced or written in place; a path that is no regular
// file (a device, a pipe) is refused. Failed with what went wrong as the
// user is told it ("can't be written") and, apart, the system's reason.
Status WriteSettingsFile(const std::string& strPath, const ExportSettings& settings,
                         const std::set<std::string>& given);

#endif  // SONOMOT_COMMANDS_SETTINGS_FILE_H_
