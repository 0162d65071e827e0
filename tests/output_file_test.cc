// OutputFile: what a write leaves at the path when it can't be opened and
// when its file can't be sent to the disk, on every system, over a few
// bytes. What only POSIX shows is in output_file_posix_test.cc, what only
// Windows shows in output_file_win32_test.cc.
#include "files/output_file.h"

#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/files_test_util.h"

namespace {

TEST(OutputFileTest, PathsThatCannotBeOpenedChangeNothing) {
  TempDir dir;
  WriteFileBytes(dir.Join("plain"), "x");
  ASSERT_TRUE(std::filesystem::create_directory(dir.Join("folder")));
  const std::string aPath[] = {
      dir.Join("plain/out.vmd"),    // the folder is a file
      dir.Join("missing/out.vmd"),  // the folder doesn't exist
      dir.Join("folder"),           // a folder is in the way
      dir.Join("folder/"),
      "",
  };
  for (const std::string& strPath : aPath) {
    EXPECT_EQ(kNotOpened, Put(strPath, "new")) << strPath;
  }
  EXPECT_EQ((std::vector<std::string>{"folder", "plain"}), dir.List());
  EXPECT_EQ(Bytes("x"), ReadFileBytes(dir.Join("plain")));
}

// A replaced file is on the disk before its name shows it, and a sync that
// fails keeps the old file; a file written in place is on the disk, but
// for its first bytes, before they are written.
TEST(OutputFileTest, EveryFileIsOnTheDiskBeforeItCounts) {
  TempDir dir;
  const std::string strNew = "the new motion";
  const std::vector<uint8_t> previous = Bytes("the previous export");
  std::string strPath = dir.Join("song.vmd");
  WriteFileBytes(strPath, "the previous export");
  {
    DiskCallsFake fake(0, strPath);
    EXPECT_EQ(kWritten, Put(strPath, strNew));
    ASSERT_EQ(1u, fake.GetCalls().size());
    EXPECT_STREQ("fsync", fake.GetCalls()[0].pszName);
    EXPECT_EQ(static_cast<int64_t>(strNew.size()), fake.GetCalls()[0].nSize);
    EXPECT_EQ(previous, fake.GetCalls()[0].watched);
  }
  WriteFileBytes(strPath, "the previous export");
  {
    DiskCallsFake fake(EIO);
    EXPECT_EQ(kNotWritten, Put(strPath, strNew));
    EXPECT_EQ(previous, ReadFileBytes(strPath));
    EXPECT_EQ(std::vector<std::string>{"song.vmd"}, dir.List());
  }
  std::filesystem::create_hard_link(strPath, dir.Join("twin.vmd"));
  {
    DiskCallsFake fake(0, strPath);
    EXPECT_EQ(kWritten, Put(strPath, strNew));
    ASSERT_EQ(2u, fake.GetCalls().size());
    // A few bytes are all first bytes: zeros until the rest is synced.
    EXPECT_EQ(std::vector<uint8_t>(strNew.size(), 0), fake.GetCalls()[0].watched)
        << "first bytes not last";
    EXPECT_EQ(Bytes(strNew), fake.GetCalls()[1].watched);
  }
}

}  // namespace
