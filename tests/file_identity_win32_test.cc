// File identity on Windows: a name Windows keeps for a device (in any
// case, with any extension, in any folder) names no file: it is found
// missing without being opened (opening COM1 may wait on a line), and the
// reading and writing sides refuse or take it by name.
#include <string>

#include <gtest/gtest.h>

#include "files/file_identity.h"

namespace {

TEST(FileIdentityWin32, DeviceNamesAreNoFile) {
  for (const char* pszPath :
       {"NUL", "nul.vmd", ".\\Nul", "con", "CON.vmd", ".\\aux.mid", "COM1", "lpt9.txt"}) {
    FileIdentity identity;
    std::string strReason;
    EXPECT_EQ(FileLookup::kMissing, IdentifyFile(pszPath, &identity, &strReason)) << pszPath;
  }
}

}  // namespace
