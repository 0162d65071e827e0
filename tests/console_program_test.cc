// sonomot-console as a whole: driven by a script through the console's own
// keys, refusing to start without its library, and typed at in a terminal
// (tmux) with the screen read back.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "tests/settings_shown.h"

namespace fs = std::filesystem;

// No program run here reads the user's own settings file: the settings
// home is a folder that holds none.
const bool g_bNoUserSettings = [] {
  std::string strHome = (std::filesystem::temp_directory_path() / "sonomot_no_config").string();
  return setenv("XDG_CONFIG_HOME", strHome.c_str(), 1) == 0;
}();

namespace {

fs::path BinFolder() { return fs::read_symlink("/proc/self/exe").parent_path(); }

struct Result {
  std::string out;
  int nExitCode = -1;
};

// Runs a shell command, collecting its standard output.
Result Shell(const std::string& command) {
  Result result;
  FILE* pPipe = popen(command.c_str(), "r");
  if (pPipe == nullptr) return result;
  char szChunk[4096];
  size_t n = 0;
  while ((n = fread(szChunk, 1, sizeof(szChunk), pPipe)) > 0) {
    result.out.append(szChunk, n);
  }
  int nStatus = pclose(pPipe);
  if (WIFEXITED(nStatus)) result.nExitCode = WEXITSTATUS(nStatus);
  return result;
}

std::string Quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

class TempFolder {
 public:
  TempFolder() {
    m_path = fs::temp_directory_path() /
             ("sonomot_console_" + std::to_string(getpid()) + "_" +
              std::to_string(s_nCount++));
    fs::create_directories(m_path);
  }
  ~TempFolder() {
    std::error_code ec;
    fs::remove_all(m_path, ec);
  }
  const fs::path& Path() const { return m_path; }

 private:
  static inline int s_nCount = 0;
  fs::path m_path;
};

Result RunScript(const std::string& script) {
  TempFolder folder;
  fs::path input = folder.Path() / "script.txt";
  std::ofstream(input, std::ios::binary) << script;
  return Shell("cd " + Quote(folder.Path()) + " && " +
               Quote((BinFolder() / "sonomot-console").string()) + " < " +
               Quote(input.string()) + " 2>/dev/null");
}

TEST(ConsoleProgramTest, AScriptIsTypedThroughTheConsolesOwnKeys) {
  Result r = RunScript("tolk\nhis\nclear\nhis\nCreate Midi\n");
  EXPECT_EQ(0, r.nExitCode);  // nothing failed
  size_t nStart = r.out.find("root>tolk\n");
  ASSERT_NE(std::string::npos, nStart) << r.out;
  EXPECT_EQ(
      "root>tolk\n--------------------------------\n tolk ver 0.0.2.0\n"
      " 2011 Sonomot\n--------------------------------\n\n"
      "root>his\ntolk\n\n"
      "root>clear\nroot>his\ntolk\nhis\nclear\n\n"
      "root>Create Midi\ncreated.\nmidi>\n",
      r.out.substr(nStart));
}

TEST(ConsoleProgramTest, WithoutItsLibraryItSaysSoAndDrawsNothing) {
  TempFolder folder;
  fs::copy_file(BinFolder() / "sonomot-console", folder.Path() / "sonomot-console");
  fs::permissions(folder.Path() / "sonomot-console", fs::perms::owner_all);
  Result r = Shell(Quote((folder.Path() / "sonomot-console").string()) +
                   " < /dev/null 2>" + Quote((folder.Path() / "err").string()));
  EXPECT_EQ(1, r.nExitCode);
  EXPECT_EQ("", r.out);
  std::ifstream err(folder.Path() / "err");
  std::string text((std::istreambuf_iterator<char>(err)),
                   std::istreambuf_iterator<char>());
  EXPECT_EQ("libMIDIData.so\xE3\x81\x8C\xE8\xAA\xAD\xE3\x81\xBF\xE8\xBE\xBC"
            "\xE3\x82\x81\xE3\x81\xBE\xE3\x81\x9B\xE3\x82\x93\n(looked for " +
                (folder.Path() / "libMIDIData.so").string() +
                ": cannot open shared object file: No such file or directory)\n",
            text);
}

// The transcript after the banner: from the first prompt on.
std::string AfterBanner(const std::string& out) {
  size_t n = out.find("root>");
  return n == std::string::npos ? out : out.substr(n);
}

TEST(ConsoleProgramTest, AScriptRunsCommandsUntilExitAndEndsWithCancel) {
  // Mode words in any case, unknown words, "show" by mode; "exit" with an
  // extra word ends the program and nothing after it runs.
  Result r = RunScript("roo\nRoot\nConf\nshow\nmidi\nexit now\ntolk\n");
  EXPECT_EQ(1, r.nExitCode);  // "roo" failed
  EXPECT_EQ(
      std::string("root>roo\ninvalid command.\nroot>Root\nroot>Conf\nconf>show\n") +
          kDefaultSettingsShown + "conf>midi\nconf>exit now\n",
      AfterBanner(r.out));

  // Empty input: the banner and the prompt, then the end of input closes
  // the dialog as its close box would.
  r = RunScript("");
  EXPECT_EQ(0, r.nExitCode);
  EXPECT_EQ("root>\n", AfterBanner(r.out));
  EXPECT_EQ(6u, static_cast<size_t>(std::count(
                    r.out.begin(), r.out.end(), '\n')) - 1)
      << r.out;  // six banner lines
}

TEST(ConsoleProgramTest, ScriptLinesOfAnyShapeAreTypedWhole) {
  // A 100 KB line goes through whole: typed, shown and handed on.
  std::string longLine(100000, 'a');
  Result r = RunScript(longLine + "\nhis\n");
  EXPECT_EQ(1, r.nExitCode);
  EXPECT_EQ("root>" + longLine + "\ninvalid command.\nroot>his\n" + longLine +
                "\n\nroot>\n",
            AfterBanner(r.out));

  // Control bytes (NUL and Escape included) are not typed, so Escape does
  // not close the dialog; bytes that are not UTF-8 are typed as U+FFFD; CR
  // LF ends a line as LF does.
  r = RunScript(std::string("to\0lk\r\n\x1b\x01\x7f\nab\xff\xc3", 15) +
                "\ntolk");
  EXPECT_EQ(1, r.nExitCode);
  EXPECT_EQ(
      "root>tolk\n--------------------------------\n tolk ver 0.0.2.0\n"
      " 2011 Sonomot\n--------------------------------\n\n"
      "root>\n"
      "root>ab\xEF\xBF\xBD\xEF\xBF\xBD\ninvalid command.\n"
      "root>tolk\n--------------------------------\n tolk ver 0.0.2.0\n"
      " 2011 Sonomot\n--------------------------------\n\nroot>\n",
      AfterBanner(r.out));
}

TEST(ConsoleProgramTest, ALongTranscriptLosesNothingToTheLineLimit) {
  // The console keeps 80 lines; the transcript keeps every one of them.
  std::string script;
  std::string expected;
  for (int i = 0; i < 300; ++i) {
    script += "w" + std::to_string(i) + "\n";
    expected += "root>w" + std::to_string(i) + "\ninvalid command.\n";
  }
  Result r = RunScript(script);
  EXPECT_EQ(1, r.nExitCode);
  EXPECT_EQ(expected + "root>\n", AfterBanner(r.out));
}

// --help and --version answer without starting the program (the script on
// standard input is not run); any other argument is refused with EX_USAGE,
// one line and a hint on standard error, and nothing run or written.
TEST(ConsoleProgramTest, CommandLineIsAnsweredOrRefusedBeforeStarting) {
  TempFolder folder;
  std::string program = Quote((BinFolder() / "sonomot-console").string());
  std::string err = Quote((folder.Path() / "err").string());
  auto run = [&](const std::string& args) {
    Result r = Shell("cd " + Quote(folder.Path()) + " && echo 'Create Midi' | " +
                     program + " " + args + " 2>" + err);
    std::ifstream in(folder.Path() / "err");
    return std::make_pair(r, std::string(std::istreambuf_iterator<char>(in),
                                         std::istreambuf_iterator<char>()));
  };
  auto [help, helpErr] = run("--help");
  EXPECT_EQ(0, help.nExitCode);
  EXPECT_EQ(0u, help.out.find("Usage: sonomot-console [OPTION]... [FILE.mid]...\n")) << help.out;
  // Every setting of conf> is an option, listed with what it takes.
  EXPECT_NE(std::string::npos,
            help.out.find("      --layout=VALUE     takes bones or full.\n"))
      << help.out;
  // And what the conversion writes where nothing says otherwise.
  EXPECT_NE(std::string::npos,
            help.out.find("  FILEs are converted with layout full and motion steps unless an "
                          "option or the\n  saved settings say otherwise.\n"))
      << help.out;
  EXPECT_EQ(std::string::npos, help.out.find("root>")) << help.out;
  EXPECT_EQ("", helpErr);

  auto [version, versionErr] = run("--version");
  EXPECT_EQ(0, version.nExitCode);
  EXPECT_EQ(
      "sonomot-console (Sonomot) 0.0.0.2\n"
      "Copyright (C) 2026 Sonomot developers\n"
      "License MIT: <https://opensource.org/license/mit>\n"
      "This is free software: you are free to change and redistribute it.\n"
      "There is NO WARRANTY, to the extent permitted by law.\n",
      version.out);
  EXPECT_EQ("", versionErr);

  const std::pair<std::string, std::string> refused[] = {
      {"--bogus", "unrecognized option '--bogus'"},
      {"-h", "unrecognized option '-h'"},
      {"--output", "option '--output' requires an argument"},
      {"--layout=x", "invalid value 'x' for --layout: layout takes bones or full"},
      {"a.mid --transpose 200", "invalid value '200' for --transpose: transpose takes whole "
                                "semitones from -127 to 127"},
      {"-o a.vmd a.mid b.mid", "-o names the output of one FILE only"},
      {"-t 1,x a.mid", "invalid track list '1,x' (track numbers, 0 for the first, separated by "
                       "commas)"},
      {"-t 1,,2 a.mid", "invalid track list '1,,2' (track numbers, 0 for the first, separated "
                        "by commas)"},
      // Ten digits may not fit an int.
      {"-t 0,1234567890 a.mid", "invalid track list '0,1234567890' (track numbers, 0 for the "
                                "first, separated by commas)"},
      {"--list", "no FILE given to convert or list"},
      // An empty value is no value, never "none given".
      {"-o '' a.mid b.mid", "-o names no file (OUT is empty)"},
      {"--directory= a.mid", "-d names no folder (DIR is empty)"},
      {"-t '' a.mid", "invalid track list '' (track numbers, 0 for the first, separated by "
                      "commas)"},
      {"-o - a.mid b.mid", "-o names the output of one FILE only"},
  };
  for (const auto& [args, reason] : refused) {
    auto [r, text] = run(args);
    EXPECT_EQ(64, r.nExitCode) << args;
    EXPECT_EQ("", r.out) << args;
    EXPECT_EQ("sonomot-console: " + reason +
                  "\nTry 'sonomot-console --help' for more information.\n",
              text)
        << args;
  }
  // After "--" every word is a file, --help too.
  auto [file, fileErr] = run("-- --help");
  EXPECT_EQ(1, file.nExitCode);
  EXPECT_EQ("", file.out);
  EXPECT_EQ("sonomot-console: --help: Cannot Open File. (No such file or directory)\n", fileErr);
  // Help that can't be written is a failure, said on standard error.
  auto [full, fullErr] = run("--help >/dev/full");
  EXPECT_EQ(1, full.nExitCode);
  EXPECT_EQ("sonomot-console: standard output can't be written: No space left on device\n",
            fullErr);
  EXPECT_EQ(1, std::distance(fs::directory_iterator(folder.Path()),
                             fs::directory_iterator()))
      << "only the captured standard error";
}

// A tmux server of our own, with one pane running sonomot-console.
//
// Every wait polls the screen until what it waits for shows or a deadline
// passes; a failed wait reports what it waited for and the screen it saw
// last, so a failure on a slow or loaded machine says what happened.
class TmuxSession {
 public:
  // How long one wait may take: generous, since sanitizer builds on a loaded
  // machine draw slowly. A passing run never waits this long.
  static constexpr std::chrono::seconds kDeadline{60};

  // A non-empty term is the pane's terminal type instead of tmux's own, and
  // all the program writes is also kept in the file "raw" of the folder.
  explicit TmuxSession(const fs::path& folder, int nWidth = 100,
                       int nHeight = 40, const std::string& term = "")
      : m_folder(folder) {
    m_socket = "sonomot_test_" + std::to_string(getpid()) + "_" +
               std::to_string(s_nCount++);
    std::string program = Quote((BinFolder() / "sonomot-console").string());
    if (!term.empty()) {
      // script(1) records the bytes on the way to the pane's terminal.
      program = "TERM=" + term + " script -q -e -c " + Quote(program) + " raw";
    }
    std::string command = "cd " + Quote(folder.string()) + "; " + program +
                          "; echo $? > exit_code; sleep 120";
    Result r = Shell(Tmux() + " -f /dev/null new-session -d -x " +
                     std::to_string(nWidth) + " -y " +
                     std::to_string(nHeight) +
                     " -e TERM=tmux-256color -e LANG=C.UTF-8 " +
                     Quote(command) + " 2>&1");
    m_bStarted = r.nExitCode == 0;
    m_startOutput = r.out;
  }
  ~TmuxSession() { Shell(Tmux() + " kill-server 2>/dev/null"); }

  // Success, or why tmux could not start the session.
  testing::AssertionResult Started() const {
    if (m_bStarted) return testing::AssertionSuccess();
    return testing::AssertionFailure()
           << "tmux could not start a session: " << m_startOutput;
  }
  void Keys(const std::string& keys) {
    Shell(Tmux() + " send-keys -t 0 " + keys);
  }
  // Raw bytes, as hexadecimal numbers separated by blanks.
  void Hex(const std::string& bytes) {
    Shell(Tmux() + " send-keys -t 0 -H " + bytes);
  }
  void Literal(const std::string& text) {
    Shell(Tmux() + " send-keys -t 0 -l " + Quote(text));
  }
  // A bracketed paste, as a terminal sends one when the program asks.
  void Paste(const std::string& text) {
    Shell(Tmux() + " set-buffer -- " + Quote(text));
    Shell(Tmux() + " paste-buffer -p -t 0");
  }
  void Resize(int nWidth, int nHeight) {
    Shell(Tmux() + " resize-window -t 0 -x " + std::to_string(nWidth) +
          " -y " + std::to_string(nHeight));
  }
  std::string Screen(bool bEscapes = false) {
    return Shell(Tmux() + " capture-pane -p " + (bEscapes ? "-e " : "") +
                 "-t 0").out;
  }
  // The screen of the last wait.
  const std::string& LastScreen() const { return m_lastScreen; }

  // Polls the screen until bShown(screen) holds.
  testing::AssertionResult WaitUntil(
      const std::string& what,
      const std::function<bool(const std::string&)>& bShown) {
    auto start = std::chrono::steady_clock::now();
    for (;;) {
      // Ended: the screen can't change any more after this look.
      bool bEnded = ExitCode() >= 0;
      m_lastScreen = Screen();
      if (bShown(m_lastScreen)) return testing::AssertionSuccess();
      if (bEnded || std::chrono::steady_clock::now() >= start + kDeadline) {
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - start);
    return testing::AssertionFailure()
           << "waited " << waited.count() << " ms for " << what
           << "; the program " << ExitState() << "; the screen was:\n"
           << m_lastScreen;
  }
  testing::AssertionResult WaitFor(const std::string& text) {
    return WaitUntil("\"" + text + "\" on the screen",
                     [&text](const std::string& screen) {
                       return screen.find(text) != std::string::npos;
                     });
  }
  // Waits until the input line (the last row that isn't empty) reads row.
  testing::AssertionResult WaitForInputRow(const std::string& row);

  // The program's exit code once it has ended, or -1 after the deadline.
  int WaitForExitCode() {
    auto deadline = std::chrono::steady_clock::now() + kDeadline;
    for (;;) {
      int n = ExitCode();
      if (n >= 0 || std::chrono::steady_clock::now() >= deadline) return n;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
  }

 private:
  // Our own server, also when the tests themselves run inside tmux.
  // -u: the screen is read back as UTF-8 whatever the tests' locale.
  std::string Tmux() const { return "env -u TMUX tmux -u -L " + m_socket; }
  int ExitCode() const {
    std::ifstream in(m_folder / "exit_code");
    int n = -1;
    if (in >> n) return n;
    return -1;
  }
  std::string ExitState() const {
    int n = ExitCode();
    return n < 0 ? "is still running"
                 : "has ended with exit code " + std::to_string(n);
  }

  static inline int s_nCount = 0;
  fs::path m_folder;
  std::string m_socket;
  bool m_bStarted = false;
  std::string m_startOutput;
  std::string m_lastScreen;
};

// The screen's rows.
std::vector<std::string> Rows(const std::string& screen) {
  std::vector<std::string> rows;
  std::istringstream in(screen);
  for (std::string row; std::getline(in, row);) {
    while (!row.empty() && row.back() == ' ') row.pop_back();
    rows.push_back(row);
  }
  return rows;
}

// The last row that isn't empty.
std::string InputRow(const std::string& screen) {
  std::vector<std::string> rows = Rows(screen);
  while (!rows.empty() && rows.back().empty()) rows.pop_back();
  return rows.empty() ? std::string() : rows.back();
}

testing::AssertionResult TmuxSession::WaitForInputRow(const std::string& row) {
  return WaitUntil("the input line \"" + row + "\"",
                   [&row](const std::string& screen) {
                     return InputRow(screen) == row;
                   });
}

bool HaveTmux() {
  return Shell("command -v tmux >/dev/null 2>&1").nExitCode == 0;
}

TEST(ConsoleProgramTest, TypedAtInATerminal) {
  if (!HaveTmux()) {
    GTEST_SKIP() << "tmux is not installed (scripts/deps.sh --test installs it)";
  }
  TempFolder folder;
  TmuxSession tmux(folder.Path());
  ASSERT_TRUE(tmux.Started());
  ASSERT_TRUE(tmux.WaitForInputRow("root>"));
  std::string screen = tmux.LastScreen();
  std::vector<std::string> rows = Rows(screen);
  ASSERT_GE(rows.size(), 9u) << screen;
  EXPECT_EQ(" Sonomot", rows[0]) << screen;  // the title bar
  EXPECT_EQ(" Sonomot ver 0.0.0.2", rows[2]) << screen;
  EXPECT_EQ("root>", rows[7]) << screen;
  // The console's colours, as the nearest of 256: light cyan on dark blue.
  std::string colored = tmux.Screen(true);
  EXPECT_NE(std::string::npos, colored.find("38;5;87")) << colored;
  EXPECT_NE(std::string::npos, colored.find("48;5;17")) << colored;

  // Left at the prompt's end sends the caret to the end of the input.
  tmux.Literal("abc");
  tmux.Keys("Left Left Left Left");
  tmux.Literal("d");
  EXPECT_TRUE(tmux.WaitForInputRow("root>abcd"));
  tmux.Keys("BSpace BSpace BSpace BSpace BSpace BSpace");
  ASSERT_TRUE(tmux.WaitForInputRow("root>"));

  tmux.Literal("tolk");
  tmux.Keys("Enter");
  ASSERT_TRUE(tmux.WaitFor(" 2011 Sonomot"));
  ASSERT_TRUE(tmux.WaitForInputRow("root>"));
  EXPECT_NE(std::string::npos,
            tmux.LastScreen().find(" tolk ver 0.0.2.0\n 2011 Sonomot\n"))
      << tmux.LastScreen();
  // Up recalls the line onto the input line, in place of what is typed
  // ("root>tolk" is on the screen already, as the line entered before: wait
  // for the input line itself).
  auto recallAndErase = [&tmux] {
    tmux.Keys("Up");
    EXPECT_TRUE(tmux.WaitForInputRow("root>tolk"));
    tmux.Keys("BSpace BSpace BSpace BSpace");
    return tmux.WaitForInputRow("root>");
  };
  ASSERT_TRUE(recallAndErase());

  // A pasted file's path is typed in quotes, as a drop; inside a quoted
  // argument it goes in as it is.
  std::ofstream(folder.Path() / "my song.mid") << "x";
  tmux.Literal("x \"");
  tmux.Paste("my song.mid");
  EXPECT_TRUE(tmux.WaitForInputRow("root>x \"my song.mid"));
  tmux.Literal("\" ");
  tmux.Paste("my song.mid");
  EXPECT_TRUE(tmux.WaitForInputRow("root>x \"my song.mid\" \"my song.mid\""));
  ASSERT_TRUE(recallAndErase());

  fs::path demo = fs::path(SONOMOT_SOURCE_DIR) / "examples" / "demo.mid";
  tmux.Literal("Open " + demo.string());
  tmux.Keys("Enter");
  ASSERT_TRUE(tmux.WaitForInputRow("midi>"));
  EXPECT_NE(std::string::npos, tmux.LastScreen().find("Track Count = 2"))
      << tmux.LastScreen();
  tmux.Literal("conv pr");
  tmux.Keys("Enter");
  ASSERT_TRUE(tmux.WaitFor("optimize the pianoroll."));
  tmux.Literal("track 1");
  tmux.Keys("Enter");
  ASSERT_TRUE(tmux.WaitForInputRow("track>"));
  tmux.Literal("export out.vmd");
  tmux.Keys("Enter");
  ASSERT_TRUE(tmux.WaitFor("Complete.\n"));
  EXPECT_EQ("track>", InputRow(tmux.LastScreen())) << tmux.LastScreen();
  EXPECT_TRUE(fs::exists(folder.Path() / "out.vmd"));
  std::error_code ec;
  EXPECT_GT(fs::file_size(folder.Path() / "out.vmd", ec), 0u);

  // Escape is Cancel, as in a dialog: a normal end.
  tmux.Keys("Escape");
  EXPECT_EQ(0, tmux.WaitForExitCode()) << tmux.Screen();
}

// A terminal sends Alt with a key as Escape and the key; only Escape alone
// is Cancel, and an undecoded escape sequence is dropped whole. A byte that is not UTF-8 is typed as U+FFFD and takes no key
// after it with it. Resizing, down to a single cell, redraws without losing
// anything, and a widened view shows whole lines again.
TEST(ConsoleProgramTest, AltKeysStrayBytesAndResizingInATerminal) {
  if (!HaveTmux()) {
    GTEST_SKIP() << "tmux is not installed (scripts/deps.sh --test installs it)";
  }
  TempFolder folder;
  TmuxSession tmux(folder.Path(), 60, 20);
  ASSERT_TRUE(tmux.Started());
  ASSERT_TRUE(tmux.WaitForInputRow("root>"));

  tmux.Literal("ab");
  tmux.Keys("M-x M-b");  // nothing typed, the program goes on
  tmux.Literal("c");
  ASSERT_TRUE(tmux.WaitForInputRow("root>abc"));

  tmux.Hex("ff");
  tmux.Literal("\xE6\x97\xA5\xC3\xA9");  // two characters, whole
  tmux.Hex("e6 97");                        // cut short by the next key
  tmux.Literal("d");
  tmux.Keys("M-\xC3\xA9");                   // Alt with a character
  tmux.Literal("e");
  const std::string kReplacement = "\xEF\xBF\xBD";
  ASSERT_TRUE(tmux.WaitForInputRow("root>abc" + kReplacement +
                                   "\xE6\x97\xA5\xC3\xA9" + kReplacement +
                                   "de"));
  tmux.Keys("BSpace BSpace BSpace BSpace BSpace BSpace BSpace BSpace BSpace");
  ASSERT_TRUE(tmux.WaitForInputRow("root>"));
  // Keys the terminal database doesn't know type nothing: Ctrl+Enter in the
  // "CSI u" mode, modifyOtherKeys' Ctrl+Tab, an unknown CSI and SS3 key.
  tmux.Literal("f");
  tmux.Hex("1b 5b 31 33 3b 35 75");
  tmux.Hex("1b 5b 32 37 3b 35 3b 39 7e");
  tmux.Hex("1b 5b 39 39 7e");
  tmux.Hex("1b 4f 35 7a");
  tmux.Literal("g");
  ASSERT_TRUE(tmux.WaitForInputRow("root>fg"));
  tmux.Keys("BSpace BSpace");
  ASSERT_TRUE(tmux.WaitForInputRow("root>"));

  tmux.Literal("tolk");
  tmux.Keys("Enter");
  ASSERT_TRUE(tmux.WaitFor(" 2011 Sonomot"));
  for (auto [nWidth, nHeight] :
       std::vector<std::pair<int, int>>{{1, 1}, {2, 2}, {1, 3}, {7, 1}}) {
    tmux.Resize(nWidth, nHeight);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  // Typed while the view is one column wide: the view scrolls sideways.
  tmux.Literal("his");
  tmux.Resize(60, 20);
  ASSERT_TRUE(tmux.WaitForInputRow("root>his"));
  EXPECT_NE(std::string::npos,
            tmux.LastScreen().find("\n tolk ver 0.0.2.0\n 2011 Sonomot\n"))
      << tmux.LastScreen();
  tmux.Keys("Enter");
  ASSERT_TRUE(tmux.WaitFor("root>his\ntolk\n\nroot>"));

  // Escape twice in one read is still Cancel; a session typed at ends 0
  // whatever was typed.
  tmux.Hex("1b 1b");
  EXPECT_EQ(0, tmux.WaitForExitCode()) << tmux.Screen();
}

// Bracketed paste, the cursor's shape and the window title are sent only
// to a terminal whose terminfo entry has them (xterm's does); vt100 is drawn
// on without them, and dumb, which can't place the cursor, is typed at line
// by line as a script is. All three show the reasons of failures.
TEST(ConsoleProgramTest, OnlyWhatTheTerminalsEntryKnowsIsSent) {
  if (!HaveTmux()) {
    GTEST_SKIP() << "tmux is not installed (scripts/deps.sh --test installs it)";
  }
  for (std::string term : {"xterm", "vt100", "dumb"}) {
    TempFolder folder;
    TmuxSession tmux(folder.Path(), 80, 24, term);
    ASSERT_TRUE(tmux.Started()) << term;
    ASSERT_TRUE(tmux.WaitFor("root>")) << term;
    tmux.Literal("tolk");
    tmux.Keys("Enter");
    ASSERT_TRUE(tmux.WaitFor(" 2011 Sonomot")) << term;
    // Typed at, drawn or line by line, a failure's reason follows its answer.
    tmux.Literal("Open nosuch.mid");
    tmux.Keys("Enter");
    EXPECT_TRUE(tmux.WaitFor("\nCannot Open File.\n(No such file or directory)\nroot>")) << term;
    if (term == "dumb") {
      // The line shows once, as the terminal echoed it after the prompt.
      std::string screen = tmux.LastScreen();
      EXPECT_NE(std::string::npos, screen.find("\nroot>tolk\n-----")) << screen;
      EXPECT_EQ(std::string::npos, screen.find("\ntolk\n")) << screen;
    }
    // A dumb terminal's end of input closes the program as Escape does.
    tmux.Keys(term == "dumb" ? "C-d" : "Escape");
    EXPECT_GE(tmux.WaitForExitCode(), 0) << term << ":\n" << tmux.Screen();
    std::ifstream in(folder.Path() / "raw", std::ios::binary);
    std::string raw((std::istreambuf_iterator<char>(in)),
                    std::istreambuf_iterator<char>());
    bool bXterm = term == "xterm";
    for (std::string sequence : {"\033[?2004h", "\033[?2004l", "\033[2 q",
                                 "\033[0 q", "\033]0;Sonomot\007"}) {
      EXPECT_EQ(bXterm, raw.find(sequence) != std::string::npos)
          << term << " " << sequence.substr(1) << " in:\n" << raw;
    }
    EXPECT_EQ(term == "dumb", raw.find("\033") == std::string::npos)
        << term << ":\n" << raw;
  }
}

}  // namespace
