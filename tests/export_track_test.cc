// The export command's report for each result of the writer, and the
// export of several tracks merged into one motion in "midi>".
#include <algorithm>
#include <filesystem>
#include <map>
#include <tuple>

#include "bench/midi_gen.h"
#include "commands/command_processor.h"
#include "motion/bone_key_frame.h"
#include "tests/command_test_util.h"
#include "tests/motion_test_util.h"

namespace {

class ExportTrackTest : public MidiCommandTest {
 protected:

  // A piece at 1 tick per quarter note (15 frames at the default tempo):
  // a conductor track, the right hand (keys 72 and 60), the left hand on
  // channel 2 (keys 48 and 60, and the sustain pedal) and drums on channel
  // 10. The right hand releases key 60 at the tick the left hand presses it.
  void OpenTwoHands() {
    std::string path = WriteFile("hands.mid", SmfBuilder(1, 1)
                                                  .Track()
                                                  .Meta(0, 0x03, "Conductor")
                                                  .EndOfTrack()
                                                  .Track()
                                                  .Meta(0, 0x03, "Right")
                                                  .Event(1, {0x90, 72, 80})
                                                  .Event(1, {0x80, 72, 0})
                                                  .Event(0, {0x90, 60, 80})
                                                  .Event(1, {0x80, 60, 0})
                                                  .EndOfTrack()
                                                  .Track()
                                                  .Meta(0, 0x03, "Left")
                                                  .Event(0, {0xB1, 64, 127})
                                                  .Event(1, {0x91, 48, 60})
                                                  .Event(2, {0x81, 48, 0})
                                                  .Event(0, {0x91, 60, 60})
                                                  .Event(1, {0x81, 60, 0})
                                                  .Event(0, {0xB1, 64, 0})
                                                  .EndOfTrack()
                                                  .Track()
                                                  .Event(0, {0x99, 36, 100})
                                                  .Event(1, {0x89, 36, 0})
                                                  .EndOfTrack()
                                                  .Build());
    TypeAll({("Open " + path).c_str()});
    TakeTranscript();
  }

  static std::vector<uint8_t> Bytes(const std::string& path) { return ReadFileBytes(path); }
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
  // Key 60 pushed below the piano's A0 has no bone under {piano}: its note
  // is dropped, and said to be so.
  TypeAll({"Conf", "transpose -40", "keys p{piano}", "tr 0"});
  TakeTranscript();
  Type("export " + out);
  EXPECT_EQ("track>export " + out +
                "\n1 notes without a key bone dropped.\nWrite 74 Byte.\nComplete.\n\n",
            TakeTranscript());
  // A failed export claims nothing about dropped notes.
  TypeAll({"Conf", "keys nt", "transpose -61", "tr 0"});
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

// An empty argument is no number: neither the track command nor a merge
// takes it for track 0.
TEST_F(ExportTrackTest, EmptyNumbersAreNoTracks) {
  OpenTwoHands();
  Type("conv pr");
  TakeTranscript();
  std::string out = TempPath("empty.vmd");
  TypeAll({("export " + out + " \"\"").c_str(), ("export " + out + " 1 \"\"").c_str()});
  EXPECT_EQ("midi>export " + out + " \"\"\ninvalid track number.\nmidi>export " + out +
                " 1 \"\"\ninvalid track number.\n",
            TakeTranscript());
  EXPECT_FALSE(std::filesystem::exists(out));
  TypeAll({"track \"\"", "tr 1", "tr \"\""});
  EXPECT_EQ("midi>track \"\"\ninvalid track number.\nmidi>tr 1\nmove to track 1.\n"
            "track>tr \"\"\ninvalid track number.\n",
            TakeTranscript());
  EXPECT_EQ(nullptr, m_pProcessor->GetMIDITrack());
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

// The tracks the whole piece takes are those "info" marks neither
// "(drums)" nor "(empty)", however far into a track the deciding event
// lies: a pedal alone counts, a pedal beside drum notes doesn't, and a key
// note after drum notes makes a keyboard track.
TEST_F(ExportTrackTest, WholePieceTakesTheTracksInfoDoesNotMark) {
  std::string path = WriteFile("mixed.mid", SmfBuilder(1, 1)
                                                .Track()
                                                .Meta(0, 0x03, "Conductor")
                                                .EndOfTrack()
                                                .Track()
                                                .Event(0, {0xB0, 64, 127})
                                                .Event(1, {0xB0, 64, 0})
                                                .EndOfTrack()
                                                .Track()
                                                .Event(0, {0x99, 36, 100})
                                                .Event(1, {0x89, 36, 0})
                                                .Event(0, {0xB9, 64, 127})
                                                .EndOfTrack()
                                                .Track()
                                                .Event(0, {0x99, 38, 100})
                                                .Event(1, {0x89, 38, 0})
                                                .Event(0, {0x93, 60, 100})
                                                .Event(1, {0x83, 60, 0})
                                                .EndOfTrack()
                                                .Build());
  TypeAll({("Open " + path).c_str(), "conv pr", "info"});
  std::string info = TakeTranscript();
  EXPECT_NE(std::string::npos, info.find("  000  -               0  -     -          0  -\n"
                                            "       Conductor (empty)\n"));
  EXPECT_NE(std::string::npos, info.find("  001  -               0  -     -          2  -         \n"));
  EXPECT_NE(std::string::npos, info.find("  002  10              1  C2    C2         1  drums     (drums)\n"));
  EXPECT_NE(std::string::npos, info.find("  003  4,10            2  D2    C4         0  piano     \n"));
  std::string out = TempPath("mixed.vmd");
  Type("export " + out);
  EXPECT_EQ("midi>export " + out + "\nmerge track 1 3.\nleft out as drums: track 2.\nWrite " +
                std::to_string(54 + 111 * 9) + " Byte.\nComplete.\n\n",
            TakeTranscript());
}

// Without track numbers the whole piece is what a keyboard plays. A
// track's program is the one in effect on its channel at its first note,
// set in any track before it (the organ's comes from the flute's track,
// after the flute's notes, at the tick the organ starts; the changes on
// the piano's channel come too late, one at its tick but from a later
// track); none is the grand piano. The pedal alone goes
// in. When no piano or organ plays, every instrument goes in and a line
// says so (programs 8 and 21 lie just outside the piano family and the
// organs).
TEST_F(ExportTrackTest, WholePieceTakesWhatAKeyboardPlays) {
  std::string path = WriteFile("band.mid", SmfBuilder(1, 1)
                                               .Track()
                                               .Meta(0, 0x03, "Conductor")
                                               .EndOfTrack()
                                               .Track()
                                               .Meta(0, 0x03, "Flute")
                                               .Event(0, {0xC0, 73})
                                               .Event(0, {0x90, 72, 80})
                                               .Event(1, {0x80, 72, 0})
                                               .Event(1, {0xC2, 20})
                                               .EndOfTrack()
                                               .Track()
                                               .Meta(0, 0x03, "Piano")
                                               .Event(1, {0x91, 60, 80})
                                               .Event(1, {0x81, 60, 0})
                                               .Event(0, {0xC1, 73})
                                               .Event(0, {0x91, 62, 80})
                                               .Event(1, {0x81, 62, 0})
                                               .EndOfTrack()
                                               .Track()
                                               .Meta(0, 0x03, "Organ")
                                               .Event(2, {0x92, 48, 80})
                                               .Event(2, {0x82, 48, 0})
                                               .EndOfTrack()
                                               .Track()
                                               .Event(0, {0x99, 36, 100})
                                               .Event(1, {0x89, 36, 0})
                                               .EndOfTrack()
                                               .Track()
                                               .Meta(0, 0x03, "Pedal")
                                               .Event(1, {0xC1, 73})
                                               .Event(0, {0xB0, 64, 127})
                                               .Event(1, {0xB0, 64, 0})
                                               .EndOfTrack()
                                               .Build());
  TypeAll({("Open " + path).c_str(), "conv pr", "info"});
  std::string info = TakeTranscript();
  EXPECT_NE(std::string::npos,
            info.find("track  channels    notes  low   high   pedal  program   name\n"
                      "  000  -               0  -     -          0  -\n"
                      "       Conductor (empty)\n"
                      "  001  1               1  C5    C5         0  flute     Flute\n"
                      "  002  2               2  C4    D4         0  piano     Piano\n"
                      "  003  3               1  C3    C3         0  reedorgn  Organ\n"
                      "  004  10              1  C2    C2         0  drums     (drums)\n"
                      "  005  -               0  -     -          2  -         Pedal\n"))
      << info;
  std::string out = TempPath("band.vmd");
  Type("export " + out);
  std::string said = TakeTranscript();
  EXPECT_EQ(0u, said.find("midi>export " + out +
                          "\nmerge track 2 3 5.\nleft out as drums: track 4.\n"
                          "left out as other instruments: track 1.\nWrite "))
      << said;
  EXPECT_EQ((std::vector<int>{2, 3, 5}), m_pProcessor->GetLastExportTracks());

  path = WriteFile("band.mid", SmfBuilder(1, 1)
                                   .Track()
                                   .Event(0, {0xC0, 8})
                                   .Event(0, {0x90, 72, 80})
                                   .Event(1, {0x80, 72, 0})
                                   .EndOfTrack()
                                   .Track()
                                   .Event(0, {0x99, 36, 100})
                                   .Event(1, {0x89, 36, 0})
                                   .EndOfTrack()
                                   .Track()
                                   .Event(0, {0xC1, 21})
                                   .Event(0, {0x91, 60, 80})
                                   .Event(1, {0x81, 60, 0})
                                   .EndOfTrack()
                                   .Track()
                                   .Event(0, {0xB0, 64, 127})
                                   .EndOfTrack()
                                   .Build());
  TypeAll({("Open " + path).c_str(), "conv pr"});
  TakeTranscript();
  Type("export " + out);
  said = TakeTranscript();
  EXPECT_EQ(0u, said.find("midi>export " + out +
                          "\nno piano or organ track: every instrument goes in.\n"
                          "merge track 0 2 3.\nleft out as drums: track 1.\nWrite "))
      << said;
  EXPECT_EQ((std::vector<int>{0, 2, 3}), m_pProcessor->GetLastExportTracks());
}

// The hands merged: every keyframe of both tracks, each bone's in time
// order and, at one time, the right hand's (track 1) before the left
// hand's; the pedal comes from the left hand; the drums stay out unless
// named. Bad numbers write nothing, and the export needs the conversion.
TEST_F(ExportTrackTest, MergedExportIsTheUnionOfTheTracksInTimeOrder) {
  OpenTwoHands();
  std::string out = TempPath("whole.vmd");
  Type("export " + out);
  EXPECT_EQ("midi>export " + out + "\nfile not ready.\n", TakeTranscript());
  EXPECT_FALSE(std::filesystem::exists(out));
  Type("conv pr");
  TakeTranscript();

  Type("export " + out);
  EXPECT_EQ("midi>export " + out +
                "\nmerge track 1 2.\nleft out as drums: track 3.\nWrite 2052 Byte."
                "\nComplete.\n\n",
            TakeTranscript());
  const float fDown = -0.0199986007f, fDownW = 0.999799013f;
  Quaternion pedal = PoseRotation(BoneKeyFrame::Pedal, 127);
  ExpectedVmd expected(18);
  expected.Record("nt048", 14, 0, 1).Record("nt048", 15, fDown, fDownW);
  expected.Record("nt048", 44, fDown, fDownW).Record("nt048", 45, 0, 1);
  expected.Record("nt060", 29, 0, 1).Record("nt060", 30, fDown, fDownW);  // right
  expected.Record("nt060", 44, fDown, fDownW).Record("nt060", 45, 0, 1);  // right
  expected.Record("nt060", 44, 0, 1).Record("nt060", 45, fDown, fDownW);  // left
  expected.Record("nt060", 59, fDown, fDownW).Record("nt060", 60, 0, 1);  // left
  expected.Record("nt072", 14, 0, 1).Record("nt072", 15, fDown, fDownW);
  expected.Record("nt072", 29, fDown, fDownW).Record("nt072", 30, 0, 1);
  expected.Record("cc064", 0, pedal.m_fX, pedal.m_fW).Record("cc064", 60, 0, 1);
  EXPECT_EQ(expected.GetBytes(), Bytes(out));
  EXPECT_EQ(2052, m_pProcessor->GetLastExportSize());
  EXPECT_EQ(18u, m_pProcessor->GetLastExportKeyFrameCount());
  EXPECT_EQ((std::vector<int>{1, 2}), m_pProcessor->GetLastExportTracks());

  // Named in any order, the hands give the same motion; named, the drums
  // go in (key 36 pressed at frame 0 and released at 15: 3 keyframes).
  std::string named = TempPath("named.vmd");
  Type("ex " + named + " 2 1");
  EXPECT_EQ("midi>ex " + named + " 2 1\nmerge track 1 2.\nWrite 2052 Byte.\nComplete.\n\n",
            TakeTranscript());
  EXPECT_EQ(expected.GetBytes(), Bytes(named));
  Type("export " + named + " 3 2 1 0");
  EXPECT_EQ("midi>export " + named +
                " 3 2 1 0\nmerge track 0 1 2 3.\nWrite 2385 Byte.\nComplete.\n\n",
            TakeTranscript());
  EXPECT_EQ((std::vector<int>{0, 1, 2, 3}), m_pProcessor->GetLastExportTracks());

  // A repeated, missing or foreign number: nothing written, nothing kept.
  std::filesystem::remove(named);
  for (const char* pszTracks : {" 1 1", " 4", " 1 x", " -1", " 2 1 2"}) {
    Type("export " + named + pszTracks);
    EXPECT_EQ("midi>export " + named + pszTracks + "\ninvalid track number.\n",
              TakeTranscript());
    EXPECT_FALSE(std::filesystem::exists(named)) << pszTracks;
    EXPECT_EQ(0, m_pProcessor->GetLastExportSize());
    EXPECT_TRUE(m_pProcessor->GetLastExportTracks().empty());
  }
  EXPECT_EQ("midi>", Prompt());
}

// Three tracks whose notes share keys and times merge into the motion of
// one track holding all their events: in time order, and at one time the
// events of the lower track first, each track's own in their order.
TEST_F(ExportTrackTest, MergedExportIsTheExportOfOneTrackHoldingEveryEvent) {
  struct Timed {
    uint32_t nTime;
    int nTrack;
    int nIndex;  // within its track
    std::vector<uint8_t> bytes;
  };
  std::vector<Timed> all;
  uint32_t nSeed = 7;
  auto random = [&nSeed](uint32_t n) {
    nSeed = nSeed * 1103515245u + 12345u;
    return (nSeed >> 16) % n;
  };
  for (int nTrack = 0; nTrack < 3; ++nTrack) {
    std::vector<Timed> track;
    for (int i = 0; i < 40; ++i) {
      uint32_t nStart = random(60), nKey = 60 + random(5);
      auto nChannel = static_cast<uint8_t>(nTrack);
      track.push_back({nStart, nTrack, 0, {static_cast<uint8_t>(0x90 | nChannel),
                                           static_cast<uint8_t>(nKey), 90}});
      track.push_back({nStart + 1 + random(6), nTrack, 0,
                       {static_cast<uint8_t>(0x80 | nChannel), static_cast<uint8_t>(nKey), 0}});
      if (nTrack > 0 && i % 4 == 0) {
        track.push_back({random(60), nTrack, 0,
                         {static_cast<uint8_t>(0xB0 | nChannel), 64,
                          static_cast<uint8_t>(random(128))}});
      }
    }
    std::stable_sort(track.begin(), track.end(),
                     [](const Timed& a, const Timed& b) { return a.nTime < b.nTime; });
    for (size_t i = 0; i < track.size(); ++i) track[i].nIndex = static_cast<int>(i);
    all.insert(all.end(), track.begin(), track.end());
  }
  SmfBuilder split(1, 1), whole(1, 1);
  whole.Track();
  for (int nTrack = 0; nTrack < 3; ++nTrack) {
    split.Track();
    uint32_t nNow = 0;
    for (const Timed& event : all) {
      if (event.nTrack != nTrack) continue;
      split.Event(event.nTime - nNow, {event.bytes[0], event.bytes[1], event.bytes[2]});
      nNow = event.nTime;
    }
    split.EndOfTrack();
  }
  std::sort(all.begin(), all.end(), [](const Timed& a, const Timed& b) {
    return std::tie(a.nTime, a.nTrack, a.nIndex) < std::tie(b.nTime, b.nTrack, b.nIndex);
  });
  uint32_t nNow = 0;
  for (const Timed& event : all) {
    whole.Event(event.nTime - nNow, {event.bytes[0], event.bytes[1], event.bytes[2]});
    nNow = event.nTime;
  }
  whole.EndOfTrack();

  std::string single = TempPath("single.vmd"), merged = TempPath("merged.vmd");
  TypeAll({("Open " + WriteFile("whole.mid", whole.Build())).c_str(), "conv pr", "tr 0",
           ("export " + single).c_str()});
  TypeAll({("Open " + WriteFile("split.mid", split.Build())).c_str(), "conv pr",
           ("export " + merged).c_str()});
  EXPECT_NE(std::string::npos, TakeTranscript().find("\nmerge track 0 1 2.\nWrite "));
  // Two keyframes per note event (one for a press at frame 0), one per
  // pedal change: nothing of any track is lost.
  size_t nAtZero = std::count_if(all.begin(), all.end(), [](const Timed& event) {
    return event.nTime == 0 && (event.bytes[0] & 0xF0) == 0x90;
  });
  std::vector<uint8_t> bytes = Bytes(single);
  EXPECT_EQ(54u + 111u * (3 * 40 * 4 + 2 * 10 - nAtZero), bytes.size());
  EXPECT_EQ(bytes, Bytes(merged));
}

// Merging one track is the export of that track in "track>", byte for
// byte, for every track of the file and with the settings applied.
TEST_F(ExportTrackTest, MergingOneTrackWritesTheTrackExport) {
  OpenTwoHands();
  TypeAll({"conv pr", "Conf", "layout full", "keys k_", "transpose -40", "model m"});
  std::string single = TempPath("single.vmd"), merged = TempPath("merged.vmd");
  for (int nTrack = 0; nTrack < 4; ++nTrack) {
    std::string number = std::to_string(nTrack);
    TypeAll({("tr " + number).c_str()});
    TakeTranscript();
    Type("export " + single);
    std::string report = TakeTranscript().substr(("track>export " + single).size());
    // The drums' key 36 goes below key 0: the report says so either way.
    EXPECT_EQ(nTrack == 3, report.find("\n1 notes outside 0..127 dropped.\n") == 0) << report;
    Type("mi");
    TakeTranscript();
    Type("export " + merged + " " + number);
    EXPECT_EQ(Bytes(single), Bytes(merged)) << nTrack;
    EXPECT_EQ("midi>export " + merged + " " + number + "\nmerge track " + number + "." + report,
              TakeTranscript());
  }
  // A file of no track with notes merges nothing and writes nothing.
  std::string path = WriteFile("quiet.mid",
                               SmfBuilder(1, 1).Track().Meta(0, 0x03, "Tempo").EndOfTrack().Build());
  TypeAll({("Open " + path).c_str(), "conv pr"});
  TakeTranscript();
  std::filesystem::remove(merged);
  Type("export " + merged);
  EXPECT_EQ("midi>export " + merged + "\nno track to merge.\n\n", TakeTranscript());
  EXPECT_FALSE(std::filesystem::exists(merged));
}

// With motion steps, two tracks on one key make one key: it is down while
// either holds it. A press while the other track holds the key and a
// release while the other still holds it change nothing, nor does a
// release of a silent key; a key released on one track and pressed on the
// other at one tick gets a frame up between.
TEST_F(ExportTrackTest, StepsMergeTwoTracksOnOneKey) {
  // 1 tick a quarter note: 15 frames.
  std::string path = WriteFile("keys.mid", SmfBuilder(1, 1)
                                               .Track()
                                               .Event(0, {0x90, 60, 100})
                                               .Event(0, {0x90, 62, 100})
                                               .Event(2, {0x80, 62, 0})
                                               .Event(2, {0x80, 60, 0})
                                               .Event(2, {0x90, 60, 100})
                                               .Event(2, {0x80, 60, 0})
                                               .EndOfTrack()
                                               .Track()
                                               .Event(1, {0x91, 60, 100})
                                               .Event(1, {0x81, 60, 0})
                                               .Event(0, {0x91, 62, 100})
                                               .Event(1, {0x81, 62, 0})
                                               .Event(2, {0x91, 60, 100})
                                               .Event(2, {0x81, 60, 0})
                                               .Event(3, {0x81, 60, 0})
                                               .EndOfTrack()
                                               .Build());
  std::string out = TempPath("keys.vmd");
  TypeAll({("Open " + path).c_str(), "conv pr", "Conf", "motion steps", "midi",
           ("export " + out).c_str()});
  EXPECT_NE(std::string::npos, TakeTranscript().find("merge track 0 1.\nWrite 1497 Byte."));
  const float fDown = -0.0199986007f, fDownW = 0.999799013f;
  ExpectedVmd expected(13);
  expected.Record("nt060", 0, fDown, fDownW).Record("nt060", 59, fDown, fDownW);
  expected.Record("nt060", 60, 0, 1).Record("nt060", 74, 0, 1);
  expected.Record("nt060", 75, fDown, fDownW).Record("nt060", 119, fDown, fDownW);
  expected.Record("nt060", 120, 0, 1);
  expected.Record("nt062", 0, fDown, fDownW).Record("nt062", 28, fDown, fDownW);
  expected.Record("nt062", 29, 0, 1).Record("nt062", 30, fDown, fDownW);
  expected.Record("nt062", 44, fDown, fDownW).Record("nt062", 45, 0, 1);
  EXPECT_EQ(expected.GetBytes(), Bytes(out));
}

// A real-sized piece of two piano tracks, each of overlapping chords and
// the pedal every bar: classic writes keyframes of one bone on one frame,
// steps never does.
TEST_F(ExportTrackTest, StepsNeverPutTwoKeyframesOfABoneOnOneFrame) {
  // The conductor and piano track of one generated file, and the piano
  // track of another: each chunk after the 14-byte header is "MTrk", its
  // length and its bytes.
  auto chunks = [](const std::string& file) {
    std::vector<std::string> tracks;
    for (size_t at = 14; at + 8 <= file.size();) {
      size_t nLength = (size_t{static_cast<uint8_t>(file[at + 4])} << 24) |
                       (size_t{static_cast<uint8_t>(file[at + 5])} << 16) |
                       (size_t{static_cast<uint8_t>(file[at + 6])} << 8) |
                       static_cast<uint8_t>(file[at + 7]);
      tracks.push_back(file.substr(at, 8 + nLength));
      at += 8 + nLength;
    }
    return tracks;
  };
  std::string first = GeneratePianoMidi(20000, 1), second = GeneratePianoMidi(20000, 2);
  std::vector<std::string> a = chunks(first), b = chunks(second);
  ASSERT_EQ(2u, a.size());
  ASSERT_EQ(2u, b.size());
  std::string file = first.substr(0, 14) + a[0] + a[1] + b[1];
  file[11] = 3;  // tracks
  std::string path = WriteFile("two.mid", std::vector<uint8_t>(file.begin(), file.end()));
  TypeAll({("Open " + path).c_str(), "conv pr"});
  // Keyframes of one bone on one frame, counted per motion.
  auto doubled = [this](const char* pszMotion) {
    std::string out = TempPath(std::string(pszMotion) + ".vmd");
    TypeAll({"Conf", (std::string("motion ") + pszMotion).c_str(), "midi",
             ("export " + out).c_str()});
    EXPECT_EQ((std::vector<int>{1, 2}), m_pProcessor->GetLastExportTracks());
    std::map<std::string, std::vector<uint32_t>> frames;
    for (const ReadRecord& record : ReadRecords(Bytes(out))) {
      frames[record.strName].push_back(record.nFrame);
    }
    EXPECT_EQ(1u, frames.count("cc064"));
    EXPECT_LT(40u, frames.size()) << "key bones";
    size_t nDoubled = 0;
    for (auto& [strName, bone] : frames) {
      std::sort(bone.begin(), bone.end());
      nDoubled += bone.end() - std::unique(bone.begin(), bone.end());
    }
    return nDoubled;
  };
  EXPECT_LT(1000u, doubled("classic"));
  EXPECT_EQ(0u, doubled("steps"));
}

}  // namespace
