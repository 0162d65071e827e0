// KeyFrameBuckets: the note and sustain-pedal events of one track, or of
// several merged, sorted into one bucket per bone in a single walk.
//
// The motion lists its keyframes bone by bone (nt000 to nt127, then cc064)
// and, within a bone, in track order. Walking the track once per bone
// would read a long track 129 times; instead each matching event is put
// into its bone's bucket as it is met, which keeps track order within the
// bucket. An entry is 8 bytes; the keyframes themselves (two per note
// event, one per pedal event) are only formed when the records are written.
#ifndef SONOMOT_MOTION_KEY_FRAME_BUCKETS_H_
#define SONOMOT_MOTION_KEY_FRAME_BUCKETS_H_

#include <cstdint>
#include <deque>

#include "midilib/MIDIData.h"
#include "motion/export_settings.h"

class MergedEvents;

class KeyFrameBuckets {
 public:
  static constexpr int kKeyCount = 128;
  // The only controller that gets a bone: the sustain pedal.
  static constexpr int kPedalNumber = 64;
  // Bones 0..127 are the keys, bone 128 the pedal.
  static constexpr int kPedalBone = kKeyCount;
  static constexpr int kBoneCount = kKeyCount + 1;

  struct Entry {
    uint32_t nFrame;  // the event's time, low 32 bits
    uint8_t bPress;   // keys: the event presses the key
    // keys: a companion keyframe one frame earlier is written. An event at
    // time 0 has none: frame -1 can't be stored, and the key is at rest
    // before the first frame anyway.
    uint8_t bCompanion;
    // pedal: the controller value, 0..127. keys, with velocity on: the
    // velocity of the press (for a release, of the key's last press).
    uint8_t nValue;
  };

  // Walks pTrack once through the bound library functions. Events for
  // which MIDIEvent_IsMIDIEvent is zero are skipped before their kind is
  // read; note events of all channels count alike. The settings'
  // transposition is added to every key; a note event whose key leaves
  // 0..127 or has no bone under the settings' naming is left out, and
  // each such press is counted. Without the pedal, pedal events are left
  // out. Velocities are read only with velocity on.
  // REQUIRES: pTrack is not null.
  void Collect(MIDITrack* pTrack, const ExportSettings& settings = ExportSettings());
  // The same for the events of several tracks, in the order *pEvents gives
  // them (motion/merged_events.h): within a bone, time order, and events of
  // one time in track order. Collecting one track this way gives the same
  // buckets as Collect of that track.
  void Collect(MergedEvents* pEvents, const ExportSettings& settings = ExportSettings());

  const std::deque<Entry>& GetBone(int nBone) const { return m_aBone[nBone]; }
  // Keyframes to be written: two per note event (one without a companion),
  // one per pedal event.
  uint64_t GetKeyFrameCount() const { return m_nKeyFrameCount; }
  // Presses whose transposed key left 0..127 or has no bone.
  uint64_t GetDroppedNoteCount() const { return m_nDroppedNotes; }

 private:
  std::deque<Entry> m_aBone[kBoneCount];
  uint64_t m_nKeyFrameCount = 0;
  uint64_t m_nDroppedNotes = 0;
  // The velocity of each key's last press, for the release that follows.
  uint8_t m_anPressVelocity[kKeyCount] = {};
};

#endif  // SONOMOT_MOTION_KEY_FRAME_BUCKETS_H_
