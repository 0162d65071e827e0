// WriteMotion: which keyframes a track gives, in which order, with which
// pose, read back from the written image.
#include <cmath>
#include <fstream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "motion/bone_key_frame.h"
#include "motion/export_settings.h"
#include "motion/key_frame_buckets.h"
#include "motion/quaternion.h"
#include "motion/vmd_writer.h"
#include "tests/motion_test_util.h"

namespace {

// One keyframe as the file shows it: bone, frame, pressed or not.
struct Key {
  std::string strName;
  uint32_t nFrame;
  bool bDown;
  bool operator==(const Key&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Key& key) {
  return out << key.strName << '@' << key.nFrame << (key.bDown ? " down" : " up");
}

std::vector<ReadRecord> Motion(FakeTrack* pTrack, const ExportSettings& settings = ExportSettings()) {
  VmdWriter writer(settings);
  writer.WriteHeader();
  EXPECT_EQ(1, writer.WriteMotion(pTrack->GetTrack()));
  return ReadRecords(writer.GetImage());
}

ExportSettings Steps() {
  ExportSettings settings;
  settings.bSteps = true;
  return settings;
}

// The keyframes of key bones, each checked to hold one of the two key poses.
std::vector<Key> Keys(FakeTrack* pTrack, const ExportSettings& settings = ExportSettings()) {
  std::vector<Key> keys;
  for (const ReadRecord& record : Motion(pTrack, settings)) {
    bool bDown = record.afRotation[0] != 0.0f;
    EXPECT_EQ(bDown ? -0.0199986007f : 0.0f, record.afRotation[0]) << record.strName;
    EXPECT_EQ(bDown ? 0.999799013f : 1.0f, record.afRotation[3]) << record.strName;
    keys.push_back({record.strName, record.nFrame, bDown});
  }
  return keys;
}

TEST(WriteMotionTest, NoteEventsGiveACompanionThenTheNewState) {
  FakeTrack track;
  track.Press(100, 60).Release(130, 60);
  EXPECT_EQ((std::vector<Key>{{"nt060", 99, false}, {"nt060", 100, true},
                              {"nt060", 129, true}, {"nt060", 130, false}}),
            Keys(&track));
}

TEST(WriteMotionTest, SameKeyInTwoChannelsDrivesOneBoneInTrackOrder) {
  FakeTrack track;
  track.Press(10, 60, 0).Press(12, 60, 9).Release(20, 60, 0).Release(25, 60, 9);
  EXPECT_EQ((std::vector<Key>{{"nt060", 9, false},
                              {"nt060", 10, true},
                              {"nt060", 11, false},  // pressed again while down
                              {"nt060", 12, true},
                              {"nt060", 19, true},
                              {"nt060", 20, false},
                              {"nt060", 24, true},
                              {"nt060", 25, false}}),
            Keys(&track));
}

TEST(WriteMotionTest, OverlappingNotesAreNotMerged) {
  FakeTrack track;
  track.Press(10, 61).Press(15, 61).Release(18, 61).Release(30, 61);
  EXPECT_EQ((std::vector<Key>{{"nt061", 9, false},
                              {"nt061", 10, true},
                              {"nt061", 14, false},
                              {"nt061", 15, true},
                              {"nt061", 17, true},
                              {"nt061", 18, false},
                              {"nt061", 29, true},
                              {"nt061", 30, false}}),
            Keys(&track));
}

TEST(WriteMotionTest, ReleaseAndPressAtOneTimeKeepTrackOrder) {
  FakeTrack track;
  track.Press(10, 60).Release(20, 60).Press(20, 60).Release(30, 60);
  EXPECT_EQ((std::vector<Key>{{"nt060", 9, false},
                              {"nt060", 10, true},
                              {"nt060", 19, true},
                              {"nt060", 20, false},
                              {"nt060", 19, false},  // frames step back within the bone
                              {"nt060", 20, true},
                              {"nt060", 29, true},
                              {"nt060", 30, false}}),
            Keys(&track));
}

TEST(WriteMotionTest, BonesInAscendingKeyOrderThenThePedal) {
  FakeTrack track;
  track.Control(1, 64, 0)
      .Press(10, 127)
      .Press(20, 0, 3)
      .Press(30, 64)
      .Release(40, 127)
      .Release(50, 0, 3)
      .Release(60, 64);
  std::vector<ReadRecord> records = Motion(&track);
  std::vector<std::string> names;
  std::vector<uint32_t> frames;
  for (const ReadRecord& record : records) {
    names.push_back(record.strName);
    frames.push_back(record.nFrame);
  }
  EXPECT_EQ((std::vector<std::string>{"nt000", "nt000", "nt000", "nt000", "nt064", "nt064",
                                      "nt064", "nt064", "nt127", "nt127", "nt127", "nt127",
                                      "cc064"}),
            names);
  EXPECT_EQ((std::vector<uint32_t>{19, 20, 49, 50, 29, 30, 59, 60, 9, 10, 39, 40, 1}), frames);
}

TEST(WriteMotionTest, OnlyNotesAndTheSustainPedalMakeKeyframes) {
  FakeTrack track;
  track.Other(0, 0xFF, false)           // meta
      .Other(1, 0x90, false, 60)        // not a MIDI event, whatever its kind
      .Other(2, 0xA0, true, 60)         // key aftertouch
      .Other(3, 0xC5, true)             // program change
      .Other(4, 0xEF, true)             // pitch bend
      .Control(5, 1, 100)               // modulation
      .Control(6, 65, 127)              // another pedal
      .Control(7, 64, 127, 15)          // the sustain pedal, last channel
      .ReleaseByNoteOn(8, 60);          // note-on that releases
  std::vector<ReadRecord> records = Motion(&track);
  ASSERT_EQ(3u, records.size());
  EXPECT_EQ("nt060", records[0].strName);
  EXPECT_EQ(7u, records[0].nFrame);
  EXPECT_EQ(-0.0199986007f, records[0].afRotation[0]);  // held down before
  EXPECT_EQ(8u, records[1].nFrame);
  EXPECT_EQ(0.0f, records[1].afRotation[0]);  // at rest after
  EXPECT_EQ("cc064", records[2].strName);
  EXPECT_EQ(7u, records[2].nFrame);
}

TEST(WriteMotionTest, NoteAtTimeZeroHasNoCompanion) {
  FakeTrack track;
  track.Press(0, 60).Release(10, 60).Release(0, 62).Press(1, 62);
  EXPECT_EQ((std::vector<Key>{{"nt060", 0, true},
                              {"nt060", 9, true},
                              {"nt060", 10, false},
                              {"nt062", 0, false},
                              {"nt062", 0, false},
                              {"nt062", 1, true}}),
            Keys(&track));
  TempDir dir;
  VmdWriter writer;
  EXPECT_EQ(54 + 111 * 6, writer.Write(dir.Join("zero.vmd").c_str(), track.GetTrack()));
}

float TurnDegrees(const ReadRecord& record) {
  return 2.0f * std::atan2(record.afRotation[0], record.afRotation[3]) * 180.0f / 3.14159265f;
}

TEST(WriteMotionTest, PedalTurnsFurtherWithItsValue) {
  FakeTrack track;
  for (int nValue = 0; nValue < 128; ++nValue) track.Control(nValue, 64, nValue);
  std::vector<ReadRecord> records = Motion(&track);
  ASSERT_EQ(128u, records.size());
  // At rest: exactly the identity.
  EXPECT_EQ(0.0f, records[0].afRotation[0]);
  EXPECT_EQ(1.0f, records[0].afRotation[3]);
  EXPECT_NEAR(-3.01f, TurnDegrees(records[64]), 0.01f);
  EXPECT_NEAR(-5.97f, TurnDegrees(records[127]), 0.01f);
  EXPECT_NEAR(-0.05204f, records[127].afRotation[0], 1e-5f);
  EXPECT_NEAR(0.99865f, records[127].afRotation[3], 1e-5f);
  const Quaternion deepest(0.997188985f, -0.0742970034f, 0.0f, 0.0f);
  for (int nValue = 1; nValue < 128; ++nValue) {
    EXPECT_LT(TurnDegrees(records[nValue]), TurnDegrees(records[nValue - 1])) << nValue;
    EXPECT_EQ(0.0f, records[nValue].afRotation[1]);
    EXPECT_EQ(0.0f, records[nValue].afRotation[2]);
    // The factor comes from double arithmetic on the float 0.7 and is
    // rounded to a float before the blend.
    float fT = static_cast<float>(1.0 - (nValue / 127.0) * static_cast<double>(0.7f));
    Quaternion expected = deepest;
    expected.Nlerp(Quaternion(), fT);
    EXPECT_EQ(expected.m_fX, records[nValue].afRotation[0]) << nValue;
    EXPECT_EQ(expected.m_fW, records[nValue].afRotation[3]) << nValue;
  }
  // Any kind but the two key kinds is posed as a pedal.
  Quaternion other = PoseRotation(7, 127);
  EXPECT_EQ(records[127].afRotation[0], other.m_fX);
}

TEST(WriteMotionTest, ReadsTheTrackOnce) {
  FakeTrack track;
  for (int i = 0; i < 200; ++i) track.Press(i + 1, i % 128).Release(i + 2, i % 128).Control(i, 64, 1);
  std::vector<ReadRecord> records = Motion(&track);
  EXPECT_EQ(1000u, records.size());
  EXPECT_EQ(1, track.m_nFirstEventCalls);
  EXPECT_EQ(static_cast<int>(track.GetEventCount()), track.m_nNextEventCalls);
}

// Long bones are kept in pieces: thousands of keyframes of one key (with
// the velocity beside each) and of the pedal come out whole and in order,
// in memory and in a file alike. Key 60's notes are a frame apart (entries
// of a byte, and one for the velocity); key 61's forty frames, whose
// presses take two bytes, so that entries, and velocity bytes on their
// own, cross the pieces' edges.
TEST(WriteMotionTest, LongBonesKeepEveryKeyframeInOrder) {
  FakeTrack track;
  const int kNotes = 6000;
  for (int i = 0; i < kNotes; ++i) {
    track.Press(2 * i, 60, 0, 1 + i % 127).Release(2 * i + 1, 60).Control(2 * i, 64, i % 128);
    track.Press(40 * i, 61, 0, 1 + i % 127).Release(40 * i + 1, 61);
  }
  for (bool bVelocity : {false, true}) {
    SCOPED_TRACE(bVelocity ? "velocity on" : "velocity off");
    ExportSettings settings;
    settings.bVelocity = bVelocity;
    VmdWriter memory(settings);
    memory.WriteHeader();
    ASSERT_EQ(1, memory.WriteMotion(track.GetTrack()));
    std::vector<ReadRecord> records = ReadRecords(memory.GetImage());
    // Four keyframes a note but the first press at frame 0, one a pedal
    // change.
    ASSERT_EQ(static_cast<size_t>(2 * (4 * kNotes - 1) + kNotes), records.size());
    size_t n = 0;
    for (uint32_t nStep : {2u, 40u}) {
      const std::string strName = nStep == 2 ? "nt060" : "nt061";
      for (int i = 0; i < kNotes; ++i) {
        const float fDown = KeyDownRotation(settings, 1 + i % 127).m_fX;
        const uint32_t nPress = nStep * i;
        struct {
          uint32_t nFrame;
          float fX;
        } expected[] = {{nPress - 1, 0.0f}, {nPress, fDown}, {nPress, fDown}, {nPress + 1, 0.0f}};
        for (int k = i == 0 ? 1 : 0; k < 4; ++k, ++n) {
          ASSERT_EQ(strName, records[n].strName) << n;
          ASSERT_EQ(expected[k].nFrame, records[n].nFrame) << n;
          ASSERT_EQ(expected[k].fX, records[n].afRotation[0]) << n;
        }
      }
    }
    for (int i = 0; i < kNotes; ++i, ++n) {
      ASSERT_EQ("cc064", records[n].strName) << n;
      ASSERT_EQ(static_cast<uint32_t>(2 * i), records[n].nFrame) << n;
      ASSERT_EQ(PedalRotation(settings, i % 128).m_fX, records[n].afRotation[0]) << n;
    }
    TempDir dir;
    VmdWriter file(settings);
    int nSize = file.Write(dir.Join("long.vmd").c_str(), track.GetTrack());
    ASSERT_EQ(static_cast<int>(memory.GetImage().size()), nSize);
    EXPECT_TRUE(memory.GetImage() == ReadFileBytes(dir.Join("long.vmd")));
  }
}

// Steps: a pedal holds each value until its next event. The first event
// gets a companion holding 0, every later one a companion holding the value
// before, except where a keyframe already stands on the frame before; an
// event at frame 0 has none.
TEST(WriteMotionTest, StepsHoldThePedalUntilItsNextEvent) {
  {
    FakeTrack track;
    track.Control(5, 64, 127).Control(30, 64, 0).Control(31, 64, 100).Control(50, 64, 0);
    std::vector<std::pair<uint32_t, int>> expected = {{4, 0},    {5, 127},  {29, 127}, {30, 0},
                                                      {31, 100}, {49, 100}, {50, 0}};
    std::vector<ReadRecord> records = Motion(&track, Steps());
    ASSERT_EQ(expected.size(), records.size());
    for (size_t i = 0; i < records.size(); ++i) {
      EXPECT_EQ("cc064", records[i].strName);
      EXPECT_EQ(expected[i].first, records[i].nFrame) << i;
      EXPECT_EQ(PedalRotation(Steps(), expected[i].second).m_fX, records[i].afRotation[0]) << i;
    }
  }
  FakeTrack atZero;
  atZero.Control(0, 64, 127).Control(1, 64, 0);
  std::vector<ReadRecord> records = Motion(&atZero, Steps());
  ASSERT_EQ(2u, records.size());
  EXPECT_EQ(0u, records[0].nFrame);
  EXPECT_EQ(1u, records[1].nFrame);
}

// Several pedal events in one frame give one keyframe, the last value;
// its companion holds the value before them all.
TEST(WriteMotionTest, StepsWriteThePedalsLastValueOfAFrame) {
  FakeTrack track;
  track.Control(10, 64, 127).Control(20, 64, 0).Control(20, 64, 64).Control(20, 64, 90);
  std::vector<std::pair<uint32_t, int>> expected = {{9, 0}, {10, 127}, {19, 127}, {20, 90}};
  std::vector<ReadRecord> records = Motion(&track, Steps());
  ASSERT_EQ(expected.size(), records.size());
  for (size_t i = 0; i < records.size(); ++i) {
    EXPECT_EQ(expected[i].first, records[i].nFrame) << i;
    EXPECT_EQ(PedalRotation(Steps(), expected[i].second).m_fX, records[i].afRotation[0]) << i;
  }
}

// A key released and pressed again on one tick ends a frame early, so the
// frame before the new press is up; the up keyframe that ends a note is
// not written again as the next note's companion. The file written holds
// the same bytes as the image in memory, its count included.
TEST(WriteMotionTest, StepsLiftAKeyStruckAgainOnItsRelease) {
  FakeTrack track;
  track.Press(10, 60).Release(20, 60).Press(20, 60).Release(30, 60).Press(31, 60).Release(40, 60);
  EXPECT_EQ((std::vector<Key>{{"nt060", 9, false},
                              {"nt060", 10, true},
                              {"nt060", 18, true},
                              {"nt060", 19, false},
                              {"nt060", 20, true},
                              {"nt060", 29, true},
                              {"nt060", 30, false},
                              {"nt060", 31, true},
                              {"nt060", 39, true},
                              {"nt060", 40, false}}),
            Keys(&track, Steps()));
  VmdWriter memory(Steps());
  memory.WriteHeader();
  ASSERT_EQ(1, memory.WriteMotion(track.GetTrack()));
  TempDir dir;
  VmdWriter file(Steps());
  EXPECT_EQ(54 + 111 * 10, file.Write(dir.Join("steps.vmd").c_str(), track.GetTrack()));
  EXPECT_EQ(10u, file.GetKeyFrameCount());
  EXPECT_TRUE(memory.GetImage() == ReadFileBytes(dir.Join("steps.vmd")));
}

// A note pressed and released within one frame is down for that frame,
// never before it; at frame 0 without a keyframe before.
TEST(WriteMotionTest, StepsHoldANoteInsideAFrameDownForThatFrame) {
  FakeTrack track;
  track.Press(10, 60).Release(10, 60).Press(0, 62).Release(0, 62);
  EXPECT_EQ((std::vector<Key>{{"nt060", 9, false},
                              {"nt060", 10, true},
                              {"nt060", 11, false},
                              {"nt062", 0, true},
                              {"nt062", 1, false}}),
            Keys(&track, Steps()));
}

// After a one-frame note a press on the next frame can't leave a frame up
// between them without moving: the one-frame note keeps its frame and the
// press starts a frame later, a frame long at least; the next one moves
// in turn, and no press moves earlier.
TEST(WriteMotionTest, StepsStrikeAgainAfterAOneFrameNoteAFrameLater) {
  FakeTrack track;
  track.Press(10, 60).Release(10, 60).Press(11, 60).Release(11, 60).Press(12, 60).Release(40, 60);
  EXPECT_EQ((std::vector<Key>{{"nt060", 9, false},
                              {"nt060", 10, true},
                              {"nt060", 11, false},
                              {"nt060", 12, true},
                              {"nt060", 13, false},
                              {"nt060", 14, true},
                              {"nt060", 39, true},
                              {"nt060", 40, false}}),
            Keys(&track, Steps()));
}

// A release of a silent key writes nothing, in classic a key held down
// from frame 0. A press while the key sounds (another channel here, as
// two tracks merged would) is merged into its interval, which dips by the
// velocity of the press that opened it; a note never released stays down.
TEST(WriteMotionTest, StepsIgnoreStrayReleasesAndMergePressesIntoASoundingKey) {
  FakeTrack track;
  track.Release(5, 60)
      .Press(10, 60, 0, 40)
      .Press(12, 60, 1, 127)
      .Release(14, 60, 1)
      .Release(20, 60, 0)
      .Release(25, 60, 1)
      .Press(30, 61);
  ExportSettings settings = Steps();
  settings.bVelocity = true;
  std::vector<ReadRecord> records = Motion(&track, settings);
  const float fSoft = KeyDownRotation(settings, 40).m_fX;
  const float fFull = KeyDownRotation(settings, 100).m_fX;
  std::vector<std::tuple<std::string, uint32_t, float>> expected = {
      {"nt060", 9, 0.0f},   {"nt060", 10, fSoft}, {"nt060", 19, fSoft},
      {"nt060", 20, 0.0f},  {"nt061", 29, 0.0f},  {"nt061", 30, fFull}};
  ASSERT_EQ(expected.size(), records.size());
  for (size_t i = 0; i < records.size(); ++i) {
    EXPECT_EQ(std::get<0>(expected[i]), records[i].strName) << i;
    EXPECT_EQ(std::get<1>(expected[i]), records[i].nFrame) << i;
    EXPECT_EQ(std::get<2>(expected[i]), records[i].afRotation[0]) << i;
  }
}

}  // namespace
