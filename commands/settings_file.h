// The settings file: the "conf>" settings kept between runs.
//
// It lives at $XDG_CONFIG_HOME/sonomot/settings, or at
// ~/.config/sonomot/settings when XDG_CONFIG_HOME is unset, empty or not an
// absolute path. It holds setting lines, one a line, as "conf>" takes them
// ("layout full", "pedal \"Damper Pedal\""); '#' starts a comment. "save"
// writes every setting, so that "reset" then "save" brings the defaults
// back for later runs. Both programs read it once at start-up.
#ifndef SONOMOT_COMMANDS_SETTINGS_FILE_H_
#define SONOMOT_COMMANDS_SETTINGS_FILE_H_

#include <string>
#include <vector>

#include "motion/export_settings.h"

// Where the settings file is; "" when neither XDG_CONFIG_HOME nor HOME
// gives a folder.
std::string SettingsFilePath();

// Reads the file at strPath over *pSettings, line by line. A line that
// can't be used is skipped and reported as "PATH:LINE: reason"; the rest
// apply. Returns the lines to tell the user: those reports, then, when the
// file changed any setting, one line saying which. A missing file changes
// nothing and reports nothing.
std::vector<std::string> ReadSettingsFile(const std::string& strPath, ExportSettings* pSettings);

// The settings of a start-up: the defaults, with the settings file (when
// there is one) read over them. *pLines gets what ReadSettingsFile tells.
ExportSettings ReadSavedSettings(std::vector<std::string>* pLines);

// Writes the settings to strPath, making its folder when missing. The file
// is replaced whole or not at all. "" on success, else why it failed.
std::string WriteSettingsFile(const std::string& strPath, const ExportSettings& settings);

#endif  // SONOMOT_COMMANDS_SETTINGS_FILE_H_
