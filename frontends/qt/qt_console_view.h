// The console as the window back end shows it: a view that draws the edit
// control's EditBuffer and turns Qt's keys, mouse buttons, focus changes and
// drops into the control's messages.
//
// The view keeps no text of its own. It reads the buffer, the font
// (WM_GETFONT), the colours (WM_CTLCOLOREDIT to the control's owner) and the
// caret (platform/caret.h) each time it draws, and draws nothing while the
// control's drawing is suspended (WM_SETREDRAW off). Lines never wrap: long
// lines scroll sideways to keep the caret in view; a vertical scroll bar
// scrolls the lines.
#ifndef SONOMOT_FRONTENDS_QT_QT_CONSOLE_VIEW_H_
#define SONOMOT_FRONTENDS_QT_QT_CONSOLE_VIEW_H_

#include <QAbstractScrollArea>
#include <QFont>
#include <QTimer>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/caret.h"
#include "platform/win_types.h"

class EditBuffer;
class QMimeData;

class CQtConsoleView : public QAbstractScrollArea {
 public:
  // hEdit must be an edit control (console/edit_control.h). The view may
  // outlive the control: it then draws nothing and posts nothing.
  CQtConsoleView(HWND hEdit, QWidget* pParent);

  HWND GetEditWindow() const { return m_hEdit; }

  // Brings the view up to date with the control after messages ran: scroll
  // bar range, scrolling to the caret after a change, the focus the platform
  // layer gives, and a redraw when anything shown has changed.
  void Sync();

  // What the view draws with (tests and the dialog's layout).
  QFont GetConsoleFont() const;
  int GetLineHeight() const;
  // The first line shown and the sideways scroll in pixels.
  int GetFirstVisibleLine() const;
  int GetHorizontalOffset() const { return m_nScrollX; }

 protected:
  void paintEvent(QPaintEvent* pEvent) override;
  void resizeEvent(QResizeEvent* pEvent) override;
  void keyPressEvent(QKeyEvent* pEvent) override;
  void inputMethodEvent(QInputMethodEvent* pEvent) override;
  QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;
  void mousePressEvent(QMouseEvent* pEvent) override;
  void mouseDoubleClickEvent(QMouseEvent* pEvent) override;
  void mouseMoveEvent(QMouseEvent* pEvent) override;
  void focusInEvent(QFocusEvent* pEvent) override;
  void focusOutEvent(QFocusEvent* pEvent) override;
  void dragEnterEvent(QDragEnterEvent* pEvent) override;
  void dragMoveEvent(QDragMoveEvent* pEvent) override;
  void dropEvent(QDropEvent* pEvent) override;
  bool focusNextPrevChild(bool bNext) override;

 private:
  EditBuffer* GetBuffer() const;
  // x of the byte position nPos within its line, before sideways scrolling.
  int XOfPosition(const EditBuffer& buffer, int nPos) const;
  int VisibleLineCount() const;
  void UpdateScrollBar(const EditBuffer& buffer);
  void ScrollToCaret(const EditBuffer& buffer);
  void PostMouseButton(UINT uMsg, QMouseEvent* pEvent);
  void UpdateCursorShape();
  std::vector<std::string> DroppedPaths(const QMimeData* pData) const;

  HWND m_hEdit;
  int m_nScrollX = 0;
  std::uint64_t m_nSyncedChange = ~std::uint64_t{0};
  CaretState m_syncedCaret;
  int m_nPageLines = 0;
  // The caret blinks; every change shows it again at once.
  QTimer m_blinkTimer;
  bool m_bBlinkOn = true;
};

#endif  // SONOMOT_FRONTENDS_QT_QT_CONSOLE_VIEW_H_
