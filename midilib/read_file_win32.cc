#include <windows.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <string_view>

#include "midilib/read_file.h"

namespace {

// The errno that tells the caller what a failure of Windows means, as the
// C runtime maps them.
int ErrnoOf(DWORD dwError) {
  switch (dwError) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
    case ERROR_DIRECTORY:
      return ENOENT;
    case ERROR_ACCESS_DENIED:
      return EACCES;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      // Another program holds the file, not sharing its reading.
      return EBUSY;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
      return ENOMEM;
    case ERROR_FILENAME_EXCED_RANGE:
      return ENAMETOOLONG;
    default:
      return EIO;
  }
}

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

// The device a name that Windows keeps for one stands for ("NUL" for
// "C:\x\nul .mid"), or "" for a file's name; as in
// files/file_system_win32.cc.
std::string DeviceNamed(std::string_view path) {
  auto fnSeparator = [](char c) { return c == '\\' || c == '/'; };
  if (path.size() >= 2 && fnSeparator(path[0]) && fnSeparator(path[1])) return "";
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
  return bNumbered || bNamed ? strName : "";
}

// The path as the wide calls take it at any length (as in
// files/file_system_win32.cc): from MAX_PATH less 12 on, its full name
// behind "\\?\", which Windows takes as it is, so made by GetFullPathNameW
// first. 0, or the errno of a path that is no UTF-8 or names a device.
int WidePath(const char* pszPath, std::wstring* pPath) {
  pPath->clear();
  if (!DeviceNamed(pszPath).empty()) return ENODEV;
  int nSize = static_cast<int>(std::strlen(pszPath));
  if (nSize == 0) return 0;
  int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, pszPath, nSize, nullptr, 0);
  if (n <= 0) return EILSEQ;
  pPath->resize(static_cast<size_t>(n));
  MultiByteToWideChar(CP_UTF8, 0, pszPath, nSize, pPath->data(), n);
  const std::wstring& strPath = *pPath;
  bool bDevicePath = strPath.size() >= 4 && IsSeparator(strPath[0]) && IsSeparator(strPath[1]) &&
                     (strPath[2] == L'?' || strPath[2] == L'.') && IsSeparator(strPath[3]);
  DWORD dwLength = bDevicePath ? 0 : GetFullPathNameW(strPath.c_str(), 0, nullptr, nullptr);
  if (dwLength < MAX_PATH - 12) return 0;
  std::wstring strFull(dwLength, L'\0');
  dwLength = GetFullPathNameW(strPath.c_str(), dwLength, strFull.data(), nullptr);
  if (dwLength == 0 || dwLength >= strFull.size()) return 0;
  strFull.resize(dwLength);
  if (strFull.size() < MAX_PATH - 12) return 0;
  if (!IsSeparator(strFull[0])) {
    *pPath = L"\\\\?\\" + strFull;
  } else if (IsSeparator(strFull[1]) && strFull[2] != L'.' && strFull[2] != L'?') {
    *pPath = L"\\\\?\\UNC\\" + strFull.substr(2);
  }
  return 0;
}

// Opens what pszPath names, a folder too, sharing it with every other
// reader and writer; not inherited by processes started later. 0, or the
// errno of the failure.
int OpenShared(const char* pszPath, DWORD dwAccess, HANDLE* phFile) {
  std::wstring strPath;
  if (int nError = WidePath(pszPath, &strPath); nError != 0) return nError;
  *phFile = CreateFileW(strPath.c_str(), dwAccess,
                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                        OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  return *phFile == INVALID_HANDLE_VALUE ? ErrnoOf(GetLastError()) : 0;
}

// 0, or the errno of the failure.
int TakeStamp(HANDLE hFile, FileStamp* pStamp, DWORD* pdwAttributes) {
  BY_HANDLE_FILE_INFORMATION info;
  FILE_BASIC_INFO basic;
  if (!GetFileInformationByHandle(hFile, &info) ||
      !GetFileInformationByHandleEx(hFile, FileBasicInfo, &basic, sizeof basic)) {
    return ErrnoOf(GetLastError());
  }
  pStamp->nDevice = info.dwVolumeSerialNumber;
  pStamp->nFile = (uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow;
  pStamp->nSize = (uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow;
  // 100 ns ticks.
  pStamp->nChanged = basic.ChangeTime.QuadPart * 100;
  *pdwAttributes = info.dwFileAttributes;
  return 0;
}

}  // namespace

std::string DescribeReadError(int nError, const char* pszPath) {
  if (nError == EBUSY) return "in use by another program";
  std::string strDevice = nError == ENODEV ? DeviceNamed(pszPath) : "";
  return strDevice.empty() ? std::strerror(nError) : "reserved for the device " + strDevice;
}

int StampFile(const char* pszPath, FileStamp* pStamp) {
  HANDLE hFile = INVALID_HANDLE_VALUE;
  if (int nError = OpenShared(pszPath, 0, &hFile); nError != 0) return nError;
  DWORD dwAttributes = 0;
  int nError = TakeStamp(hFile, pStamp, &dwAttributes);
  CloseHandle(hFile);
  return nError;
}

ReadOnlyFile::~ReadOnlyFile() {
  if (m_nHandle != -1) CloseHandle(reinterpret_cast<HANDLE>(m_nHandle));
}

int ReadOnlyFile::Open(const char* pszPath, FileStamp* pStamp) {
  HANDLE hFile = INVALID_HANDLE_VALUE;
  if (int nError = OpenShared(pszPath, GENERIC_READ, &hFile); nError != 0) return nError;
  m_nHandle = reinterpret_cast<intptr_t>(hFile);
  // A console, NUL or a pipe is no disk file, and GetFileInformationByHandle
  // may not answer for it.
  if (GetFileType(hFile) != FILE_TYPE_DISK) return EINVAL;
  DWORD dwAttributes = 0;
  if (int nError = TakeStamp(hFile, pStamp, &dwAttributes); nError != 0) return nError;
  if (dwAttributes & FILE_ATTRIBUTE_DIRECTORY) return EISDIR;
  return 0;
}

int ReadOnlyFile::Read(void* p, size_t n, size_t* pnRead) {
  // ReadFile takes at most 4 GiB less one byte at a time.
  DWORD dwWanted = n < 0x80000000u ? static_cast<DWORD>(n) : 0x80000000u;
  DWORD dwRead = 0;
  if (!ReadFile(reinterpret_cast<HANDLE>(m_nHandle), p, dwWanted, &dwRead, nullptr)) {
    return ErrnoOf(GetLastError());
  }
  *pnRead = dwRead;
  return 0;
}
