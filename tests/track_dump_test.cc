// Dumps: pages of 32 events and the Yes/No wait between them.
#include "commands/command_processor.h"

#include "midilib/midi_binding.h"
#include "tests/command_test_util.h"

namespace {

using DumpAnswerTest = MidiCommandTest;

TEST_F(DumpAnswerTest, WhileWaitingOnlyTheAnswerCounts) {
  std::string path = WriteFile("a.mid", SmfBuilder(1, 480).Track().Notes(20).EndOfTrack().Build());
  TypeAll({("Open " + path).c_str(), "tr 0"});
  Type("dump");
  ASSERT_TRUE(m_pProcessor->IsWaitingAnswer());
  TakeTranscript();
  TypeAll({"exit", "", "Yess", "Root", "Ye"});
  EXPECT_EQ(0, m_mainWindow.GetCloseCount());
  EXPECT_EQ("track>", Prompt());
  std::string transcript = TakeTranscript();
  const char kQuestion[] = "\nContinue? please input Yes/No\n\n";
  EXPECT_EQ(std::string("track>exit\n") + kQuestion + "track>\n" + kQuestion +
                "track>Yess\n" + kQuestion + "track>Root\n" + kQuestion,
            transcript.substr(0, transcript.find("track>Ye\n")));
  // "Ye" went on with the next page, which ends the 41 events.
  EXPECT_NE(std::string::npos, transcript.find("track>Ye\n"));
  EXPECT_NE(std::string::npos, transcript.find("__End_of_Dump__"));
  EXPECT_FALSE(m_pProcessor->IsWaitingAnswer());
  Type("Root");
  EXPECT_EQ("root>", Prompt());
}

TEST_F(DumpAnswerTest, NoEndsTheWaitSilently) {
  std::string path = WriteFile("a.mid", SmfBuilder(1, 480).Track().Notes(20).EndOfTrack().Build());
  TypeAll({("Open " + path).c_str(), "tr 0", "dump"});
  TakeTranscript();
  Type("n");
  EXPECT_EQ("track>n\n", TakeTranscript());
  EXPECT_FALSE(m_pProcessor->IsWaitingAnswer());
  Type("NO");
  EXPECT_EQ("track>NO\ninvalid command.\n", TakeTranscript());
  Type("dump 100");  // starts again at the first event
  EXPECT_TRUE(m_pProcessor->IsWaitingAnswer());
  EXPECT_EQ(32, m_pProcessor->GetDumpPos());
  Type("Yes please");
  EXPECT_FALSE(m_pProcessor->IsWaitingAnswer());
}

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
  // "No" during a second dump: silent, and the next dump starts over.
  TypeAll({"dump", "No", "dump"});
  EXPECT_EQ("track>dump\n" + EventLines(0, 32) + kQuestion + "track>No\n" + "track>dump\n" +
                EventLines(0, 32) + kQuestion,
            TakeTranscript());
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
