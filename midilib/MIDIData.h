// MIDIData: Sonomot's MIDI data library, built as the shared library
// libMIDIData.so and bound by name at start-up (see midibind/midi_binding.h).
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
//   never more (len <= 0: nothing), never cut a UTF-8 character in two, and
//   return buf.
// - Texts from a file are shown as UTF-8: valid UTF-8 as it is, else decoded
//   from Shift-JIS (code page 932), else \xNN for each byte that neither
//   decodes; control characters (below 0x20, and 0x7F) become \xNN too, so
//   a text always stays on one line.
// - Functions that read a value of an event return -1 when the event has no
//   such value (GetKey of a control change, GetTempo of a note ...).
// - Nothing is thread-safe: one data object is used by one thread at a time.
#ifndef SONOMOT_MIDILIB_MIDIDATA_H_
#define SONOMOT_MIDILIB_MIDIDATA_H_

#ifdef __cplusplus
extern "C" {
#endif

// Every function below is exported from the library; everything else in it
// stays hidden. A build for a system that exports otherwise defines
// MIDIDATA_API itself.
#ifndef MIDIDATA_API
#define MIDIDATA_API __attribute__((visibility("default")))
#endif

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
// A release: a note-off, or a note-on of velocity 0.
MIDIDATA_API long MIDIEvent_IsNoteOff(MIDIEvent* pEvent);
MIDIDATA_API long MIDIEvent_IsEndofTrack(MIDIEvent* pEvent);
// Joins a note-on with the first later unjoined release of the same channel
// and key in its track. Both events stay in the track. Joining again changes
// nothing. Returns non-zero when the event is (now) joined. Joining every
// note-on of a track costs about one pass over the track in all. Inserting
// a note rebuilds the track's pairing links (see midi_data_internal.h).
MIDIDATA_API long MIDIEvent_Combine(MIDIEvent* pEvent);
// The release joined to a note-on, or null.
MIDIDATA_API MIDIEvent* MIDIEvent_GetCombinedEvent(MIDIEvent* pEvent);
MIDIDATA_API long MIDIEvent_GetTime(MIDIEvent* pEvent);
MIDIDATA_API long MIDIEvent_GetChannel(MIDIEvent* pEvent);  // 0..15, -1 if none
// The key (0..127) of a note or key-aftertouch event.
MIDIDATA_API long MIDIEvent_GetKey(MIDIEvent* pEvent);
// The velocity (0..127) of a note event.
MIDIDATA_API long MIDIEvent_GetVelocity(MIDIEvent* pEvent);
// The controller number of a control change, the program of a program
// change (0..127).
MIDIDATA_API long MIDIEvent_GetNumber(MIDIEvent* pEvent);
// The value of a control change, the pressure of a key or channel
// aftertouch (0..127), the bend of a pitch bend (-8192..8191).
MIDIDATA_API long MIDIEvent_GetValue(MIDIEvent* pEvent);
// Microseconds per quarter of a tempo event (of 3 data bytes), else -1.
MIDIDATA_API long MIDIEvent_GetTempo(MIDIEvent* pEvent);
// The type of a meta event (0x00..0x7F, e.g. 0x03 track name, 0x51 tempo),
// or -1 for other events.
MIDIDATA_API long MIDIEvent_GetMetaType(MIDIEvent* pEvent);
// The data bytes of a meta or SysEx event (a SysEx without its F0 / F7
// byte), or the one or two data bytes of a channel event: copies at most
// len of them into buf and returns how many there are.
MIDIDATA_API long MIDIEvent_GetData(MIDIEvent* pEvent, unsigned char* buf, long len);
// One readable line describing the event: absolute time, kind in words,
// then channel 1..16, note name and number (60 = C4), velocity, controller
// and value, program, tempo in us per quarter and BPM, meta texts in quotes,
// SysEx length and first bytes. Example: "480 Note On ch=1 C4(60) vel=100".
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
// and their events stay valid. (The events' memory returns to the system
// with the data, at MIDIData_Delete.)
MIDIDATA_API long MIDITrack_Delete(MIDITrack* pTrack);
// Insertions keep the track in time order; an event goes behind the events
// of the same time. The end-of-track event always stays last: inserting at
// or after its time moves it to the new last time.
// Values out of range (a negative time, channel outside 0..15, a key,
// program, controller or value outside 0..127, a tempo outside
// 1..0xFFFFFF us per quarter, a note velocity of 0) are refused with 0.
MIDIDATA_API long MIDITrack_InsertTempo(MIDITrack* pTrack, long lTime, long lTempo);
// Puts the track's end-of-track event at lTime, making one if the track has
// none. 0 (nothing changed) if another event of the track is later.
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

// Reads a Standard MIDI File (also inside a RIFF RMID container: the SMF in
// its "data" chunk). Null if the file can't be read as one:
// - a missing or unreadable file, or one that is not a regular file;
// - no "MThd" at the start, a header shorter than 6 bytes or running past
//   the end of the file, a format above 2, an SMPTE division of another
//   rate than 24, 25, 29 or 30;
// - no "MTrk" chunk at all;
// - in a track: an event cut off by the end of its chunk (a track that ends
//   in the middle of an event), a variable-length quantity longer than 4
//   bytes, a meta or SysEx length beyond the chunk, a data byte (0x00..0x7F)
//   with no status byte before it, a status byte where a data byte belongs,
//   a status F1..F6 or F8..FE (not part of a file), or an absolute time
//   beyond 2^31 - 1 ticks.
// Tolerated:
// - A longer header is skipped to its declared length.
// - The track count of the header is not used: every "MTrk" chunk found is
//   a track, however many the header announces. Chunks of other ids are
//   skipped; bytes at the end too few for a chunk header are ignored.
// - A chunk whose length runs past the end of the file is cut at the end of
//   the file: a track whose events are whole there loads (it gets its
//   end-of-track event), one cut in the middle of an event does not.
// - A track without an end-of-track event gets one at the time of its last
//   event; bytes after an end-of-track event are ignored.
// - Running status carries across meta and SysEx events (a data byte after
//   a meta event continues the channel message before it).
// - A division of 0 ticks per quarter note loads; its time base can't be
//   converted (MIDIData_SetTimeBase fails).
// - A format-0 file with several tracks loads them all; MIDIData_SetFormat
//   merges them in time order before it splits them by channel.
// The reader never reads outside the file's bytes and never reserves more
// than a fixed multiple of the file's size.
MIDIDATA_API MIDIData* MIDIData_LoadFromSMF(const char* pszFileName);
// What MIDIData_LoadFromSMF makes of a file, told in words: why it can't
// load it, or what is missing from a file it loads although it is cut short
// or holds another number of tracks than its header announces. Reads the
// file again on its own and changes nothing. Writes one line of text, cut
// to lLen - 1 bytes and NUL-terminated ("" for a whole file), to pszText and
// returns one of:
#define MIDIDATA_CHECK_WHOLE 0       // loads, nothing missing
#define MIDIDATA_CHECK_DAMAGED 1     // loads; the text says what is missing
#define MIDIDATA_CHECK_UNREADABLE 2  // doesn't load; the text says why
#define MIDIDATA_CHECK_CANNOTREAD 3  // can't be opened or read: the system's reason
// Tracks are counted from 1 in the text ("ends inside track 3 of 6").
MIDIDATA_API long MIDIData_CheckSMF(const char* pszFileName, char* pszText, long lLen);
// New data with lNumTrack empty tracks (no events, not even end-of-track).
// Null for a format other than 0, 1 or 2, more than one track in format 0,
// more than 65535 tracks, a time mode not listed above, or a resolution
// outside 1..32767 (ticks per quarter) or 1..255 (ticks per frame).
MIDIDATA_API MIDIData* MIDIData_Create(long lFormat, long lNumTrack, long lTimeMode,
                          long lTimeResolution);
MIDIDATA_API void MIDIData_Delete(MIDIData* pData);
MIDIDATA_API MIDITrack* MIDIData_GetFirstTrack(MIDIData* pData);
MIDIDATA_API long MIDIData_GetNumTrack(MIDIData* pData);
MIDIDATA_API long MIDIData_GetFormat(MIDIData* pData);
// Format 0 to 1: the first track (the same handle) keeps every meta and
// SysEx event; then one new track per channel 1..16, in channel order, holds
// that channel's events in their order; each track ends with an
// end-of-track event at the song's end, so tracks of unused channels hold
// only that. Handles of events stay valid, pairs stay joined. Setting the
// format the data already has changes nothing; any other change (format 2,
// or from 1 to 0) is refused with 0.
MIDIDATA_API long MIDIData_SetFormat(MIDIData* pData, long lFormat);
MIDIDATA_API long MIDIData_GetTimeMode(MIDIData* pData);
MIDIDATA_API long MIDIData_GetTimeResolution(MIDIData* pData);
// Converts every event time to the new time base. To an SMPTE base (24, 25,
// 29 = 29.97 drop-frame i.e. 30000/1001 frames a second, or 30; resolution
// 1..255 ticks per frame): from ticks per quarter note through the tempo
// map of the whole song (the tempo events of every track; 500000 us per
// quarter before the first; of tempo events at the same tick the one of the
// later track holds), or from another SMPTE base by its frame rate. To
// ticks per quarter note (resolution 1..32767): only from ticks per
// quarter, scaled. Each new time is computed from the event's absolute time
// in exact integer arithmetic and rounded to the nearest, half up; events
// keep their order. Returns 0 and changes nothing if the time base is not
// one of these, the source resolution is 0, or a time would pass 2^31 - 1.
MIDIDATA_API long MIDIData_SetTimeBase(MIDIData* pData, long lTimeMode,
                          long lTimeResolution);
// Title, copyright and comment are the texts of the first track-name (0x03),
// copyright (0x02) and text (0x01) meta events of the first track; "" if it
// has none (or there is no track).
MIDIDATA_API char* MIDIData_GetTitle(MIDIData* pData, char* buf, long len);
MIDIDATA_API char* MIDIData_GetCopyright(MIDIData* pData, char* buf, long len);
MIDIDATA_API char* MIDIData_GetComment(MIDIData* pData, char* buf, long len);

#ifdef __cplusplus
}
#endif

#endif  // SONOMOT_MIDILIB_MIDIDATA_H_
