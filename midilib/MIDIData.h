// MIDIData: Sonomot's MIDI data library, built as the shared library
// libMIDIData.so and bound by name at start-up (see midi_binding.h).
//
// A MIDIData holds tracks, a MIDITrack holds events. Both are opaque handles
// created, owned and freed by the library: a handle stays valid until the
// object is deleted (MIDITrack_Delete, or MIDIData_Delete for everything).
//
// Conventions:
// - Results of type long are non-zero for success, zero for failure, unless
//   the function reads a value.
// - Times are absolute, in the data's time base (ticks, or frames after
//   MIDIData_SetTimeBase).
// - Text functions write at most len bytes into buf, terminator included,
//   never more, and return buf.
#ifndef SONOMOT_MIDILIB_MIDIDATA_H_
#define SONOMOT_MIDILIB_MIDIDATA_H_

#ifdef __cplusplus
extern "C" {
#endif

// Every function below is exported from the library; everything else in it
// stays hidden.
#define MIDIDATA_API __attribute__((visibility("default")))

typedef struct MIDIData MIDIData;
typedef struct MIDITrack MIDITrack;
typedef struct MIDIEvent MIDIEvent;

// Time modes: 0 = ticks per quarter note; 24, 25, 29 (29.97 drop-frame) and
// 30 = SMPTE frames per second, the resolution then being ticks per frame.
#define MIDIDATA_TPQNBASE 0
#define MIDIDATA_SMPTE24BASE 24
#define MIDIDATA_SMPTE25BASE 25
#define MIDIDATA_SMPTE29BASE 29
#define MIDIDATA_SMPTE30BASE 30

// ---- events ---------------------------------------------------------------

// The next event of the same track, or null after the last one.
MIDIDATA_API MIDIEvent* MIDIEvent_GetNextEvent(MIDIEvent* pEvent);
// The status byte: 0x80..0xEF for channel events (high four bits the type,
// low four bits the channel), 0xFF meta, 0xF0 / 0xF7 SysEx.
MIDIDATA_API long MIDIEvent_GetKind(MIDIEvent* pEvent);
MIDIDATA_API long MIDIEvent_IsMIDIEvent(MIDIEvent* pEvent);
// A note-on with velocity above 0. A note-on of velocity 0 is a release.
MIDIDATA_API long MIDIEvent_IsNoteOn(MIDIEvent* pEvent);
MIDIDATA_API long MIDIEvent_IsNoteOff(MIDIEvent* pEvent);
MIDIDATA_API long MIDIEvent_IsEndofTrack(MIDIEvent* pEvent);
// Joins a note-on with the first later unjoined release of the same channel
// and key in its track. Both events stay in the track. Joining again changes
// nothing. Returns non-zero when the event is (now) joined.
MIDIDATA_API long MIDIEvent_Combine(MIDIEvent* pEvent);
// The release joined to a note-on, or null.
MIDIDATA_API MIDIEvent* MIDIEvent_GetCombinedEvent(MIDIEvent* pEvent);
MIDIDATA_API long MIDIEvent_GetTime(MIDIEvent* pEvent);
MIDIDATA_API long MIDIEvent_GetChannel(MIDIEvent* pEvent);  // 0..15, -1 if none
MIDIDATA_API long MIDIEvent_GetKey(MIDIEvent* pEvent);      // note events
MIDIDATA_API long MIDIEvent_GetVelocity(MIDIEvent* pEvent); // note events
MIDIDATA_API long MIDIEvent_GetNumber(MIDIEvent* pEvent);   // controller / program number
MIDIDATA_API long MIDIEvent_GetValue(MIDIEvent* pEvent);    // controller value
MIDIDATA_API long MIDIEvent_GetTempo(MIDIEvent* pEvent);    // microseconds per quarter
// One readable line describing the event.
MIDIDATA_API char* MIDIEvent_ToString(MIDIEvent* pEvent, char* buf, long len);

// ---- tracks ---------------------------------------------------------------

// The next track of the same data, or null after the last one.
MIDIDATA_API MIDITrack* MIDITrack_GetNextTrack(MIDITrack* pTrack);
MIDIDATA_API MIDIEvent* MIDITrack_GetFirstEvent(MIDITrack* pTrack);
MIDIDATA_API MIDIEvent* MIDITrack_GetLastEvent(MIDITrack* pTrack);
MIDIDATA_API long MIDITrack_GetNumEvent(MIDITrack* pTrack);
// The track's name from its first track-name meta event, or "".
MIDIDATA_API char* MIDITrack_GetName(MIDITrack* pTrack, char* buf, long len);
// An integer the program keeps with each track (its track number); 0 for a
// new track.
MIDIDATA_API long MIDITrack_GetNumber(MIDITrack* pTrack);
MIDIDATA_API long MIDITrack_SetNumber(MIDITrack* pTrack, long lNumber);
// Removes the track from its data and frees it with its events. Other tracks
// and their events stay valid.
MIDIDATA_API long MIDITrack_Delete(MIDITrack* pTrack);
// Insertions keep the track in time order; an event goes behind the events
// of the same time. The end-of-track event always stays last: inserting at
// or after its time moves it to the new last time.
MIDIDATA_API long MIDITrack_InsertTempo(MIDITrack* pTrack, long lTime, long lTempo);
MIDIDATA_API long MIDITrack_InsertEndofTrack(MIDITrack* pTrack, long lTime);
MIDIDATA_API long MIDITrack_InsertProgramChange(MIDITrack* pTrack, long lTime, long lChannel,
                                   long lNumber);
MIDIDATA_API long MIDITrack_InsertControlChange(MIDITrack* pTrack, long lTime,
                                   long lChannel, long lNumber, long lValue);
// A note-on at lTime and its release (note-off) at lTime + lDuration,
// joined.
MIDIDATA_API long MIDITrack_InsertNote(MIDITrack* pTrack, long lTime, long lChannel,
                          long lKey, long lVelocity, long lDuration);

// ---- data -----------------------------------------------------------------

// Reads a Standard MIDI File (also inside a RIFF RMID container). Null if the
// file can't be read as one.
MIDIDATA_API MIDIData* MIDIData_LoadFromSMF(const char* pszFileName);
// New data with lNumTrack empty tracks (no events, not even end-of-track).
MIDIDATA_API MIDIData* MIDIData_Create(long lFormat, long lNumTrack, long lTimeMode,
                          long lTimeResolution);
MIDIDATA_API void MIDIData_Delete(MIDIData* pData);
MIDIDATA_API MIDITrack* MIDIData_GetFirstTrack(MIDIData* pData);
MIDIDATA_API long MIDIData_GetNumTrack(MIDIData* pData);
MIDIDATA_API long MIDIData_GetFormat(MIDIData* pData);
// Format 0 to 1: a first track with every meta and SysEx event, then one
// track per channel 1..16. From 1 to 1 nothing changes. Format 2 is refused.
MIDIDATA_API long MIDIData_SetFormat(MIDIData* pData, long lFormat);
MIDIDATA_API long MIDIData_GetTimeMode(MIDIData* pData);
MIDIDATA_API long MIDIData_GetTimeResolution(MIDIData* pData);
// Converts every event time to the new time base (only SMPTE 30 with
// resolution 1 is required by the program).
MIDIDATA_API long MIDIData_SetTimeBase(MIDIData* pData, long lTimeMode,
                          long lTimeResolution);
MIDIDATA_API char* MIDIData_GetTitle(MIDIData* pData, char* buf, long len);
MIDIDATA_API char* MIDIData_GetCopyright(MIDIData* pData, char* buf, long len);
MIDIDATA_API char* MIDIData_GetComment(MIDIData* pData, char* buf, long len);

#ifdef __cplusplus
}
#endif

#endif  // SONOMOT_MIDILIB_MIDIDATA_H_
