#include "commands/command_args.h"

#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

char FoldAsciiCase(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualsIgnoringAsciiCase(const char* pszA, const char* pszB) {
  for (; *pszA != '\0' && *pszB != '\0'; ++pszA, ++pszB) {
    if (FoldAsciiCase(*pszA) != FoldAsciiCase(*pszB)) return false;
  }
  return *pszA == *pszB;
}

}  // namespace

CommandArgs::~CommandArgs() {
  for (int i = 0; i < m_nCapacity; ++i) std::free(m_ppArgs[i]);
  std::free(m_ppArgs);
}

void CommandArgs::StoreArg(int nIndex, const char* pToken, int nLength) {
  if (nIndex >= m_nCapacity) {
    void* pGrown = std::realloc(m_ppArgs, sizeof(char*) * (nIndex + 1));
    if (pGrown == nullptr) std::abort();  // out of memory
    m_ppArgs = static_cast<char**>(pGrown);
    for (int i = m_nCapacity; i <= nIndex; ++i) m_ppArgs[i] = nullptr;
    m_nCapacity = nIndex + 1;
  }
  std::free(m_ppArgs[nIndex]);
  char* pszArg = static_cast<char*>(std::malloc(nLength + 1));
  if (pszArg == nullptr) std::abort();
  std::memcpy(pszArg, pToken, nLength);
  pszArg[nLength] = '\0';
  m_ppArgs[nIndex] = pszArg;
}

int CommandArgs::Assign(const std::vector<std::string>& args) {
  m_nCount = 0;
  for (const std::string& arg : args) {
    StoreArg(m_nCount, arg.data(), static_cast<int>(arg.size()));
    ++m_nCount;
  }
  return m_nCount;
}

int CommandArgs::Tokenize(const char* pszLine) {
  if (pszLine == nullptr) pszLine = "";
  // The token is built in a work buffer as long as the line. This platform's
  // code page is UTF-8, which has no DBCS lead bytes: every byte of a
  // multi-byte character is above 0x7F and can't be taken for a blank, a
  // quote or a comment mark, so each byte is taken on its own.
  std::string token;
  token.reserve(std::strlen(pszLine));
  int nIndex = 0;
  bool bInQuotes = false;
  for (const char* p = pszLine;; ++p) {
    char c = *p;
    if (c == '\0' || c == '\n' || c == '\r' || c == '#') {
      if (!token.empty()) StoreArg(nIndex++, token.data(), static_cast<int>(token.size()));
      break;
    }
    if (c == ' ' || c == '\t') {
      if (bInQuotes) {
        token += c;
      } else if (!token.empty()) {
        StoreArg(nIndex++, token.data(), static_cast<int>(token.size()));
        token.clear();
      }
    } else if (c == m_cQuote) {
      // A closing quote stores even an empty token; an opening one ends any
      // text directly before it.
      if (bInQuotes || !token.empty()) {
        StoreArg(nIndex++, token.data(), static_cast<int>(token.size()));
        token.clear();
      }
      bInQuotes = !bInQuotes;
    } else {
      token += c;
    }
  }
  m_nCount = nIndex;
  return m_nCount;
}

bool CommandArgs::IsCommand(const char* pszWord, int nMinCount) const {
  return m_nCount >= nMinCount && m_nCount > 0 &&
         EqualsIgnoringAsciiCase(m_ppArgs[0], pszWord);
}

bool CommandArgs::IsArg(int nIndex, const char* pszWord) const {
  return nIndex >= 0 && nIndex < m_nCount &&
         EqualsIgnoringAsciiCase(m_ppArgs[nIndex], pszWord);
}

int CommandArgs::GetInt(int nIndex) const {
  if (nIndex < 0 || nIndex >= m_nCount) return -1;
  // "" holds no number: taken as 0 it would quietly pick the first track.
  if (m_ppArgs[nIndex][0] == '\0') return -1;
  long long nValue = 0;
  for (const char* p = m_ppArgs[nIndex]; *p != '\0'; ++p) {
    if (*p < '0' || *p > '9') return -1;
    if (nValue <= INT_MAX) nValue = nValue * 10 + (*p - '0');
  }
  return nValue > INT_MAX ? INT_MAX : static_cast<int>(nValue);
}
