#include "files/output_file.h"

#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "files/disk_calls.h"

namespace {

// Splits a path into its folder (ending in '/', or "." for a bare name)
// and the name in it.
void SplitPath(const std::string& strPath, std::string* pFolder, std::string* pName) {
  size_t nSlash = strPath.rfind('/');
  if (nSlash == std::string::npos) {
    *pFolder = ".";
    *pName = strPath;
  } else {
    *pFolder = strPath.substr(0, nSlash + 1);
    *pName = strPath.substr(nSlash + 1);
  }
}

// A folder opened for the *at calls; opened for reading where we may, so
// that its flags can be asked, else only as a place.
int OpenFolder(int nAt, const std::string& strFolder) {
  int nFd = openat(nAt, strFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (nFd < 0 && errno == EACCES) {
    nFd = openat(nAt, strFolder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  }
  return nFd;
}

// True when the folder only lets names be added, never removed or
// renamed over. A folder opened only as a place can't be asked; a rename
// refused there is dealt with when it happens.
bool IsAppendOnly(int nFolderFd) {
  int nFlags = 0;
  return ioctl(nFolderFd, FS_IOC_GETFLAGS, &nFlags) == 0 && (nFlags & FS_APPEND_FL) != 0;
}

bool WriteAll(int nFd, const char* pc, size_t n) {
  while (n > 0) {
    ssize_t nDone = write(nFd, pc, n);
    if (nDone < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    pc += nDone;
    n -= static_cast<size_t>(nDone);
  }
  return true;
}

// The names of the file's extended attributes (its ACL among them); false
// when they can't be read. A file system without them has none.
bool ListAttributes(int nFd, std::vector<std::string>* pNames) {
  pNames->clear();
  std::vector<char> buffer;
  for (;;) {
    ssize_t nSize = flistxattr(nFd, nullptr, 0);
    if (nSize < 0) return errno == ENOTSUP;
    if (nSize == 0) return true;
    buffer.resize(static_cast<size_t>(nSize));
    nSize = flistxattr(nFd, buffer.data(), buffer.size());
    if (nSize >= 0) break;
    if (errno != ERANGE) return false;  // ERANGE: one was added meanwhile
  }
  for (const char* pc = buffer.data(); pc < buffer.data() + buffer.size(); pc += strlen(pc) + 1) {
    if (*pc) pNames->push_back(pc);
  }
  return true;
}

// The value of one attribute; false when it is missing or can't be read.
bool ReadAttribute(int nFd, const char* pszName, std::vector<char>* pValue) {
  for (;;) {
    ssize_t nSize = fgetxattr(nFd, pszName, nullptr, 0);
    if (nSize < 0) return false;
    pValue->resize(static_cast<size_t>(nSize));
    nSize = fgetxattr(nFd, pszName, pValue->data(), pValue->size());
    if (nSize >= 0) {
      pValue->resize(static_cast<size_t>(nSize));
      return true;
    }
    if (errno != ERANGE) return false;
  }
}

// Gives nNewFd exactly the extended attributes of nOldFd: removes those it
// got on its own (an ACL inherited from the folder) and sets every one of
// the old file's that it lacks or holds otherwise. False when one of them
// can't be given (a trusted.* or security.* attribute of another's
// making, a file system that refuses one).
// *pbAny tells whether the old file has any.
bool CopyAttributes(int nOldFd, int nNewFd, bool* pbAny) {
  std::vector<std::string> oldNames, newNames;
  if (!ListAttributes(nOldFd, &oldNames) || !ListAttributes(nNewFd, &newNames)) return false;
  *pbAny = !oldNames.empty();
  for (const std::string& strName : newNames) {
    if (std::find(oldNames.begin(), oldNames.end(), strName) == oldNames.end() &&
        fremovexattr(nNewFd, strName.c_str()) != 0) {
      return false;
    }
  }
  std::vector<char> oldValue, newValue;
  for (const std::string& strName : oldNames) {
    if (!ReadAttribute(nOldFd, strName.c_str(), &oldValue)) return false;
    if (ReadAttribute(nNewFd, strName.c_str(), &newValue) && newValue == oldValue) continue;
    if (fsetxattr(nNewFd, strName.c_str(), oldValue.data(), oldValue.size(), 0) != 0) {
      return false;
    }
  }
  return true;
}

// Writes all n bytes at nAt; false on the first failure.
bool WriteAllAt(int nFd, const char* pc, size_t n, off_t nAt) {
  while (n > 0) {
    ssize_t nDone = pwrite(nFd, pc, n, nAt);
    if (nDone < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    pc += nDone;
    n -= static_cast<size_t>(nDone);
    nAt += nDone;
  }
  return true;
}

// Makes room for nSize bytes in the regular file nFd, then sets its first
// nHeadSize bytes to zeros and cuts it to nSize, and leaves its offset
// after the zeros. Nothing of its content changes before the room is
// found. False when there is no room or nSize passes the file size limit:
// the file keeps its content and size then, unless *pbChanged says
// otherwise; false after a failure once the content changed too.
bool ReserveInPlace(int nFd, uint64_t nSize, size_t nHeadSize, bool* pbChanged) {
  *pbChanged = false;
  struct stat st;
  if (fstat(nFd, &st) != 0) return false;
  if (nSize > 0) {
    int nResult;
    do {
      nResult = fallocate(nFd, 0, 0, static_cast<off_t>(nSize));
    } while (nResult != 0 && errno == EINTR);
    if (nResult != 0 && errno != EOPNOTSUPP && errno != ENOSYS) {
      // A disk that filled halfway may have left the file longer, with
      // zeros at its end: it gets its size back, or counts as changed.
      int nError = errno;
      struct stat now;
      if (fstat(nFd, &now) != 0 ||
          (now.st_size != st.st_size && ftruncate(nFd, st.st_size) != 0)) {
        *pbChanged = true;
      }
      errno = nError;
      return false;
    }
    if (nResult != 0) {
      // The file system can't reserve: at least the size limit is checked
      // before anything changes.
      struct rlimit limit;
      if (getrlimit(RLIMIT_FSIZE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY &&
          nSize > limit.rlim_cur) {
        errno = EFBIG;
        return false;
      }
    }
  }
  // From here on the old content is given up.
  *pbChanged = true;
  static const char kZeros[OutputFile::kHeldBackBytes] = {};
  if (!WriteAllAt(nFd, kZeros, nHeadSize, 0)) return false;
  if (static_cast<uint64_t>(st.st_size) > nSize &&
      ftruncate(nFd, static_cast<off_t>(nSize)) != 0) {
    return false;
  }
  return lseek(nFd, static_cast<off_t>(nHeadSize), SEEK_SET) >= 0;
}

// Calls fnMake with fresh names until it succeeds or fails for another
// reason than the name being taken; returns the name it took, or "" with
// errno set. Named after this process so concurrent exports never share a
// name; the dot keeps it out of ordinary listings.
template <typename F>
std::string TakeNewName(F fnMake) {
  for (int nTry = 0; nTry < 100; ++nTry) {
    std::string strNew = ".sonomot-" + std::to_string(getpid()) + "-" + std::to_string(nTry) + ".tmp";
    if (fnMake(strNew.c_str())) return strNew;
    if (errno != EEXIST) return "";
  }
  return "";
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
  if (strPath.back() == '/') {  // names a folder, not a file
    errno = EISDIR;
    return false;
  }

  struct sigaction ignore = {};
  ignore.sa_handler = SIG_IGN;
  sigaction(SIGXFSZ, &ignore, &m_previousXfsz);
  sigaction(SIGPIPE, &ignore, &m_previousPipe);
  m_bSignalsIgnored = true;

  std::string strFolder, strName;
  SplitPath(strPath, &strFolder, &strName);
  m_nFolderFd = OpenFolder(AT_FDCWD, strFolder);
  struct stat st;
  for (int nLink = 0;; ++nLink) {
    if (m_nFolderFd < 0 || nLink > 40) {  // no folder there, or a loop of links
      int nError = m_nFolderFd < 0 ? errno : ELOOP;
      Abandon();
      errno = nError;
      return false;
    }
    if (fstatat(m_nFolderFd, strName.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
      // Nothing there yet (through a link: the file is made where the link
      // points, and the link stays).
      bool bMissing = errno == ENOENT;
      m_strName = strName;
      if (bMissing && OpenNew()) return true;
      int nError = errno;
      Abandon();
      errno = nError;
      return false;
    }
    if (!S_ISLNK(st.st_mode)) break;
    std::vector<char> target(PATH_MAX);
    ssize_t nLength = readlinkat(m_nFolderFd, strName.c_str(), target.data(), target.size());
    int nFolderFd = -1;
    if (nLength > 0 && static_cast<size_t>(nLength) < target.size() && target[nLength - 1] != '/') {
      SplitPath(std::string(target.data(), static_cast<size_t>(nLength)), &strFolder, &strName);
      nFolderFd = OpenFolder(m_nFolderFd, strFolder);
    }
    close(m_nFolderFd);
    m_nFolderFd = nFolderFd;
  }
  if (S_ISDIR(st.st_mode) || !OpenInPlace(strName)) {
    int nError = S_ISDIR(st.st_mode) ? EISDIR : errno;
    Abandon();
    errno = nError;
    return false;
  }
  // A device or a pipe is written where it is, nothing to replace.
  if (!m_bRegular) return true;
  if (m_old.st_nlink == 1 && m_old.st_uid == geteuid() &&
      faccessat(m_nFolderFd, ".", W_OK, 0) == 0 && !IsAppendOnly(m_nFolderFd)) {
    m_nOldFd = m_nFd;
    m_nFd = -1;
    if (OpenNew() && GiveOldAttributes()) return true;
    // What the new file can't be given is kept by writing the old one.
    if (m_nFd >= 0) close(m_nFd);
    if (!m_strNew.empty()) unlinkat(m_nFolderFd, m_strNew.c_str(), 0);
    m_strNew.clear();
    m_nFd = m_nOldFd;
    m_nOldFd = -1;
    m_bReplacing = false;
  }
  return true;
}

bool OutputFile::OpenStandardOutput() {
  Abandon();
  m_strLeftover.clear();
  struct sigaction ignore = {};
  ignore.sa_handler = SIG_IGN;
  sigaction(SIGXFSZ, &ignore, &m_previousXfsz);
  sigaction(SIGPIPE, &ignore, &m_previousPipe);
  m_bSignalsIgnored = true;
  // A copy of the descriptor: Commit closes its own, never the process's.
  m_nFd = fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 3);
  if (m_nFd < 0) {
    int nError = errno;
    Abandon();
    errno = nError;
    return false;
  }
  return true;
}

bool OutputFile::OpenInPlace(const std::string& strName) {
  // The open doesn't wait: a pipe that nobody reads can't be opened, where
  // a waiting open would hang the export until a reader came. Writes then
  // wait as usual. A file we may not write is neither replaced nor written.
  int nFd = openat(m_nFolderFd, strName.c_str(),
                   O_WRONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY);
  if (nFd < 0) return false;
  m_nFd = nFd;
  int nFlags = fcntl(nFd, F_GETFL);
  if (nFlags < 0 || fcntl(nFd, F_SETFL, nFlags & ~O_NONBLOCK) != 0 || fstat(nFd, &m_old) != 0) {
    return false;
  }
  m_strName = strName;
  m_bRegular = S_ISREG(m_old.st_mode);
  return true;
}

bool OutputFile::OpenNew() {
  // Without a name until Commit, a file cut short by a killed process
  // vanishes with it. Opened for reading too, to be copied in place if it
  // can't be renamed.
  int nFd = openat(m_nFolderFd, ".", O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
  std::string strNew;
  if (nFd < 0) {
    // File systems without unnamed files say so in one of these ways.
    if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) return false;
    strNew = TakeNewName([&](const char* pszNew) {
      nFd = openat(m_nFolderFd, pszNew, O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
      return nFd >= 0;
    });
    if (nFd < 0) return false;
  }
  m_nFd = nFd;
  m_strNew = strNew;
  m_bReplacing = true;
  return true;
}

bool OutputFile::GiveOldAttributes() {
  // The group first: a change of group clears set-id bits. The mode is
  // set here to see that all of it takes (a set-group-id bit of a group we
  // are not in would not), and again in Commit, after the writes that
  // clear set-id bits.
  struct stat st;
  return fchown(m_nFd, m_old.st_uid, m_old.st_gid) == 0 &&
         CopyAttributes(m_nOldFd, m_nFd, &m_bOldAttributes) &&
         fchmod(m_nFd, m_old.st_mode & 07777) == 0 && fstat(m_nFd, &st) == 0 &&
         (st.st_mode & 07777) == (m_old.st_mode & 07777);
}

void OutputFile::ForgetCachedPages(const char* pszPath) {
  struct stat st;
  if (stat(pszPath, &st) != 0 || !S_ISREG(st.st_mode) || st.st_nlink != 1 ||
      st.st_uid != geteuid()) {
    return;
  }
  // Not waiting on the open either; the file must still be the one seen.
  int nFd = open(pszPath, O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (nFd < 0) return;
  struct stat now;
  if (fstat(nFd, &now) == 0 && now.st_dev == st.st_dev && now.st_ino == st.st_ino) {
    posix_fadvise(nFd, 0, 0, POSIX_FADV_DONTNEED);
  }
  close(nFd);
}

bool OutputFile::Reserve(uint64_t nSize) {
  m_bReserved = true;
  m_nSize = nSize;
  if (m_bReplacing || !m_bRegular) return true;
  return BeginInPlace(m_nFd);
}

bool OutputFile::BeginInPlace(int nFd) {
  // Watched before the first byte changes.
  m_watch.Start(nFd);
  m_nHeadSize = static_cast<size_t>(std::min<uint64_t>(m_nSize, kHeldBackBytes));
  m_head.clear();
  bool bChanged = false;
  if (ReserveInPlace(nFd, m_nSize, m_nHeadSize, &bChanged)) return true;
  int nError = errno;
  m_watch.Finish(!bChanged);
  m_nHeadSize = 0;
  errno = nError;
  return false;
}

bool OutputFile::Write(const void* p, size_t n) {
  // Over an old file, room for these bytes at least comes before the
  // first of them.
  if (!m_bReserved && !Reserve(n)) return false;
  size_t nGiven = n;
  const char* pc = static_cast<const char*>(p);
  if (m_head.size() < m_nHeadSize) {
    // In place: the first bytes wait for Commit.
    size_t nHeld = std::min(n, m_nHeadSize - m_head.size());
    m_head.append(pc, nHeld);
    pc += nHeld;
    n -= nHeld;
  }
  if (!WriteAll(m_nFd, pc, n)) return false;
  m_nWritten += nGiven;
  if (m_bReplacing) {
    // The new file goes to the disk while the rest is made, not all at
    // once in Commit's fsync, which still waits for all of it. Only a
    // start: a failure here is not one of the export.
    constexpr uint64_t kStartEvery = uint64_t{8} << 20;
    if (m_nWritten - m_nStarted >= kStartEvery) {
      sync_file_range(m_nFd, static_cast<off_t>(m_nStarted),
                      static_cast<off_t>(m_nWritten - m_nStarted), SYNC_FILE_RANGE_WRITE);
      m_nStarted = m_nWritten;
    }
  }
  return true;
}

bool OutputFile::Commit() {
  bool bOk;
  if (!m_bReplacing) {
    bOk = FinishInPlace(m_nFd);
  } else if (m_nOldFd >= 0 &&
             ((m_bOldAttributes && !CopyAttributes(m_nOldFd, m_nFd, &m_bOldAttributes)) ||
              ((m_old.st_mode & (S_ISUID | S_ISGID)) != 0 &&
               fchmod(m_nFd, m_old.st_mode & 07777) != 0))) {
    // What the writes took (set-id bits, a file capability) is given
    // again; where it can't be, the old file is written in place.
    bOk = CopyInPlace();
  } else if (disk::Fsync(m_nFd) != 0) {  // on the disk before a name shows it
    bOk = false;
  } else {
    int nError = Name() ? 0 : errno;
    // Refused in this folder (append-only) or for this target (a mount
    // point, another file system): written in place after all.
    bOk = nError == 0 || ((nError == EPERM || nError == EBUSY || nError == EXDEV) && CopyInPlace());
  }
  Abandon();
  return bOk;
}

bool OutputFile::Name() {
  if (m_nOldFd < 0 && m_strNew.empty()) {
    // Nothing was at the path: the file gets its name directly.
    if (LinkUnnamed(m_strName.c_str())) return true;
    if (errno != EEXIST) return false;
    // A file appeared there meanwhile: replaced as below.
  }
  // The new file is named beside the old one and renamed over it.
  if (m_strNew.empty()) {
    m_strNew = TakeNewName([this](const char* pszNew) { return LinkUnnamed(pszNew); });
    if (m_strNew.empty()) return false;
  }
  if (renameat(m_nFolderFd, m_strNew.c_str(), m_nFolderFd, m_strName.c_str()) != 0) return false;
  m_strNew.clear();
  return true;
}

bool OutputFile::LinkUnnamed(const char* pszName) {
  std::string strFdPath = "/proc/self/fd/" + std::to_string(m_nFd);
  if (linkat(AT_FDCWD, strFdPath.c_str(), m_nFolderFd, pszName, AT_SYMLINK_FOLLOW) == 0) {
    return true;
  }
  // Without /proc mounted the descriptor itself is linked, which older
  // systems allow only with a privilege.
  return errno == ENOENT && linkat(m_nFd, "", m_nFolderFd, pszName, AT_EMPTY_PATH) == 0;
}

bool OutputFile::CopyInPlace() {
  int nTarget = m_nOldFd;
  if (nTarget < 0) {
    nTarget = openat(m_nFolderFd, m_strName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (nTarget < 0) return false;
    m_nOldFd = nTarget;
  }
  // Copied in place: exactly what was written, not what was reserved.
  m_nSize = m_nWritten;
  if (!BeginInPlace(nTarget)) return false;
  // The first bytes are held back as Write holds them; the rest is
  // copied after the zeros that stand for them.
  m_head.resize(m_nHeadSize);
  std::vector<char> buffer(256 * 1024);
  for (uint64_t nAt = 0; nAt < m_nSize;) {
    bool bHead = nAt < m_nHeadSize;
    char* pTo = bHead ? m_head.data() + nAt : buffer.data();
    uint64_t nRoom = bHead ? m_nHeadSize - nAt : buffer.size();
    ssize_t nRead = pread(m_nFd, pTo, static_cast<size_t>(std::min(nRoom, m_nSize - nAt)),
                          static_cast<off_t>(nAt));
    if (nRead < 0 && errno == EINTR) continue;
    if (nRead <= 0 || (!bHead && !WriteAll(nTarget, buffer.data(), static_cast<size_t>(nRead)))) {
      return false;
    }
    nAt += static_cast<uint64_t>(nRead);
  }
  // The new file is not needed any more; a name it can't lose (in a
  // folder that turned append-only) is reported.
  if (!m_strNew.empty() && unlinkat(m_nFolderFd, m_strNew.c_str(), 0) != 0) {
    m_strLeftover = m_strNew;
  }
  m_strNew.clear();
  return FinishInPlace(nTarget);
}

bool OutputFile::FinishInPlace(int nFd) {
  // The file ends with the last byte written: an old file that was longer
  // loses its tail, however much room was made.
  bool bOk = true;
  if (m_bRegular || m_watch.IsActive()) {
    struct stat st;
    bOk = fstat(nFd, &st) == 0 && (static_cast<uint64_t>(st.st_size) <= m_nWritten ||
                                   ftruncate(nFd, static_cast<off_t>(m_nWritten)) == 0);
  }
  if (m_watch.IsActive()) {
    // A regular file: the rest on the disk, then the first bytes, so that
    // the file begins as a motion only once all of it is there.
    bOk = bOk && disk::Fdatasync(nFd) == 0 &&
          WriteAllAt(nFd, m_head.data(), m_head.size(), 0) && disk::Fdatasync(nFd) == 0;
    m_watch.Finish(bOk);
  }
  // Our own file gets back the set-id bits that a write by an ordinary
  // user clears.
  if (m_bRegular && m_old.st_uid == geteuid() && (m_old.st_mode & (S_ISUID | S_ISGID)) != 0) {
    fchmod(nFd, m_old.st_mode & 07777);
  }
  if (nFd == m_nFd) m_nFd = -1;
  if (nFd == m_nOldFd) m_nOldFd = -1;
  return close(nFd) == 0 && bOk;
}

void OutputFile::Abandon() {
  // A file written in place and not finished: dated back while it is open.
  m_watch.Finish(false);
  if (m_nFd >= 0) close(m_nFd);
  if (m_nOldFd >= 0) close(m_nOldFd);
  if (!m_strNew.empty() && unlinkat(m_nFolderFd, m_strNew.c_str(), 0) != 0) {
    m_strLeftover = m_strNew;
  }
  if (m_nFolderFd >= 0) close(m_nFolderFd);
  m_nFd = m_nOldFd = m_nFolderFd = -1;
  m_strNew.clear();
  m_strName.clear();
  m_old = {};
  m_bReplacing = m_bRegular = m_bOldAttributes = m_bReserved = false;
  m_nSize = 0;
  m_nHeadSize = 0;
  m_head.clear();
  m_nWritten = 0;
  m_nStarted = 0;
  if (m_bSignalsIgnored) {
    sigaction(SIGPIPE, &m_previousPipe, nullptr);
    sigaction(SIGXFSZ, &m_previousXfsz, nullptr);
    m_bSignalsIgnored = false;
  }
}
