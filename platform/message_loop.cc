#include "platform/message_loop.h"

#include <algorithm>

CAppModule g_Module;

namespace {

template <class P>
BOOL RemoveLatest(std::vector<P*>* pItems, P* p) {
  auto it = std::find(pItems->rbegin(), pItems->rend(), p);
  if (it == pItems->rend()) return FALSE;
  pItems->erase(std::next(it).base());
  return TRUE;
}

}  // namespace

BOOL CMessageLoop::AddMessageFilter(CMessageFilter* pFilter) {
  if (pFilter == nullptr) return FALSE;
  m_aMsgFilter.push_back(pFilter);
  return TRUE;
}

BOOL CMessageLoop::RemoveMessageFilter(CMessageFilter* pFilter) {
  return RemoveLatest(&m_aMsgFilter, pFilter);
}

BOOL CMessageLoop::AddIdleHandler(CIdleHandler* pHandler) {
  if (pHandler == nullptr) return FALSE;
  m_aIdleHandler.push_back(pHandler);
  return TRUE;
}

BOOL CMessageLoop::RemoveIdleHandler(CIdleHandler* pHandler) {
  return RemoveLatest(&m_aIdleHandler, pHandler);
}

BOOL CMessageLoop::PreTranslateMessage(MSG* pMsg) {
  // By index, re-checked each time: a filter may remove itself or others
  // while it runs (the dialog does, when Escape closes it).
  for (size_t i = m_aMsgFilter.size(); i-- > 0;) {
    if (i >= m_aMsgFilter.size()) continue;
    if (m_aMsgFilter[i]->PreTranslateMessage(pMsg)) return TRUE;
  }
  return FALSE;
}

BOOL CMessageLoop::OnIdle(int) {
  for (size_t i = 0; i < m_aIdleHandler.size(); ++i) {
    m_aIdleHandler[i]->OnIdle();
  }
  return FALSE;
}

BOOL CMessageLoop::IsIdleMessage(const MSG* pMsg) {
  switch (pMsg->message) {
    case WM_MOUSEMOVE:
    case WM_NCMOUSEMOVE:
    case WM_PAINT:
    case WM_SYSTIMER:
      return FALSE;
    default:
      return TRUE;
  }
}

int CMessageLoop::Run() {
  BOOL bDoIdle = TRUE;
  int nIdleCount = 0;
  for (;;) {
    while (bDoIdle && !PeekMessageA(&m_msg, nullptr, 0, 0, PM_NOREMOVE)) {
      if (!OnIdle(nIdleCount++)) bDoIdle = FALSE;
    }
    int bRet = GetMessageA(&m_msg, nullptr, 0, 0);
    if (bRet == -1) continue;  // a retrieval error does not end the loop
    if (bRet == 0) break;      // WM_QUIT
    if (!PreTranslateMessage(&m_msg)) {
      TranslateMessage(&m_msg);
      DispatchMessageA(&m_msg);
    }
    if (IsIdleMessage(&m_msg)) {
      bDoIdle = TRUE;
      nIdleCount = 0;
    }
  }
  return static_cast<int>(m_msg.wParam);
}

int CAppModule::Init(HINSTANCE hInstance) {
  m_hInst = hInstance;
  m_dwMainThreadID = ::GetCurrentThreadId();
  m_msgLoopMap.clear();
  return 0;
}

void CAppModule::Term() { m_msgLoopMap.clear(); }

BOOL CAppModule::AddMessageLoop(CMessageLoop* pLoop) {
  if (pLoop == nullptr) return FALSE;
  return m_msgLoopMap.emplace(::GetCurrentThreadId(), pLoop).second ? TRUE
                                                                     : FALSE;
}

BOOL CAppModule::RemoveMessageLoop() {
  return m_msgLoopMap.erase(::GetCurrentThreadId()) > 0 ? TRUE : FALSE;
}

CMessageLoop* CAppModule::GetMessageLoop(DWORD dwThreadID) const {
  auto it = m_msgLoopMap.find(dwThreadID);
  return it == m_msgLoopMap.end() ? nullptr : it->second;
}
