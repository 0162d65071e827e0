#include "motion/key_map.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>

#include "motion/bone_names.h"
#include "motion/export_settings.h"
#include "motion/track_summary.h"

namespace {

// A map lists at most 128 keys: a file far larger than that is no map.
constexpr long kMaxMapBytes = 1 << 20;

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
  struct stat st;
  if (stat(strPath.c_str(), &st) != 0) {
    *pstrError = strPath + ": " + std::strerror(errno);
    return false;
  }
  // Only a regular file: a pipe or a device could keep us waiting.
  if (!S_ISREG(st.st_mode)) {
    *pstrError = strPath + ": not a file";
    return false;
  }
  if (st.st_size > kMaxMapBytes) {
    *pstrError = strPath + ": larger than 1 MB, too large for a map of 128 keys";
    return false;
  }
  FILE* pFile = std::fopen(strPath.c_str(), "rb");
  if (!pFile) {
    *pstrError = strPath + ": " + std::strerror(errno);
    return false;
  }
  std::string strText;
  char buffer[4096];
  size_t nRead;
  while ((nRead = std::fread(buffer, 1, sizeof buffer, pFile)) > 0 &&
         strText.size() <= static_cast<size_t>(kMaxMapBytes)) {
    strText.append(buffer, nRead);
  }
  bool bReadFailed = std::ferror(pFile) != 0;
  std::fclose(pFile);
  if (bReadFailed) {
    *pstrError = strPath + ": can't be read";
    return false;
  }
  if (strText.compare(0, 3, "\xEF\xBB\xBF") == 0) strText.erase(0, 3);

  std::map<std::string, int> owners;  // Shift-JIS name -> key
  int nListed = 0;
  int nLine = 0;
  size_t nAt = 0;
  while (nAt < strText.size()) {
    size_t nEol = strText.find('\n', nAt);
    if (nEol == std::string::npos) nEol = strText.size();
    std::string strLine = strText.substr(nAt, nEol - nAt);
    nAt = nEol + 1;
    ++nLine;
    if (!strLine.empty() && strLine.back() == '\r') strLine.pop_back();
    std::string strWhere = strPath + ":" + std::to_string(nLine) + ": ";
    strLine = StripLine(strLine);
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
