// The console's look and mouse: font, colours, block caret, arrow cursor,
// clicks that only take the focus, right-click paste of the clipboard's first
// line, refusal of every other paste, and file drop.
//
// These handlers talk to the platform layer only through its interfaces
// (platform/gdi.h, font.h, caret.h, cursor.h, clipboard.h, drop.h); each back
// end supplies what those interfaces show. Kept apart from the key rules in
// shell_edit.cc, so the window back end's developer can refine them here.
#include <string>
#include <vector>

#include "console/console_font.h"
#include "console/edit_buffer.h"
#include "console/paste_text.h"
#include "console/shell_edit.h"
#include "platform/caret.h"
#include "platform/cursor.h"
#include "platform/font.h"
#include "platform/clipboard.h"
#include "platform/drop.h"
#include "platform/gdi.h"

void CShellEditImpl::InitializeFont() {
  ConsoleFontChoice choice =
      ConsoleFontForLevel(RaiseFontLevel(EnumFontFamilies()));
  if (m_hFont != nullptr) DeleteObject(m_hFont);
  m_hFont = CreateFontA(choice.nCellHeight, 0, 0, 0, choice.nWeight, FALSE, FALSE,
                        FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                        CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY,
                        FIXED_PITCH | FF_DONTCARE, choice.pszFace);
  SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(m_hFont), FALSE);
}

void CShellEditImpl::InitializeColors() {
  m_crText = RGB(64, 255, 255);
  m_crBackground = RGB(0, 32, 64);
  if (m_hBrush != nullptr) DeleteObject(m_hBrush);
  m_hBrush = CreateSolidBrush(m_crBackground);
}

void CShellEditImpl::ReleaseAppearance() {
  if (m_hBrush != nullptr) DeleteObject(m_hBrush);
  m_hBrush = nullptr;
  if (m_hFont != nullptr) DeleteObject(m_hFont);
  m_hFont = nullptr;
}

LRESULT CShellEditImpl::OnCtlColorEdit(UINT, WPARAM wParam, LPARAM, BOOL&) {
  HDC hdc = reinterpret_cast<HDC>(wParam);
  SetTextColor(hdc, m_crText);
  SetBkColor(hdc, m_crBackground);
  return reinterpret_cast<LRESULT>(m_hBrush);
}

LRESULT CShellEditImpl::OnSetCursor(UINT, WPARAM, LPARAM, BOOL&) {
  SetCursor(LoadCursorA(nullptr, IDC_ARROW));
  return TRUE;
}

LRESULT CShellEditImpl::OnClick(UINT, WPARAM, LPARAM, BOOL&) {
  // Only the focus: the caret and the selection stay where they are.
  ::SetFocus(m_hWnd);
  return 0;
}

LRESULT CShellEditImpl::OnRightButtonDown(UINT, WPARAM, LPARAM, BOOL&) {
  CClipboard* pClipboard = GetClipboard();
  if (!pClipboard->Open(m_hWnd)) return 0;
  std::string text;
  if (pClipboard->GetText(&text)) {
    InsertAtCaret(FirstClipboardLine(text.c_str()).c_str());
  }
  pClipboard->Close();
  return 0;
}

LRESULT CShellEditImpl::OnPaste(UINT, WPARAM, LPARAM, BOOL&) {
  // Pasting is done with the right mouse button only.
  return 0;
}

LRESULT CShellEditImpl::OnDropFiles(UINT, WPARAM wParam, LPARAM, BOOL&) {
  HDROP hDrop = reinterpret_cast<HDROP>(wParam);
  if (DragQueryFileA(hDrop, kDragQueryCount, nullptr, 0) > 0) {
    // The whole first path, so that QuotedDropPath cuts a long one at 255
    // bytes without splitting a UTF-8 character.
    std::string path(DragQueryFileA(hDrop, 0, nullptr, 0), '\0');
    DragQueryFileA(hDrop, 0, path.data(), static_cast<UINT>(path.size() + 1));
    InsertAtCaret(QuotedDropPath(path).c_str());
  }
  DragFinish(hDrop);
  return 0;
}

LRESULT CShellEditImpl::OnEditSetFocus(UINT, WPARAM, LPARAM, BOOL&) {
  // A block caret one blank in size, measured in the console font.
  SIZE blank;
  GetTextExtentPoint32A(m_hFont, " ", 1, &blank);
  CaretSize size = CaretSizeForBlank(g_nFontLevel, blank.cx, blank.cy);
  CreateCaret(m_hWnd, nullptr, size.cx, size.cy);
  ShowCaret(m_hWnd);
  if (EditBuffer* pBuffer = GetEditBuffer()) {
    int nEnd = 0;
    pBuffer->GetSel(nullptr, &nEnd);
    pBuffer->SetSel(nEnd, nEnd);
  }
  return 0;
}

LRESULT CShellEditImpl::OnEditKillFocus(UINT, WPARAM, LPARAM, BOOL&) {
  DestroyCaret();
  return 0;
}
