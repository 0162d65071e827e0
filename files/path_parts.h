// A path split at its last separator into the folder and the name in it.
#ifndef SONOMOT_FILES_PATH_PARTS_H_
#define SONOMOT_FILES_PATH_PARTS_H_

#include <string>
#include <string_view>

#include "files/file_system.h"

struct PathParts {
  // Up to and with the last separator ("a/b/" of "a/b/c", "/" of "/c"),
  // or a drive without one ("C:" of "C:c"); empty for a bare name.
  std::string strFolder;
  // Behind it: empty when the path ends in a separator.
  std::string strName;
};

// pszSeparators are the characters that end a folder, and bDriveLetters
// tells whether a path may begin with a drive ("C:"): by default as the
// system's own paths do. In UTF-8 no byte of a multi-byte character is a
// separator, so the path is scanned from its end byte by byte.
inline PathParts SplitPath(std::string_view path,
                           const char* pszSeparators = file_system::kPathSeparators,
                           bool bDriveLetters = file_system::kDriveLetters) {
  size_t nSeparator = path.find_last_of(pszSeparators);
  if (nSeparator == std::string_view::npos) {
    // "C:foo.vmd" is in the drive's current folder, not the working
    // folder (which may be on another drive).
    bool bDrive = bDriveLetters && path.size() >= 2 && path[1] == ':' &&
                  ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
    nSeparator = bDrive ? 1 : std::string_view::npos;
  }
  if (nSeparator == std::string_view::npos) return {std::string(), std::string(path)};
  return {std::string(path.substr(0, nSeparator + 1)), std::string(path.substr(nSeparator + 1))};
}

#endif  // SONOMOT_FILES_PATH_PARTS_H_
