// The key map of "keys map FILE": a UTF-8 text file that names the bone of
// each key it lists, for models whose naming no pattern describes.
//
// One key a line: NOTE NAME, where NOTE is a MIDI key number (0 to 127) or
// a note name (C4 is key 60; C#4 and Db4 are 61; C-1 is 0) and NAME, the
// rest of the line, is the bone (1 to 14 Shift-JIS bytes; blanks allowed;
// double quotes around it are dropped, and one left open is refused). A '#' at the start of a line or
// after a blank starts a comment; blank lines are skipped. A key may be
// listed once, and two keys may not share a name.
#ifndef SONOMOT_MOTION_KEY_MAP_H_
#define SONOMOT_MOTION_KEY_MAP_H_

#include <string>
#include <vector>

// Reads the map at strPath into *pNames (128 names, "" for a key not
// listed). False on the first problem, with *pstrError naming the file,
// the line and what is wrong ("map.txt:3: ..."); *pNames is then undefined.
bool LoadKeyMap(const std::string& strPath, std::vector<std::string>* pNames,
                std::string* pstrError);

#endif  // SONOMOT_MOTION_KEY_MAP_H_
