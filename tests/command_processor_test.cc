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
      {"keys", "keys takes a prefix of 1 to 11 printable ASCII characters, no blank."},
      {"keys \"\"", "keys takes a prefix of 1 to 11 printable ASCII characters, no blank."},
      {"keys abcdefghijkl", "keys takes a prefix of 1 to 11 printable ASCII characters, no blank."},
      {"keys \"a b\"", "keys takes a prefix of 1 to 11 printable ASCII characters, no blank."},
      {"keys \xC3\xA9", "keys takes a prefix of 1 to 11 printable ASCII characters, no blank."},
      {"pedal abcdefghijklmno", "pedal takes a bone name of 1 to 14 printable ASCII characters, or off."},
      {"pedal \"\"", "pedal takes a bone name of 1 to 14 printable ASCII characters, or off."},
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
      {"model", "model takes a name of 1 to 19 printable ASCII characters."},
      {"model abcdefghijklmnopqrst", "model takes a name of 1 to 19 printable ASCII characters."},
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

namespace {

// help lists the words of the current mode, one a line (the settings with
// them in conf>), and says what one word takes and does; an unknown word
// after help is refused like any other.
TEST_F(CommandProcessorTest, HelpListsTheWordsOfEachMode) {
  Type("help");
  EXPECT_EQ(R"(root>help
Root                switch to root>
Conf                switch to conf>, where the export settings are
midi                back to midi> when a file is loaded
track N             select track N (0 is the first) and switch to track>
Create Midi         build a small two-track test file in memory
Open PATH           close what is loaded and load a Standard MIDI File
Close               release the loaded file
help [WORD]         the words of this mode, or what WORD takes and does
exit                end the program
tolk                about Sonomot
his                 the last three lines entered
clear               empty the console
)",
            TakeTranscript());
  struct {
    const char* pszPrompt;
    std::vector<std::string> shown;
    std::vector<std::string> notShown;
  } modes[] = {
      {"midi>", {"conv pianoroll|pr   convert", "show                the file's"},
       {"Create", "dump", "export", "layout"}},
      {"track>", {"dump  ", "export PATH  ", "show                the current track"},
       {"Create", "conv", "layout"}},
      {"conf>", {"reset   ", "show                the export settings"}, {"Create", "conv", "dump"}},
  };
  for (const auto& mode : modes) {
    m_console.SetPrompt(mode.pszPrompt);
    TakeTranscript();
    Type("help");
    std::string text = TakeTranscript();
    for (const std::string& line : mode.shown) {
      EXPECT_NE(std::string::npos, text.find("\n" + line)) << mode.pszPrompt << line << text;
    }
    for (const std::string& word : mode.notShown) {
      EXPECT_EQ(std::string::npos, text.find("\n" + word)) << mode.pszPrompt << word << text;
    }
    for (const char* pszEveryMode : {"Root ", "Open PATH ", "help [WORD] ", "exit "}) {
      EXPECT_NE(std::string::npos, text.find(std::string("\n") + pszEveryMode)) << text;
    }
  }
  // In conf>, every setting word, with what it takes.
  m_console.SetPrompt("conf>");
  TakeTranscript();
  Type("help");
  std::string text = TakeTranscript();
  for (const std::string& word : CommandProcessor::GetSettingWords()) {
    EXPECT_NE(std::string::npos, text.find("\n" + word + " VALUE")) << word << text;
  }
  EXPECT_NE(std::string::npos, text.find("\nlayout VALUE        takes bones or full.\n")) << text;

  TypeAll({"help EX", "help layout", "help show", "help zork"});
  EXPECT_EQ(R"(conf>help EX
export PATH: write the track's motion as a VMD file (track>)
conf>help layout
layout VALUE: takes bones or full. (conf>)
conf>help show
show: the file's information and its tracks (midi>)
show: the current track's information (track>)
show: the export settings (conf>)
conf>help zork
invalid command.
)",
            TakeTranscript());
  EXPECT_EQ("help knows no word \"zork\"", m_pProcessor->GetOutcome().strReason);
  // Nothing else changed: a word that is no command is still refused.
  Type("helpme");
  EXPECT_EQ("conf>helpme\ninvalid command.\n", TakeTranscript());
}

// Each failure is kept as the line's outcome with its reason, for
// scripts; a line that works leaves none. Settings set from the command
// line go through the same words, silently.
TEST_F(CommandProcessorTest, FailuresCarryTheirReasons) {
  struct {
    const char* pszPrompt;
    const char* pszLine;
    const char* pszMessage;  // "" when the line works
    const char* pszReason;
  } cases[] = {
      {"root>", "roo", "invalid command.", "no such word; help lists the words of root>"},
      {"root>", "conv pr", "invalid command.", "conv works in midi>"},
      {"root>", "layout full", "invalid command.", "layout works in conf>"},
      {"root>", "Open", "invalid command.", "Open PATH is how it is used"},
      {"root>", "Create Foo", "invalid command.", "Create Midi is how it is used"},
      {"root>", "show", "invalid command.", "show works in midi>, track> and conf>"},
      {"root>", "tr 0", "m_pMIDIData == NULL", "no MIDI file is open"},
      {"track>", "ex o.vmd", "file not ready.", "conv pr has not been run on the loaded file"},
      {"conf>", "layout x", "invalid value.", "layout takes bones or full"},
      {"conf>", "layout full", "", ""},
      {"conf>", "help", "", ""},
      {"conf>", "Root", "", ""},
  };
  for (const auto& c : cases) {
    m_console.SetPrompt(c.pszPrompt);
    Type(c.pszLine);
    const CommandOutcome& outcome = m_pProcessor->GetOutcome();
    EXPECT_EQ(*c.pszMessage != '\0', outcome.bFailed) << c.pszLine;
    EXPECT_EQ(c.pszMessage, outcome.strMessage) << c.pszLine;
    EXPECT_EQ(c.pszReason, outcome.strReason) << c.pszLine;
  }
  m_console.SetPrompt("root>");
  TakeTranscript();
  EXPECT_EQ(1, m_pProcessor->ApplySetting("model", "My Piano"));
  EXPECT_EQ("My Piano", m_pProcessor->GetExportSettings().strModelName);
  EXPECT_EQ(0, m_pProcessor->ApplySetting("transpose", "+200"));
  EXPECT_EQ("transpose takes whole semitones from -127 to 127",
            m_pProcessor->GetOutcome().strReason);
  EXPECT_EQ(0, m_pProcessor->ApplySetting("zork", "1"));
  EXPECT_EQ(0, m_pProcessor->GetExportSettings().nTranspose);
  EXPECT_EQ("", TakeTranscript());
  EXPECT_EQ("root>", Prompt());
}

}  // namespace
