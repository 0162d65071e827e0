#include "commands/command_args.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> Split(const char* pszLine) {
  CommandArgs args;
  int nCount = args.Tokenize(pszLine);
  EXPECT_EQ(nCount, args.GetCount());
  std::vector<std::string> result;
  for (int i = 0; i < args.GetCount(); ++i) result.emplace_back(args.GetArg(i));
  return result;
}

using Args = std::vector<std::string>;

TEST(CommandArgsTest, TokenizerTable) {
  struct Case {
    const char* pszLine;
    Args expected;
  } kCases[] = {
      {"Open  \"My Song.mid\"", {"Open", "My Song.mid"}},
      {"track 3 # third", {"track", "3"}},
      {"\"\"", {""}},
      {"   ", {}},
      {"", {}},
      {"# note", {}},
      {"Open \"My Song.mid", {"Open", "My Song.mid"}},  // quote not closed
      {"Open \"", {"Open"}},                              // nothing after it
      {"ab\"c d\"e", {"ab", "c d", "e"}},
      {"\"a#b\"", {"a"}},
      {"Close\r\n", {"Close"}},
      {"a\tb \t c", {"a", "b", "c"}},
      {"\"x\t y\"", {"x\t y"}},
      {"a\nb", {"a"}},
      {"\"\" \"\" x", {"", "", "x"}},
      {"say \\\"hi\\\"", {"say", "\\", "hi\\"}},  // no escapes
      {"\xE3\x83\x94\xE3\x82\xA2\xE3\x83\x8E.mid", {"\xE3\x83\x94\xE3\x82\xA2\xE3\x83\x8E.mid"}},
      {"MiXeD", {"MiXeD"}},  // case kept
  };
  for (const Case& c : kCases) {
    EXPECT_EQ(c.expected, Split(c.pszLine)) << "line: " << c.pszLine;
  }
  EXPECT_EQ(Args{}, Split(nullptr));
}

TEST(CommandArgsTest, RetokenizingReusesSlotsAndCountsOnlyTheNewLine) {
  CommandArgs args;
  EXPECT_EQ(4, args.Tokenize("a b c d"));
  EXPECT_EQ(1, args.Tokenize("longer-word"));
  EXPECT_STREQ("longer-word", args.GetArg(0));
  EXPECT_FALSE(args.IsArg(1, "b"));  // an old slot is not an argument
  EXPECT_EQ(-1, args.GetInt(2));
  std::string many;
  for (int i = 0; i < 1000; ++i) many += "x ";
  EXPECT_EQ(1000, args.Tokenize(many.c_str()));
}

TEST(CommandArgsTest, GetInt) {
  struct Case {
    const char* pszArg;
    int nExpected;
  } kCases[] = {
      {"12", 12},         {"012", 12},        {"+1", -1},
      {"1.0", -1},        {"0x1", -1},        {"-1", -1},
      {"", -1},            {"0", 0},           {"2147483647", 2147483647},
      {"2147483648", 2147483647},             {"99999999999", 2147483647},
      {"99999999999999999999999999", 2147483647},
      {"1 ", -1},         {"\xEF\xBC\x91", -1},  // a full-width digit
  };
  for (const Case& c : kCases) {
    CommandArgs args;
    std::string line = std::string("track \"") + c.pszArg + "\"";
    args.Tokenize(line.c_str());
    EXPECT_EQ(c.nExpected, args.GetInt(1)) << "argument: " << c.pszArg;
  }
  CommandArgs args;
  args.Tokenize("track");
  EXPECT_EQ(-1, args.GetInt(1));
  EXPECT_EQ(-1, args.GetInt(-1));
}

TEST(CommandArgsTest, WordsMatchIgnoringAsciiCaseOnly) {
  CommandArgs args;
  args.Tokenize("track");
  EXPECT_FALSE(args.IsCommand("track", 2));  // N counts the command word
  EXPECT_TRUE(args.IsCommand("track", 1));
  args.Tokenize("TRACK 1");
  EXPECT_TRUE(args.IsCommand("track", 2));
  args.Tokenize("Create");
  EXPECT_FALSE(args.IsArg(1, "Midi"));
  args.Tokenize("create MIDI extra");
  EXPECT_TRUE(args.IsArg(1, "Midi"));
  EXPECT_TRUE(args.IsCommand("Create", 2));
  for (const char* pszLine : {"yes", "YES", "Yes", "yEs"}) {
    args.Tokenize(pszLine);
    EXPECT_TRUE(args.IsCommand("Yes", 1)) << pszLine;
  }
  for (const char* pszLine : {"Yess", "Ye", "Y", "Yes\xC3\xA9", "[es"}) {
    args.Tokenize(pszLine);
    EXPECT_FALSE(args.IsCommand("Yes", 1)) << pszLine;
  }
  // Only A-Z and a-z fold: '[' and '{' differ by the same bit as 'Y' and
  // 'y', and so do the Latin-1 bytes of E acute in either case.
  args.Tokenize("X{ \xC9");
  EXPECT_TRUE(args.IsCommand("x{", 1));
  EXPECT_FALSE(args.IsCommand("x[", 1));
  EXPECT_FALSE(args.IsArg(1, "\xE9"));
  EXPECT_TRUE(args.IsArg(1, "\xC9"));
  args.Tokenize("");
  EXPECT_FALSE(args.IsCommand("", 0));  // no command word at all
  EXPECT_FALSE(args.IsArg(-1, "x"));
}

}  // namespace
