// What the terminal makes of a bracketed paste: an existing file's path is
// dropped on the console, anything else is pasted as text.
#include <gtest/gtest.h>
#include <unistd.h>

#include <clocale>
#include <filesystem>
#include <fstream>

#include "frontends/term/curses_screen.h"

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

// The caret stands where the drawn characters before it end: a lone line
// feed or carriage return inside a line (text read from a MIDI file) is not
// drawn and takes no column, a wide character takes two, and a character
// that is not UTF-8 one.
TEST(CursesScreenTest, TheCaretColumnCountsCharactersAsTheyAreDrawn) {
  std::setlocale(LC_CTYPE, "C.UTF-8");
  EXPECT_EQ(5, CCursesScreen::DisplayColumn("root>", 0, 5));
  EXPECT_EQ(3, CCursesScreen::DisplayColumn("a\nb\rc", 0, 5));
  EXPECT_EQ(5, CCursesScreen::DisplayColumn("x\r\nab\xE6\x97\xA5z", 3, 9));
  EXPECT_EQ(3, CCursesScreen::DisplayColumn("a\x01\xFF", 0, 3));
  EXPECT_EQ(2, CCursesScreen::DisplayColumn("a\tb", 0, 2));
  // Positions outside the text are clamped, never read beyond it.
  EXPECT_EQ(2, CCursesScreen::DisplayColumn("ab", -4, 99));
  EXPECT_EQ(0, CCursesScreen::DisplayColumn("ab", 2, 1));
}
