// The edit control's own editing over an EditBuffer: what the control does
// with the keys and characters the console passes on to it.
//
// Positions move by whole characters: a UTF-8 sequence and a CR LF line
// break are each one step. Shift held while moving extends the selection
// from its anchor; without Shift, moving drops the selection. Typing and
// deleting replace the selection when there is one. Mouse clicks are not
// editing: they never move the caret; the mouse marks text to copy apart
// from the selection (EditBuffer::SetMark).
#ifndef SONOMOT_CONSOLE_EDIT_BUFFER_EDITING_H_
#define SONOMOT_CONSOLE_EDIT_BUFFER_EDITING_H_

#include <string>

class EditBuffer;

// WM_CHAR: nChar is a Unicode code point, typed as UTF-8 in place of the
// selection. 8 (Backspace) deletes the selection, or else the character
// before the caret; 13 types a line break (CR LF); Tab is typed; other
// control characters, 127 and values that are not characters (surrogates,
// past U+10FFFF) do nothing. Returns true when the text changed.
bool TypeCharacter(EditBuffer* pBuffer, unsigned int nChar);

// WM_KEYDOWN: Left/Right (Ctrl: by word), Up/Down, Home/End (Ctrl: start and
// end of the text), Page Up/Down (by nPageLines lines), Delete (the
// selection, or else the character after the caret), each extending the
// selection when bShift is held. Other keys do nothing. Returns true when the
// key is one of these. Cut, copy and paste keys are the control's (they need
// the clipboard), not the buffer's.
bool PressEditKey(EditBuffer* pBuffer, unsigned int nVirtKey, bool bShift,
                  bool bCtrl, int nPageLines);

// The selected text ("" when nothing is selected).
std::string GetSelectedText(const EditBuffer& buffer);
// What a copy takes: the mouse's mark when there is one (the newer of the
// two: a selection made with the keys removes the mark), else the
// selection.
std::string GetTextToCopy(const EditBuffer& buffer);
// A double click at nPos: marks the run that holds the character at nPos
// (or, past a line's end, the last one of the line) within its line: word
// characters as Ctrl+Left and Ctrl+Right step over them, or a run of the
// others. An empty line leaves no mark.
void MarkWordAt(EditBuffer* pBuffer, int nPos);

// Position of the character boundary before / after nPos (CR LF and UTF-8
// sequences are one character). Clamped to the text.
int PrevCharPos(const EditBuffer& buffer, int nPos);
int NextCharPos(const EditBuffer& buffer, int nPos);

#endif  // SONOMOT_CONSOLE_EDIT_BUFFER_EDITING_H_
