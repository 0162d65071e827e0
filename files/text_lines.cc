#include "files/text_lines.h"

#include <errno.h>

#include <cstring>

#include "files/file_system.h"

namespace fs = file_system;

namespace {

Status SystemFailure(const std::string& strPath) {
  std::string strReason = std::strerror(errno);
  return Status::Failed(strPath + ": " + strReason, strReason);
}

// The file's bytes, read until its end; false when reading fails. More
// than nMaxBytes (a file that grew since it was looked at) are not read.
bool ReadAll(fs::Handle file, uint64_t nMaxBytes, std::string* pText) {
  char buffer[4096];
  for (;;) {
    int64_t nRead = fs::Read(file, buffer, sizeof buffer);
    if (nRead < 0) return false;
    if (nRead == 0) return true;
    pText->append(buffer, static_cast<size_t>(nRead));
    if (pText->size() > nMaxBytes) return true;
  }
}

}  // namespace

Status ReadTextLines(const std::string& strPath, const TextFileRules& rules,
                     std::vector<std::string>* pLines) {
  pLines->clear();
  fs::Facts facts;
  if (!fs::LookAtPath(strPath, &facts)) {
    if (errno == ENOENT && rules.bMissingIsEmpty) return Status::Ok();
    return SystemFailure(strPath);
  }
  if (!facts.IsRegular()) return Status::Failed(strPath + ": " + rules.pszNotAFile);
  if (facts.nSize > rules.nMaxBytes) return Status::Failed(strPath + ": " + rules.pszTooLarge);
  fs::Handle file = fs::OpenToRead(strPath);
  if (file == fs::kNoFile) return SystemFailure(strPath);
  std::string strText;
  bool bRead = ReadAll(file, rules.nMaxBytes, &strText);
  std::string strReason = bRead ? "" : std::strerror(errno);
  fs::Close(file);
  if (!bRead) return Status::Failed(strPath + ": can't be read", strReason);
  if (strText.size() > rules.nMaxBytes) return Status::Failed(strPath + ": " + rules.pszTooLarge);

  size_t nAt = strText.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
  while (nAt < strText.size()) {
    size_t nEol = strText.find('\n', nAt);
    if (nEol == std::string::npos) nEol = strText.size();
    size_t nEnd = nEol > nAt && strText[nEol - 1] == '\r' ? nEol - 1 : nEol;
    pLines->push_back(strText.substr(nAt, nEnd - nAt));
    nAt = nEol + 1;
  }
  return Status::Ok();
}
