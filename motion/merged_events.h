// MergedEvents: the events of several tracks read as if one track held
// them all: in time order, and events of one time in ascending order of the
// tracks as given. Within a track the events keep their track order.
//
// Nothing is copied: each track is walked along its own next-event links,
// and only the next event of each track is held: the earliest apart, the
// others in a heap ordered by time and track. A track runs on, its events
// compared with the heap's earliest alone, until one of them comes after
// it; only then is the heap touched. One track is walked as it is, without
// reading a time, and so is the last track left once the others are done.
// Each time the walk reads to place an event is handed on with the event,
// so that nobody needs to ask for it again.
//
// The tracks are read only through the bound functions of
// midibind/midi_binding.h; they must outlive the walk and stay unchanged
// while it lasts.
#ifndef SONOMOT_MOTION_MERGED_EVENTS_H_
#define SONOMOT_MOTION_MERGED_EVENTS_H_

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "midibind/midi_binding.h"
#include "midilib/MIDIData.h"
#include "motion/track_summary.h"

class MergedEvents {
 public:
  // An event's time as the walk hands it on. Get() returns it: asked of the
  // library only then (an event of a track walked alone), or the time the
  // walk already read to place the event.
  // kFrameTime: the walk found the time from 1 to 2^31 - 1, the library's
  // times after 0, so that its reader needs no bounds of its own.
  struct AskedTime {
    static constexpr bool kFrameTime = false;
    MIDIEvent* pEvent;
    const MergedEvents* pWalk;
    long Get() const { return pWalk->m_pfnGetTime(pEvent); }
  };
  struct KnownTime {
    static constexpr bool kFrameTime = false;
    long lTime;
    long Get() const { return lTime; }
  };
  struct KnownFrameTime {
    static constexpr bool kFrameTime = true;
    long lTime;
    long Get() const { return lTime; }
  };

  // REQUIRES: no track is null.
  MergedEvents(MIDITrack* const* ppTracks, size_t nTracks);
  MergedEvents(const MergedEvents&) = delete;
  MergedEvents& operator=(const MergedEvents&) = delete;

  // Calls visit(pEvent, time) for every event not yet walked, in order;
  // time is an AskedTime, a KnownTime or a KnownFrameTime (above). The walk
  // is then done. If visit throws, the walk stops there. visit is copied:
  // a small object, its members are then held in registers by the loops.
  template <typename Visit>
  void ForEach(Visit visit) {
    m_pfnGetNextEvent = midilib::MIDIEvent_GetNextEvent;
    m_pfnGetTime = midilib::MIDIEvent_GetTime;
    if (m_pSummary == nullptr) {
      Walk(visit);
      return;
    }
    TrackSummary* pSummary = m_pSummary;
    auto both = [pSummary, visit](MIDIEvent* pEvent, auto time) mutable {
      pSummary->Add(pEvent);
      visit(pEvent, time);
    };
    Walk(both);
  }

  // Every event ForEach hands on is also added to *pSummary, so one walk
  // serves both (null: none). Not owned.
  void SetSummary(TrackSummary* pSummary) { m_pSummary = pSummary; }

 private:
  struct Head {
    long lTime;
    size_t nTrack;
    MIDIEvent* pEvent;
  };
  // std::push_heap keeps the greatest on top: "later" makes it the earliest
  // time, and of one time the first track.
  static bool Later(const Head& a, const Head& b) {
    return a.lTime != b.lTime ? a.lTime > b.lTime : a.nTrack > b.nTrack;
  }

  template <typename Visit>
  void Walk(Visit visit) {
    // What is left to walk as one track: all of a single track, or the
    // rest of the last track once every other is done.
    MIDIEvent* pAlone = m_pSingle;
    m_pSingle = nullptr;
    if (m_bCurrent) pAlone = WalkMerged(visit);
    if (pAlone != nullptr) WalkOne(pAlone, visit);
  }
  // Each loop is a function of its own, so that neither takes registers
  // from the other.
  template <typename Visit>
  [[gnu::noinline]] void WalkOne(MIDIEvent* pEvent, Visit visit) {
    for (; pEvent != nullptr; pEvent = m_pfnGetNextEvent(pEvent)) {
      visit(pEvent, AskedTime{pEvent, this});
    }
  }
  // Walks the tracks until one is left; returns its next event (its time
  // is asked again), or null when every track is done.
  template <typename Visit>
  [[gnu::noinline]] MIDIEvent* WalkMerged(Visit visit);
  // Makes the heap's earliest the current event; none when it is empty.
  void TakeEarliest();
  // Puts the current track's next event in the heap, then takes the
  // earliest. Out of line: the run it ends keeps its registers.
  void PutBack(MIDIEvent* pEvent, long lTime);

  MIDIEvent* m_pSingle = nullptr;  // the next event of a single track
  bool m_bSingle;
  // Several tracks: the next event of the walk, and the next event of each
  // other track not yet done.
  bool m_bCurrent = false;
  Head m_current = {};
  std::vector<Head> m_heap;
  TrackSummary* m_pSummary = nullptr;
  // The bound functions the walk calls, read once when it starts: a call
  // through a copy held here costs an instruction and a register less than
  // one through the binding.
  decltype(midilib::MIDIEvent_GetNextEvent) m_pfnGetNextEvent = nullptr;
  decltype(midilib::MIDIEvent_GetTime) m_pfnGetTime = nullptr;
};

template <typename Visit>
MIDIEvent* MergedEvents::WalkMerged(Visit visit) {
  while (m_bCurrent) {
    if (m_heap.empty()) {
      m_bCurrent = false;
      return m_current.pEvent;
    }
    // The current track runs on while its events come before the heap's
    // earliest: of an equal time, while it is the earlier track. The
    // current event comes before the earliest, so when the earliest is of
    // the earlier track its time is above the current one: one less can't
    // overflow.
    const long lLast = m_current.nTrack < m_heap.front().nTrack ? m_heap.front().lTime
                                                                : m_heap.front().lTime - 1;
    // Most times lie from 1 to here: one test tells that the track runs on
    // and that the time is a frame time.
    const unsigned long nFrameLast =
        lLast < 1 ? 0 : lLast > INT32_MAX ? INT32_MAX : static_cast<unsigned long>(lLast);
    MIDIEvent* pEvent = m_current.pEvent;
    visit(pEvent, KnownTime{m_current.lTime});
    for (;;) {
      pEvent = m_pfnGetNextEvent(pEvent);
      if (pEvent == nullptr) {
        TakeEarliest();
        break;
      }
      long lTime = m_pfnGetTime(pEvent);
      if (static_cast<unsigned long>(lTime) - 1 < nFrameLast) {
        visit(pEvent, KnownFrameTime{lTime});
        continue;
      }
      if (lTime > lLast) {
        PutBack(pEvent, lTime);
        break;
      }
      visit(pEvent, KnownTime{lTime});
    }
  }
  return nullptr;
}

#endif  // SONOMOT_MOTION_MERGED_EVENTS_H_
