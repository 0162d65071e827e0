#include <direct.h>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "tests/os_test_util.h"

namespace ostest {

namespace {

// The user's temporary folder, with its separator at the end.
std::string TempFolder() {
  char szPath[MAX_PATH + 1];
  DWORD n = GetTempPathA(sizeof(szPath), szPath);
  return n > 0 && n < sizeof(szPath) ? std::string(szPath, n) : std::string(".\\");
}

// A part of a name that no other name made here or by another process
// has yet: the process and a count.
std::string UniquePart() {
  static unsigned int s_nMade = 0;
  return std::to_string(GetCurrentProcessId()) + "-" + std::to_string(s_nMade++);
}

// The system's message for dwError, as the loader reports it.
std::string SystemMessage(DWORD dwError) {
  wchar_t* pszText = nullptr;
  DWORD nLength = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, dwError, 0, reinterpret_cast<wchar_t*>(&pszText), 0, nullptr);
  std::string text;
  for (DWORD i = 0; i < nLength; ++i) text += static_cast<char>(pszText[i]);  // ASCII
  if (pszText != nullptr) LocalFree(pszText);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) {
    text.pop_back();
  }
  return text;
}

}  // namespace

std::string MakeTempFile(const std::string& strPrefix, const std::string& strSuffix) {
  for (int nTry = 0; nTry < 100; ++nTry) {
    std::string strPath = TempFolder() + strPrefix + UniquePart() + strSuffix;
    int nFd = _open(strPath.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY,
                    _S_IREAD | _S_IWRITE);
    if (nFd >= 0) {
      _close(nFd);
      return strPath;
    }
    if (errno != EEXIST) break;
  }
  return "";
}

std::string MakeTempFolder(const std::string& strPrefix) {
  for (int nTry = 0; nTry < 100; ++nTry) {
    std::string strPath = TempFolder() + strPrefix + UniquePart();
    if (_mkdir(strPath.c_str()) == 0) return strPath;
    if (errno != EEXIST) break;
  }
  return "";
}

void SetSettingsHome(const std::string& strHome) { _putenv_s("APPDATA", strHome.c_str()); }

std::string GetSettingsHome() {
  const char* pszHome = std::getenv("APPDATA");
  return pszHome ? pszHome : "";
}

std::string MissingLibraryReason() { return SystemMessage(ERROR_MOD_NOT_FOUND); }

// The loader fills in the file's name.
std::string NotALibraryMark() { return "MIDIData.dll"; }

}  // namespace ostest
