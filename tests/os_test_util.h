// What tests ask of the system that each OS offers in its own way: fresh
// temporary files and folders, and where the program looks for its
// settings, and what the system's loader of libraries says. One implementation per OS, chosen by the build:
// os_test_util_posix.cc and os_test_util_win32.cc.
#ifndef SONOMOT_TESTS_OS_TEST_UTIL_H_
#define SONOMOT_TESTS_OS_TEST_UTIL_H_

#include <string>

namespace ostest {

// Makes a new empty file in the temporary folder, named strPrefix, a
// unique part, then strSuffix; its path, or "" when none could be made.
std::string MakeTempFile(const std::string& strPrefix, const std::string& strSuffix);
// The same for a folder.
std::string MakeTempFolder(const std::string& strPrefix);

// The folder the program's settings folder is made in (XDG_CONFIG_HOME on
// POSIX, APPDATA on Windows): set to strHome, and as it was before.
void SetSettingsHome(const std::string& strHome);
std::string GetSettingsHome();

// The loader's reason for a library file that isn't there, and a part of
// its reason for a file that is no library (which names the file where
// the system's message has a place for it).
std::string MissingLibraryReason();
std::string NotALibraryMark();

}  // namespace ostest

#endif  // SONOMOT_TESTS_OS_TEST_UTIL_H_
