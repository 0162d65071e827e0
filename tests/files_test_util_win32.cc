// The fixtures of tests/files_test_util.h as Windows has them.
#include "tests/files_test_util.h"

// Windows binds every user we can run as to a file's permissions (no user
// passes them all as root does on POSIX): we are the ordinary user.
int RunAsOrdinaryUser(const std::function<int()>& fnCheck) { return fnCheck(); }
