// The texts that the mouse puts in at the console's caret: the clipboard's
// first line (right click) and a dropped file's quoted path.
#ifndef SONOMOT_CONSOLE_PASTE_TEXT_H_
#define SONOMOT_CONSOLE_PASTE_TEXT_H_

#include <string>

class EditBuffer;

// The clipboard text up to, not including, its first CR or LF (or its end,
// or a zero byte). Text that starts with a line break gives "". Null gives "".
std::string FirstClipboardLine(const char* pszText);

// Longest path a drop passes on, in bytes; a longer one is cut.
constexpr size_t kMaxDropPathBytes = 255;

// The dropped file's full path between two double quotes, so that a path
// with blanks stays one argument. A path longer than kMaxDropPathBytes is
// cut to that many bytes, and further back to the start of a UTF-8 sequence
// so that no broken character is typed.
std::string QuotedDropPath(const std::string& path);

// True when the caret's line holds an odd number of double quotes before
// the point where a paste goes in (the selection end): the user is typing
// inside a quoted argument, where a path must go in without quotes of its
// own.
bool IsCaretInQuotes(const EditBuffer& buffer);

#endif  // SONOMOT_CONSOLE_PASTE_TEXT_H_
