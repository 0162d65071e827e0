// Dumps: pages of 32 events and the Yes/No wait between them.
#include "commands/command_processor.h"

#include "midibind/midi_binding.h"
#include "tests/command_test_util.h"

namespace {

class TrackDumpTest : public MidiCommandTest {
 protected:
  // Opens a file whose track 1 holds nEvents events (the end of track
  // included) and selects that track.
  void OpenTrackOf(int nEvents) {
    SmfBuilder smf(1, 480);
    smf.Track().EndOfTrack().Track();
    for (int i = 1; i < nEvents; ++i) smf.Event(1, {0xB0, 7, static_cast<uint8_t>(i % 128)});
    if (nEvents > 0) smf.EndOfTrack();
    TypeAll({("Open " + WriteFile("dump.mid", smf.Build())).c_str(), "tr 1"});
    TakeTranscript();
    ASSERT_EQ(nEvents, midilib::MIDITrack_GetNumEvent(m_pProcessor->GetMIDITrack()));
  }
  // The lines of events nFirst to nLast - 1 as the library describes them.
  std::string EventLines(int nFirst, int nLast) {
    std::string lines;
    int i = 0;
    for (MIDIEvent* pEvent = midilib::MIDITrack_GetFirstEvent(m_pProcessor->GetMIDITrack());
         pEvent != nullptr && i < nLast; pEvent = midilib::MIDIEvent_GetNextEvent(pEvent), ++i) {
      char szText[1024];
      if (i >= nFirst) lines += std::string(midilib::MIDIEvent_ToString(pEvent, szText, 1024)) + "\n";
    }
    EXPECT_EQ(nLast, i);
    return lines;
  }
};

constexpr char kQuestion[] = "\nContinue? please input Yes/No\n\n";
constexpr char kEnd[] = "\n__End_of_Dump__\n\n";

TEST_F(TrackDumpTest, EmptyTrackOnlyEnds) {
  // The library gives every track it reads an end of track; a track with no
  // events at all is shown through fakes of the two calls the dump makes.
  OpenTrackOf(1);
  auto pGetNumEvent = midilib::MIDITrack_GetNumEvent;
  auto pGetFirstEvent = midilib::MIDITrack_GetFirstEvent;
  midilib::MIDITrack_GetNumEvent = [](MIDITrack*) -> long { return 0; };
  midilib::MIDITrack_GetFirstEvent = [](MIDITrack*) -> MIDIEvent* { return nullptr; };
  Type("dump");
  midilib::MIDITrack_GetNumEvent = pGetNumEvent;
  midilib::MIDITrack_GetFirstEvent = pGetFirstEvent;
  EXPECT_EQ(std::string("track>dump\n") + kEnd, TakeTranscript());
  EXPECT_FALSE(m_pProcessor->IsWaitingAnswer());
}

TEST_F(TrackDumpTest, ExactlyOnePageEndsWithoutAsking) {
  OpenTrackOf(32);
  Type("du");
  EXPECT_EQ("track>du\n" + EventLines(0, 32) + kEnd, TakeTranscript());
  EXPECT_FALSE(m_pProcessor->IsWaitingAnswer());
}

TEST_F(TrackDumpTest, ThirtyThreeEventsAskOnceThenEnd) {
  OpenTrackOf(33);
  TypeAll({"dump", "", "Yess", "Yes"});
  EXPECT_EQ("track>dump\n" + EventLines(0, 32) + kQuestion + "track>\n" + kQuestion +
                "track>Yess\n" + kQuestion + "track>Yes\n" + EventLines(32, 33) + kEnd,
            TakeTranscript());
  EXPECT_FALSE(m_pProcessor->IsWaitingAnswer());
  EXPECT_EQ(33, m_pProcessor->GetDumpPos());
}

TEST_F(TrackDumpTest, SixtyFourEventsEndRightAfterTheSecondPage) {
  OpenTrackOf(64);
  TypeAll({"dum", "y"});
  EXPECT_EQ("track>dum\n" + EventLines(0, 32) + kQuestion + "track>y\n" +
                EventLines(32, 64) + kEnd,
            TakeTranscript());
  // "No" ends the wait silently and is no command afterwards; every dump
  // starts over at the first event, whatever follows the word.
  TypeAll({"dump 100", "n", "NO", "dump", "Yes please"});
  EXPECT_EQ("track>dump 100\n" + EventLines(0, 32) + kQuestion + "track>n\n" +
                "track>NO\ninvalid command.\n" + "track>dump\n" + EventLines(0, 32) +
                kQuestion + "track>Yes please\n" + EventLines(32, 64) + kEnd,
            TakeTranscript());
}

TEST_F(TrackDumpTest, WhileWaitingOnlyTheAnswerCounts) {
  OpenTrackOf(40);
  TypeAll({"dump", "exit", "", "Yess", "Root", "Ye"});
  EXPECT_EQ("track>dump\n" + EventLines(0, 32) + kQuestion + "track>exit\n" + kQuestion +
                "track>\n" + kQuestion + "track>Yess\n" + kQuestion + "track>Root\n" +
                kQuestion + "track>Ye\n" + EventLines(32, 40) + kEnd,
            TakeTranscript());
  EXPECT_EQ(0, m_mainWindow.GetCloseCount());
  EXPECT_EQ("track>", Prompt());
}

TEST_F(TrackDumpTest, ManyPagesFollowEachOtherInOrder) {
  OpenTrackOf(32 * 5 + 7);
  Type("dump");
  for (int i = 0; i < 5; ++i) Type("Y");
  std::string expected = "track>dump\n" + EventLines(0, 32) + kQuestion;
  for (int nPage = 1; nPage < 5; ++nPage) {
    expected += "track>Y\n" + EventLines(32 * nPage, 32 * nPage + 32) + kQuestion;
  }
  expected += "track>Y\n" + EventLines(160, 167) + kEnd;
  EXPECT_EQ(expected, TakeTranscript());
}

}  // namespace
