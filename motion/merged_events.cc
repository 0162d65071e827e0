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
  for (size_t i = 0; i < nTracks; ++i) Push(i, midilib::MIDITrack_GetFirstEvent(ppTracks[i]));
}

void MergedEvents::Push(size_t nTrack, MIDIEvent* pEvent) {
  if (pEvent == nullptr) return;
  m_heap.push_back({midilib::MIDIEvent_GetTime(pEvent), nTrack, pEvent});
  std::push_heap(m_heap.begin(), m_heap.end(), Later());
}

MIDIEvent* MergedEvents::Next() {
  MIDIEvent* pEvent = nullptr;
  if (m_bSingle) {
    pEvent = m_pSingle;
    if (pEvent) m_pSingle = midilib::MIDIEvent_GetNextEvent(pEvent);
  } else if (!m_heap.empty()) {
    std::pop_heap(m_heap.begin(), m_heap.end(), Later());
    Head head = m_heap.back();
    m_heap.pop_back();
    pEvent = head.pEvent;
    Push(head.nTrack, midilib::MIDIEvent_GetNextEvent(pEvent));
  }
  if (pEvent && m_pSummary) m_pSummary->Add(pEvent);
  return pEvent;
}
