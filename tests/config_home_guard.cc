// Linked into every test program: before any test runs, the configuration
// home is a folder of the build tree that no test makes, so the settings a
// user saved can't change a result and no test writes them (the programs
// started by tests inherit it). A test that needs a settings file points
// XDG_CONFIG_HOME at a folder of its own.
#include <cstdlib>

namespace {

const bool g_bConfigHomeSet = [] {
  setenv("XDG_CONFIG_HOME", SONOMOT_TEST_CONFIG_HOME, 1);
  return true;
}();

}  // namespace
