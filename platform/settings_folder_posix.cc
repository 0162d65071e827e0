#include <cstdlib>

#include "platform/settings_folder.h"

std::string GetSettingsFolder() {
  const char* pszConfig = std::getenv("XDG_CONFIG_HOME");
  if (pszConfig != nullptr && pszConfig[0] == '/') return std::string(pszConfig) + "/sonomot/";
  const char* pszHome = std::getenv("HOME");
  if (pszHome != nullptr && pszHome[0] == '/') return std::string(pszHome) + "/.config/sonomot/";
  return "";
}
