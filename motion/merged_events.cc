#include "motion/merged_events.h"

#include <algorithm>

#include "midibind/midi_binding.h"
#include "motion/track_summary.h"

namespace {

// std::push_heap keeps the greatest on top: "later" makes it the earliest
// time, and of one time the first track.
struct Later {
  template <typename T>
  bool operator()(const T& a, const T& b) const {
    return a.lTime != b.lTime ? a.lTime > b.lTime : a.nTrack > b.nTrack;
  }
};

}  // namespace

MergedEvents::MergedEvents(MIDITrack* const* ppTracks, size_t nTracks)
    : m_bSingle(nTracks == 1) {
  if (m_bSingle) {
    m_pSingle = midilib::MIDITrack_GetFirstEvent(ppTracks[0]);
    return;
  }
  m_heap.reserve(nTracks);
  for (size_t i = 0; i < nTracks; ++i) {
    MIDIEvent* pFirst = midilib::MIDITrack_GetFirstEvent(ppTracks[i]);
    if (pFirst == nullptr) continue;
    m_heap.push_back({midilib::MIDIEvent_GetTime(pFirst), i, pFirst});
    std::push_heap(m_heap.begin(), m_heap.end(), Later());
  }
  TakeEarliest();
}

void MergedEvents::TakeEarliest() {
  m_bCurrent = !m_heap.empty();
  if (!m_bCurrent) return;
  std::pop_heap(m_heap.begin(), m_heap.end(), Later());
  m_current = m_heap.back();
  m_heap.pop_back();
}

MIDIEvent* MergedEvents::NextOfAny() {
  MIDIEvent* pEvent = nullptr;
  if (m_bSingle) {
    pEvent = m_pSingle;
    if (pEvent) m_pSingle = midilib::MIDIEvent_GetNextEvent(pEvent);
  } else if (m_bCurrent) {
    pEvent = m_current.pEvent;
    MIDIEvent* pNext = midilib::MIDIEvent_GetNextEvent(pEvent);
    if (pNext == nullptr) {
      TakeEarliest();
    } else if (m_heap.empty()) {
      // Every other track is done: the rest is this track's, walked as one
      // track is, without reading times.
      m_bSingle = true;
      m_bCurrent = false;
      m_pSingle = pNext;
    } else {
      Head next = {midilib::MIDIEvent_GetTime(pNext), m_current.nTrack, pNext};
      // Most often the same track goes on: the heap is left alone until
      // another track's next event comes first.
      if (m_heap.empty() || Later()(m_heap.front(), next)) {
        m_current = next;
      } else {
        m_heap.push_back(next);
        std::push_heap(m_heap.begin(), m_heap.end(), Later());
        TakeEarliest();
      }
    }
  }
  if (pEvent && m_pSummary) m_pSummary->Add(pEvent);
  return pEvent;
}
