#include "motion/merged_events.h"

#include <algorithm>

#include "midibind/midi_binding.h"

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
    std::push_heap(m_heap.begin(), m_heap.end(), Later);
  }
  TakeEarliest();
}

void MergedEvents::TakeEarliest() {
  m_bCurrent = !m_heap.empty();
  if (!m_bCurrent) return;
  std::pop_heap(m_heap.begin(), m_heap.end(), Later);
  m_current = m_heap.back();
  m_heap.pop_back();
}

void MergedEvents::PutBack(MIDIEvent* pEvent, long lTime) {
  // The heap holds a place for every track: this never allocates.
  m_heap.push_back({lTime, m_current.nTrack, pEvent});
  std::push_heap(m_heap.begin(), m_heap.end(), Later);
  TakeEarliest();
}
