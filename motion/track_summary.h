// TrackSummary: what a track holds for the motion, gathered event by event
// in one walk: the channels its notes use, its notes and their range, its
// sustain-pedal changes, and the time of its last event; and, across the
// tracks of a piece, the role and instrument of each.
//
// Only MIDI channel events are looked at for notes and the pedal (the same
// events the motion is made of); every event counts for the last time.
#ifndef SONOMOT_MOTION_TRACK_SUMMARY_H_
#define SONOMOT_MOTION_TRACK_SUMMARY_H_

#include <cstdint>
#include <string>
#include <vector>

#include "midilib/MIDIData.h"

struct TrackSummary {
  // The drum channel, counted from 1 as users count channels.
  static constexpr int kDrumChannel = 10;

  // Bit c set: a note event on channel c + 1.
  uint16_t nChannelMask = 0;
  uint64_t nNoteCount = 0;  // presses
  // Lowest and highest key of the note events; -1 without notes.
  int nLowKey = -1;
  int nHighKey = -1;
  uint64_t nPedalCount = 0;  // controller 64 changes
  long lLastTime = 0;        // of the last event, 0 without events

  void Add(MIDIEvent* pEvent);
  // The summary of every event of pTrack, in one walk.
  static TrackSummary Of(MIDITrack* pTrack);

  // What a track is to a motion of the whole piece: Of(pTrack)'s IsDrums,
  // else IsEmpty, else keys.
  enum class Role { kKeys, kDrums, kEmpty };
  static constexpr int kNoProgram = -1;
  struct PieceRole {
    Role role = Role::kEmpty;
    // The General MIDI program of the track's notes (motion/program_names.h):
    // the one in effect on the channel of its first note off the drum
    // channel, that is the last program change on that channel before the
    // note in the order the whole piece merges its events (by time, then
    // track, then place in the track), from whichever track; 0, the acoustic
    // grand piano, when none comes before it. kNoProgram for a track without
    // a note off the drum channel.
    int nProgram = kNoProgram;
  };
  // The roles of every track of pMIDIData, in track order. Each track is
  // read up to its first note off the drum channel, which a keyboard track
  // holds among its first events, and on up to the latest such note of the
  // piece for program changes, so choosing the tracks doesn't read the piece
  // once more unless a track starts playing late.
  static std::vector<PieceRole> RolesOf(MIDIData* pMIDIData);

  bool HasNoteEvents() const { return nChannelMask != 0; }
  // Notes, and all of them on the drum channel: no keyboard plays them.
  bool IsDrums() const { return nChannelMask == 1u << (kDrumChannel - 1); }
  // Neither notes nor pedal: an export of it has no keyframes.
  bool IsEmpty() const { return !HasNoteEvents() && nPedalCount == 0; }
  // The channels as "1,2,10" with runs as "1-4"; "-" without notes.
  std::string ChannelText() const;
};

// The name of MIDI key nKey (0..127) with middle C, 60, as C4: A0 is 21,
// C8 is 108, key 0 is C-1. Sharps are written C#.
std::string NoteName(int nKey);

#endif  // SONOMOT_MOTION_TRACK_SUMMARY_H_
