// The command table: its order, the modes, and the Yes/No wait of a dump.
#include "commands/command_processor.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <sstream>

#include "commands/command_args.h"
#include "commands/setting_words.h"
#include "console/display_width.h"
#include "motion/vmd_writer.h"
#include "tests/command_test_util.h"
#include "tests/motion_test_util.h"
#include "tests/os_test_util.h"
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
    EnterMode(pszPrompt);
    for (const char* pszLine : {"conv pr", "dump", "ex out.vmd", "export", "Open",
                                "track", "tr", "Create", "Create Foo", "conv", "x"}) {
      TakeTranscript();
      Type(pszLine);
      EXPECT_EQ(std::string(pszPrompt) + pszLine + "\ninvalid command.\n",
                TakeTranscript())
          << pszPrompt << pszLine;
    }
  }
  EnterMode("conf>");
  TakeTranscript();
  Type("Create Midi");
  EXPECT_EQ("conf>Create Midi\ninvalid command.\n", TakeTranscript());
  EnterMode("root>");
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
  EnterMode("track>");
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
    EnterMode(pszPrompt);
    TakeTranscript();
    Type("layout full");
    Type("reset");
    EXPECT_EQ(std::string(pszPrompt) + "layout full\ninvalid command.\n" + pszPrompt +
                  "reset\ninvalid command.\n",
              TakeTranscript());
  }
  EnterMode("conf>");
  Type("show");
  const std::string defaults = TakeTranscript();
  // What keys takes, wrapped under itself within the console's 64 columns.
  const char* kKeysAccepts =
      "keys takes a prefix of 1 to 11 Shift-JIS bytes, a pattern with\n"
      "  one of {nnn} {n} {note} {piano} making names of at most 14\n"
      "  bytes, or map and a file.";
  struct Case {
    const char* pszLine;
    std::string pszAccepts;
  } aCase[] = {
      {"layout", "layout takes bones or full."},
      {"layout fullest", "layout takes bones or full."},
      {"keys", kKeysAccepts},
      {"keys \"\"", std::string(kKeysAccepts) + "\nthe prefix is empty."},
      {"keys abcdefghijkl", std::string(kKeysAccepts) + "\nthe prefix is 12 Shift-JIS bytes, above 11."},
      {"keys \"a\tb\"", std::string(kKeysAccepts) + "\nthe prefix holds a control character."},
      {"keys \xC3\xA9", std::string(kKeysAccepts) + "\nthe prefix has no Shift-JIS form."},
      {"keys map", kKeysAccepts},  // no file: no prefix "map" either
      {"pedal abcdefghijklmno",
       "pedal takes a bone name of 1 to 14 Shift-JIS bytes, or off.\nthe bone name is 15 "
       "Shift-JIS bytes, above 14."},
      {"pedal \"\"", "pedal takes a bone name of 1 to 14 Shift-JIS bytes, or off.\nthe bone name is empty."},
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
      {"model abcdefghijklmnopqrst", "model takes a name of 1 to 19 Shift-JIS bytes.\nthe model name is 20 Shift-JIS bytes, above 19."},
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
layout    full                bone keyframes, then five empty
                              section counts
conf>keys abcdefghijk
keys      abcdefghijk         key bones abcdefghijk000 to
                              abcdefghijk127
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

// Names are any text with a Shift-JIS form, within the field's Shift-JIS
// bytes; a word is never cut to its first value; no two bones share a name.
TEST_F(CommandProcessorTest, NamesAreShiftJisWithinTheirLimitsAndNeverClash) {
  EnterMode("conf>");
  const std::string keys =
      "keys takes a prefix of 1 to 11 Shift-JIS bytes, a pattern with\n"
      "  one of {nnn} {n} {note} {piano} making names of at most 14\n"
      "  bytes, or map and a file.\n";
  const std::string pedal = "pedal takes a bone name of 1 to 14 Shift-JIS bytes, or off.\n";
  const std::string model = "model takes a name of 1 to 19 Shift-JIS bytes.\n";
  struct Case {
    std::string line;
    std::string answer;  // after "invalid value."
  } cases[] = {
      {"pedal Damper Pedal",
       pedal + "A value with blanks goes in double quotes: pedal \"Damper Pedal\".\n"},
      {"layout full now",
       "layout takes bones or full.\nA value with blanks goes in double quotes: layout "
       "\"full now\".\n"},
      {"keys map a.txt b.txt", keys + "A value with blanks goes in double quotes: keys map "
                                      "\"a.txt\n  b.txt\".\n"},
      {"keys cc", keys + "key 64 and the pedal would both be named cc064.\n"},
      {"pedal nt060", pedal + "key 60 and the pedal would both be named nt060.\n"},
      // Eight double-byte characters: 16 bytes.
      {"pedal \xE9\x8D\xB5\xE7\x9B\xA4\xE3\x83\x9A\xE3\x83\x80\xE3\x83\xAB\xE3\x81\xAE\xE5"
       "\x90\x8D\xE5\x89\x8D",
       pedal + "the bone name is 16 Shift-JIS bytes, above 14.\n"},
      // Ten double-byte characters and three blanks: 23 bytes.
      {"model \"\xE3\x83\x94\xE3\x82\xA2\xE3\x83\x8E \xE3\x83\x94\xE3\x82\xA2\xE3\x83\x8E "
       "\xE3\x83\x94\xE3\x82\xA2\xE3\x83\x8E \xE3\x83\x94\"",
       model + "the model name is 23 Shift-JIS bytes, above 19.\n"},
      {"model \xC3\xA9t\xC3\xA9",  // é has no Shift-JIS form
       model + "the model name has no Shift-JIS form.\n"},
      // Nor have − ¥ ‖, which a reader would get back as － \ ∥.
      {"model \xE2\x88\x92\xC2\xA5\xE2\x80\x96", model + "the model name has no Shift-JIS form.\n"},
      {"pedal \"a\tb\"", pedal + "the bone name holds a control character.\n"},
      {"keys {note}{n}", keys},
      {"keys {octave}", keys},
      {"keys }{n", keys},
      {"keys abcdefghijk{note}",  // C#-1 makes 15 bytes
       keys + "the name of key 1 (C#-1) is 15 Shift-JIS bytes, above 14.\n"},
      {"keys \xE9\x8D\xB5\xE7\x9B\xA4\xE3\x81\xAE\xE7\x95\xAA\xE5\x8F\xB7\xE3\x81\xA7\xE3\x81\x99"
       "{nnn}",
       keys + "the name of key 0 (C-1) is 17 Shift-JIS bytes, above 14.\n"},
  };
  for (const Case& c : cases) {
    Type(c.line);
    EXPECT_EQ("conf>" + c.line + "\ninvalid value.\n" + c.answer, TakeTranscript()) << c.line;
  }
  TypeAll({"show"});
  EXPECT_EQ(std::string("conf>show\n") + kDefaultSettingsShown, TakeTranscript());

  // At the limits; "map" without a file is no prefix; the pedal may take
  // a key's name once the keys are named otherwise.
  TypeAll({"keys abcdefghij{note}", "keys \"\xE9\x8D\xB5 {piano}\"", "keys map",
           "pedal \xE3\x83\x9A\xE3\x83\x80\xE3\x83\xAB\xE3\x81\xAE\xE5\x90\x8D\xE5\x89\x8D\xE3"
           "\x81\xA7",
           "model \"\xE3\x83\x94\xE3\x82\xA2\xE3\x83\x8E \xE3\x83\x94\xE3\x82\xA2\xE3\x83\x8E "
           "\xE3\x83\x94\xE3\x82\xA2" "1\"",
           "keys k{n}", "pedal nt060"});
  EXPECT_EQ(
      "conf>keys abcdefghij{note}\n"
      "keys      abcdefghij{note}    key bones abcdefghijC-1 to\n"
      "                              abcdefghijG9\n"
      "conf>keys \"\xE9\x8D\xB5 {piano}\"\n"
      "keys      \xE9\x8D\xB5 {piano}          key bones \xE9\x8D\xB5 1 to \xE9\x8D\xB5 88, other\n"
      "                              keys dropped\n"
      "conf>keys map\n"
      "invalid value.\n" +
      keys +
      "conf>pedal \xE3\x83\x9A\xE3\x83\x80\xE3\x83\xAB\xE3\x81\xAE\xE5\x90\x8D\xE5\x89\x8D\xE3"
      "\x81\xA7\n"
      // Seven wide characters take 14 of the value's 20 columns.
      "pedal     \xE3\x83\x9A\xE3\x83\x80\xE3\x83\xAB\xE3\x81\xAE\xE5\x90\x8D\xE5\x89\x8D\xE3"
      "\x81\xA7      sustain pedal bone\n"
      "conf>model \"\xE3\x83\x94\xE3\x82\xA2\xE3\x83\x8E \xE3\x83\x94\xE3\x82\xA2\xE3\x83\x8E "
      "\xE3\x83\x94\xE3\x82\xA2" "1\"\n"
      "model     \xE3\x83\x94\xE3\x82\xA2\xE3\x83\x8E \xE3\x83\x94\xE3\x82\xA2\xE3\x83\x8E "
      "\xE3\x83\x94\xE3\x82\xA2" "1 model name in the file\n"
      "conf>keys k{n}\n"
      "keys      k{n}                key bones k0 to k127\n"
      "conf>pedal nt060\n"
      "pedal     nt060               sustain pedal bone\n",
      TakeTranscript());
  // 〜 (U+301C) has no Shift-JIS form of its own: the bytes some
  // converters give it, 0x81 0x60, are ～ (U+FF5E) to a reader, so it is
  // refused rather than stored as another name; ～ is a name of its own.
  Type("keys \xE3\x80\x9C{nnn}");
  EXPECT_EQ("conf>keys \xE3\x80\x9C{nnn}\ninvalid value.\n" + keys +
                "the name of key 0 (C-1) has no Shift-JIS form.\n",
            TakeTranscript());
  Type("pedal \xEF\xBD\x9E" "060");
  EXPECT_EQ("conf>pedal \xEF\xBD\x9E" "060\n"
            "pedal     \xEF\xBD\x9E" "060               sustain pedal bone\n",
            TakeTranscript());
}

// keys map FILE: a bad map is refused with the file, the line and what is
// wrong, and the settings stay; a good one names the keys it lists.
TEST_F(CommandProcessorTest, KeyMapsAreCheckedLineByLine) {
  EnterMode("conf>");
  const std::string keys =
      "keys takes a prefix of 1 to 11 Shift-JIS bytes, a pattern with\n"
      "  one of {nnn} {n} {note} {piano} making names of at most 14\n"
      "  bytes, or map and a file.\n";
  std::string strMap = TempPath("map.txt");
  struct Case {
    const char* pszText;
    std::string reason;  // after "PATH"
  } cases[] = {
      {"60 a\nH4 b\n", ":2: H4 is no key number (0 to 127) or note name (C-1 to G9)"},
      {"60 a\n128 b\n", ":2: 128 is no key number (0 to 127) or note name (C-1 to G9)"},
      {"Cb-1 a\n", ":1: Cb-1 is no key number (0 to 127) or note name (C-1 to G9)"},
      {"# name only\n60\n", ":2: a key and its bone name expected"},
      {"C4 a\n60 b\n", ":2: key 60 (C4) is listed twice"},
      {"60 a\nDb4 a\n", ":2: key 61 (C#4) and key 60 would both be named a"},
      {"60 abcdefghijklmno\n",
       ":1: the bone name of key 60 (C4) can't be used: it is 15 Shift-JIS bytes, above 14 (a "
       "bone takes 1 to 14 Shift-JIS bytes)"},
      {"60 \xFF\n",
       ":1: the bone name of key 60 (C4) can't be used: it has no Shift-JIS form (a bone "
       "takes 1 to 14 Shift-JIS bytes)"},
      {"# nothing\n\n", ": lists no key"},
      {"60 a\"b\n", ":1: the bone name of key 60 (C4) has an unbalanced double quote: a\"b"},
      {"C4 \"Key #1\"\n",  // the comment takes the closing quote
       ":1: the bone name of key 60 (C4) has an unbalanced double quote: \"Key"},
  };
  for (const Case& c : cases) {
    WriteFile("map.txt", std::vector<uint8_t>(c.pszText, c.pszText + strlen(c.pszText)));
    Type("keys map " + strMap);
    EXPECT_EQ("conf>keys map " + strMap + "\ninvalid value.\n" + keys +
                  ConsoleLines(strMap + c.reason),
              TakeTranscript())
        << c.pszText;
  }
  Type("keys map " + TempPath("none.txt"));
  EXPECT_EQ("conf>keys map " + TempPath("none.txt") + "\ninvalid value.\n" + keys +
                ConsoleLines(TempPath("none.txt") + ": No such file or directory"),
            TakeTranscript());
  // A map that names a key after the pedal.
  WriteFile("map.txt", {'6', '4', ' ', 'c', 'c', '0', '6', '4', '\n'});
  Type("keys map " + strMap);
  EXPECT_EQ("conf>keys map " + strMap + "\ninvalid value.\n" + keys +
                "key 64 and the pedal would both be named cc064.\n",
            TakeTranscript());
  EXPECT_EQ("nt", m_pProcessor->GetExportSettings().strKeyPrefix);
  EXPECT_EQ("", m_pProcessor->GetExportSettings().strKeyMapPath);

  // Relative to where the program runs, kept as a whole path; C-1 is key 0.
  const char kGood[] = "C-1 bottom\n21 low\nC8 high # the top\n";
  WriteFile("map.txt", std::vector<uint8_t>(kGood, kGood + strlen(kGood)));
  std::filesystem::path cwd = std::filesystem::current_path();
  std::filesystem::current_path(m_folder);
  Type("keys map \"./map.txt\"");
  std::filesystem::current_path(cwd);
  // Joined with the system's own separator.
  std::string strWhole = (std::filesystem::path(m_folder) / "map.txt").string();
  EXPECT_EQ("conf>keys map \"./map.txt\"\n" +
                ConsoleLines("keys      map " + strWhole + " key bones of the map, 3 keys", 30),
            TakeTranscript());
  ASSERT_EQ(128u, m_pProcessor->GetExportSettings().keyMapNames.size());
  EXPECT_EQ("bottom", m_pProcessor->GetExportSettings().keyMapNames[0]);
  EXPECT_EQ("low", m_pProcessor->GetExportSettings().keyMapNames[21]);
  EXPECT_EQ("high", m_pProcessor->GetExportSettings().keyMapNames[108]);
}

// What show prints and save writes, typed back, is the same setting; a
// tiny angle shows without an exponent, and -0 is 0 in the file too.
TEST_F(CommandProcessorTest, EveryShownValueReadsBackToTheSameSetting) {
  EnterMode("conf>");
  TypeAll({"angle 0.00000000000000000000000000000000000000000001", "pedalangle -89.99999999999",
           "pedal \"Damper Pedal\"", "keys \"key {note}\"", "velocity on", "layout full",
           "model \"My Piano\"", "transpose -3"});
  EXPECT_NE(std::string::npos,
            TakeTranscript().find(
                "\nangle     0.00000000000000000000000000000000000000000001\n"
                "                              key-down turn"));
  const ExportSettings& shown = m_pProcessor->GetExportSettings();
  ExportSettings read;
  for (const std::string& strLine : SettingFileLines(shown)) {
    CommandArgs args;
    args.Tokenize(strLine.c_str());
    EXPECT_EQ(SettingOutcome::kApplied, ApplySettingLine(args, &read).outcome) << strLine;
  }
  EXPECT_EQ(ShowSettingLines(shown), ShowSettingLines(read));
  EXPECT_EQ(shown.fAngleDegrees, read.fAngleDegrees);
  EXPECT_EQ(shown.fPedalAngleDegrees, read.fPedalAngleDegrees);
  EXPECT_EQ(shown.strPedalName, read.strPedalName);

  // angle -0 is angle 0: shown as 0, and the same bytes with no negative
  // zero in the rotation.
  FakeTrack track;
  track.Press(10, 60).Release(20, 60);
  auto image = [&track](const ExportSettings& settings) {
    VmdWriter writer(settings);
    writer.WriteHeader();
    writer.WriteMotion(track.GetTrack());
    return writer.GetImage();
  };
  TypeAll({"reset", "angle -0"});
  EXPECT_EQ("conf>reset\nsettings reset to default.\nconf>angle -0\n"
            "angle     0                   key-down turn about X, in degrees\n",
            TakeTranscript());
  std::vector<uint8_t> negative = image(m_pProcessor->GetExportSettings());
  Type("angle 0");
  EXPECT_EQ(image(m_pProcessor->GetExportSettings()), negative);
  // The pressed record's rotation X, bytes 54 + 111 + 31 on.
  EXPECT_EQ((std::vector<uint8_t>{0, 0, 0, 0}),
            std::vector<uint8_t>(negative.begin() + 54 + 111 + 31, negative.begin() + 54 + 111 + 35));
}

TEST_F(CommandProcessorTest, ExitClosesTheMainWindowInEveryMode) {
  Type("exit now");
  EXPECT_EQ(1, m_mainWindow.GetCloseCount());
  EnterMode("conf>");
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
Conf                switch to conf>, where the export settings
                    are
midi                back to midi> when a file is loaded
track N             select track N (0 is the first) and switch
                    to track>
Create Midi         build a small two-track test file in memory
Open PATH           close what is loaded and load a Standard
                    MIDI File
Close               release the loaded file
help [WORD]         the words of this mode, or what WORD takes
                    and does
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
      {"midi>",
       {"conv pianoroll|pr   convert", "show                the file's", "export PATH [N...]  ",
        "info   "},
       {"Create", "dump", "export PATH  ", "layout", "save"}},
      {"track>", {"dump  ", "export PATH  ", "show                the current track", "info  "},
       {"Create", "conv", "layout", "export PATH [N"}},
      {"conf>", {"reset   ", "save   ", "show                the export settings"},
       {"Create", "conv", "dump", "info"}},
  };
  for (const auto& mode : modes) {
    EnterMode(mode.pszPrompt);
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
  EnterMode("conf>");
  TakeTranscript();
  Type("help");
  std::string text = TakeTranscript();
  for (const SettingDescription& setting : DescribeSettings()) {
    std::string word = setting.pszWord;
    EXPECT_NE(std::string::npos, text.find("\n" + word + " VALUE")) << word << text;
  }
  EXPECT_NE(std::string::npos, text.find("\nlayout VALUE        takes bones or full.\n")) << text;

  TypeAll({"help EX", "help layout", "help show", "help zork"});
  EXPECT_EQ(R"(conf>help EX
export PATH: write the track's motion as a VMD file (track>)
export PATH [N...]: write the whole piece, or tracks N...,
  merged into one motion (midi>)
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

// help and dispatch agree in every mode: each word help lists there is
// carried out there with what help says it takes (each alternative of
// "a|b"), each spelling of each row is, and "help WORD" tells of each row.
// Only the console's own words never reach the processor. Create Midi
// needs the library.
using CommandTableTest = MidiCommandTest;

TEST_F(CommandTableTest, HelpAndDispatchAgreeOnEveryRow) {
  const std::set<std::string> kConsoleWords = {"tolk", "his", "clear"};
  const std::string savedHome = ostest::GetSettingsHome();
  ostest::SetSettingsHome(TempPath("config"));  // save writes here
  const std::string filler = TempPath("x");
  auto expectCarriedOut = [&](Mode mode, const std::string& line) {
    EnterMode(PromptOf(mode));
    Type(line);
    EXPECT_NE("invalid command.", m_pProcessor->GetOutcome().strMessage)
        << PromptOf(mode) << line << "\n" << TakeTranscript();
  };
  for (Mode mode : kEachMode) {
    EnterMode(PromptOf(mode));
    TakeTranscript();
    Type("help");
    std::string help = TakeTranscript();
    std::istringstream lines(help.substr(help.find('\n') + 1));
    int nListed = 0;
    for (std::string line; std::getline(lines, line);) {
      if (line[0] == ' ') continue;  // a description wrapped
      std::istringstream usage(line.substr(0, line.find("  ")));
      std::string word, takes;
      usage >> word >> takes;
      ++nListed;
      if (kConsoleWords.count(word) != 0) continue;
      if (takes.empty() || takes[0] == '[') {
        expectCarriedOut(mode, word);
      } else if (std::all_of(takes.begin(), takes.end(),
                             [](unsigned char c) { return std::isupper(c) != 0; })) {
        expectCarriedOut(mode, word + " " + filler);  // PATH, N, VALUE
      } else {
        std::istringstream alternatives(takes);  // pianoroll|pr
        for (std::string second; std::getline(alternatives, second, '|');) {
          expectCarriedOut(mode, word + " " + second);
        }
      }
    }
    EXPECT_GT(nListed, 8) << PromptOf(mode) << help;
  }
  for (const CommandRow& row : CommandProcessor::GetCommandTable()) {
    if (row.pfnRun == nullptr) {
      EXPECT_EQ(1u, kConsoleWords.count(row.spellings[0])) << row.spellings[0];
      continue;
    }
    if (row.strDoes.empty()) continue;  // it only says where its word works
    for (const std::string& spelling : row.spellings) {
      std::vector<std::string> lines;
      for (const std::string& second : row.seconds) lines.push_back(spelling + " " + second);
      if (lines.empty()) lines.push_back(row.nMinCount > 1 ? spelling + " " + filler : spelling);
      for (Mode mode : kEachMode) {
        if (row.nModes & ModeBit(mode)) {
          for (const std::string& line : lines) expectCarriedOut(mode, line);
        }
      }
      TakeTranscript();
      Type("help " + spelling);
      EXPECT_FALSE(m_pProcessor->GetOutcome().bFailed) << spelling;
      EXPECT_NE(std::string::npos,
                TakeTranscript().find("\n" + row.Usage() + ": " + row.strDoes.substr(0, 20)))
          << spelling;
    }
  }
  ostest::SetSettingsHome(savedHome);
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
      {"root>", "Open", "invalid command.", "usage: Open PATH"},
      {"root>", "Create Foo", "invalid command.", "usage: Create Midi"},
      {"root>", "show", "invalid command.", "show works in midi>, track> and conf>"},
      {"root>", "tr 0", "m_pMIDIData == NULL", "no MIDI file is open"},
      {"track>", "ex o.vmd", "file not ready.", "conv pr has not been run on the loaded file"},
      {"conf>", "layout x", "invalid value.", "layout takes bones or full"},
      {"conf>", "layout full", "", ""},
      {"conf>", "help", "", ""},
      {"conf>", "Root", "", ""},
  };
  for (const auto& c : cases) {
    EnterMode(c.pszPrompt);
    Type(c.pszLine);
    const CommandOutcome& outcome = m_pProcessor->GetOutcome();
    EXPECT_EQ(*c.pszMessage != '\0', outcome.bFailed) << c.pszLine;
    EXPECT_EQ(c.pszMessage, outcome.strMessage) << c.pszLine;
    EXPECT_EQ(c.pszReason, outcome.strReason) << c.pszLine;
  }
  ExportSettings settings;
  EXPECT_TRUE(ApplySettingValue("model", "My Piano", &settings).IsApplied());
  EXPECT_EQ("My Piano", settings.strModelName);
  SettingResult refused = ApplySettingValue("transpose", "+200", &settings);
  EXPECT_EQ(SettingOutcome::kRefused, refused.outcome);
  EXPECT_EQ("transpose takes whole semitones from -127 to 127", refused.Reason());
  EXPECT_EQ(SettingOutcome::kNotASetting, ApplySettingValue("zork", "1", &settings).outcome);
  EXPECT_EQ(0, settings.nTranspose);
}

}  // namespace

namespace {

using ConsoleWidthTest = MidiCommandTest;

// Every line the program writes of its own fits the window's 64 columns,
// counted as shown (a Japanese character takes two): help in every mode
// and for every word, show with Japanese names, whose descriptions still
// line up, and info on a track with a long name, which wraps whole.
TEST_F(ConsoleWidthTest, OwnLinesFitSixtyFourColumns) {
  const std::string kName = "\xE3\x83\x9A\xE3\x83\x80\xE3\x83\xAB\xE5\x90\x8D";  // 4 wide: 8 columns
  std::string longName = "A very long name for the right hand of this piece " + kName + kName +
                         kName + " played softly " + std::string(70, 'x');
  std::string path = WriteFile("long.mid", SmfBuilder(1, 1)
                                               .Track()
                                               .Meta(0, 0x03, longName)
                                               .Event(0, {0x90, 60, 90})
                                               .Event(1, {0x80, 60, 0})
                                               .EndOfTrack()
                                               .Build());
  Type("Open " + path);
  TakeTranscript();  // the classic console's lines, the path among them
  std::string text;
  TypeAll({"conv pr", "info", "tr 0", "info"});
  text += TakeTranscript();
  // Nothing of the name is lost by the wrapping.
  for (const char* pszWord : {"A very long name", "played softly", "xxxxxxxxxxxxxxxxxxxx"}) {
    EXPECT_NE(std::string::npos, text.find(pszWord)) << pszWord << text;
  }
  for (const char* pszPrompt : {"root>", "midi>", "track>", "conf>"}) {
    EnterMode(pszPrompt);
    Type("help");
    std::string help = TakeTranscript();
    text += help;
    // The first word of each line, continuation lines left out.
    for (size_t nAt = help.find('\n'); nAt + 1 < help.size(); nAt = help.find('\n', nAt + 1)) {
      if (help[nAt + 1] == ' ') continue;
      Type("help " + help.substr(nAt + 1, help.find_first_of(" \n", nAt + 1) - nAt - 1));
      text += TakeTranscript();
    }
  }
  ASSERT_NE(std::string::npos, text.find("\nlayout VALUE: ")) << "every setting word's help ran";
  TypeAll({("pedal " + kName).c_str(), ("model " + kName + kName).c_str(), "show"});
  std::string show = TakeTranscript();
  text += show;
  // The meaning of every setting begins at column 30.
  EXPECT_NE(std::string::npos,
            show.find("\npedal     " + kName + "            sustain pedal bone\n"))
      << show;
  EXPECT_NE(std::string::npos, show.find("\nmodel     " + kName + kName + "    model name in the file\n"))
      << show;

  for (size_t nAt = 0; nAt < text.size();) {
    size_t nEnd = text.find('\n', nAt);
    std::string line = text.substr(nAt, nEnd - nAt);
    EXPECT_LE(DisplayWidth(line), kConsoleColumns) << line;
    nAt = nEnd + 1;
  }
}

}  // namespace
