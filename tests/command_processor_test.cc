// The command table: its order, the modes, and the Yes/No wait of a dump.
#include "commands/command_processor.h"

#include "tests/command_test_util.h"

namespace {

using CommandProcessorTest = CommandTest;

TEST_F(CommandProcessorTest, ModeWordsWorkEverywhereAndOnlyWhole) {
  TypeAll({"roo", "Root", "Conf", "show", "midi", "ROOT", "r", "CONF", "root"});
  EXPECT_EQ(R"(root>roo
invalid command.
root>Root
root>Conf
conf>show
this space show config
layout    bones               the file ends after the bone keyframes
keys      nt                  key bones nt000 to nt127
pedal     cc064               sustain pedal bone
angle     default             key-down turn about X, -0.04 rad
transpose 0                   semitones added to every key
model     pmdGRAND            model name in the file
conf>midi
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

TEST_F(CommandProcessorTest, ExitClosesTheMainWindowInEveryMode) {
  Type("exit now");
  EXPECT_EQ(1, m_mainWindow.GetCloseCount());
  m_console.SetPrompt("conf>");
  Type("EXIT");
  EXPECT_EQ(2, m_mainWindow.GetCloseCount());
  EXPECT_EQ("root>exit now\nconf>EXIT\n", TakeTranscript());
}

}  // namespace
