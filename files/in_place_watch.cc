#include "files/in_place_watch.h"

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <initializer_list>

InPlaceWatch::~InPlaceWatch() { Finish(false); }

bool InPlaceWatch::DateBack(int nFd) {
  const struct timespec aTimes[2] = {{0, UTIME_OMIT}, {0, 0}};
  return futimens(nFd, aTimes) == 0;
}

bool InPlaceWatch::Start(int nFd) {
  Finish(true);
  m_nFd = nFd;
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
    if (n != 1) DateBack(nFd);
    _exit(0);
  }
  close(aPipe[0]);
  m_pid = pid;
  m_nPipe = aPipe[1];
  return true;
}

void InPlaceWatch::Finish(bool bWhole) {
  if (m_nFd < 0) return;
  if (!bWhole) DateBack(m_nFd);
  if (m_pid > 0) {
    // The word the watch waits for; then it ends, whatever the file.
    ssize_t n;
    do {
      n = write(m_nPipe, "w", 1);
    } while (n < 0 && errno == EINTR);
    close(m_nPipe);
    while (waitpid(m_pid, nullptr, 0) < 0 && errno == EINTR) {
    }
  }
  m_nFd = -1;
  m_pid = -1;
  m_nPipe = -1;
}
