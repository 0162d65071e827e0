#include <windows.h>

#include <string>
#include <string_view>

#include "files/file_identity.h"
#include "files/file_system_win32.h"

namespace {

// Windows' own words for a failure, without the line break it ends with.
std::string DescribeError(DWORD dwError) {
  wchar_t* pszText = nullptr;
  DWORD nLength = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, dwError, 0, reinterpret_cast<wchar_t*>(&pszText), 0, nullptr);
  std::string text;
  if (nLength > 0) {
    int nBytes = WideCharToMultiByte(CP_UTF8, 0, pszText, static_cast<int>(nLength), nullptr, 0,
                                     nullptr, nullptr);
    text.resize(static_cast<size_t>(nBytes));
    WideCharToMultiByte(CP_UTF8, 0, pszText, static_cast<int>(nLength), text.data(), nBytes,
                        nullptr, nullptr);
  }
  if (pszText != nullptr) LocalFree(pszText);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) {
    text.pop_back();
  }
  return text.empty() ? "error " + std::to_string(dwError) : text;
}

}  // namespace

// The volume's serial number and the file's index on it tell files apart
// as the device and inode do on POSIX. The file is opened for nothing but
// its information, shared with every other use, a folder too.
// A device's name is not even opened: opening COM1 may wait on the line.
FileLookup IdentifyFile(const std::string& strPath, FileIdentity* pIdentity,
                        std::string* pReason) {
  std::wstring strWide;
  if (!file_system::NamedDevice(strPath).empty() || !file_system::WidePath(strPath, &strWide)) {
    return FileLookup::kMissing;
  }
  HANDLE hFile =
      CreateFileW(strWide.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                  nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  BY_HANDLE_FILE_INFORMATION info;
  DWORD dwError = ERROR_SUCCESS;
  bool bDevice = false;
  if (hFile == INVALID_HANDLE_VALUE) {
    dwError = GetLastError();
  } else {
    // A device (NUL, a console) has no index to be told apart by, and is
    // no file an input could be.
    bDevice = GetFileType(hFile) != FILE_TYPE_DISK;
    if (!bDevice && !GetFileInformationByHandle(hFile, &info)) dwError = GetLastError();
    CloseHandle(hFile);
  }
  if (bDevice) return FileLookup::kMissing;
  if (dwError == ERROR_FILE_NOT_FOUND || dwError == ERROR_PATH_NOT_FOUND) {
    return FileLookup::kMissing;
  }
  if (dwError != ERROR_SUCCESS) {
    *pReason = DescribeError(dwError);
    return FileLookup::kFailed;
  }
  pIdentity->nDevice = info.dwVolumeSerialNumber;
  pIdentity->nFile = (uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow;
  return FileLookup::kFound;
}
