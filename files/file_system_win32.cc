// The files floor's calls on Windows: handles, wide names made from the
// program's UTF-8 (whatever the process's code page), and names joined to
// the full name of their folder, as Windows has no calls relative to an
// open folder. The folder is held open meanwhile, so it stays where it is.
//
// What Windows does its own way:
// - There are no unnamed files: a new file has its hidden name from the
//   start, and Rename puts it over the old one with ReplaceFileW, which
//   gives it the old file's security descriptor (owner, ACL) and
//   attributes. GiveOwner and CopyAttributes leave that to it.
// - The system's calls follow links themselves; no link is reported.
// - No process watches a file written in place: a writer that fails dates
//   the file back itself (files/in_place_watch.h).
// - Writing to a pipe whose reader went away fails the write; no signal
//   ends the program, so none is ignored.
// - A path as long as MAX_PATH or longer is handed to the system as a full
//   name behind "\\?\", which has no such limit (LongForm).
// - Some names stand for devices in every folder, whatever their
//   extension (CON, con.vmd): none is taken for a file but NUL, which
//   takes what is written and is read as empty, as /dev/null is.
#include <windows.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <string_view>

#include "files/file_system.h"
#include "files/file_system_win32.h"

namespace file_system {

namespace {

// The errno that says what a failure of Windows means, as the C runtime
// maps them where it maps them at all.
int ErrnoOf(DWORD dwError) {
  switch (dwError) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
      return ENOENT;
    case ERROR_DIRECTORY:
      return ENOTDIR;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return EEXIST;
    case ERROR_ACCESS_DENIED:
      return EACCES;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      // Another program holds the file, not sharing what we ask of it.
      return EBUSY;
    case ERROR_WRITE_PROTECT:
      return EROFS;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return ENOSPC;
    case ERROR_FILE_TOO_LARGE:
      return EFBIG;
    case ERROR_NOT_SAME_DEVICE:
      return EXDEV;
    case ERROR_BROKEN_PIPE:
    case ERROR_NO_DATA:
      return EPIPE;
    case ERROR_FILENAME_EXCED_RANGE:
      return ENAMETOOLONG;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
      return ENOMEM;
    case ERROR_DIR_NOT_EMPTY:
      return ENOTEMPTY;
    case ERROR_INVALID_FUNCTION:
    case ERROR_NOT_SUPPORTED:
      return ENOTSUP;
    default:
      return EIO;
  }
}

// Sets errno from the last failure of Windows; for returning it.
template <typename T>
T Failed(T result) {
  errno = ErrnoOf(GetLastError());
  return result;
}

HANDLE H(Handle file) { return reinterpret_cast<HANDLE>(file); }
Handle Of(HANDLE h) { return reinterpret_cast<Handle>(h); }

// False, with errno EILSEQ, for text that is not UTF-8.
bool Wide(const std::string& str, std::wstring* pWide) {
  pWide->clear();
  if (str.empty()) return true;
  int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, str.data(),
                              static_cast<int>(str.size()), nullptr, 0);
  if (n <= 0) {
    errno = EILSEQ;
    return false;
  }
  pWide->resize(static_cast<size_t>(n));
  MultiByteToWideChar(CP_UTF8, 0, str.data(), static_cast<int>(str.size()), pWide->data(), n);
  return true;
}

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

// The device a name that Windows keeps for one stands for ("CON" for
// "C:\x\con .vmd"), or "" for a file's name. Windows takes the last part
// of the path up to its first '.' or ':', without the blanks at its end;
// a path of the "\\?\" kind or on the network names a file. The same
// rule is in midilib/read_file_win32.cc, which stands alone as a library.
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

// Makes the path one that Windows' calls take at any length. From
// MAX_PATH less 12 (what a folder keeps for the names in it) a path works
// only as a full name behind "\\?\" ("\\?\UNC\server\share\..." on the
// network), which Windows takes as it is: no '/' turned into '\', no "."
// or ".." resolved. GetFullPathNameW does both, and so makes the full name
// first. A shorter path is left to be taken as Windows always has.
void LongForm(std::wstring* pPath) {
  const std::wstring& strPath = *pPath;
  bool bDevicePath = strPath.size() >= 4 && IsSeparator(strPath[0]) && IsSeparator(strPath[1]) &&
                     (strPath[2] == L'?' || strPath[2] == L'.') && IsSeparator(strPath[3]);
  if (strPath.empty() || bDevicePath) return;
  DWORD dwLength = GetFullPathNameW(strPath.c_str(), 0, nullptr, nullptr);
  if (dwLength < MAX_PATH - 12) return;  // short, or no full name: the call tells
  std::wstring strFull(dwLength, L'\0');
  dwLength = GetFullPathNameW(strPath.c_str(), dwLength, strFull.data(), nullptr);
  if (dwLength == 0 || dwLength >= strFull.size()) return;
  strFull.resize(dwLength);
  if (strFull.size() < MAX_PATH - 12) return;
  if (!IsSeparator(strFull[0])) {
    *pPath = L"\\\\?\\" + strFull;
  } else if (IsSeparator(strFull[1]) && strFull[2] != L'.' && strFull[2] != L'?') {
    *pPath = L"\\\\?\\UNC\\" + strFull.substr(2);
  }
}

// The full names of the folders open now, by their handles.
std::mutex g_folderLock;
std::map<Handle, std::wstring> g_folders;

// The name strName in the folder, as the wide calls take it: relative to
// the working folder there, or joined to the folder's full name. A name
// that is a full path itself stays as it is. False with errno set when the
// name is no UTF-8, names a device other than NUL (ENODEV), or the folder
// is not open.
bool PathIn(Handle folder, const std::string& strName, std::wstring* pPath) {
  std::string strDevice = DeviceNamed(strName);
  if (!strDevice.empty() && strDevice != "NUL") {
    errno = ENODEV;
    return false;
  }
  if (!Wide(strName, pPath)) return false;
  bool bFull = (!pPath->empty() && IsSeparator((*pPath)[0])) ||
               (pPath->size() >= 2 && (*pPath)[1] == L':');
  if (folder != kWorkingFolder && !bFull) {
    std::lock_guard<std::mutex> lock(g_folderLock);
    auto it = g_folders.find(folder);
    if (it == g_folders.end()) {
      errno = EBADF;
      return false;
    }
    std::wstring strFolder = it->second;
    if (!strFolder.empty() && !IsSeparator(strFolder.back())) strFolder += L'\\';
    *pPath = strFolder + *pPath;
  }
  LongForm(pPath);
  return true;
}

// Opens what the path names, with the access asked; shared with every
// other reader and writer and with a rename or delete, so that the
// program never keeps another from the file, nor itself from replacing
// it. Not inherited by processes started later.
HANDLE OpenShared(const std::wstring& strPath, DWORD dwAccess, DWORD dwCreation,
                  DWORD dwFlags = FILE_ATTRIBUTE_NORMAL) {
  return CreateFileW(strPath.c_str(), dwAccess,
                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, dwCreation,
                     dwFlags, nullptr);
}

bool TakeFacts(HANDLE h, Facts* pFacts) {
  *pFacts = {};
  pFacts->bOurs = true;  // Windows asks the file's ACL at each open instead
  DWORD dwType = GetFileType(h);
  if (dwType != FILE_TYPE_DISK) {
    // A console, NUL or a pipe: nothing more to be told.
    if (dwType == FILE_TYPE_UNKNOWN && GetLastError() != NO_ERROR) return Failed(false);
    pFacts->kind = Facts::Kind::kOther;
    return true;
  }
  BY_HANDLE_FILE_INFORMATION info;
  if (!GetFileInformationByHandle(h, &info)) return Failed(false);
  bool bFolder = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  pFacts->kind = bFolder ? Facts::Kind::kFolder : Facts::Kind::kRegular;
  pFacts->nLinks = info.nNumberOfLinks;
  pFacts->nSize = (uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow;
  // Read-only is the one permission a file carries in itself.
  bool bReadOnly = (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0;
  pFacts->nPermissions = (bReadOnly ? 0444 : 0666) | (bFolder ? 0111 : 0);
  pFacts->nDevice = info.dwVolumeSerialNumber;
  pFacts->nFile = (uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow;
  return true;
}

// The facts of what the path names, a folder too.
bool LookAtWide(const std::wstring& strPath, Facts* pFacts) {
  HANDLE h = OpenShared(strPath, FILE_READ_ATTRIBUTES, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS);
  if (h == INVALID_HANDLE_VALUE) return Failed(false);
  bool bOk = TakeFacts(h, pFacts);
  int nError = errno;
  CloseHandle(h);
  errno = nError;
  return bOk;
}

// The position of the file, to be set back after a call at an offset,
// which on Windows moves it.
bool Position(HANDLE h, LARGE_INTEGER* pAt) {
  LARGE_INTEGER zero = {};
  return SetFilePointerEx(h, zero, pAt, FILE_CURRENT) != 0;
}

OVERLAPPED At(uint64_t nAt) {
  OVERLAPPED at = {};
  at.Offset = static_cast<DWORD>(nAt);
  at.OffsetHigh = static_cast<DWORD>(nAt >> 32);
  return at;
}

// Writes all n bytes from where the file stands, or at *pAt.
bool WriteAll(HANDLE h, const void* p, size_t n, const uint64_t* pAt) {
  const char* pc = static_cast<const char*>(p);
  uint64_t nAt = pAt ? *pAt : 0;
  while (n > 0) {
    DWORD dwWanted = n < (DWORD{1} << 30) ? static_cast<DWORD>(n) : (DWORD{1} << 30);
    DWORD dwDone = 0;
    OVERLAPPED at = At(nAt);
    if (!WriteFile(h, pc, dwWanted, &dwDone, pAt ? &at : nullptr)) return Failed(false);
    if (dwDone == 0) {
      errno = ENOSPC;
      return false;
    }
    pc += dwDone;
    n -= dwDone;
    nAt += dwDone;
  }
  return true;
}

bool SyncFile(Handle file) { return FlushFileBuffers(H(file)) || Failed(false); }

}  // namespace

std::string NamedDevice(std::string_view path) { return DeviceNamed(path); }

bool WidePath(const std::string& strPath, std::wstring* pPath) {
  if (!Wide(strPath, pPath)) return false;
  LongForm(pPath);
  return true;
}

// Not a handle Windows gives: the handles of files are multiples of four,
// and its pseudo-handles are -1 to -6.
const Handle kWorkingFolder = -100;
const char kPathSeparators[] = "\\/";
const bool kDriveLetters = true;

// FlushFileBuffers sends the file's data and what describes it alike.
bool (*Sync)(Handle file) = SyncFile;
bool (*SyncData)(Handle file) = SyncFile;

std::string DescribeError(int nError, const std::string& strPath) {
  if (nError == EBUSY) return "in use by another program";
  std::string strDevice = nError == ENODEV ? DeviceNamed(strPath) : "";
  return strDevice.empty() ? std::strerror(nError) : "reserved for the device " + strDevice;
}

bool LookAt(Handle folder, const std::string& strName, Facts* pFacts) {
  std::wstring strPath;
  return PathIn(folder, strName, &strPath) && LookAtWide(strPath, pFacts);
}

bool LookAt(Handle file, Facts* pFacts) { return TakeFacts(H(file), pFacts); }

bool LookAtPath(const std::string& strPath, Facts* pFacts) {
  std::wstring strWide;
  return PathIn(kWorkingFolder, strPath, &strWide) && LookAtWide(strWide, pFacts);
}

bool ReadLink(Handle folder, const std::string& strName, std::string* pTarget) {
  // LookAt follows links, so none is ever to be read.
  errno = EINVAL;
  return false;
}

bool MakePrivateFolder(const std::string& strFolder) {
  std::wstring strPath;
  if (!Wide(strFolder, &strPath)) return false;
  // The start of a network path (\\server, \\server\share) can't be made,
  // and is not told from a missing one until a folder in it is asked for.
  bool bNetwork = strPath.size() > 2 && IsSeparator(strPath[0]) && IsSeparator(strPath[1]);
  size_t nShare = strPath.find_first_of(L"\\/", 2);
  size_t nBelow = nShare == std::wstring::npos ? nShare : strPath.find_first_of(L"\\/", nShare + 1);
  if (bNetwork && nBelow == std::wstring::npos) {
    errno = EEXIST;
    return false;
  }
  LongForm(&strPath);
  // A folder made in the user's own folders gets the user's permissions
  // from them; %APPDATA% is private to the user already.
  if (CreateDirectoryW(strPath.c_str(), nullptr)) return true;
  DWORD dwError = GetLastError();
  // A drive ("C:") or a folder we may not add to but that is there.
  errno = dwError == ERROR_ALREADY_EXISTS ||
                  GetFileAttributesW(strPath.c_str()) != INVALID_FILE_ATTRIBUTES
              ? EEXIST
              : ErrnoOf(dwError);
  return false;
}

Handle OpenFolder(Handle at, const std::string& strFolder) {
  std::wstring strPath;
  if (!PathIn(at, strFolder, &strPath)) return kNoFile;
  DWORD dwLength = GetFullPathNameW(strPath.c_str(), 0, nullptr, nullptr);
  if (dwLength == 0) return Failed(kNoFile);
  std::wstring strFull(dwLength, L'\0');
  dwLength = GetFullPathNameW(strPath.c_str(), dwLength, strFull.data(), nullptr);
  if (dwLength == 0 || dwLength >= strFull.size()) return Failed(kNoFile);
  strFull.resize(dwLength);
  LongForm(&strFull);
  HANDLE h = OpenShared(strFull, FILE_READ_ATTRIBUTES, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS);
  if (h == INVALID_HANDLE_VALUE) return Failed(kNoFile);
  Facts facts;
  if (!TakeFacts(h, &facts) || facts.kind != Facts::Kind::kFolder) {
    int nError = facts.kind == Facts::Kind::kFolder ? errno : ENOTDIR;
    CloseHandle(h);
    errno = nError;
    return kNoFile;
  }
  std::lock_guard<std::mutex> lock(g_folderLock);
  g_folders[Of(h)] = strFull;
  return Of(h);
}

bool MayReplaceIn(Handle folder) {
  // Windows tells whether we may add a name only when one is added: a new
  // file refused there leaves the old one to be written in place.
  return true;
}

Handle OpenToWrite(Handle folder, const std::string& strName) {
  std::wstring strPath;
  if (!PathIn(folder, strName, &strPath)) return kNoFile;
  // A read-only file, or one another process holds without sharing its
  // writing, is refused here, before anything is made or changed.
  HANDLE h = OpenShared(strPath, GENERIC_WRITE | FILE_READ_ATTRIBUTES, OPEN_EXISTING);
  if (h == INVALID_HANDLE_VALUE) return Failed(kNoFile);
  // An administrator (or wine's root) may be let write a read-only file;
  // it is refused all the same, as Windows refuses everyone else.
  Facts facts;
  if (TakeFacts(h, &facts) && facts.IsRegular() && (facts.nPermissions & 0222) == 0) {
    CloseHandle(h);
    errno = EACCES;
    return kNoFile;
  }
  return Of(h);
}

Handle OpenUnnamed(Handle folder) {
  errno = ENOTSUP;
  return kNoFile;
}

Handle CreateNew(Handle folder, const std::string& strName, bool bToRead) {
  std::wstring strPath;
  if (!PathIn(folder, strName, &strPath)) return kNoFile;
  DWORD dwAccess = GENERIC_WRITE | FILE_READ_ATTRIBUTES | (bToRead ? GENERIC_READ : 0);
  HANDLE h = OpenShared(strPath, dwAccess, CREATE_NEW);
  return h == INVALID_HANDLE_VALUE ? Failed(kNoFile) : Of(h);
}

Handle OpenStandardOutput() {
  HANDLE hOut = GetStdHandle(STD_OUTPUT_HANDLE);
  if (hOut == nullptr || hOut == INVALID_HANDLE_VALUE) {
    errno = EBADF;
    return kNoFile;
  }
  HANDLE hCopy = nullptr;
  if (!DuplicateHandle(GetCurrentProcess(), hOut, GetCurrentProcess(), &hCopy, 0, FALSE,
                       DUPLICATE_SAME_ACCESS)) {
    return Failed(kNoFile);
  }
  return Of(hCopy);
}

Handle OpenToRead(const std::string& strPath) {
  std::wstring strWide;
  if (!PathIn(kWorkingFolder, strPath, &strWide)) return kNoFile;
  HANDLE h = OpenShared(strWide, GENERIC_READ, OPEN_EXISTING);
  return h == INVALID_HANDLE_VALUE ? Failed(kNoFile) : Of(h);
}

bool Close(Handle file) {
  {
    std::lock_guard<std::mutex> lock(g_folderLock);
    g_folders.erase(file);
  }
  return CloseHandle(H(file)) || Failed(false);
}

int64_t Read(Handle file, void* p, size_t n, int64_t nAt) {
  DWORD dwWanted = n < (DWORD{1} << 30) ? static_cast<DWORD>(n) : (DWORD{1} << 30);
  DWORD dwRead = 0;
  if (nAt < 0) {
    if (ReadFile(H(file), p, dwWanted, &dwRead, nullptr)) return dwRead;
    // A pipe whose writer is gone has simply ended.
    return GetLastError() == ERROR_BROKEN_PIPE ? 0 : Failed(-1);
  }
  LARGE_INTEGER position;
  if (!Position(H(file), &position)) return Failed(-1);
  OVERLAPPED at = At(static_cast<uint64_t>(nAt));
  bool bRead = ReadFile(H(file), p, dwWanted, &dwRead, &at) != 0;
  DWORD dwError = GetLastError();
  SetFilePointerEx(H(file), position, nullptr, FILE_BEGIN);
  if (bRead || dwError == ERROR_HANDLE_EOF) return dwRead;
  errno = ErrnoOf(dwError);
  return -1;
}

bool Write(Handle file, const void* p, size_t n) { return WriteAll(H(file), p, n, nullptr); }

bool WriteAt(Handle file, const void* p, size_t n, uint64_t nAt) {
  LARGE_INTEGER position;
  if (!Position(H(file), &position)) return Failed(false);
  bool bOk = WriteAll(H(file), p, n, &nAt);
  int nError = errno;
  SetFilePointerEx(H(file), position, nullptr, FILE_BEGIN);
  errno = nError;
  return bOk;
}

bool Seek(Handle file, uint64_t nAt) {
  LARGE_INTEGER at;
  at.QuadPart = static_cast<LONGLONG>(nAt);
  return SetFilePointerEx(H(file), at, nullptr, FILE_BEGIN) || Failed(false);
}

bool Truncate(Handle file, uint64_t nSize) {
  // Set by the file's information, which leaves its position alone.
  FILE_END_OF_FILE_INFO end;
  end.EndOfFile.QuadPart = static_cast<LONGLONG>(nSize);
  return SetFileInformationByHandle(H(file), FileEndOfFileInfo, &end, sizeof end) ||
         Failed(false);
}

bool MakeRoom(Handle file, uint64_t nSize, bool* pbChanged) {
  *pbChanged = false;
  if (nSize == 0) return true;
  // The clusters are taken for the file without changing its size or
  // content; a full disk fails here. A file system that can't take them
  // ahead has nothing checked: Windows has no file size limit to ask.
  FILE_ALLOCATION_INFO room;
  room.AllocationSize.QuadPart = static_cast<LONGLONG>(nSize);
  if (SetFileInformationByHandle(H(file), FileAllocationInfo, &room, sizeof room)) return true;
  DWORD dwError = GetLastError();
  if (dwError != ERROR_DISK_FULL && dwError != ERROR_HANDLE_DISK_FULL) return true;
  errno = ENOSPC;
  return false;
}

// Windows has no call that starts a range on its way to the disk, nor one
// that drops a file's cached pages; both are only hints.
void StartSync(Handle file, uint64_t nAt, uint64_t n) {}
void ForgetCachedPages(Handle file) {}

bool GiveOwner(Handle file, const Facts& old) {
  // ReplaceFileW gives the new file the old one's owner, in Rename.
  return true;
}

bool CopyAttributes(Handle from, Handle to, bool* pbAny) {
  // ReplaceFileW gives the new file the old one's ACL and attributes, in
  // Rename; nothing needs giving again after the writes.
  *pbAny = false;
  return true;
}

bool SetPermissions(Handle file, uint32_t nPermissions) {
  FILE_BASIC_INFO basic;
  if (!GetFileInformationByHandleEx(H(file), FileBasicInfo, &basic, sizeof basic)) {
    return Failed(false);
  }
  DWORD dwAttributes = basic.FileAttributes & ~DWORD{FILE_ATTRIBUTE_NORMAL};
  if (nPermissions & 0222) {
    dwAttributes &= ~DWORD{FILE_ATTRIBUTE_READONLY};
  } else {
    dwAttributes |= FILE_ATTRIBUTE_READONLY;
  }
  if (dwAttributes == basic.FileAttributes) return true;
  FILE_BASIC_INFO change = {};  // times of 0 stay as they are
  change.FileAttributes = dwAttributes == 0 ? FILE_ATTRIBUTE_NORMAL : dwAttributes;
  return SetFileInformationByHandle(H(file), FileBasicInfo, &change, sizeof change) ||
         Failed(false);
}

bool DateBack(Handle file) {
  // 1970-01-01 in Windows' 100 ns ticks since 1601.
  constexpr uint64_t kEpoch = 116444736000000000u;
  FILETIME time = {static_cast<DWORD>(kEpoch), static_cast<DWORD>(kEpoch >> 32)};
  return SetFileTime(H(file), nullptr, nullptr, &time) || Failed(false);
}

bool Link(Handle file, Handle folder, const std::string& strName) {
  // Every file here has a name: a second one for it, by its full name.
  std::wstring strPath;
  if (!PathIn(folder, strName, &strPath)) return false;
  DWORD dwLength = GetFinalPathNameByHandleW(H(file), nullptr, 0, FILE_NAME_NORMALIZED);
  if (dwLength == 0) return Failed(false);
  std::wstring strExisting(dwLength, L'\0');
  dwLength = GetFinalPathNameByHandleW(H(file), strExisting.data(), dwLength, FILE_NAME_NORMALIZED);
  if (dwLength == 0 || dwLength >= strExisting.size()) return Failed(false);
  strExisting.resize(dwLength);
  return CreateHardLinkW(strPath.c_str(), strExisting.c_str(), nullptr) || Failed(false);
}

bool Rename(Handle folder, const std::string& strFrom, const std::string& strTo, Handle* pOpen) {
  std::wstring strFromPath, strToPath;
  if (!PathIn(folder, strFrom, &strFromPath) || !PathIn(folder, strTo, &strToPath)) return false;
  // ReplaceFileW refuses a new file that is open, however it is shared:
  // closed for the rename, opened again where it is afterwards.
  DWORD dwAccess = GENERIC_READ | GENERIC_WRITE | FILE_READ_ATTRIBUTES;
  if (*pOpen != kNoFile) {
    CloseHandle(H(*pOpen));
    *pOpen = kNoFile;
  }
  auto fnReopen = [&](const std::wstring& strAt, bool bOk) {
    int nError = errno;
    HANDLE h = OpenShared(strAt, dwAccess, OPEN_EXISTING);
    *pOpen = h == INVALID_HANDLE_VALUE ? kNoFile : Of(h);
    errno = nError;
    return bOk;
  };
  if (GetFileAttributesW(strToPath.c_str()) != INVALID_FILE_ATTRIBUTES) {
    if (ReplaceFileW(strToPath.c_str(), strFromPath.c_str(), nullptr,
                     REPLACEFILE_IGNORE_MERGE_ERRORS | REPLACEFILE_IGNORE_ACL_ERRORS, nullptr,
                     nullptr)) {
      return fnReopen(strToPath, true);
    }
    DWORD dwError = GetLastError();
    switch (dwError) {
      case ERROR_FILE_NOT_FOUND:
        // The old file went meanwhile: the new one takes its name below.
      case ERROR_UNABLE_TO_MOVE_REPLACEMENT:
        // The old file is gone and the new one still has its own name: it
        // must take the old one's now, or both are lost.
        break;
      case ERROR_UNABLE_TO_REMOVE_REPLACED:
      case ERROR_SHARING_VIOLATION:
        // Held open by another process that shares its writing but not its
        // removal: busy, as a file in use is, and written in place.
        errno = EBUSY;
        return fnReopen(strFromPath, false);
      default:
        errno = ErrnoOf(dwError);
        return fnReopen(strFromPath, false);
    }
  }
  if (MoveFileExW(strFromPath.c_str(), strToPath.c_str(),
                  MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    return fnReopen(strToPath, true);
  }
  errno = ErrnoOf(GetLastError());
  return fnReopen(strFromPath, false);
}

bool Remove(Handle folder, const std::string& strName) {
  std::wstring strPath;
  return PathIn(folder, strName, &strPath) && (DeleteFileW(strPath.c_str()) || Failed(false));
}

std::string TemporaryName(int nTry) {
  return ".sonomot-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(nTry) + ".tmp";
}

// Windows ends no program for a write that fails: nothing to ignore.
struct WriteSignalsIgnored::Saved {};

WriteSignalsIgnored::WriteSignalsIgnored() : m_pSaved(new Saved) {}

WriteSignalsIgnored::~WriteSignalsIgnored() = default;

bool StartWatcher(Handle file, Watcher* pWatcher) {
  // Windows starts no process as a copy of this one.
  return false;
}

void EndWatcher(const Watcher& watcher) {
  // Never started (StartWatcher fails), so never to be ended.
}

}  // namespace file_system
