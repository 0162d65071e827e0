#include "frontends/win32/win32_clipboard.h"

#include "frontends/win32/win32_native.h"

BOOL CWin32Clipboard::Open(HWND) {
  if (m_bOpen || !win32::OpenClipboardText()) return FALSE;
  m_bOpen = true;
  return TRUE;
}

void CWin32Clipboard::Close() {
  if (!m_bOpen) return;
  win32::CloseClipboardText();
  m_bOpen = false;
}

BOOL CWin32Clipboard::GetText(std::string* pText) {
  return m_bOpen && win32::GetClipboardText(pText) ? TRUE : FALSE;
}

BOOL CWin32Clipboard::SetText(const std::string& text) {
  return m_bOpen && win32::SetClipboardText(text) ? TRUE : FALSE;
}
