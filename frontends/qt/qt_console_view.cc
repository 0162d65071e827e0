#include "frontends/qt/qt_console_view.h"

#include <QFocusEvent>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyleHints>
#include <QUrl>
#include <algorithm>

#include "console/caret_view.h"
#include "console/edit_buffer.h"
#include "console/edit_control.h"
#include "frontends/qt/qt_fonts.h"
#include "frontends/qt/qt_keys.h"
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

QColor ColorOf(COLORREF cr) {
  return QColor(static_cast<int>(cr & 0xFF), static_cast<int>((cr >> 8) & 0xFF),
                static_cast<int>((cr >> 16) & 0xFF));
}

LPARAM PointParam(const QPoint& point) {
  return static_cast<LPARAM>((static_cast<DWORD>(point.y() & 0xFFFF) << 16) |
                             static_cast<DWORD>(point.x() & 0xFFFF));
}

// Tab stops every this many characters, as the edit control sets them.
constexpr int kTabColumns = 8;

// The first nLength bytes of a line as drawn: UTF-8 decoded, each tab
// widened with blanks to the next tab stop. Measuring a prefix this way gives
// the same x as drawing the whole line, since the widening runs left to right.
QString DisplayText(const char* pBytes, int nLength) {
  QString raw = QString::fromUtf8(pBytes, nLength);
  if (!raw.contains(u'\t')) return raw;
  QString shown;
  for (QChar c : raw) {
    if (c == u'\t') {
      do {
        shown += u' ';
      } while (shown.size() % kTabColumns != 0);
    } else {
      shown += c;
    }
  }
  return shown;
}

// The bytes of line nLine, without its CR LF.
std::string LineText(const EditBuffer& buffer, int nLine) {
  int nStart = buffer.LineIndex(nLine);
  if (nStart < 0) return std::string();
  int nLength = buffer.LineLength(nStart);
  return buffer.GetText().substr(static_cast<size_t>(nStart),
                                 static_cast<size_t>(nLength));
}

}  // namespace

CQtConsoleView::CQtConsoleView(HWND hEdit, QWidget* pParent)
    : QAbstractScrollArea(pParent), m_hEdit(hEdit) {
  // The view takes the focus when the console's click handler gives it
  // (Sync), not by itself on a click: clicks are the console's to judge.
  setFocusPolicy(Qt::TabFocus);
  setAttribute(Qt::WA_InputMethodEnabled);
  setAcceptDrops(true);
  setFrameShape(QFrame::NoFrame);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  viewport()->setMouseTracking(true);
  // The edit control's own cursor, until the console answers WM_SETCURSOR.
  viewport()->setCursor(Qt::IBeamCursor);

  int nFlash = QGuiApplication::styleHints()->cursorFlashTime();
  if (nFlash > 0) {
    m_blinkTimer.setInterval(nFlash / 2);
    connect(&m_blinkTimer, &QTimer::timeout, this, [this] {
      m_bBlinkOn = !m_bBlinkOn;
      viewport()->update();
    });
  }
}

EditBuffer* CQtConsoleView::GetBuffer() const { return GetEditBuffer(m_hEdit); }

QFont CQtConsoleView::GetConsoleFont() const {
  HFONT hFont = reinterpret_cast<HFONT>(SendMessageA(m_hEdit, WM_GETFONT, 0, 0));
  if (hFont == nullptr) return QFontDatabase::systemFont(QFontDatabase::FixedFont);
  return QtFontForRequest(*hFont);
}

int CQtConsoleView::GetLineHeight() const {
  return CellHeight(GetConsoleFont());
}

int CQtConsoleView::GetFirstVisibleLine() const {
  return verticalScrollBar()->value();
}

int CQtConsoleView::VisibleLineCount() const {
  return std::max(1, viewport()->height() / GetLineHeight());
}

int CQtConsoleView::XOfPosition(const EditBuffer& buffer, int nPos) const {
  int nLineStart = buffer.LineIndex(buffer.LineFromChar(nPos));
  if (nLineStart < 0 || nPos <= nLineStart) return 0;
  QString prefix =
      DisplayText(buffer.GetText().data() + nLineStart, nPos - nLineStart);
  return QFontMetrics(GetConsoleFont()).horizontalAdvance(prefix);
}

void CQtConsoleView::UpdateScrollBar(const EditBuffer& buffer) {
  int nVisible = VisibleLineCount();
  QScrollBar* pBar = verticalScrollBar();
  pBar->setRange(0, std::max(0, buffer.GetLineCount() - nVisible));
  pBar->setPageStep(nVisible);
  pBar->setSingleStep(1);
  if (nVisible != m_nPageLines) {
    m_nPageLines = nVisible;
    SendMessageA(m_hEdit, EM_SETPAGELINES, static_cast<WPARAM>(nVisible), 0);
  }
}

void CQtConsoleView::ScrollToCaret(const EditBuffer& buffer) {
  int nCaret = buffer.GetCaret();
  int nLine = buffer.LineFromChar(nCaret);
  QScrollBar* pBar = verticalScrollBar();
  int nFirstLine = FirstLineShowing(nLine, pBar->value(), VisibleLineCount());
  if (nFirstLine != pBar->value()) pBar->setValue(nFirstLine);
  int nWidth = std::max(1, viewport()->width() - kLeftMargin);
  m_nScrollX = ScrollXShowing(XOfPosition(buffer, nCaret), std::max(1, GetCaretState().cx), m_nScrollX,
                              nWidth);
}

void CQtConsoleView::Sync() {
  EditBuffer* pBuffer = GetBuffer();
  if (pBuffer == nullptr) return;
  if (::GetFocus() == m_hEdit && !hasFocus()) setFocus(Qt::OtherFocusReason);
  if (!pBuffer->IsRedrawOn()) return;
  UpdateScrollBar(*pBuffer);
  CaretState caret = GetCaretState();
  bool bChanged = pBuffer->GetChangeCount() != m_nSyncedChange;
  if (bChanged || pBuffer->IsScrollCaretRequested()) {
    ScrollToCaret(*pBuffer);
    pBuffer->ClearScrollCaretRequest();
  }
  bool bCaretChanged = caret.hWnd != m_syncedCaret.hWnd ||
                       caret.bShown != m_syncedCaret.bShown ||
                       caret.cx != m_syncedCaret.cx ||
                       caret.cy != m_syncedCaret.cy;
  if (bChanged || bCaretChanged) {
    m_bBlinkOn = true;
    if (m_blinkTimer.interval() > 0) m_blinkTimer.start();
    viewport()->update();
  }
  m_nSyncedChange = pBuffer->GetChangeCount();
  m_syncedCaret = caret;
}

void CQtConsoleView::paintEvent(QPaintEvent*) {
  QPainter painter(viewport());
  // The owner decides the colours, as for the edit control: it answers
  // WM_CTLCOLOREDIT with a brush and sets the context's text colour.
  HDC__ dc;
  HBRUSH hBrush = reinterpret_cast<HBRUSH>(
      SendMessageA(GetParent(m_hEdit), WM_CTLCOLOREDIT,
                   reinterpret_cast<WPARAM>(&dc),
                   reinterpret_cast<LPARAM>(m_hEdit)));
  QColor background = ColorOf(hBrush != nullptr ? hBrush->cr : dc.crBk);
  QColor text = ColorOf(dc.crText);
  painter.fillRect(viewport()->rect(), background);

  EditBuffer* pBuffer = GetBuffer();
  if (pBuffer == nullptr) return;
  QFont font = GetConsoleFont();
  QFontMetrics metrics(font);
  painter.setFont(font);
  const int nLineHeight = CellHeight(font);
  const int nFirst = GetFirstVisibleLine();
  const int nLast = std::min(pBuffer->GetLineCount() - 1,
                             nFirst + viewport()->height() / nLineHeight + 1);
  const int x0 = kLeftMargin - m_nScrollX;
  int nSelStart = 0;
  int nSelEnd = 0;
  pBuffer->GetSel(&nSelStart, &nSelEnd);
  // The selection shows only while the console has the focus.
  const bool bShowSelection = hasFocus() && nSelStart != nSelEnd;

  for (int nLine = nFirst; nLine <= nLast; ++nLine) {
    const int y = (nLine - nFirst) * nLineHeight;
    const int nLineStart = pBuffer->LineIndex(nLine);
    std::string bytes = LineText(*pBuffer, nLine);
    QString line = DisplayText(bytes.data(), static_cast<int>(bytes.size()));
    painter.setPen(text);
    painter.drawText(x0, y + metrics.ascent(), line);

    int nFrom = std::max(nSelStart, nLineStart) - nLineStart;
    int nTo = std::min(nSelEnd, nLineStart + static_cast<int>(bytes.size())) -
              nLineStart;
    if (bShowSelection && nFrom < nTo) {
      QString before = DisplayText(bytes.data(), nFrom);
      QString selected = DisplayText(bytes.data(), nTo).mid(before.size());
      QRect rect(x0 + metrics.horizontalAdvance(before), y,
                 metrics.horizontalAdvance(selected), nLineHeight);
      painter.fillRect(rect, palette().color(QPalette::Highlight));
      painter.setPen(palette().color(QPalette::HighlightedText));
      painter.drawText(rect.x(), y + metrics.ascent(), selected);
    }
  }

  // The caret inverts what it covers, a block the console sized.
  CaretState caret = GetCaretState();
  if (caret.hWnd == m_hEdit && caret.bShown && m_bBlinkOn) {
    int nCaret = pBuffer->GetCaret();
    int nLine = pBuffer->LineFromChar(nCaret);
    if (nLine >= nFirst && nLine <= nLast) {
      QRect rect(x0 + XOfPosition(*pBuffer, nCaret),
                 (nLine - nFirst) * nLineHeight, caret.cx, caret.cy);
      painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
      painter.fillRect(rect, Qt::white);
    }
  }
}

void CQtConsoleView::resizeEvent(QResizeEvent* pEvent) {
  QAbstractScrollArea::resizeEvent(pEvent);
  if (EditBuffer* pBuffer = GetBuffer()) UpdateScrollBar(*pBuffer);
}

void CQtConsoleView::keyPressEvent(QKeyEvent* pEvent) {
  KeyTranslation key =
      TranslateQtKey(pEvent->key(), pEvent->modifiers(), pEvent->text());
  if (key.nVirtKey != 0) {
    PostKeyMessage(m_hEdit, WM_KEYDOWN, key.nVirtKey, 0, key.dwKeyState);
  }
  for (char32_t c : key.chars) {
    PostKeyMessage(m_hEdit, WM_CHAR, static_cast<WPARAM>(c), 0,
                   key.dwKeyState);
  }
  pEvent->accept();
}

void CQtConsoleView::inputMethodEvent(QInputMethodEvent* pEvent) {
  if (!pEvent->commitString().isEmpty()) {
    PostMessageA(m_hEdit, WM_IME_COMPOSITION, 0, GCS_RESULTSTR);
    for (char32_t c : pEvent->commitString().toUcs4()) {
      PostKeyMessage(m_hEdit, WM_CHAR, static_cast<WPARAM>(c), 0, 0);
    }
  } else if (!pEvent->preeditString().isEmpty()) {
    PostMessageA(m_hEdit, WM_IME_COMPOSITION, 0, GCS_COMPSTR);
  }
  pEvent->accept();
}

QVariant CQtConsoleView::inputMethodQuery(Qt::InputMethodQuery query) const {
  if (query == Qt::ImEnabled) return true;
  if (query == Qt::ImCursorRectangle) {
    EditBuffer* pBuffer = GetBuffer();
    if (pBuffer == nullptr) return QRect();
    int nCaret = pBuffer->GetCaret();
    int nLine = pBuffer->LineFromChar(nCaret) - GetFirstVisibleLine();
    return QRect(kLeftMargin - m_nScrollX + XOfPosition(*pBuffer, nCaret),
                 nLine * GetLineHeight(), 1, GetLineHeight());
  }
  return QAbstractScrollArea::inputMethodQuery(query);
}

void CQtConsoleView::PostMouseButton(UINT uMsg, QMouseEvent* pEvent) {
  PostMessageA(m_hEdit, uMsg, 0, PointParam(pEvent->position().toPoint()));
  pEvent->accept();
}

void CQtConsoleView::mousePressEvent(QMouseEvent* pEvent) {
  switch (pEvent->button()) {
    case Qt::LeftButton:
      PostMouseButton(WM_LBUTTONDOWN, pEvent);
      break;
    case Qt::RightButton:
      PostMouseButton(WM_RBUTTONDOWN, pEvent);
      break;
    case Qt::MiddleButton:
      PostMouseButton(WM_MBUTTONDOWN, pEvent);
      break;
    default:
      pEvent->ignore();
      break;
  }
}

void CQtConsoleView::mouseDoubleClickEvent(QMouseEvent* pEvent) {
  // The second press of a double click; only the left button's has a
  // message the console answers (a right double click pastes nothing).
  if (pEvent->button() == Qt::LeftButton) {
    PostMouseButton(WM_LBUTTONDBLCLK, pEvent);
  } else if (pEvent->button() == Qt::MiddleButton) {
    PostMouseButton(WM_MBUTTONDOWN, pEvent);
  } else {
    pEvent->accept();
  }
}

void CQtConsoleView::UpdateCursorShape() {
  // The console answers WM_SETCURSOR with SetCursor; without an answer the
  // edit control's text cursor stays.
  ::SetCursor(nullptr);
  SendMessageA(m_hEdit, WM_SETCURSOR, reinterpret_cast<WPARAM>(m_hEdit),
               HTCLIENT | (static_cast<LPARAM>(WM_MOUSEMOVE) << 16));
  std::uintptr_t id = GetCursorId(::GetCursor());
  viewport()->setCursor(id == kIdcArrow ? Qt::ArrowCursor : Qt::IBeamCursor);
}

void CQtConsoleView::mouseMoveEvent(QMouseEvent* pEvent) {
  UpdateCursorShape();
  pEvent->accept();
}

void CQtConsoleView::focusInEvent(QFocusEvent* pEvent) {
  QAbstractScrollArea::focusInEvent(pEvent);
  if (IsWindow(m_hEdit) && ::GetFocus() != m_hEdit) ::SetFocus(m_hEdit);
  Sync();
}

void CQtConsoleView::focusOutEvent(QFocusEvent* pEvent) {
  QAbstractScrollArea::focusOutEvent(pEvent);
  if (::GetFocus() == m_hEdit) ::SetFocus(nullptr);
  Sync();
  viewport()->update();
}

bool CQtConsoleView::focusNextPrevChild(bool) {
  // Tab is a key of the console, not a move to another control.
  return false;
}

std::vector<std::string> CQtConsoleView::DroppedPaths(
    const QMimeData* pData) const {
  std::vector<std::string> paths;
  if (pData == nullptr || !pData->hasUrls()) return paths;
  for (const QUrl& url : pData->urls()) {
    if (url.isLocalFile()) paths.push_back(url.toLocalFile().toStdString());
  }
  return paths;
}

void CQtConsoleView::dragEnterEvent(QDragEnterEvent* pEvent) {
  if (AcceptsFiles(m_hEdit) && !DroppedPaths(pEvent->mimeData()).empty()) {
    pEvent->acceptProposedAction();
  } else {
    pEvent->ignore();
  }
}

void CQtConsoleView::dragMoveEvent(QDragMoveEvent* pEvent) {
  if (AcceptsFiles(m_hEdit)) {
    pEvent->acceptProposedAction();
  } else {
    pEvent->ignore();
  }
}

void CQtConsoleView::dropEvent(QDropEvent* pEvent) {
  std::vector<std::string> paths = DroppedPaths(pEvent->mimeData());
  if (!AcceptsFiles(m_hEdit) || paths.empty()) {
    pEvent->ignore();
    return;
  }
  HDROP hDrop = CreateDrop(std::move(paths));
  if (!PostMessageA(m_hEdit, WM_DROPFILES, reinterpret_cast<WPARAM>(hDrop), 0)) {
    DragFinish(hDrop);
  }
  pEvent->acceptProposedAction();
}
