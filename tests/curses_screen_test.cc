// What the terminal makes of a bracketed paste: an existing file's path is
// dropped on the console, anything else is pasted as text.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "platform/term/curses_screen.h"

namespace fs = std::filesystem;

TEST(CursesScreenTest, PastedTextIsAFilePathOnlyWhenItNamesAnExistingFile) {
  fs::path folder = fs::temp_directory_path() /
                    ("sonomot_paste_" + std::to_string(getpid()));
  fs::create_directories(folder);
  fs::path file = folder / "my song.mid";
  std::ofstream(file) << "x";
  std::string path = file.string();
  EXPECT_EQ(path, CCursesScreen::PastedFilePath(path));
  EXPECT_EQ(path, CCursesScreen::PastedFilePath("  " + path + "\n"));
  EXPECT_EQ(path, CCursesScreen::PastedFilePath("'" + path + "'"));
  EXPECT_EQ(path, CCursesScreen::PastedFilePath("\"" + path + "\""));
  std::string url = "file://" + folder.string() + "/my%20song.mid";
  EXPECT_EQ(path, CCursesScreen::PastedFilePath(url));
  // Not a file: text.
  EXPECT_EQ("", CCursesScreen::PastedFilePath(folder.string()));  // a folder
  EXPECT_EQ("", CCursesScreen::PastedFilePath(path + ".missing"));
  EXPECT_EQ("", CCursesScreen::PastedFilePath(path + "\n" + path));
  EXPECT_EQ("", CCursesScreen::PastedFilePath("'" + path));
  EXPECT_EQ("", CCursesScreen::PastedFilePath("file://%zz"));
  EXPECT_EQ("", CCursesScreen::PastedFilePath(""));
  fs::remove_all(folder);
}
