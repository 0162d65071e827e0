// sonomot-console as a user runs it: a script on standard input, the
// console's text on standard output, the exit code.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

struct Session {
  std::string output;
  int nExitCode = -1;
};

std::filesystem::path BinFolder() {
  return std::filesystem::read_symlink("/proc/self/exe").parent_path();
}

Session RunScript(const std::string& script) {
  std::filesystem::path input =
      std::filesystem::temp_directory_path() /
      ("sonomot_console_" + std::to_string(getpid()) + ".txt");
  std::ofstream(input, std::ios::binary) << script;
  std::string command = (BinFolder() / "sonomot-console").string() + " < " +
                        input.string() + " 2>&1";
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

}  // namespace
