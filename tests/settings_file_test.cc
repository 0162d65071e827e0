// The settings file: "save" in conf> and the read at start-up, in a
// configuration home of each test's own.
#include "commands/settings_file.h"

#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "commands/setting_words.h"
#include "tests/command_test_util.h"

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

  m_console.SetPrompt("conf>");
  TypeAll({"layout full", "keys \"key {note}\"", "pedal \"Damper Pedal\"", "angle -5.5",
           "velocity on", "pedalangle -12", "motion steps"});
  TakeTranscript();
  Type("save");
  EXPECT_EQ("conf>save\nsettings saved to " + m_strPath + ".\n", TakeTranscript());
  EXPECT_EQ(
      "# Sonomot export settings, written by save in conf>\n"
      "layout full\n"
      "keys \"key {note}\"\n"
      "pedal \"Damper Pedal\"\n"
      "angle -5.5\n"
      "transpose 0\n"
      "model pmdGRAND\n"
      "velocity on\n"
      "pedalangle -12\n"
      "motion steps\n",
      ReadText(m_strPath));
  struct stat st;
  ASSERT_EQ(0, stat((m_strHome + "/sonomot").c_str(), &st));
  EXPECT_EQ(0700u, st.st_mode & 0777);

  EXPECT_EQ(std::vector<std::string>{"settings from " + m_strPath +
                                     ": layout, keys, pedal, angle, velocity, pedalangle, motion."},
            ReadSettingsFile(m_strPath, &fresh));
  EXPECT_EQ(ShowSettingLines(m_pProcessor->GetExportSettings()), ShowSettingLines(fresh));

  // reset then save: the next start has the defaults and says nothing.
  TypeAll({"reset", "save", "save now"});
  EXPECT_EQ("conf>reset\nsettings reset to default.\nconf>save\nsettings saved to " + m_strPath +
                ".\nconf>save now\ninvalid value.\nsave takes no value; the settings go to " +
                m_strPath + ".\n",
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
  ExportSettings settings;
  EXPECT_EQ((std::vector<std::string>{
                m_strPath + ":2: invalid value. angle takes degrees from -90 to 90, or default. "
                            "A value with blanks goes in double quotes: angle \"5 5\".",
                m_strPath + ":3: frobnicate is no setting",
                m_strPath + ":6: invalid value. velocity takes off or on.",
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
  m_console.SetPrompt("conf>");
  Type("save");
  EXPECT_EQ("conf>save\nCannot save settings to " + TempPath("plain") +
                "/sonomot/settings: Not a directory.\n",
            TakeTranscript());
  // A settings file that is a folder is not replaced.
  setenv("XDG_CONFIG_HOME", m_strHome.c_str(), 1);
  std::filesystem::create_directories(m_strPath);
  Type("save");
  EXPECT_EQ("conf>save\nCannot save settings to " + m_strPath + ": can't be opened for writing.\n",
            TakeTranscript());
  EXPECT_TRUE(std::filesystem::is_directory(m_strPath));
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
    if (WriteSettingsFile(m_strPath, settings) != "can't be opened for writing") return 3;
    return 0;
  };
  int nResult = 0;
  if (geteuid() != 0) {
    nResult = check();
  } else {
    pid_t pid = fork();
    if (pid == 0) {
      if (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0) _exit(99);
      _exit(check());
    }
    int nStatus = 0;
    waitpid(pid, &nStatus, 0);
    nResult = WIFEXITED(nStatus) ? WEXITSTATUS(nStatus) : 98;
    if (nResult == 99) GTEST_SKIP() << "can't become user 65534 here";
  }
  EXPECT_EQ(0, nResult);
  chmod((m_strHome + "/sonomot").c_str(), 0755);
  chmod(m_strPath.c_str(), 0644);
  EXPECT_EQ("layout full\n", ReadText(m_strPath));
}

}  // namespace
