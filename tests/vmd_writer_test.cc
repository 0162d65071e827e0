// VmdWriter: the bytes of the file, and what Write leaves at the path when
// it succeeds and when it fails.
#include "motion/vmd_writer.h"

#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <pthread.h>
#include <linux/fs.h>
#include <sched.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <linux/magic.h>
#include <sys/mman.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/statfs.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "motion/bone_key_frame.h"
#include "motion/export_settings.h"
#include "motion/key_map.h"
#include "files/output_file.h"
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

// The file of one note on key 60, pressed at frame 100 and released at 130.
std::vector<uint8_t> SingleNoteBytes() {
  ExpectedVmd expected(4);
  expected.Record("nt060", 99, 0.0f, 1.0f)
      .Record("nt060", 100, kKeyDownX, kKeyDownW)
      .Record("nt060", 129, kKeyDownX, kKeyDownW)
      .Record("nt060", 130, 0.0f, 1.0f);
  return expected.GetBytes();
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

TEST(VmdWriterTest, PathThatCannotBeOpenedGivesMinusTwo) {
  TempDir dir;
  WriteFileBytes(dir.Join("plain"), "x");
  ASSERT_EQ(0, mkdir(dir.Join("folder").c_str(), 0755));
  FakeTrack track;
  track.Press(10, 60).Release(20, 60);
  const std::string aPath[] = {
      dir.Join("plain/out.vmd"),    // the folder is a file
      dir.Join("missing/out.vmd"),  // the folder doesn't exist
      dir.Join("folder"),           // a folder is in the way
      dir.Join("folder/"),
      "",
  };
  for (const std::string& strPath : aPath) {
    VmdWriter writer;
    EXPECT_EQ(-2, writer.Write(strPath.c_str(), track.GetTrack())) << strPath;
  }
  EXPECT_EQ((std::vector<std::string>{"folder", "plain"}), dir.List());
  EXPECT_EQ(Bytes("x"), ReadFileBytes(dir.Join("plain")));
  if (geteuid() != 0) {
    // A read-only file is not replaced (root may write anything).
    std::string strLocked = dir.Join("locked.vmd");
    WriteFileBytes(strLocked, "locked");
    chmod(strLocked.c_str(), 0444);
    VmdWriter writer;
    EXPECT_EQ(-2, writer.Write(strLocked.c_str(), track.GetTrack()));
    EXPECT_EQ(Bytes("locked"), ReadFileBytes(strLocked));
  }
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

// A replaced file is on the disk before its name shows it, and a sync that
// fails keeps the old file; a file written in place is on the disk, but
// for its first bytes, before they are written.
TEST(VmdWriterTest, EveryFileIsOnTheDiskBeforeItCounts) {
  TempDir dir;
  FakeTrack track;
  track.Press(100, 60).Release(130, 60);
  const std::vector<uint8_t> previous = Bytes("the previous export");
  std::string strPath = dir.Join("song.vmd");
  WriteFileBytes(strPath, "the previous export");
  {
    DiskCallsFake fake(0, strPath);
    VmdWriter writer;
    EXPECT_EQ(498, writer.Write(strPath.c_str(), track.GetTrack()));
    ASSERT_EQ(1u, fake.GetCalls().size());
    EXPECT_STREQ("fsync", fake.GetCalls()[0].pszName);
    EXPECT_EQ(498, fake.GetCalls()[0].nSize);
    EXPECT_EQ(previous, fake.GetCalls()[0].watched);
  }
  WriteFileBytes(strPath, "the previous export");
  {
    DiskCallsFake fake(EIO);
    VmdWriter writer;
    EXPECT_EQ(-3, writer.Write(strPath.c_str(), track.GetTrack()));
    EXPECT_EQ(previous, ReadFileBytes(strPath));
    EXPECT_EQ(std::vector<std::string>{"song.vmd"}, dir.List());
  }
  ASSERT_EQ(0, link(strPath.c_str(), dir.Join("twin.vmd").c_str()));
  {
    DiskCallsFake fake(0, strPath);
    VmdWriter writer;
    EXPECT_EQ(498, writer.Write(strPath.c_str(), track.GetTrack()));
    ASSERT_EQ(2u, fake.GetCalls().size());
    // 498 bytes are all first bytes: zeros until the rest is synced.
    EXPECT_EQ(std::vector<uint8_t>(498, 0), fake.GetCalls()[0].watched) << "first bytes not last";
    EXPECT_EQ(SingleNoteBytes(), fake.GetCalls()[1].watched);
  }
}

TEST(VmdWriterTest, FailedWriteGivesMinusThreeAndLeavesTheOldFile) {
  TempDir dir;
  std::string strPath = dir.Join("song.vmd");
  WriteFileBytes(strPath, "the previous export");
  {
    FakeTrack small;
    small.Press(100, 60).Release(130, 60);  // 498 bytes
    // Fails in the one and only write of the buffer.
    EXPECT_EQ(-3, WriteWithFileSizeLimit(strPath, small.GetTrack(), 300));
    EXPECT_EQ(Bytes("the previous export"), ReadFileBytes(strPath));
    EXPECT_EQ(std::vector<std::string>{"song.vmd"}, dir.List());
  }
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

// An export running in a child process with SIGPIPE at its default action
// (ending the process) and an alarm that ends it if it hangs. nCloseFd, if
// not -1, is closed in the child first (the reading end of a pipe the test
// holds). With bAsNobody the child runs as user and group 65534 with no
// other groups, and its result is kNoUser if it can't become them.
struct ChildWrite {
  pid_t pid = -1;
  int nResultFd = -1;
};

constexpr int kNoUser = 998;

ChildWrite StartWriteInChild(const std::string& strPath, MIDITrack* pTrack, int nCloseFd,
                             bool bAsNobody = false) {
  ChildWrite child;
  int aFd[2];
  if (pipe(aFd) != 0) return child;
  child.pid = fork();
  if (child.pid == 0) {
    if (nCloseFd >= 0) close(nCloseFd);
    close(aFd[0]);
    signal(SIGPIPE, SIG_DFL);
    alarm(20);
    int nResult = kNoUser;
    if (!bAsNobody || (setgroups(0, nullptr) == 0 && setgid(65534) == 0 && setuid(65534) == 0)) {
      VmdWriter writer;
      nResult = writer.Write(strPath.c_str(), pTrack);
    }
    _exit(write(aFd[1], &nResult, sizeof nResult) == sizeof nResult ? 0 : 1);
  }
  close(aFd[1]);
  child.nResultFd = aFd[0];
  return child;
}

// Write's result in the child, or 999 when the child did not finish on its
// own.
int FinishWriteInChild(const ChildWrite& child) {
  if (child.pid < 0) return 999;
  int nResult = 999;
  if (read(child.nResultFd, &nResult, sizeof nResult) != sizeof nResult) nResult = 999;
  close(child.nResultFd);
  int nStatus = 0;
  waitpid(child.pid, &nStatus, 0);
  EXPECT_TRUE(WIFEXITED(nStatus) && WEXITSTATUS(nStatus) == 0)
      << (WIFSIGNALED(nStatus) ? strsignal(WTERMSIG(nStatus)) : "exit code");
  return nResult;
}

int WriteInChild(const std::string& strPath, MIDITrack* pTrack, int nCloseFd,
                 bool bAsNobody = false) {
  return FinishWriteInChild(StartWriteInChild(strPath, pTrack, nCloseFd, bAsNobody));
}

// Where no thread can be started (a user at the limit of their
// processes), the export writes every buffer itself: the same bytes.
TEST(VmdWriterTest, ExportWithoutThreadsWritesTheSameFile) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to become user 65534 with a process limit";
  FakeTrack track;
  // 18 MB: past the point where the disk writes of a new file start.
  for (int i = 0; i < 40000; ++i) {
    track.Press(i * 3 + 1, 21 + i % 88).Release(i * 3 + 2, 21 + i % 88);
  }
  VmdWriter memory;
  memory.WriteHeader();
  ASSERT_EQ(1, memory.WriteMotion(track.GetTrack()));
  TempDir dir;
  ASSERT_EQ(0, chmod(dir.Join(".").c_str(), 0777));
  std::string strPath = dir.Join("alone.vmd");
  WriteFileBytes(strPath, "the previous export");  // replaced: disk writes are started too
  ASSERT_EQ(0, chown(strPath.c_str(), 65534, 65534));
  int aFd[2];
  ASSERT_EQ(0, pipe(aFd));
  pid_t pid = fork();
  if (pid == 0) {
    close(aFd[0]);
    alarm(20);
    int anResult[2] = {kNoUser, 0};
    struct rlimit one = {1, 1};
    if (setgroups(0, nullptr) == 0 && setgid(65534) == 0 && setuid(65534) == 0 &&
        setrlimit(RLIMIT_NPROC, &one) == 0) {
      // Proof that no thread can be had here.
      pthread_t thread;
      anResult[1] = pthread_create(&thread, nullptr, [](void*) -> void* { return nullptr; }, nullptr);
      VmdWriter writer;
      anResult[0] = writer.Write(strPath.c_str(), track.GetTrack());
    }
    _exit(write(aFd[1], anResult, sizeof anResult) == sizeof anResult ? 0 : 1);
  }
  close(aFd[1]);
  int anResult[2] = {999, 0};
  if (read(aFd[0], anResult, sizeof anResult) != sizeof anResult) anResult[0] = 999;
  close(aFd[0]);
  int nStatus = 0;
  waitpid(pid, &nStatus, 0);
  if (anResult[0] == kNoUser) GTEST_SKIP() << "can't become user 65534 here";
  EXPECT_EQ(EAGAIN, anResult[1]);
  EXPECT_EQ(static_cast<int>(memory.GetImage().size()), anResult[0]);
  EXPECT_TRUE(memory.GetImage() == ReadFileBytes(strPath));
  EXPECT_EQ(std::vector<std::string>{"alone.vmd"}, dir.List());
}

TEST(VmdWriterTest, PipesAreRefusedWithoutReaderAndFailWhenTheReaderGoes) {
  TempDir dir;
  std::string strFifo = dir.Join("fifo.vmd");
  ASSERT_EQ(0, mkfifo(strFifo.c_str(), 0600));
  std::vector<uint8_t> got(1000);
  {
    FakeTrack small;
    small.Press(100, 60).Release(130, 60);
    // Nobody reads: the path can't be opened, instead of the export
    // waiting for a reader forever.
    EXPECT_EQ(-2, WriteInChild(strFifo, small.GetTrack(), -1));

    // A reader takes the whole motion.
    int nReader = open(strFifo.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(nReader, 0);
    EXPECT_EQ(498, WriteInChild(strFifo, small.GetTrack(), nReader));
    EXPECT_EQ(498, read(nReader, got.data(), got.size()));
    close(nReader);
  }

  // The reader stops after the first bytes: the export fails and says so,
  // and the program goes on.
  FakeTrack large;
  for (int i = 0; i < 3000; ++i) large.Press(2 * i + 1, i % 128).Release(2 * i + 2, i % 128);
  int nReader = open(strFifo.c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(nReader, 0);
  ChildWrite child = StartWriteInChild(strFifo, large.GetTrack(), nReader);
  // Until the child has opened the pipe, a read finds no writer and ends
  // at once.
  ssize_t nFirst = 0;
  for (int nTry = 0; nTry < 2000 && nFirst <= 0; ++nTry) {
    nFirst = read(nReader, got.data(), 100);
    if (nFirst <= 0) usleep(5000);
  }
  EXPECT_GT(nFirst, 0);
  close(nReader);
  EXPECT_EQ(-3, FinishWriteInChild(child));

  struct stat st;
  ASSERT_EQ(0, lstat(strFifo.c_str(), &st));
  EXPECT_TRUE(S_ISFIFO(st.st_mode));
  EXPECT_EQ(std::vector<std::string>{"fifo.vmd"}, dir.List());
}

TEST(VmdWriterTest, ReplacingKeepsLinksModesAndDevices) {
  TempDir dir;
  FakeTrack track;
  track.Press(100, 60).Release(130, 60);
  // An existing file is overwritten, keeping its permissions.
  std::string strPath = dir.Join("out.vmd");
  WriteFileBytes(strPath, std::string(2000, 'x'));
  chmod(strPath.c_str(), 0640);
  VmdWriter writer;
  EXPECT_EQ(498, writer.Write(strPath.c_str(), track.GetTrack()));
  EXPECT_EQ(498u, ReadFileBytes(strPath).size());
  struct stat st;
  ASSERT_EQ(0, stat(strPath.c_str(), &st));
  EXPECT_EQ(0640u, st.st_mode & 07777);
  // Through a link, the file it points to is replaced and the link stays.
  std::string strLink = dir.Join("link.vmd");
  ASSERT_EQ(0, symlink("out.vmd", strLink.c_str()));
  WriteFileBytes(strPath, "old");
  EXPECT_EQ(498, writer.Write(strLink.c_str(), track.GetTrack()));
  ASSERT_EQ(0, lstat(strLink.c_str(), &st));
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_EQ(498u, ReadFileBytes(strPath).size());
  EXPECT_EQ((std::vector<std::string>{"link.vmd", "out.vmd"}), dir.List());
  // A link whose file isn't there yet gets its file; the link stays.
  std::string strGhost = dir.Join("ghost.vmd");
  ASSERT_EQ(0, symlink("made.vmd", strGhost.c_str()));
  EXPECT_EQ(498, writer.Write(strGhost.c_str(), track.GetTrack()));
  ASSERT_EQ(0, lstat(strGhost.c_str(), &st));
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_EQ(498u, ReadFileBytes(dir.Join("made.vmd")).size());
  // Links in a loop can't be opened, and stay as they are.
  ASSERT_EQ(0, symlink("loop2.vmd", dir.Join("loop1.vmd").c_str()));
  ASSERT_EQ(0, symlink("loop1.vmd", dir.Join("loop2.vmd").c_str()));
  EXPECT_EQ(-2, writer.Write(dir.Join("loop1.vmd").c_str(), track.GetTrack()));
  ASSERT_EQ(0, lstat(dir.Join("loop1.vmd").c_str(), &st));
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_EQ((std::vector<std::string>{"ghost.vmd", "link.vmd", "loop1.vmd", "loop2.vmd",
                                      "made.vmd", "out.vmd"}),
            dir.List());
  // A device is written, not replaced by a file.
  EXPECT_EQ(498, writer.Write("/dev/null", track.GetTrack()));
  ASSERT_EQ(0, stat("/dev/null", &st));
  EXPECT_TRUE(S_ISCHR(st.st_mode));
}

// How many pages of a file the system holds in its cache.
size_t CachedPages(const std::string& strPath) {
  int nFd = open(strPath.c_str(), O_RDONLY);
  struct stat st;
  if (nFd < 0 || fstat(nFd, &st) != 0) ADD_FAILURE() << strPath;
  size_t nPage = static_cast<size_t>(sysconf(_SC_PAGESIZE));
  size_t nPages = (static_cast<size_t>(st.st_size) + nPage - 1) / nPage;
  void* p = mmap(nullptr, static_cast<size_t>(st.st_size), PROT_READ, MAP_SHARED, nFd, 0);
  close(nFd);
  std::vector<unsigned char> resident(nPages);
  EXPECT_EQ(0, mincore(p, static_cast<size_t>(st.st_size), resident.data()));
  munmap(p, static_cast<size_t>(st.st_size));
  size_t nCached = 0;
  for (unsigned char by : resident) nCached += by & 1;
  return nCached;
}

TEST(VmdWriterTest, OnlyAFileThatAnExportReplacesForgetsItsCache) {
  TempDir dir;
  struct statfs fs;
  ASSERT_EQ(0, statfs(dir.GetPath().c_str(), &fs));
  if (fs.f_type == TMPFS_MAGIC) GTEST_SKIP() << "a file in memory has no cache to forget";
  const std::string strContent(1 << 20, 'x');
  std::string strOne = dir.Join("one.vmd"), strTwo = dir.Join("two.vmd");
  for (const std::string& strPath : {strOne, strTwo}) {
    WriteFileBytes(strPath, strContent);
    // On the disk: pages still to be written are not forgotten.
    int nFd = open(strPath.c_str(), O_RDONLY);
    ASSERT_EQ(0, fsync(nFd));
    close(nFd);
    ReadFileBytes(strPath);
  }
  ASSERT_EQ(0, link(strTwo.c_str(), dir.Join("link.vmd").c_str()));
  const size_t nPages = CachedPages(strTwo);
  ASSERT_GT(nPages, 0u);
  OutputFile::ForgetCachedPages(strOne.c_str());
  OutputFile::ForgetCachedPages(strTwo.c_str());
  OutputFile::ForgetCachedPages(dir.GetPath().c_str());
  OutputFile::ForgetCachedPages(dir.Join("none.vmd").c_str());
  EXPECT_EQ(0u, CachedPages(strOne));
  // A file with another name is written in place, not replaced: it keeps
  // its pages.
  EXPECT_EQ(nPages, CachedPages(strTwo));
  EXPECT_EQ(Bytes(strContent), ReadFileBytes(strOne));
  EXPECT_EQ((std::vector<std::string>{"link.vmd", "one.vmd", "two.vmd"}), dir.List());
}

TEST(VmdWriterTest, FilesThatReplacingWouldChangeAreWrittenInPlace) {
  TempDir dir;
  FakeTrack track;
  track.Press(100, 60).Release(130, 60);
  VmdWriter writer;
  struct stat before, after;
  // Both names of a hard-linked file see the new motion.
  // The old file is longer than the motion: written in place, it ends
  // with the motion's last byte.
  std::string strPath = dir.Join("out.vmd"), strTwin = dir.Join("twin.vmd");
  WriteFileBytes(strPath, std::string(3000, 'x'));
  ASSERT_EQ(0, link(strPath.c_str(), strTwin.c_str()));
  EXPECT_EQ(498, writer.Write(strPath.c_str(), track.GetTrack()));
  EXPECT_EQ(SingleNoteBytes(), ReadFileBytes(strTwin));
  ASSERT_EQ(0, stat(strPath.c_str(), &after));
  EXPECT_EQ(2u, after.st_nlink);
  EXPECT_EQ((std::vector<std::string>{"out.vmd", "twin.vmd"}), dir.List());
  // The file is as long as the bytes written, whatever room was made for
  // it, or none.
  for (uint64_t nRoom : {uint64_t{4000}, uint64_t{0}}) {
    OutputFile output;
    ASSERT_TRUE(output.Open(strPath.c_str()));
    if (nRoom > 0) {
      ASSERT_TRUE(output.Reserve(nRoom));
    }
    ASSERT_TRUE(output.Write("ab", 2) && output.Write("c", 1) && output.Commit());
    EXPECT_EQ(Bytes("abc"), ReadFileBytes(strTwin)) << nRoom;
  }
  if (geteuid() != 0) return;
  // Another user's file stays the same file, theirs.
  std::string strTheirs = dir.Join("theirs.vmd");
  WriteFileBytes(strTheirs, "old");
  ASSERT_EQ(0, chown(strTheirs.c_str(), 65534, 65534));
  ASSERT_EQ(0, stat(strTheirs.c_str(), &before));
  EXPECT_EQ(498, writer.Write(strTheirs.c_str(), track.GetTrack()));
  ASSERT_EQ(0, stat(strTheirs.c_str(), &after));
  EXPECT_EQ(before.st_ino, after.st_ino);
  EXPECT_EQ(65534u, after.st_uid);
  EXPECT_EQ(65534u, after.st_gid);
  EXPECT_EQ(498, after.st_size);
}

TEST(VmdWriterTest, UnprivilegedUserWritesWhatAPlainOpenCould) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to run the export as another user";
  TempDir dir;
  ASSERT_EQ(0, chmod(dir.GetPath().c_str(), 0755));
  FakeTrack track;
  track.Press(100, 60).Release(130, 60);
  // Root's writable file in a folder the user can't write.
  ASSERT_EQ(0, mkdir(dir.Join("shut").c_str(), 0755));
  std::string strShut = dir.Join("shut/a.vmd");
  WriteFileBytes(strShut, "old");
  ASSERT_EQ(0, chmod(strShut.c_str(), 0666));
  ASSERT_EQ(0, chmod(dir.Join("shut").c_str(), 0555));
  // Root's writable file in a sticky folder everyone writes, the user's
  // own read-only file there, and the user's file in a group the user is
  // not in.
  ASSERT_EQ(0, mkdir(dir.Join("sticky").c_str(), 0755));
  ASSERT_EQ(0, chmod(dir.Join("sticky").c_str(), 01777));
  std::string strShared = dir.Join("sticky/b.vmd"), strLocked = dir.Join("sticky/c.vmd");
  std::string strGroup = dir.Join("sticky/d.vmd");
  WriteFileBytes(strShared, "old");
  ASSERT_EQ(0, chmod(strShared.c_str(), 0666));
  WriteFileBytes(strLocked, "locked");
  ASSERT_EQ(0, chmod(strLocked.c_str(), 0444));
  ASSERT_EQ(0, chown(strLocked.c_str(), 65534, 65534));
  WriteFileBytes(strGroup, "old");
  ASSERT_EQ(0, chown(strGroup.c_str(), 65534, 0));

  int nResult = WriteInChild(strShut, track.GetTrack(), -1, true);
  if (nResult == kNoUser) GTEST_SKIP() << "can't become user 65534 here";
  EXPECT_EQ(498, nResult);
  EXPECT_EQ(498, WriteInChild(strShared, track.GetTrack(), -1, true));
  EXPECT_EQ(-2, WriteInChild(strLocked, track.GetTrack(), -1, true));
  EXPECT_EQ(498, WriteInChild(strGroup, track.GetTrack(), -1, true));
  EXPECT_EQ(498u, ReadFileBytes(strShut).size());
  EXPECT_EQ(498u, ReadFileBytes(strShared).size());
  EXPECT_EQ(Bytes("locked"), ReadFileBytes(strLocked));
  struct stat st;
  ASSERT_EQ(0, stat(strShared.c_str(), &st));
  EXPECT_EQ(0u, st.st_uid);
  ASSERT_EQ(0, stat(strGroup.c_str(), &st));
  EXPECT_EQ(0u, st.st_gid);
  EXPECT_EQ(498, st.st_size);
  EXPECT_EQ(std::vector<std::string>{"a.vmd"}, TempDir::ListOf(dir.Join("shut")));
  EXPECT_EQ((std::vector<std::string>{"b.vmd", "c.vmd", "d.vmd"}),
            TempDir::ListOf(dir.Join("sticky")));
}

// The size of a file under strFolder that process pid has open, or -1.
off_t SizeOfFileOpenIn(pid_t pid, const std::string& strFolder) {
  std::string strFds = "/proc/" + std::to_string(pid) + "/fd/";
  DIR* pDir = opendir(strFds.c_str());
  if (!pDir) return -1;
  off_t nSize = -1;
  while (dirent* pEntry = readdir(pDir)) {
    char sz[PATH_MAX];
    std::string strFd = strFds + pEntry->d_name;
    ssize_t n = readlink(strFd.c_str(), sz, sizeof sz);
    struct stat st;
    bool bInFolder = n > 0 && std::string(sz, n).rfind(strFolder + "/", 0) == 0;
    if (bInFolder && stat(strFd.c_str(), &st) == 0) {
      nSize = st.st_size;
    }
  }
  closedir(pDir);
  return nSize;
}

TEST(VmdWriterTest, ExportKilledWhileWritingLeavesNoFile) {
  TempDir dir;
  std::string strPath = dir.Join("song.vmd");
  WriteFileBytes(strPath, "the previous export");
  FakeTrack large;  // about 44 MB of motion
  for (int i = 0; i < 100000; ++i) large.Press(2 * i + 1, i % 128).Release(2 * i + 2, i % 128);
  ChildWrite child = StartWriteInChild(strPath, large.GetTrack(), -1);
  ASSERT_GT(child.pid, 0);
  // Killed once part of the motion is in the new file.
  bool bCaught = false;
  int nStatus = 0;
  while (!bCaught && waitpid(child.pid, &nStatus, WNOHANG) == 0) {
    bCaught = SizeOfFileOpenIn(child.pid, dir.GetPath()) > 0;
  }
  if (bCaught) {
    kill(child.pid, SIGKILL);
    waitpid(child.pid, &nStatus, 0);
  }
  close(child.nResultFd);
  ASSERT_TRUE(bCaught) << "the export ended before it could be killed";
  EXPECT_EQ(std::vector<std::string>{"song.vmd"}, dir.List());
  EXPECT_EQ(Bytes("the previous export"), ReadFileBytes(strPath));
}

// Written in place (the old file has another name), an export killed
// while it writes leaves a file that doesn't begin as a motion and is
// dated back, so that make takes it for older than its input; the same
// export left to end is whole, with the present time.
TEST(VmdWriterTest, ExportKilledWhileWritingInPlaceLeavesNoMotion) {
  TempDir dir;
  std::string strPath = dir.Join("song.vmd");
  WriteFileBytes(strPath, "the previous export");
  ASSERT_EQ(0, link(strPath.c_str(), dir.Join("twin.vmd").c_str()));
  FakeTrack large;  // about 44 MB of motion
  for (int i = 0; i < 100000; ++i) large.Press(2 * i + 1, i % 128).Release(2 * i + 2, i % 128);
  const time_t nStart = time(nullptr);
  // The watch that dates the file back is the child's child: as their
  // subreaper the test can wait for it.
  ASSERT_EQ(0, prctl(PR_SET_CHILD_SUBREAPER, 1));
  ChildWrite child = StartWriteInChild(strPath, large.GetTrack(), -1);
  ASSERT_GT(child.pid, 0);
  // Killed once the motion is written past its first bytes.
  bool bCaught = false;
  int nStatus = 0;
  std::vector<char> block(4096);
  while (!bCaught && waitpid(child.pid, &nStatus, WNOHANG) == 0) {
    int nFd = open(strPath.c_str(), O_RDONLY);
    ssize_t n = pread(nFd, block.data(), block.size(), 1 << 20);
    close(nFd);
    bCaught = n > 0 && std::any_of(block.begin(), block.end(), [](char c) { return c != 0; });
  }
  if (bCaught) {
    kill(child.pid, SIGKILL);
    waitpid(child.pid, &nStatus, 0);
  }
  close(child.nResultFd);
  while (waitpid(-1, nullptr, 0) > 0 || errno == EINTR) {
  }
  prctl(PR_SET_CHILD_SUBREAPER, 0);
  ASSERT_TRUE(bCaught) << "the export ended before it could be killed";
  struct stat st;
  ASSERT_EQ(0, stat(strPath.c_str(), &st));
  EXPECT_EQ(0, st.st_mtime) << "not dated back";
  std::vector<uint8_t> left = ReadFileBytes(dir.Join("twin.vmd"));
  ASSERT_GE(left.size(), 30u);
  EXPECT_EQ(std::vector<uint8_t>(30, 0), std::vector<uint8_t>(left.begin(), left.begin() + 30))
      << "begins as a motion";

  VmdWriter memory;
  memory.WriteHeader();
  ASSERT_EQ(1, memory.WriteMotion(large.GetTrack()));
  EXPECT_EQ(static_cast<int>(memory.GetImage().size()), WriteInChild(strPath, large.GetTrack(), -1));
  EXPECT_TRUE(memory.GetImage() == ReadFileBytes(dir.Join("twin.vmd")));
  ASSERT_EQ(0, stat(strPath.c_str(), &st));
  EXPECT_GE(st.st_mtime, nStart);
  EXPECT_EQ((std::vector<std::string>{"song.vmd", "twin.vmd"}), dir.List());
}

// --- Exports by an ordinary user and over files with more than content ---

constexpr uid_t kNobody = 65534;

// Runs fnRun in a child process with SIGXFSZ and SIGPIPE at their default
// actions (ending the process) and an alarm that ends it if it hangs, and
// returns its result, or 999 when the child did not finish on its own.
template <typename F>
int RunInChild(F fnRun) {
  int aFd[2];
  if (pipe(aFd) != 0) return 999;
  pid_t pid = fork();
  if (pid == 0) {
    close(aFd[0]);
    signal(SIGPIPE, SIG_DFL);
    signal(SIGXFSZ, SIG_DFL);
    alarm(20);
    int nResult = fnRun();
    _exit(write(aFd[1], &nResult, sizeof nResult) == sizeof nResult ? 0 : 1);
  }
  close(aFd[1]);
  int nResult = 999;
  if (read(aFd[0], &nResult, sizeof nResult) != sizeof nResult) nResult = 999;
  close(aFd[0]);
  int nStatus = 0;
  waitpid(pid, &nStatus, 0);
  EXPECT_TRUE(WIFEXITED(nStatus) && WEXITSTATUS(nStatus) == 0)
      << (WIFSIGNALED(nStatus) ? strsignal(WTERMSIG(nStatus)) : "exit code");
  return nResult;
}

// Who the export runs as: ourselves, and, when we are root (who keeps
// set-id bits and passes every permission check), also user and group
// 65534 with no other groups, made in the child.
struct Exporter {
  bool bNobody;
  const char* pszName;
};

std::vector<Exporter> Exporters() {
  std::vector<Exporter> exporters = {{false, geteuid() == 0 ? "root" : "this user"}};
  if (geteuid() == 0) exporters.push_back({true, "user 65534"});
  return exporters;
}

// Gives the test's file or folder to the exporter (a no-op for ourselves).
void GiveTo(const Exporter& exporter, const std::string& strPath) {
  if (exporter.bNobody) {
    ASSERT_EQ(0, chown(strPath.c_str(), kNobody, kNobody)) << strPath;
  }
}

// Write in a child run as the exporter, with a file size limit (none by
// default) and in the folder pszCwd (if not null).
int WriteAs(const Exporter& exporter, const std::string& strPath, MIDITrack* pTrack,
            rlim_t nLimit = RLIM_INFINITY, const char* pszCwd = nullptr) {
  return RunInChild([&]() {
    struct rlimit limit = {nLimit, nLimit};
    if (nLimit != RLIM_INFINITY && setrlimit(RLIMIT_FSIZE, &limit) != 0) return kNoUser;
    if (exporter.bNobody &&
        (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 || setuid(kNobody) != 0)) {
      return kNoUser;
    }
    if (pszCwd && chdir(pszCwd) != 0) return kNoUser;
    VmdWriter writer;
    return writer.Write(strPath.c_str(), pTrack);
  });
}

// A folder the exporter may write, in a scratch folder everyone may enter.
std::string FolderFor(const TempDir& dir, const Exporter& exporter, const std::string& strName) {
  chmod(dir.GetPath().c_str(), 0755);
  std::string strFolder = dir.Join(strName);
  EXPECT_EQ(0, mkdir(strFolder.c_str(), 0755));
  GiveTo(exporter, strFolder);
  return strFolder;
}

std::string ReadAttribute(const std::string& strPath, const char* pszName) {
  char sz[1024];
  ssize_t n = getxattr(strPath.c_str(), pszName, sz, sizeof sz);
  return n < 0 ? "(none)" : std::string(sz, static_cast<size_t>(n));
}

// A POSIX ACL as the file system keeps it in system.posix_acl_*: version
// 2, then (tag, permissions, id) entries in the order of their tags.
std::string AclBytes(uint32_t nUser, int nUserPerm) {
  const uint32_t kAny = 0xFFFFFFFF;
  const uint32_t aEntry[][3] = {{0x01, 6, kAny},  {0x02, static_cast<uint32_t>(nUserPerm), nUser},
                                {0x04, 4, kAny},  {0x10, 6, kAny}, {0x20, 4, kAny}};
  std::string str("\x02\0\0\0", 4);
  for (const auto& entry : aEntry) {
    const uint8_t ab[8] = {static_cast<uint8_t>(entry[0]), 0, static_cast<uint8_t>(entry[1]), 0,
                           static_cast<uint8_t>(entry[2]), static_cast<uint8_t>(entry[2] >> 8),
                           static_cast<uint8_t>(entry[2] >> 16), static_cast<uint8_t>(entry[2] >> 24)};
    str.append(reinterpret_cast<const char*>(ab), 8);
  }
  return str;
}

TEST(VmdWriterTest, ReplacingKeepsAclsAndExtendedAttributes) {
  FakeTrack track;
  track.Press(100, 60).Release(130, 60);
  const std::string strAcl = AclBytes(65533, 6);
  for (const Exporter& exporter : Exporters()) {
    SCOPED_TRACE(exporter.pszName);
    TempDir dir;
    std::string strFolder = FolderFor(dir, exporter, "f");
    // Mode 0644 plus write for one more user: the group bits show the
    // ACL's mask (rw), not what the group may do (r).
    std::string strPath = strFolder + "/acl.vmd";
    WriteFileBytes(strPath, "old");
    GiveTo(exporter, strPath);
    ASSERT_EQ(0, chmod(strPath.c_str(), 0644));
    if (setxattr(strPath.c_str(), "user.origin", "take 3", 6, 0) != 0 ||
        setxattr(strPath.c_str(), "system.posix_acl_access", strAcl.data(), strAcl.size(), 0) != 0) {
      GTEST_SKIP() << "the file system of " << dir.GetPath() << " keeps no user attributes or ACLs";
    }
    struct stat before, after;
    ASSERT_EQ(0, stat(strPath.c_str(), &before));
    const std::string strAclBefore = ReadAttribute(strPath, "system.posix_acl_access");
    EXPECT_EQ(498, WriteAs(exporter, strPath, track.GetTrack()));
    EXPECT_EQ(SingleNoteBytes(), ReadFileBytes(strPath));
    ASSERT_EQ(0, stat(strPath.c_str(), &after));
    EXPECT_EQ(before.st_mode, after.st_mode);
    EXPECT_EQ(strAclBefore, ReadAttribute(strPath, "system.posix_acl_access"));
    EXPECT_EQ("take 3", ReadAttribute(strPath, "user.origin"));

    // A folder whose files inherit an ACL, and an old file there without
    // one: the new file doesn't keep the inherited ACL.
    ASSERT_EQ(0, setxattr(strFolder.c_str(), "system.posix_acl_default", strAcl.data(),
                          strAcl.size(), 0));
    std::string strPlain = strFolder + "/plain.vmd";
    WriteFileBytes(strPlain, "old");
    GiveTo(exporter, strPlain);
    removexattr(strPlain.c_str(), "system.posix_acl_access");
    ASSERT_EQ(0, chmod(strPlain.c_str(), 0640));
    EXPECT_EQ(498, WriteAs(exporter, strPlain, track.GetTrack()));
    ASSERT_EQ(0, stat(strPlain.c_str(), &after));
    EXPECT_EQ(S_IFREG | 0640u, after.st_mode);
    EXPECT_EQ("(none)", ReadAttribute(strPlain, "system.posix_acl_access"));

    // An attribute only a privileged process may set: an ordinary user's
    // export writes the file in place, keeping it.
    std::string strGuarded = strFolder + "/guarded.vmd";
    WriteFileBytes(strGuarded, "old");
    GiveTo(exporter, strGuarded);
    if (geteuid() == 0 && setxattr(strGuarded.c_str(), "security.sonomot", "label", 5, 0) == 0) {
      ASSERT_EQ(0, stat(strGuarded.c_str(), &before));
      EXPECT_EQ(498, WriteAs(exporter, strGuarded, track.GetTrack()));
      EXPECT_EQ(SingleNoteBytes(), ReadFileBytes(strGuarded));
      EXPECT_EQ("label", ReadAttribute(strGuarded, "security.sonomot"));
      ASSERT_EQ(0, stat(strGuarded.c_str(), &after));
      if (exporter.bNobody) {
        EXPECT_EQ(before.st_ino, after.st_ino);
      }
    }
    // A file capability, which every write takes away: root's export
    // gives it back.
    std::string strTool = strFolder + "/tool.vmd";
    WriteFileBytes(strTool, "old");
    GiveTo(exporter, strTool);
    const std::string strCapability("\x01\0\0\x02\0\x04\0\0\0\0\0\0\0\0\0\0\0\0\0\0", 20);
    if (!exporter.bNobody && geteuid() == 0 &&
        setxattr(strTool.c_str(), "security.capability", strCapability.data(),
                 strCapability.size(), 0) == 0) {
      const std::string strBefore = ReadAttribute(strTool, "security.capability");
      EXPECT_EQ(498, WriteAs(exporter, strTool, track.GetTrack()));
      EXPECT_EQ(SingleNoteBytes(), ReadFileBytes(strTool));
      EXPECT_EQ(strBefore, ReadAttribute(strTool, "security.capability"));
    }
    EXPECT_EQ((std::vector<std::string>{"acl.vmd", "guarded.vmd", "plain.vmd", "tool.vmd"}),
              TempDir::ListOf(strFolder));
  }
}

TEST(VmdWriterTest, SetIdBitsSurviveTheExport) {
  FakeTrack track;
  track.Press(100, 60).Release(130, 60);
  for (const Exporter& exporter : Exporters()) {
    SCOPED_TRACE(exporter.pszName);
    TempDir dir;
    std::string strFolder = FolderFor(dir, exporter, "f");
    // Replaced (one name), and written in place (two names).
    std::string strReplaced = strFolder + "/a.vmd", strInPlace = strFolder + "/b.vmd";
    WriteFileBytes(strReplaced, "old");
    WriteFileBytes(strInPlace, "old");
    ASSERT_EQ(0, link(strInPlace.c_str(), (strFolder + "/twin.vmd").c_str()));
    for (const std::string& strPath : {strReplaced, strInPlace}) {
      GiveTo(exporter, strPath);
      ASSERT_EQ(0, chmod(strPath.c_str(), strPath == strReplaced ? 06775 : 04755));
    }
    EXPECT_EQ(498, WriteAs(exporter, strReplaced, track.GetTrack()));
    EXPECT_EQ(498, WriteAs(exporter, strInPlace, track.GetTrack()));
    struct stat st;
    ASSERT_EQ(0, stat(strReplaced.c_str(), &st));
    EXPECT_EQ(06775u, st.st_mode & 07777);
    EXPECT_EQ(498, st.st_size);
    ASSERT_EQ(0, stat(strInPlace.c_str(), &st));
    EXPECT_EQ(04755u, st.st_mode & 07777);
    EXPECT_EQ(SingleNoteBytes(), ReadFileBytes(strInPlace));
  }
}

// Sets or clears a folder's append-only flag; false when it can't.
bool SetAppendOnly(const std::string& strFolder, bool bOn) {
  int nFd = open(strFolder.c_str(), O_RDONLY | O_DIRECTORY);
  int nFlags = 0;
  bool bOk = nFd >= 0 && ioctl(nFd, FS_IOC_GETFLAGS, &nFlags) == 0;
  nFlags = bOn ? nFlags | FS_APPEND_FL : nFlags & ~FS_APPEND_FL;
  bOk = bOk && ioctl(nFd, FS_IOC_SETFLAGS, &nFlags) == 0;
  if (nFd >= 0) close(nFd);
  return bOk;
}

// Clears the flag when the test ends, however it ends, so that the folder
// can be removed.
struct AppendOnlyFolder {
  explicit AppendOnlyFolder(const std::string& strFolder)
      : strPath(strFolder), bSet(SetAppendOnly(strFolder, true)) {}
  ~AppendOnlyFolder() {
    if (bSet) SetAppendOnly(strPath, false);
  }
  std::string strPath;
  bool bSet;
};

TEST(VmdWriterTest, AppendOnlyFolderIsWrittenInPlace) {
  FakeTrack track;
  track.Press(100, 60).Release(130, 60);
  for (const Exporter& exporter : Exporters()) {
    SCOPED_TRACE(exporter.pszName);
    TempDir dir;
    std::string strFolder = FolderFor(dir, exporter, "log");
    std::string strOld = strFolder + "/old.vmd";
    WriteFileBytes(strOld, std::string(600, 'x'));
    GiveTo(exporter, strOld);
    AppendOnlyFolder appendOnly(strFolder);
    if (!appendOnly.bSet) GTEST_SKIP() << "can't make " << strFolder << " append-only here";
    // The old file is overwritten, a new one is added, and nothing else
    // appears (no name can be removed there).
    EXPECT_EQ(498, WriteAs(exporter, strOld, track.GetTrack()));
    EXPECT_EQ(498, WriteAs(exporter, strFolder + "/new.vmd", track.GetTrack()));
    EXPECT_EQ(SingleNoteBytes(), ReadFileBytes(strOld));
    EXPECT_EQ(SingleNoteBytes(), ReadFileBytes(strFolder + "/new.vmd"));
    EXPECT_EQ((std::vector<std::string>{"new.vmd", "old.vmd"}), TempDir::ListOf(strFolder));
  }
}

// A folder the exporter may write and enter but not read: a new file is
// made there and an old one replaced, though the folder itself can only
// be opened as a place.
TEST(VmdWriterTest, WriteOnlyFolderTakesNewAndReplacedFiles) {
  FakeTrack track;
  track.Press(100, 60).Release(130, 60);
  for (const Exporter& exporter : Exporters()) {
    SCOPED_TRACE(exporter.pszName);
    TempDir dir;
    std::string strFolder = FolderFor(dir, exporter, "drop");
    std::string strOld = strFolder + "/old.vmd";
    WriteFileBytes(strOld, "the previous export");
    GiveTo(exporter, strOld);
    ASSERT_EQ(0, chmod(strFolder.c_str(), 0333));
    EXPECT_EQ(498, WriteAs(exporter, strOld, track.GetTrack()));
    EXPECT_EQ(498, WriteAs(exporter, strFolder + "/new.vmd", track.GetTrack()));
    ASSERT_EQ(0, chmod(strFolder.c_str(), 0755));
    EXPECT_EQ(SingleNoteBytes(), ReadFileBytes(strOld));
    EXPECT_EQ(SingleNoteBytes(), ReadFileBytes(strFolder + "/new.vmd"));
    EXPECT_EQ((std::vector<std::string>{"new.vmd", "old.vmd"}), TempDir::ListOf(strFolder));
  }
}

TEST(VmdWriterTest, PathsNearTheLengthLimitWork) {
  FakeTrack track;
  track.Press(100, 60).Release(130, 60);
  for (const Exporter& exporter : Exporters()) {
    SCOPED_TRACE(exporter.pszName);
    TempDir dir;
    chmod(dir.GetPath().c_str(), 0755);
    // A folder whose full name is 4085 characters: with "/a.vmd" the path
    // is just below the system's limit of 4096 bytes.
    std::string strFolder = dir.GetPath();
    while (strFolder.size() < 4085) {
      size_t nLeft = 4085 - strFolder.size();
      strFolder += "/" + std::string(nLeft > 250 ? 199 : nLeft - 1, 'd');
      ASSERT_EQ(0, mkdir(strFolder.c_str(), 0755)) << strFolder.size();
    }
    GiveTo(exporter, strFolder);
    std::string strPath = strFolder + "/a.vmd";
    ASSERT_EQ(4091u, strPath.size());
    // A new file, the same file replaced, and a short name from inside
    // the folder.
    EXPECT_EQ(498, WriteAs(exporter, strPath, track.GetTrack()));
    EXPECT_EQ(498, WriteAs(exporter, strPath, track.GetTrack()));
    WriteFileBytes(strFolder + "/b.vmd", "old");
    GiveTo(exporter, strFolder + "/b.vmd");
    EXPECT_EQ(498, WriteAs(exporter, "b.vmd", track.GetTrack(), RLIM_INFINITY, strFolder.c_str()));
    EXPECT_EQ(SingleNoteBytes(), ReadFileBytes(strPath));
    EXPECT_EQ(SingleNoteBytes(), ReadFileBytes(strFolder + "/b.vmd"));
    EXPECT_EQ((std::vector<std::string>{"a.vmd", "b.vmd"}), TempDir::ListOf(strFolder));
  }
}

TEST(VmdWriterTest, InPlaceWriteOverTheSizeLimitLeavesTheOldFileWhole) {
  FakeTrack track;
  track.Press(100, 60).Release(130, 60);  // 498 bytes
  for (const Exporter& exporter : Exporters()) {
    SCOPED_TRACE(exporter.pszName);
    TempDir dir;
    std::string strFolder = FolderFor(dir, exporter, "f");
    // Written in place: a file with two names, and (for an ordinary user)
    // root's file that anyone may write.
    std::string strLinked = strFolder + "/linked.vmd";
    WriteFileBytes(strLinked, "the previous export");
    GiveTo(exporter, strLinked);
    ASSERT_EQ(0, link(strLinked.c_str(), (strFolder + "/twin.vmd").c_str()));
    std::vector<std::string> paths = {strLinked};
    if (exporter.bNobody) {
      std::string strShared = strFolder + "/shared.vmd";
      WriteFileBytes(strShared, "the previous export");
      ASSERT_EQ(0, chmod(strShared.c_str(), 0666));
      paths.push_back(strShared);
    }
    for (const std::string& strPath : paths) {
      EXPECT_EQ(-3, WriteAs(exporter, strPath, track.GetTrack(), 300)) << strPath;
      EXPECT_EQ(Bytes("the previous export"), ReadFileBytes(strPath)) << strPath;
      EXPECT_EQ(498, WriteAs(exporter, strPath, track.GetTrack(), 600)) << strPath;
      EXPECT_EQ(SingleNoteBytes(), ReadFileBytes(strPath)) << strPath;
    }
  }
}

// A full disk: on tmpfs the reservation fails cleanly, on ext4 it fails
// halfway and has grown the file, which must get its size back.
TEST(VmdWriterTest, InPlaceWriteOnAFullDiskLeavesTheOldFileWhole) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to mount a small file system";
  FakeTrack large;  // 54 + 111 x 12000 bytes, about 1.3 MB
  for (int i = 0; i < 3000; ++i) large.Press(2 * i + 1, i % 128).Release(2 * i + 2, i % 128);
  constexpr int kNoMount = 997, kChanged = 996;
  for (const char* pszKind : {"tmpfs", "ext4"}) {
    SCOPED_TRACE(pszKind);
    TempDir dir;
    const std::string strImage = dir.GetPath() + ".img";
    bool bExt4 = std::string(pszKind) == "ext4";
    if (bExt4) {
      std::string strMake = "truncate -s 2M '" + strImage + "' && mkfs.ext4 -F -q '" + strImage +
                            "' >/dev/null 2>&1";
      if (system(strMake.c_str()) != 0) {
        unlink(strImage.c_str());
        GTEST_SKIP() << "can't make an ext4 image with mkfs.ext4 here";
      }
    }
    // A file system of its own, in the child's own mount table.
    int nResult = RunInChild([&]() {
      if (unshare(CLONE_NEWNS) != 0 ||
          mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
        return kNoMount;
      }
      std::string strMount = "mount -o loop '" + strImage + "' '" + dir.GetPath() + "' 2>/dev/null";
      if (bExt4 ? system(strMount.c_str()) != 0
                : mount("tmpfs", dir.GetPath().c_str(), "tmpfs", 0, "size=512k") != 0) {
        return kNoMount;
      }
      std::string strPath = dir.Join("song.vmd");
      WriteFileBytes(strPath, "the previous export");
      if (link(strPath.c_str(), dir.Join("twin.vmd").c_str()) != 0) return kNoMount;
      int nFiller = open(dir.Join("filler").c_str(), O_WRONLY | O_CREAT, 0600);
      std::vector<char> block(4096, 'f');
      for (int i = 0; i < 1000; ++i) {
        if (write(nFiller, block.data(), block.size()) != static_cast<ssize_t>(block.size())) break;
      }
      close(nFiller);
      VmdWriter writer;
      int nWrite = writer.Write(strPath.c_str(), large.GetTrack());
      return ReadFileBytes(strPath) == Bytes("the previous export") ? nWrite : kChanged;
    });
    unlink(strImage.c_str());
    if (nResult == kNoMount) GTEST_SKIP() << "can't mount a " << pszKind << " file system here";
    EXPECT_EQ(-3, nResult);
  }
}

TEST(VmdWriterTest, BindMountedTargetIsWrittenInPlace) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to mount";
  FakeTrack track;
  track.Press(100, 60).Release(130, 60);
  TempDir dir;
  std::string strSource = dir.Join("source.vmd"), strTarget = dir.Join("target.vmd");
  WriteFileBytes(strSource, std::string(700, 's'));
  WriteFileBytes(strTarget, "under the mount");
  constexpr int kNoMount = 997;
  // The mount lives in the child's own mount table and ends with it.
  int nResult = RunInChild([&]() {
    if (unshare(CLONE_NEWNS) != 0 ||
        mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        mount(strSource.c_str(), strTarget.c_str(), nullptr, MS_BIND, nullptr) != 0) {
      return kNoMount;
    }
    VmdWriter writer;
    return writer.Write(strTarget.c_str(), track.GetTrack());
  });
  if (nResult == kNoMount) GTEST_SKIP() << "can't bind-mount a file here";
  EXPECT_EQ(498, nResult);
  EXPECT_EQ(SingleNoteBytes(), ReadFileBytes(strSource));
  EXPECT_EQ(Bytes("under the mount"), ReadFileBytes(strTarget));
  EXPECT_EQ((std::vector<std::string>{"source.vmd", "target.vmd"}), dir.List());
}

}  // namespace
