// A dialog of the platform layer shown as a real Win32 window: the size
// its template gives in its font, a title bar with the caption and a close
// box only, the application icon, and the console drawn with GDI in the
// console's font and colours.
//
// The window mirrors the dialog: Sync copies the caption, the visibility,
// the focus and the console's text, scroll position and caret, and hides
// the window once the dialog is destroyed. What the user does (keys,
// characters, mouse buttons, drops, the close box) is posted to the
// dialog's windows as their messages; the dialog decides, as it does under
// every back end. Only the mouse's mark is set here, on the EditBuffer:
// dragging the left button marks text to copy, a double click a word; it
// is what the view shows, and moves no caret. The view keeps no text of
// its own: it reads the edit control's EditBuffer, its font (WM_GETFONT),
// the colours its owner answers to WM_CTLCOLOREDIT and the caret
// (platform/caret.h), and draws nothing new while the control's drawing
// is suspended. The mark is drawn inverted, in the console's colours
// swapped, with or without the focus.
#ifndef SONOMOT_FRONTENDS_WIN32_WIN32_DIALOG_WINDOW_H_
#define SONOMOT_FRONTENDS_WIN32_WIN32_DIALOG_WINDOW_H_

#include <cstdint>
#include <string>

#include "frontends/win32/win32_native.h"
#include "platform/caret.h"
#include "platform/win_types.h"
#include "resources/dialog_template.h"

class CWin32FontSystem;
class EditBuffer;

class CWin32DialogWindow : public win32::CNativeEvents {
 public:
  // hDlg is the dialog made from layout; its item layout.console.nID is the
  // edit control the console shows. pFonts must outlive the window.
  // nShowCommand is how the window is shown when the dialog is (the
  // program's start-up show command).
  CWin32DialogWindow(HWND hDlg, const DialogTemplate& layout, CWin32FontSystem* pFonts,
                     int nShowCommand);

  HWND GetDialogWindow() const { return m_hDlg; }
  void* GetNativeHandle() const { return m_native.GetHandle(); }
  // True once the dialog has been destroyed and the window hidden.
  bool IsFinished() const { return m_bFinished; }
  // Brings the window up to date with the dialog (see the top of this file).
  void Sync();

  // win32::CNativeEvents
  void OnKeyDown(unsigned nVirtKey, bool bShift, bool bCtrl) override;
  void OnChar(char32_t c, bool bShift, bool bCtrl) override;
  void OnComposition(bool bResult) override;
  void OnMouseButton(win32::MouseButton button, int x, int y) override;
  void OnMouseDrag(int x, int y) override;
  bool WantsArrowCursor() override;
  void OnDropFiles(std::vector<std::string> paths) override;
  void OnClose() override;
  void OnFocus(bool bFocused) override;
  void OnScroll(int nFirstLine) override;
  void OnPaint(win32::CNativePainter& painter) override;
  void OnDpiChanged() override;
  std::string GetConsoleText() override;
  bool GetCharacterPoint(size_t nPos, int* px, int* py) override;

 private:
  EditBuffer* GetBuffer() const;
  void SyncFont();
  // x of the byte position nPos within its line, before sideways scrolling.
  int XOfPosition(const EditBuffer& buffer, int nPos) const;
  // The character boundary nearest to the point x, y of the console, on
  // the line shown there (the first or last line above or below the text).
  int PositionAt(const EditBuffer& buffer, int x, int y) const;
  int VisibleLineCount() const;
  void UpdateScrollBar(const EditBuffer& buffer);
  void ScrollToCaret(const EditBuffer& buffer);
  void PlaceCaret(const EditBuffer& buffer);

  HWND m_hDlg;
  HWND m_hEdit;
  CWin32FontSystem* m_pFonts;
  win32::CNativeDialog m_native;
  int m_nShowCommand;
  bool m_bCreated = false;
  unsigned m_nLastVirtKey = 0;
  bool m_bFinished = false;
  std::string m_caption;
  HFONT m_hSyncedFont = nullptr;
  int m_nFirstLine = 0;
  int m_nScrollX = 0;
  int m_nPageLines = 0;
  std::uint64_t m_nSyncedChange = ~std::uint64_t{0};
  CaretState m_syncedCaret;
};

#endif  // SONOMOT_FRONTENDS_WIN32_WIN32_DIALOG_WINDOW_H_
