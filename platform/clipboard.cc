#include "platform/clipboard.h"

BOOL CMemoryClipboard::Open(HWND) {
  if (m_bBusy || m_bOpen) return FALSE;
  m_bOpen = true;
  ++m_nOpens;
  return TRUE;
}

void CMemoryClipboard::Close() {
  if (!m_bOpen) return;
  m_bOpen = false;
  ++m_nCloses;
}

BOOL CMemoryClipboard::GetText(std::string* pText) {
  if (!m_bOpen || !m_bHasText) return FALSE;
  *pText = m_text;
  return TRUE;
}

BOOL CMemoryClipboard::SetText(const std::string& text) {
  if (!m_bOpen) return FALSE;
  m_text = text;
  m_bHasText = true;
  return TRUE;
}

namespace {

CMemoryClipboard g_memoryClipboard;
CClipboard* g_pClipboard = nullptr;

}  // namespace

CClipboard* GetClipboard() {
  return g_pClipboard != nullptr ? g_pClipboard : &g_memoryClipboard;
}

CClipboard* SetClipboard(CClipboard* pClipboard) {
  CClipboard* pOld = GetClipboard();
  g_pClipboard = pClipboard;
  return pOld;
}
