#include "platform/window.h"

#include <algorithm>
#include <memory>
#include <unordered_map>
#include <vector>

// A window of the platform layer. Handles point at these; a handle is only
// followed after it has been found in the table of live windows, so a stale
// handle is harmless.
struct HWND__ {
  WindowProc proc;
  HWND hParent = nullptr;
  int nID = 0;
  std::vector<HWND> children;
  std::string caption;
  bool bVisible = false;
  bool bAcceptFiles = false;
  bool bDestroying = false;
};

namespace {

std::unordered_map<HWND, std::unique_ptr<HWND__>>& LiveWindows() {
  static std::unordered_map<HWND, std::unique_ptr<HWND__>> windows;
  return windows;
}

HWND__* Find(HWND hWnd) {
  if (hWnd == nullptr) return nullptr;
  auto& windows = LiveWindows();
  auto it = windows.find(hWnd);
  return it == windows.end() ? nullptr : it->second.get();
}

HWND g_hFocus = nullptr;
bool g_bShift = false;
bool g_bCtrl = false;

void CollectSubtree(HWND hWnd, std::vector<HWND>* pOut) {
  HWND__* p = Find(hWnd);
  if (p == nullptr) return;
  pOut->push_back(hWnd);
  for (HWND hChild : p->children) CollectSubtree(hChild, pOut);
}

}  // namespace

LRESULT SendMessageA(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
  HWND__* p = Find(hWnd);
  if (p == nullptr) return 0;
  // A copy: the procedure may replace itself (subclassing) while it runs.
  WindowProc proc = p->proc;
  if (!proc) return DefWindowProcA(hWnd, uMsg, wParam, lParam);
  return proc(hWnd, uMsg, wParam, lParam);
}

HWND CreatePlatformWindow(HWND hParent, int nID, WindowProc proc) {
  HWND__* pParent = Find(hParent);
  if (hParent != nullptr && pParent == nullptr) return nullptr;
  auto window = std::make_unique<HWND__>();
  HWND hWnd = window.get();
  window->proc = std::move(proc);
  window->hParent = hParent;
  window->nID = nID;
  LiveWindows().emplace(hWnd, std::move(window));
  if (pParent != nullptr) pParent->children.push_back(hWnd);
  return hWnd;
}

WindowProc SetWindowProc(HWND hWnd, WindowProc proc) {
  HWND__* p = Find(hWnd);
  if (p == nullptr) return WindowProc();
  WindowProc old = std::move(p->proc);
  p->proc = std::move(proc);
  return old;
}

BOOL DestroyWindow(HWND hWnd) {
  HWND__* p = Find(hWnd);
  if (p == nullptr || p->bDestroying) return FALSE;
  std::vector<HWND> subtree;
  CollectSubtree(hWnd, &subtree);
  for (HWND h : subtree) {
    if (HWND__* q = Find(h)) q->bDestroying = true;
  }
  // The window hears WM_DESTROY before its children, as on Windows; then
  // every one of them hears WM_NCDESTROY, its last message.
  for (HWND h : subtree) SendMessageA(h, WM_DESTROY, 0, 0);
  for (auto it = subtree.rbegin(); it != subtree.rend(); ++it) {
    SendMessageA(*it, WM_NCDESTROY, 0, 0);
  }
  if (HWND__* pParent = Find(GetParent(hWnd))) {
    auto& c = pParent->children;
    c.erase(std::remove(c.begin(), c.end(), hWnd), c.end());
  }
  for (HWND h : subtree) {
    if (g_hFocus == h) g_hFocus = nullptr;
    LiveWindows().erase(h);
  }
  return TRUE;
}

BOOL IsWindow(HWND hWnd) { return Find(hWnd) != nullptr ? TRUE : FALSE; }

HWND GetParent(HWND hWnd) {
  HWND__* p = Find(hWnd);
  return p == nullptr ? nullptr : p->hParent;
}

HWND GetDlgItem(HWND hDlg, int nID) {
  HWND__* p = Find(hDlg);
  if (p == nullptr) return nullptr;
  for (HWND hChild : p->children) {
    if (HWND__* c = Find(hChild); c != nullptr && c->nID == nID) return hChild;
  }
  return nullptr;
}

int GetDlgCtrlID(HWND hWnd) {
  HWND__* p = Find(hWnd);
  return p == nullptr ? 0 : p->nID;
}

BOOL IsChildOrSelf(HWND hParent, HWND hWnd) {
  if (hParent == nullptr) return FALSE;
  for (HWND h = hWnd; h != nullptr; h = GetParent(h)) {
    if (h == hParent) return IsWindow(h);
  }
  return FALSE;
}

std::vector<HWND> GetTopLevelWindows() {
  std::vector<HWND> windows;
  for (const auto& [hWnd, pWindow] : LiveWindows()) {
    if (pWindow->hParent == nullptr) windows.push_back(hWnd);
  }
  return windows;
}

HWND GetFirstChild(HWND hWnd) {
  HWND__* p = Find(hWnd);
  if (p == nullptr || p->children.empty()) return nullptr;
  return p->children.front();
}

BOOL SetWindowTextA(HWND hWnd, const char* pszText) {
  if (!IsWindow(hWnd)) return FALSE;
  return SendMessageA(hWnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(pszText))
             ? TRUE
             : FALSE;
}

int GetWindowTextLengthA(HWND hWnd) {
  return static_cast<int>(SendMessageA(hWnd, WM_GETTEXTLENGTH, 0, 0));
}

std::string GetWindowCaption(HWND hWnd) {
  HWND__* p = Find(hWnd);
  return p == nullptr ? std::string() : p->caption;
}

BOOL ShowWindow(HWND hWnd, int nCmdShow) {
  HWND__* p = Find(hWnd);
  if (p == nullptr) return FALSE;
  BOOL bWasVisible = p->bVisible ? TRUE : FALSE;
  p->bVisible = nCmdShow != SW_HIDE;
  SendMessageA(hWnd, WM_SHOWWINDOW, p->bVisible ? TRUE : FALSE, 0);
  return bWasVisible;
}

BOOL IsWindowVisible(HWND hWnd) {
  HWND__* p = Find(hWnd);
  return p != nullptr && p->bVisible ? TRUE : FALSE;
}

HWND SetFocus(HWND hWnd) {
  HWND hOld = g_hFocus;
  if (hWnd != nullptr && !IsWindow(hWnd)) return hOld;
  if (hOld == hWnd) return hOld;
  g_hFocus = hWnd;
  if (hOld != nullptr) {
    SendMessageA(hOld, WM_KILLFOCUS, reinterpret_cast<WPARAM>(hWnd), 0);
  }
  if (hWnd != nullptr && g_hFocus == hWnd) {
    SendMessageA(hWnd, WM_SETFOCUS, reinterpret_cast<WPARAM>(hOld), 0);
  }
  return hOld;
}

HWND GetFocus() { return IsWindow(g_hFocus) ? g_hFocus : nullptr; }

void SetAcceptsFiles(HWND hWnd, BOOL bAccept) {
  if (HWND__* p = Find(hWnd)) p->bAcceptFiles = bAccept != FALSE;
}

BOOL AcceptsFiles(HWND hWnd) {
  HWND__* p = Find(hWnd);
  return p != nullptr && p->bAcceptFiles ? TRUE : FALSE;
}

LRESULT DefWindowProcA(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
  switch (uMsg) {
    case WM_CLOSE:
      DestroyWindow(hWnd);
      return 0;
    case WM_SETTEXT:
      if (HWND__* p = Find(hWnd)) {
        const char* psz = reinterpret_cast<const char*>(lParam);
        p->caption = psz == nullptr ? "" : psz;
        return TRUE;
      }
      return FALSE;
    case WM_GETTEXTLENGTH:
      if (HWND__* p = Find(hWnd)) return static_cast<LRESULT>(p->caption.size());
      return 0;
    default:
      return 0;
  }
}

short GetKeyState(int nVirtKey) {
  bool bDown = (nVirtKey == static_cast<int>(VK_SHIFT) && g_bShift) ||
               (nVirtKey == static_cast<int>(VK_CONTROL) && g_bCtrl);
  return bDown ? static_cast<short>(0x8000) : 0;
}

void SetKeyState(bool bShift, bool bCtrl) {
  g_bShift = bShift;
  g_bCtrl = bCtrl;
}
