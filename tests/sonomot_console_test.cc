// sonomot-console as a user runs it: a script on standard input, the
// console's text on standard output, the exit code.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

#include <algorithm>
#include <cstring>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "tests/settings_shown.h"

namespace {

struct Session {
  std::string output;
  std::string errors;  // standard error
  int nExitCode = -1;
};

std::filesystem::path BinFolder() {
  return std::filesystem::read_symlink("/proc/self/exe").parent_path();
}

std::string ReadBytes(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

// Runs the program on the script; with a folder, the program runs there.
// Standard error goes to session.errors (and to *pErrors when given).
// strConfigHome, when given, is the program's XDG_CONFIG_HOME; args follow
// the program's name; runner goes before it (setpriv ...).
Session RunScript(const std::string& script, const std::filesystem::path& folder = {},
                  const std::string& strConfigHome = "", std::string* pErrors = nullptr,
                  const std::string& args = "", const std::string& runner = "") {
  std::filesystem::path input =
      std::filesystem::temp_directory_path() /
      ("sonomot_console_" + std::to_string(getpid()) + ".txt");
  std::filesystem::path errors = input.string() + ".err";
  std::ofstream(input, std::ios::binary) << script;
  std::string command = runner + (BinFolder() / "sonomot-console").string() + " " + args +
                        " < " + input.string() + " 2>" + errors.string();
  // Never the user's own settings: without a home of the test's own, one
  // that holds none.
  std::string strHome = strConfigHome.empty()
                            ? (std::filesystem::temp_directory_path() / "sonomot_no_config").string()
                            : strConfigHome;
  command = "XDG_CONFIG_HOME='" + strHome + "' " + command;
  if (!folder.empty()) command = "cd '" + folder.string() + "' && " + command;
  Session session;
  FILE* pPipe = popen(command.c_str(), "r");
  if (pPipe == nullptr) return session;
  char szChunk[4096];
  size_t n;
  while ((n = fread(szChunk, 1, sizeof(szChunk), pPipe)) > 0) session.output.append(szChunk, n);
  int nStatus = pclose(pPipe);
  if (WIFEXITED(nStatus)) session.nExitCode = WEXITSTATUS(nStatus);
  session.errors = ReadBytes(errors);
  std::filesystem::remove(input);
  std::filesystem::remove(errors);
  if (pErrors) *pErrors = session.errors;
  return session;
}

// A fresh scratch folder holding a copy of the example MIDI files in
// examples/, so a session's exports land there and not in the source tree.
std::filesystem::path ExampleFolder(const std::string& strName) {
  std::filesystem::path folder = std::filesystem::temp_directory_path() /
                                 (strName + "_" + std::to_string(getpid()));
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder / "examples");
  for (const char* pszName : {"demo.mid", "demo_hands.mid"}) {
    std::filesystem::copy_file(std::filesystem::path(SONOMOT_SOURCE_DIR) / "examples" / pszName,
                               folder / "examples" / pszName);
  }
  return folder;
}


constexpr char kBannerEnd[] = "--------------------------------\n\nroot>";

TEST(SonomotConsoleTest, ScriptFromStandardInput) {
  Session session = RunScript("roo\nRoot\nConf\nshow\nmidi\nexit now\nRoot\n");
  EXPECT_EQ(1, session.nExitCode);  // "roo" failed
  EXPECT_EQ("sonomot-console: line 1: roo: invalid command. (no such word; help lists the words "
            "of root>)\n",
            session.errors);
  size_t nBannerEnd = session.output.find(kBannerEnd);
  ASSERT_NE(std::string::npos, nBannerEnd) << session.output;
  std::string banner = session.output.substr(0, session.output.find("root>"));
  EXPECT_NE(std::string::npos, banner.find("0.0.0.2"));
  EXPECT_EQ(6, std::count(banner.begin(), banner.end(), '\n'));  // six lines
  // "exit" ends the session: the line after it is never read.
  EXPECT_EQ(std::string(R"(root>roo
invalid command.
root>Root
root>Conf
conf>show
)") + kDefaultSettingsShown + R"(conf>midi
conf>exit now
)",
            session.output.substr(nBannerEnd + sizeof(kBannerEnd) - 1 - 5));
}

TEST(SonomotConsoleTest, EndOfInputClosesAsTheCloseBoxWould) {
  Session session = RunScript("Create Midi\r\nshow");  // CR LF, no final line break
  EXPECT_EQ(0, session.nExitCode);
  EXPECT_EQ("", session.errors);
  EXPECT_NE(std::string::npos,
            session.output.find("root>Create Midi\ncreated.\nmidi>show\n*** Information MIDI File ***\n"))
      << session.output;
  EXPECT_EQ(std::string::npos, session.output.find('\r'));
  Session empty = RunScript("");
  EXPECT_EQ(0, empty.nExitCode);
}

// The transcript shows the lines the screen shows: only CR LF ends a line.
// The information block's lines end in a line feed before their CR LF, which
// the screen draws with no width, so no empty line follows each of them.
TEST(SonomotConsoleTest, TranscriptLinesAreTheLinesOnTheScreen) {
  Session session = RunScript("Create Midi\nshow\n");
  EXPECT_NE(std::string::npos,
            session.output.find("midi>show\n*** Information MIDI File ***\nTitle = \"\"\n"
                                "Copyright = \"\"\nComment = \"\"\nTime Mode = 0\n"
                                "Time Resolution = 480\nTrack Count = 2\n\n[Track] 000"))
      << session.output;
}

// The example session we ship runs as it stands: it opens the example file,
// converts it, dumps a page of the piano track and exports it, and no line
// of it is refused. It runs in a copy of the examples, so the motion it
// writes lands there and not in the source tree.
TEST(SonomotConsoleTest, ExampleSessionRunsToItsExport) {
  std::filesystem::path folder = ExampleFolder("sonomot_demo");
  std::string script = ReadBytes(std::filesystem::path(SONOMOT_SOURCE_DIR) / "examples/demo.txt");

  Session session = RunScript(script, folder);
  EXPECT_EQ(0, session.nExitCode) << session.errors;
  const std::string& out = session.output;
  EXPECT_EQ(std::string::npos, out.find("invalid command.")) << out;
  for (const char* pszExpected :
       {"\nFile Open \"demo.mid\".\n\n\n*** Information MIDI File ***\n",
        "[Track] 001 Piano \n", "\nmidi>conv pr\nConvert to SMPTE30BASE.\n",
        "\nmidi>track 1\nmove to track 1.\ntrack>dump\n",
        "\n\nContinue? please input Yes/No\n\ntrack>No\ntrack>show\n",
        "\nTrack Name:Piano\n"}) {
    EXPECT_NE(std::string::npos, out.find(pszExpected)) << pszExpected << "\n" << out;
  }
  std::filesystem::path motion = folder / "demo.vmd";
  ASSERT_TRUE(std::filesystem::exists(motion)) << out;
  auto nSize = std::filesystem::file_size(motion);
  EXPECT_GT(nSize, 54u);
  EXPECT_EQ(0u, (nSize - 54) % 111);  // the header and whole keyframes
  EXPECT_NE(std::string::npos,
            out.find("track>export demo.vmd\nWrite " + std::to_string(nSize) +
                     " Byte.\nComplete.\n\ntrack>exit\n"))
      << out;
  std::filesystem::remove_all(folder);
}

// The second example session sets the export up for another keyboard model:
// the full layout, its own key bone names, an octave up. None of the example's
// notes leaves the keyboard, so the motion has as many keyframes as the
// classic export of the same track, under the new names, and ends with the
// five empty section counts.
TEST(SonomotConsoleTest, ExampleSettingsSessionExportsForAnotherModel) {
  std::filesystem::path folder = ExampleFolder("sonomot_settings");
  Session session = RunScript(
      ReadBytes(std::filesystem::path(SONOMOT_SOURCE_DIR) / "examples/settings.txt"), folder);
  EXPECT_EQ(0, session.nExitCode) << session.errors;
  const std::string& out = session.output;
  EXPECT_EQ(std::string::npos, out.find("invalid")) << out;
  EXPECT_EQ(std::string::npos, out.find("dropped")) << out;
  std::string motion = ReadBytes(folder / "demo_settings.vmd");
  constexpr size_t kClassicKeyFrames = 152;  // the classic export of this track
  ASSERT_EQ(54 + 111 * kClassicKeyFrames + 20, motion.size()) << out;
  EXPECT_NE(std::string::npos, out.find("track>export demo_settings.vmd\nWrite " +
                                        std::to_string(motion.size()) + " Byte.\nComplete.\n"))
      << out;
  EXPECT_EQ(std::string("\x98\0\0\0", 4), motion.substr(50, 4));
  // The key bones come first, then the pedal's, whose name is kept.
  size_t at = 54;
  for (; at + 111 <= motion.size() && motion.compare(at, 4, "key_") == 0; at += 111) {
    int nKey = std::stoi(motion.substr(at + 4, 3));
    // The example's notes lie from key 43 to 67.
    EXPECT_TRUE(nKey >= 43 + 12 && nKey <= 67 + 12) << nKey;
  }
  EXPECT_LT(54u, at);
  for (; at + 111 <= motion.size(); at += 111) {
    ASSERT_EQ(std::string("cc064\0", 6), motion.substr(at, 6)) << "record at " << at;
  }
  EXPECT_EQ(std::string(20, '\0'), motion.substr(motion.size() - 20));
  std::filesystem::remove_all(folder);
}

// The whole-piece session merges the two-hand demo's hands and leaves its
// drums out. Its hands are demo.mid's one piano track split in two, and no
// key is played by both, so the merged motion is the classic export of
// that track (its size and fingerprint below), followed by the full
// layout's five empty counts.
TEST(SonomotConsoleTest, ExampleWholeSessionMergesTheHands) {
  std::filesystem::path folder = ExampleFolder("sonomot_whole");
  Session session = RunScript(
      ReadBytes(std::filesystem::path(SONOMOT_SOURCE_DIR) / "examples/whole.txt"), folder);
  EXPECT_EQ(0, session.nExitCode) << session.errors;
  const std::string& out = session.output;
  EXPECT_EQ(std::string::npos, out.find("invalid")) << out;
  EXPECT_NE(std::string::npos,
            out.find("\n  003  10             16  C2    C2         0  drums\n"
                     "       Drums (drums)\n"))
      << out;
  EXPECT_NE(std::string::npos,
            out.find("midi>export demo_whole.vmd\nmerge track 1 2.\nleft out as drums: track 3.\n"
                     "Write 16946 Byte.\nComplete.\n"))
      << out;
  std::string motion = ReadBytes(folder / "demo_whole.vmd");
  ASSERT_EQ(16926u + 20u, motion.size());
  uint64_t nFingerprint = 0xcbf29ce484222325u;
  for (size_t i = 0; i < 16926; ++i) {
    nFingerprint = (nFingerprint ^ static_cast<unsigned char>(motion[i])) * 0x100000001b3u;
  }
  EXPECT_EQ(0x120fe70e28210825u, nFingerprint);
  EXPECT_EQ(std::string(20, '\0'), motion.substr(16926));
  std::filesystem::remove_all(folder);
}

// With every setting at its default, whether never touched, reset, or set
// to its default value word by word, an export is byte for byte the file
// the program has always written. The sizes and fingerprints are those of
// the exports made before the settings existed.
TEST(SonomotConsoleTest, DefaultSettingsWriteTheClassicFilesByteForByte) {
  struct Case {
    const char* pszOpen;  // the line that loads the data
    int nTrack;
    uintmax_t nSize;
    uint64_t nFingerprint;  // 64-bit FNV-1a of the file
  } aCase[] = {
      {"Open examples/demo.mid", 1, 16926, 0x120fe70e28210825u},
      {"Open " SONOMOT_SOURCE_DIR "/fuzz/corpus/piano40.mid", 1, 17925, 0x6be4c66f4aa3d17du},
      {"Open " SONOMOT_SOURCE_DIR "/fuzz/corpus/overlap.mid", 0, 15261, 0x40e2cc2417b67069u},
      {"Create Midi", 1, 720, 0x72dd771e99b1e530u},
  };
  const std::string kOthers =
      "layout full\nkeys k\npedal off\nangle 3\ntranspose 5\nmodel m\nmotion steps\n";
  for (const Case& c : aCase) {
    std::filesystem::path folder = ExampleFolder("sonomot_defaults");
    std::string track = "tr " + std::to_string(c.nTrack) + "\n";
    Session session = RunScript(std::string(c.pszOpen) + "\nconv pr\n" + track +
                                    "export untouched.vmd\nConf\n" + kOthers + "reset\n" + track +
                                    "export reset.vmd\nConf\n" + kOthers +
                                    "layout bones\nkeys nt\npedal cc064\nangle default\n"
                                    "transpose 0\nmodel pmdGRAND\nmotion classic\n" +
                                    track + "export typed.vmd\n",
                                folder);
    EXPECT_EQ(std::string::npos, session.output.find("invalid")) << session.output;
    for (const char* pszName : {"untouched.vmd", "reset.vmd", "typed.vmd"}) {
      std::string motion = ReadBytes(folder / pszName);
      uint64_t nFingerprint = 0xcbf29ce484222325u;
      for (unsigned char b : motion) nFingerprint = (nFingerprint ^ b) * 0x100000001b3u;
      EXPECT_EQ(c.nSize, motion.size()) << c.pszOpen << " " << pszName;
      EXPECT_EQ(c.nFingerprint, nFingerprint) << c.pszOpen << " " << pszName;
      EXPECT_NE(std::string::npos,
                session.output.find("export " + std::string(pszName) + "\nWrite " +
                                    std::to_string(c.nSize) + " Byte.\nComplete.\n"))
          << session.output;
    }
    std::filesystem::remove_all(folder);
  }
}

// A script's failures are also written to standard error, each with its
// line, the line as typed, the console's message and the reason; a file
// that opens although it is cut short gives a warning there. The
// transcript on standard output is what it always was, and the session
// ends with 1. The folder locked for writing is tested as an ordinary
// user (run as nobody when the test runs as root).
TEST(SonomotConsoleTest, ScriptFailuresAreReportedOnStandardErrorWithTheirReasons) {
  std::filesystem::path folder = ExampleFolder("sonomot_reasons");
  std::filesystem::permissions(folder, std::filesystem::perms::all);  // nobody reads and writes
  std::filesystem::create_directory(folder / "sub");
  std::filesystem::create_directory(folder / "locked");
  std::filesystem::permissions(folder / "locked", std::filesystem::perms::owner_read |
                                                      std::filesystem::perms::owner_exec |
                                                      std::filesystem::perms::others_read |
                                                      std::filesystem::perms::others_exec);
  // Six tracks of one note each: 14 header bytes, then 20 bytes a track.
  std::string track("MTrk\0\0\0\x0c\0\x90\x3c\x40\x60\x80\x3c\x40\0\xff\x2f\0", 20);
  std::string six = std::string("MThd\0\0\0\x06\0\x01\0\x06\x01\xe0", 14);
  for (int i = 0; i < 6; ++i) six += track;
  std::ofstream(folder / "short.mid", std::ios::binary) << six.substr(0, 14 + 40 + 8 + 4);
  std::ofstream(folder / "cut.mid", std::ios::binary) << six.substr(0, 14 + 40 + 8 + 6);
  std::string runner;
  if (geteuid() == 0 && std::system("command -v setpriv >/dev/null") == 0) {
    runner = "setpriv --reuid=65534 --regid=65534 --clear-groups ";
  }
  Session session = RunScript(
      "Open nosuch.mid\nOpen sub\nOpen cut.mid\nOpen short.mid\nconv pr\ntrack 7\n"
      "track 1\nexport /nonexistent/x.vmd\nexport sub\nexport locked/x.vmd\n"
      "export ok.vmd\nConf\nangle 91\n",
      folder, "", nullptr, "", runner);
  EXPECT_EQ(1, session.nExitCode);
  std::string expected =
      "sonomot-console: line 1: Open nosuch.mid: Cannot Open File. (No such file or directory)\n"
      "sonomot-console: line 2: Open sub: Cannot Open File. (Is a directory)\n"
      "sonomot-console: line 3: Open cut.mid: Cannot Open File. (ends inside track 3 of 6 (6 "
      "of its 12 bytes))\n"
      "sonomot-console: line 4: Open short.mid: warning: ends inside track 3 of 6 (4 of its 12 "
      "bytes); tracks 4 to 6 are missing\n"
      "sonomot-console: line 6: track 7: invalid track number. (the tracks are 0 to 2)\n"
      "sonomot-console: line 8: export /nonexistent/x.vmd: Cannot Open File. (No such file or "
      "directory)\n"
      "sonomot-console: line 9: export sub: Cannot Open File. (Is a directory)\n";
  if (geteuid() != 0 || !runner.empty()) {
    expected +=
        "sonomot-console: line 10: export locked/x.vmd: Cannot Open File. (Permission denied)\n";
  }
  expected += "sonomot-console: line 13: angle 91: invalid value. (angle takes degrees from -90 to "
              "90, or default)\n";
  EXPECT_EQ(expected, session.errors);
  // The console's own lines carry no reason.
  EXPECT_NE(std::string::npos, session.output.find("root>Open nosuch.mid\nCannot Open File.\n"))
      << session.output;
  EXPECT_NE(std::string::npos, session.output.find("File Open \"short.mid\".\n"));
  EXPECT_EQ(std::string::npos, session.output.find("No such file")) << session.output;
  EXPECT_TRUE(std::filesystem::exists(folder / "ok.vmd"));
  // The one-line conversion tells the same warning, naming the file.
  session = RunScript("", folder, "", nullptr, "--list short.mid");
  EXPECT_EQ(0, session.nExitCode);
  EXPECT_EQ("sonomot-console: short.mid: warning: ends inside track 3 of 6 (4 of its 12 bytes); "
            "tracks 4 to 6 are missing\n",
            session.errors);

  // A script without failures ends 0 with nothing on standard error.
  session = RunScript("Open examples/demo.mid\nconv pr\ntrack 1\nexport ok.vmd\n", folder);
  EXPECT_EQ(0, session.nExitCode);
  EXPECT_EQ("", session.errors);
  // A transcript that can't be written is a failure.
  std::string script = (folder / "script.txt").string();
  std::ofstream(script) << "Create Midi\n";
  EXPECT_EQ(1 << 8, std::system(((BinFolder() / "sonomot-console").string() + " < " + script +
                                 " > /dev/full 2>/dev/null")
                                    .c_str()));
  std::filesystem::permissions(folder / "locked", std::filesystem::perms::owner_all);
  std::filesystem::remove_all(folder);
}

// A dump still waiting for Yes or No when the script ends fails it: the
// lines after its question (but Yes) were taken as wrong answers, not run. The
// transcript stays as it was; a dump answered with No ends it cleanly.
TEST(SonomotConsoleTest, ADumpLeftWaitingAtTheEndFailsTheScript) {
  std::filesystem::path folder = ExampleFolder("sonomot_dump_waiting");
  Session session = RunScript("Open examples/demo.mid\ntrack 1\ndump\nYes\nexport x.vmd\nexit\n", folder);
  EXPECT_EQ(1, session.nExitCode);
  EXPECT_EQ("sonomot-console: line 3: dump: Continue? please input Yes/No (the input ended while "
            "it waited for Yes or No; 2 later lines were taken as wrong answers)\n",
            session.errors);
  EXPECT_NE(std::string::npos,
            session.output.find("\ntrack>export x.vmd\n\nContinue? please input Yes/No\n\n"
                                "track>exit\n\nContinue? please input Yes/No\n\ntrack>\n"))
      << session.output;
  EXPECT_FALSE(std::filesystem::exists(folder / "x.vmd"));
  session = RunScript("Open examples/demo.mid\ntrack 1\ndump\nNo\n", folder);
  EXPECT_EQ(0, session.nExitCode);
  EXPECT_EQ("", session.errors);
  std::filesystem::remove_all(folder);
}

// Every conf> setting is an option of the same word; a session started
// with them exports with them, and its transcript starts as always.
TEST(SonomotConsoleTest, SettingsOptionsApplyToTheSession) {
  std::filesystem::path folder = ExampleFolder("sonomot_options");
  Session session = RunScript("Create Midi\nconv pr\ntr 1\nexport o.vmd\n", folder, "", nullptr,
                              "--layout full --keys=key_ --transpose 12");
  EXPECT_EQ(0, session.nExitCode) << session.errors;
  EXPECT_NE(std::string::npos, session.output.find(kBannerEnd + std::string("Create Midi\n")))
      << session.output;
  std::string motion = ReadBytes(folder / "o.vmd");
  ASSERT_EQ(720u + 20, motion.size());
  EXPECT_EQ(std::string("key_072\0", 8), motion.substr(54, 8));
  std::filesystem::remove_all(folder);
}

// Files named on the command line are converted without a session, one
// line each on standard output; a file that fails is told on standard
// error and the others still go, the status then 1. Options go the GNU
// way, before or after the files; no input is ever written over.
TEST(SonomotConsoleTest, ConvertsFilesGivenOnTheCommandLine) {
  std::filesystem::path folder = ExampleFolder("sonomot_batch");
  for (const char* pszName : {"demo.mid", "demo_hands.mid"}) {
    std::filesystem::copy_file(std::filesystem::path(SONOMOT_SOURCE_DIR) / "examples" / pszName,
                               folder / pszName);
  }
  Session batch =
      RunScript("", folder, "", nullptr, "demo.mid nosuch.mid demo_hands.mid --motion classic");
  EXPECT_EQ(1, batch.nExitCode);
  EXPECT_EQ(
      "demo.mid -> demo.vmd: 16946 bytes, 152 keyframes, tracks 1, layout full, motion classic\n"
      "demo_hands.mid -> demo_hands.vmd: 16946 bytes, 152 keyframes, tracks 1,2, layout full, "
      "motion classic\n",
            batch.output);
  EXPECT_EQ("sonomot-console: nosuch.mid: Cannot Open File. (No such file or directory)\n",
            batch.errors);
  // The whole piece of the one-track example, asked for in classic, is the
  // console's export of it, in the full layout the conversion writes
  // unless told otherwise.
  std::string motion = ReadBytes(folder / "demo.vmd");
  ASSERT_EQ(16926u + 20u, motion.size());
  uint64_t nFingerprint = 0xcbf29ce484222325u;
  for (size_t i = 0; i < 16926; ++i) {
    nFingerprint = (nFingerprint ^ static_cast<unsigned char>(motion[i])) * 0x100000001b3u;
  }
  EXPECT_EQ(0x120fe70e28210825u, nFingerprint);
  EXPECT_EQ(std::string(20, '\0'), motion.substr(16926));
  EXPECT_EQ(16946u, std::filesystem::file_size(folder / "demo_hands.vmd"));
  EXPECT_FALSE(std::filesystem::exists(folder / "nosuch.vmd"));

  // -o with chosen tracks and a setting, given after the file.
  Session one = RunScript("", folder, "", nullptr,
                          "demo_hands.mid -o one.vmd --track=1 --layout full --motion classic");
  EXPECT_EQ(0, one.nExitCode) << one.errors;
  EXPECT_EQ("demo_hands.mid -> one.vmd: 5735 bytes, 51 keyframes, tracks 1, layout full, "
            "motion classic\n",
            one.output);
  EXPECT_EQ(54u + 111 * 51 + 20, std::filesystem::file_size(folder / "one.vmd"));
  // -d, and "--" before a name that starts with a dash.
  std::filesystem::create_directory(folder / "out");
  std::filesystem::copy_file(folder / "demo.mid", folder / "-x.mid");
  Session into = RunScript("", folder, "", nullptr, "-d out demo.mid -- -x.mid");
  EXPECT_EQ(0, into.nExitCode) << into.errors;
  EXPECT_EQ("demo.mid -> out/demo.vmd: 15947 bytes, 143 keyframes, tracks 1, layout full, "
            "motion steps\n"
            "-x.mid -> out/-x.vmd: 15947 bytes, 143 keyframes, tracks 1, layout full, motion "
            "steps\n",
            into.output);
  Session bad = RunScript("", folder, "", nullptr, "-t 1,1 demo.mid -t 7 -o bad.vmd");
  EXPECT_EQ(1, bad.nExitCode);
  EXPECT_EQ("sonomot-console: demo.mid: invalid track number. (track 1 is given twice)\n",
            bad.errors);
  EXPECT_FALSE(std::filesystem::exists(folder / "bad.vmd"));
  // --list prints the tracks and writes nothing.
  Session list = RunScript("", folder, "", nullptr, "--list demo_hands.mid");
  EXPECT_EQ(0, list.nExitCode) << list.errors;
  EXPECT_EQ("demo_hands.mid:\n"
            "track  channels    notes  low   high   pedal  program   name\n"
            // Names that would pass the console's 64 columns go below.
            "  000  -               0  -     -          0  -\n"
            "       Sonomot Demo (empty)\n"
            "  001  1              13  C4    G4         0  piano\n"
            "       Right hand\n"
            "  002  2              24  G2    G3         8  piano\n"
            "       Left hand\n"
            "  003  10             16  C2    C2         0  drums\n"
            "       Drums (drums)\n"
            "length 7670 ticks.\n\n",
            list.output);
  // An output that is an input is refused, and the input left alone.
  std::filesystem::copy_file(folder / "demo.vmd", folder / "in.vmd");
  Session over = RunScript("", folder, "", nullptr, "-o ./demo.mid demo.mid in.vmd");
  EXPECT_EQ(64, over.nExitCode);  // -o takes one file only
  over = RunScript("", folder, "", nullptr, "-o ./demo.mid demo.mid");
  EXPECT_EQ(1, over.nExitCode);
  EXPECT_EQ("sonomot-console: demo.mid: ./demo.mid would write over an input file\n", over.errors);
  over = RunScript("", folder, "", nullptr, "in.vmd");
  EXPECT_EQ("sonomot-console: in.vmd: in.vmd would write over an input file\n", over.errors);
  // An input given after the file whose output it would be.
  std::filesystem::copy_file(folder / "demo.mid", folder / "in.mid");
  over = RunScript("", folder, "", nullptr, "in.mid in.vmd");
  EXPECT_EQ(1, over.nExitCode);
  EXPECT_EQ("sonomot-console: in.mid: in.vmd would write over an input file\n"
            "sonomot-console: in.vmd: in.vmd would write over an input file\n",
            over.errors);
  EXPECT_EQ(ReadBytes(folder / "demo.vmd"), ReadBytes(folder / "in.vmd"));
  EXPECT_EQ(ReadBytes(std::filesystem::path(SONOMOT_SOURCE_DIR) / "examples/demo.mid"),
            ReadBytes(folder / "demo.mid"));
  std::filesystem::remove_all(folder);
}

// A converted file's line says what the settings dropped, in the words
// the session uses; a motion that would hold no keyframe is a failure
// that writes nothing.
TEST(SonomotConsoleTest, ConversionTellsWhatItDroppedAndRefusesAnEmptyMotion) {
  std::filesystem::path folder = ExampleFolder("sonomot_honest");
  Session dropped = RunScript("", folder, "", nullptr, "--transpose 61 examples/demo.mid");
  EXPECT_EQ(0, dropped.nExitCode) << dropped.errors;
  EXPECT_EQ("examples/demo.mid -> examples/demo.vmd: 15170 bytes, 136 keyframes, tracks 1, "
            "layout full, motion steps, 2 notes outside 0..127 dropped\n",
            dropped.output);
  Session boneless =
      RunScript("", folder, "", nullptr, "--keys k{piano} --transpose -30 examples/demo.mid");
  EXPECT_NE(std::string::npos, boneless.output.find(", 14 notes without a key bone dropped\n"))
      << boneless.output;

  Session empty = RunScript("", folder, "", nullptr,
                            "--transpose 127 --pedal off -o empty.vmd examples/demo.mid");
  EXPECT_EQ(1, empty.nExitCode);
  EXPECT_EQ("", empty.output);
  EXPECT_EQ("sonomot-console: examples/demo.mid: no keyframe to write. (the tracks hold no note "
            "or pedal the settings keep)\n",
            empty.errors);
  EXPECT_FALSE(std::filesystem::exists(folder / "empty.vmd"));
  std::filesystem::remove_all(folder);
}

// Outputs are told from inputs and from each other by the files they name,
// whatever the paths: an earlier output is not written over, a folder
// that may not be searched gives the system's reason (tested as an
// ordinary user), and a folder whose full name is longer than PATH_MAX
// converts like any other.
TEST(SonomotConsoleTest, ConversionTellsFilesApartByWhatTheyName) {
  std::filesystem::path folder = ExampleFolder("sonomot_identity");
  std::filesystem::permissions(folder, std::filesystem::perms::all);  // nobody reads and writes
  std::filesystem::create_directories(folder / "out");
  std::filesystem::create_directories(folder / "other");
  std::filesystem::copy_file(folder / "examples/demo.mid", folder / "other/demo.mid");
  Session twice =
      RunScript("", folder, "", nullptr, "-d out examples/demo.mid ./other/../other/demo.mid");
  EXPECT_EQ(1, twice.nExitCode);
  EXPECT_EQ("examples/demo.mid -> out/demo.vmd: 15947 bytes, 143 keyframes, tracks 1, layout full, "
            "motion steps\n",
            twice.output);
  EXPECT_EQ("sonomot-console: ./other/../other/demo.mid: out/demo.vmd is the output of another "
            "file\n",
            twice.errors);

  std::string runner;
  if (geteuid() == 0 && std::system("command -v setpriv >/dev/null") == 0) {
    runner = "setpriv --reuid=65534 --regid=65534 --clear-groups ";
  }
  if (geteuid() != 0 || !runner.empty()) {
    std::filesystem::create_directories(folder / "locked");
    std::filesystem::copy_file(folder / "examples/demo.mid", folder / "locked/demo.mid");
    std::filesystem::permissions(folder / "locked", std::filesystem::perms::none);
    Session locked = RunScript("", folder, "", nullptr, "locked/demo.mid", runner);
    EXPECT_EQ(1, locked.nExitCode);
    EXPECT_EQ("sonomot-console: locked/demo.mid: Cannot Open File. (Permission denied)\n",
              locked.errors);
    std::filesystem::permissions(folder / "locked", std::filesystem::perms::owner_all);
  }

  // 25 folders of 200 bytes, made and entered one by one.
  std::string strEnter = "cd '" + folder.string() + "'";
  for (int i = 0; i < 25; ++i) {
    strEnter += " && mkdir " + std::string(200, 'd') + " && cd " + std::string(200, 'd');
  }
  std::string strRun =
      strEnter + " && cat '" + (folder / "examples/demo.mid").string() + "' > demo.mid && " +
      "XDG_CONFIG_HOME='" + (std::filesystem::temp_directory_path() / "sonomot_no_config").string() +
      "' " + (BinFolder() / "sonomot-console").string() + " demo.mid > '" +
      (folder / "deep.out").string() + "' 2>&1 && test -s demo.vmd";
  // bash, whose cd goes on by the relative name where the full one is too
  // long.
  std::ofstream(folder / "deep.sh") << strRun << "\n";
  EXPECT_EQ(0, std::system(("bash '" + (folder / "deep.sh").string() + "'").c_str()));
  EXPECT_EQ("demo.mid -> demo.vmd: 15947 bytes, 143 keyframes, tracks 1, layout full, motion steps\n",
            ReadBytes(folder / "deep.out"));
  EXPECT_EQ(0, std::system(("rm -rf '" + folder.string() + "'").c_str()));
}

// An output that can't be written is named with the system's reason, not
// blamed on its input; -o - sends the motion to standard output and the
// file's line to standard error. A folder we may not write is tried as an
// ordinary user.
TEST(SonomotConsoleTest, ConversionNamesTheOutputThatFails) {
  std::filesystem::path folder = ExampleFolder("sonomot_outputs");
  std::filesystem::permissions(folder, std::filesystem::perms::all);
  std::filesystem::create_directories(folder / "sub");
  std::ofstream(folder / "a.vmd") << "x";
  const std::pair<std::string, std::string> failures[] = {
      {"-d nosuchdir", "can't write nosuchdir/demo.vmd (No such file or directory)"},
      {"-o sub", "can't write sub (Is a directory)"},
      {"-d a.vmd", "can't write a.vmd/demo.vmd (Not a directory)"},
  };
  for (const auto& [options, message] : failures) {
    Session session = RunScript("", folder, "", nullptr, options + " examples/demo.mid");
    EXPECT_EQ(1, session.nExitCode) << options;
    EXPECT_EQ("", session.output) << options;
    EXPECT_EQ("sonomot-console: examples/demo.mid: " + message + "\n", session.errors) << options;
  }
  std::string runner;
  if (geteuid() == 0 && std::system("command -v setpriv >/dev/null") == 0) {
    runner = "setpriv --reuid=65534 --regid=65534 --clear-groups ";
  }
  if (geteuid() != 0 || !runner.empty()) {
    std::filesystem::create_directories(folder / "ro");
    std::filesystem::permissions(folder / "ro", std::filesystem::perms::owner_read |
                                                    std::filesystem::perms::owner_exec |
                                                    std::filesystem::perms::others_read |
                                                    std::filesystem::perms::others_exec);
    Session readOnly = RunScript("", folder, "", nullptr, "-d ro examples/demo.mid", runner);
    EXPECT_EQ(1, readOnly.nExitCode);
    EXPECT_EQ("sonomot-console: examples/demo.mid: can't write ro/demo.vmd (Permission denied)\n",
              readOnly.errors);
  }

  Session piped = RunScript("", folder, "", nullptr, "-o - examples/demo.mid");
  EXPECT_EQ(0, piped.nExitCode) << piped.errors;
  EXPECT_EQ("examples/demo.mid -> standard output: 15947 bytes, 143 keyframes, tracks 1, layout "
            "full, motion steps\n",
            piped.errors);
  Session written = RunScript("", folder, "", nullptr, "-o demo.vmd examples/demo.mid");
  EXPECT_EQ(0, written.nExitCode) << written.errors;
  EXPECT_EQ(ReadBytes(folder / "demo.vmd"), piped.output);
  EXPECT_FALSE(std::filesystem::exists(folder / "-"));
  EXPECT_EQ(0, std::system(("rm -rf '" + folder.string() + "'").c_str()));
}

}  // namespace

// Settings saved by one session apply to the next. A script's transcript on
// standard output stays the session's own; what the settings file did goes
// to standard error, a line for each bad line and one saying what changed.
TEST(SonomotConsoleTest, SavedSettingsApplyAtStartAndAreToldOnStandardError) {
  std::filesystem::path home = ExampleFolder("sonomot_console_config");
  std::string strErrors;
  Session first = RunScript("conf\nlayout full\nvelocity on\nsave\n", home, home.string(),
                            &strErrors);
  EXPECT_EQ("", strErrors);
  std::string strPath = (home / "sonomot/settings").string();
  // Past the console's 64 columns, the path goes on the next line.
  EXPECT_NE(std::string::npos, first.output.find("settings saved to\n  " + strPath + ".\n"))
      << first.output;
  std::ofstream(strPath, std::ios::app) << "angle steep\n";

  Session second = RunScript("conf\nshow\n", home, home.string(), &strErrors);
  EXPECT_EQ("sonomot-console: " + strPath +
                ":4: invalid value. angle takes degrees from -90 to 90, or default.\n"
                "sonomot-console: settings from " + strPath + ": layout, velocity.\n",
            strErrors);
  size_t nBannerEnd = second.output.find(kBannerEnd);
  ASSERT_NE(std::string::npos, nBannerEnd) << second.output;
  std::string strShown = kDefaultSettingsShown;
  const std::string strBones =
      "bones               the file ends after the bone\n                              keyframes";
  strShown.replace(strShown.find(strBones), strBones.size(),
                   "full                bone keyframes, then five empty\n"
                   "                              section counts");
  strShown.replace(strShown.find("off                 every key dips the whole angle"), 50,
                   "on                  key dip x (0.25 + 0.75 x velocity\n"
                   "                              / 127)");
  EXPECT_EQ("root>conf\nconf>show\n" + strShown + "conf>\n",
            second.output.substr(nBannerEnd + strlen(kBannerEnd) - 5));
  std::filesystem::remove_all(home);
}

// The conversion writes the full layout unless the settings file or an
// option says otherwise; a layout saved at the console's default is
// obeyed, and a setting never given stays out of the file.
TEST(SonomotConsoleTest, ConversionTakesItsOwnDefaultsOnlyWhereNothingWasGiven) {
  std::filesystem::path home = ExampleFolder("sonomot_conversion_defaults");
  std::string strPath = (home / "sonomot/settings").string();
  auto convert = [&](const std::string& args) {
    std::filesystem::remove(home / "examples/demo.vmd");
    Session session = RunScript("", home, home.string(), nullptr, args + " examples/demo.mid");
    EXPECT_EQ(0, session.nExitCode) << session.errors;
    return std::filesystem::exists(home / "examples/demo.vmd")
               ? std::filesystem::file_size(home / "examples/demo.vmd")
               : 0;
  };
  // An option is given as a typed word is, and a word read at start
  // is saved again.
  EXPECT_EQ(0, RunScript("conf\nsave\n", home, home.string(), nullptr, "--velocity on").nExitCode);
  EXPECT_EQ("# Sonomot export settings, written by save in conf>\nvelocity on\n",
            ReadBytes(strPath));
  // Steps are 999 bytes shorter on this file; bones 20 shorter than full.
  EXPECT_EQ(15947u, convert(""));
  EXPECT_EQ(15927u, convert("--layout bones"));
  EXPECT_EQ(0, RunScript("conf\nlayout bones\nsave\n", home, home.string()).nExitCode);
  EXPECT_EQ("# Sonomot export settings, written by save in conf>\nlayout bones\nvelocity on\n",
            ReadBytes(strPath));
  EXPECT_EQ(15927u, convert(""));
  EXPECT_EQ(15947u, convert("--layout full"));
  // A saved motion classic, the console's default, is obeyed too.
  EXPECT_EQ(0, RunScript("conf\nmotion classic\nsave\n", home, home.string()).nExitCode);
  EXPECT_EQ(16926u, convert(""));
  EXPECT_EQ(15927u, convert("--motion steps"));
  std::filesystem::remove_all(home);
}

// Options are set over the saved settings as one set, the last of a word
// winning, and the key and pedal bones are checked once on the result:
// bones that clash are a wrong command line that names both sources, in
// whichever order they came.
TEST(SonomotConsoleTest, OptionsThatClashWithTheSavedSettingsAreRefused) {
  std::filesystem::path home = ExampleFolder("sonomot_option_clash");
  std::filesystem::create_directories(home / "sonomot");
  std::string strPath = (home / "sonomot/settings").string();
  auto run = [&](const std::string& saved, const std::string& args) {
    std::ofstream(strPath, std::ios::binary) << saved;
    return RunScript("", home, home.string(), nullptr, args);
  };
  const std::string strHint = "\nTry 'sonomot-console --help' for more information.\n";
  Session session = run("keys cc\npedal off\n", "--pedal cc064 examples/demo.mid");
  EXPECT_EQ(64, session.nExitCode);
  EXPECT_EQ("sonomot-console: --pedal cc064 clashes with keys cc from " + strPath +
                ": key 64 and the pedal would both be named cc064" + strHint,
            session.errors);
  session = run("pedal nt061\nkeys key_\n", "--keys nt examples/demo.mid");
  EXPECT_EQ(64, session.nExitCode);
  EXPECT_EQ("sonomot-console: --keys nt clashes with pedal nt061 from " + strPath +
                ": key 61 and the pedal would both be named nt061" + strHint,
            session.errors);
  session = run("", "--pedal cc064 --keys cc");
  EXPECT_EQ(64, session.nExitCode);
  EXPECT_EQ("sonomot-console: --pedal cc064 clashes with --keys cc: key 64 and the pedal would "
            "both be named cc064" + strHint,
            session.errors);
  session = run("", "--keys cc");
  EXPECT_EQ("sonomot-console: --keys cc clashes with the default pedal cc064: key 64 and the "
            "pedal would both be named cc064" + strHint,
            session.errors);
  EXPECT_FALSE(std::filesystem::exists(home / "examples/demo.vmd"));
  // Without a clash in the result, the order of the options doesn't matter.
  for (const char* pszArgs : {"--keys cc --pedal off", "--pedal off --keys cc"}) {
    session = run("", pszArgs + std::string(" examples/demo.mid"));
    EXPECT_EQ(0, session.nExitCode) << pszArgs << session.errors;
  }
  std::filesystem::remove_all(home);
}
