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

}  // namespace

OutputFile::~OutputFile() { Abandon(); }

bool OutputFile::Open(const char* pszPath) {
  Abandon();
  if (!pszPath || !*pszPath) return false;
  std::string strPath = pszPath;
  if (strPath.back() == '/') return false;  // names a folder, not a file

  mode_t nKeepMode = 0;
  bool bExists = false;
  struct stat st;
  if (stat(pszPath, &st) == 0) {
    if (S_ISDIR(st.st_mode)) return false;
    if (!S_ISREG(st.st_mode)) {
      // A device or a pipe: written where it is, nothing to replace. The
      // open doesn't wait: a pipe that nobody reads can't be opened, where
      // a waiting open would hang the export until a reader came. Writes
      // then wait as usual.
      m_nFd = open(pszPath, O_WRONLY | O_TRUNC | O_CLOEXEC | O_NONBLOCK);
      if (m_nFd < 0) return false;
      int nFlags = fcntl(m_nFd, F_GETFL);
      if (nFlags < 0 || fcntl(m_nFd, F_SETFL, nFlags & ~O_NONBLOCK) != 0) {
        close(m_nFd);
        m_nFd = -1;
        return false;
      }
      m_strTarget = strPath;
      return true;
    }
    // A file we may not write is not replaced either.
    if (access(pszPath, W_OK) != 0) return false;
    char szReal[PATH_MAX];
    if (realpath(pszPath, szReal)) strPath = szReal;
    bExists = true;
    nKeepMode = st.st_mode & 07777;
  } else if (errno == ENOENT) {
    // Nothing there yet. Through a link whose file doesn't exist, the file
    // is made where the link points and the link stays.
    strPath = FollowLinks(strPath);
    if (strPath.empty() || strPath.back() == '/') return false;
  } else {
    return false;  // a loop of links, a folder that can't be searched ...
  }

  size_t nSlash = strPath.rfind('/');
  std::string strFolder = nSlash == std::string::npos ? "." : strPath.substr(0, nSlash + 1);
  // Named after this process so concurrent exports never share a new file;
  // the dot keeps it out of ordinary listings while it is written.
  for (int nTry = 0; nTry < 100; ++nTry) {
    std::string strNew = strFolder + (strFolder.back() == '/' ? "" : "/") + ".sonomot-" +
                         std::to_string(getpid()) + "-" + std::to_string(nTry) + ".tmp";
    int nFd = open(strNew.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (nFd >= 0) {
      m_nFd = nFd;
      m_strNew = strNew;
      m_strTarget = strPath;
      break;
    }
    if (errno != EEXIST) return false;
  }
  if (m_nFd < 0) return false;
  if (bExists) {
    // The replaced file keeps its permissions and, where allowed, owner.
    fchmod(m_nFd, nKeepMode);
    if (fchown(m_nFd, st.st_uid, st.st_gid) != 0) {
      // Only the owner differs then; the content is what matters.
    }
  }
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
  int nFd = m_nFd;
  m_nFd = -1;
  if (close(nFd) != 0) {
    Abandon();
    return false;
  }
  if (m_strNew.empty()) return true;
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
  m_strTarget.clear();
}
