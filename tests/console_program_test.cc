// sonomot-console as a whole: driven by a script through the console's own
// keys, refusing to start without its library, and typed at in a terminal
// (tmux) with the screen read back.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

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
  EXPECT_EQ(2, r.nExitCode);
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
  EXPECT_EQ(0, r.nExitCode);
  EXPECT_EQ("", r.out);
  std::ifstream err(folder.Path() / "err");
  std::string text((std::istreambuf_iterator<char>(err)),
                   std::istreambuf_iterator<char>());
  EXPECT_EQ("libMIDIData.so\xE3\x81\x8C\xE8\xAA\xAD\xE3\x81\xBF\xE8\xBE\xBC"
            "\xE3\x82\x81\xE3\x81\xBE\xE3\x81\x9B\xE3\x82\x93\n",
            text);
}

// A tmux server of our own, with one pane running sonomot-console.
class TmuxSession {
 public:
  explicit TmuxSession(const fs::path& folder) : m_folder(folder) {
    m_socket = "sonomot_test_" + std::to_string(getpid());
    std::string program = Quote((BinFolder() / "sonomot-console").string());
    std::string command = "cd " + Quote(folder.string()) + "; " + program +
                          "; echo $? > exit_code; sleep 60";
    m_bStarted =
        Shell(Tmux() + " -f /dev/null new-session -d -x 100 -y 40"
                       " -e TERM=tmux-256color -e LANG=C.UTF-8 " +
              Quote(command) + " 2>&1")
            .nExitCode == 0;
  }
  ~TmuxSession() { Shell(Tmux() + " kill-server 2>/dev/null"); }

  bool Started() const { return m_bStarted; }
  void Keys(const std::string& keys) {
    Shell(Tmux() + " send-keys -t 0 " + keys);
  }
  void Literal(const std::string& text) {
    Shell(Tmux() + " send-keys -t 0 -l " + Quote(text));
  }
  std::string Screen(bool bEscapes = false) {
    return Shell(Tmux() + " capture-pane -p " + (bEscapes ? "-e " : "") +
                 "-t 0").out;
  }
  // Waits (up to 20 s, for slow sanitizer builds) until the screen shows
  // the text; returns the screen.
  std::string WaitFor(const std::string& text) {
    std::string screen;
    for (int i = 0; i < 200; ++i) {
      screen = Screen();
      if (screen.find(text) != std::string::npos) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return screen;
  }
  int WaitForExitCode() {
    for (int i = 0; i < 200; ++i) {
      std::ifstream in(m_folder / "exit_code");
      int n = -1;
      if (in >> n) return n;
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return -1;
  }

 private:
  // Our own server, also when the tests themselves run inside tmux.
  std::string Tmux() const { return "env -u TMUX tmux -L " + m_socket; }
  fs::path m_folder;
  std::string m_socket;
  bool m_bStarted = false;
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

TEST(ConsoleProgramTest, TypedAtInATerminal) {
  if (Shell("command -v tmux >/dev/null 2>&1").nExitCode != 0) {
    GTEST_SKIP() << "tmux is not installed (scripts/deps.sh --test installs it)";
  }
  TempFolder folder;
  TmuxSession tmux(folder.Path());
  ASSERT_TRUE(tmux.Started());
  std::string screen = tmux.WaitFor("root>");
  std::vector<std::string> rows = Rows(screen);
  ASSERT_GE(rows.size(), 9u) << screen;
  EXPECT_EQ(" Sonomot", rows[0]);  // the title bar
  EXPECT_EQ(" Sonomot ver 0.0.0.2", rows[2]);
  EXPECT_EQ("root>", rows[7]);
  // The console's colours, as the nearest of 256: light cyan on dark blue.
  std::string colored = tmux.Screen(true);
  EXPECT_NE(std::string::npos, colored.find("38;5;87")) << colored;
  EXPECT_NE(std::string::npos, colored.find("48;5;17")) << colored;

  // Left at the prompt's end sends the caret to the end of the input.
  tmux.Literal("abc");
  tmux.Keys("Left Left Left Left");
  tmux.Literal("d");
  EXPECT_EQ("root>abcd", InputRow(tmux.WaitFor("root>abcd")));
  tmux.Keys("BSpace BSpace BSpace BSpace BSpace BSpace");
  tmux.WaitFor("root>\n");

  tmux.Literal("tolk");
  tmux.Keys("Enter");
  screen = tmux.WaitFor(" 2011 Sonomot");
  EXPECT_NE(std::string::npos, screen.find(" tolk ver 0.0.2.0\n 2011 Sonomot\n"))
      << screen;
  // Up recalls the line.
  tmux.Keys("Up");
  EXPECT_EQ("root>tolk", InputRow(tmux.WaitFor("root>tolk\n")));
  tmux.Keys("BSpace BSpace BSpace BSpace");

  fs::path demo = fs::path(SONOMOT_SOURCE_DIR) / "examples" / "demo.mid";
  tmux.Literal("Open " + demo.string());
  tmux.Keys("Enter");
  screen = tmux.WaitFor("midi>");
  EXPECT_NE(std::string::npos, screen.find("Track Count = 2")) << screen;
  tmux.Literal("conv pr");
  tmux.Keys("Enter");
  tmux.WaitFor("optimize the pianoroll.");
  tmux.Literal("track 1");
  tmux.Keys("Enter");
  tmux.WaitFor("track>");
  tmux.Literal("export out.vmd");
  tmux.Keys("Enter");
  screen = tmux.WaitFor("Complete.");
  EXPECT_NE(std::string::npos, screen.find("Complete.\n")) << screen;
  EXPECT_EQ("track>", InputRow(screen));
  EXPECT_TRUE(fs::exists(folder.Path() / "out.vmd"));
  EXPECT_GT(fs::file_size(folder.Path() / "out.vmd"), 0u);

  // Escape is Cancel, as in a dialog.
  tmux.Keys("Escape");
  EXPECT_EQ(2, tmux.WaitForExitCode());
}

}  // namespace
