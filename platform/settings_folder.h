// Where the user's settings of the program are kept, as each system
// arranges such folders. One implementation per OS, chosen by the build:
// settings_folder_posix.cc ($XDG_CONFIG_HOME/sonomot/, or
// ~/.config/sonomot/ when XDG_CONFIG_HOME is unset or not an absolute
// path) and settings_folder_win32.cc (%APPDATA%\sonomot\).
#ifndef SONOMOT_PLATFORM_SETTINGS_FOLDER_H_
#define SONOMOT_PLATFORM_SETTINGS_FOLDER_H_

#include <string>

// The folder, ending in its separator; "" when the environment names no
// place for it.
std::string GetSettingsFolder();

#endif  // SONOMOT_PLATFORM_SETTINGS_FOLDER_H_
