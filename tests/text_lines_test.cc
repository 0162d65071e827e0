// The line reader of the program's own text files, and how a path is split
// into its folder and name.
#include "files/text_lines.h"

#include <sys/stat.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "files/path_parts.h"
#include "tests/files_test_util.h"

namespace {

constexpr TextFileRules kRules = {16, "not a file", "too large", false};

TEST(TextLinesTest, LinesComeWithoutByteOrderMarkAndLineEnds) {
  TempDir dir;
  std::string strPath = dir.Join("text");
  struct Case {
    std::string strText;
    std::vector<std::string> lines;
  } aCase[] = {
      {"\xEF\xBB\xBF" "a\r\nb\n", {"a", "b"}},
      {"a\n\r\n\nlast", {"a", "", "", "last"}},  // empty lines keep their numbers
      {"a\rb\r\r\n", {"a\rb\r"}},                 // only the CR right before LF goes
      {"x\xEF\xBB\xBF\n\xEF\xBB\xBF", {"x\xEF\xBB\xBF", "\xEF\xBB\xBF"}},  // a mark only at the start
      {"\xEF\xBB\xBF", {}},
      {"", {}},
      {std::string(16, 'x'), {std::string(16, 'x')}},  // as large as the rules allow
  };
  for (const Case& c : aCase) {
    WriteFileBytes(strPath, c.strText);
    std::vector<std::string> lines = {"left over"};
    Status status = ReadTextLines(strPath, kRules, &lines);
    EXPECT_TRUE(status.IsOk()) << status.Joined();
    EXPECT_EQ(c.lines, lines) << c.strText;
  }
  EXPECT_EQ(strPath + ":12: ", LinePlace(strPath, 12));
}

// Each refusal names the file in the words of its kind; an ordinary user
// meets the file it may not read (as root: user 65534, in a child).
TEST(TextLinesTest, WhatIsNoFileOfThisKindIsRefusedInItsWords) {
  TempDir dir;
  std::vector<std::string> lines;
  std::string strMissing = dir.Join("missing");
  Status status = ReadTextLines(strMissing, kRules, &lines);
  EXPECT_EQ(strMissing + ": No such file or directory", status.Message());
  EXPECT_EQ("No such file or directory", status.Reason());
  TextFileRules missingIsEmpty = kRules;
  missingIsEmpty.bMissingIsEmpty = true;
  EXPECT_TRUE(ReadTextLines(strMissing, missingIsEmpty, &lines).IsOk());
  EXPECT_TRUE(lines.empty());

  EXPECT_EQ(dir.GetPath() + ": not a file", ReadTextLines(dir.GetPath(), kRules, &lines).Message());
  EXPECT_EQ("/dev/null: not a file", ReadTextLines("/dev/null", kRules, &lines).Message());
  std::string strLarge = dir.Join("large");
  WriteFileBytes(strLarge, std::string(17, 'x'));
  EXPECT_EQ(strLarge + ": too large", ReadTextLines(strLarge, kRules, &lines).Message());
  EXPECT_TRUE(lines.empty());

  std::string strShut = dir.Join("shut");
  WriteFileBytes(strShut, "a\n");
  ASSERT_EQ(0, chmod(strShut.c_str(), 0));
  ASSERT_EQ(0, chmod(dir.GetPath().c_str(), 0755));
  auto check = [&]() {
    std::vector<std::string> got;
    return ReadTextLines(strShut, kRules, &got).Message() == strShut + ": Permission denied" ? 0
                                                                                              : 1;
  };
  int nResult = RunAsOrdinaryUser(check);
  if (nResult == kNoOrdinaryUser) GTEST_SKIP() << "can't become user 65534 here";
  EXPECT_EQ(0, nResult);
}

TEST(PathPartsTest, TheNameIsWhatFollowsTheLastSeparator) {
  struct Case {
    const char* pszPath;
    const char* pszSeparators;
    const char* pszFolder;
    const char* pszName;
    bool bDriveLetters = false;
  } aCase[] = {
      {"a/b/c.vmd", "/", "a/b/", "c.vmd"},
      {"/c.vmd", "/", "/", "c.vmd"},
      {"c.vmd", "/", "", "c.vmd"},
      {"a/b/", "/", "a/b/", ""},
      {"", "/", "", ""},
      {"C:\\曲\\b.mid", "/\\", "C:\\曲\\", "b.mid"},
      {"x/曲\\ソ.mid", "/\\", "x/曲\\", "ソ.mid"},
      // A drive alone is a folder: its current one.
      {"C:b.mid", "/\\", "C:", "b.mid", true},
      {"z:曲.mid", "/\\", "z:", "曲.mid", true},
      {"C:", "/\\", "C:", "", true},
      {"C:a\\b.mid", "/\\", "C:a\\", "b.mid", true},
      {"1:b.mid", "/\\", "", "1:b.mid", true},
      {"ab:c.mid", "/\\", "", "ab:c.mid", true},
      {"C:b.mid", "/", "", "C:b.mid"},
  };
  for (const Case& c : aCase) {
    PathParts parts = SplitPath(c.pszPath, c.pszSeparators, c.bDriveLetters);
    EXPECT_EQ(c.pszFolder, parts.strFolder) << c.pszPath;
    EXPECT_EQ(c.pszName, parts.strName) << c.pszPath;
  }
  // The system's own separators: a backslash is part of a name here.
  EXPECT_EQ("a\\b.mid", SplitPath("x/a\\b.mid").strName);
  // Nor is a colon anything but a character of the name.
  EXPECT_EQ("C:b.mid", SplitPath("C:b.mid").strName);
}

}  // namespace
