// Reading Standard MIDI Files, what only POSIX has: a FIFO at the path.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "midilib/MIDIData.h"
#include "tests/midi_test_util.h"

using namespace miditest;

namespace {

// A FIFO nobody writes to: refused at once, not waited on, by the load and
// by the check, which says why.
TEST(MidiRead, FifoIsRefusedNotWaitedOn) {
  std::string fifo = TempFile("").Path() + ".fifo";
  ASSERT_EQ(0, mkfifo(fifo.c_str(), 0600));
  EXPECT_EQ(nullptr, MIDIData_LoadFromSMF(fifo.c_str()));
  char szText[64] = "";
  EXPECT_EQ(MIDIDATA_CHECK_CANNOTREAD, MIDIData_CheckSMF(fifo.c_str(), szText, sizeof szText));
  EXPECT_EQ(std::string("not a regular file"), szText);
  unlink(fifo.c_str());
}

}  // namespace
