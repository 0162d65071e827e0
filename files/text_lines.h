// The program's own small text files (a key map, the settings) read into
// their lines.
//
// A line ends at LF, and a CR right before it is no part of it, nor is a
// UTF-8 byte order mark at the start of the file: a file saved on Windows
// reads as one saved here. A last line without its LF is a line too.
// Line N of the file is lines[N - 1]; LinePlace names it in a message.
#ifndef SONOMOT_FILES_TEXT_LINES_H_
#define SONOMOT_FILES_TEXT_LINES_H_

#include <cstdint>
#include <string>
#include <vector>

#include "files/status.h"

// What a kind of file refuses, in the words its messages use.
struct TextFileRules {
  uint64_t nMaxBytes;        // a larger file is none of this kind
  const char* pszNotAFile;   // said of a folder, a device or a pipe
  const char* pszTooLarge;   // said of a file larger than nMaxBytes
  bool bMissingIsEmpty;      // a missing file reads as one without lines
};

// Reads the regular file at strPath into *pLines. Failed when it can't be
// looked at or opened (the message "PATH: " and the system's reason), is
// no regular file ("PATH: " rules.pszNotAFile; a pipe or a device could
// keep us waiting), is larger than rules.nMaxBytes ("PATH: "
// rules.pszTooLarge) or can't be read ("PATH: can't be read"). *pLines is
// empty then.
Status ReadTextLines(const std::string& strPath, const TextFileRules& rules,
                     std::vector<std::string>* pLines);

// "PATH:N: ", the start of a message about line N of the file.
inline std::string LinePlace(const std::string& strPath, size_t nLine) {
  return strPath + ":" + std::to_string(nLine) + ": ";
}

#endif  // SONOMOT_FILES_TEXT_LINES_H_
