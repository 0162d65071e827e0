#include <errno.h>
#include <sys/stat.h>

#include <cstdlib>

#include "platform/settings_folder.h"

std::string GetSettingsFolder() {
  const char* pszConfig = std::getenv("XDG_CONFIG_HOME");
  if (pszConfig != nullptr && pszConfig[0] == '/') return std::string(pszConfig) + "/sonomot/";
  const char* pszHome = std::getenv("HOME");
  if (pszHome != nullptr && pszHome[0] == '/') return std::string(pszHome) + "/.config/sonomot/";
  return "";
}

bool MakeFoldersAbove(const std::string& strPath) {
  size_t nSlash = strPath.rfind('/');
  if (nSlash == std::string::npos || nSlash == 0) return true;
  std::string strFolder = strPath.substr(0, nSlash);
  for (size_t nAt = 1; nAt <= strFolder.size(); ++nAt) {
    if (nAt != strFolder.size() && strFolder[nAt] != '/') continue;
    std::string strPart = strFolder.substr(0, nAt);
    if (mkdir(strPart.c_str(), 0700) != 0 && errno != EEXIST) return false;
  }
  struct stat st;
  return stat(strFolder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}
