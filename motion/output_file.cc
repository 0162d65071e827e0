#include "motion/output_file.h"

#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Where a chain of symbolic links starting at strPath ends: the path the
// last link names (its file not being there), or strPath when it is no
// link.
std::string FollowLinks(std::string strPath) {
  for (int nLink = 0; nLink < 40; ++nLink) {
    char sz[PATH_MAX];
    ssize_t n = readlink(strPath.c_str(), sz, sizeof sz - 1);
    if (n <= 0) break;
    std::string strTarget(sz, static_cast<size_t>(n));
    size_t nSlash = strPath.rfind('/');
    if (strTarget[0] != '/' && nSlash != std::string::npos) {
      strTarget = strPath.substr(0, nSlash + 1) + strTarget;
    }
    strPath = strTarget;
  }
  return strPath;
}

std::string FolderOf(const std::string& strPath) {
  size_t nSlash = strPath.rfind('/');
  return nSlash == std::string::npos ? "." : strPath.substr(0, nSlash + 1);
}

// Calls fnMake with fresh names in strFolder until it succeeds or fails
// for another reason than the name being taken; returns the name it took,
// or "" with errno set. Named after this process so concurrent exports
// never share a name; the dot keeps it out of ordinary listings.
template <typename F>
std::string TakeNewName(const std::string& strFolder, F fnMake) {
  for (int nTry = 0; nTry < 100; ++nTry) {
    std::string strNew = strFolder + (strFolder.back() == '/' ? "" : "/") + ".sonomot-" +
                         std::to_string(getpid()) + "-" + std::to_string(nTry) + ".tmp";
    if (fnMake(strNew.c_str())) return strNew;
    if (errno != EEXIST) return "";
  }
  return "";
}

}  // namespace

OutputFile::~OutputFile() { Abandon(); }

bool OutputFile::Open(const char* pszPath) {
  Abandon();
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

  struct stat st;
  if (stat(pszPath, &st) != 0) {
    if (errno != ENOENT) return false;  // a loop of links, a folder that can't be searched ...
    // Nothing there yet. Through a link whose file doesn't exist, the file
    // is made where the link points and the link stays.
    strPath = FollowLinks(strPath);
    if (strPath.empty() || strPath.back() == '/') {
      errno = strPath.empty() ? ELOOP : EISDIR;
      return false;
    }
    return OpenNew(strPath);
  }
  if (S_ISDIR(st.st_mode)) {
    errno = EISDIR;
    return false;
  }
  // A device or a pipe: written where it is, nothing to replace.
  if (!S_ISREG(st.st_mode)) return OpenInPlace(pszPath);
  // A file we may not write is neither replaced nor written.
  if (access(pszPath, W_OK) != 0) return false;
  char szReal[PATH_MAX];
  if (realpath(pszPath, szReal)) strPath = szReal;
  if (st.st_nlink == 1 && st.st_uid == geteuid() &&
      access(FolderOf(strPath).c_str(), W_OK) == 0) {
    if (!OpenNew(strPath)) return false;  // the old file stays whole
    // The replaced file keeps its group and permissions (in this order: a
    // change of group clears set-id bits). A group we can't give the new
    // file is kept by writing the old one in place.
    if (fchown(m_nFd, st.st_uid, st.st_gid) == 0 && fchmod(m_nFd, st.st_mode & 07777) == 0) {
      return true;
    }
    Abandon();
  }
  return OpenInPlace(strPath.c_str());
}

bool OutputFile::OpenInPlace(const char* pszPath) {
  // The open doesn't wait: a pipe that nobody reads can't be opened, where
  // a waiting open would hang the export until a reader came. Writes then
  // wait as usual.
  m_nFd = open(pszPath, O_WRONLY | O_TRUNC | O_CLOEXEC | O_NONBLOCK);
  if (m_nFd < 0) return false;
  int nFlags = fcntl(m_nFd, F_GETFL);
  if (nFlags < 0 || fcntl(m_nFd, F_SETFL, nFlags & ~O_NONBLOCK) != 0) {
    Abandon();
    return false;
  }
  m_strTarget = pszPath;
  return true;
}

bool OutputFile::OpenNew(const std::string& strTarget) {
  std::string strFolder = FolderOf(strTarget);
  // Without a name until Commit, a file cut short by a killed process
  // vanishes with it.
  int nFd = open(strFolder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
  std::string strNew;
  if (nFd < 0) {
    // File systems without unnamed files say so in one of these ways.
    if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) return false;
    strNew = TakeNewName(strFolder, [&nFd](const char* pszNew) {
      nFd = open(pszNew, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
      return nFd >= 0;
    });
    if (nFd < 0) return false;
  }
  m_nFd = nFd;
  m_bUnnamed = strNew.empty();
  m_strNew = strNew;
  m_strFolder = strFolder;
  m_strTarget = strTarget;
  return true;
}

bool OutputFile::Write(const void* p, size_t n) {
  // Past a file size limit the system would end the whole program with
  // SIGXFSZ, leaving the new file behind, and a pipe whose reader went
  // away would end it with SIGPIPE; ignored, the write fails with EFBIG or
  // EPIPE and the export reports it.
  struct sigaction ignore = {}, previousXfsz, previousPipe;
  ignore.sa_handler = SIG_IGN;
  sigaction(SIGXFSZ, &ignore, &previousXfsz);
  sigaction(SIGPIPE, &ignore, &previousPipe);
  const char* pc = static_cast<const char*>(p);
  bool bOk = true;
  while (n > 0) {
    ssize_t nDone = write(m_nFd, pc, n);
    if (nDone < 0) {
      if (errno == EINTR) continue;
      bOk = false;
      break;
    }
    pc += nDone;
    n -= static_cast<size_t>(nDone);
  }
  sigaction(SIGPIPE, &previousPipe, nullptr);
  sigaction(SIGXFSZ, &previousXfsz, nullptr);
  return bOk;
}

bool OutputFile::Commit() {
  if (m_bUnnamed) {
    // Complete now: named beside the target, the only way to rename it
    // over the target in one step.
    std::string strFdPath = "/proc/self/fd/" + std::to_string(m_nFd);
    int nFd = m_nFd;
    m_strNew = TakeNewName(m_strFolder, [&](const char* pszNew) {
      if (linkat(AT_FDCWD, strFdPath.c_str(), AT_FDCWD, pszNew, AT_SYMLINK_FOLLOW) == 0) {
        return true;
      }
      // Without /proc mounted the descriptor itself is linked, which
      // older systems allow only with a privilege.
      return errno == ENOENT && linkat(nFd, "", AT_FDCWD, pszNew, AT_EMPTY_PATH) == 0;
    });
    m_bUnnamed = false;
    if (m_strNew.empty()) {
      Abandon();
      return false;
    }
  }
  int nFd = m_nFd;
  m_nFd = -1;
  if (close(nFd) != 0) {
    Abandon();
    return false;
  }
  if (m_strNew.empty()) return true;  // written in place
  if (rename(m_strNew.c_str(), m_strTarget.c_str()) != 0) {
    Abandon();
    return false;
  }
  m_strNew.clear();
  return true;
}

void OutputFile::Abandon() {
  if (m_nFd >= 0) close(m_nFd);
  m_nFd = -1;
  if (!m_strNew.empty()) unlink(m_strNew.c_str());
  m_strNew.clear();
  m_strFolder.clear();
  m_strTarget.clear();
  m_bUnnamed = false;
}
