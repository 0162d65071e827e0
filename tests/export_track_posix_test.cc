// The export command's report of a write cut short, made by what only
// POSIX has: a file size limit.
#include <signal.h>
#include <sys/resource.h>

#include <filesystem>

#include "tests/command_test_util.h"

namespace {

class ExportTrackPosixTest : public MidiCommandTest {};

TEST_F(ExportTrackPosixTest, FailedWriteIsReportedAndLeavesNoFile) {
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

}  // namespace
