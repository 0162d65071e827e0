#include <direct.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>

#include "platform/settings_folder.h"

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

}  // namespace

// The roaming application data of the user, which follows them from
// machine to machine. The environment is read in UTF-8, as the manifest
// makes every narrow call.
std::string GetSettingsFolder() {
  const char* pszAppData = std::getenv("APPDATA");
  if (pszAppData == nullptr || pszAppData[0] == '\0') return "";
  std::string strFolder = pszAppData;
  if (!IsSeparator(strFolder.back())) strFolder += '\\';
  return strFolder + "sonomot\\";
}

// A folder made by the user's process gets the user's own permissions from
// the folder above it: %APPDATA% is private to them already.
bool MakeFoldersAbove(const std::string& strPath) {
  size_t nSeparator = strPath.find_last_of("\\/");
  if (nSeparator == std::string::npos || nSeparator == 0) return true;
  std::string strFolder = strPath.substr(0, nSeparator);
  // The first folder that can be made is past the drive ("C:\") or the
  // share ("\\server\share\").
  size_t nFirst = 1;
  if (strFolder.size() >= 2 && strFolder[1] == ':') nFirst = 3;
  for (size_t nAt = nFirst; nAt <= strFolder.size(); ++nAt) {
    if (nAt != strFolder.size() && !IsSeparator(strFolder[nAt])) continue;
    std::string strPart = strFolder.substr(0, nAt);
    if (_mkdir(strPart.c_str()) != 0 && errno != EEXIST && errno != EACCES) return false;
  }
  struct stat st;
  if (stat(strFolder.c_str(), &st) != 0) return false;
  if (S_ISDIR(st.st_mode)) return true;
  errno = ENOTDIR;
  return false;
}
