#include <windows.h>

#include <cerrno>

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
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      return EACCES;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
      return ENOMEM;
    case ERROR_FILENAME_EXCED_RANGE:
      return ENAMETOOLONG;
    default:
      return EIO;
  }
}

// Opens what pszPath names, a folder too, sharing it with every other
// reader and writer; not inherited by processes started later.
HANDLE OpenShared(const char* pszPath, DWORD dwAccess) {
  return CreateFileA(pszPath, dwAccess, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                     nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
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

int StampFile(const char* pszPath, FileStamp* pStamp) {
  HANDLE hFile = OpenShared(pszPath, 0);
  if (hFile == INVALID_HANDLE_VALUE) return ErrnoOf(GetLastError());
  DWORD dwAttributes = 0;
  int nError = TakeStamp(hFile, pStamp, &dwAttributes);
  CloseHandle(hFile);
  return nError;
}

ReadOnlyFile::~ReadOnlyFile() {
  if (m_nHandle != -1) CloseHandle(reinterpret_cast<HANDLE>(m_nHandle));
}

int ReadOnlyFile::Open(const char* pszPath, FileStamp* pStamp) {
  HANDLE hFile = OpenShared(pszPath, GENERIC_READ);
  if (hFile == INVALID_HANDLE_VALUE) return ErrnoOf(GetLastError());
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
