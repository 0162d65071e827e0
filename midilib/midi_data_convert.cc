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
      pFirst->m_bMayHoldTempo |= t->m_bMayHoldTempo;
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
  LinkKeyChains(pFirst);
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

// Division by a divisor fixed for a whole conversion, exact for every
// dividend below 2^63, by one multiplication and a shift: a division
// instruction per event would cost more than the rest of the conversion.
// With l = ceil(log2 d) and m = ceil(2^(63+l) / d), m d lies in
// [2^(63+l), 2^(63+l) + 2^l], so floor(n / d) = floor(m n / 2^(63+l)) for
// every n below 2^63 (Granlund and Montgomery); m fits in 64 bits because
// d > 2^(l-1).
class FixedDivisor {
  using Wide = unsigned __int128;

 public:
  // REQUIRES: 2 <= nDivisor < 2^63.
  explicit FixedDivisor(uint64_t nDivisor) {
    int nLog = 64 - __builtin_clzll(nDivisor - 1);  // 1..63
    Wide two = Wide{1} << (63 + nLog);
    m_nMagic = static_cast<uint64_t>((two + nDivisor - 1) / nDivisor);
    m_nShift = nLog - 1;
  }
  // REQUIRES: n < 2^63.
  uint64_t Divide(uint64_t n) const {
    return static_cast<uint64_t>((Wide{m_nMagic} * n) >> 64) >> m_nShift;
  }

 private:
  uint64_t m_nMagic;
  int m_nShift;
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
  void Rewind() { m_nSegment = 0; }
  // REQUIRES: Rewind() before the first time of each track; times of a
  // track come in order (else the segment is searched again).
  int64_t Map(int64_t lTime) {
    __int128 x = Value(lTime) * m_x;
    __int128 result = (2 * x + m_y) / (2 * m_y);
    return result > INT32_MAX ? int64_t{INT32_MAX} + 1 : static_cast<int64_t>(result);
  }

  // Maps every time of a track as Map does. Where the numerator 2 X + Y of
  // its last time fits in 63 bits (those of earlier times are no larger),
  // each time is the numerator at the start of its tempo segment plus its
  // ticks since times what a tick adds there, divided by the fixed 2 Y:
  // a multiplication and a shift. A time later than the
  // track's last one's (not in a track kept in time order) takes the exact
  // way, and so does every time of a track whose numbers are larger.
  void MapTrack(MIDITrack* pTrack) {
    Rewind();
    if (pTrack->m_pLast == nullptr) return;
    int64_t lLast = pTrack->m_pLast->m_lTime;
    __int128 d = 2 * m_y;
    if (2 * Value(lLast) * m_x + m_y > INT64_MAX || d > INT64_MAX) {
      for (MIDIEvent* p = pTrack->m_pFirst; p; p = p->m_pNext) {
        p->m_lTime = static_cast<int32_t>(Map(p->m_lTime));
      }
      return;
    }
    FixedDivisor divisor(static_cast<uint64_t>(d));
    for (MIDIEvent* p = pTrack->m_pFirst; p != nullptr;) {
      int64_t lTime = p->m_lTime;
      if (lTime > lLast || lTime < 0) {
        p->m_lTime = static_cast<int32_t>(Map(lTime));
        p = p->m_pNext;
        continue;
      }
      // The segment of this time, up to the next one or past the track's
      // last time: there n = nBase + (t - lStart) nPerTick. Without a tempo
      // map the whole track is one segment.
      int64_t lStart = 0;
      int64_t lEnd = lLast + 1;
      int64_t lTempo = 1;
      if (m_bTempoMap) {
        Locate(lTime);
        lStart = m_segments[m_nSegment].m_lTick;
        lTempo = m_segments[m_nSegment].m_lTempo;
        if (m_nSegment + 1 < m_segments.size()) {
          lEnd = std::min(lEnd, m_segments[m_nSegment + 1].m_lTick);
        }
      }
      // Both fit: neither is larger than the numerator of this time.
      const uint64_t nBase = static_cast<uint64_t>(2 * Value(lStart) * m_x + m_y);
      const uint64_t nPerTick = static_cast<uint64_t>(2 * __int128{lTempo} * m_x);
      const uint64_t nSpan = static_cast<uint64_t>(lEnd - lStart);
      // Every following event of the segment: one unsigned comparison finds
      // a time before it or after it.
      uint64_t nTicks = static_cast<uint64_t>(lTime - lStart);
      do {
        p->m_lTime = static_cast<int32_t>(divisor.Divide(nBase + nTicks * nPerTick));
        p = p->m_pNext;
      } while (p != nullptr && (nTicks = static_cast<uint64_t>(p->m_lTime - lStart)) < nSpan);
    }
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
        if (!t->m_bMayHoldTempo) continue;
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
  for (MIDITrack* t = pData->m_pFirstTrack; t; t = t->m_pNext) mapper.MapTrack(t);
  pData->m_lTimeMode = lTimeMode;
  pData->m_lTimeResolution = lTimeResolution;
  return 1;
}

}  // extern "C"
