#include "app/resource_strings.h"

#include <cstring>

#include "resources/version.h"

int LoadStringA(HINSTANCE, UINT nID, char* pszBuffer, int cchBuffer) {
  if (pszBuffer == nullptr || cchBuffer <= 0) return 0;
  const char* pszText = nID == 129 ? kVersionString : "";
  size_t n = std::strlen(pszText);
  if (n > static_cast<size_t>(cchBuffer - 1)) n = cchBuffer - 1;
  std::memcpy(pszBuffer, pszText, n);
  pszBuffer[n] = '\0';
  return static_cast<int>(n);
}
