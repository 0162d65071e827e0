// The program's binding of the MIDI data library (libMIDIData.so,
// MIDIData.dll on Windows).
//
// The program never links the library: BindMidiDataLibrary loads it
// (midibind/library_loader.h) from the directory of the running executable
// and looks up every function the program calls, by name, in the order of
// SONOMOT_BOUND_MIDI_FUNCTIONS. The program then calls the library only
// through the pointers of namespace midilib, for example
// midilib::MIDIData_LoadFromSMF(path). Tests may point them at fakes.
#ifndef SONOMOT_MIDIBIND_MIDI_BINDING_H_
#define SONOMOT_MIDIBIND_MIDI_BINDING_H_

#include "midilib/MIDIData.h"

// Every bound function, in binding order: events, then tracks, then data.
#define SONOMOT_BOUND_MIDI_FUNCTIONS(X) \
  X(MIDIEvent_GetNextEvent)             \
  X(MIDIEvent_GetKind)                  \
  X(MIDIEvent_IsMIDIEvent)              \
  X(MIDIEvent_IsNoteOn)                 \
  X(MIDIEvent_IsEndofTrack)             \
  X(MIDIEvent_Combine)                  \
  X(MIDIEvent_GetTime)                  \
  X(MIDIEvent_GetKey)                   \
  X(MIDIEvent_GetNumber)                \
  X(MIDIEvent_GetValue)                 \
  X(MIDIEvent_GetVelocity)              \
  X(MIDIEvent_ToString)                 \
  X(MIDITrack_GetNextTrack)             \
  X(MIDITrack_GetFirstEvent)            \
  X(MIDITrack_GetNumEvent)              \
  X(MIDITrack_GetName)                  \
  X(MIDITrack_GetNumber)                \
  X(MIDITrack_SetNumber)                \
  X(MIDITrack_Delete)                   \
  X(MIDITrack_InsertTempo)              \
  X(MIDITrack_InsertEndofTrack)         \
  X(MIDITrack_InsertProgramChange)      \
  X(MIDITrack_InsertNote)               \
  X(MIDIData_LoadFromSMF)               \
  X(MIDIData_Create)                    \
  X(MIDIData_Delete)                    \
  X(MIDIData_GetFirstTrack)             \
  X(MIDIData_GetNumTrack)               \
  X(MIDIData_GetFormat)                 \
  X(MIDIData_SetFormat)                 \
  X(MIDIData_GetTimeMode)               \
  X(MIDIData_GetTimeResolution)         \
  X(MIDIData_SetTimeBase)               \
  X(MIDIData_GetTitle)                  \
  X(MIDIData_GetCopyright)              \
  X(MIDIData_GetComment)                \
  X(MIDIData_CheckSMF)

namespace midilib {

#define SONOMOT_DECLARE_BOUND(name) inline decltype(&::name) name = nullptr;
SONOMOT_BOUND_MIDI_FUNCTIONS(SONOMOT_DECLARE_BOUND)
#undef SONOMOT_DECLARE_BOUND

}  // namespace midilib

// Loads the library and binds every function. On failure shows a message box
// (no caption, OK) with "<library file>が読み込めません" and, on a second
// line, where it looked and the loader's reason ("(looked for /usr/lib/
// sonomot/libMIDIData.so: cannot open shared object file: No such file or
// directory)"), or with the name of the first function not found; leaves
// nothing bound and returns 0.
int BindMidiDataLibrary();
// The same, loading the library from an explicit path (tests).
int BindMidiDataLibraryFrom(const char* pszPath);
// Unbinds and unloads the library if it is loaded.
void ReleaseMidiDataLibrary();

#endif  // SONOMOT_MIDIBIND_MIDI_BINDING_H_
