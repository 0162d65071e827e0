// OutputFile on Windows: a target that may not be replaced (read-only, or
// held open by another program that shares it with no one) is refused,
// before anything is written or when it turns so while the new file is
// written, and the old file stays whole with nothing left beside it. The
// other program's handle is this test's own: Windows shares a file by
// handle, whoever holds it. And the names Windows keeps for its devices.
#include <io.h>
#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "files/output_file.h"
#include "tests/command_test_util.h"
#include "tests/file_holder_win32.h"
#include "tests/files_test_util.h"

namespace {

const std::string kOld = "the old motion";
const std::string kNew = "the new motion, longer than the old";

std::string Text(const std::vector<uint8_t>& bytes) { return std::string(bytes.begin(), bytes.end()); }

TEST(OutputFileWin32, ReadOnlyTargetIsRefusedAndKeptWhole) {
  TempDir dir;
  std::string strPath = dir.Join("old.vmd");
  WriteFileBytes(strPath, kOld);
  ASSERT_EQ(0, _chmod(strPath.c_str(), _S_IREAD));
  {
    OutputFile file;
    errno = 0;
    EXPECT_FALSE(file.Open(strPath.c_str()));
    EXPECT_EQ(EACCES, errno);  // "Permission denied", as Linux says
  }
  EXPECT_EQ(kOld, Text(ReadFileBytes(strPath)));
  EXPECT_EQ(std::vector<std::string>{"old.vmd"}, dir.List());
  _chmod(strPath.c_str(), _S_IREAD | _S_IWRITE);
}

TEST(OutputFileWin32, TargetMadeReadOnlyWhileWrittenIsNotReplaced) {
  TempDir dir;
  std::string strPath = dir.Join("old.vmd");
  WriteFileBytes(strPath, kOld);
  {
    OutputFile file;
    ASSERT_TRUE(file.Open(strPath.c_str()));
    ASSERT_TRUE(file.Write(kNew.data(), kNew.size()));
    ASSERT_EQ(0, _chmod(strPath.c_str(), _S_IREAD));
    EXPECT_FALSE(file.Commit());
  }
  EXPECT_EQ(kOld, Text(ReadFileBytes(strPath)));
  EXPECT_EQ(std::vector<std::string>{"old.vmd"}, dir.List());
  struct _stat st;
  ASSERT_EQ(0, _stat(strPath.c_str(), &st));
  EXPECT_EQ(0, st.st_mode & _S_IWRITE);  // still read-only
  _chmod(strPath.c_str(), _S_IREAD | _S_IWRITE);
}

TEST(OutputFileWin32, FileInUseIsRefusedAndKeptWhole) {
  TempDir dir;
  std::string strPath = dir.Join("held.vmd");
  WriteFileBytes(strPath, kOld);
  {
    FileHolder holder(strPath);
    OutputFile file;
    EXPECT_FALSE(file.Open(strPath.c_str()));
  }
  EXPECT_EQ(kOld, Text(ReadFileBytes(strPath)));
  EXPECT_EQ(std::vector<std::string>{"held.vmd"}, dir.List());
}

// A program that opens the file while the new one is written can't keep
// it from everyone (ours is open to write), but may keep it from being
// renamed or removed: the motion is then written in place, whole, with
// nothing left beside it.
TEST(OutputFileWin32, FileTakenWhileWrittenIsWrittenInPlace) {
  TempDir dir;
  std::string strPath = dir.Join("held.vmd");
  WriteFileBytes(strPath, kOld);
  {
    OutputFile file;
    ASSERT_TRUE(file.Open(strPath.c_str()));
    ASSERT_TRUE(file.Write(kNew.data(), kNew.size()));
    FileHolder holder(strPath, FileHolder::Sharing::kReadingAndWriting);
    EXPECT_TRUE(file.Commit());
    EXPECT_EQ("", file.GetLeftover());
  }
  EXPECT_EQ(kNew, Text(ReadFileBytes(strPath)));
  EXPECT_EQ(std::vector<std::string>{"held.vmd"}, dir.List());
}

// NUL takes the motion and throws it away, by any case, extension or
// folder; nothing is made beside it.
TEST(OutputFileWin32, NulTakesTheMotion) {
  TempDir dir;
  for (const std::string& strPath : {std::string("NUL"), std::string("nul.vmd"), dir.Join("NUL")}) {
    OutputFile file;
    ASSERT_TRUE(file.Open(strPath.c_str())) << strPath;
    EXPECT_FALSE(file.IsRegularFile()) << strPath;
    EXPECT_TRUE(file.Write(kNew.data(), kNew.size()) && file.Commit()) << strPath;
  }
  EXPECT_TRUE(dir.List().empty());
}

// The other devices are no place for a motion: refused at Open, in any
// case, with any extension, in any folder.
TEST(OutputFileWin32, OtherDeviceNamesAreRefused) {
  TempDir dir;
  for (const std::string& strPath : {std::string("CON"), std::string("con.vmd"), dir.Join("AUX"),
                                     dir.Join("Com1.vmd"), dir.Join("lpt9"), dir.Join("PRN.txt")}) {
    OutputFile file;
    errno = 0;
    EXPECT_FALSE(file.Open(strPath.c_str())) << strPath;
    EXPECT_NE(0, errno) << strPath;
  }
  EXPECT_TRUE(dir.List().empty());
}

// A path relative to a drive's own working folder ("C:name", no
// separator after the colon) is written there, as a relative path is.
TEST(OutputFileWin32, DriveRelativePathIsWrittenInTheDrivesWorkingFolder) {
  TempDir dir;
  std::filesystem::path cwd = std::filesystem::current_path();
  std::filesystem::current_path(dir.GetPath());
  // The drive of the folder just made current: another drive's working
  // folder is another place.
  std::string strDrive = std::filesystem::current_path().string().substr(0, 2);  // "C:"
  bool bWritten = false;
  {
    OutputFile file;
    bWritten = file.Open((strDrive + "drive.vmd").c_str()) && file.Write(kNew.data(), kNew.size()) &&
               file.Commit();
  }
  std::filesystem::current_path(cwd);
  EXPECT_TRUE(bWritten);
  EXPECT_EQ(kNew, Text(ReadFileBytes(dir.Join("drive.vmd"))));
  EXPECT_EQ(std::vector<std::string>{"drive.vmd"}, dir.List());
}

// What the export tells of a file in use: that it is in use, not a lack of
// permission the user can't find on the file.
class ExportWin32Test : public MidiCommandTest {};

TEST_F(ExportWin32Test, FileInUseIsToldAsSuch) {
  std::string strMidi = WriteFile("one.mid", SmfBuilder(1, 480)
                                                 .Track()
                                                 .Event(0, {0x90, 60, 100})
                                                 .Event(480, {0x80, 60, 0})
                                                 .EndOfTrack()
                                                 .Build());
  TypeAll({("Open " + strMidi).c_str(), "conv pr", "tr 0"});
  std::string strOut = TempPath("held.vmd");
  WriteFileBytes(strOut, kOld);
  TakeTranscript();
  {
    FileHolder holder(strOut);
    Type("export " + strOut);
  }
  EXPECT_EQ("track>export " + strOut + "\nCannot Open File.\nWrite -2 Byte.\nComplete.\n\n",
            TakeTranscript());
  EXPECT_EQ("in use by another program", m_pProcessor->GetOutcome().strReason);
  EXPECT_EQ(kOld, Text(ReadFileBytes(strOut)));
}

}  // namespace
