#include "frontends/win32/win32_dialog_window.h"

#include <algorithm>
#include <vector>

#include "console/caret_view.h"
#include "console/edit_buffer.h"
#include "console/edit_buffer_editing.h"
#include "console/edit_control.h"
#include "frontends/win32/win32_fonts.h"
#include "platform/cursor.h"
#include "platform/drop.h"
#include "platform/gdi.h"
#include "platform/message_queue.h"

namespace {

// Blank pixels left of the first character, as the edit control leaves.
constexpr int kLeftMargin = 1;
// Composition in progress (WM_IME_COMPOSITION's lParam without a result).
constexpr LPARAM GCS_COMPSTR = 0x0008;
constexpr LPARAM HTCLIENT = 1;
// Tab stops every this many characters, as the edit control sets them.
constexpr int kTabColumns = 8;

LPARAM PointParam(int x, int y) {
  return static_cast<LPARAM>((static_cast<DWORD>(y & 0xFFFF) << 16) |
                             static_cast<DWORD>(x & 0xFFFF));
}

DWORD KeyState(bool bShift, bool bCtrl) {
  return (bShift ? KEYSTATE_SHIFT : 0) | (bCtrl ? KEYSTATE_CONTROL : 0);
}

// The first nLength bytes of a line as drawn: each tab widened with blanks
// to the next tab stop, counting characters, not bytes. Measuring a prefix
// this way gives the same x as drawing the whole line.
std::string DisplayText(const std::string& bytes, size_t nLength) {
  std::string shown;
  int nColumn = 0;
  for (size_t i = 0; i < nLength && i < bytes.size(); ++i) {
    char c = bytes[i];
    if (c == '\t') {
      do {
        shown += ' ';
        ++nColumn;
      } while (nColumn % kTabColumns != 0);
      continue;
    }
    shown += c;
    // A UTF-8 continuation byte adds to the character before it.
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++nColumn;
  }
  return shown;
}

// The bytes of line nLine, without its CR LF.
std::string LineText(const EditBuffer& buffer, int nLine) {
  int nStart = buffer.LineIndex(nLine);
  if (nStart < 0) return std::string();
  int nLength = buffer.LineLength(nStart);
  return buffer.GetText().substr(static_cast<size_t>(nStart), static_cast<size_t>(nLength));
}

}  // namespace

CWin32DialogWindow::CWin32DialogWindow(HWND hDlg, const DialogTemplate& layout,
                                       CWin32FontSystem* pFonts, int nShowCommand)
    : m_hDlg(hDlg),
      m_hEdit(GetDlgItem(hDlg, layout.console.nID)),
      m_pFonts(pFonts),
      m_native(this),
      m_nShowCommand(nShowCommand) {
  m_bCreated = m_native.Create(layout, pFonts->ChooseFamily(layout.pszFace, false));
  m_caption = layout.pszCaption;
}

EditBuffer* CWin32DialogWindow::GetBuffer() const { return GetEditBuffer(m_hEdit); }

void CWin32DialogWindow::SyncFont() {
  HFONT hFont = reinterpret_cast<HFONT>(SendMessageA(m_hEdit, WM_GETFONT, 0, 0));
  if (hFont == m_hSyncedFont && hFont != nullptr) return;
  m_hSyncedFont = hFont;
  win32::FontRequest request;
  if (hFont != nullptr) {
    request = m_pFonts->NativeRequest(*hFont);
  } else {
    // Before the console has chosen its font: the edit control's own.
    request.face = m_pFonts->ChooseFamily("MS ゴシック", true);
    request.bFixedPitch = true;
  }
  m_native.SetConsoleFont(request);
  m_nPageLines = 0;
}

int CWin32DialogWindow::XOfPosition(const EditBuffer& buffer, int nPos) const {
  int nLineStart = buffer.LineIndex(buffer.LineFromChar(nPos));
  if (nLineStart < 0 || nPos <= nLineStart) return 0;
  std::string line = LineText(buffer, buffer.LineFromChar(nPos));
  return m_native.GetTextWidth(DisplayText(line, static_cast<size_t>(nPos - nLineStart)));
}

int CWin32DialogWindow::PositionAt(const EditBuffer& buffer, int x, int y) const {
  const int nLineHeight = std::max(1, m_native.GetLineHeight());
  const int nRow = y >= 0 ? y / nLineHeight : -1 - (-y - 1) / nLineHeight;
  const int nLine = std::clamp(m_nFirstLine + nRow, 0, buffer.GetLineCount() - 1);
  const std::string bytes = LineText(buffer, nLine);
  std::vector<int> bounds;
  for (size_t i = 0; i < bytes.size(); ++i) {
    if ((static_cast<unsigned char>(bytes[i]) & 0xC0) != 0x80) bounds.push_back(static_cast<int>(i));
  }
  bounds.push_back(static_cast<int>(bytes.size()));
  auto widthTo = [&](size_t k) {
    return m_native.GetTextWidth(DisplayText(bytes, static_cast<size_t>(bounds[k])));
  };
  // The last boundary at or left of x (widths only grow along a line),
  // then the nearer of it and the next.
  const int xText = x - kLeftMargin + m_nScrollX;
  size_t nLow = 0;
  size_t nHigh = bounds.size() - 1;
  while (nLow < nHigh) {
    size_t nMiddle = (nLow + nHigh + 1) / 2;
    if (widthTo(nMiddle) <= xText) {
      nLow = nMiddle;
    } else {
      nHigh = nMiddle - 1;
    }
  }
  if (nLow + 1 < bounds.size() && xText - widthTo(nLow) > widthTo(nLow + 1) - xText) ++nLow;
  return buffer.LineIndex(nLine) + bounds[nLow];
}

int CWin32DialogWindow::VisibleLineCount() const {
  return std::max(1, m_native.GetConsoleSize().cy / m_native.GetLineHeight());
}

void CWin32DialogWindow::UpdateScrollBar(const EditBuffer& buffer) {
  int nVisible = VisibleLineCount();
  int nLines = buffer.GetLineCount();
  m_nFirstLine = std::clamp(m_nFirstLine, 0, std::max(0, nLines - nVisible));
  m_native.SetScrollBar(nLines, nVisible, m_nFirstLine);
  if (nVisible != m_nPageLines) {
    m_nPageLines = nVisible;
    SendMessageA(m_hEdit, EM_SETPAGELINES, static_cast<WPARAM>(nVisible), 0);
  }
}

void CWin32DialogWindow::ScrollToCaret(const EditBuffer& buffer) {
  int nCaret = buffer.GetCaret();
  int nLine = buffer.LineFromChar(nCaret);
  m_nFirstLine = FirstLineShowing(nLine, m_nFirstLine, VisibleLineCount());
  UpdateScrollBar(buffer);
  int nWidth = std::max(1, m_native.GetConsoleSize().cx - kLeftMargin);
  m_nScrollX = ScrollXShowing(XOfPosition(buffer, nCaret), std::max(1, GetCaretState().cx), m_nScrollX,
                              nWidth);
}

void CWin32DialogWindow::PlaceCaret(const EditBuffer& buffer) {
  CaretState caret = GetCaretState();
  int nCaret = buffer.GetCaret();
  int nLine = buffer.LineFromChar(nCaret) - m_nFirstLine;
  bool bShown = caret.hWnd == m_hEdit && caret.bShown && nLine >= 0 &&
                nLine < VisibleLineCount() + 1;
  int x = kLeftMargin - m_nScrollX + (bShown ? XOfPosition(buffer, nCaret) : 0);
  m_native.SetCaret(bShown, x, nLine * m_native.GetLineHeight(), caret.cx, caret.cy);
}

void CWin32DialogWindow::Sync() {
  if (m_bFinished || !m_bCreated) return;
  if (!IsWindow(m_hDlg)) {
    m_bFinished = true;
    m_native.SetCaret(false, 0, 0, 0, 0);
    m_native.Hide();
    return;
  }
  std::string caption = GetWindowCaption(m_hDlg);
  if (!caption.empty() && caption != m_caption) {
    m_caption = caption;
    m_native.SetCaption(caption);
  }
  m_native.SetAcceptFiles(AcceptsFiles(m_hEdit) != FALSE);
  SyncFont();
  bool bVisible = IsWindowVisible(m_hDlg) != FALSE;
  if (bVisible && !m_native.IsShown()) {
    m_native.Show(m_nShowCommand);
  } else if (!bVisible && m_native.IsShown()) {
    m_native.Hide();
  }
  if (::GetFocus() == m_hEdit && !m_native.HasFocus()) m_native.FocusConsole();

  EditBuffer* pBuffer = GetBuffer();
  if (pBuffer == nullptr || !pBuffer->IsRedrawOn()) return;
  CaretState caret = GetCaretState();
  bool bChanged = pBuffer->GetChangeCount() != m_nSyncedChange;
  if (bChanged || pBuffer->IsScrollCaretRequested()) {
    ScrollToCaret(*pBuffer);
    pBuffer->ClearScrollCaretRequest();
  } else {
    UpdateScrollBar(*pBuffer);
  }
  bool bCaretChanged = caret.hWnd != m_syncedCaret.hWnd || caret.bShown != m_syncedCaret.bShown ||
                       caret.cx != m_syncedCaret.cx || caret.cy != m_syncedCaret.cy;
  if (bChanged || bCaretChanged) m_native.Invalidate();
  PlaceCaret(*pBuffer);
  m_nSyncedChange = pBuffer->GetChangeCount();
  m_syncedCaret = caret;
}

void CWin32DialogWindow::OnPaint(win32::CNativePainter& painter) {
  // The owner decides the colours, as for the edit control: it answers
  // WM_CTLCOLOREDIT with a brush and sets the context's text colour.
  HDC__ dc;
  HBRUSH hBrush = IsWindow(m_hEdit) ? reinterpret_cast<HBRUSH>(SendMessageA(
                                          GetParent(m_hEdit), WM_CTLCOLOREDIT,
                                          reinterpret_cast<WPARAM>(&dc),
                                          reinterpret_cast<LPARAM>(m_hEdit)))
                                    : nullptr;
  win32::Extent size = m_native.GetConsoleSize();
  painter.Fill(0, 0, size.cx, size.cy, hBrush != nullptr ? hBrush->cr : dc.crBk);

  EditBuffer* pBuffer = GetBuffer();
  if (pBuffer == nullptr) return;
  const int nLineHeight = m_native.GetLineHeight();
  const int nLast = std::min(pBuffer->GetLineCount() - 1, m_nFirstLine + size.cy / nLineHeight + 1);
  const int x0 = kLeftMargin - m_nScrollX;
  int nSelStart = 0;
  int nSelEnd = 0;
  pBuffer->GetSel(&nSelStart, &nSelEnd);
  // The selection shows only while the console has the focus.
  if (!m_native.HasFocus()) nSelEnd = nSelStart;
  int nMarkStart = 0;
  int nMarkEnd = 0;
  pBuffer->GetMark(&nMarkStart, &nMarkEnd);
  const std::uint32_t crBackground = hBrush != nullptr ? hBrush->cr : dc.crBk;
  for (int nLine = m_nFirstLine; nLine <= nLast; ++nLine) {
    const int y = (nLine - m_nFirstLine) * nLineHeight;
    const int nLineStart = pBuffer->LineIndex(nLine);
    std::string bytes = LineText(*pBuffer, nLine);
    painter.Text(x0, y, DisplayText(bytes, bytes.size()), dc.crText);
    // The part of [nStart, nEnd) on this line, drawn again in other colours.
    auto drawRange = [&](int nStart, int nEnd, std::uint32_t crFill, std::uint32_t crInk) {
      int nFrom = std::max(nStart, nLineStart) - nLineStart;
      int nTo = std::min(nEnd, nLineStart + static_cast<int>(bytes.size())) - nLineStart;
      if (nFrom >= nTo) return;
      std::string before = DisplayText(bytes, static_cast<size_t>(nFrom));
      std::string upTo = DisplayText(bytes, static_cast<size_t>(nTo));
      std::string shown = upTo.substr(before.size());
      int x = x0 + m_native.GetTextWidth(before);
      painter.Fill(x, y, m_native.GetTextWidth(shown), nLineHeight, crFill);
      painter.Text(x, y, shown, crInk);
    };
    drawRange(nSelStart, nSelEnd, win32::GetHighlightColour(false),
              win32::GetHighlightColour(true));
    drawRange(nMarkStart, nMarkEnd, dc.crText, crBackground);
  }
}

void CWin32DialogWindow::OnKeyDown(unsigned nVirtKey, bool bShift, bool bCtrl) {
  m_nLastVirtKey = nVirtKey;
  PostKeyMessage(m_hEdit, WM_KEYDOWN, nVirtKey, 0, KeyState(bShift, bCtrl));
}

void CWin32DialogWindow::OnChar(char32_t c, bool bShift, bool bCtrl) {
  // Windows types more control characters than the console takes: only
  // those the other back ends type get through (Backspace 8, Tab 9, Enter
  // 13, Escape 27, Ctrl with a letter 1 to 26). Ctrl+Enter types a line
  // feed, which is Enter here.
  if (c == 10 && m_nLastVirtKey == VK_RETURN) c = 13;
  bool bTyped = c == 8 || c == 9 || c == 13 || c == 27 || (bCtrl && c >= 1 && c <= 26);
  if ((c < 0x20 || c == 0x7F) && !bTyped) return;
  PostKeyMessage(m_hEdit, WM_CHAR, static_cast<WPARAM>(c), 0, KeyState(bShift, bCtrl));
}

void CWin32DialogWindow::OnComposition(bool bResult) {
  PostMessageA(m_hEdit, WM_IME_COMPOSITION, 0, bResult ? GCS_RESULTSTR : GCS_COMPSTR);
}

void CWin32DialogWindow::OnMouseButton(win32::MouseButton button, int x, int y) {
  EditBuffer* pBuffer = GetBuffer();
  if (pBuffer != nullptr && button == win32::MouseButton::kLeft) {
    int nPos = PositionAt(*pBuffer, x, y);
    pBuffer->SetMark(nPos, nPos);  // a drag may follow from here
    m_native.Invalidate();
  } else if (pBuffer != nullptr && button == win32::MouseButton::kLeftDouble) {
    MarkWordAt(pBuffer, PositionAt(*pBuffer, x, y));
    m_native.Invalidate();
  }
  UINT uMsg = WM_MBUTTONDOWN;
  switch (button) {
    case win32::MouseButton::kLeft: uMsg = WM_LBUTTONDOWN; break;
    case win32::MouseButton::kLeftDouble: uMsg = WM_LBUTTONDBLCLK; break;
    case win32::MouseButton::kRight: uMsg = WM_RBUTTONDOWN; break;
    case win32::MouseButton::kMiddle: uMsg = WM_MBUTTONDOWN; break;
  }
  PostMessageA(m_hEdit, uMsg, 0, PointParam(x, y));
}

void CWin32DialogWindow::OnMouseDrag(int x, int y) {
  EditBuffer* pBuffer = GetBuffer();
  if (pBuffer == nullptr) return;
  // Above or below the console the view follows, a line a move.
  const int nHeight = m_native.GetConsoleSize().cy;
  if (y < 0 || y >= nHeight) {
    m_nFirstLine += y < 0 ? -1 : 1;
    UpdateScrollBar(*pBuffer);
    PlaceCaret(*pBuffer);
  }
  int nPos = PositionAt(*pBuffer, x, std::clamp(y, 0, std::max(0, nHeight - 1)));
  pBuffer->SetMark(pBuffer->GetMarkAnchor(), nPos);
  m_native.Invalidate();
}

bool CWin32DialogWindow::WantsArrowCursor() {
  // The console answers WM_SETCURSOR with SetCursor; without an answer the
  // edit control's text cursor stays.
  ::SetCursor(nullptr);
  SendMessageA(m_hEdit, WM_SETCURSOR, reinterpret_cast<WPARAM>(m_hEdit),
               HTCLIENT | (static_cast<LPARAM>(WM_MOUSEMOVE) << 16));
  return GetCursorId(::GetCursor()) == kIdcArrow;
}

void CWin32DialogWindow::OnDropFiles(std::vector<std::string> paths) {
  if (!AcceptsFiles(m_hEdit) || paths.empty()) return;
  HDROP hDrop = CreateDrop(std::move(paths));
  if (!PostMessageA(m_hEdit, WM_DROPFILES, reinterpret_cast<WPARAM>(hDrop), 0)) DragFinish(hDrop);
}

void CWin32DialogWindow::OnClose() {
  // The dialog decides: its default processing makes WM_CLOSE the Cancel
  // command, which destroys it; Sync then hides this window.
  if (IsWindow(m_hDlg)) PostMessageA(m_hDlg, WM_CLOSE, 0, 0);
}

void CWin32DialogWindow::OnFocus(bool bFocused) {
  if (bFocused) {
    if (IsWindow(m_hEdit) && ::GetFocus() != m_hEdit) ::SetFocus(m_hEdit);
  } else if (::GetFocus() == m_hEdit) {
    ::SetFocus(nullptr);
  }
  Sync();
  m_native.Invalidate();
}

void CWin32DialogWindow::OnScroll(int nFirstLine) {
  EditBuffer* pBuffer = GetBuffer();
  if (pBuffer == nullptr) return;
  m_nFirstLine = nFirstLine;
  UpdateScrollBar(*pBuffer);
  PlaceCaret(*pBuffer);
  m_native.Invalidate();
}

void CWin32DialogWindow::OnDpiChanged() {
  m_nPageLines = 0;
  m_nSyncedChange = ~std::uint64_t{0};
  // The console measures its caret when it gains the focus: give it again
  // so that the block has the new size.
  if (::GetFocus() == m_hEdit) {
    ::SetFocus(nullptr);
    ::SetFocus(m_hEdit);
  }
  Sync();
}

std::string CWin32DialogWindow::GetConsoleText() {
  EditBuffer* pBuffer = GetBuffer();
  return pBuffer != nullptr ? pBuffer->GetText() : std::string();
}

bool CWin32DialogWindow::GetCharacterPoint(size_t nPos, int* px, int* py) {
  EditBuffer* pBuffer = GetBuffer();
  if (pBuffer == nullptr || nPos >= pBuffer->GetText().size()) return false;
  const int nChar = static_cast<int>(nPos);
  *px = kLeftMargin - m_nScrollX + XOfPosition(*pBuffer, nChar);
  *py = (pBuffer->LineFromChar(nChar) - m_nFirstLine) * m_native.GetLineHeight();
  return true;
}
