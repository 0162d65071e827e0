// Loading a shared library by name and finding its functions, as the
// system does it. One implementation per OS, chosen by the build:
// library_loader_posix.cc (dlopen, libMIDIData.so) and
// library_loader_win32.cc (LoadLibraryW, MIDIData.dll).
#ifndef SONOMOT_MIDIBIND_LIBRARY_LOADER_H_
#define SONOMOT_MIDIBIND_LIBRARY_LOADER_H_

#include <string>

// The file name of the MIDI data library on this system.
extern const char kMidiDataLibraryFile[];

// The folder of the running executable, ending in its separator, or ""
// when it can't be told (the loader then searches its usual places).
std::string GetProgramFolder();
// Loads the library at pszPath (UTF-8). Null when it can't, with *pReason
// the loader's own reason, not repeating the path.
void* OpenLibrary(const char* pszPath, std::string* pReason);
// The function of that name in the library, or null.
void* FindLibraryFunction(void* hLibrary, const char* pszName);
void CloseLibrary(void* hLibrary);

#endif  // SONOMOT_MIDIBIND_LIBRARY_LOADER_H_
