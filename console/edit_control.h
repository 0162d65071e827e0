// The multi-line edit control: a window of the platform layer whose window
// procedure edits an EditBuffer. It is the "EDIT" control of the main
// dialog's template; the console takes it over and passes it the keys,
// characters and edit-control messages it does not consume.
//
// The control owns its EditBuffer and deletes it with itself when its window
// is destroyed. Its messages:
//   WM_CHAR, WM_KEYDOWN        the editing of edit_buffer_editing.h; Ctrl+C /
//                              Ctrl+Insert copy, Ctrl+X / Shift+Delete cut,
//                              Ctrl+V / Shift+Insert send WM_PASTE to the
//                              control, Ctrl+A selects everything
//   WM_CUT, WM_COPY, WM_CLEAR  the selection to / from the clipboard; a
//                              copy takes the mouse's mark when there is one
//   WM_PASTE                   the clipboard text in place of the selection
//   WM_SETTEXT, WM_GETTEXT, WM_GETTEXTLENGTH, EM_GETSEL, EM_SETSEL,
//   EM_REPLACESEL, EM_GETLINECOUNT, EM_LINEINDEX, EM_LINEFROMCHAR,
//   EM_LINELENGTH, EM_GETLINE, EM_SCROLLCARET, WM_SETREDRAW, WM_SETFONT,
//   WM_GETFONT                 as the Windows edit control answers them
//   EM_GETHANDLE               the EditBuffer (EditBuffer*)
//   WM_SETFOCUS, WM_KILLFOCUS  tell the parent: WM_COMMAND with EN_SETFOCUS /
//                              EN_KILLFOCUS, the control's id and handle
//   mouse buttons              take the focus; the caret never moves (the
//                              window marks text apart: EditBuffer::SetMark)
#ifndef SONOMOT_CONSOLE_EDIT_CONTROL_H_
#define SONOMOT_CONSOLE_EDIT_CONTROL_H_

#include "platform/window.h"

class EditBuffer;

constexpr UINT WM_GETFONT = 0x0031;
// Private: wParam is the number of lines Page Up / Page Down move (the back
// end sets it from the height of the view). 20 until set.
constexpr UINT EM_SETPAGELINES = WM_USER + 0x100;

// Creates an edit control as child nID of hParent; null when hParent is not
// a window.
HWND CreateEditControl(HWND hParent, int nID);
// The text model of an edit control, or null when hEdit is not one.
EditBuffer* GetEditBuffer(HWND hEdit);

#endif  // SONOMOT_CONSOLE_EDIT_CONTROL_H_
