// Reading Standard MIDI Files: what loads, what it holds, and what is
// refused.
#include <gtest/gtest.h>

#include <memory>

#include "midilib/MIDIData.h"
#include "tests/midi_test_util.h"

using namespace miditest;

namespace {

struct DataDeleter {
  void operator()(MIDIData* p) const { MIDIData_Delete(p); }
};
using DataPtr = std::unique_ptr<MIDIData, DataDeleter>;

std::vector<std::string> V(std::initializer_list<const char*> items) {
  return std::vector<std::string>(items.begin(), items.end());
}

TEST(MidiRead, FormatOneWithMetaSysExAndRunningStatus) {
  std::string conductor = Meta(0, 0x03, "Song") + Meta(0, 0x02, "(c) us") +
                          Meta(0, 0x01, "first") + Meta(0, 0x01, "second") +
                          Meta(0, 0x51, Bytes({0x07, 0xA1, 0x20})) + EndOfTrack(960);
  std::string piano = Meta(0, 0x03, "Piano") + Ev(0, {0xC0, 5}) +
                      Ev(0, {0x90, 60, 100}) + Ev(10, {64, 90}) +  // running
                      Ev(0, {0xF0, 3, 0x43, 0x10, 0xF7}) +
                      Ev(5, {60, 0}) +  // running status across the SysEx
                      Ev(0, {0xF7, 1, 0xF7}) + Ev(0, {0xB0, 64, 127}) +
                      Ev(100, {0xE1, 0x00, 0x40}) + Ev(0, {0x81, 64, 0x40}) +
                      EndOfTrack(20);
  DataPtr data(LoadBytes(Smf(1, 480, {conductor, piano})));
  ASSERT_TRUE(data);
  EXPECT_EQ(1, MIDIData_GetFormat(data.get()));
  EXPECT_EQ(2, MIDIData_GetNumTrack(data.get()));
  EXPECT_EQ(MIDIDATA_TPQNBASE, MIDIData_GetTimeMode(data.get()));
  EXPECT_EQ(480, MIDIData_GetTimeResolution(data.get()));
  EXPECT_EQ(V({"0 03", "0 02", "0 01", "0 01", "0 Tempo 500000", "960 EOT"}),
            Events(TrackAt(data.get(), 0)));
  EXPECT_EQ(V({"0 03", "0 C0 5 -1", "0 90 60 100", "10 90 64 90", "10 F0",
               "15 90 60 0", "15 F7", "15 B0 64 127", "115 E1 0 -1",
               "115 81 64 64", "135 EOT"}),
            Events(TrackAt(data.get(), 1)));
  EXPECT_EQ(11, MIDITrack_GetNumEvent(TrackAt(data.get(), 1)));
  EXPECT_EQ(MIDITrack_GetLastEvent(TrackAt(data.get(), 1)),
            EventAt(TrackAt(data.get(), 1), 10));
  EXPECT_EQ(nullptr, MIDITrack_GetNextTrack(TrackAt(data.get(), 1)));

  char sz[2048];
  EXPECT_STREQ("Song", MIDIData_GetTitle(data.get(), sz, sizeof(sz)));
  EXPECT_STREQ("(c) us", MIDIData_GetCopyright(data.get(), sz, sizeof(sz)));
  EXPECT_STREQ("first", MIDIData_GetComment(data.get(), sz, sizeof(sz)));
  char szName[256];
  EXPECT_STREQ("Song", MIDITrack_GetName(TrackAt(data.get(), 0), szName, 256));
  EXPECT_STREQ("Piano", MIDITrack_GetName(TrackAt(data.get(), 1), szName, 256));
}

TEST(MidiRead, TextsComeFromTheFirstTrackOnly) {
  std::string first = Ev(0, {0x90, 60, 1}) + EndOfTrack();
  std::string second = Meta(0, 0x03, "Late") + Meta(0, 0x02, "C") +
                       Meta(0, 0x01, "T") + EndOfTrack();
  DataPtr data(LoadBytes(Smf(1, 96, {first, second})));
  ASSERT_TRUE(data);
  char sz[64] = "junk";
  EXPECT_STREQ("", MIDIData_GetTitle(data.get(), sz, sizeof(sz)));
  EXPECT_STREQ("", MIDIData_GetCopyright(data.get(), sz, sizeof(sz)));
  EXPECT_STREQ("", MIDIData_GetComment(data.get(), sz, sizeof(sz)));
  EXPECT_STREQ("", MIDITrack_GetName(TrackAt(data.get(), 0), sz, sizeof(sz)));
  EXPECT_STREQ("Late", MIDITrack_GetName(TrackAt(data.get(), 1), sz, sizeof(sz)));
}

TEST(MidiRead, MissingEndOfTrackIsAddedAndBytesAfterItIgnored) {
  std::string noEnd = Ev(0, {0x90, 60, 100}) + Ev(30, {0x80, 60, 0});
  std::string junkAfterEnd = Ev(0, {0xC0, 1}) + EndOfTrack(7) + Bytes({0x90, 0x99, 0xFF, 0xFF});
  std::string empty;
  DataPtr data(LoadBytes(Smf(1, 96, {noEnd, junkAfterEnd, empty})));
  ASSERT_TRUE(data);
  EXPECT_EQ(V({"0 90 60 100", "30 80 60 0", "30 EOT"}), Events(TrackAt(data.get(), 0)));
  EXPECT_EQ(V({"0 C0 1 -1", "7 EOT"}), Events(TrackAt(data.get(), 1)));
  EXPECT_EQ(V({"0 EOT"}), Events(TrackAt(data.get(), 2)));
}

TEST(MidiRead, FormatsAndDivisions) {
  std::string track = Ev(0, {0x90, 60, 1}) + EndOfTrack();
  for (int format : {0, 1, 2}) {
    DataPtr data(LoadBytes(Smf(format, 480, {track})));
    ASSERT_TRUE(data) << format;
    EXPECT_EQ(format, MIDIData_GetFormat(data.get()));
  }
  struct {
    int division;
    long mode, resolution;
  } cases[] = {{0xE728, 25, 40}, {0xE250, 30, 80}, {0xE302, 29, 2},
               {0xE801, 24, 1}, {0x7FFF, 0, 0x7FFF}, {1, 0, 1}};
  for (const auto& c : cases) {
    DataPtr data(LoadBytes(Smf(1, c.division, {track})));
    ASSERT_TRUE(data) << std::hex << c.division;
    EXPECT_EQ(c.mode, MIDIData_GetTimeMode(data.get())) << std::hex << c.division;
    EXPECT_EQ(c.resolution, MIDIData_GetTimeResolution(data.get()));
  }
}

}  // namespace
