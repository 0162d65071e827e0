// File identity on Windows: a name Windows keeps for a device (in any
// case, with any extension, in any folder) names no file. NUL is found
// missing, so that it may take a motion; the others can't be looked up,
// and the reason names the device.
#include <string>

#include <gtest/gtest.h>

#include "platform/file_identity.h"

namespace {

TEST(FileIdentityWin32, NulIsNoFile) {
  for (const char* pszPath : {"NUL", "nul.vmd", ".\\Nul"}) {
    FileIdentity identity;
    std::string strReason;
    EXPECT_EQ(FileLookup::kMissing, IdentifyFile(pszPath, &identity, &strReason)) << pszPath;
  }
}

TEST(FileIdentityWin32, OtherDeviceNamesAreToldAsSuch) {
  struct {
    const char* pszPath;
    const char* pszDevice;
  } const cases[] = {{"con", "CON"}, {"CON.vmd", "CON"}, {".\\aux.mid", "AUX"}, {"COM1", "COM1"}};
  for (const auto& c : cases) {
    FileIdentity identity;
    std::string strReason;
    EXPECT_EQ(FileLookup::kFailed, IdentifyFile(c.pszPath, &identity, &strReason)) << c.pszPath;
    EXPECT_NE(std::string::npos, strReason.find(c.pszDevice)) << c.pszPath << ": " << strReason;
  }
}

}  // namespace
