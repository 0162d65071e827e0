// Steps: the keys and the sustain pedal as clean steps, the motion that
// every reader plays the same way.
//
// The classic motion gives each note event a companion keyframe one frame
// before it and each pedal event one keyframe. Readers ease between
// keyframes and disagree about two keyframes of one bone on one frame, so
// a held pedal drifts back to rest, a key struck again on the tick it was
// released loses its lift, and two hands on one key fight. Steps instead:
//
//  - A key is down while any of its notes sounds, counted over its events
//    in the order collected (time, then track, then place in the track). A
//    press while it sounds, a release that leaves another of its notes
//    sounding and a release while it is silent change nothing.
//  - Each time it sounds is a down interval [press, release) in frames; one
//    of no length lasts one frame. Of two intervals that touch or overlap,
//    the earlier ends a frame before the later starts; where that would
//    leave it no frame down, it keeps one and the later starts a frame
//    after it, lasting a frame at least. So every press shows a frame down,
//    every strike again a frame up, and no press moves earlier.
//  - [a, b) is written up at a - 1 (not before frame 0), down at a, down at
//    b - 1 and up at b, with no frame twice: an up that the interval
//    before already wrote is not written again. A key never released stays
//    down, as in the classic motion.
//  - The pedal holds each value until its next event: a companion at t - 1
//    holds the value before (0 before the first event) unless a keyframe
//    already stands there, and of several events in one frame the last
//    one's value is written.
//
// A bone then has at most one keyframe a frame, in ascending frames. The
// steps are made from a bone's events as they come, holding one interval
// or pedal frame at a time, so they cost no memory beyond the buckets:
// counted while the events are collected (KeyFrameBuckets), made again
// from the buckets when the records are written.
#ifndef SONOMOT_MOTION_STEP_MOTION_H_
#define SONOMOT_MOTION_STEP_MOTION_H_

#include <cstdint>

class KeyFrameBuckets;

// The keyframes of one key bone as steps: Add each event of the bone in
// order, then Finish; put(nFrame, bDown, nVelocity) receives the
// keyframes in ascending frames, nVelocity the velocity of the press that
// opened the interval (what the event carries: 0 with velocity off).
template <typename Sink>
class KeySteps {
 public:
  KeySteps() = default;
  explicit KeySteps(Sink put) : m_put(put) {}

  void Add(uint32_t nFrame, bool bPress, uint8_t nVelocity) {
    if (bPress) {
      if (m_nSounding++ > 0) {
        ++m_nMergedNotes;
        return;
      }
      Open(nFrame, nVelocity);
      return;
    }
    if (m_nSounding == 0) {
      ++m_nStrayOffs;
      return;
    }
    if (--m_nSounding > 0) return;
    m_lEnd = nFrame > m_lStart ? int64_t{nFrame} : m_lStart + 1;
    m_bReleased = true;
  }
  // An entry of a bucket (KeyFrameBuckets::Entry).
  template <typename Entry>
  void Add(const Entry& entry) {
    Add(entry.nFrame, entry.bPress != 0, entry.nValue);
  }
  // Writes the interval still held back.
  void Finish() {
    if (m_bPending) PutHeld();
    m_bPending = false;
  }

  // Presses that found the key sounding; releases of a silent key.
  uint64_t GetMergedNotes() const { return m_nMergedNotes; }
  uint64_t GetStrayOffs() const { return m_nStrayOffs; }
  const Sink& GetSink() const { return m_put; }

 private:
  // A press of the silent key at lStart: the interval before it is fixed
  // now that the next one's start is known, and written. This and PutHeld
  // are inlined into the read of the bone: a call an interval would cost
  // more than most of what they do.
  [[gnu::always_inline]] void Open(int64_t lStart, uint8_t nVelocity) {
    if (m_bPending) {
      if (lStart <= m_lEnd) {
        if (lStart - 1 > m_lStart) {
          m_lEnd = lStart - 1;
        } else {
          m_lEnd = m_lStart + 1;
          lStart = m_lStart + 2;
        }
      }
      PutHeld();
    }
    m_lStart = lStart;
    m_nVelocity = nVelocity;
    m_bReleased = false;
    m_bPending = true;
  }
  [[gnu::always_inline]] void PutHeld() {
    if (m_lStart >= 1 && m_lStart - 1 != m_lLastUp) Frame(m_lStart - 1, false);
    Frame(m_lStart, true);
    if (!m_bReleased) return;
    if (m_lEnd - 1 > m_lStart) Frame(m_lEnd - 1, true);
    Frame(m_lEnd, false);
    m_lLastUp = m_lEnd;
  }
  void Frame(int64_t lFrame, bool bDown) {
    m_put(static_cast<uint32_t>(lFrame), bDown, m_nVelocity);
  }

  Sink m_put = {};
  uint64_t m_nSounding = 0;
  uint64_t m_nMergedNotes = 0;
  uint64_t m_nStrayOffs = 0;
  // The interval held back: [m_lStart, m_lEnd), m_lEnd only once released.
  bool m_bPending = false;
  bool m_bReleased = false;
  int64_t m_lStart = 0;
  int64_t m_lEnd = 0;
  uint8_t m_nVelocity = 0;
  // The frame of the last up keyframe written; none yet.
  int64_t m_lLastUp = -1;
};

// The keyframes of the pedal bone as steps: Add each entry in order, then
// Finish; put(nFrame, nValue) receives them in ascending frames. An event
// earlier than the frame before it (never so in a track read in time
// order) is taken as of that frame.
template <typename Sink>
class PedalSteps {
 public:
  PedalSteps() = default;
  explicit PedalSteps(Sink put) : m_put(put) {}

  void Add(uint32_t nFrame, uint8_t nValue) {
    int64_t lFrame = nFrame > m_lFrame ? int64_t{nFrame} : m_lFrame;
    if (m_bPending && lFrame != m_lFrame) PutHeld();
    m_lFrame = lFrame;
    m_nValue = nValue;
    m_bPending = true;
  }
  template <typename Entry>
  void Add(const Entry& entry) {
    Add(entry.nFrame, entry.nValue);
  }
  void Finish() {
    if (m_bPending) PutHeld();
    m_bPending = false;
  }
  const Sink& GetSink() const { return m_put; }

 private:
  void PutHeld() {
    if (m_lFrame >= 1 && m_lFrame - 1 != m_lLast) {
      m_put(static_cast<uint32_t>(m_lFrame - 1), m_nHeld);
    }
    m_put(static_cast<uint32_t>(m_lFrame), m_nValue);
    m_nHeld = m_nValue;
    m_lLast = m_lFrame;
    m_bPending = false;
  }

  Sink m_put = {};
  // The frame held back and its last value.
  bool m_bPending = false;
  int64_t m_lFrame = 0;
  uint8_t m_nValue = 0;
  // The value written last, and its frame; none yet.
  uint8_t m_nHeld = 0;
  int64_t m_lLast = -1;
};

// What the steps make of collected buckets, and what they change.
struct StepFigures {
  uint64_t nKeyFrames = 0;
  // The first and last frame of the steps' keyframes; both 0 without any.
  uint32_t nFirstFrame = 0;
  uint32_t nLastFrame = 0;
  // Keyframes the classic motion writes on a frame its bone already has a
  // keyframe on: they are what readers disagree about.
  uint64_t nClassicDoubled = 0;
  // Presses that found their key sounding, merged into its interval.
  uint64_t nMergedNotes = 0;
  // Releases of a key that wasn't sounding, which write nothing.
  uint64_t nStrayOffs = 0;
};

// A sink that counts the keyframes handed to it.
struct StepCounter {
  uint64_t nKeyFrames = 0;
  void operator()(uint32_t, bool, uint8_t) { ++nKeyFrames; }
  void operator()(uint32_t, uint8_t) { ++nKeyFrames; }
};

// One read of every bucket. The classic motion's doubled keyframes are
// counted for entries in time order, as a track is read.
StepFigures MeasureSteps(const KeyFrameBuckets& buckets);

#endif  // SONOMOT_MOTION_STEP_MOTION_H_
