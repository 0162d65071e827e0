// Reading Standard MIDI Files: what loads, what it holds, and what is
// refused.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "midilib/MIDIData.h"
#include "tests/midi_test_util.h"

using namespace miditest;

namespace {

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

// The latest time a file may hold, 2^31 - 1 ticks, loads (one tick more
// is refused: below).
TEST(MidiRead, EventAtTheLatestTickLoads) {
  std::string t = Vlq(0x0FFFFFFF) + Bytes({0x90, 1, 1});
  for (int i = 0; i < 7; ++i) t += Vlq(0x0FFFFFFF) + Bytes({1, 1});
  t += Vlq(7) + Bytes({1, 0}) + EndOfTrack();
  DataPtr data(LoadBytes(Smf(1, 96, {t})));
  ASSERT_TRUE(data);
  std::vector<std::string> events = Events(TrackAt(data.get(), 0));
  ASSERT_EQ(10u, events.size());
  EXPECT_EQ("2147483647 90 1 0", events[8]);
  EXPECT_EQ("2147483647 EOT", events[9]);
}

// A small valid file all the broken ones below start from.
std::string GoodTrack() {
  return Meta(0, 0x03, "T") + Ev(0, {0x90, 60, 100}) + Ev(10, {0x80, 60, 0}) +
         Ev(0, {0xF0, 2, 0x01, 0xF7}) + EndOfTrack();
}

TEST(MidiRead, UnreadableFilesGiveNull) {
  EXPECT_EQ(nullptr, MIDIData_LoadFromSMF("/nonexistent/dir/file.mid"));
  EXPECT_EQ(nullptr, MIDIData_LoadFromSMF("/tmp"));  // a folder
  EXPECT_EQ(nullptr, MIDIData_LoadFromSMF(nullptr));
  // A FIFO: midi_data_read_posix_test.cc.
  std::string header = Header(1, 1, 96);
  struct {
    const char* what;
    std::string bytes;
  } cases[] = {
      {"empty", ""},
      {"no MThd", "MTrd" + header.substr(4) + Chunk("MTrk", GoodTrack())},
      {"junk before MThd", "x" + Smf(1, 96, {GoodTrack()})},
      {"header too short", Chunk("MThd", Bytes({0, 1, 0, 1, 0})) + Chunk("MTrk", GoodTrack())},
      {"header past the end", Chunk("MThd", Bytes({0, 1, 0, 1, 0, 96}), 100)},
      {"format 3", Smf(3, 96, {GoodTrack()})},
      {"SMPTE -27", Smf(1, 0xE50A, {GoodTrack()})},
      {"no track", header},
      {"only other chunks", header + Chunk("XFIH", "abc")},
      {"cut in an event", Smf(1, 96, {Ev(0, {0x90, 60})})},
      {"delta without event", Smf(1, 96, {Ev(0, {0x90, 60, 1}) + Vlq(5)})},
      {"VLQ of 5 bytes", Smf(1, 96, {Vlq(0, 5) + Bytes({0x90, 60, 1}) + EndOfTrack()})},
      {"VLQ cut", Smf(1, 96, {Bytes({0x81, 0x80})})},
      {"meta length past chunk", Smf(1, 96, {Vlq(0) + Bytes({0xFF, 0x01, 10, 'a'}) + Ev(0, {0x90, 1, 1})})},
      {"meta length VLQ too long", Smf(1, 96, {Vlq(0) + Bytes({0xFF, 0x01}) + Vlq(1, 5) + "a"})},
      {"meta type missing", Smf(1, 96, {Vlq(0) + Bytes({0xFF})})},
      {"SysEx past chunk", Smf(1, 96, {Ev(0, {0xF0, 5, 1, 2}) + EndOfTrack()})},
      {"F7 past chunk", Smf(1, 96, {Ev(0, {0xF7, 0x81, 0x00, 1})})},
      {"data byte first", Smf(1, 96, {Ev(0, {60, 100}) + EndOfTrack()})},
      {"data byte after SysEx only", Smf(1, 96, {Ev(0, {0xF0, 1, 0xF7}) + Ev(0, {60, 100})})},
      {"status in data", Smf(1, 96, {Ev(0, {0x90, 60, 0x80}) + EndOfTrack()})},
      {"status in program", Smf(1, 96, {Ev(0, {0xC0, 0x90}) + EndOfTrack()})},
      {"real-time byte", Smf(1, 96, {Ev(0, {0xF8}) + EndOfTrack()})},
      {"song position", Smf(1, 96, {Ev(0, {0xF2, 0, 0}) + EndOfTrack()})},
      {"time past 2^31-1", Smf(1, 96, {Vlq(0x0FFFFFFF) + Bytes({0x90, 1, 1}) +
                                       Vlq(0x0FFFFFFF) + Bytes({1, 1}) +
                                       Vlq(0x0FFFFFFF) + Bytes({1, 1}) +
                                       Vlq(0x0FFFFFFF) + Bytes({1, 1}) +
                                       Vlq(0x0FFFFFFF) + Bytes({1, 1}) +
                                       Vlq(0x0FFFFFFF) + Bytes({1, 1}) +
                                       Vlq(0x0FFFFFFF) + Bytes({1, 1}) +
                                       Vlq(0x0FFFFFFF) + Bytes({1, 1}) +
                                       Vlq(8) + Bytes({1, 1}) + EndOfTrack()})},
      {"second track broken", Smf(1, 96, {GoodTrack(), Ev(0, {0x90})})},
      {"RMID without data", "RIFF" + LE32(12) + "RMIDLIST" + LE32(0)},
      {"RMID data not SMF", "RIFF" + LE32(16) + "RMIDdata" + LE32(4) + "abcd"},
  };
  for (const auto& c : cases) {
    MIDIData* p = LoadBytes(c.bytes);
    EXPECT_EQ(nullptr, p) << c.what;
    MIDIData_Delete(p);
  }
}

// Every cut of a valid file either loads whole events or gives null; it
// never reads past the cut (the sanitizers check that).
TEST(MidiRead, EveryTruncationIsSafe) {
  std::string file = Smf(1, 96, {GoodTrack(), Meta(0, 0x51, Bytes({7, 0xA1, 0x20})) +
                                                  Ev(5, {0xB0, 64, 127}) + EndOfTrack(3)});
  for (size_t n = 0; n < file.size(); n++) {
    DataPtr data(LoadBytes(file.substr(0, n)));
    if (n < 14 + 8) {
      EXPECT_FALSE(data) << n;
    }
    if (data) {
      // Whatever loaded ends with an end-of-track event in every track.
      for (MIDITrack* t = MIDIData_GetFirstTrack(data.get()); t; t = MIDITrack_GetNextTrack(t)) {
        EXPECT_NE(0, MIDIEvent_IsEndofTrack(MIDITrack_GetLastEvent(t))) << n;
      }
    }
  }
  DataPtr whole(LoadBytes(file));
  ASSERT_TRUE(whole);
  EXPECT_EQ(2, MIDIData_GetNumTrack(whole.get()));
}

TEST(MidiRead, ToleratedDamage) {
  // A header longer than 6 bytes is skipped to its length.
  std::string longHeader = Chunk("MThd", Bytes({0, 1, 0, 1, 0, 96, 0xAA, 0xBB})) +
                           Chunk("MTrk", GoodTrack());
  DataPtr a(LoadBytes(longHeader));
  ASSERT_TRUE(a);
  EXPECT_EQ(96, MIDIData_GetTimeResolution(a.get()));
  EXPECT_EQ(5, MIDITrack_GetNumEvent(MIDIData_GetFirstTrack(a.get())));

  // The header's track count is not used: the chunks found count; other
  // chunks and a short tail are skipped.
  std::string counted = Header(1, 5, 96) + Chunk("MTrk", GoodTrack()) +
                        Chunk("XYZW", "junk") + Chunk("MTrk", GoodTrack()) + "abc";
  DataPtr b(LoadBytes(counted));
  ASSERT_TRUE(b);
  EXPECT_EQ(2, MIDIData_GetNumTrack(b.get()));
  std::string fewer = Header(1, 1, 96) + Chunk("MTrk", GoodTrack()) + Chunk("MTrk", GoodTrack());
  DataPtr c(LoadBytes(fewer));
  ASSERT_TRUE(c);
  EXPECT_EQ(2, MIDIData_GetNumTrack(c.get()));

  // A track chunk running past the end of the file, its events whole.
  std::string body = Ev(0, {0x90, 60, 100}) + Ev(10, {0x80, 60, 0});
  DataPtr d(LoadBytes(Header(0, 1, 96) + Chunk("MTrk", body, 1000)));
  ASSERT_TRUE(d);
  EXPECT_EQ(V({"0 90 60 100", "10 80 60 0", "10 EOT"}), Events(MIDIData_GetFirstTrack(d.get())));
  // ... but not cut inside an event.
  MIDIData* e = LoadBytes(Header(0, 1, 96) + Chunk("MTrk", body.substr(0, 5), 1000));
  EXPECT_EQ(nullptr, e);
  MIDIData_Delete(e);

  // A division of 0 loads; its time base can't be converted.
  DataPtr f(LoadBytes(Smf(1, 0, {GoodTrack()})));
  ASSERT_TRUE(f);
  EXPECT_EQ(0, MIDIData_SetTimeBase(f.get(), 30, 1));
  EXPECT_EQ(0, MIDIData_GetTimeMode(f.get()));
}

TEST(MidiRead, RunningStatusCarriesAcrossMetaEvents) {
  std::string t = Ev(0, {0xB3, 64, 127}) + Meta(0, 0x06, "mark") + Ev(4, {64, 0}) +
                  Meta(0, 0x51, Bytes({7, 0xA1, 0x20})) + Ev(4, {7, 100}) +
                  Ev(0, {0xD3, 5}) + Meta(0, 0x01, "x") + Ev(1, {6}) + EndOfTrack();
  DataPtr data(LoadBytes(Smf(1, 96, {t})));
  ASSERT_TRUE(data);
  EXPECT_EQ(V({"0 B3 64 127", "0 06", "4 B3 64 0", "4 Tempo 500000", "8 B3 7 100",
               "8 D3 5 -1", "8 01", "9 D3 6 -1", "9 EOT"}),
            Events(MIDIData_GetFirstTrack(data.get())));
}

TEST(MidiRead, RmidContainer) {
  std::string smf = Smf(1, 96, {GoodTrack()});
  std::string list = "LIST" + LE32(5) + "INFOx" + std::string(1, '\0');  // odd size, padded
  std::string riff = "RMID" + list + "data" + LE32(static_cast<uint32_t>(smf.size())) + smf;
  DataPtr data(LoadBytes("RIFF" + LE32(static_cast<uint32_t>(riff.size())) + riff));
  ASSERT_TRUE(data);
  EXPECT_EQ(V({"0 03", "0 90 60 100", "10 80 60 0", "10 F0", "10 EOT"}),
            Events(MIDIData_GetFirstTrack(data.get())));
  // Bytes after the SMF inside the data chunk's length are not read.
  std::string cut = "RMID" + std::string("data") + LE32(static_cast<uint32_t>(smf.size() - 1)) + smf;
  MIDIData* p = LoadBytes("RIFF" + LE32(static_cast<uint32_t>(cut.size())) + cut);
  EXPECT_EQ(nullptr, p);  // the end-of-track event is cut in the middle
  MIDIData_Delete(p);
}

TEST(MidiRead, SmpteFileConvertsByItsFrameRate) {
  // 25 fps, 40 ticks per frame: tick 1000 = 1 s. Tempo events don't count.
  std::string t = Meta(0, 0x51, Bytes({0x0F, 0x42, 0x40})) + Ev(0, {0x90, 60, 1}) +
                  Ev(1000, {0x80, 60, 0}) + Ev(20, {0x90, 61, 1}) + Ev(20, {0x80, 61, 0}) +
                  EndOfTrack();
  DataPtr data(LoadBytes(Smf(1, 0xE728, {t})));
  ASSERT_TRUE(data);
  ASSERT_NE(0, MIDIData_SetTimeBase(data.get(), 30, 1));
  // 1 s -> 30; 1020 ticks = 1.02 s = 30.6 -> 31; 1040 = 1.04 s = 31.2 -> 31.
  EXPECT_EQ(V({"0 Tempo 1000000", "0 90 60 1", "30 80 60 0", "31 90 61 1", "31 80 61 0",
               "31 EOT"}),
            Events(MIDIData_GetFirstTrack(data.get())));

  // 29.97 drop-frame, 1 tick per frame: 30000 frames last 1001 s = 30030
  // frames of 1/30 s.
  std::string u = Ev(0, {0x90, 60, 1}) + Vlq(30000) + Bytes({0x80, 60, 0}) + EndOfTrack();
  DataPtr df(LoadBytes(Smf(1, 0xE301, {u})));
  ASSERT_TRUE(df);
  ASSERT_NE(0, MIDIData_SetTimeBase(df.get(), 30, 1));
  EXPECT_EQ(V({"0 90 60 1", "30030 80 60 0", "30030 EOT"}),
            Events(MIDIData_GetFirstTrack(df.get())));
}

TEST(MidiRead, FormatZeroWithSeveralTracksIsMergedBeforeSplitting) {
  std::string a = Meta(0, 0x03, "A") + Ev(0, {0x90, 60, 1}) + Ev(20, {0x80, 60, 0}) + EndOfTrack(5);
  std::string b = Ev(10, {0x91, 61, 1}) + Ev(10, {0x81, 61, 0}) + EndOfTrack(40);
  DataPtr data(LoadBytes(Smf(0, 96, {a, b})));
  ASSERT_TRUE(data);
  EXPECT_EQ(2, MIDIData_GetNumTrack(data.get()));
  ASSERT_NE(0, MIDIData_SetFormat(data.get(), 1));
  ASSERT_EQ(17, MIDIData_GetNumTrack(data.get()));
  EXPECT_EQ(V({"0 03", "60 EOT"}), Events(TrackAt(data.get(), 0)));
  EXPECT_EQ(V({"0 90 60 1", "20 80 60 0", "60 EOT"}), Events(TrackAt(data.get(), 1)));
  EXPECT_EQ(V({"10 91 61 1", "20 81 61 0", "60 EOT"}), Events(TrackAt(data.get(), 2)));
  MIDIEvent* on = MIDITrack_GetFirstEvent(TrackAt(data.get(), 2));
  EXPECT_NE(0, MIDIEvent_Combine(on));
  EXPECT_EQ(MIDIEvent_GetNextEvent(on), MIDIEvent_GetCombinedEvent(on));
}

// Any one byte of a valid file changed to a telling value: the file loads
// whole or is refused, and what loads is well formed.
TEST(MidiRead, EveryCorruptedByteIsSafe) {
  std::string file = Smf(0, 96, {Meta(0, 0x03, "ab") + Ev(0, {0x90, 60, 100}) +
                                 Ev(0x81, {0xF0, 2, 1, 0xF7}) + Ev(3, {60, 0}) +
                                 Meta(0, 0x51, Bytes({7, 0xA1, 0x20})) + EndOfTrack(2)});
  int nLoaded = 0;
  for (size_t i = 0; i < file.size(); i++) {
    for (int value : {0x00, 0x01, 0x7F, 0x80, 0x81, 0xF7, 0xFF}) {
      std::string bad = file;
      bad[i] = static_cast<char>(value);
      DataPtr data(LoadBytes(bad));
      if (!data) continue;
      nLoaded++;
      long nTracks = 0;
      for (MIDITrack* t = MIDIData_GetFirstTrack(data.get()); t; t = MIDITrack_GetNextTrack(t)) {
        nTracks++;
        long n = 0;
        MIDIEvent* pLast = nullptr;
        for (MIDIEvent* e = MIDITrack_GetFirstEvent(t); e; e = MIDIEvent_GetNextEvent(e)) {
          n++;
          pLast = e;
        }
        EXPECT_EQ(n, MIDITrack_GetNumEvent(t)) << i << " " << value;
        EXPECT_NE(0, MIDIEvent_IsEndofTrack(pLast)) << i << " " << value;
      }
      EXPECT_EQ(nTracks, MIDIData_GetNumTrack(data.get()));
      if (MIDIData_GetFormat(data.get()) == 0) {
        EXPECT_NE(0, MIDIData_SetFormat(data.get(), 1)) << i << " " << value;
      }
    }
  }
  EXPECT_GT(nLoaded, 0);
}

// MIDIData_CheckSMF says in words what the reader makes of a file: it
// agrees with MIDIData_LoadFromSMF on every cut and every corrupted byte of
// a file, names the track a short file ends in, and gives the system's
// reason for a file that can't be read.
TEST(MidiRead, CheckSaysWhatTheReaderMakesOfAFile) {
  auto check = [](const std::string& path, std::string* pText, long lLen = 256) {
    std::vector<char> text(static_cast<size_t>(lLen > 0 ? lLen : 1), 'x');
    long n = MIDIData_CheckSMF(path.c_str(), text.data(), lLen);
    *pText = lLen > 0 ? text.data() : "";
    return n;
  };
  // Agreement with the loader, and a damaged file only when it loads.
  auto agrees = [&](const std::string& bytes, const std::string& label) {
    TempFile file(bytes);
    DataPtr data(MIDIData_LoadFromSMF(file.Path().c_str()));
    std::string text;
    long n = check(file.Path(), &text);
    if (data) {
      EXPECT_TRUE(n == MIDIDATA_CHECK_WHOLE || n == MIDIDATA_CHECK_DAMAGED) << label << text;
    } else {
      EXPECT_EQ(MIDIDATA_CHECK_UNREADABLE, n) << label << " " << text;
      EXPECT_NE("", text) << label;
    }
    return std::make_pair(n, text);
  };
  std::string track = Ev(0, {0x90, 60, 64}) + Ev(96, {0x80, 60, 64}) + EndOfTrack();
  std::string six = Smf(1, 480, {track, track, track, track, track, track});
  ASSERT_EQ(14u + 6 * 20, six.size());
  for (size_t n = 0; n <= six.size(); n++) agrees(six.substr(0, n), "cut at " + std::to_string(n));
  EXPECT_EQ(std::make_pair(long{MIDIDATA_CHECK_WHOLE}, std::string()), agrees(six, "whole"));
  // Inside track 3 after its first event: loads, with two tracks and a bit.
  EXPECT_EQ(std::make_pair(long{MIDIDATA_CHECK_DAMAGED},
                           std::string("ends inside track 3 of 6 (4 of its 12 bytes); tracks 4 "
                                       "to 6 are missing")),
            agrees(six.substr(0, 14 + 40 + 8 + 4), "event boundary"));
  EXPECT_EQ(std::make_pair(long{MIDIDATA_CHECK_UNREADABLE},
                           std::string("ends inside track 3 of 6 (6 of its 12 bytes)")),
            agrees(six.substr(0, 14 + 40 + 8 + 6), "inside an event"));
  EXPECT_EQ(std::make_pair(long{MIDIDATA_CHECK_DAMAGED},
                           std::string("ends inside track 5 of 6 (its chunk header); 4 tracks read")),
            agrees(six.substr(0, 14 + 80 + 3), "chunk header"));
  EXPECT_EQ(std::make_pair(long{MIDIDATA_CHECK_DAMAGED},
                           std::string("ends inside track 6 of 6 (4 of its 12 bytes)")),
            agrees(six.substr(0, 14 + 100 + 8 + 4), "last track"));
  EXPECT_EQ(std::make_pair(long{MIDIDATA_CHECK_DAMAGED},
                           std::string("holds 6 tracks where its header announces 7")),
            agrees(six.substr(0, 10) + Bytes({0, 7}) + six.substr(12), "count"));
  EXPECT_EQ(std::make_pair(long{MIDIDATA_CHECK_DAMAGED},
                           std::string("holds 6 tracks where its header announces 5")),
            agrees(six.substr(0, 10) + Bytes({0, 5}) + six.substr(12), "more tracks"));
  EXPECT_EQ(std::make_pair(long{MIDIDATA_CHECK_UNREADABLE}, std::string("not a MIDI file")),
            agrees("RIFF....WAVEfmt ", "wave"));
  // What is wrong with a wrapper, a header or a chunk, each in its words.
  const std::pair<std::string, std::string> refusals[] = {
      {"", "empty file"},
      {"RIFF" + LE32(12) + "RMIDLIST" + LE32(0), "a RIFF file with no MIDI data chunk"},
      {six.substr(0, 6), "ends inside its header"},
      {six.substr(0, 13), "ends inside its header"},
      {Chunk("MThd", Bytes({0, 1, 0, 1, 0})) + Chunk("MTrk", track), "its header is too short"},
      {Smf(3, 96, {track}), "unknown format 3"},
      {Smf(1, 0xE50A, {track}), "unknown frame rate 27"},
      {Smf(1, 96, {Vlq(0) + Bytes({0xFF, 0x01, 10, 'a'})}),
       "track 1 of 1: an event runs past the end of its chunk"},
      {Smf(1, 96, {Bytes({0x81})}), "track 1 of 1: an event runs past the end of its chunk"},
      {Smf(1, 96, {Vlq(0, 5) + EndOfTrack()}), "track 1 of 1: unreadable event at byte 22"},
  };
  for (const auto& [bytes, words] : refusals) {
    EXPECT_EQ(std::make_pair(long{MIDIDATA_CHECK_UNREADABLE}, words), agrees(bytes, words));
  }
  EXPECT_EQ(std::make_pair(long{MIDIDATA_CHECK_UNREADABLE},
                           std::string("track 2 of 2: unreadable event at byte 42")),
            agrees(Smf(1, 96, {track, Ev(0, {0x90, 60, 0x80}) + EndOfTrack()}), "status"));
  // A whole load answers the next check of that file, but not once the file
  // has changed or gone.
  {
    TempFile file(six);
    DataPtr data(MIDIData_LoadFromSMF(file.Path().c_str()));
    ASSERT_TRUE(data);
    std::ofstream(file.Path(), std::ios::binary | std::ios::trunc) << six.substr(0, 14 + 40 + 8 + 4);
    std::string text;
    EXPECT_EQ(MIDIDATA_CHECK_DAMAGED, check(file.Path(), &text)) << text;
    DataPtr again(MIDIData_LoadFromSMF(file.Path().c_str()));
    std::ofstream(file.Path(), std::ios::binary | std::ios::trunc) << six;
    data.reset(MIDIData_LoadFromSMF(file.Path().c_str()));
    EXPECT_EQ(MIDIDATA_CHECK_WHOLE, check(file.Path(), &text));
    unlink(file.Path().c_str());
    EXPECT_EQ(MIDIDATA_CHECK_CANNOTREAD, check(file.Path(), &text));
  }
  for (size_t i = 0; i < six.size(); i++) {
    for (int value : {0x00, 0x01, 0x7F, 0x80, 0x81, 0xF0, 0xF7, 0xFF}) {
      std::string bad = six;
      bad[i] = static_cast<char>(value);
      agrees(bad, "byte " + std::to_string(i) + " = " + std::to_string(value));
    }
  }

  // Files that can't be read: the system's reason.
  std::string text;
  EXPECT_EQ(MIDIDATA_CHECK_CANNOTREAD, check("/nonexistent/dir/file.mid", &text));
  EXPECT_EQ("No such file or directory", text);
  EXPECT_EQ(MIDIDATA_CHECK_CANNOTREAD, check("/tmp", &text));
  EXPECT_EQ("Is a directory", text);
  // A FIFO: midi_data_read_posix_test.cc.
  // The text is cut to the buffer, always terminated; no buffer is fine.
  EXPECT_EQ(MIDIDATA_CHECK_CANNOTREAD, check("/tmp", &text, 4));
  EXPECT_EQ("Is ", text);
  EXPECT_EQ(MIDIDATA_CHECK_CANNOTREAD, MIDIData_CheckSMF("/tmp", nullptr, 0));
}

}  // namespace
