// Creating, inserting, deleting, pairing and converting MIDI data.
#include <gtest/gtest.h>

#include <memory>

#include "midilib/MIDIData.h"
#include "tests/midi_test_util.h"

using namespace miditest;

namespace {

// The test data of the Create Midi command, made in the same order.
TEST(MidiEdit, CreateMidiTestData) {
  DataPtr data(MIDIData_Create(1, 2, 0, 480));
  ASSERT_TRUE(data);
  EXPECT_EQ(2, MIDIData_GetNumTrack(data.get()));
  MIDITrack* t0 = MIDIData_GetFirstTrack(data.get());
  MIDITrack* t1 = MIDITrack_GetNextTrack(t0);
  ASSERT_NE(nullptr, t1);
  EXPECT_EQ(nullptr, MIDITrack_GetFirstEvent(t0));
  EXPECT_EQ(0, MIDITrack_GetNumEvent(t0));
  EXPECT_EQ(0, MIDITrack_GetNumber(t1));
  EXPECT_NE(0, MIDITrack_InsertTempo(t0, 0, 500000));
  EXPECT_NE(0, MIDITrack_InsertEndofTrack(t0, 480));
  EXPECT_NE(0, MIDITrack_InsertEndofTrack(t1, 0));
  MIDIEvent* pEnd = MIDITrack_GetFirstEvent(t1);
  EXPECT_NE(0, MIDITrack_InsertProgramChange(t1, 0, 0, 0));
  EXPECT_NE(0, MIDITrack_InsertNote(t1, 0, 0, 60, 100, 120));
  EXPECT_NE(0, MIDITrack_InsertNote(t1, 10, 0, 60, 100, 120));
  EXPECT_EQ(V({"0 Tempo 500000", "480 EOT"}), Events(t0));
  EXPECT_EQ(V({"0 C0 0 -1", "0 90 60 100", "10 90 60 100", "120 80 60 0",
               "130 80 60 0", "130 EOT"}),
            Events(t1));
  // The end-of-track event moved along and kept its handle.
  EXPECT_EQ(pEnd, MIDITrack_GetLastEvent(t1));
  EXPECT_EQ(6, MIDITrack_GetNumEvent(t1));
  // Each inserted note is joined with its own release.
  EXPECT_EQ(EventAt(t1, 3), MIDIEvent_GetCombinedEvent(EventAt(t1, 1)));
  EXPECT_EQ(EventAt(t1, 4), MIDIEvent_GetCombinedEvent(EventAt(t1, 2)));
}

TEST(MidiEdit, CreateRefusesBadArguments) {
  EXPECT_EQ(nullptr, MIDIData_Create(3, 1, 0, 480));
  EXPECT_EQ(nullptr, MIDIData_Create(1, -1, 0, 480));
  EXPECT_EQ(nullptr, MIDIData_Create(0, 2, 0, 480));
  EXPECT_EQ(nullptr, MIDIData_Create(1, 1, 27, 10));
  EXPECT_EQ(nullptr, MIDIData_Create(1, 1, 0, 0));
  EXPECT_EQ(nullptr, MIDIData_Create(1, 1, 30, 256));
  DataPtr smpte(MIDIData_Create(2, 0, 30, 1));
  ASSERT_TRUE(smpte);
  EXPECT_EQ(nullptr, MIDIData_GetFirstTrack(smpte.get()));
}

// A quarter holds at most 32767 ticks: the most a file's header can say.
TEST(MidiEdit, TimeBaseOfAtMost32767TicksAQuarter) {
  DataPtr finest(MIDIData_Create(1, 1, MIDIDATA_TPQNBASE, 32767));
  ASSERT_TRUE(finest);
  EXPECT_EQ(32767, MIDIData_GetTimeResolution(finest.get()));
  EXPECT_EQ(nullptr, MIDIData_Create(1, 1, MIDIDATA_TPQNBASE, 32768));
  DataPtr data(MIDIData_Create(1, 1, MIDIDATA_TPQNBASE, 96));
  ASSERT_TRUE(data);
  EXPECT_EQ(0, MIDIData_SetTimeBase(data.get(), MIDIDATA_TPQNBASE, 32768));
  EXPECT_EQ(96, MIDIData_GetTimeResolution(data.get()));
  EXPECT_NE(0, MIDIData_SetTimeBase(data.get(), MIDIDATA_TPQNBASE, 32767));
  EXPECT_EQ(32767, MIDIData_GetTimeResolution(data.get()));
}

TEST(MidiEdit, InsertKeepsOrderAndEndOfTrackLast) {
  DataPtr data(MIDIData_Create(1, 1, 0, 96));
  MIDITrack* t = MIDIData_GetFirstTrack(data.get());
  EXPECT_NE(0, MIDITrack_InsertControlChange(t, 50, 0, 64, 127));
  EXPECT_NE(0, MIDITrack_InsertEndofTrack(t, 60));
  EXPECT_NE(0, MIDITrack_InsertControlChange(t, 50, 0, 64, 0));  // behind its time
  EXPECT_NE(0, MIDITrack_InsertProgramChange(t, 10, 3, 7));
  EXPECT_NE(0, MIDITrack_InsertControlChange(t, 60, 0, 7, 1));   // before the end
  EXPECT_NE(0, MIDITrack_InsertTempo(t, 200, 400000));           // end moves
  EXPECT_EQ(V({"10 C3 7 -1", "50 B0 64 127", "50 B0 64 0", "60 B0 7 1",
               "200 Tempo 400000", "200 EOT"}),
            Events(t));
  // The end can't move before other events; it can move later.
  EXPECT_EQ(0, MIDITrack_InsertEndofTrack(t, 100));
  EXPECT_NE(0, MIDITrack_InsertEndofTrack(t, 300));
  EXPECT_EQ("300 EOT", Events(t).back());
  EXPECT_EQ(6, MIDITrack_GetNumEvent(t));
  // Out-of-range values change nothing.
  EXPECT_EQ(0, MIDITrack_InsertNote(t, 0, 16, 60, 100, 1));
  EXPECT_EQ(0, MIDITrack_InsertNote(t, 0, 0, 128, 100, 1));
  EXPECT_EQ(0, MIDITrack_InsertNote(t, 0, 0, 60, 0, 1));
  EXPECT_EQ(0, MIDITrack_InsertNote(t, -1, 0, 60, 1, 1));
  EXPECT_EQ(0, MIDITrack_InsertNote(t, 0x7FFFFFFF, 0, 60, 1, 1));
  EXPECT_EQ(0, MIDITrack_InsertTempo(t, 0, 0));
  EXPECT_EQ(0, MIDITrack_InsertTempo(t, 0, 0x1000000));
  EXPECT_EQ(0, MIDITrack_InsertProgramChange(t, 0, 0, 128));
  EXPECT_EQ(0, MIDITrack_InsertControlChange(t, 0, 0, 1, 128));
  EXPECT_EQ(6, MIDITrack_GetNumEvent(t));
}

TEST(MidiEdit, HandlesStayValidThroughManyInsertions) {
  DataPtr data(MIDIData_Create(1, 1, 0, 96));
  MIDITrack* t = MIDIData_GetFirstTrack(data.get());
  ASSERT_NE(0, MIDITrack_InsertProgramChange(t, 0, 0, 1));
  MIDIEvent* pFirst = MIDITrack_GetFirstEvent(t);
  for (int i = 0; i < 2000; i++) {
    ASSERT_NE(0, MIDITrack_InsertControlChange(t, i, 1, 7, i % 128));
  }
  EXPECT_EQ(pFirst, MIDITrack_GetFirstEvent(t));
  EXPECT_EQ(0xC0, MIDIEvent_GetKind(pFirst));
  EXPECT_EQ(2001, MIDITrack_GetNumEvent(t));
  EXPECT_EQ(1999, MIDIEvent_GetTime(MIDITrack_GetLastEvent(t)));
}

TEST(MidiEdit, DeleteTrackKeepsTheOthers) {
  std::string a = Meta(0, 0x03, "A") + EndOfTrack();
  std::string b = Ev(0, {0x90, 1, 1}) + EndOfTrack();
  std::string c = Meta(0, 0x03, "C") + Ev(5, {0x91, 2, 2}) + EndOfTrack();
  DataPtr data(LoadBytes(Smf(1, 96, {a, b, c})));
  ASSERT_TRUE(data);
  MIDITrack* ta = TrackAt(data.get(), 0);
  MIDITrack* tc = TrackAt(data.get(), 2);
  MIDIEvent* pNote = EventAt(tc, 1);
  EXPECT_NE(0, MIDITrack_SetNumber(tc, 7));
  EXPECT_NE(0, MIDITrack_Delete(TrackAt(data.get(), 1)));
  EXPECT_EQ(2, MIDIData_GetNumTrack(data.get()));
  EXPECT_EQ(tc, MIDITrack_GetNextTrack(ta));
  EXPECT_EQ(7, MIDITrack_GetNumber(tc));
  EXPECT_EQ(5, MIDIEvent_GetTime(pNote));
  EXPECT_NE(0, MIDITrack_Delete(ta));
  EXPECT_EQ(tc, MIDIData_GetFirstTrack(data.get()));
  EXPECT_NE(0, MIDITrack_Delete(tc));
  EXPECT_EQ(nullptr, MIDIData_GetFirstTrack(data.get()));
  EXPECT_EQ(0, MIDIData_GetNumTrack(data.get()));
}

TEST(MidiEdit, NoteOnOfVelocityZeroIsARelease) {
  std::string t = Ev(0, {0x90, 60, 1}) + Ev(0, {0x90, 60, 0}) + Ev(0, {0x80, 60, 64}) +
                  Ev(0, {0xA0, 60, 1}) + EndOfTrack();
  DataPtr data(LoadBytes(Smf(1, 96, {t})));
  ASSERT_TRUE(data);
  MIDITrack* track = MIDIData_GetFirstTrack(data.get());
  const long on[] = {1, 0, 0, 0, 0};
  const long off[] = {0, 1, 1, 0, 0};
  for (int i = 0; i < 5; i++) {
    EXPECT_EQ(on[i], MIDIEvent_IsNoteOn(EventAt(track, i))) << i;
    EXPECT_EQ(off[i], MIDIEvent_IsNoteOff(EventAt(track, i))) << i;
    EXPECT_EQ(i < 4, MIDIEvent_IsMIDIEvent(EventAt(track, i)) != 0) << i;
  }
  EXPECT_NE(0, MIDIEvent_IsEndofTrack(EventAt(track, 4)));
  EXPECT_EQ(0, MIDIEvent_Combine(EventAt(track, 1)));  // a release joins nothing
}

TEST(MidiEdit, CombineJoinsOverlappingNotesInOrder) {
  // Two overlapping notes on key 60 ch 1, one on ch 2 and one on key 61
  // whose releases come between; a last note-on never released.
  std::string t = Ev(0, {0x90, 60, 100}) +   // 0 A
                  Ev(5, {0x90, 60, 90}) +    // 1 B
                  Ev(0, {0x91, 60, 80}) +    // 2 other channel
                  Ev(0, {0x90, 61, 80}) +    // 3 other key
                  Ev(5, {0x81, 60, 0}) +     // 4 release of 2
                  Ev(0, {0x80, 61, 0}) +     // 5 release of 3
                  Ev(5, {0x90, 60, 0}) +     // 6 release of A
                  Ev(5, {0x80, 60, 0}) +     // 7 release of B
                  Ev(5, {0x90, 60, 70}) +    // 8 never released
                  EndOfTrack();
  DataPtr data(LoadBytes(Smf(1, 96, {t})));
  ASSERT_TRUE(data);
  MIDITrack* track = MIDIData_GetFirstTrack(data.get());
  for (MIDIEvent* p = MIDITrack_GetFirstEvent(track); p; p = MIDIEvent_GetNextEvent(p)) {
    if (MIDIEvent_IsNoteOn(p)) MIDIEvent_Combine(p);
  }
  EXPECT_EQ(EventAt(track, 6), MIDIEvent_GetCombinedEvent(EventAt(track, 0)));
  EXPECT_EQ(EventAt(track, 7), MIDIEvent_GetCombinedEvent(EventAt(track, 1)));
  EXPECT_EQ(EventAt(track, 4), MIDIEvent_GetCombinedEvent(EventAt(track, 2)));
  EXPECT_EQ(EventAt(track, 5), MIDIEvent_GetCombinedEvent(EventAt(track, 3)));
  EXPECT_EQ(nullptr, MIDIEvent_GetCombinedEvent(EventAt(track, 8)));
  EXPECT_EQ(0, MIDIEvent_Combine(EventAt(track, 8)));
  // Joining again changes nothing; both events stay in the track.
  EXPECT_NE(0, MIDIEvent_Combine(EventAt(track, 1)));
  EXPECT_EQ(EventAt(track, 7), MIDIEvent_GetCombinedEvent(EventAt(track, 1)));
  EXPECT_EQ(10, MIDITrack_GetNumEvent(track));
}

TEST(MidiEdit, CombineOutOfOrderTakesTheFirstLaterFreeRelease) {
  std::string t = Ev(0, {0x90, 60, 1}) + Ev(1, {0x80, 60, 0}) + Ev(1, {0x90, 60, 2}) +
                  Ev(1, {0x80, 60, 0}) + EndOfTrack();
  DataPtr data(LoadBytes(Smf(1, 96, {t})));
  MIDITrack* track = MIDIData_GetFirstTrack(data.get());
  // The later note first: it must not take the earlier release.
  EXPECT_NE(0, MIDIEvent_Combine(EventAt(track, 2)));
  EXPECT_EQ(EventAt(track, 3), MIDIEvent_GetCombinedEvent(EventAt(track, 2)));
  EXPECT_NE(0, MIDIEvent_Combine(EventAt(track, 0)));
  EXPECT_EQ(EventAt(track, 1), MIDIEvent_GetCombinedEvent(EventAt(track, 0)));
}

// Joined out of order, a note's way to its release passes notes joined
// before it: each keeps its own release, and the note takes the first
// release none has taken.
TEST(MidiEdit, CombinePastNotesJoinedBefore) {
  std::string t = Ev(0, {0x90, 60, 1}) + Ev(1, {0x90, 60, 2}) + Ev(1, {0x90, 60, 3}) +
                  Ev(1, {0x80, 60, 0}) + Ev(1, {0x80, 60, 0}) + Ev(1, {0x80, 60, 0}) +
                  EndOfTrack();
  DataPtr data(LoadBytes(Smf(1, 96, {t})));
  MIDITrack* track = MIDIData_GetFirstTrack(data.get());
  EXPECT_NE(0, MIDIEvent_Combine(EventAt(track, 1)));
  EXPECT_NE(0, MIDIEvent_Combine(EventAt(track, 2)));
  EXPECT_NE(0, MIDIEvent_Combine(EventAt(track, 0)));
  EXPECT_EQ(EventAt(track, 3), MIDIEvent_GetCombinedEvent(EventAt(track, 1)));
  EXPECT_EQ(EventAt(track, 4), MIDIEvent_GetCombinedEvent(EventAt(track, 2)));
  EXPECT_EQ(EventAt(track, 5), MIDIEvent_GetCombinedEvent(EventAt(track, 0)));
}

TEST(MidiEdit, SetFormatSplitsFormatZeroByChannel) {
  std::string t = Meta(0, 0x03, "Title") + Ev(0, {0xC2, 4}) + Ev(0, {0x90, 60, 100}) +
                  Ev(10, {0x92, 62, 100}) + Ev(0, {0xF0, 1, 0xF7}) +
                  Meta(0, 0x51, Bytes({0x07, 0xA1, 0x20})) + Ev(10, {0x80, 60, 0}) +
                  Ev(0, {0x82, 62, 0}) + Ev(5, {0xB0, 64, 0}) + EndOfTrack(15);
  DataPtr data(LoadBytes(Smf(0, 96, {t})));
  ASSERT_TRUE(data);
  MIDITrack* pFirst = MIDIData_GetFirstTrack(data.get());
  MIDIEvent* pNote = EventAt(pFirst, 2);
  ASSERT_NE(0, MIDIEvent_Combine(pNote));
  ASSERT_NE(0, MIDIData_SetFormat(data.get(), 1));
  EXPECT_EQ(1, MIDIData_GetFormat(data.get()));
  ASSERT_EQ(17, MIDIData_GetNumTrack(data.get()));
  EXPECT_EQ(pFirst, MIDIData_GetFirstTrack(data.get()));
  EXPECT_EQ(V({"0 03", "10 F0", "10 Tempo 500000", "40 EOT"}), Events(TrackAt(data.get(), 0)));
  EXPECT_EQ(V({"0 90 60 100", "20 80 60 0", "25 B0 64 0", "40 EOT"}),
            Events(TrackAt(data.get(), 1)));
  EXPECT_EQ(V({"40 EOT"}), Events(TrackAt(data.get(), 2)));
  EXPECT_EQ(V({"0 C2 4 -1", "10 92 62 100", "20 82 62 0", "40 EOT"}),
            Events(TrackAt(data.get(), 3)));
  for (int i = 4; i < 17; i++) EXPECT_EQ(V({"40 EOT"}), Events(TrackAt(data.get(), i))) << i;
  EXPECT_EQ(pNote, MIDITrack_GetFirstEvent(TrackAt(data.get(), 1)));
  EXPECT_EQ(EventAt(TrackAt(data.get(), 1), 1), MIDIEvent_GetCombinedEvent(pNote));
  EXPECT_EQ(4, MIDITrack_GetNumEvent(TrackAt(data.get(), 3)));
  char sz[16];
  EXPECT_STREQ("Title", MIDIData_GetTitle(data.get(), sz, sizeof(sz)));
  // From format 1 nothing changes; format 2 is refused.
  EXPECT_NE(0, MIDIData_SetFormat(data.get(), 1));
  EXPECT_EQ(17, MIDIData_GetNumTrack(data.get()));
  DataPtr two(LoadBytes(Smf(2, 96, {t})));
  EXPECT_EQ(0, MIDIData_SetFormat(two.get(), 1));
  EXPECT_EQ(2, MIDIData_GetFormat(two.get()));
}

TEST(MidiEdit, SetTimeBaseUsesTheWholeTempoMap) {
  // 480 ticks per quarter. Track 0: 120 BPM, at tick 960 (1 s) tempo 1 s per
  // quarter (60 BPM). Track 1 holds a tempo change too: at tick 1920 (3 s)
  // 250000 us per quarter.
  std::string t0 = Meta(960, 0x51, Bytes({0x0F, 0x42, 0x40})) + EndOfTrack(0);
  std::string t1 = Meta(1920, 0x51, Bytes({0x03, 0xD0, 0x90})) + EndOfTrack(0);
  std::string t2 = Ev(0, {0x90, 60, 1}) +       // 0 s -> frame 0
                   Ev(8, {0x80, 60, 0}) +       // 8 ticks = 1/120 s -> 0.25 frame -> 0
                   Ev(8, {0x90, 61, 1}) +       // 16 ticks = 1/60 s = 0.5 frame -> 1 (half up)
                   Ev(944, {0x80, 61, 0}) +     // tick 960 = 1 s -> frame 30
                   Ev(480, {0x90, 62, 1}) +     // tick 1440 = 2 s -> 60
                   Ev(480, {0x80, 62, 0}) +     // tick 1920 = 3 s -> 90
                   Ev(960, {0x90, 63, 1}) +     // tick 2880 = 3.5 s -> 105
                   EndOfTrack(8);               // + 8*250000/480 us -> 105.125 -> 105
  DataPtr data(LoadBytes(Smf(1, 480, {t0, t1, t2})));
  ASSERT_TRUE(data);
  ASSERT_NE(0, MIDIData_SetTimeBase(data.get(), 30, 1));
  EXPECT_EQ(30, MIDIData_GetTimeMode(data.get()));
  EXPECT_EQ(1, MIDIData_GetTimeResolution(data.get()));
  EXPECT_EQ(V({"0 90 60 1", "0 80 60 0", "1 90 61 1", "30 80 61 0", "60 90 62 1",
               "90 80 62 0", "105 90 63 1", "105 EOT"}),
            Events(TrackAt(data.get(), 2)));
  EXPECT_EQ(V({"30 Tempo 1000000", "30 EOT"}), Events(TrackAt(data.get(), 0)));
  // Converting again to the same base changes nothing.
  ASSERT_NE(0, MIDIData_SetTimeBase(data.get(), 30, 1));
  EXPECT_EQ("105 EOT", Events(TrackAt(data.get(), 2)).back());
}

TEST(MidiEdit, SetTimeBaseRoundsHalfUpAndPicksTheLaterTracksTempo) {
  // Both tracks change the tempo at tick 0: the later track's holds.
  std::string t0 = Meta(0, 0x51, Bytes({0x0F, 0x42, 0x40})) + EndOfTrack();
  std::string t1 = Meta(0, 0x51, Bytes({0x03, 0xD0, 0x90})) + Ev(480, {0x90, 1, 1}) +  // 0.25 s
                   Ev(16, {0x80, 1, 0}) + EndOfTrack();  // + 1/120 s: 7.75 frames
  DataPtr data(LoadBytes(Smf(1, 480, {t0, t1})));
  ASSERT_NE(0, MIDIData_SetTimeBase(data.get(), 30, 1));
  EXPECT_EQ(V({"0 Tempo 250000", "8 90 1 1", "8 80 1 0", "8 EOT"}), Events(TrackAt(data.get(), 1)));

  // Ticks to ticks: scaled by the resolutions, half up (1 -> 0.5 -> 1).
  std::string u = Ev(1, {0x90, 1, 1}) + Ev(1, {0x90, 2, 1}) + Ev(1, {0x90, 3, 1}) + EndOfTrack();
  DataPtr ticks(LoadBytes(Smf(1, 480, {u})));
  ASSERT_NE(0, MIDIData_SetTimeBase(ticks.get(), 0, 240));
  EXPECT_EQ(V({"1 90 1 1", "1 90 2 1", "2 90 3 1", "2 EOT"}), Events(TrackAt(ticks.get(), 0)));
  EXPECT_EQ(240, MIDIData_GetTimeResolution(ticks.get()));

  // To 29.97 frames a second: 10 s at 120 BPM is 299.7 frames -> 300.
  std::string w = Ev(9600, {0x90, 1, 1}) + EndOfTrack();
  DataPtr df(LoadBytes(Smf(1, 480, {w})));
  ASSERT_NE(0, MIDIData_SetTimeBase(df.get(), 29, 1));
  EXPECT_EQ(V({"300 90 1 1", "300 EOT"}), Events(TrackAt(df.get(), 0)));
}

TEST(MidiEdit, SetTimeBaseRefusesAndChangesNothing) {
  // 1 tick per quarter at the slowest tempo: 2^28 ticks are 16.7 s each,
  // far past 2^31 frames.
  std::string slow = Meta(0, 0x51, Bytes({0xFF, 0xFF, 0xFF})) + Ev(0x0FFFFFFF, {0x90, 1, 1}) +
                     EndOfTrack();
  DataPtr data(LoadBytes(Smf(1, 1, {slow})));
  ASSERT_TRUE(data);
  std::vector<std::string> before = Events(TrackAt(data.get(), 0));
  EXPECT_EQ(0, MIDIData_SetTimeBase(data.get(), 30, 1));
  EXPECT_EQ(0, MIDIData_SetTimeBase(data.get(), 27, 1));
  EXPECT_EQ(0, MIDIData_SetTimeBase(data.get(), 30, 0));
  EXPECT_EQ(0, MIDIData_SetTimeBase(data.get(), 30, 256));
  EXPECT_EQ(0, MIDIData_SetTimeBase(data.get(), 0, 0x8000));
  EXPECT_EQ(0, MIDIData_SetTimeBase(nullptr, 30, 1));
  EXPECT_EQ(before, Events(TrackAt(data.get(), 0)));
  EXPECT_EQ(0, MIDIData_GetTimeMode(data.get()));
  EXPECT_EQ(1, MIDIData_GetTimeResolution(data.get()));
  // From SMPTE back to ticks per quarter there is no tempo to go by.
  DataPtr smpte(MIDIData_Create(1, 1, 25, 40));
  EXPECT_EQ(0, MIDIData_SetTimeBase(smpte.get(), 0, 480));
  EXPECT_EQ(25, MIDIData_GetTimeMode(smpte.get()));
}

TEST(MidiEdit, PairingAfterInsertingIntoALoadedTrack) {
  std::string t = Ev(0, {0x90, 60, 100}) + Ev(100, {0x80, 60, 0}) + EndOfTrack();
  DataPtr data(LoadBytes(Smf(1, 96, {t})));
  MIDITrack* track = MIDIData_GetFirstTrack(data.get());
  MIDIEvent* pLoaded = MIDITrack_GetFirstEvent(track);
  MIDIEvent* pRelease = MIDIEvent_GetNextEvent(pLoaded);
  ASSERT_NE(0, MIDITrack_InsertNote(track, 10, 0, 60, 90, 20));
  EXPECT_EQ(V({"0 90 60 100", "10 90 60 90", "30 80 60 0", "100 80 60 0", "100 EOT"}),
            Events(track));
  // The inserted release is taken by its own note: the loaded note gets the
  // one after it.
  EXPECT_NE(0, MIDIEvent_Combine(pLoaded));
  EXPECT_EQ(pRelease, MIDIEvent_GetCombinedEvent(pLoaded));
  EXPECT_EQ(EventAt(track, 2), MIDIEvent_GetCombinedEvent(EventAt(track, 1)));
}

TEST(MidiEdit, CreatedFormatZeroSplitsWithEndsAtTheSongsEnd) {
  DataPtr data(MIDIData_Create(0, 1, 0, 480));
  MIDITrack* t = MIDIData_GetFirstTrack(data.get());
  ASSERT_NE(0, MIDITrack_InsertTempo(t, 0, 600000));
  ASSERT_NE(0, MIDITrack_InsertNote(t, 5, 15, 70, 1, 50));
  ASSERT_NE(0, MIDIData_SetFormat(data.get(), 1));
  ASSERT_EQ(17, MIDIData_GetNumTrack(data.get()));
  EXPECT_EQ(V({"0 Tempo 600000", "55 EOT"}), Events(TrackAt(data.get(), 0)));
  EXPECT_EQ(V({"5 9F 70 1", "55 8F 70 0", "55 EOT"}), Events(TrackAt(data.get(), 16)));
  EXPECT_EQ(V({"55 EOT"}), Events(TrackAt(data.get(), 1)));
  EXPECT_EQ(0, MIDIData_SetFormat(data.get(), 0));  // only 0 to 1 is made
  EXPECT_EQ(0, MIDIData_SetFormat(nullptr, 1));
}

// Frames computed each on its own from the tempo map, the slow way, in
// exact arithmetic: the conversion must give the same for every event of a
// long song with many tempo changes (no drift).
TEST(MidiEdit, SetTimeBaseHasNoDriftOverALongSong) {
  uint32_t seed = 12345;
  auto next = [&seed](uint32_t n) {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 8) % n;
  };
  struct Tempo {
    long tick, tempo;
  };
  std::vector<Tempo> tempos;
  std::string conductor;
  long tick = 0;
  for (int i = 0; i < 300; i++) {
    long delta = 1 + next(5000);
    tick += delta;
    long tempo = 200000 + next(1000000);  // odd values included
    tempos.push_back({tick, tempo});
    conductor += Meta(static_cast<uint32_t>(delta),
                      0x51, Bytes({static_cast<int>(tempo >> 16), static_cast<int>(tempo >> 8),
                                   static_cast<int>(tempo)}));
  }
  conductor += EndOfTrack();
  std::string notes;
  std::vector<long> ticks;
  tick = 0;
  for (int i = 0; i < 3000; i++) {
    long delta = next(700);
    tick += delta;
    ticks.push_back(tick);
    notes += Ev(static_cast<uint32_t>(delta), {0x90, 60, 1});
  }
  notes += EndOfTrack();
  const long tpq = 457;
  DataPtr data(LoadBytes(Smf(1, tpq, {conductor, notes})));
  ASSERT_TRUE(data);
  ASSERT_NE(0, MIDIData_SetTimeBase(data.get(), 30, 1));
  MIDIEvent* e = MIDITrack_GetFirstEvent(TrackAt(data.get(), 1));
  for (long t : ticks) {
    // microseconds * tpq up to t, summed segment by segment
    __int128 sum = 0;
    long from = 0, tempo = 500000;
    for (const Tempo& c : tempos) {
      if (c.tick > t) break;
      sum += static_cast<__int128>(c.tick - from) * tempo;
      from = c.tick;
      tempo = c.tempo;
    }
    sum += static_cast<__int128>(t - from) * tempo;
    // frames = sum * 30 / (tpq * 1e6), half up
    __int128 den = static_cast<__int128>(tpq) * 1000000;
    long expected = static_cast<long>((sum * 60 + den) / (2 * den));
    ASSERT_NE(nullptr, e);
    ASSERT_EQ(expected, MIDIEvent_GetTime(e)) << "tick " << t;
    e = MIDIEvent_GetNextEvent(e);
  }
}

// Where a track's times would pass 63 bits on their way to frames (the
// slowest tempo, 32767 ticks a quarter, 255 ticks a frame), its times take
// the exact 128-bit way; a track of early times beside it steps. Both give
// the rounded frames.
TEST(MidiEdit, SetTimeBaseExactWhereNumbersPassSixtyThreeBits) {
  const long tempo = 0xFFFFFF, tpq = 32767;
  std::string conductor = Meta(0, 0x51, Bytes({0xFF, 0xFF, 0xFF})) + EndOfTrack();
  std::vector<uint32_t> late = {1, 268435455, 268435455, 7};
  std::vector<uint32_t> early = {0, 3, 250, 99999, 1000000};
  std::string lateTrack, earlyTrack;
  for (uint32_t delta : late) lateTrack += Ev(delta, {0x90, 60, 1});
  for (uint32_t delta : early) earlyTrack += Ev(delta, {0x90, 61, 1});
  DataPtr data(LoadBytes(Smf(1, static_cast<int>(tpq),
                             {conductor, lateTrack + EndOfTrack(), earlyTrack + EndOfTrack()})));
  ASSERT_TRUE(data);
  ASSERT_NE(0, MIDIData_SetTimeBase(data.get(), 30, 255));
  for (int nTrack : {1, 2}) {
    MIDIEvent* e = MIDITrack_GetFirstEvent(TrackAt(data.get(), nTrack));
    __int128 tick = 0;
    for (uint32_t delta : nTrack == 1 ? late : early) {
      tick += delta;
      // frames = tick * tempo * 30 * 255 / (tpq * 1e6), half up
      __int128 x = tick * tempo * 30 * 255, y = static_cast<__int128>(tpq) * 1000000;
      ASSERT_NE(nullptr, e);
      EXPECT_EQ(static_cast<long>((2 * x + y) / (2 * y)), MIDIEvent_GetTime(e))
          << "track " << nTrack << " tick " << static_cast<long>(tick);
      e = MIDIEvent_GetNextEvent(e);
    }
  }
}

// Each time of a track whose numbers fit in 63 bits is divided by a
// multiplication: exact up to the largest numerator it takes (a track whose
// last tick gives 2 X + Y just below 2^63, beside one a tick later that
// takes the 128-bit way), and for a divisor that is a power of two (ticks
// to ticks from 512 a quarter: 2 Y = 1024).
TEST(MidiEdit, SetTimeBaseExactUpToTheLargestNumbersItDividesFast) {
  const long tempo = 0xFFFFFF, tpq = 32767;
  const long kLast = 35931754;  // 2 * kLast * tempo * 30 * 255 + Y < 2^63
  std::vector<std::vector<long>> ticks = {{0, 1, 2, 12345, 9999999, kLast - 1, kLast},
                                          {0, 77, kLast + 1}};
  std::string conductor = Meta(0, 0x51, Bytes({0xFF, 0xFF, 0xFF})) + EndOfTrack();
  std::vector<std::string> bodies = {conductor};
  for (const std::vector<long>& list : ticks) {
    std::string body;
    long previous = 0;
    for (long tick : list) {
      body += Ev(static_cast<uint32_t>(tick - previous), {0x90, 60, 1});
      previous = tick;
    }
    bodies.push_back(body + EndOfTrack());
  }
  DataPtr data(LoadBytes(Smf(1, static_cast<int>(tpq), bodies)));
  ASSERT_TRUE(data);
  ASSERT_NE(0, MIDIData_SetTimeBase(data.get(), 30, 255));
  for (int nTrack : {1, 2}) {
    MIDIEvent* e = MIDITrack_GetFirstEvent(TrackAt(data.get(), nTrack));
    for (long tick : ticks[nTrack - 1]) {
      __int128 x = __int128{tick} * tempo * 30 * 255, y = __int128{tpq} * 1000000;
      ASSERT_NE(nullptr, e);
      EXPECT_EQ(static_cast<long>((2 * x + y) / (2 * y)), MIDIEvent_GetTime(e))
          << "track " << nTrack << " tick " << tick;
      e = MIDIEvent_GetNextEvent(e);
    }
  }

  std::vector<long> fine = {0, 85, 86, 255, 256, 257, 511, 512, 100000};
  std::string body;
  long previous = 0;
  for (long tick : fine) {
    body += Ev(static_cast<uint32_t>(tick - previous), {0x90, 60, 1});
    previous = tick;
  }
  DataPtr scaled(LoadBytes(Smf(1, 512, {body + EndOfTrack()})));
  ASSERT_NE(0, MIDIData_SetTimeBase(scaled.get(), 0, 3));
  MIDIEvent* e = MIDITrack_GetFirstEvent(MIDIData_GetFirstTrack(scaled.get()));
  for (long tick : fine) {
    ASSERT_NE(nullptr, e);
    EXPECT_EQ((6 * tick + 512) / 1024, MIDIEvent_GetTime(e)) << "tick " << tick;  // half up
    e = MIDIEvent_GetNextEvent(e);
  }
}

// The conversion reads tempo events only in tracks that may hold one: a
// tempo inserted, and one moved into the first track when a format-0 file's
// tracks are merged, still count.
TEST(MidiEdit, SetTimeBaseFindsInsertedAndMergedTempoEvents) {
  DataPtr created(MIDIData_Create(0, 1, 0, 480));
  MIDITrack* t = MIDIData_GetFirstTrack(created.get());
  ASSERT_NE(0, MIDITrack_InsertNote(t, 480, 0, 60, 1, 480));
  ASSERT_NE(0, MIDITrack_InsertTempo(t, 0, 1000000));  // 1 s a quarter
  ASSERT_NE(0, MIDIData_SetFormat(created.get(), 1));
  ASSERT_NE(0, MIDIData_SetTimeBase(created.get(), 30, 1));
  EXPECT_EQ(V({"30 90 60 1", "60 80 60 0", "60 EOT"}), Events(TrackAt(created.get(), 1)));

  std::string a = Ev(480, {0x90, 60, 1}) + EndOfTrack();
  std::string b = Meta(0, 0x51, Bytes({0x0F, 0x42, 0x40})) + EndOfTrack();
  DataPtr loaded(LoadBytes(Smf(0, 480, {a, b})));
  ASSERT_TRUE(loaded);
  ASSERT_NE(0, MIDIData_SetFormat(loaded.get(), 1));
  ASSERT_NE(0, MIDIData_SetTimeBase(loaded.get(), 30, 1));
  EXPECT_EQ(V({"30 90 60 1", "30 EOT"}), Events(TrackAt(loaded.get(), 1)));
}

}  // namespace
