// File identity on Windows: a name Windows keeps for a device (CON, NUL,
// in any case, with any extension, in any folder) names no file, and the
// reason says which device it is.
#include <string>

#include <gtest/gtest.h>

#include "platform/file_identity.h"

namespace {

TEST(FileIdentityWin32, ReservedDeviceNamesAreToldAsSuch) {
  struct {
    const char* pszPath;
    const char* pszDevice;
  } const cases[] = {{"NUL", "NUL"}, {"con", "CON"}, {"CON.vmd", "CON"}, {".\\nul.vmd", "NUL"}};
  for (const auto& c : cases) {
    FileIdentity identity;
    std::string strReason;
    EXPECT_EQ(FileLookup::kFailed, IdentifyFile(c.pszPath, &identity, &strReason)) << c.pszPath;
    EXPECT_EQ(std::string("reserved for the device ") + c.pszDevice, strReason) << c.pszPath;
  }
}

}  // namespace
