// The console: the main dialog's edit control taken over and turned into a
// terminal.
//
// CShellEditImpl takes over the edit control (Initialize), writes through
// the output interface of ConsoleOutput into the control's EditBuffer, keeps
// the prompt from being edited, answers "tolk", "his" and "clear" itself,
// keeps a history of three entered lines and hands every other line to its
// parent window with WM_SHELLEDIT_COMMAND. What it does not consume goes on
// to the edit control's own editing.
//
// Who owns what: the key rules, the Enter path and the history live in
// shell_edit.cc. The look and the mouse (colours, cursor, caret, clicks,
// right-click paste, paste refusal, file drop, and the font and brush made
// by Initialize) are the handlers marked "appearance" below; they live in
// shell_edit_appearance.cc, separately, so the window back end's developer
// can work on them without touching the table or the key rules.
#ifndef SONOMOT_CONSOLE_SHELL_EDIT_H_
#define SONOMOT_CONSOLE_SHELL_EDIT_H_

#include <deque>
#include <string>

#include "console/console_output.h"
#include "platform/message_map.h"

class CShellEditImpl : public CWindowImplBase, public ConsoleOutput {
 public:
  // Entries the history holds at most.
  static constexpr size_t kMaxHistory = 3;

  CShellEditImpl() = default;
  ~CShellEditImpl() override;

  // Takes over the edit control hEdit and sets the console up: font,
  // colours, prompt "root>", no recall in progress, dropped files accepted.
  // Non-zero when the control was taken over; otherwise the console stays
  // inert (its writes have no effect) although the other steps run.
  BOOL Initialize(HWND hEdit);

  // The message table, in order (first match decides):
  //   1 OCM_CTLCOLOREDIT      OnCtlColorEdit      consumed, answers the brush
  //   2 WM_SETCURSOR          OnSetCursor         consumed
  //   3 WM_KEYDOWN            OnKeyDown           consumed or passed, by key
  //   4 WM_CHAR               OnChar              consumed or passed
  //   5 WM_DROPFILES          OnDropFiles         consumed
  //   6 WM_LBUTTONDOWN        OnClick             consumed
  //   7 WM_RBUTTONDOWN        OnRightButtonDown   consumed
  //   8 WM_MBUTTONDOWN        OnClick             consumed
  //   9 WM_LBUTTONDBLCLK      OnClick             consumed
  //  10 WM_IME_COMPOSITION    OnImeComposition    passed
  //  11 WM_PASTE              OnPaste             consumed (does nothing)
  //  12 OCM_COMMAND, EN_SETFOCUS   OnEditSetFocus consumed
  //  13 OCM_COMMAND, EN_KILLFOCUS  OnEditKillFocus consumed
  //  14 any other OCM_ message     DefWindowProcA of the message less
  //                                 OCM__BASE     consumed
  // Everything else goes to the edit control.
  BOOL ProcessWindowMessage(HWND hWnd, UINT uMsg, WPARAM wParam,
                            LPARAM lParam, LRESULT& lResult) override;

  // Caret and line queries.
  bool IsCaretOnLastLine() const;
  // Line and column of the selection end.
  void GetCaretLineColumn(int* pnLine, int* pnColumn) const;
  bool IsCaretInPrompt() const;
  // A WriteText of "": caret at the end, nothing selected, line limit.
  void MoveCaretToEnd();
  // Inserts the text at the selection end (the selected text stays); the
  // caret ends after it; the line limit is not applied.
  void InsertAtCaret(const char* pszText);

  // The history: oldest first, at most three, no empty and no equal entries.
  void AddHistory(const char* pszLine);
  // nStep +1 recalls an older entry, -1 a newer one, onto the input line.
  void RecallHistory(int nStep);
  const std::deque<std::string>& GetHistory() const { return m_history; }
  int GetHistoryPos() const { return m_nHistoryPos; }
  bool IsImeComposing() const { return m_bImeComposing != 0; }
  COLORREF GetTextColor() const { return m_crText; }
  COLORREF GetBackgroundColor() const { return m_crBackground; }
  HFONT GetFont() const { return m_hFont; }

  void OnFinalMessage(HWND hWnd) override;

 protected:
  // Key rules (shell_edit.cc).
  LRESULT OnKeyDown(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
  LRESULT OnChar(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
  LRESULT OnImeComposition(UINT uMsg, WPARAM wParam, LPARAM lParam,
                           BOOL& bHandled);
  LRESULT OnReflectedDefault(UINT uMsg, WPARAM wParam, LPARAM lParam,
                             BOOL& bHandled);

  // Appearance (shell_edit_appearance.cc).
  LRESULT OnCtlColorEdit(UINT uMsg, WPARAM wParam, LPARAM lParam,
                         BOOL& bHandled);
  LRESULT OnSetCursor(UINT uMsg, WPARAM wParam, LPARAM lParam,
                      BOOL& bHandled);
  LRESULT OnDropFiles(UINT uMsg, WPARAM wParam, LPARAM lParam,
                      BOOL& bHandled);
  LRESULT OnClick(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
  LRESULT OnRightButtonDown(UINT uMsg, WPARAM wParam, LPARAM lParam,
                            BOOL& bHandled);
  LRESULT OnPaste(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
  LRESULT OnEditSetFocus(UINT uMsg, WPARAM wParam, LPARAM lParam,
                         BOOL& bHandled);
  LRESULT OnEditKillFocus(UINT uMsg, WPARAM wParam, LPARAM lParam,
                          BOOL& bHandled);
  // Initialize's steps 2 and 3: the font given to the control, the colours
  // and the background brush.
  void InitializeFont();
  void InitializeColors();
  // Deletes the brush, then the font.
  void ReleaseAppearance();

 private:
  // The general rule applied before a passed key reaches the control.
  void ApplyGeneralRule();
  void OnEnter();
  int GetPromptLength() const;

  HFONT m_hFont = nullptr;
  HBRUSH m_hBrush = nullptr;
  COLORREF m_crBackground = 0;
  COLORREF m_crText = 0;
  std::deque<std::string> m_history;
  int m_nHistoryPos = -1;
  BOOL m_bImeComposing = 0;
};

// The console of the main dialog.
class CShellEditBox : public CShellEditImpl {};

#endif  // SONOMOT_CONSOLE_SHELL_EDIT_H_
