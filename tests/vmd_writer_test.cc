// VmdWriter: the bytes of the file, and what Write leaves at the path when
// it succeeds and when it fails.
#include "motion/vmd_writer.h"

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "motion/bone_key_frame.h"
#include "motion/export_settings.h"
#include "motion/key_map.h"
#include "tests/motion_test_util.h"

namespace {

constexpr float kKeyDownX = -0.0199986007f;
constexpr float kKeyDownW = 0.999799013f;

std::vector<uint8_t> Bytes(const std::string& str) {
  return std::vector<uint8_t>(str.begin(), str.end());
}

TEST(VmdWriterTest, FixedStringsCutPadAndTerminate) {
  struct Case {
    const char* pszText;
    int nWidth;
    std::string strExpected;
  } aCase[] = {
      {"abc", 6, std::string("abc\0\xFD\xFD", 6)},
      {"abcde", 6, std::string("abcde\0", 6)},     // width - 1: no 0xFD
      {"abcdef", 6, std::string("abcde\0", 6)},    // width: cut
      {"abcdefghij", 6, std::string("abcde\0", 6)},
      {"", 3, std::string("\0\xFD\xFD", 3)},
      {"xyz", 1, std::string("\0", 1)},
  };
  for (const Case& c : aCase) {
    VmdWriter writer;
    writer.WriteFixedString(c.pszText, c.nWidth);
    EXPECT_EQ(Bytes(c.strExpected), writer.GetImage()) << '"' << c.pszText << "\" " << c.nWidth;
  }
}

TEST(VmdWriterTest, NumbersAreLittleEndian) {
  VmdWriter writer;
  writer.WriteUInt32(0x01020304u);
  writer.WriteUInt32(static_cast<uint32_t>(-2));
  writer.WriteFloat(1.0f);
  writer.WriteFloat(-0.0199986007f);
  writer.WriteByte(0x1FF);
  writer.WriteByte(-1);
  std::vector<uint8_t> expected = {4, 3, 2, 1, 0xFE, 0xFF, 0xFF, 0xFF, 0, 0, 0x80, 0x3F};
  uint32_t nBits;
  float f = -0.0199986007f;
  std::memcpy(&nBits, &f, 4);
  for (int i = 0; i < 4; ++i) expected.push_back(static_cast<uint8_t>(nBits >> (8 * i)));
  expected.push_back(0xFF);
  expected.push_back(0xFF);
  EXPECT_EQ(expected, writer.GetImage());
}

TEST(VmdWriterTest, HeaderIsSignatureAndModelName) {
  VmdWriter writer;
  EXPECT_EQ(1, writer.WriteHeader());
  std::vector<uint8_t> expected = ExpectedVmd(0).GetBytes();
  expected.resize(50);
  EXPECT_EQ(expected, writer.GetImage());
  EXPECT_EQ(std::string("Vocaloid Motion Data 0002\0\xFD\xFD\xFD\xFD", 30),
            std::string(writer.GetImage().begin(), writer.GetImage().begin() + 30));
}

TEST(VmdWriterTest, RecordCarriesNamePoseAndInterpolation) {
  VmdWriter writer;
  BoneKeyFrame keyFrame;
  std::strcpy(keyFrame.name, "nt060");
  keyFrame.frame = 129;
  keyFrame.kind = BoneKeyFrame::KeyDown;
  writer.WriteBoneKeyFrame(keyFrame);
  std::vector<uint8_t> expected = ExpectedVmd(0).Record("nt060", 129, kKeyDownX, kKeyDownW).GetBytes();
  expected.erase(expected.begin(), expected.begin() + 54);
  EXPECT_EQ(expected, writer.GetImage());
}

TEST(VmdWriterTest, TrackWithoutNotesGivesTheEmptyFile) {
  TempDir dir;
  FakeTrack track;
  track.Other(0, 0xFF, false).Other(5, 0xC0, true).Control(6, 7, 100).Other(9, 0xE0, true);
  VmdWriter writer;
  std::string strPath = dir.Join("empty.vmd");
  EXPECT_EQ(54, writer.Write(strPath.c_str(), track.GetTrack()));
  EXPECT_EQ(ExpectedVmd(0).GetBytes(), ReadFileBytes(strPath));
}

TEST(VmdWriterTest, SingleNoteFileByteByByte) {
  TempDir dir;
  FakeTrack track;
  track.Press(100, 60).Release(130, 60);
  VmdWriter writer;
  std::string strPath = dir.Join("note.vmd");
  EXPECT_EQ(498, writer.Write(strPath.c_str(), track.GetTrack()));
  ExpectedVmd expected(4);
  expected.Record("nt060", 99, 0.0f, 1.0f)
      .Record("nt060", 100, kKeyDownX, kKeyDownW)
      .Record("nt060", 129, kKeyDownX, kKeyDownW)
      .Record("nt060", 130, 0.0f, 1.0f);
  std::vector<uint8_t> actual = ReadFileBytes(strPath);
  ASSERT_EQ(498u, actual.size());
  for (size_t i = 0; i < actual.size(); ++i) {
    ASSERT_EQ(expected.GetBytes()[i], actual[i]) << "byte " << i;
  }
  // Only the file itself is left in the folder.
  EXPECT_EQ(std::vector<std::string>{"note.vmd"}, dir.List());
}

TEST(VmdWriterTest, SettingsShapeNamesPosesKeysAndLayoutByteByByte) {
  TempDir dir;
  FakeTrack track;
  // Key 120 moves past 127 with the transposition below and is dropped.
  track.Press(5, 120).Release(6, 120).Press(100, 60).Control(110, 64, 127).Release(130, 60);
  std::string strPath = dir.Join("set.vmd");
  const Quaternion pedal = PoseRotation(BoneKeyFrame::Pedal, 127);

  ExportSettings settings;
  settings.bFullLayout = true;
  settings.strKeyPrefix = "pk";
  settings.strPedalName = "damper";
  settings.bDefaultAngle = false;
  settings.fAngleDegrees = -5.0;
  settings.nTranspose = 12;
  settings.strModelName = "Upright88";
  VmdWriter writer(settings);
  EXPECT_EQ(54 + 5 * 111 + 20, writer.Write(strPath.c_str(), track.GetTrack()));
  EXPECT_EQ(1u, writer.GetDroppedNoteCount());  // the press, not its release
  // -5 degrees about X: X = sin(-2.5 deg), W = cos(-2.5 deg) as floats.
  const float fDownX = -0.0436193873653f, fDownW = 0.999048221582f;
  ExpectedVmd expected(5, "Upright88");
  expected.Record("pk072", 99, 0.0f, 1.0f)
      .Record("pk072", 100, fDownX, fDownW)
      .Record("pk072", 129, fDownX, fDownW)
      .Record("pk072", 130, 0.0f, 1.0f)
      .Record("damper", 110, pedal.m_fX, pedal.m_fW)
      .EmptySections();
  EXPECT_EQ(expected.GetBytes(), ReadFileBytes(strPath));

  // The longest names that fit their fields, no pedal at all, and a note
  // dropped below key 0.
  ExportSettings longest;
  longest.strKeyPrefix = "abcdefghijk";
  longest.bPedal = false;
  longest.strModelName = "nineteen-characters";
  longest.nTranspose = -61;
  VmdWriter second(longest);
  EXPECT_EQ(54 + 4 * 111, second.Write(strPath.c_str(), track.GetTrack()));
  EXPECT_EQ(1u, second.GetDroppedNoteCount());
  ExpectedVmd expectedLongest(4, "nineteen-characters");
  expectedLongest.Record("abcdefghijk059", 4, 0.0f, 1.0f)
      .Record("abcdefghijk059", 5, kKeyDownX, kKeyDownW)
      .Record("abcdefghijk059", 5, kKeyDownX, kKeyDownW)
      .Record("abcdefghijk059", 6, 0.0f, 1.0f);
  EXPECT_EQ(expectedLongest.GetBytes(), ReadFileBytes(strPath));
}

// The key bones' names under each naming, as the file stores them: in
// Shift-JIS, byte by byte; keys a naming leaves without a bone are dropped
// and counted like notes transposed off the keyboard.
TEST(VmdWriterTest, EveryKeyNamingWritesShiftJisNames) {
  TempDir dir;
  FakeTrack track;
  // Keys 20 (below the piano), 21 (A0), 61 (C#4) and 127 (G9).
  for (int nKey : {20, 21, 61, 127}) track.Press(10, nKey).Release(20, nKey);
  // The names of the bones written, one per note (four records each).
  auto written = [&track](const ExportSettings& settings, uint64_t* pnDropped) {
    VmdWriter writer(settings);
    writer.WriteHeader();
    EXPECT_EQ(1, writer.WriteMotion(track.GetTrack()));
    *pnDropped = writer.GetDroppedNoteCount();
    std::vector<std::string> names;
    std::vector<ReadRecord> records = ReadRecords(writer.GetImage());
    for (size_t i = 0; i < records.size(); i += 4) names.push_back(records[i].strName);
    return names;
  };
  struct Case {
    const char* pszKeys;  // UTF-8
    std::vector<std::string> names;  // Shift-JIS
    uint64_t nDropped;
  } cases[] = {
      {"nt", {"nt020", "nt021", "nt061", "nt127"}, 0},
      {"{nnn}x", {"020x", "021x", "061x", "127x"}, 0},
      {"k{n}", {"k20", "k21", "k61", "k127"}, 0},
      // 鍵 is 0x8C 0xAE.
      {"\xE9\x8D\xB5{note}", {"\x8C\xAEG#0", "\x8C\xAE" "A0", "\x8C\xAE" "C#4",
                                "\x8C\xAEG9"}, 0},
      {"P {piano}", {"P 1", "P 41"}, 2},
  };
  for (const Case& c : cases) {
    ExportSettings settings;
    settings.strKeyPrefix = c.pszKeys;
    uint64_t nDropped = 0;
    EXPECT_EQ(c.names, written(settings, &nDropped)) << c.pszKeys;
    EXPECT_EQ(c.nDropped, nDropped) << c.pszKeys;
  }

  // A map: note names and numbers, comments, quotes, a Japanese name and
  // the model's. ピアノ is 0x83 0x73, 0x83 0x41, 0x83 0x6D.
  std::string strMap = dir.Join("keys.txt");
  WriteFileBytes(strMap,
                 "\xEF\xBB\xBF# keys of a small model\r\n"
                 "A0 \xE3\x83\x94\xE3\x82\xA2\xE3\x83\x8E  # the lowest\r\n"
                 "\n"
                 "Db4   \"C# four\"\r\n"
                 "127 top#1\n");
  ExportSettings settings;
  std::string strError;
  ASSERT_TRUE(LoadKeyMap(strMap, &settings.keyMapNames, &strError)) << strError;
  settings.strKeyMapPath = strMap;
  settings.strModelName = "\xE3\x83\x94\xE3\x82\xA2\xE3\x83\x8E";
  uint64_t nDropped = 0;
  EXPECT_EQ((std::vector<std::string>{"\x83\x73\x83\x41\x83\x6D", "C# four", "top#1"}),
            written(settings, &nDropped));
  EXPECT_EQ(1u, nDropped);
  VmdWriter writer(settings);
  writer.WriteHeader();
  EXPECT_EQ(Bytes(std::string("\x83\x73\x83\x41\x83\x6D\0", 7) + std::string(13, '\xFD')),
            std::vector<uint8_t>(writer.GetImage().begin() + 30, writer.GetImage().end()));

  // The pedal's name too: ペダル is 0x83 0x79, 0x83 0x5F, 0x83 0x8B.
  track.Control(30, 64, 127);
  settings.strPedalName = "\xE3\x83\x9A\xE3\x83\x80\xE3\x83\xAB";
  VmdWriter pedal(settings);
  pedal.WriteHeader();
  ASSERT_EQ(1, pedal.WriteMotion(track.GetTrack()));
  EXPECT_EQ("\x83\x79\x83\x5F\x83\x8B", ReadRecords(pedal.GetImage()).back().strName);
}

// Velocity on: a press dips by angle x (0.25 + 0.75 x velocity / 127),
// its release's companion holds that depth, and 127 gives exactly the
// whole angle, as it does for a release without a press (the key was down
// all along). pedalangle turns the pedal by the angle x value / 127.
TEST(VmdWriterTest, VelocityScalesTheDipAndPedalAngleTheFullPress) {
  FakeTrack track;
  track.Press(10, 60, 0, 1).Release(20, 60).Press(10, 62, 0, 64).Release(20, 62);
  track.Press(10, 64, 0, 127).Release(20, 64).Control(30, 64, 127).Control(31, 64, 64);
  track.Release(25, 66);
  auto records = [&track](const ExportSettings& settings) {
    VmdWriter writer(settings);
    writer.WriteHeader();
    EXPECT_EQ(1, writer.WriteMotion(track.GetTrack()));
    return ReadRecords(writer.GetImage());
  };
  auto turn = [](const ReadRecord& r) { return 2.0 * std::atan2(r.afRotation[0], r.afRotation[3]); };
  const double fDefault = 2.0 * std::atan2(kKeyDownX, kKeyDownW);

  ExportSettings settings;
  settings.bVelocity = true;
  std::vector<ReadRecord> r = records(settings);
  ASSERT_EQ(16u, r.size());
  // Per key: companion, press, release's companion, release.
  EXPECT_NEAR(0.25 + 0.75 / 127, turn(r[1]) / fDefault, 1e-5);
  EXPECT_NEAR(0.25 + 0.75 * 64 / 127, turn(r[5]) / fDefault, 1e-5);
  EXPECT_EQ(0, std::memcmp(r[1].afRotation, r[2].afRotation, sizeof r[1].afRotation));
  EXPECT_EQ(0, std::memcmp(r[5].afRotation, r[6].afRotation, sizeof r[5].afRotation));
  for (int i : {9, 10, 12}) {
    EXPECT_EQ(kKeyDownX, r[i].afRotation[0]) << i;
    EXPECT_EQ(kKeyDownW, r[i].afRotation[3]) << i;
  }
  for (int i : {0, 3, 4, 7, 8, 11, 13}) EXPECT_EQ(1.0f, r[i].afRotation[3]) << i;

  // An angle of its own, and the pedal's.
  settings.bDefaultAngle = false;
  settings.fAngleDegrees = -10.0;
  settings.bDefaultPedalAngle = false;
  settings.fPedalAngleDegrees = -20.0;
  r = records(settings);
  const double fDegree = std::acos(-1.0) / 180.0;
  EXPECT_NEAR(-10.0 * (0.25 + 0.75 / 127) * fDegree, turn(r[1]), 1e-6);
  EXPECT_NEAR(-10.0 * (0.25 + 0.75 * 64 / 127) * fDegree, turn(r[5]), 1e-6);
  EXPECT_NEAR(-10.0 * fDegree, turn(r[9]), 1e-6);
  EXPECT_NEAR(-20.0 * fDegree, turn(r[14]), 1e-6);
  EXPECT_NEAR(-20.0 * 64 / 127 * fDegree, turn(r[15]), 1e-6);
  // At 127 the press is the turn velocity off writes.
  settings.bVelocity = false;
  std::vector<ReadRecord> whole = records(settings);
  EXPECT_EQ(0, std::memcmp(whole[9].afRotation, r[9].afRotation, sizeof r[9].afRotation));
  EXPECT_EQ(0, std::memcmp(whole[1].afRotation, r[9].afRotation, sizeof r[9].afRotation));
}

TEST(VmdWriterTest, StreamedFileEqualsTheImageBuiltInMemory) {
  // Enough keyframes to pass through the buffer many times (about 2 MB).
  FakeTrack track;
  for (int i = 0; i < 5000; ++i) {
    track.Press(i * 3 + 1, 21 + i % 88, i % 16).Control(i * 3 + 1, 64, i % 128);
    track.Release(i * 3 + 2, 21 + i % 88, i % 16);
  }
  VmdWriter memory;
  memory.WriteHeader();
  ASSERT_EQ(1, memory.WriteMotion(track.GetTrack()));
  TempDir dir;
  std::string strPath = dir.Join("big.vmd");
  VmdWriter writer;
  int nSize = writer.Write(strPath.c_str(), track.GetTrack());
  EXPECT_EQ(54 + 111 * 25000, nSize);
  EXPECT_EQ(memory.GetImage().size(), static_cast<size_t>(nSize));
  EXPECT_TRUE(memory.GetImage() == ReadFileBytes(strPath));
  // Write again with the same writer: a complete file again.
  EXPECT_EQ(nSize, writer.Write(strPath.c_str(), track.GetTrack()));
  EXPECT_TRUE(memory.GetImage() == ReadFileBytes(strPath));
}

TEST(VmdWriterTest, NoTrackTouchesNothing) {
  TempDir dir;
  std::string strExisting = dir.Join("keep.vmd");
  WriteFileBytes(strExisting, "old contents");
  VmdWriter writer;
  EXPECT_EQ(-1, writer.Write(strExisting.c_str(), nullptr));
  EXPECT_EQ(Bytes("old contents"), ReadFileBytes(strExisting));
  EXPECT_EQ(-1, writer.Write(dir.Join("new.vmd").c_str(), nullptr));
  EXPECT_EQ(std::vector<std::string>{"keep.vmd"}, dir.List());
  VmdWriter memory;
  EXPECT_EQ(0, memory.WriteMotion(nullptr));
  EXPECT_TRUE(memory.GetImage().empty());
}

// Which paths can't be opened, and that nothing changes then, is
// OutputFile's (output_file_test.cc); the export answers -2 for them.
TEST(VmdWriterTest, PathThatCannotBeOpenedGivesMinusTwo) {
  TempDir dir;
  FakeTrack track;
  track.Press(10, 60).Release(20, 60);
  VmdWriter writer;
  EXPECT_EQ(-2, writer.Write(dir.Join("missing/out.vmd").c_str(), track.GetTrack()));
  EXPECT_TRUE(dir.List().empty());
}

// Runs Write in a child process whose files may grow to nLimit bytes, and
// returns Write's result there (and with pnError, errno after it).
int WriteWithFileSizeLimit(const std::string& strPath, MIDITrack* pTrack, rlim_t nLimit,
                           int* pnError = nullptr) {
  int aFd[2];
  if (pipe(aFd) != 0) return 999;
  pid_t pid = fork();
  if (pid == 0) {
    // SIGXFSZ keeps its default action (ending the process): the writer
    // must keep it from ending the export.
    signal(SIGXFSZ, SIG_DFL);
    struct rlimit limit = {nLimit, nLimit};
    setrlimit(RLIMIT_FSIZE, &limit);
    VmdWriter writer;
    int anResult[2] = {writer.Write(strPath.c_str(), pTrack), errno};
    _exit(write(aFd[1], anResult, sizeof anResult) == sizeof anResult ? 0 : 1);
  }
  close(aFd[1]);
  int anResult[2] = {999, 0};
  if (read(aFd[0], anResult, sizeof anResult) != sizeof anResult) anResult[0] = 999;
  close(aFd[0]);
  int nResult = anResult[0];
  if (pnError) *pnError = anResult[1];
  int nStatus = 0;
  waitpid(pid, &nStatus, 0);
  EXPECT_TRUE(WIFEXITED(nStatus) && WEXITSTATUS(nStatus) == 0);
  return nResult;
}

// What a failed write leaves at the path is OutputFile's
// (output_file_test.cc); the export answers -3, with the reason of the
// write that failed.
TEST(VmdWriterTest, FailedWriteGivesMinusThreeAndLeavesTheOldFile) {
  TempDir dir;
  std::string strPath = dir.Join("song.vmd");
  WriteFileBytes(strPath, "the previous export");
  // Fails after the first buffers went out; no file existed before.
  std::string strNew = dir.Join("new.vmd");
  FakeTrack large;
  for (int i = 0; i < 3000; ++i) large.Press(2 * i + 1, i % 128).Release(2 * i + 2, i % 128);
  // The reason is that of the failed write, though another thread made it.
  int nError = 0;
  EXPECT_EQ(-3, WriteWithFileSizeLimit(strNew, large.GetTrack(), 1000000, &nError));
  EXPECT_EQ(EFBIG, nError) << strerror(nError);
  EXPECT_EQ(std::vector<std::string>{"song.vmd"}, dir.List());
  // The same export within the limit succeeds.
  EXPECT_EQ(54 + 111 * 12000, WriteWithFileSizeLimit(strNew, large.GetTrack(), 2000000));
  EXPECT_EQ((std::vector<std::string>{"new.vmd", "song.vmd"}), dir.List());
}

}  // namespace
