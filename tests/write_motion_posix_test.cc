// WriteMotion, what only POSIX shows: the memory the process has mapped.
#include <unistd.h>

#include <fstream>

#include <gtest/gtest.h>

#include "motion/key_frame_buckets.h"
#include "tests/motion_test_util.h"

namespace {

// The slabs a collection maps for its buckets go back to the system with
// them, every time: a process that exports again and again doesn't grow.
TEST(WriteMotionTest, BucketsGiveTheirMemoryBack) {
  FakeTrack track;
  for (int i = 0; i < 100000; ++i) track.Press(2 * i + 1, i % 128).Release(2 * i + 2, i % 128);
  for (int i = 0; i < 300000; ++i) track.Control(i, 64, i % 128);
  // The process's mapped memory, in bytes.
  auto mapped = [] {
    long lPages = 0;
    std::ifstream("/proc/self/statm") >> lPages;
    return lPages * sysconf(_SC_PAGESIZE);
  };
  const long lBefore = mapped();
  for (int nRound = 0; nRound < 3; ++nRound) {
    long lDuring;
    {
      KeyFrameBuckets buckets;
      buckets.Collect(track.GetTrack());
      lDuring = mapped();
    }
    EXPECT_GT(lDuring - lBefore, 1L << 20) << nRound;
    EXPECT_LT(mapped() - lBefore, 256L << 10) << nRound;
  }
}

}  // namespace
