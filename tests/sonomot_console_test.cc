// sonomot-console as a user runs it: a script on standard input, the
// console's text on standard output, the exit code.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace {

struct Session {
  std::string output;
  int nExitCode = -1;
};

std::filesystem::path BinFolder() {
  return std::filesystem::read_symlink("/proc/self/exe").parent_path();
}

// Runs the program on the script; with a folder, the program runs there.
Session RunScript(const std::string& script, const std::filesystem::path& folder = {}) {
  std::filesystem::path input =
      std::filesystem::temp_directory_path() /
      ("sonomot_console_" + std::to_string(getpid()) + ".txt");
  std::ofstream(input, std::ios::binary) << script;
  std::string command = (BinFolder() / "sonomot-console").string() + " < " +
                        input.string() + " 2>&1";
  if (!folder.empty()) command = "cd '" + folder.string() + "' && " + command;
  Session session;
  FILE* pPipe = popen(command.c_str(), "r");
  if (pPipe == nullptr) return session;
  char szChunk[4096];
  size_t n;
  while ((n = fread(szChunk, 1, sizeof(szChunk), pPipe)) > 0) session.output.append(szChunk, n);
  int nStatus = pclose(pPipe);
  if (WIFEXITED(nStatus)) session.nExitCode = WEXITSTATUS(nStatus);
  std::filesystem::remove(input);
  return session;
}

constexpr char kBannerEnd[] = "--------------------------------\n\nroot>";

TEST(SonomotConsoleTest, ScriptFromStandardInput) {
  Session session = RunScript("roo\nRoot\nConf\nshow\nmidi\nexit now\nRoot\n");
  EXPECT_EQ(2, session.nExitCode);
  size_t nBannerEnd = session.output.find(kBannerEnd);
  ASSERT_NE(std::string::npos, nBannerEnd) << session.output;
  std::string banner = session.output.substr(0, session.output.find("root>"));
  EXPECT_NE(std::string::npos, banner.find("0.0.0.2"));
  EXPECT_EQ(6, std::count(banner.begin(), banner.end(), '\n'));  // six lines
  // "exit" ends the session: the line after it is never read.
  EXPECT_EQ(R"(root>roo
invalid command.
root>Root
root>Conf
conf>show
this space show config
conf>midi
conf>exit now
)",
            session.output.substr(nBannerEnd + sizeof(kBannerEnd) - 1 - 5));
}

TEST(SonomotConsoleTest, EndOfInputClosesAsTheCloseBoxWould) {
  Session session = RunScript("Create Midi\r\nshow");  // CR LF, no final line break
  EXPECT_EQ(2, session.nExitCode);
  EXPECT_NE(std::string::npos,
            session.output.find("root>Create Midi\ncreated.\nmidi>show\n*** Information MIDI File ***\n"))
      << session.output;
  EXPECT_EQ(std::string::npos, session.output.find('\r'));
  Session empty = RunScript("");
  EXPECT_EQ(2, empty.nExitCode);
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
  std::filesystem::path source = SONOMOT_SOURCE_DIR;
  std::filesystem::path folder = std::filesystem::temp_directory_path() /
                                 ("sonomot_demo_" + std::to_string(getpid()));
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder / "examples");
  std::filesystem::copy_file(source / "examples/demo.mid", folder / "examples/demo.mid");
  std::ifstream scriptFile(source / "examples/demo.txt", std::ios::binary);
  std::string script((std::istreambuf_iterator<char>(scriptFile)),
                     std::istreambuf_iterator<char>());

  Session session = RunScript(script, folder);
  EXPECT_EQ(2, session.nExitCode);
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

}  // namespace
