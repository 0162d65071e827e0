// The Windows side of config_home_guard.cc: the settings are kept under
// %APPDATA%, which every test program points at a folder of the build tree
// that no test makes. A test that needs a settings file points APPDATA at
// a folder of its own.
#include <cstdlib>

namespace {

const bool g_bConfigHomeSet = [] {
  _putenv_s("APPDATA", SONOMOT_TEST_CONFIG_HOME);
  return true;
}();

}  // namespace
