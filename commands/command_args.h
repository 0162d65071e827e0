// CommandArgs: one entered line split into arguments.
//
// Blanks (space, TAB) separate arguments; a pair of double quotes groups
// blanks into one argument and "" gives an empty one. NUL, CR, LF and '#'
// end the line, inside quotes too, so no argument can hold '#' or a quote.
// There is no escape character. Arguments are copied byte for byte; only
// IsCommand and IsArg ignore the case of the ASCII letters.
#ifndef SONOMOT_COMMANDS_COMMAND_ARGS_H_
#define SONOMOT_COMMANDS_COMMAND_ARGS_H_

#include <string>
#include <vector>

class CommandArgs {
 public:
  CommandArgs() = default;
  ~CommandArgs();
  CommandArgs(const CommandArgs&) = delete;
  CommandArgs& operator=(const CommandArgs&) = delete;

  // Splits pszLine (null is an empty line); returns the number of arguments.
  int Tokenize(const char* pszLine);
  // Takes the arguments as they are, untokenized (a path holding '#' or a
  // quote too); returns their number.
  int Assign(const std::vector<std::string>& args);
  int GetCount() const { return m_nCount; }
  // REQUIRES: 0 <= nIndex < GetCount().
  const char* GetArg(int nIndex) const { return m_ppArgs[nIndex]; }
  // True if there are at least nMinCount arguments (the command word
  // included) and argument 0 is pszWord, ASCII letter case ignored.
  bool IsCommand(const char* pszWord, int nMinCount) const;
  // True if argument nIndex exists and is pszWord, ASCII letter case ignored.
  bool IsArg(int nIndex, const char* pszWord) const;
  // Argument nIndex as a decimal number of ASCII digits only: -1 when it is
  // missing, empty or holds any other byte (a sign too), and 2147483647 for
  // anything larger.
  int GetInt(int nIndex) const;

 private:
  // Stores the token as argument nIndex, growing the array when needed.
  void StoreArg(int nIndex, const char* pToken, int nLength);

  char** m_ppArgs = nullptr;
  int m_nCapacity = 0;
  int m_nCount = 0;
  char m_cQuote = '"';
};

#endif  // SONOMOT_COMMANDS_COMMAND_ARGS_H_
