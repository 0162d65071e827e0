#include <windows.h>

#include <string>
#include <string_view>

#include "platform/file_identity.h"

namespace {

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

// True for a name that Windows keeps for a device ("con.vmd" is the
// console): no file an input or output could be. As DeviceNamed in
// files/file_system_win32.cc.
bool NamesDevice(std::string_view path) {
  auto fnSeparator = [](char c) { return c == '\\' || c == '/'; };
  if (path.size() >= 2 && fnSeparator(path[0]) && fnSeparator(path[1])) return false;
  size_t nStart = path.find_last_of("\\/");
  nStart = nStart != std::string_view::npos ? nStart + 1 : path.size() >= 2 && path[1] == ':' ? 2 : 0;
  std::string_view name = path.substr(nStart);
  name = name.substr(0, name.find_first_of(".:"));
  while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
  std::string strName;
  for (char c : name) strName += c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
  bool bNumbered = strName.size() == 4 && (strName.compare(0, 3, "COM") == 0 ||
                                           strName.compare(0, 3, "LPT") == 0) &&
                   strName[3] >= '1' && strName[3] <= '9';
  bool bNamed = strName == "CON" || strName == "PRN" || strName == "AUX" || strName == "NUL" ||
                strName == "CONIN$" || strName == "CONOUT$";
  return bNumbered || bNamed;
}

// The path as the wide calls take it at any length (as in
// files/file_system_win32.cc): from MAX_PATH less 12 on, its full name
// behind "\\?\", which Windows takes as it is, so made by GetFullPathNameW
// first. False for a path that is no UTF-8.
bool WidePath(const std::string& strPath, std::wstring* pPath) {
  pPath->clear();
  int nSize = static_cast<int>(strPath.size());
  if (nSize == 0) return true;
  int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, strPath.data(), nSize, nullptr, 0);
  if (n <= 0) return false;
  pPath->resize(static_cast<size_t>(n));
  MultiByteToWideChar(CP_UTF8, 0, strPath.data(), nSize, pPath->data(), n);
  const std::wstring& strWide = *pPath;
  bool bDevicePath = strWide.size() >= 4 && IsSeparator(strWide[0]) && IsSeparator(strWide[1]) &&
                     (strWide[2] == L'?' || strWide[2] == L'.') && IsSeparator(strWide[3]);
  DWORD dwLength = bDevicePath ? 0 : GetFullPathNameW(strWide.c_str(), 0, nullptr, nullptr);
  if (dwLength < MAX_PATH - 12) return true;
  std::wstring strFull(dwLength, L'\0');
  dwLength = GetFullPathNameW(strWide.c_str(), dwLength, strFull.data(), nullptr);
  if (dwLength == 0 || dwLength >= strFull.size()) return true;
  strFull.resize(dwLength);
  if (strFull.size() < MAX_PATH - 12) return true;
  if (!IsSeparator(strFull[0])) {
    *pPath = L"\\\\?\\" + strFull;
  } else if (IsSeparator(strFull[1]) && strFull[2] != L'.' && strFull[2] != L'?') {
    *pPath = L"\\\\?\\UNC\\" + strFull.substr(2);
  }
  return true;
}

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
  if (NamesDevice(strPath) || !WidePath(strPath, &strWide)) return FileLookup::kMissing;
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
