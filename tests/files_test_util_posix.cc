// The fixtures of tests/files_test_util.h that only POSIX has: another
// user to run as.
#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/files_test_util.h"

int RunAsOrdinaryUser(const std::function<int()>& fnCheck) {
  if (geteuid() != 0) return fnCheck();
  pid_t pid = fork();
  if (pid == 0) {
    if (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0) {
      _exit(kNoOrdinaryUser);
    }
    _exit(fnCheck());
  }
  int nStatus = 0;
  waitpid(pid, &nStatus, 0);
  return WIFEXITED(nStatus) ? WEXITSTATUS(nStatus) : 98;
}
