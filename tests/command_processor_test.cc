// The command table: its order, the modes, and the Yes/No wait of a dump.
#include "commands/command_processor.h"

#include "tests/command_test_util.h"
#include "tests/settings_shown.h"

namespace {

using CommandProcessorTest = CommandTest;

TEST_F(CommandProcessorTest, ModeWordsWorkEverywhereAndOnlyWhole) {
  TypeAll({"roo", "Root", "Conf", "show", "midi", "ROOT", "r", "CONF", "root"});
  EXPECT_EQ(std::string(R"(root>roo
invalid command.
root>Root
root>Conf
conf>show
)") + kDefaultSettingsShown + R"(conf>midi
conf>ROOT
root>r
invalid command.
root>CONF
conf>root
)",
            TakeTranscript());
  EXPECT_EQ("root>", Prompt());
}

TEST_F(CommandProcessorTest, EmptyLinesAndCommentsDoNothing) {
  TypeAll({"", "   ", "# just a note"});
  EXPECT_EQ("root>\nroot>   \nroot># just a note\n", TakeTranscript());
}

TEST_F(CommandProcessorTest, CommandsOfOtherModesAndMissingArgumentsAreInvalid) {
  // Rows that need another mode, a second word or data fall through to the
  // end of the table.
  for (const char* pszPrompt : {"root>", "conf>"}) {
    m_console.SetPrompt(pszPrompt);
    for (const char* pszLine : {"conv pr", "dump", "ex out.vmd", "export", "Open",
                                "track", "tr", "Create", "Create Foo", "conv", "x"}) {
      TakeTranscript();
      Type(pszLine);
      EXPECT_EQ(std::string(pszPrompt) + pszLine + "\ninvalid command.\n",
                TakeTranscript())
          << pszPrompt << pszLine;
    }
  }
  m_console.SetPrompt("conf>");
  TakeTranscript();
  Type("Create Midi");
  EXPECT_EQ("conf>Create Midi\ninvalid command.\n", TakeTranscript());
  m_console.SetPrompt("root>");
  Type("show");
  EXPECT_EQ("root>show\ninvalid command.\n", TakeTranscript());
}

TEST_F(CommandProcessorTest, WithoutDataNothingPretendsToWork) {
  TypeAll({"midi", "mi", "Close", "close", "tr 0", "track x"});
  EXPECT_EQ(R"(root>midi
root>mi
root>Close
root>close
root>tr 0
m_pMIDIData == NULL
root>track x
m_pMIDIData == NULL
)",
            TakeTranscript());
  EXPECT_EQ("root>", Prompt());
  // "track>" can only be reached with data; its commands still answer.
  m_console.SetPrompt("track>");
  TypeAll({"show", "dump", "ex out.vmd", "ex"});
  EXPECT_EQ(R"(track>show
m_pMIDIData == NULL
track>dump
m_pMIDITrack == NULL
track>ex out.vmd
file not ready.
track>ex
invalid command.
)",
            TakeTranscript());
  EXPECT_FALSE(m_pProcessor->IsWaitingAnswer());
}

TEST_F(CommandProcessorTest, SettingsAreConfWordsAndBadValuesChangeNothing) {
  // Outside "conf>" the setting words are no commands.
  for (const char* pszPrompt : {"root>", "midi>", "track>"}) {
    m_console.SetPrompt(pszPrompt);
    TakeTranscript();
    Type("layout full");
    Type("reset");
    EXPECT_EQ(std::string(pszPrompt) + "layout full\ninvalid command.\n" + pszPrompt +
                  "reset\ninvalid command.\n",
              TakeTranscript());
  }
  m_console.SetPrompt("conf>");
  Type("show");
  const std::string defaults = TakeTranscript();
  struct Case {
    const char* pszLine;
    const char* pszAccepts;
  } aCase[] = {
      {"layout", "layout takes bones or full."},
      {"layout fullest", "layout takes bones or full."},
      {"keys", "keys takes a prefix of 1 to 11 Shift-JIS bytes, a pattern with one of {nnn} {n} {note} {piano} making names of at most 14 bytes, or map and a file."},
      {"keys \"\"", "keys takes a prefix of 1 to 11 Shift-JIS bytes, a pattern with one of {nnn} {n} {note} {piano} making names of at most 14 bytes, or map and a file."},
      {"keys abcdefghijkl", "keys takes a prefix of 1 to 11 Shift-JIS bytes, a pattern with one of {nnn} {n} {note} {piano} making names of at most 14 bytes, or map and a file."},
      {"keys \"a\tb\"", "keys takes a prefix of 1 to 11 Shift-JIS bytes, a pattern with one of {nnn} {n} {note} {piano} making names of at most 14 bytes, or map and a file."},
      {"keys \xC3\xA9", "keys takes a prefix of 1 to 11 Shift-JIS bytes, a pattern with one of {nnn} {n} {note} {piano} making names of at most 14 bytes, or map and a file."},
      {"pedal abcdefghijklmno", "pedal takes a bone name of 1 to 14 Shift-JIS bytes, or off."},
      {"pedal \"\"", "pedal takes a bone name of 1 to 14 Shift-JIS bytes, or off."},
      {"angle 90.5", "angle takes degrees from -90 to 90, or default."},
      {"angle -91", "angle takes degrees from -90 to 90, or default."},
      {"angle 1e1", "angle takes degrees from -90 to 90, or default."},
      {"angle nan", "angle takes degrees from -90 to 90, or default."},
      {"angle -", "angle takes degrees from -90 to 90, or default."},
      {"angle .", "angle takes degrees from -90 to 90, or default."},
      {"angle 5,5", "angle takes degrees from -90 to 90, or default."},
      {"transpose 128", "transpose takes whole semitones from -127 to 127."},
      {"transpose -99999999999", "transpose takes whole semitones from -127 to 127."},
      {"transpose 1.5", "transpose takes whole semitones from -127 to 127."},
      {"transpose +", "transpose takes whole semitones from -127 to 127."},
      {"model", "model takes a name of 1 to 19 Shift-JIS bytes."},
      {"model abcdefghijklmnopqrst", "model takes a name of 1 to 19 Shift-JIS bytes."},
  };
  for (const Case& c : aCase) {
    Type(c.pszLine);
    Type("show");
    EXPECT_EQ(std::string("conf>") + c.pszLine + "\ninvalid value.\n" + c.pszAccepts + "\n" +
                  defaults,
              TakeTranscript())
        << c.pszLine;
  }

  // Good values, at their limits, are taken and shown; reset brings back
  // every default.
  TypeAll({"LAYOUT FULL", "keys abcdefghijk", "pedal \"Damper 64\"", "angle -90",
           "transpose -127", "model nineteen-characters", "pedal OFF", "angle +.5"});
  EXPECT_EQ(R"(conf>LAYOUT FULL
layout    full                bone keyframes, then five empty section counts
conf>keys abcdefghijk
keys      abcdefghijk         key bones abcdefghijk000 to abcdefghijk127
conf>pedal "Damper 64"
pedal     Damper 64           sustain pedal bone
conf>angle -90
angle     -90                 key-down turn about X, in degrees
conf>transpose -127
transpose -127                semitones added to every key
conf>model nineteen-characters
model     nineteen-characters model name in the file
conf>pedal OFF
pedal     off                 no sustain pedal keyframes
conf>angle +.5
angle     0.5                 key-down turn about X, in degrees
)",
            TakeTranscript());
  const ExportSettings& settings = m_pProcessor->GetExportSettings();
  EXPECT_TRUE(settings.bFullLayout);
  EXPECT_FALSE(settings.bPedal);
  EXPECT_EQ("Damper 64", settings.strPedalName);
  EXPECT_EQ(0.5, settings.fAngleDegrees);
  EXPECT_EQ(-127, settings.nTranspose);
  TypeAll({"reset now", "show"});
  EXPECT_EQ("conf>reset now\nsettings reset to default.\n" + defaults, TakeTranscript());
}

TEST_F(CommandProcessorTest, ExitClosesTheMainWindowInEveryMode) {
  Type("exit now");
  EXPECT_EQ(1, m_mainWindow.GetCloseCount());
  m_console.SetPrompt("conf>");
  Type("EXIT");
  EXPECT_EQ(2, m_mainWindow.GetCloseCount());
  EXPECT_EQ("root>exit now\nconf>EXIT\n", TakeTranscript());
}

}  // namespace
