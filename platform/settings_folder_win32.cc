#include <cstdlib>

#include "platform/settings_folder.h"

// The roaming application data of the user, which follows them from
// machine to machine; a folder made there gets the user's own permissions
// from it. The environment is read in UTF-8, as the manifest makes every
// narrow call.
std::string GetSettingsFolder() {
  const char* pszAppData = std::getenv("APPDATA");
  if (pszAppData == nullptr || pszAppData[0] == '\0') return "";
  std::string strFolder = pszAppData;
  if (strFolder.back() != '\\' && strFolder.back() != '/') strFolder += '\\';
  return strFolder + "sonomot\\";
}
