// Display width: how many columns of the console a UTF-8 text takes, and
// lines broken to fit a width.
//
// A character counts one column, except East Asian wide and full-width
// characters (kanji, kana, hangul, full-width forms, wide emoji), which
// count two, and combining marks and zero-width characters, which count
// none. A byte that is no part of valid UTF-8 counts one, as the console
// shows one sign for it. The table is the program's own, so every platform
// and locale measures alike.
#ifndef SONOMOT_CONSOLE_DISPLAY_WIDTH_H_
#define SONOMOT_CONSOLE_DISPLAY_WIDTH_H_

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// The window's console shows about 66 columns and never scrolls sideways:
// the lines the program writes beyond the classic console's messages keep
// within 64, so that none of their end is out of sight.
constexpr size_t kConsoleColumns = 64;

// Columns text takes when shown.
size_t DisplayWidth(std::string_view text);

// text followed by blanks up to nColumns columns; text as it is when it
// takes that many already.
std::string PadToWidth(std::string_view text, size_t nColumns);

// text as lines of at most nWidth columns: broken at the last blank that
// fits (the blanks at the break dropped), a word wider than a whole line
// cut between two characters, each further line indented by nIndent
// blanks (at most half of nWidth). A text that fits is one line, exactly
// as given.
std::vector<std::string> WrapToWidth(std::string_view text, size_t nWidth, size_t nIndent);

#endif  // SONOMOT_CONSOLE_DISPLAY_WIDTH_H_
