// A path split at its last separator into the folder and the name in it.
#ifndef SONOMOT_FILES_PATH_PARTS_H_
#define SONOMOT_FILES_PATH_PARTS_H_

#include <string>
#include <string_view>

#include "files/file_system.h"

struct PathParts {
  // Up to and with the last separator ("a/b/" of "a/b/c", "/" of "/c");
  // empty for a bare name.
  std::string strFolder;
  // Behind it: empty when the path ends in a separator.
  std::string strName;
};

// pszSeparators are the characters that end a folder: by default those of
// the system's own paths. In UTF-8 no byte of a multi-byte character is a
// separator, so the path is scanned from its end byte by byte.
inline PathParts SplitPath(std::string_view path,
                           const char* pszSeparators = file_system::kPathSeparators) {
  size_t nSeparator = path.find_last_of(pszSeparators);
  if (nSeparator == std::string_view::npos) return {std::string(), std::string(path)};
  return {std::string(path.substr(0, nSeparator + 1)), std::string(path.substr(nSeparator + 1))};
}

#endif  // SONOMOT_FILES_PATH_PARTS_H_
