// The files floor's calls on a POSIX system (Linux): descriptors, the *at
// calls relative to an open folder, unnamed files, extended attributes.
#include "files/file_system.h"

#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <linux/fs.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <vector>

namespace file_system {

namespace {

int Fd(Handle file) { return static_cast<int>(file); }

void TakeFacts(const struct stat& st, Facts* pFacts) {
  pFacts->kind = S_ISREG(st.st_mode)   ? Facts::Kind::kRegular
                 : S_ISDIR(st.st_mode) ? Facts::Kind::kFolder
                 : S_ISLNK(st.st_mode) ? Facts::Kind::kLink
                                       : Facts::Kind::kOther;
  pFacts->nLinks = st.st_nlink;
  pFacts->nSize = static_cast<uint64_t>(st.st_size);
  pFacts->nPermissions = st.st_mode & 07777;
  pFacts->nOwner = st.st_uid;
  pFacts->nGroup = st.st_gid;
  pFacts->nDevice = st.st_dev;
  pFacts->nFile = st.st_ino;
  pFacts->bOurs = st.st_uid == geteuid();
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

bool SyncFile(Handle file) { return fsync(Fd(file)) == 0; }
bool SyncFileData(Handle file) { return fdatasync(Fd(file)) == 0; }

}  // namespace

const Handle kWorkingFolder = AT_FDCWD;
const char kPathSeparators[] = "/";
const bool kDriveLetters = false;

std::string DescribeError(int nError, const std::string& strPath) { return std::strerror(nError); }

bool (*Sync)(Handle file) = SyncFile;
bool (*SyncData)(Handle file) = SyncFileData;

bool LookAt(Handle folder, const std::string& strName, Facts* pFacts) {
  struct stat st;
  if (fstatat(Fd(folder), strName.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return false;
  TakeFacts(st, pFacts);
  return true;
}

bool LookAt(Handle file, Facts* pFacts) {
  struct stat st;
  if (fstat(Fd(file), &st) != 0) return false;
  TakeFacts(st, pFacts);
  return true;
}

bool LookAtPath(const std::string& strPath, Facts* pFacts) {
  struct stat st;
  if (stat(strPath.c_str(), &st) != 0) return false;
  TakeFacts(st, pFacts);
  return true;
}

bool ReadLink(Handle folder, const std::string& strName, std::string* pTarget) {
  std::vector<char> target(PATH_MAX);
  ssize_t nLength = readlinkat(Fd(folder), strName.c_str(), target.data(), target.size());
  if (nLength <= 0 || static_cast<size_t>(nLength) >= target.size() || target[nLength - 1] == '/') {
    return false;
  }
  pTarget->assign(target.data(), static_cast<size_t>(nLength));
  return true;
}

bool MakePrivateFolder(const std::string& strFolder) {
  return mkdir(strFolder.c_str(), 0700) == 0;
}

Handle OpenFolder(Handle at, const std::string& strFolder) {
  int nFd = openat(Fd(at), strFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (nFd < 0 && errno == EACCES) {
    nFd = openat(Fd(at), strFolder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  }
  return nFd;
}

bool MayReplaceIn(Handle folder) {
  if (faccessat(Fd(folder), ".", W_OK, 0) != 0) return false;
  int nFlags = 0;
  return !(ioctl(Fd(folder), FS_IOC_GETFLAGS, &nFlags) == 0 && (nFlags & FS_APPEND_FL) != 0);
}

Handle OpenToWrite(Handle folder, const std::string& strName) {
  int nFd = openat(Fd(folder), strName.c_str(),
                   O_WRONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY);
  if (nFd < 0) return kNoFile;
  int nFlags = fcntl(nFd, F_GETFL);
  if (nFlags < 0 || fcntl(nFd, F_SETFL, nFlags & ~O_NONBLOCK) != 0) {
    int nError = errno;
    close(nFd);
    errno = nError;
    return kNoFile;
  }
  return nFd;
}

Handle OpenUnnamed(Handle folder) {
  int nFd = openat(Fd(folder), ".", O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
  // File systems without unnamed files say so in one of these ways.
  if (nFd < 0 && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL)) errno = ENOTSUP;
  return nFd;
}

Handle CreateNew(Handle folder, const std::string& strName, bool bToRead) {
  return openat(Fd(folder), strName.c_str(),
                (bToRead ? O_RDWR : O_WRONLY) | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
}

Handle OpenStandardOutput() { return fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 3); }

Handle OpenToRead(const std::string& strPath) {
  return open(strPath.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
}

bool Close(Handle file) { return close(Fd(file)) == 0; }

int64_t Read(Handle file, void* p, size_t n, int64_t nAt) {
  for (;;) {
    ssize_t nRead = nAt < 0 ? read(Fd(file), p, n) : pread(Fd(file), p, n, nAt);
    if (nRead >= 0 || errno != EINTR) return nRead;
  }
}

bool Write(Handle file, const void* p, size_t n) {
  const char* pc = static_cast<const char*>(p);
  while (n > 0) {
    ssize_t nDone = write(Fd(file), pc, n);
    if (nDone < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    pc += nDone;
    n -= static_cast<size_t>(nDone);
  }
  return true;
}

bool WriteAt(Handle file, const void* p, size_t n, uint64_t nAt) {
  const char* pc = static_cast<const char*>(p);
  while (n > 0) {
    ssize_t nDone = pwrite(Fd(file), pc, n, static_cast<off_t>(nAt));
    if (nDone < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    pc += nDone;
    n -= static_cast<size_t>(nDone);
    nAt += static_cast<uint64_t>(nDone);
  }
  return true;
}

bool Seek(Handle file, uint64_t nAt) {
  return lseek(Fd(file), static_cast<off_t>(nAt), SEEK_SET) >= 0;
}

bool Truncate(Handle file, uint64_t nSize) {
  return ftruncate(Fd(file), static_cast<off_t>(nSize)) == 0;
}

bool MakeRoom(Handle file, uint64_t nSize, bool* pbChanged) {
  *pbChanged = false;
  struct stat st;
  if (fstat(Fd(file), &st) != 0) return false;
  if (nSize == 0) return true;
  int nResult;
  do {
    nResult = fallocate(Fd(file), 0, 0, static_cast<off_t>(nSize));
  } while (nResult != 0 && errno == EINTR);
  if (nResult == 0) return true;
  if (errno != EOPNOTSUPP && errno != ENOSYS) {
    int nError = errno;
    struct stat now;
    if (fstat(Fd(file), &now) != 0 ||
        (now.st_size != st.st_size && ftruncate(Fd(file), st.st_size) != 0)) {
      *pbChanged = true;
    }
    errno = nError;
    return false;
  }
  struct rlimit limit;
  if (getrlimit(RLIMIT_FSIZE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY &&
      nSize > limit.rlim_cur) {
    errno = EFBIG;
    return false;
  }
  return true;
}

void StartSync(Handle file, uint64_t nAt, uint64_t n) {
  sync_file_range(Fd(file), static_cast<off_t>(nAt), static_cast<off_t>(n),
                  SYNC_FILE_RANGE_WRITE);
}

void ForgetCachedPages(Handle file) { posix_fadvise(Fd(file), 0, 0, POSIX_FADV_DONTNEED); }

bool GiveOwner(Handle file, const Facts& old) {
  return fchown(Fd(file), old.nOwner, old.nGroup) == 0;
}

bool CopyAttributes(Handle from, Handle to, bool* pbAny) {
  std::vector<std::string> oldNames, newNames;
  if (!ListAttributes(Fd(from), &oldNames) || !ListAttributes(Fd(to), &newNames)) return false;
  *pbAny = !oldNames.empty();
  for (const std::string& strName : newNames) {
    if (std::find(oldNames.begin(), oldNames.end(), strName) == oldNames.end() &&
        fremovexattr(Fd(to), strName.c_str()) != 0) {
      return false;
    }
  }
  std::vector<char> oldValue, newValue;
  for (const std::string& strName : oldNames) {
    if (!ReadAttribute(Fd(from), strName.c_str(), &oldValue)) return false;
    if (ReadAttribute(Fd(to), strName.c_str(), &newValue) && newValue == oldValue) continue;
    if (fsetxattr(Fd(to), strName.c_str(), oldValue.data(), oldValue.size(), 0) != 0) {
      return false;
    }
  }
  return true;
}

bool SetPermissions(Handle file, uint32_t nPermissions) {
  return fchmod(Fd(file), nPermissions & 07777) == 0;
}

bool DateBack(Handle file) {
  const struct timespec aTimes[2] = {{0, UTIME_OMIT}, {0, 0}};
  return futimens(Fd(file), aTimes) == 0;
}

bool Link(Handle file, Handle folder, const std::string& strName) {
  std::string strFdPath = "/proc/self/fd/" + std::to_string(Fd(file));
  if (linkat(AT_FDCWD, strFdPath.c_str(), Fd(folder), strName.c_str(), AT_SYMLINK_FOLLOW) == 0) {
    return true;
  }
  // Without /proc mounted the descriptor itself is linked, which older
  // systems allow only with a privilege.
  return errno == ENOENT && linkat(Fd(file), "", Fd(folder), strName.c_str(), AT_EMPTY_PATH) == 0;
}

bool Rename(Handle folder, const std::string& strFrom, const std::string& strTo, Handle* pOpen) {
  return renameat(Fd(folder), strFrom.c_str(), Fd(folder), strTo.c_str()) == 0;
}

bool Remove(Handle folder, const std::string& strName) {
  return unlinkat(Fd(folder), strName.c_str(), 0) == 0;
}

std::string TemporaryName(int nTry) {
  // The dot keeps it out of ordinary listings.
  return ".sonomot-" + std::to_string(getpid()) + "-" + std::to_string(nTry) + ".tmp";
}

struct WriteSignalsIgnored::Saved {
  struct sigaction previousXfsz = {}, previousPipe = {};
};

WriteSignalsIgnored::WriteSignalsIgnored() : m_pSaved(new Saved) {
  struct sigaction ignore = {};
  ignore.sa_handler = SIG_IGN;
  sigaction(SIGXFSZ, &ignore, &m_pSaved->previousXfsz);
  sigaction(SIGPIPE, &ignore, &m_pSaved->previousPipe);
}

WriteSignalsIgnored::~WriteSignalsIgnored() {
  sigaction(SIGPIPE, &m_pSaved->previousPipe, nullptr);
  sigaction(SIGXFSZ, &m_pSaved->previousXfsz, nullptr);
}

bool StartWatcher(Handle file, Watcher* pWatcher) {
  int aPipe[2];
  if (pipe2(aPipe, O_CLOEXEC) != 0) return false;
  pid_t pid = fork();
  if (pid < 0) {
    close(aPipe[0]);
    close(aPipe[1]);
    return false;
  }
  if (pid == 0) {
    // The writer may have other threads: only calls that are safe after a
    // fork from here on. A session of its own, and no ear for the signals
    // a terminal or a shell sends, so that what ends the writer's process
    // group (Ctrl-C, a hang-up) leaves the watch to do its part.
    setsid();
    struct sigaction ignore = {};
    ignore.sa_handler = SIG_IGN;
    for (int nSignal : {SIGINT, SIGQUIT, SIGHUP, SIGTERM, SIGPIPE}) {
      sigaction(nSignal, &ignore, nullptr);
    }
    close(aPipe[1]);
    char c;
    ssize_t n;
    do {
      n = read(aPipe[0], &c, 1);
    } while (n < 0 && errno == EINTR);
    // The writer ended without a word: the file is not whole.
    if (n != 1) DateBack(file);
    _exit(0);
  }
  close(aPipe[0]);
  pWatcher->nProcess = pid;
  pWatcher->word = aPipe[1];
  return true;
}

void EndWatcher(const Watcher& watcher) {
  // The word the watch waits for; then it ends, whatever the file.
  ssize_t n;
  do {
    n = write(Fd(watcher.word), "w", 1);
  } while (n < 0 && errno == EINTR);
  close(Fd(watcher.word));
  while (waitpid(static_cast<pid_t>(watcher.nProcess), nullptr, 0) < 0 && errno == EINTR) {
  }
}

}  // namespace file_system
