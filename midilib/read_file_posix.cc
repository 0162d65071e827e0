#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

#include "midilib/read_file.h"

namespace {

void TakeStamp(const struct stat& st, FileStamp* pStamp) {
  pStamp->nDevice = static_cast<uint64_t>(st.st_dev);
  pStamp->nFile = static_cast<uint64_t>(st.st_ino);
  pStamp->nSize = static_cast<uint64_t>(st.st_size);
  pStamp->nChanged = int64_t{st.st_ctim.tv_sec} * 1000000000 + st.st_ctim.tv_nsec;
}

}  // namespace

int StampFile(const char* pszPath, FileStamp* pStamp) {
  struct stat st;
  if (stat(pszPath, &st) != 0) return errno;
  TakeStamp(st, pStamp);
  return 0;
}

std::string DescribeReadError(int nError, const char* pszPath) { return std::strerror(nError); }

ReadOnlyFile::~ReadOnlyFile() {
  if (m_nHandle >= 0) close(static_cast<int>(m_nHandle));
}

int ReadOnlyFile::Open(const char* pszPath, FileStamp* pStamp) {
  // O_NONBLOCK: opening a FIFO must not wait for a writer.
  int fd = open(pszPath, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return errno;
  m_nHandle = fd;
  struct stat st;
  if (fstat(fd, &st) != 0) return errno;
  if (S_ISDIR(st.st_mode)) return EISDIR;
  if (!S_ISREG(st.st_mode) || st.st_size < 0) return EINVAL;
  TakeStamp(st, pStamp);
  return 0;
}

int ReadOnlyFile::Read(void* p, size_t n, size_t* pnRead) {
  for (;;) {
    ssize_t nRead = read(static_cast<int>(m_nHandle), p, n);
    if (nRead >= 0) {
      *pnRead = static_cast<size_t>(nRead);
      return 0;
    }
    if (errno != EINTR) return errno;
  }
}
