#include <stdlib.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

#include "tests/os_test_util.h"

namespace ostest {

namespace {

// $TMPDIR, or /tmp.
std::string TempFolder() {
  const char* pszDir = std::getenv("TMPDIR");
  return pszDir ? pszDir : "/tmp";
}

}  // namespace

std::string MakeTempFile(const std::string& strPrefix, const std::string& strSuffix) {
  std::string strTemplate = TempFolder() + "/" + strPrefix + "XXXXXX" + strSuffix;
  std::vector<char> name(strTemplate.begin(), strTemplate.end());
  name.push_back('\0');
  int nFd = mkstemps(name.data(), static_cast<int>(strSuffix.size()));
  if (nFd < 0) return "";
  close(nFd);
  return name.data();
}

std::string MakeTempFolder(const std::string& strPrefix) {
  std::string strTemplate = TempFolder() + "/" + strPrefix + "XXXXXX";
  std::vector<char> name(strTemplate.begin(), strTemplate.end());
  name.push_back('\0');
  return mkdtemp(name.data()) ? name.data() : "";
}

void SetSettingsHome(const std::string& strHome) {
  setenv("XDG_CONFIG_HOME", strHome.c_str(), 1);
}

std::string GetSettingsHome() {
  const char* pszHome = std::getenv("XDG_CONFIG_HOME");
  return pszHome ? pszHome : "";
}

std::string MissingLibraryReason() {
  return "cannot open shared object file: No such file or directory";
}

std::string NotALibraryMark() { return "ELF"; }

}  // namespace ostest
