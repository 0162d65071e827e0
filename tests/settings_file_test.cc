// The settings file: "save" in conf> and the read at start-up, in a
// configuration home of each test's own.
#include "commands/settings_file.h"

#include <grp.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <set>

#include "commands/setting_words.h"
#include "tests/command_test_util.h"
#include "tests/motion_test_util.h"

namespace {

class SettingsFileTest : public CommandTest {
 protected:
  void SetUp() override {
    CommandTest::SetUp();
    const char* psz = std::getenv("XDG_CONFIG_HOME");
    m_strSaved = psz ? psz : "";
    m_strHome = TempPath("config");
    setenv("XDG_CONFIG_HOME", m_strHome.c_str(), 1);
    m_strPath = m_strHome + "/sonomot/settings";
  }
  void TearDown() override { setenv("XDG_CONFIG_HOME", m_strSaved.c_str(), 1); }

  std::string ReadText(const std::string& strPath) {
    std::ifstream file(strPath, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  }
  void WriteText(const std::string& strText) {
    std::filesystem::create_directories(m_strHome + "/sonomot");
    std::ofstream(m_strPath, std::ios::binary) << strText;
  }

  std::string m_strSaved, m_strHome, m_strPath;
};

TEST_F(SettingsFileTest, SaveWritesEverySettingAndTheNextStartReadsThemBack) {
  EXPECT_EQ(m_strPath, SettingsFilePath());
  // No file yet: the defaults, and nothing said.
  ExportSettings fresh;
  EXPECT_TRUE(ReadSettingsFile(m_strPath, &fresh).empty());

  // What was typed or given as an option is saved, at a default value
  // too; model, never given, is left to each program's default.
  EnterMode("conf>");
  TypeAll({"layout full", "keys \"key {note}\"", "pedal \"Damper Pedal\"", "angle -5.5",
           "velocity on", "pedalangle -12", "motion steps"});
  // As an option gives it: set beside the console, the processor started with it.
  ExportSettings withOption = m_pProcessor->GetExportSettings();
  std::set<std::string> givenWithOption = m_pProcessor->GetGivenSettings();
  ASSERT_TRUE(
      ApplySettingValue("transpose", "0", &withOption, true, &givenWithOption).IsApplied());
  m_pProcessor->SetExportSettings(withOption, givenWithOption);
  TakeTranscript();
  Type("save");
  EXPECT_EQ("conf>save\n" + ConsoleLines("settings saved to " + m_strPath + "."), TakeTranscript());
  EXPECT_EQ(
      "# Sonomot export settings, written by save in conf>\n"
      "layout full\n"
      "keys \"key {note}\"\n"
      "pedal \"Damper Pedal\"\n"
      "angle -5.5\n"
      "transpose 0\n"
      "velocity on\n"
      "pedalangle -12\n"
      "motion steps\n",
      ReadText(m_strPath));
  struct stat st;
  ASSERT_EQ(0, stat((m_strHome + "/sonomot").c_str(), &st));
  EXPECT_EQ(0700u, st.st_mode & 0777);

  std::set<std::string> given;
  EXPECT_EQ(std::vector<std::string>{"settings from " + m_strPath +
                                     ": layout, keys, pedal, angle, velocity, pedalangle, motion."},
            ReadSettingsFile(m_strPath, &fresh, &given));
  EXPECT_EQ((std::set<std::string>{"layout", "keys", "pedal", "angle", "transpose", "velocity",
                                   "pedalangle", "motion"}),
            given);
  EXPECT_EQ(ShowSettingLines(m_pProcessor->GetExportSettings()), ShowSettingLines(fresh));

  // reset then save: the next start has the defaults and says nothing.
  TypeAll({"reset", "save", "save now"});
  EXPECT_EQ("conf>reset\nsettings reset to default.\nconf>save\n" +
                ConsoleLines("settings saved to " + m_strPath + ".") +
                "conf>save now\ninvalid value.\n" +
                ConsoleLines("save takes no value; the settings go to " + m_strPath + "."),
            TakeTranscript());
  ExportSettings again;
  EXPECT_TRUE(ReadSettingsFile(m_strPath, &again).empty());
  EXPECT_EQ(ShowSettingLines(ExportSettings()), ShowSettingLines(again));

  // Where the file is without XDG_CONFIG_HOME, or with one that is no
  // absolute path.
  const char* pszHome = std::getenv("HOME");
  std::string strHome = pszHome ? pszHome : "";
  setenv("HOME", "/home/someone", 1);
  setenv("XDG_CONFIG_HOME", "relative", 1);
  EXPECT_EQ("/home/someone/.config/sonomot/settings", SettingsFilePath());
  unsetenv("XDG_CONFIG_HOME");
  EXPECT_EQ("/home/someone/.config/sonomot/settings", SettingsFilePath());
  setenv("HOME", strHome.c_str(), 1);
}

TEST_F(SettingsFileTest, BadLinesAreNamedAndSkippedAndTheRestApplies) {
  WriteText(
      "layout full\n"
      "angle 5 5\n"
      "frobnicate on\n"
      "   # a comment\n"
      "keys cc   # named like the pedal until the pedal's line below\n"
      "velocity loud\r\n"
      "velocity on\r\n"
      "pedal Damper\n");
  // Only the last line of a word is applied: line 6 gives way to line 7.
  ExportSettings settings;
  EXPECT_EQ((std::vector<std::string>{
                m_strPath + ":2: invalid value. angle takes degrees from -90 to 90, or default. "
                            "A value with blanks goes in double quotes: angle \"5 5\".",
                m_strPath + ":3: frobnicate is no setting",
                "settings from " + m_strPath + ": layout, keys, pedal, velocity."}),
            ReadSettingsFile(m_strPath, &settings));
  EXPECT_TRUE(settings.bFullLayout);
  EXPECT_EQ("cc", settings.strKeyPrefix);
  EXPECT_EQ("Damper", settings.strPedalName);
  EXPECT_TRUE(settings.bVelocity);
  EXPECT_TRUE(settings.bDefaultAngle);

  // Bones that still clash once every line is in: the keys stay.
  WriteText("keys cc\nmodel Upright\n");
  ExportSettings clashing;
  EXPECT_EQ((std::vector<std::string>{
                m_strPath + ":1: invalid value. key 64 and the pedal would both be named cc064; "
                            "keys left as they were.",
                "settings from " + m_strPath + ": model."}),
            ReadSettingsFile(m_strPath, &clashing));
  EXPECT_EQ("nt", clashing.strKeyPrefix);
  // The pedal's line alone clashes with the keys' default names.
  WriteText("layout full\npedal nt060\n");
  ExportSettings pedal;
  EXPECT_EQ((std::vector<std::string>{
                m_strPath + ":2: invalid value. key 60 and the pedal would both be named nt060; "
                            "pedal left as it was.",
                "settings from " + m_strPath + ": layout."}),
            ReadSettingsFile(m_strPath, &pedal));
  EXPECT_EQ("cc064", pedal.strPedalName);

  // A folder where the file should be.
  std::filesystem::remove(m_strPath);
  std::filesystem::create_directories(m_strPath);
  ExportSettings none;
  EXPECT_EQ(std::vector<std::string>{m_strPath + ": not a settings file"},
            ReadSettingsFile(m_strPath, &none));
}

TEST_F(SettingsFileTest, SaveThatCannotWriteSaysWhyAndKeepsTheOldFile) {
  // A file where the configuration folder should be.
  WriteFile("plain", {'x'});
  setenv("XDG_CONFIG_HOME", TempPath("plain").c_str(), 1);
  EnterMode("conf>");
  Type("save");
  EXPECT_EQ("conf>save\n" + ConsoleLines("Cannot save settings to " + TempPath("plain") +
                                         "/sonomot/settings: Not a directory."),
            TakeTranscript());
  // A settings file that is a folder is not replaced.
  setenv("XDG_CONFIG_HOME", m_strHome.c_str(), 1);
  std::filesystem::create_directories(m_strPath);
  Type("save");
  EXPECT_EQ("conf>save\n" +
                ConsoleLines("Cannot save settings to " + m_strPath + ": can't be opened for writing."),
            TakeTranscript());
  EXPECT_TRUE(std::filesystem::is_directory(m_strPath));
  // The disk fails the file at the last step, as it is put in place: the
  // old file stays, and save says so.
  std::filesystem::remove_all(m_strPath);
  WriteText("layout full\n");
  {
    DiskCallsFake fake(EIO);
    Type("save");
  }
  EXPECT_EQ("conf>save\n" + ConsoleLines("Cannot save settings to " + m_strPath + ": can't be written."),
            TakeTranscript());
  EXPECT_EQ("layout full\n", ReadText(m_strPath));
}

// A file saved by an editor that marks UTF-8 and ends lines with CR LF.
TEST_F(SettingsFileTest, AByteOrderMarkIsNoPartOfTheFirstWord) {
  WriteText("\xEF\xBB\xBFlayout full\r\n");
  ExportSettings settings;
  EXPECT_EQ(std::vector<std::string>{"settings from " + m_strPath + ": layout."},
            ReadSettingsFile(m_strPath, &settings));
  EXPECT_TRUE(settings.bFullLayout);
}

// What an ordinary user meets: a settings file it may not read, in a
// folder it may not write. Run as that user: as root, in a child process
// as user 65534.
TEST_F(SettingsFileTest, AnOrdinaryUserIsToldWhatCantBeReadOrWritten) {
  WriteText("layout full\n");
  ASSERT_EQ(0, chmod(m_strPath.c_str(), 0));
  ASSERT_EQ(0, chmod((m_strHome + "/sonomot").c_str(), 0555));
  // 0 when all is as expected, else the first check that failed.
  auto check = [this]() {
    ExportSettings settings;
    if (ReadSettingsFile(m_strPath, &settings) !=
        std::vector<std::string>{m_strPath + ": Permission denied"}) {
      return 1;
    }
    if (settings.bFullLayout) return 2;
    if (WriteSettingsFile(m_strPath, settings, {}).Message() != "can't be opened for writing") return 3;
    return 0;
  };
  int nResult = RunAsOrdinaryUser(check);
  if (nResult == kNoOrdinaryUser) GTEST_SKIP() << "can't become user 65534 here";
  EXPECT_EQ(0, nResult);
  chmod((m_strHome + "/sonomot").c_str(), 0755);
  chmod(m_strPath.c_str(), 0644);
  EXPECT_EQ("layout full\n", ReadText(m_strPath));
}

// A file that names one word on every line starts as fast as one line:
// only the last line of a word is applied (no map named above it is
// read), and a "reset" line drops what is above it.
TEST_F(SettingsFileTest, EachWordIsAppliedOnceFromItsLastLine) {
  std::filesystem::create_directories(m_strHome + "/sonomot");
  std::ofstream(TempPath("keys.txt")) << "60 middle\n";
  std::string strText;
  for (int i = 0; i < 30000; ++i) strText += "keys map gone.txt\n";
  WriteText(strText + "keys map \"" + TempPath("keys.txt") + "\"\n");
  ExportSettings settings;
  std::set<std::string> given;
  EXPECT_EQ(std::vector<std::string>{"settings from " + m_strPath + ": keys."},
            ReadSettingsFile(m_strPath, &settings, &given));
  EXPECT_EQ("middle", settings.keyMapNames.at(60));
  EXPECT_EQ(std::set<std::string>{"keys"}, given);

  WriteText("layout full\nvelocity on\nRESET\nvelocity on\n");
  ExportSettings reset;
  given.clear();
  EXPECT_EQ(std::vector<std::string>{"settings from " + m_strPath + ": velocity."},
            ReadSettingsFile(m_strPath, &reset, &given));
  EXPECT_FALSE(reset.bFullLayout);
  EXPECT_EQ(std::set<std::string>{"velocity"}, given);
}

// Values that an entered line can't hold (a '#', a quote, a backslash, a
// line break in a map's path) and blanks and Japanese come back exactly.
TEST_F(SettingsFileTest, EveryValueReadsBackExactly) {
  std::string strMap = TempPath("マップ #1 \"a\"\\\nb\r.txt");
  std::ofstream(strMap) << "C4 中央\n";
  ExportSettings settings;
  std::set<std::string> given;
  for (const auto& [pszWord, strValue] :
       std::vector<std::pair<const char*, std::string>>{{"model", "Grand#2 \"B\""},
                                                        {"pedal", "ペダル \\#\""},
                                                        {"keys", "map " + strMap}}) {
    ASSERT_EQ(SettingOutcome::kApplied,
              ApplySettingValue(pszWord, strValue.c_str(), &settings, true, &given).outcome)
        << pszWord;
  }
  ASSERT_TRUE(WriteSettingsFile(m_strPath, settings, given).IsOk());
  ExportSettings read;
  std::set<std::string> readGiven;
  EXPECT_EQ(std::vector<std::string>{"settings from " + m_strPath + ": keys, pedal, model."},
            ReadSettingsFile(m_strPath, &read, &readGiven));
  EXPECT_EQ(given, readGiven);
  EXPECT_EQ("Grand#2 \"B\"", read.strModelName);
  EXPECT_EQ("ペダル \\#\"", read.strPedalName);
  EXPECT_EQ(strMap, read.strKeyMapPath);
  EXPECT_EQ("中央", read.keyMapNames.at(60));
  // A line written by hand keeps its meaning: a backslash before any
  // other letter, and a comment after the closing quote.
  WriteText("model \"C:\\Grand\"  # \"comment\"\n");
  EXPECT_EQ(std::vector<std::string>{"settings from " + m_strPath + ": model."},
            ReadSettingsFile(m_strPath, &read));
  EXPECT_EQ("C:\\Grand", read.strModelName);
}

// save makes the file exactly the new text, also where it is written in
// place (a file with a second name, a folder the user may not write: as
// an ordinary user), and refuses what is no regular file.
TEST_F(SettingsFileTest, SaveLeavesExactlyTheNewTextOrRefuses) {
  const std::string strOld =
      "# Sonomot export settings, written by save in conf>\nlayout full\nvelocity on\n"
      "pedalangle 45\nmodel Long\n";
  const std::string strNew = "# Sonomot export settings, written by save in conf>\nlayout bones\n";
  ExportSettings settings;
  WriteText(strOld);
  ASSERT_EQ(0, link(m_strPath.c_str(), TempPath("second").c_str()));
  EnterMode("conf>");
  TypeAll({"layout bones", "save"});
  EXPECT_EQ("conf>layout bones\nlayout    bones               the file ends after the bone\n"
            "                              keyframes\nconf>save\n" +
                ConsoleLines("settings saved to " + m_strPath + "."),
            TakeTranscript());
  EXPECT_EQ(strNew, ReadText(m_strPath));
  EXPECT_EQ(strNew, ReadText(TempPath("second")));
  ASSERT_EQ(0, unlink(TempPath("second").c_str()));

  // A link to a device: nothing is written, the link stays.
  ASSERT_EQ(0, unlink(m_strPath.c_str()));
  ASSERT_EQ(0, symlink("/dev/zero", m_strPath.c_str()));
  Type("save");
  EXPECT_EQ("conf>save\n" + ConsoleLines("Cannot save settings to " + m_strPath + ": not a regular file."),
            TakeTranscript());
  EXPECT_TRUE(std::filesystem::is_symlink(m_strPath));

  // In a child: the old file stays whole under a size limit the new text
  // passes; a bind-mounted file (root), and its own file in a folder an
  // ordinary user may not write, get exactly the new text.
  const std::string strFolder = m_strHome + "/sonomot";
  auto inChild = [](const std::function<int()>& fnRun) {
    pid_t pid = fork();
    if (pid == 0) _exit(fnRun());
    int nStatus = 0;
    waitpid(pid, &nStatus, 0);
    return WIFEXITED(nStatus) ? WEXITSTATUS(nStatus) : 98;
  };
  ASSERT_EQ(0, unlink(m_strPath.c_str()));
  WriteText("layout full\n");
  ASSERT_EQ(0, link(m_strPath.c_str(), TempPath("second").c_str()));
  EXPECT_EQ(0, inChild([&]() {
    struct rlimit limit = {20, 20};
    if (setrlimit(RLIMIT_FSIZE, &limit) != 0) return 99;
    return WriteSettingsFile(m_strPath, settings, {"layout"}).Message() == "can't be written" ? 0 : 1;
  }));
  EXPECT_EQ("layout full\n", ReadText(m_strPath));
  if (geteuid() == 0) {
    WriteText(strOld);
    ASSERT_EQ(0, unlink(TempPath("second").c_str()));
    std::ofstream(TempPath("mounted")) << "under the mount";
    int nMounted = inChild([&]() {
      if (unshare(CLONE_NEWNS) != 0 ||
          mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
          mount(m_strPath.c_str(), TempPath("mounted").c_str(), nullptr, MS_BIND, nullptr) != 0) {
        return 99;
      }
      return WriteSettingsFile(TempPath("mounted"), settings, {"layout"}).IsOk() ? 0 : 1;
    });
    if (nMounted != 99) {
      EXPECT_EQ(0, nMounted);
      EXPECT_EQ(strNew, ReadText(m_strPath));
      EXPECT_EQ("under the mount", ReadText(TempPath("mounted")));
    }
  }
  WriteText(strOld);
  auto check = [&]() {
    if (!WriteSettingsFile(m_strPath, settings, {"layout"}).IsOk()) return 1;
    return ReadText(m_strPath) == strNew ? 0 : 2;
  };
  int nResult = 0;
  if (geteuid() != 0) {
    ASSERT_EQ(0, chmod(strFolder.c_str(), 0555));
    nResult = check();
  } else {
    ASSERT_EQ(0, chown(m_strPath.c_str(), 65534, 65534));
    nResult = inChild([&]() {
      if (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0) return 99;
      return check();
    });
  }
  chmod(strFolder.c_str(), 0700);
  if (nResult == 99) GTEST_SKIP() << "can't become user 65534 here";
  EXPECT_EQ(0, nResult);
  EXPECT_EQ(strNew, ReadText(m_strPath));
}

}  // namespace
