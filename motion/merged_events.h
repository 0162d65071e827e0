// MergedEvents: the events of several tracks read as if one track held
// them all: in time order, and events of one time in ascending order of the
// tracks as given. Within a track the events keep their track order.
//
// Nothing is copied: each track is walked along its own next-event links,
// and only the next event of each track is held: the earliest apart, the
// others in a heap ordered by time and track, which is touched only when
// the walk moves to another track. One track is walked as it is, without
// reading a time, and so is the last track left once the others are done.
//
// The tracks are read only through the bound functions of
// midibind/midi_binding.h; they must outlive the walk and stay unchanged
// while it lasts.
#ifndef SONOMOT_MOTION_MERGED_EVENTS_H_
#define SONOMOT_MOTION_MERGED_EVENTS_H_

#include <cstddef>
#include <vector>

#include "midibind/midi_binding.h"
#include "midilib/MIDIData.h"

struct TrackSummary;

class MergedEvents {
 public:
  // REQUIRES: no track is null.
  MergedEvents(MIDITrack* const* ppTracks, size_t nTracks);
  MergedEvents(const MergedEvents&) = delete;
  MergedEvents& operator=(const MergedEvents&) = delete;

  // The next event, or null after the last one.
  MIDIEvent* Next() {
    // One track without a summary, the common export: inline, as cheap as
    // walking the track itself.
    if (m_bSingle && m_pSummary == nullptr) {
      MIDIEvent* pEvent = m_pSingle;
      if (pEvent) m_pSingle = midilib::MIDIEvent_GetNextEvent(pEvent);
      return pEvent;
    }
    return NextOfAny();
  }

  // Every event Next returns from now on is also added to *pSummary, so one
  // walk serves both (null: none). Not owned.
  void SetSummary(TrackSummary* pSummary) { m_pSummary = pSummary; }

 private:
  struct Head {
    long lTime;
    size_t nTrack;
    MIDIEvent* pEvent;
  };
  MIDIEvent* NextOfAny();
  // Makes the heap's earliest the current event; none when it is empty.
  void TakeEarliest();

  MIDIEvent* m_pSingle = nullptr;  // the next event of a single track
  bool m_bSingle;
  // Several tracks: the next event of the walk, and the next event of each
  // other track not yet done.
  bool m_bCurrent = false;
  Head m_current = {};
  std::vector<Head> m_heap;
  TrackSummary* m_pSummary = nullptr;
};

#endif  // SONOMOT_MOTION_MERGED_EVENTS_H_
