#include "platform/drop.h"

#include <cstring>

#include "platform/window.h"

struct HDROP__ {
  std::vector<std::string> paths;
};

namespace {
int g_nOpenDrops = 0;
}

HDROP CreateDrop(std::vector<std::string> paths) {
  ++g_nOpenDrops;
  return new HDROP__{std::move(paths)};
}

UINT DragQueryFileA(HDROP hDrop, UINT iFile, char* pszFile, UINT cch) {
  if (hDrop == nullptr) return 0;
  if (iFile == kDragQueryCount) return static_cast<UINT>(hDrop->paths.size());
  if (iFile >= hDrop->paths.size()) return 0;
  const std::string& path = hDrop->paths[iFile];
  if (pszFile == nullptr) return static_cast<UINT>(path.size());
  if (cch == 0) return 0;
  size_t n = path.size() < cch - 1 ? path.size() : cch - 1;
  std::memcpy(pszFile, path.data(), n);
  pszFile[n] = '\0';
  return static_cast<UINT>(n);
}

void DragFinish(HDROP hDrop) {
  if (hDrop == nullptr) return;
  --g_nOpenDrops;
  delete hDrop;
}

void DragAcceptFiles(HWND hWnd, BOOL bAccept) { SetAcceptsFiles(hWnd, bAccept); }

int GetOpenDropCount() { return g_nOpenDrops; }
