// The terminal back end: the main dialog drawn full screen with ncurses.
//
// The top row is the dialog's title bar (its caption, "Sonomot"); the rest
// shows the console: its EditBuffer in the console's colours (asked for with
// WM_CTLCOLOREDIT, as a window would be drawn; the nearest colours the
// terminal offers), the selection in reverse, and the terminal's cursor as a
// steady block at the caret. The view follows the caret, downwards and
// sideways, so long lines scroll sideways as in the edit control. Resizing
// the terminal redraws at the new size; Page Up/Down move by the view's
// height.
//
// Keys decoded by ncurses become WM_KEYDOWN (and WM_CHAR for keys that type)
// with the Shift and Ctrl states it reports, sent to the focused window;
// UTF-8 is typed and shown whole. Escape alone is the Escape key (Cancel);
// an Escape another key follows at once is the terminal's way of sending
// Alt with that key, which types nothing. An escape sequence ncurses does
// not decode (ESC [ or ESC O up to its final byte) is a key the terminal
// database doesn't know and types nothing either. A bracketed paste types
// its first line at the caret as the right-click paste does (through the
// clipboard and WM_RBUTTONDOWN); a paste that is the path of an existing
// file is dropped on the console instead (WM_DROPFILES), which types it in
// double quotes, unless the caret is inside a quoted argument: there the
// path is pasted as it is.
//
// Bracketed paste, the cursor's shape and the terminal window's title are
// used only where the terminal's terminfo entry says how (the extended
// capabilities BE/BD/PS/PE and Ss, and TS, tsl/fsl or XT for the title);
// a terminal without them (dumb, vt100) is sent none of their sequences,
// and a paste there arrives as typed keys.
//
// Only one CCursesScreen may be started at a time.
#ifndef SONOMOT_FRONTENDS_TERM_CURSES_SCREEN_H_
#define SONOMOT_FRONTENDS_TERM_CURSES_SCREEN_H_

#include <string>

#include "platform/event_source.h"
#include "platform/win_types.h"

class EditBuffer;

class CCursesScreen : public CEventSource {
 public:
  CCursesScreen() = default;
  ~CCursesScreen() override;

  // Whether the terminal on fd can be drawn on full screen: its terminfo
  // entry is known and places the cursor, as a dumb terminal's (an editor's
  // shell buffer) does not.
  static bool CanDrawOn(int fd);

  // Takes the terminal over (full screen, raw keys, colours). False when the
  // terminal can't be set up; nothing is changed then.
  bool Start();
  // Gives the terminal back as it was.
  void Stop();

  // The dialog (title and colours) and its console (the window typed at and
  // the text drawn).
  void SetTarget(HWND hDlg, HWND hConsole, EditBuffer* pBuffer);

  bool WaitForEvents() override;
  void PollEvents() override;

  // What a bracketed paste of this text does (exposed for tests): the path
  // of an existing file, cleaned of quotes and a file:// prefix, or "" when
  // the text is not one.
  static std::string PastedFilePath(const std::string& text);
  // The screen column at which position nTo of the text is drawn when
  // position nFrom is drawn at column 0: the characters in between as they
  // are drawn (a wide character two columns, a control character one, a
  // lone CR or LF none). The caret is put there.
  static int DisplayColumn(const std::string& text, int nFrom, int nTo);

 private:
  void Draw();
  void ReadKeys(bool bWait);
  void HandleKey(int nResult, unsigned int nKey);
  void HandlePaste();
  void UpdateColors();
  void WriteTitle(const std::string& caption);

  bool m_bStarted = false;
  bool m_bPasteMode = false;    // bracketed paste was turned on
  bool m_bCursorShape = false;  // the cursor's shape was set
  void* m_pScreen = nullptr;  // ncurses' SCREEN
  HWND m_hDlg = nullptr;
  HWND m_hConsole = nullptr;
  EditBuffer* m_pBuffer = nullptr;
  int m_nTopLine = 0;
  int m_nLeftColumn = 0;
  int m_nViewCols = 0;  // the width m_nLeftColumn was chosen for
  bool m_bInPaste = false;
  std::string m_paste;
  int m_nErrors = 0;
  COLORREF m_crText = 0;
  COLORREF m_crBack = 0;
  bool m_bColorsKnown = false;
};

#endif  // SONOMOT_FRONTENDS_TERM_CURSES_SCREEN_H_
