// "help": the words of each mode, what each takes and does, and the reason
// given to scripts when a line fits no command, all from the command table.
#include <string>

#include "commands/command_args.h"
#include "commands/command_processor.h"
#include "commands/command_table.h"
#include "console/console_output.h"
#include "console/display_width.h"

namespace {

// The words of a mode: the usage in a column of 20, then what the word
// does, a long description wrapped under itself.
constexpr size_t kDoesColumn = 20;

std::string HelpLine(const std::string& strUsage, const std::string& strDoes) {
  return PadToWidth(strUsage, kDoesColumn) + strDoes;
}

}  // namespace

int CommandProcessor::ShowHelp(const char* pszWord) {
  if (pszWord == nullptr) {
    for (const CommandRow& row : GetCommandTable()) {
      if ((row.nModes & ModeBit(m_mode)) == 0 || row.strDoes.empty()) continue;
      WriteFitted(HelpLine(row.Usage(), row.strDoes), kDoesColumn);
    }
    return 1;
  }
  bool bFound = false;
  for (const CommandRow& row : GetCommandTable()) {
    if (row.strDoes.empty() || !row.Spells(pszWord)) continue;
    WriteFitted(row.Usage() + ": " + row.strDoes + " (" + ModeNames(row.nModes) + ")", 2);
    bFound = true;
  }
  if (!bFound) {
    Fail("invalid command.", std::string("help knows no word \"") + pszWord + "\"");
    return 0;
  }
  return 1;
}

std::string CommandProcessor::ExplainInvalidCommand() const {
  const char* pszWord = m_pArgs->GetArg(0);
  ModeSet nElsewhere = 0;
  for (const CommandRow& row : GetCommandTable()) {
    if (!row.Spells(pszWord)) continue;
    // The word works here: what follows it is what's wrong.
    if (row.nModes & ModeBit(m_mode)) return "usage: " + row.Usage();
    nElsewhere |= row.nModes;
  }
  if (nElsewhere != 0) {
    return std::string(pszWord) + " works in " + ModeNames(nElsewhere);
  }
  return std::string("no such word; help lists the words of ") + PromptOf(m_mode);
}
