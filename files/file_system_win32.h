// What the Windows side of the files floor shares between its own
// implementations (file_system_win32.cc, file_identity_win32.cc): how a
// name in the program's UTF-8 becomes one Windows' wide calls take.
// Only Win32 sources of files/ include it.
#ifndef SONOMOT_FILES_FILE_SYSTEM_WIN32_H_
#define SONOMOT_FILES_FILE_SYSTEM_WIN32_H_

#include <string>
#include <string_view>

namespace file_system {

// The device a name Windows keeps for one stands for ("CON" for
// "C:\x\con .vmd", "NUL"), or "" for the name of a file.
std::string NamedDevice(std::string_view path);

// The path as the wide calls take it at any length: from MAX_PATH less 12
// on, its full name behind "\\?\". False, with errno EILSEQ, for a path
// that is no UTF-8.
bool WidePath(const std::string& strPath, std::wstring* pPath);

}  // namespace file_system

#endif  // SONOMOT_FILES_FILE_SYSTEM_WIN32_H_
