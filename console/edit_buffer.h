// EditBuffer: the console's text model, the stand-in for a multi-line edit
// control.
//
// The text is bytes (UTF-8 on this platform), lines are separated by CR LF,
// and every position is a byte index, each line break counting as its two
// bytes. A lone CR or LF is an ordinary byte of its line: the console writes
// "...\n\r\n" for a format that ends in a line feed, and that is one line.
// The text never holds a zero byte; text passed in ends at its first zero.
//
// The operations keep the results the edit control gives, out-of-range
// arguments included: positions are clamped to the text, a line number past
// the end gives -1 or 0 as the control does, and nothing is ever read or
// written out of bounds. The buffer knows nothing about the screen: the back
// ends draw it and read the redraw flag, the change counter and the
// scroll-to-caret request.
#ifndef SONOMOT_CONSOLE_EDIT_BUFFER_H_
#define SONOMOT_CONSOLE_EDIT_BUFFER_H_

#include <cstdint>
#include <string>

class EditBuffer {
 public:
  EditBuffer() = default;

  // GetWindowTextLengthA: number of bytes in the text.
  int GetTextLength() const { return static_cast<int>(m_text.size()); }
  // SetWindowTextA: replaces the whole text (null is ""); the caret goes to 0.
  void SetText(const char* pszText);
  // The whole text (for drawing and tests; the console logic never copies it).
  const std::string& GetText() const { return m_text; }

  // EM_SETSEL: start equal to end places the caret. The end is the caret.
  // A start of -1 removes the selection, leaving the caret where it was;
  // any other negative value, and any value past the text, means the end of
  // the text (the control takes both as unsigned and clamps them).
  void SetSel(int nStart, int nEnd);
  // EM_GETSEL: the selection as start <= end (equal when nothing is selected).
  void GetSel(int* pnStart, int* pnEnd) const;
  // The caret: the end given to the last SetSel, or after the last insertion.
  int GetCaret() const { return m_nSelEnd; }
  // The end of the selection opposite the caret.
  int GetAnchor() const { return m_nSelStart; }

  // The mouse's mark: text dragged over in the window, apart from the
  // selection, since a click never moves the caret (typing, paste and drop
  // stay where the keyboard left it). The mark follows the text: an edit
  // before it moves it, an edit that touches it or a new text removes it.
  // nAnchor is where the drag began, nEnd where it is now; equal ends mean
  // no mark. Positions are clamped as SetSel clamps them. Setting the mark
  // is not a change (GetChangeCount): the view must not scroll to the
  // caret for it, so whoever sets it redraws.
  void SetMark(int nAnchor, int nEnd);
  // The mark as start <= end (equal when there is none).
  void GetMark(int* pnStart, int* pnEnd) const;
  int GetMarkAnchor() const { return m_nMarkAnchor; }
  bool HasMark() const { return m_nMarkAnchor != m_nMarkEnd; }

  // EM_REPLACESEL(FALSE, text): the text replaces the selection, the caret
  // ends after it, nothing is selected and a scroll to the caret is
  // requested. Null deletes the selection.
  void ReplaceSel(const char* pszText);

  // EM_GETLINECOUNT: number of CR LF pairs plus one.
  int GetLineCount() const { return m_nLineCount; }
  // EM_LINEINDEX: position of the first byte of line nLine; -1 means the
  // caret's line; other negative lines give 0; a line past the last gives -1.
  int LineIndex(int nLine = -1) const;
  // EM_LINEFROMCHAR: the line holding nPos; -1 means the line of the
  // selection start; a position past the text gives the last line, any
  // other negative one line 0.
  int LineFromChar(int nPos = -1) const;
  // EM_LINELENGTH: length without CR LF of the line holding nPos (a position
  // past the text gives 0; other negatives: the first line). With -1,
  // the number of unselected bytes on the lines the selection touches.
  int LineLength(int nPos = -1) const;
  // EM_GETLINE: copies line nLine into pBuffer, whose first 16-bit word
  // (native byte order) gives its capacity in bytes. Copies at most that
  // many bytes, adds no terminating zero, returns the number copied. A line
  // past the last copies nothing and returns 0; -1 means the caret's line.
  // REQUIRES: pBuffer holds at least max(capacity, 2) bytes.
  int GetLine(int nLine, char* pBuffer) const;

  // WM_SETREDRAW: while off, changes are not drawn one by one. The flag is
  // not nested: one "on" ends any number of "off"s, as in the control.
  void SetRedraw(bool bRedraw);
  bool IsRedrawOn() const { return m_bRedraw; }

  // EM_SCROLLCARET: asks the back end to bring the caret's line into view.
  void ScrollCaret() { m_bScrollCaret = true; }
  bool IsScrollCaretRequested() const { return m_bScrollCaret; }
  // Called by the back end once it has scrolled.
  void ClearScrollCaretRequest() { m_bScrollCaret = false; }

  // Grows by one with every change of the text or the selection, so a back
  // end can tell whether it has anything new to draw.
  std::uint64_t GetChangeCount() const { return m_nChangeCount; }

 private:
  int ClampPos(int nPos) const;
  // Start and end (past the CR LF, or the text end) of the line holding nPos,
  // nPos already within the text.
  int LineStartOf(int nPos) const;
  int LineEndOf(int nPos) const;  // excluding the CR LF
  int LineFromPos(int nPos) const;
  // Counts the line breaks that start within [nFrom, nTo) (clamped).
  int CountBreaks(int nFrom, int nTo) const;
  // Brings the line count and the start of the last line up to date after
  // [nStart, nEnd) was replaced by nInserted bytes.
  void UpdateLines(int nStart, int nEnd, int nInserted);
  // Keeps the mark on its text when [nStart, nEnd) is replaced by
  // nInserted bytes, or removes it when the change touches it.
  void MoveMark(int nStart, int nEnd, int nInserted);

  std::string m_text;
  // Kept with every change, so that work at the end of the text (typing,
  // output, the caret's line) costs the same however long the text is:
  // the number of lines and the position after the last CR LF (0 if none).
  int m_nLineCount = 1;
  int m_nLastLineStart = 0;
  int m_nSelStart = 0;  // the anchor
  int m_nSelEnd = 0;    // the caret
  int m_nMarkAnchor = 0;
  int m_nMarkEnd = 0;
  bool m_bRedraw = true;
  bool m_bScrollCaret = false;
  std::uint64_t m_nChangeCount = 0;
};

#endif  // SONOMOT_CONSOLE_EDIT_BUFFER_H_
