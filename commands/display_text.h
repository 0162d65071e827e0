// Texts read from a MIDI file (title, copyright, comment, track names) are
// bytes in whatever encoding the file's author used: UTF-8, or Shift-JIS in
// most Japanese files. The console shows UTF-8.
#ifndef SONOMOT_COMMANDS_DISPLAY_TEXT_H_
#define SONOMOT_COMMANDS_DISPLAY_TEXT_H_

#include <string>

// Valid UTF-8 is returned as it is; anything else is decoded as Shift-JIS
// (code page 932), and each byte that doesn't decode is shown as \xNN
// (upper-case hex). Null gives "".
std::string ToDisplayText(const char* pszText);

#endif  // SONOMOT_COMMANDS_DISPLAY_TEXT_H_
