// OutputFile on Windows (its interface: motion/output_file.h).
//
// A regular file is always replaced: the new file is written beside it as
// `.sonomot-<pid>-<n>.tmp`, sent to the disk, then put in its place by
// ReplaceFileA, which gives it the old file's security descriptor and
// attributes, or by MoveFileExA where nothing was there. Until then the
// path keeps what it held; a new file not committed is deleted. A file
// that may not be written (read-only, or held by a process that shares it
// with no writer) is refused before anything is made. A device (NUL, CON)
// is written where it is. Narrow calls take UTF-8 (the program's manifest
// sets the code page); files are written in binary.
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

#include <cerrno>
#include <cstdio>
#include <string>

#include "motion/output_file.h"

namespace {

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

// The folder part of strPath with its separator ("" for the current
// folder).
std::string FolderOf(const std::string& strPath) {
  size_t n = strPath.find_last_of("/\\");
  if (n == std::string::npos) return strPath.size() >= 2 && strPath[1] == ':' ? strPath.substr(0, 2) : "";
  return strPath.substr(0, n + 1);
}

// The errno that says why a call of Windows itself failed.
int ErrnoOf(DWORD dwError) {
  switch (dwError) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_UNABLE_TO_REMOVE_REPLACED:
      return EACCES;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return ENOSPC;
    default:
      return EIO;
  }
}

// The full name of strPath: wine's ReplaceFileA finds no file by a
// relative name. strPath itself when it can't be had.
std::string FullPathOf(const std::string& strPath) {
  DWORD nLength = GetFullPathNameA(strPath.c_str(), 0, nullptr, nullptr);
  if (nLength == 0) return strPath;
  std::string strFull(nLength, '\0');
  nLength = GetFullPathNameA(strPath.c_str(), nLength, strFull.data(), nullptr);
  if (nLength == 0 || nLength >= strFull.size()) return strPath;
  strFull.resize(nLength);
  return strFull;
}

bool WriteAll(int nFd, const char* p, size_t n) {
  while (n > 0) {
    unsigned int nChunk = n < (1u << 30) ? static_cast<unsigned int>(n) : (1u << 30);
    int nWritten = _write(nFd, p, nChunk);
    if (nWritten <= 0) {
      if (nWritten == 0) errno = ENOSPC;
      return false;
    }
    p += nWritten;
    n -= static_cast<size_t>(nWritten);
  }
  return true;
}

}  // namespace

OutputFile::~OutputFile() { Abandon(); }

bool OutputFile::Open(const char* pszPath) {
  Abandon();
  m_strLeftover.clear();
  // Every failure leaves errno saying why, for the export's message.
  if (!pszPath || !*pszPath) {
    errno = ENOENT;
    return false;
  }
  std::string strPath = pszPath;
  if (IsSeparator(strPath.back())) {  // names a folder, not a file
    errno = EISDIR;
    return false;
  }
  m_strName = strPath;
  // What is there: opened for writing as it is (nothing made, nothing
  // cut), it tells whether we may write it and what it is.
  int nFd = _open(strPath.c_str(), _O_WRONLY | _O_BINARY | _O_NOINHERIT);
  if (nFd >= 0) {
    if (GetFileType(reinterpret_cast<HANDLE>(_get_osfhandle(nFd))) != FILE_TYPE_DISK) {
      m_nFd = nFd;  // a device: written where it is
      return true;
    }
    _close(nFd);
    if (stat(strPath.c_str(), &m_old) != 0) m_old = {};
  } else if (errno != ENOENT) {
    struct stat st;
    int nError = stat(strPath.c_str(), &st) == 0 && S_ISDIR(st.st_mode) ? EISDIR : errno;
    Abandon();
    errno = nError;
    return false;
  }
  if (OpenNew()) return true;
  int nError = errno;
  Abandon();
  errno = nError;
  return false;
}

bool OutputFile::OpenNew() {
  static unsigned int s_nMade = 0;
  std::string strFolder = FolderOf(m_strName);
  for (int nTry = 0; nTry < 100; ++nTry) {
    std::string strNew = strFolder + ".sonomot-" + std::to_string(GetCurrentProcessId()) + "-" +
                         std::to_string(s_nMade++) + ".tmp";
    int nFd = _open(strNew.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT,
                    _S_IREAD | _S_IWRITE);
    if (nFd >= 0) {
      m_nFd = nFd;
      m_strNew = strNew;
      m_bReplacing = true;
      return true;
    }
    if (errno != EEXIST) return false;
  }
  return false;
}

bool OutputFile::OpenStandardOutput() {
  Abandon();
  m_strLeftover.clear();
  // A copy of the descriptor: Commit closes its own, never the process's.
  std::fflush(stdout);
  m_nFd = _dup(_fileno(stdout));
  if (m_nFd < 0) return false;
  _setmode(m_nFd, _O_BINARY);
  return true;
}

bool OutputFile::Reserve(uint64_t nSize) {
  m_bReserved = true;
  m_nSize = nSize;
  if (!m_bReplacing) return true;
  // The room for the whole file is taken now: a full disk fails here.
  if (_chsize_s(m_nFd, static_cast<long long>(nSize)) != 0) return false;
  return _lseeki64(m_nFd, 0, SEEK_SET) == 0;
}

bool OutputFile::Write(const void* p, size_t n) {
  if (!m_bReserved && !Reserve(n)) return false;
  if (!WriteAll(m_nFd, static_cast<const char*>(p), n)) return false;
  m_nWritten += n;
  return true;
}

bool OutputFile::Commit() {
  bool bOk = true;
  if (m_bReplacing) {
    // On the disk before a name shows it; closed, as ReplaceFileA needs.
    bool bWritten =
        (m_nSize == m_nWritten || _chsize_s(m_nFd, static_cast<long long>(m_nWritten)) == 0) &&
        _commit(m_nFd) == 0;
    int nError = errno;
    _close(m_nFd);
    m_nFd = -1;
    errno = nError;
    bOk = bWritten && Name();
  }
  int nError = errno;
  Abandon();
  errno = nError;
  return bOk;
}

bool OutputFile::Name() {
  std::string strTarget = FullPathOf(m_strName);
  std::string strNew = FullPathOf(m_strNew);
  if (m_old.st_mode != 0) {
    if (ReplaceFileA(strTarget.c_str(), strNew.c_str(), nullptr,
                     REPLACEFILE_IGNORE_MERGE_ERRORS | REPLACEFILE_IGNORE_ACL_ERRORS, nullptr,
                     nullptr)) {
      m_strNew.clear();
      return true;
    }
    DWORD dwError = GetLastError();
    // The old file went meanwhile: the new one takes its name as below.
    if (dwError != ERROR_FILE_NOT_FOUND) {
      errno = ErrnoOf(dwError);
      return false;
    }
  }
  if (!MoveFileExA(strNew.c_str(), strTarget.c_str(),
                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    errno = ErrnoOf(GetLastError());
    return false;
  }
  m_strNew.clear();
  return true;
}

// Windows can't be asked to drop the cached pages of another file: only a
// hint, so nothing is done.
void OutputFile::ForgetCachedPages(const char* pszPath) {}

void OutputFile::Abandon() {
  if (m_nFd >= 0) _close(m_nFd);
  if (!m_strNew.empty() && _unlink(m_strNew.c_str()) != 0) m_strLeftover = m_strNew;
  m_nFd = -1;
  m_strNew.clear();
  m_strName.clear();
  m_old = {};
  m_bReplacing = m_bRegular = m_bReserved = false;
  m_nSize = 0;
  m_nWritten = 0;
}
