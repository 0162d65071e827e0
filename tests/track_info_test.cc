// "info": the track table of "midi>" and, in "track>", the figures of the
// export the current settings would write.
#include <string>

#include "commands/command_processor.h"
#include "tests/command_test_util.h"

namespace {

class TrackInfoTest : public MidiCommandTest {
 protected:
  // Format 1 at 1 tick per quarter note (15 frames at the default tempo):
  // a conductor, a right hand on channels 1 and 2 reaching past the piano's
  // top key, a left hand on channels 3 to 5 with the pedal, unnamed drums,
  // and a track holding only its name.
  void OpenPiece() {
    std::string path = WriteFile("piece.mid", SmfBuilder(1, 1)
                                                  .Track()
                                                  .Meta(0, 0x03, "Song")
                                                  .EndOfTrack()
                                                  .Track()
                                                  .Meta(0, 0x03, "Right")
                                                  .Event(0, {0x91, 60, 90})
                                                  .Event(1, {0x81, 60, 0})
                                                  .Event(0, {0x90, 21, 90})
                                                  .Event(1, {0x80, 21, 0})
                                                  .Event(0, {0x90, 110, 90})
                                                  .Event(1, {0x80, 110, 0})
                                                  .Event(0, {0x90, 108, 90})
                                                  .Event(1, {0x80, 108, 0})
                                                  .EndOfTrack()
                                                  .Track()
                                                  .Meta(0, 0x03, "Left")
                                                  .Event(0, {0xB2, 64, 127})
                                                  .Event(1, {0x92, 48, 60})
                                                  .Event(0, {0x93, 50, 60})
                                                  .Event(0, {0x94, 52, 60})
                                                  .Event(1, {0x82, 48, 0})
                                                  .Event(0, {0x83, 50, 0})
                                                  .Event(0, {0x84, 52, 0})
                                                  .Event(2, {0xB2, 64, 0})
                                                  .EndOfTrack()
                                                  .Track()
                                                  .Event(0, {0x99, 36, 100})
                                                  .Event(1, {0x89, 36, 0})
                                                  .EndOfTrack()
                                                  .Track()
                                                  .Meta(0, 0x03, "Empty")
                                                  .EndOfTrack()
                                                  .Build());
    Type("Open " + path);
    TakeTranscript();
  }
};

constexpr char kTable[] = R"(track  channels    notes  low   high   pedal  program   name
  000  -               0  -     -          0  -
       Song (empty)
  001  1,2             4  A0    D8         0  piano     Right
  002  3-5             3  C3    E3         2  piano     Left
  003  10              1  C2    C2         0  drums     (drums)
  004  -               0  -     -          0  -
       Empty (empty)
)";

// The piece has no note struck again on its release, no overlap and no
// stray release: motion steps changes nothing in it.
constexpr char kNoStepChanges[] =
    "keyframes classic writes twice on a frame: 0.\n"
    "notes steps merges into a sounding key: 0.\n"
    "stray note-offs steps ignores: 0.\n";

constexpr char kHeader[] = "track  channels    notes  low   high   pedal  program   name\n";
constexpr char kRightLine[] = "  001  1,2             4  A0    D8         0  piano     Right\n";

TEST_F(TrackInfoTest, TracksAtAGlanceInTicksThenInFrames) {
  OpenPiece();
  Type("info");
  EXPECT_EQ(std::string("midi>info\n") + kTable + "length 4 ticks.\n\n", TakeTranscript());
  TypeAll({"conv pr", "track 1"});
  TakeTranscript();
  TypeAll({"mi", "info"});
  EXPECT_EQ(std::string("track>mi\nmidi>info\n") + kTable +
                "length 60 frames, 2.00 seconds.\n"
                "whole piece, as export without track numbers takes it:\n" +
                kNoStepChanges + "\n",
            TakeTranscript());
  // Only "midi>" and "track>" know the word.
  TypeAll({"Root", "info", "Conf", "info"});
  EXPECT_EQ("midi>Root\nroot>info\ninvalid command.\nroot>Conf\nconf>info\ninvalid command.\n",
            TakeTranscript());
}

// The figures are those of the export that follows, under each setting:
// the keyframes and bytes written, the first and last frame (the press at
// frame 0 has no companion), key 110 off the piano, and the notes that
// transposition pushes off the keyboard.
TEST_F(TrackInfoTest, TrackFiguresAreThoseOfTheExport) {
  OpenPiece();
  Type("tr 1");
  TakeTranscript();
  Type("info");
  EXPECT_EQ(std::string("track>info\n") + kHeader + kRightLine + "file not ready.\n\n",
            TakeTranscript());
  TypeAll({"mi", "conv pr", "tr 1"});
  TakeTranscript();
  Type("info");
  std::string figures = std::string("track>info\n") + kHeader + kRightLine +
                        "export: 15 keyframes, 1719 bytes.\n"
                        "frames 0 to 60, 0.00 to 2.00 seconds.\n"
                        "notes outside the 88 piano keys: 1.\n"
                        "notes the settings drop: 0.\n" +
                        kNoStepChanges + "\n";
  EXPECT_EQ(figures, TakeTranscript());
  // Reading changed nothing: the same again, and the export agrees.
  Type("info");
  EXPECT_EQ(figures, TakeTranscript());
  Type("export " + TempPath("r.vmd"));
  EXPECT_EQ(1719, m_pProcessor->GetLastExportSize());
  EXPECT_EQ(15u, m_pProcessor->GetLastExportKeyFrameCount());

  TypeAll({"Conf", "transpose 20", "layout full", "tr 1"});
  TakeTranscript();
  Type("info");
  EXPECT_EQ(std::string("track>info\n") + kHeader + kRightLine +
                "export: 7 keyframes, 851 bytes.\n"
                "frames 0 to 30, 0.00 to 1.00 seconds.\n"
                "notes outside the 88 piano keys: 0.\n"
                "notes the settings drop: 2.\n" +
                kNoStepChanges + "\n",
            TakeTranscript());
  Type("export " + TempPath("t.vmd"));
  EXPECT_EQ(851, m_pProcessor->GetLastExportSize());
  EXPECT_EQ(7u, m_pProcessor->GetLastExportKeyFrameCount());

  // Without its pedal the left hand begins with the keyframe before its
  // first press, at frame 14.
  TypeAll({"Conf", "pedal off", "tr 2"});
  TakeTranscript();
  Type("info");
  EXPECT_EQ(std::string("track>info\n") + kHeader +
                "  002  3-5             3  C3    E3         2  piano     Left\n"
                "export: 12 keyframes, 1406 bytes.\n"
                "frames 14 to 30, 0.47 to 1.00 seconds.\n"
                "notes outside the 88 piano keys: 0.\n"
                "notes the settings drop: 0.\n" +
                kNoStepChanges + "\n",
            TakeTranscript());

  // A track without notes or pedal; then no track at all.
  TypeAll({"tr 4"});
  TakeTranscript();
  Type("info");
  EXPECT_EQ(std::string("track>info\n") + kHeader +
                "  004  -               0  -     -          0  -\n"
                "       Empty (empty)\n"
                "export: 0 keyframes, 74 bytes.\nframes: none.\n"
                "notes outside the 88 piano keys: 0.\nnotes the settings drop: 0.\n" +
                kNoStepChanges + "\n",
            TakeTranscript());
  TypeAll({"tr 9", "info"});
  EXPECT_EQ("track>tr 9\ninvalid track number.\ntrack>info\nm_pMIDITrack == NULL\n",
            TakeTranscript());
}

// What motion steps changes, counted under either motion for the track
// and for the whole piece: track 0 releases key 60 and strikes it again on
// one tick (classic writes frames 29 and 30 twice), track 1 presses it while
// track 0 holds it and releases key 64, which never sounded. Under steps
// the figures are those of the steps export.
TEST_F(TrackInfoTest, StepChangesAreCountedForTheTrackAndTheWholePiece) {
  std::string path = WriteFile("steps.mid", SmfBuilder(1, 1)
                                                .Track()
                                                .Event(0, {0x90, 60, 90})
                                                .Event(2, {0x80, 60, 0})
                                                .Event(0, {0x90, 60, 90})
                                                .Event(2, {0x80, 60, 0})
                                                .EndOfTrack()
                                                .Track()
                                                .Event(1, {0x91, 60, 90})
                                                .Event(2, {0x81, 60, 0})
                                                .Event(2, {0x81, 64, 0})
                                                .EndOfTrack()
                                                .Build());
  TypeAll({("Open " + path).c_str(), "conv pr"});
  TakeTranscript();
  auto changes = [](int nDoubled, int nMerged, int nStray) {
    return "keyframes classic writes twice on a frame: " + std::to_string(nDoubled) +
           ".\nnotes steps merges into a sounding key: " + std::to_string(nMerged) +
           ".\nstray note-offs steps ignores: " + std::to_string(nStray) + ".\n\n";
  };
  Type("info");
  std::string whole = TakeTranscript();
  EXPECT_NE(std::string::npos,
            whole.find("seconds.\nwhole piece, as export without track numbers takes it:\n" +
                       changes(2, 2, 1)))
      << whole;
  TypeAll({"tr 1", "info"});
  EXPECT_NE(std::string::npos, TakeTranscript().find("drop: 0.\n" + changes(0, 0, 1)));
  TypeAll({"tr 0", "info"});
  std::string classic = TakeTranscript();
  EXPECT_NE(std::string::npos, classic.find("export: 7 keyframes, 831 bytes.\n")) << classic;
  EXPECT_NE(std::string::npos, classic.find("drop: 0.\n" + changes(2, 0, 0))) << classic;

  TypeAll({"Conf", "motion steps", "tr 0"});
  TakeTranscript();
  Type("info");
  std::string steps = TakeTranscript();
  EXPECT_NE(std::string::npos, steps.find("export: 6 keyframes, 720 bytes.\n"
                                          "frames 0 to 60, 0.00 to 2.00 seconds.\n"))
      << steps;
  EXPECT_NE(std::string::npos, steps.find("drop: 0.\n" + changes(2, 0, 0))) << steps;
  Type("export " + TempPath("steps.vmd"));
  EXPECT_EQ(720, m_pProcessor->GetLastExportSize());
  EXPECT_EQ(6u, m_pProcessor->GetLastExportKeyFrameCount());
}

}  // namespace
