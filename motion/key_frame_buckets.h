// KeyFrameBuckets: the note and sustain-pedal events of one track, or of
// several merged, sorted into one bucket per bone in a single walk.
//
// The motion lists its keyframes bone by bone (nt000 to nt127, then cc064)
// and, within a bone, in track order. Walking the track once per bone
// would read a long track 129 times; instead each matching event is put
// into its bone's bucket as it is met, which keeps track order within the
// bucket. The keyframes themselves (two per note event, one per pedal
// event) are only formed when the records are written.
//
// Memory: a note event takes 4 bytes (its frame and whether it presses),
// a pedal event 8. Buckets grow in pieces of 8 KiB taken from slabs of a
// few MiB that are asked for large pages, so a million notes cost 8 MB and
// few page faults, and nothing is ever copied to grow.
#ifndef SONOMOT_MOTION_KEY_FRAME_BUCKETS_H_
#define SONOMOT_MOTION_KEY_FRAME_BUCKETS_H_

#include <cstddef>
#include <cstdint>
#include <vector>

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

  // The entries of one bone in the order they were collected. A key's
  // entry is one word: the frame in the low 31 bits, the press in the top
  // bit, and with velocity on a second word, the velocity; a pedal's is
  // two: the frame, then the value.
  class Bone {
   public:
    class Iterator {
     public:
      Entry operator*() const;
      Iterator& operator++() {
        m_nWord += m_pBone->m_nWordsPerEntry;
        return *this;
      }
      bool operator!=(const Iterator& other) const { return m_nWord != other.m_nWord; }
      bool operator==(const Iterator& other) const { return m_nWord == other.m_nWord; }

     private:
      friend class Bone;
      Iterator(const Bone* pBone, size_t nWord) : m_pBone(pBone), m_nWord(nWord) {}
      const Bone* m_pBone;
      size_t m_nWord;
    };

    Iterator begin() const { return Iterator(this, 0); }
    Iterator end() const { return Iterator(this, m_nWords); }
    bool empty() const { return m_nWords == 0; }
    size_t size() const { return m_nWords / m_nWordsPerEntry; }

    // Calls fn(const uint32_t* pWords, size_t nWords) for each stored piece
    // in order: the fastest way through a long bucket.
    template <typename F>
    void ForEachPiece(F fn) const {
      size_t nLeft = m_nWords;
      for (const uint32_t* pPiece : m_pieces) {
        size_t n = nLeft < kPieceWords ? nLeft : kPieceWords;
        fn(pPiece, n);
        nLeft -= n;
      }
    }

   private:
    friend class KeyFrameBuckets;
    std::vector<uint32_t*> m_pieces;  // each kPieceWords words
    size_t m_nWords = 0;
    size_t m_nWordsPerEntry = 1;
    bool m_bPedal = false;
  };

  // A key entry's word: the press in the top bit, the frame below it.
  static constexpr uint32_t kPressBit = 0x80000000u;
  static constexpr size_t kPieceWords = 2048;  // 8 KiB, an even count

  KeyFrameBuckets();
  ~KeyFrameBuckets();
  KeyFrameBuckets(const KeyFrameBuckets&) = delete;
  KeyFrameBuckets& operator=(const KeyFrameBuckets&) = delete;

  // Walks pTrack once through the bound library functions. Events for
  // which MIDIEvent_IsMIDIEvent is zero are skipped before their kind is
  // read; note events of all channels count alike. The settings'
  // transposition is added to every key; a note event whose key leaves
  // 0..127 or has no bone under the settings' naming is left out, and
  // each such press is counted. Without the pedal, pedal events are left
  // out. Velocities are read only with velocity on. Times are those of the
  // MIDI data library, 0 to 2^31 - 1; a note event at a time outside them
  // is held at the nearer end. Throws std::bad_alloc when memory runs out.
  // REQUIRES: pTrack is not null.
  void Collect(MIDITrack* pTrack, const ExportSettings& settings = ExportSettings());
  // The same for the events of several tracks, in the order *pEvents gives
  // them (motion/merged_events.h): within a bone, time order, and events of
  // one time in track order. Collecting one track this way gives the same
  // buckets as Collect of that track.
  void Collect(MergedEvents* pEvents, const ExportSettings& settings = ExportSettings());

  const Bone& GetBone(int nBone) const { return m_aBone[nBone]; }
  // Keyframes to be written: two per note event (one without a companion),
  // one per pedal event.
  uint64_t GetKeyFrameCount() const { return m_nKeyFrameCount; }
  // Presses whose transposed key left 0..127 or has no bone.
  uint64_t GetDroppedNoteCount() const { return m_nDroppedNotes; }

 private:
  void Push(Bone* pBone, uint32_t nWord);
  uint32_t* NewPiece();

  Bone m_aBone[kBoneCount];
  uint64_t m_nKeyFrameCount = 0;
  uint64_t m_nDroppedNotes = 0;
  // Slabs the pieces are cut from, and what is left of the last one.
  std::vector<void*> m_slabs;
  uint32_t* m_pSlabFree = nullptr;
  size_t m_nSlabPiecesLeft = 0;
  // The velocity of each key's last press, for the release that follows.
  uint8_t m_anPressVelocity[kKeyCount] = {};
};

inline KeyFrameBuckets::Entry KeyFrameBuckets::Bone::Iterator::operator*() const {
  const uint32_t* pWord = m_pBone->m_pieces[m_nWord / kPieceWords] + m_nWord % kPieceWords;
  Entry entry;
  if (!m_pBone->m_bPedal) {
    entry.nFrame = pWord[0] & ~kPressBit;
    entry.bPress = (pWord[0] & kPressBit) != 0;
    entry.bCompanion = entry.nFrame > 0;
    entry.nValue = m_pBone->m_nWordsPerEntry == 2 ? static_cast<uint8_t>(pWord[1]) : 0;
  } else {
    entry.nFrame = pWord[0];
    entry.bPress = 0;
    entry.bCompanion = 0;
    entry.nValue = static_cast<uint8_t>(pWord[1]);
  }
  return entry;
}

#endif  // SONOMOT_MOTION_KEY_FRAME_BUCKETS_H_
