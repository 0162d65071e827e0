// An independent reader agrees: files written by VmdWriter are read by
// mmd-parser (npm, installed by the test fixture) with the right bones,
// frames and rotations. The expectations come from the file layout and the
// poses, not from our writer.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "motion/vmd_writer.h"
#include "tests/motion_test_util.h"

namespace {

struct Expected {
  const char* pszBone;
  uint32_t nFrame;
  float fX;
  float fW;
  float fTolerance;
};

constexpr Expected Up(const char* pszBone, uint32_t nFrame) {
  return {pszBone, nFrame, 0.0f, 1.0f, 0.0f};
}
constexpr Expected Down(const char* pszBone, uint32_t nFrame) {
  return {pszBone, nFrame, -0.0199986007f, 0.999799013f, 1e-7f};
}

class VmdReaderTest : public testing::Test {
 protected:
  void SetUp() override {
    if (std::system("command -v node >/dev/null 2>&1") != 0) {
      GTEST_SKIP() << "node is not installed: the check of our VMD files with the "
                      "independent reader mmd-parser is skipped";
    }
  }

  // Writes pTrack's motion, the expectations beside it, and runs the reader.
  void ExpectReaderAgrees(FakeTrack* pTrack, const std::vector<Expected>& expected,
                          const ExportSettings& settings = ExportSettings()) {
    std::string strVmd = m_dir.Join("motion.vmd");
    VmdWriter writer(settings);
    ASSERT_EQ(static_cast<int>(54 + 111 * expected.size() + (settings.bFullLayout ? 20 : 0)),
              writer.Write(strVmd.c_str(), pTrack->GetTrack()));
    std::ostringstream json;
    json.precision(9);
    json << "{\"model\": \"" << settings.strModelName
         << "\", \"full\": " << (settings.bFullLayout ? "true" : "false") << ", \"motions\": [";
    for (size_t i = 0; i < expected.size(); ++i) {
      const Expected& e = expected[i];
      json << (i ? ",\n" : "") << "{\"bone\": \"" << e.pszBone << "\", \"frame\": " << e.nFrame
           << ", \"rotation\": [" << e.fX << ", 0, 0, " << e.fW
           << "], \"tolerance\": " << e.fTolerance << "}";
    }
    json << "]}";
    std::string strJson = m_dir.Join("expected.json");
    WriteFileBytes(strJson, json.str());
    std::string strCommand = "node '" SONOMOT_TESTS_DIR "/vmd_reader_check.js' '" SONOMOT_NPM_PREFIX
                             "' '" + strVmd + "' '" + strJson + "' 2>&1";
    FILE* pPipe = popen(strCommand.c_str(), "r");
    ASSERT_NE(nullptr, pPipe);
    std::string strOutput;
    char sz[512];
    while (fgets(sz, sizeof sz, pPipe)) strOutput += sz;
    int nStatus = pclose(pPipe);
    EXPECT_EQ(0, nStatus) << strOutput;
  }

  TempDir m_dir;
};

TEST_F(VmdReaderTest, ReadsTheEmptyMotion) {
  FakeTrack track;
  ExpectReaderAgrees(&track, {});
}

TEST_F(VmdReaderTest, ReadsKeysInBoneOrderWithTheirPoses) {
  FakeTrack track;
  track.Press(100, 60).Press(102, 21, 5).Release(130, 60).Release(140, 21, 5);
  ExpectReaderAgrees(&track, {Up("nt021", 101), Down("nt021", 102), Down("nt021", 139),
                              Up("nt021", 140), Up("nt060", 99), Down("nt060", 100),
                              Down("nt060", 129), Up("nt060", 130)});
}

TEST_F(VmdReaderTest, ReadsTheFullLayoutWithNothingAppended) {
  FakeTrack track;
  track.Press(100, 60).Release(130, 60).Control(120, 64, 0);
  ExportSettings settings;
  settings.bFullLayout = true;
  settings.strKeyPrefix = "key_";
  settings.strPedalName = "sustain";
  settings.strModelName = "Upright88";
  ExpectReaderAgrees(&track,
                     {Up("key_060", 99), Down("key_060", 100), Down("key_060", 129),
                      Up("key_060", 130), Up("sustain", 120)},
                     settings);
}

TEST_F(VmdReaderTest, ReadsThePedalAngles) {
  FakeTrack track;
  track.Control(3, 64, 127).Control(9, 64, 0).Press(0, 108).Release(4, 108);
  ExpectReaderAgrees(&track, {Down("nt108", 0), Down("nt108", 3), Up("nt108", 4),
                              {"cc064", 3, -0.05204f, 0.99865f, 1e-5f}, Up("cc064", 9)});
}

}  // namespace
