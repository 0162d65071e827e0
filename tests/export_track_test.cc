// The export command's report for each result of the writer.
#include <signal.h>
#include <sys/resource.h>

#include <filesystem>

#include "commands/command_processor.h"
#include "tests/command_test_util.h"

namespace {

class ExportTrackTest : public MidiCommandTest {
 protected:
  // Opens a one-note file, converts it and types the track command given.
  void PrepareTrack(const char* pszTrack) {
    std::string path = WriteFile("one.mid", SmfBuilder(1, 480)
                                                .Track()
                                                .Meta(0, 0x03, "Piano")
                                                .Event(0, {0x90, 60, 100})
                                                .Event(480, {0x80, 60, 0})
                                                .EndOfTrack()
                                                .Build());
    TypeAll({("Open " + path).c_str(), "conv pr", pszTrack});
    TakeTranscript();
  }
};

TEST_F(ExportTrackTest, WritesTheFileAndReportsItsSize) {
  PrepareTrack("tr 0");
  std::string out = TempPath("out.vmd");
  Type("export " + out + " ignored");
  ASSERT_TRUE(std::filesystem::exists(out));
  int nSize = static_cast<int>(std::filesystem::file_size(out));
  EXPECT_EQ(0, (nSize - 54) % 111);  // header and whole keyframe records
  EXPECT_EQ("track>export " + out + " ignored\nWrite " + std::to_string(nSize) +
                " Byte.\nComplete.\n\n",
            TakeTranscript());
  // Again to the same path: the file is replaced, the state kept.
  std::filesystem::resize_file(out, 3);
  Type("ex " + out);
  EXPECT_EQ(nSize, static_cast<int>(std::filesystem::file_size(out)));
  EXPECT_EQ("track>", Prompt());
  EXPECT_TRUE(m_pProcessor->IsFileReady());
}

TEST_F(ExportTrackTest, NotesDroppedByTransposingAreReportedOnlyWhenThereAreAny) {
  PrepareTrack("tr 0");  // one note, key 60
  std::string out = TempPath("t.vmd");
  TypeAll({"Conf", "transpose 68", "tr 0"});
  TakeTranscript();
  Type("export " + out);
  EXPECT_EQ("track>export " + out +
                "\n1 notes outside 0..127 dropped.\nWrite 54 Byte.\nComplete.\n\n",
            TakeTranscript());
  EXPECT_EQ(54u, std::filesystem::file_size(out));
  // Key 127 is still on the keyboard (three keyframes: the press at time 0
  // has no companion); the full layout's counts are in the size reported.
  TypeAll({"Conf", "transpose 67", "layout full", "tr 0"});
  TakeTranscript();
  Type("export " + out);
  EXPECT_EQ("track>export " + out + "\nWrite 407 Byte.\nComplete.\n\n", TakeTranscript());
  EXPECT_EQ(407u, std::filesystem::file_size(out));
  // A failed export claims nothing about dropped notes.
  TypeAll({"Conf", "transpose -61", "tr 0"});
  TakeTranscript();
  std::string missing = TempPath("no/such/folder/x.vmd");
  Type("export " + missing);
  EXPECT_EQ("track>export " + missing + "\nCannot Open File.\nWrite -2 Byte.\nComplete.\n\n",
            TakeTranscript());
}

TEST_F(ExportTrackTest, NoTrackAndUnopenablePathAreReported) {
  PrepareTrack("tr 5");  // a bad number leaves no current track
  Type("Root");
  Type("tr 0");
  TakeTranscript();
  Type("tr 7");
  std::string out = TempPath("none.vmd");
  Type("expo " + out);
  EXPECT_EQ("track>tr 7\ninvalid track number.\ntrack>expo " + out +
                "\nUnkown Error.\nWrite -1 Byte.\nComplete.\n\n",
            TakeTranscript());
  EXPECT_FALSE(std::filesystem::exists(out));

  Type("tr 0");
  std::string missing = TempPath("no/such/folder/x.vmd");
  Type("exp " + missing);
  EXPECT_EQ("track>tr 0\nmove to track 0.\ntrack>exp " + missing +
                "\nCannot Open File.\nWrite -2 Byte.\nComplete.\n\n",
            TakeTranscript());
  Type("exp " + TempPath(""));  // the path is a folder
  EXPECT_NE(std::string::npos, TakeTranscript().find("\nCannot Open File.\nWrite -2 Byte.\n"));
  EXPECT_EQ("track>", Prompt());
}

TEST_F(ExportTrackTest, FailedWriteIsReportedAndLeavesNoFile) {
  PrepareTrack("tr 0");
  std::string out = TempPath("cut.vmd");
  // A file size limit below the motion's size makes the write fail after
  // the file was opened, as a full disk would.
  rlimit oldLimit{};
  ASSERT_EQ(0, getrlimit(RLIMIT_FSIZE, &oldLimit));
  rlimit smallLimit = oldLimit;
  smallLimit.rlim_cur = 60;
  sighandler_t pOldHandler = signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(0, setrlimit(RLIMIT_FSIZE, &smallLimit));
  Type("export " + out);
  setrlimit(RLIMIT_FSIZE, &oldLimit);
  signal(SIGXFSZ, pOldHandler);
  EXPECT_EQ("track>export " + out + "\nCannot Write File.\nWrite -3 Byte.\nComplete.\n\n",
            TakeTranscript());
  EXPECT_FALSE(std::filesystem::exists(out));
}

TEST_F(ExportTrackTest, NewDataNeedsItsOwnConversion) {
  PrepareTrack("tr 0");
  TypeAll({"Root", "Create Midi", "tr 1"});
  TakeTranscript();
  std::string out = TempPath("created.vmd");
  Type("export " + out);
  EXPECT_EQ("track>export " + out + "\nfile not ready.\n", TakeTranscript());
  EXPECT_FALSE(std::filesystem::exists(out));
  TypeAll({"mi", "conv pr", "tr 1"});
  Type("export " + out);
  EXPECT_TRUE(std::filesystem::exists(out));
}

}  // namespace
