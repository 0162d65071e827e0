// Format conversion (0 to 1) and time-base conversion.
#include <algorithm>
#include <climits>
#include <new>
#include <vector>

#include "midilib/midi_data_internal.h"

using namespace midilib_internal;

namespace {

// Makes one time-ordered track of every track of a format-0 data object
// that has more than one (events of equal time keep their track order),
// with one end-of-track event at the song's end.
bool MergeTracks(MIDIData* pData) {
  MIDITrack* pFirst = pData->m_pFirstTrack;
  std::vector<MIDIEvent*> events;
  MIDIEvent* pEnd = nullptr;
  int32_t lEnd = 0;
  try {
    events.reserve(64);
    for (MIDITrack* t = pFirst; t != nullptr; t = t->m_pNext) {
      for (MIDIEvent* p = t->m_pFirst; p != nullptr; p = p->m_pNext) {
        lEnd = std::max(lEnd, p->m_lTime);
        if (IsEndOfTrack(p)) {
          if (pEnd == nullptr) pEnd = p;
        } else {
          events.push_back(p);
        }
      }
    }
  } catch (const std::bad_alloc&) {
    return false;
  }
  if (pEnd == nullptr) {
    pEnd = NewEvent(pData);
    if (pEnd == nullptr) return false;
    pEnd->m_byKind = 0xFF;
    pEnd->m_byData1 = kMetaEndOfTrack;
    pEnd->m_pBytes = kNoBytes;
  }
  pEnd->m_lTime = lEnd;
  std::stable_sort(events.begin(), events.end(),
                   [](const MIDIEvent* a, const MIDIEvent* b) {
                     return a->m_lTime < b->m_lTime;
                   });
  try {
    events.push_back(pEnd);
  } catch (const std::bad_alloc&) {
    return false;
  }
  for (size_t i = 0; i + 1 < events.size(); i++) {
    events[i]->m_pNext = events[i + 1];
  }
  pEnd->m_pNext = nullptr;
  pFirst->m_pFirst = events.front();
  pFirst->m_pLast = pEnd;
  pFirst->m_lNumEvent = static_cast<long>(events.size());
  while (pFirst->m_pNext != nullptr) MIDITrack_Delete(pFirst->m_pNext);
  LinkReleases(pFirst);
  return true;
}

// Frames per second of an SMPTE time mode as a fraction.
void FrameRate(long lTimeMode, __int128* pNum, __int128* pDen) {
  if (lTimeMode == MIDIDATA_SMPTE29BASE) {
    *pNum = 30000;
    *pDen = 1001;
  } else {
    *pNum = lTimeMode;
    *pDen = 1;
  }
}

bool ValidTimeBase(long lTimeMode, long lTimeResolution) {
  if (lTimeMode == MIDIDATA_TPQNBASE) {
    return lTimeResolution >= 1 && lTimeResolution <= 0x7FFF;
  }
  if (lTimeMode == MIDIDATA_SMPTE24BASE || lTimeMode == MIDIDATA_SMPTE25BASE ||
      lTimeMode == MIDIDATA_SMPTE29BASE || lTimeMode == MIDIDATA_SMPTE30BASE) {
    return lTimeResolution >= 1 && lTimeResolution <= 255;
  }
  return false;
}

// One tempo segment: from m_lTick on, m_lTempo microseconds per quarter;
// m_lSum is the sum of ticks times tempo of everything before m_lTick
// (microseconds times ticks per quarter, exact).
struct TempoSegment {
  int64_t m_lTick;
  int64_t m_lTempo;
  int64_t m_lSum;
};

// Maps times of one time base to another in exact integer arithmetic:
// new time = X / Y rounded to the nearest, half up.
class TimeMapper {
 public:
  bool Init(MIDIData* pData, long lTimeMode, long lTimeResolution) {
    long lSourceMode = pData->m_lTimeMode;
    __int128 num, den;
    m_bTempoMap = false;
    if (lTimeMode == MIDIDATA_TPQNBASE) {
      if (lSourceMode != MIDIDATA_TPQNBASE) return false;
      m_x = lTimeResolution;  // ticks scale by the resolutions
      m_y = pData->m_lTimeResolution;
      return true;
    }
    FrameRate(lTimeMode, &num, &den);
    if (lSourceMode == MIDIDATA_TPQNBASE) {
      // seconds = sum / (resolution * 1e6)
      m_bTempoMap = true;
      m_x = num * lTimeResolution;
      m_y = __int128{pData->m_lTimeResolution} * 1000000 * den;
      return BuildTempoMap(pData);
    }
    // seconds = ticks * den(source) / (resolution * num(source))
    __int128 srcNum, srcDen;
    FrameRate(lSourceMode, &srcNum, &srcDen);
    m_x = srcDen * num * lTimeResolution;
    m_y = __int128{pData->m_lTimeResolution} * srcNum * den;
    return true;
  }
  void Rewind() {
    m_nSegment = 0;
    m_bStepping = false;
  }
  // REQUIRES: Rewind() before the first time of each track; times of a
  // track come in order (else the segment is searched again).
  int64_t Map(int64_t lTime) {
    m_bStepping = false;  // the segment may move: Step starts afresh
    __int128 x = Value(lTime) * m_x;
    __int128 result = (2 * x + m_y) / (2 * m_y);
    return result > INT32_MAX ? int64_t{INT32_MAX} + 1 : static_cast<int64_t>(result);
  }

  // Whether the times of a track up to lLastTime can be mapped by Step:
  // every numerator 2 X + Y then fits in 63 bits.
  bool CanStep(int64_t lLastTime) {
    size_t nSegment = m_nSegment;
    __int128 n = 2 * Value(lLastTime) * m_x + m_y;
    m_nSegment = nSegment;
    __int128 d = 2 * m_y;
    return n <= INT64_MAX && d <= INT64_MAX;
  }
  // The same as Map for the times of one track in order, without a
  // division for most of them: the numerator of the previous time is kept
  // as its quotient and remainder and moved on by what the ticks since add.
  // REQUIRES: CanStep of a time no earlier than lTime; Rewind before a
  // track.
  int64_t Step(int64_t lTime) {
    size_t nSegment = m_nSegment;
    bool bSame = m_bStepping && lTime >= m_lStepTime;
    if (m_bTempoMap) {
      Locate(lTime);
      bSame = bSame && m_nSegment == nSegment;
    }
    const uint64_t nDivisor = static_cast<uint64_t>(2 * m_y);
    if (bSame) {
      // Within one segment the numerator grows by 2 X' per tick, X' the
      // factor of the segment: exact integer steps, as one division gives.
      uint64_t nAdd = m_nRemainder + static_cast<uint64_t>(lTime - m_lStepTime) * m_nPerTick;
      if (nAdd < nDivisor) {
        m_nRemainder = nAdd;
      } else if (nAdd < 4 * nDivisor) {
        while (nAdd >= nDivisor) {
          nAdd -= nDivisor;
          ++m_nQuotient;
        }
        m_nRemainder = nAdd;
      } else {
        m_nQuotient += nAdd / nDivisor;
        m_nRemainder = nAdd % nDivisor;
      }
    } else {
      uint64_t n = static_cast<uint64_t>(2 * Value(lTime) * m_x + m_y);
      m_nQuotient = n / nDivisor;
      m_nRemainder = n % nDivisor;
      int64_t lTempo = m_bTempoMap ? m_segments[m_nSegment].m_lTempo : 1;
      m_nPerTick = static_cast<uint64_t>(2 * lTempo * m_x);
      m_bStepping = true;
    }
    m_lStepTime = lTime;
    return static_cast<int64_t>(m_nQuotient);
  }

 private:
  // The segment of lTime becomes the current one.
  void Locate(int64_t lTime) {
    if (m_segments[m_nSegment].m_lTick > lTime) m_nSegment = 0;
    while (m_nSegment + 1 < m_segments.size() &&
           m_segments[m_nSegment + 1].m_lTick <= lTime) {
      m_nSegment++;
    }
  }
  // X / m_x: the time in microseconds times ticks per quarter on a tempo
  // map, else the time itself.
  __int128 Value(int64_t lTime) {
    if (!m_bTempoMap) return lTime;
    Locate(lTime);
    const TempoSegment& s = m_segments[m_nSegment];
    return s.m_lSum + __int128{lTime - s.m_lTick} * s.m_lTempo;
  }

  bool BuildTempoMap(MIDIData* pData) {
    struct Change {
      int64_t lTick;
      long lTempo;
    };
    std::vector<Change> changes;
    try {
      for (MIDITrack* t = pData->m_pFirstTrack; t; t = t->m_pNext) {
        for (MIDIEvent* p = t->m_pFirst; p; p = p->m_pNext) {
          if (!IsMeta(p) || p->m_byData1 != kMetaTempo) continue;
          long lTempo = EventTempo(p);
          if (lTempo >= 0) changes.push_back({p->m_lTime, lTempo});
        }
      }
      // Equal ticks keep track order: the change of the later track wins.
      std::stable_sort(changes.begin(), changes.end(),
                       [](const Change& a, const Change& b) {
                         return a.lTick < b.lTick;
                       });
      m_segments.clear();
      m_segments.push_back({0, kDefaultTempo, 0});
      for (const Change& c : changes) {
        TempoSegment& last = m_segments.back();
        if (c.lTick == last.m_lTick) {
          last.m_lTempo = c.lTempo;
          continue;
        }
        int64_t lSum = last.m_lSum + (c.lTick - last.m_lTick) * last.m_lTempo;
        m_segments.push_back({c.lTick, c.lTempo, lSum});
      }
    } catch (const std::bad_alloc&) {
      return false;
    }
    return true;
  }

  bool m_bTempoMap = false;
  __int128 m_x = 1;
  __int128 m_y = 1;
  std::vector<TempoSegment> m_segments;
  size_t m_nSegment = 0;
  // Step's state: the last time, its numerator as quotient and remainder,
  // and what one tick adds to the numerator in its segment.
  bool m_bStepping = false;
  int64_t m_lStepTime = 0;
  uint64_t m_nQuotient = 0;
  uint64_t m_nRemainder = 0;
  uint64_t m_nPerTick = 0;
};

}  // namespace

extern "C" {

long MIDIData_SetFormat(MIDIData* pData, long lFormat) {
  if (pData == nullptr) return 0;
  if (lFormat == pData->m_lFormat) return 1;
  if (lFormat != 1 || pData->m_lFormat != 0) return 0;
  if (pData->m_pFirstTrack == nullptr && AppendTrack(pData) == nullptr) {
    return 0;
  }
  if (pData->m_pFirstTrack->m_pNext != nullptr && !MergeTracks(pData)) {
    return 0;
  }
  MIDITrack* pFirst = pData->m_pFirstTrack;
  // Everything that can fail comes first: the new tracks and end-of-track
  // events. Afterwards only links change.
  MIDIEvent* apEnd[17] = {};
  for (MIDIEvent* p = pFirst->m_pFirst; p; p = p->m_pNext) {
    if (IsEndOfTrack(p)) apEnd[0] = p;
  }
  int32_t lSongEnd = pFirst->m_pLast != nullptr ? pFirst->m_pLast->m_lTime : 0;
  for (int i = 0; i < 17; i++) {
    if (apEnd[i] == nullptr) apEnd[i] = NewEvent(pData);
    if (apEnd[i] == nullptr) return 0;
  }
  MIDITrack* apTrack[17] = {pFirst};
  for (int i = 1; i < 17; i++) {
    apTrack[i] = AppendTrack(pData);
    if (apTrack[i] == nullptr) {
      for (int j = 1; j < i; j++) MIDITrack_Delete(apTrack[j]);
      return 0;
    }
  }
  MIDIEvent* apTail[17] = {};
  long alCount[17] = {};
  for (MIDIEvent* p = pFirst->m_pFirst; p != nullptr;) {
    MIDIEvent* pNext = p->m_pNext;
    if (!IsEndOfTrack(p)) {
      int i = IsChannelEvent(p) ? 1 + (p->m_byKind & 0x0F) : 0;
      if (apTail[i] != nullptr) {
        apTail[i]->m_pNext = p;
      } else {
        apTrack[i]->m_pFirst = p;
      }
      apTail[i] = p;
      alCount[i]++;
    }
    p = pNext;
  }
  for (int i = 0; i < 17; i++) {
    MIDIEvent* pEnd = apEnd[i];
    pEnd->m_lTime = lSongEnd;
    pEnd->m_byKind = 0xFF;
    pEnd->m_byData1 = kMetaEndOfTrack;
    pEnd->m_pBytes = kNoBytes;
    pEnd->m_pNext = nullptr;
    if (apTail[i] != nullptr) {
      apTail[i]->m_pNext = pEnd;
    } else {
      apTrack[i]->m_pFirst = pEnd;
    }
    apTrack[i]->m_pLast = pEnd;
    apTrack[i]->m_lNumEvent = alCount[i] + 1;
  }
  pData->m_lFormat = 1;
  return 1;
}

long MIDIData_SetTimeBase(MIDIData* pData, long lTimeMode,
                          long lTimeResolution) {
  if (pData == nullptr || !ValidTimeBase(lTimeMode, lTimeResolution) ||
      pData->m_lTimeResolution <= 0) {
    return 0;
  }
  if (lTimeMode == pData->m_lTimeMode &&
      lTimeResolution == pData->m_lTimeResolution) {
    return 1;
  }
  TimeMapper mapper;
  if (!mapper.Init(pData, lTimeMode, lTimeResolution)) return 0;
  // Times only grow along a track, so its last event has its latest time:
  // refuse before changing anything if a time would not fit.
  for (MIDITrack* t = pData->m_pFirstTrack; t; t = t->m_pNext) {
    mapper.Rewind();
    if (t->m_pLast != nullptr && mapper.Map(t->m_pLast->m_lTime) > INT32_MAX) {
      return 0;
    }
  }
  for (MIDITrack* t = pData->m_pFirstTrack; t; t = t->m_pNext) {
    mapper.Rewind();
    int64_t lLast = t->m_pLast != nullptr ? t->m_pLast->m_lTime : 0;
    if (mapper.CanStep(lLast)) {
      for (MIDIEvent* p = t->m_pFirst; p; p = p->m_pNext) {
        // A time after the last one's (not in a track kept in time
        // order) takes the exact way.
        p->m_lTime = static_cast<int32_t>(p->m_lTime <= lLast ? mapper.Step(p->m_lTime)
                                                              : mapper.Map(p->m_lTime));
      }
    } else {
      for (MIDIEvent* p = t->m_pFirst; p; p = p->m_pNext) {
        p->m_lTime = static_cast<int32_t>(mapper.Map(p->m_lTime));
      }
    }
  }
  pData->m_lTimeMode = lTimeMode;
  pData->m_lTimeResolution = lTimeResolution;
  return 1;
}

}  // extern "C"
