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
// Memory: a note event takes a byte or two (the frame's distance from the
// one before it in its bone, and whether it presses), a pedal event a byte
// more. Buckets grow in pieces of 8 KiB taken from slabs of a few MiB that
// are asked for large pages, so a million notes cost about 4 MB and few
// page faults, and nothing is ever copied to grow.
#ifndef SONOMOT_MOTION_KEY_FRAME_BUCKETS_H_
#define SONOMOT_MOTION_KEY_FRAME_BUCKETS_H_

#include <cstddef>
#include <cstdint>
#include <vector>

#include "midilib/MIDIData.h"
#include "motion/export_settings.h"
#include "motion/step_motion.h"

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

  // The entries of one bone in the order they were collected, as bytes: a
  // frame is kept as its distance from the frame before it in the bone
  // (most notes of a key are near each other), so an entry is a byte or
  // two. A key's entry is the distance, zigzagged (0, -1, 1, -2 ...) and
  // shifted left once with the press in the low bit, in 7-bit groups low
  // group first (high bit: another follows); with velocity on, one more
  // byte, the velocity. A pedal's is the zigzagged distance, then the
  // value byte.
  class Bone {
   public:
    class Iterator {
     public:
      const Entry& operator*() const { return m_entry; }
      const Entry* operator->() const { return &m_entry; }
      Iterator& operator++() {
        if (--m_nLeft > 0) Decode();
        return *this;
      }
      bool operator!=(const Iterator& other) const { return m_nLeft != other.m_nLeft; }
      bool operator==(const Iterator& other) const { return m_nLeft == other.m_nLeft; }

     private:
      friend class Bone;
      Iterator(const Bone* pBone, size_t nLeft);
      void Decode() {
        // Most entries lie whole inside a piece: read them without looking
        // for its end (an entry is at most 11 bytes).
        if (m_pAt < m_pWholeEnd) {
          uint64_t nValue = *m_pAt++;
          if (nValue >= 0x80) {
            nValue &= 0x7F;
            for (int nShift = 7;; nShift += 7) {
              uint8_t by = *m_pAt++;
              nValue |= uint64_t{by & 0x7Fu} << nShift;
              if (by < 0x80) break;
            }
          }
          Finish(nValue, m_pAt);
        } else {
          DecodeAcrossPieces();
        }
      }
      void DecodeAcrossPieces();
      // Sets the entry from its value; its byte after the value, if it has
      // one, is read at pNext (then moved past).
      void Finish(uint64_t nValue, const uint8_t* pNext) {
        if (!m_bPedal) {
          m_entry.bPress = static_cast<uint8_t>(nValue & 1);
          nValue >>= 1;
        }
        m_lFrame += static_cast<int64_t>(nValue >> 1) ^ -static_cast<int64_t>(nValue & 1);
        m_entry.nFrame = static_cast<uint32_t>(m_lFrame);
        if (m_bPedal) {
          m_entry.bCompanion = 0;
          m_entry.nValue = *pNext;
          m_pAt = pNext + 1;
        } else {
          m_entry.bCompanion = m_lFrame > 0;
          if (m_bVelocity) {
            m_entry.nValue = *pNext;
            m_pAt = pNext + 1;
          }
        }
      }
      uint8_t NextByte() {
        if (m_pAt == m_pEnd) NextPiece();
        return *m_pAt++;
      }
      void NextPiece();
      // Reads piece m_nPiece from its start.
      void SetPiece();

      const Bone* m_pBone;
      size_t m_nLeft;  // entries from this one to the end
      size_t m_nPiece = 0;
      const uint8_t* m_pAt = nullptr;
      const uint8_t* m_pEnd = nullptr;
      // Below it a whole entry lies inside the piece.
      const uint8_t* m_pWholeEnd = nullptr;
      int64_t m_lFrame = 0;
      // The bone's kind, read once.
      bool m_bPedal = false;
      bool m_bVelocity = false;
      Entry m_entry = {};
    };

    Iterator begin() const { return Iterator(this, m_nEntries); }
    Iterator end() const { return Iterator(this, 0); }
    bool empty() const { return m_nEntries == 0; }
    size_t size() const { return m_nEntries; }

   private:
    friend class KeyFrameBuckets;
    // The bytes written: every piece full but the last, up to m_pWrite.
    size_t Bytes() const {
      return m_pieces.empty() ? 0
                              : (m_pieces.size() - 1) * kPieceBytes +
                                    static_cast<size_t>(m_pWrite - m_pieces.back());
    }

    std::vector<uint8_t*> m_pieces;  // each kPieceBytes, the last in use
    size_t m_nEntries = 0;
    uint8_t* m_pWrite = nullptr;  // the next byte of the last piece
    uint8_t* m_pWriteEnd = nullptr;
    // Below it a whole entry fits in the last piece; null without pieces.
    uint8_t* m_pRoomEnd = nullptr;
    int64_t m_lLastFrame = 0;
    bool m_bPedal = false;
    bool m_bVelocity = false;
  };

  static constexpr size_t kPieceBytes = 8192;

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
  // With the settings' steps: the keyframes the steps make of the buckets
  // (motion/step_motion.h), counted as the events were collected, so that
  // the file's count needs no read of its own. 0 without steps.
  uint64_t GetStepKeyFrameCount() const { return m_nStepKeyFrameCount; }
  // Presses whose transposed key left 0..127 or has no bone.
  uint64_t GetDroppedNoteCount() const { return m_nDroppedNotes; }

 private:
  // Most entries fit whole in what is left of their bone's piece: they are
  // written there without looking for its end. The room asked for is that
  // of the longest entry any value could make: ten 7-bit groups and a byte.
  static constexpr ptrdiff_t kEntryRoom = 11;
  // Appends a key's entry: the frame's distance and the press, then, with
  // velocity on (kVelocity: the bone's setting), the velocity byte.
  template <bool kVelocity>
  void PutKey(Bone* pBone, uint32_t nFrame, bool bPress, uint8_t nVelocity = 0) {
    uint64_t nValue = (Zigzag(nFrame, pBone) << 1) | (bPress ? 1 : 0);
    ++pBone->m_nEntries;
    uint8_t* p = pBone->m_pWrite;
    if (p >= pBone->m_pRoomEnd) {
      PutAcrossPieces(pBone, nValue);
      if (kVelocity) PutByte(pBone, nVelocity);
      return;
    }
    p = PutValue(p, nValue);
    if (kVelocity) *p++ = nVelocity;
    pBone->m_pWrite = p;
  }
  // Appends a pedal entry: the frame's distance, then the value.
  void PutPedal(Bone* pBone, uint32_t nFrame, uint8_t nValue) {
    uint64_t nDistance = Zigzag(nFrame, pBone);
    ++pBone->m_nEntries;
    uint8_t* p = pBone->m_pWrite;
    if (p >= pBone->m_pRoomEnd) {
      PutAcrossPieces(pBone, nDistance);
      PutByte(pBone, nValue);
      return;
    }
    p = PutValue(p, nDistance);
    *p++ = nValue;
    pBone->m_pWrite = p;
  }
  // The distance from the bone's last frame, zigzagged; the frame becomes
  // the last.
  static uint64_t Zigzag(uint32_t nFrame, Bone* pBone) {
    int64_t lDistance = int64_t{nFrame} - pBone->m_lLastFrame;
    pBone->m_lLastFrame = nFrame;
    return (static_cast<uint64_t>(lDistance) << 1) ^ static_cast<uint64_t>(lDistance >> 63);
  }
  // Writes nValue in 7-bit groups at p; returns the byte after it.
  static uint8_t* PutValue(uint8_t* p, uint64_t nValue) {
    if (nValue < 0x80) {
      *p = static_cast<uint8_t>(nValue);
      return p + 1;
    }
    if (nValue < 0x4000) {
      p[0] = static_cast<uint8_t>(nValue | 0x80);
      p[1] = static_cast<uint8_t>(nValue >> 7);
      return p + 2;
    }
    while (nValue >= 0x80) {
      *p++ = static_cast<uint8_t>(nValue | 0x80);
      nValue >>= 7;
    }
    *p++ = static_cast<uint8_t>(nValue);
    return p;
  }
  void PutAcrossPieces(Bone* pBone, uint64_t nValue) {
    while (nValue >= 0x80) {
      PutByte(pBone, static_cast<uint8_t>(nValue | 0x80));
      nValue >>= 7;
    }
    PutByte(pBone, static_cast<uint8_t>(nValue));
  }
  void PutByte(Bone* pBone, uint8_t by) {
    if (pBone->m_pWrite == pBone->m_pWriteEnd) AddPiece(pBone);
    *pBone->m_pWrite++ = by;
  }
  void AddPiece(Bone* pBone);
  uint8_t* NewPiece();
  // The walk of Collect; kSteps: the steps are counted as it goes.
  template <bool kSteps>
  void Walk(MergedEvents* pEvents);

  Bone m_aBone[kBoneCount];
  uint64_t m_nKeyFrameCount = 0;
  uint64_t m_nDroppedNotes = 0;
  // Key entries at frame 0: they have no companion keyframe.
  uint64_t m_nKeysAtZero = 0;
  // Slabs the pieces are cut from, and what is left of the last one.
  std::vector<void*> m_slabs;
  uint8_t* m_pSlabFree = nullptr;
  size_t m_nSlabPiecesLeft = 0;
  // For Collect: the bone of each key as the file has it, transposed; null
  // where the key leaves the keyboard or has no bone under the naming.
  // Whether the pedal has its bone.
  Bone* m_apKeyBone[kKeyCount] = {};
  bool m_bPedalBone = false;
  // The bound functions Collect calls for every event, read once when it
  // starts: a call through a copy held here costs an instruction and a
  // register less than one through the binding.
  struct Calls {
    decltype(&::MIDIEvent_IsMIDIEvent) pfnIsMIDIEvent;
    decltype(&::MIDIEvent_GetKind) pfnGetKind;
    decltype(&::MIDIEvent_GetKey) pfnGetKey;
    decltype(&::MIDIEvent_IsNoteOn) pfnIsNoteOn;
  } m_calls = {};
  // The velocity of each key's last press, for the release that follows.
  uint8_t m_anPressVelocity[kKeyCount] = {};
  // With steps, each bone's steps as the events come, counted.
  KeySteps<StepCounter> m_aKeySteps[kKeyCount];
  PedalSteps<StepCounter> m_pedalSteps;
  uint64_t m_nStepKeyFrameCount = 0;
};

#endif  // SONOMOT_MOTION_KEY_FRAME_BUCKETS_H_
