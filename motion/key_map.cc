#include "motion/key_map.h"

#include <algorithm>
#include <map>

#include "files/text_lines.h"
#include "motion/bone_names.h"
#include "motion/export_settings.h"
#include "motion/track_summary.h"

namespace {

// A map lists at most 128 keys: a file far larger than that is no map.
constexpr TextFileRules kMapRules = {
    1 << 20, "not a file", "larger than 1 MB, too large for a map of 128 keys", false};

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// The line without its comment and its surrounding blanks.
std::string StripLine(const std::string& strLine) {
  size_t nEnd = strLine.size();
  for (size_t i = 0; i < strLine.size(); ++i) {
    if (strLine[i] == '#' && (i == 0 || IsBlank(strLine[i - 1]))) {
      nEnd = i;
      break;
    }
  }
  size_t nBegin = 0;
  while (nBegin < nEnd && IsBlank(strLine[nBegin])) ++nBegin;
  while (nEnd > nBegin && IsBlank(strLine[nEnd - 1])) --nEnd;
  return strLine.substr(nBegin, nEnd - nBegin);
}

}  // namespace

bool LoadKeyMap(const std::string& strPath, std::vector<std::string>* pNames,
                std::string* pstrError) {
  pNames->assign(128, std::string());
  std::vector<std::string> lines;
  Status status = ReadTextLines(strPath, kMapRules, &lines);
  if (!status.IsOk()) {
    *pstrError = status.Message();
    return false;
  }

  std::map<std::string, int> owners;  // Shift-JIS name -> key
  int nListed = 0;
  for (size_t i = 0; i < lines.size(); ++i) {
    std::string strWhere = LinePlace(strPath, i + 1);
    std::string strLine = StripLine(lines[i]);
    if (strLine.empty()) continue;
    size_t nBlank = 0;
    while (nBlank < strLine.size() && !IsBlank(strLine[nBlank])) ++nBlank;
    std::string strNote = strLine.substr(0, nBlank);
    std::string strName = StripLine(strLine.substr(nBlank));
    if (strName.size() >= 2 && strName.front() == '"' && strName.back() == '"') {
      strName = strName.substr(1, strName.size() - 2);
    }
    if (strName.empty()) {
      *pstrError = strWhere + "a key and its bone name expected";
      return false;
    }
    int nKey = ParseKey(strNote);
    if (nKey < 0) {
      *pstrError = strWhere + strNote + " is no key number (0 to 127) or note name (C-1 to G9)";
      return false;
    }
    std::string strKey = "key " + std::to_string(nKey) + " (" + NoteName(nKey) + ")";
    // A quote left open would become part of the bone's name; so would one
    // whose closing quote a '#' cut off with the rest of the line.
    if (std::count(strName.begin(), strName.end(), '"') % 2 != 0) {
      *pstrError = strWhere + "the bone name of " + strKey + " has an unbalanced double quote: " +
                   strName;
      return false;
    }
    if (!(*pNames)[nKey].empty()) {
      *pstrError = strWhere + strKey + " is listed twice";
      return false;
    }
    std::string strProblem = NameProblem(strName, ExportSettings::kMaxBoneName);
    if (!strProblem.empty()) {
      *pstrError = strWhere + "the bone name of " + strKey + " can't be used: " + strProblem +
                   " (a bone takes 1 to 14 Shift-JIS bytes)";
      return false;
    }
    std::string strShiftJis;
    ToShiftJis(strName, &strShiftJis);
    auto [it, bNew] = owners.emplace(strShiftJis, nKey);
    if (!bNew) {
      *pstrError = strWhere + strKey + " and key " + std::to_string(it->second) +
                   " would both be named " + strName;
      return false;
    }
    (*pNames)[nKey] = strName;
    ++nListed;
  }
  if (nListed == 0) {
    *pstrError = strPath + ": lists no key";
    return false;
  }
  return true;
}
