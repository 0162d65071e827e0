// Open, Close, show and the track command, as transcripts of typed lines.
#include "commands/command_processor.h"

#include <filesystem>
#include <string>
#include <vector>

#include "midibind/midi_binding.h"
#include "tests/command_test_util.h"

namespace {

// Points one bound library function at a fake for the lifetime of the
// object, so that a refusal of the library can be shown.
template <typename T>
class ScopedFake {
 public:
  ScopedFake(T& rFunction, T pFake) : m_rFunction(rFunction), m_pSaved(rFunction) {
    m_rFunction = pFake;
  }
  ~ScopedFake() { m_rFunction = m_pSaved; }
  ScopedFake(const ScopedFake&) = delete;
  ScopedFake& operator=(const ScopedFake&) = delete;

 private:
  T& m_rFunction;
  T m_pSaved;
};
template <typename T>
ScopedFake(T&, T) -> ScopedFake<T>;

// The insertions Create Midi asked for, in the order asked, each as
// "<what> <track position> <time>".
std::vector<std::string> g_insertions;
MIDITrack* g_pFirstCreatedTrack = nullptr;

void RecordInsertion(const char* pszWhat, MIDITrack* pTrack, long lTime) {
  g_insertions.push_back(std::string(pszWhat) + (pTrack == g_pFirstCreatedTrack ? " 0 " : " 1 ") +
                         std::to_string(lTime));
}

class MidiFileCommandsTest : public MidiCommandTest {
 protected:
  // Format 1, 480 ticks: a conductor track named "Song" with its copyright
  // and a comment, a piano track with three notes, and an empty track.
  std::string WriteFormat1(const std::string& name = "song.mid") {
    return WriteFile(name, SmfBuilder(1, 480)
                               .Track()
                               .Meta(0, 0x03, "Song")
                               .Meta(0, 0x02, "(c) us")
                               .Meta(0, 0x01, "a comment")
                               .Event(0, {0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20})
                               .EndOfTrack()
                               .Track()
                               .Meta(0, 0x03, "Piano")
                               .Notes(3)
                               .EndOfTrack()
                               .Track()
                               .EndOfTrack()
                               .Build());
  }
  // Format 0: notes on channels 1 and 10 only.
  std::string WriteFormat0() {
    return WriteFile("zero.mid", SmfBuilder(0, 96)
                                     .Track()
                                     .Meta(0, 0x03, "Zero")
                                     .Event(0, {0x90, 60, 100})
                                     .Event(0, {0x99, 36, 100})
                                     .Event(10, {0x80, 60, 0})
                                     .Event(0, {0x89, 36, 0})
                                     .EndOfTrack()
                                     .Build());
  }
};

constexpr char kFormat1Info[] = R"(*** Information MIDI File ***
Title = "Song"\n
Copyright = "(c) us"\n
Comment = "a comment"\n
Time Mode = 0\n
Time Resolution = 480\n
Track Count = 3\n

[Track] 000 Song 
[Track] 001 Piano 
[Track] 002  

)";

TEST_F(MidiFileCommandsTest, OpenFormat1FromRoot) {
  std::string path = WriteFormat1();
  Type("Open " + path);
  EXPECT_EQ("root>Open " + path + "\nFile Open \"song.mid\".\n\n\n" + kFormat1Info,
            TakeTranscript());
  EXPECT_EQ("midi>", Prompt());
  Type("show");  // the same block again, nothing prepared twice
  EXPECT_EQ(std::string("midi>show\n") + kFormat1Info, TakeTranscript());
}

TEST_F(MidiFileCommandsTest, OpenFormat0ConvertsAndDropsEmptyTracks) {
  std::string path = WriteFormat0();
  Type("Open \"" + path + "\"");
  EXPECT_EQ("root>Open \"" + path + "\"\n" + R"(File Open "zero.mid".

SMF Format = 0
Convert to SMF Format 1

*** Information MIDI File ***
Title = "Zero"\n
Copyright = ""\n
Comment = ""\n
Time Mode = 0\n
Time Resolution = 96\n
Track Count = 3\n

[Track] 000 Zero 
[Track] 001  
[Track] 002  

)",
            TakeTranscript());
  // Numbers follow the remaining tracks without gaps.
  for (int i = 0; i < 3; ++i) {
    Type("track " + std::to_string(i));
    Type("show");
    EXPECT_NE(std::string::npos,
              TakeTranscript().find("*** Information MIDI Track " + std::to_string(i) + " ***"))
        << i;
  }
}

TEST_F(MidiFileCommandsTest, Format2MissingAndForeignFilesAreRefused) {
  std::string format2 = WriteFile("two.mid", SmfBuilder(2, 480).Track().EndOfTrack().Build());
  std::string text = WriteFile("notes.txt", {'h', 'e', 'l', 'l', 'o', '\n'});
  Type("Open " + format2);
  EXPECT_EQ("root>Open " + format2 + R"(
File Open "two.mid".

Not Support SMF Format 2.
closed.
)",
            TakeTranscript());
  EXPECT_EQ("root>", Prompt());
  EXPECT_EQ(nullptr, m_pProcessor->GetMIDIData());

  // A failed load goes back to "root>" from "midi>", keeps "conf>".
  Type("Open " + WriteFormat1());
  TakeTranscript();
  Type("Open " + text);
  EXPECT_EQ("midi>Open " + text + "\nclosed.\nCannot Open File.\n", TakeTranscript());
  EXPECT_EQ("root>", Prompt());
  Type("Conf");
  Type("Open " + TempPath("missing.mid"));
  EXPECT_EQ("root>Conf\nconf>Open " + TempPath("missing.mid") + "\nCannot Open File.\n",
            TakeTranscript());
  EXPECT_EQ("conf>", Prompt());
}

TEST_F(MidiFileCommandsTest, SecondOpenClosesFirstAndNamesTheFileOnly) {
  std::string first = WriteFormat1("first.mid");
  std::string second = WriteFormat1("second.mid");
  Type("Open " + first);
  Type("tr 1");
  TakeTranscript();
  Type("Open " + second);
  EXPECT_EQ(0u, TakeTranscript().find("track>Open " + second + "\nclosed.\nFile Open \"second.mid\".\n"));
  EXPECT_EQ("midi>", Prompt());
  // A backslash separates too, even where it is a name's byte on this system.
  std::string backslashed = TempPath("old\\new.mid");
  std::filesystem::create_directory(TempPath("old"));  // where it does separate
  std::filesystem::copy_file(first, backslashed);
  Type("Open " + backslashed);
  EXPECT_NE(std::string::npos, TakeTranscript().find("\nFile Open \"new.mid\".\n"));
  Type("Open noslash");
  EXPECT_EQ("midi>Open noslash\nclosed.\nCannot Open File.\n", TakeTranscript());
}

TEST_F(MidiFileCommandsTest, LongPathsAndUnicodeNames) {
  std::string folder = TempPath(std::string(200, 'd'));
  std::filesystem::create_directories(folder + "/" + std::string(200, 'e'));
  std::string name = "\xE3\x83\x94\xE3\x82\xA2\xE3\x83\x8E.mid";  // UTF-8 "piano"
  std::string path = folder + "/" + std::string(200, 'e') + "/" + name;
  // The name is UTF-8, which a path takes as such only from char8_t.
  std::filesystem::copy_file(WriteFormat1(), std::u8string(path.begin(), path.end()));
  Type("Open \"" + path + "\"");
  EXPECT_NE(std::string::npos, TakeTranscript().find("File Open \"" + name + "\".\n"));
}

TEST_F(MidiFileCommandsTest, TrackSelection) {
  Type("Open " + WriteFormat1());
  TakeTranscript();
  TypeAll({"track 0", "show", "track 3", "show", "dump", "track x", "track -1",
           "track 99999999999", "mi", "tr 1", "show"});
  EXPECT_EQ(R"(midi>track 0
move to track 0.
track>show
*** Information MIDI Track 0 ***
Track Name:Song
Event Count:5

track>track 3
invalid track number.
track>show
m_pMIDITrack == NULL
track>dump
m_pMIDITrack == NULL
track>track x
invalid track number.
track>track -1
invalid track number.
track>track 99999999999
invalid track number.
track>mi
midi>tr 1
move to track 1.
track>show
*** Information MIDI Track 1 ***
Track Name:Piano
Event Count:8

)",
            TakeTranscript());
  // A track command reaches "track>" from "conf>" too.
  TypeAll({"Conf", "tr 2"});
  EXPECT_EQ("track>", Prompt());
  EXPECT_EQ("track>Conf\nconf>tr 2\nmove to track 2.\n", TakeTranscript());
}

TEST_F(MidiFileCommandsTest, CloseTwiceAndTheMends) {
  Type("Open " + WriteFormat1());
  TypeAll({"conv pr", "tr 1"});
  ASSERT_TRUE(m_pProcessor->IsFileReady());
  TakeTranscript();
  TypeAll({"Close", "Close"});
  EXPECT_EQ("track>Close\nclosed.\nroot>Close\n", TakeTranscript());
  // The freed data's track and readiness are gone with it.
  EXPECT_EQ(nullptr, m_pProcessor->GetMIDITrack());
  EXPECT_FALSE(m_pProcessor->IsFileReady());
  Type("Open " + WriteFormat1("other.mid"));
  Type("tr 1");
  TakeTranscript();
  Type("ex " + TempPath("out.vmd"));
  EXPECT_EQ("track>ex " + TempPath("out.vmd") + "\nfile not ready.\n", TakeTranscript());
  EXPECT_FALSE(std::filesystem::exists(TempPath("out.vmd")));
  // Closing from "conf>" keeps the mode.
  TypeAll({"Conf", "Close"});
  EXPECT_EQ("track>Conf\nconf>Close\nclosed.\n", TakeTranscript());
  EXPECT_EQ("conf>", Prompt());
}

TEST_F(MidiFileCommandsTest, PianoRollConversion) {
  Type("Open " + WriteFormat1());
  TakeTranscript();
  TypeAll({"conv", "conv xyz", "CONV PR", "conv pianoroll", "show"});
  std::string transcript = TakeTranscript();
  const char kConverted[] = "Convert to SMPTE30BASE.\noptimize the pianoroll.\n\n";
  EXPECT_EQ(std::string("midi>conv\ninvalid command.\nmidi>conv xyz\ninvalid command.\n") +
                "midi>CONV PR\n" + kConverted + "midi>conv pianoroll\n" + kConverted +
                "midi>show\n",
            transcript.substr(0, transcript.find("*** Information")));
  EXPECT_NE(std::string::npos, transcript.find("Time Mode = 30\\n\nTime Resolution = 1\\n\n"));
  EXPECT_TRUE(m_pProcessor->IsFileReady());
  TypeAll({"tr 1", "conv pr"});
  EXPECT_NE(std::string::npos, TakeTranscript().find("track>conv pr\ninvalid command.\n"));
}

TEST_F(MidiFileCommandsTest, CreateMidiWithAndWithoutData) {
  TypeAll({"create midi", "show", "track 1", "show", "dump"});
  std::string transcript = TakeTranscript();
  EXPECT_NE(std::string::npos, transcript.find("\n__End_of_Dump__\n"));
  EXPECT_EQ(0u, transcript.find(R"(root>create midi
created.
midi>show
*** Information MIDI File ***
Title = ""\n
Copyright = ""\n
Comment = ""\n
Time Mode = 0\n
Time Resolution = 480\n
Track Count = 2\n

[Track] 000  
[Track] 001  

midi>track 1
move to track 1.
track>show
*** Information MIDI Track 1 ***
Track Name:
Event Count:6

track>dump
)"));
  // Six events fit one page: the dump ends without asking.
  EXPECT_FALSE(m_pProcessor->IsWaitingAnswer());
  EXPECT_EQ(6, m_pProcessor->GetDumpPos());
  TypeAll({"Root", "Create Midi"});
  EXPECT_EQ("track>Root\nroot>Create Midi\nm_pMIDIData != NULL\nclosed.\nclosed.\ncreated.\n",
            TakeTranscript());
  EXPECT_EQ("midi>", Prompt());
  TypeAll({"Create Midi"});
  EXPECT_EQ("midi>Create Midi\ninvalid command.\n", TakeTranscript());
}

TEST_F(MidiFileCommandsTest, TextsAreShownAsUtf8AndLongTitlesWhole) {
  std::string title(2047, 'T');
  std::string path = WriteFile("texts.mid", SmfBuilder(1, 480)
                                                .Track()
                                                .Meta(0, 0x03, title)
                                                .Meta(0, 0x02, "\x83\x73\x83\x41\x83\x6D")
                                                .Meta(0, 0x01, "A\x83\x73\xFF\x81")
                                                .EndOfTrack()
                                                .Build());
  Type("Open " + path);
  std::string transcript = TakeTranscript();
  EXPECT_NE(std::string::npos, transcript.find("\nTitle = \"" + title + "\"\\n\n"));
  // Shift-JIS "piano" decoded; an undecodable byte shown as \xNN.
  EXPECT_NE(std::string::npos,
            transcript.find("\nCopyright = \"\xE3\x83\x94\xE3\x82\xA2\xE3\x83\x8E\"\\n\n"));
  EXPECT_NE(std::string::npos, transcript.find("\nComment = \"A\xE3\x83\x94\\xFF\\x81\"\\n\n"));
}

// Every refusal of the library is reported in its place; a refused file is
// closed again, a refused conversion leaves the file unready, and a refused
// insertion does not stop Create Midi.
TEST_F(MidiFileCommandsTest, LibraryRefusalsAreReportedInTheirPlace) {
  std::string zero = WriteFormat0();
  Type("Open " + WriteFormat1());
  TakeTranscript();
  {
    ScopedFake fake(midilib::MIDIData_SetFormat, +[](MIDIData*, long) -> long { return 0; });
    Type("Open " + zero);
  }
  EXPECT_EQ("midi>Open " + zero + R"(
closed.
File Open "zero.mid".

SMF Format = 0
Failed Convert SMF Format 1
closed.
)",
            TakeTranscript());
  EXPECT_EQ("root>", Prompt());
  EXPECT_EQ(nullptr, m_pProcessor->GetMIDIData());

  Type("Open " + WriteFormat1());
  TakeTranscript();
  {
    ScopedFake fake(midilib::MIDIData_SetTimeBase,
                    +[](MIDIData*, long, long) -> long { return 0; });
    Type("conv pr");
  }
  Type("tr 1");
  Type("ex " + TempPath("out.vmd"));
  EXPECT_EQ("midi>conv pr\nFailed Convert SMPTE30BASE.\nmidi>tr 1\nmove to track 1.\n"
            "track>ex " + TempPath("out.vmd") + "\nfile not ready.\n",
            TakeTranscript());
  EXPECT_FALSE(std::filesystem::exists(TempPath("out.vmd")));

  // A refused creation leaves no data behind, after the loaded file is gone.
  Type("Root");
  {
    ScopedFake fake(midilib::MIDIData_Create,
                    +[](long, long, long, long) -> MIDIData* { return nullptr; });
    Type("Create Midi");
  }
  EXPECT_EQ(
      "track>Root\nroot>Create Midi\nm_pMIDIData != NULL\nclosed.\nclosed.\n"
      "Failed Create MIDI.\\n\n",
      TakeTranscript());
  EXPECT_EQ("root>", Prompt());
  EXPECT_EQ(nullptr, m_pProcessor->GetMIDIData());
  TypeAll({"midi", "show"});
  EXPECT_EQ("root>midi\nroot>show\ninvalid command.\n", TakeTranscript());

  // Refused insertions: each is reported, the rest are still asked for, in
  // the order the test file is built, and the created data is kept.
  g_insertions.clear();
  {
    ScopedFake tempo(midilib::MIDITrack_InsertTempo, +[](MIDITrack* pTrack, long lTime, long) -> long {
      g_pFirstCreatedTrack = pTrack;
      RecordInsertion("tempo", pTrack, lTime);
      return 0;
    });
    ScopedFake end(midilib::MIDITrack_InsertEndofTrack, +[](MIDITrack* pTrack, long lTime) -> long {
      RecordInsertion("end", pTrack, lTime);
      return 0;
    });
    ScopedFake program(midilib::MIDITrack_InsertProgramChange,
                       +[](MIDITrack* pTrack, long lTime, long, long) -> long {
                         RecordInsertion("program", pTrack, lTime);
                         return 0;
                       });
    ScopedFake note(midilib::MIDITrack_InsertNote,
                    +[](MIDITrack* pTrack, long lTime, long, long, long, long) -> long {
                      RecordInsertion("note", pTrack, lTime);
                      return 0;
                    });
    Type("Create Midi");
  }
  EXPECT_EQ(R"(root>Create Midi
created.
Failed Insert Tempo.
Failed Insert ProgramChange.
Failed Insert Notes.
Failed Insert Notes.
)",
            TakeTranscript());
  EXPECT_EQ((std::vector<std::string>{"tempo 0 0", "end 0 480", "end 1 0", "program 1 0",
                                      "note 1 0", "note 1 10"}),
            g_insertions);
  EXPECT_EQ("midi>", Prompt());
  EXPECT_NE(nullptr, m_pProcessor->GetMIDIData());
}

}  // namespace
