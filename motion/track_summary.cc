#include "motion/track_summary.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <tuple>

#include "midibind/midi_binding.h"

namespace {
constexpr int kPedalNumber = 64;

// What the motion takes of an event: a note event (its key and channel,
// 0 based), a sustain-pedal change, a program change (its program in
// nKey, for the instrument of the notes after it), or nothing. Only MIDI
// channel events are read further.
struct MotionPart {
  enum Kind { kNothing, kNote, kPedal, kProgram } kind = kNothing;
  int nKey = -1;
  int nChannel = -1;
};

MotionPart PartOf(MIDIEvent* pEvent) {
  MotionPart part;
  if (!midilib::MIDIEvent_IsMIDIEvent(pEvent)) return part;
  long lKind = midilib::MIDIEvent_GetKind(pEvent);
  long lType = lKind & 0xF0;
  if (lType == 0x80 || lType == 0x90) {
    long lKey = midilib::MIDIEvent_GetKey(pEvent);
    if (lKey < 0 || lKey > 127) return part;
    part.kind = MotionPart::kNote;
    part.nKey = static_cast<int>(lKey);
    part.nChannel = static_cast<int>(lKind & 0x0F);
  } else if (lType == 0xB0 && midilib::MIDIEvent_GetNumber(pEvent) == kPedalNumber) {
    part.kind = MotionPart::kPedal;
  } else if (lType == 0xC0) {
    part.kind = MotionPart::kProgram;
    part.nKey = static_cast<int>(midilib::MIDIEvent_GetNumber(pEvent) & 0x7F);
    part.nChannel = static_cast<int>(lKind & 0x0F);
  }
  return part;
}

// An event's place in the merged order of the whole piece.
struct MergedPlace {
  long lTime = 0;
  size_t nTrack = 0;
  long nIndex = 0;  // in its track
  bool operator<(const MergedPlace& other) const {
    return std::tie(lTime, nTrack, nIndex) < std::tie(other.lTime, other.nTrack, other.nIndex);
  }
};

struct ProgramChange {
  MergedPlace place;
  int nProgram = 0;
};
}  // namespace

void TrackSummary::Add(MIDIEvent* pEvent) {
  long lTime = midilib::MIDIEvent_GetTime(pEvent);
  if (lTime > lLastTime) lLastTime = lTime;
  MotionPart part = PartOf(pEvent);
  if (part.kind == MotionPart::kNote) {
    nChannelMask = static_cast<uint16_t>(nChannelMask | (1u << part.nChannel));
    if (nLowKey < 0 || part.nKey < nLowKey) nLowKey = part.nKey;
    if (part.nKey > nHighKey) nHighKey = part.nKey;
    if (midilib::MIDIEvent_IsNoteOn(pEvent)) ++nNoteCount;
  } else if (part.kind == MotionPart::kPedal) {
    ++nPedalCount;
  }
}

TrackSummary TrackSummary::Of(MIDITrack* pTrack) {
  TrackSummary summary;
  for (MIDIEvent* pEvent = midilib::MIDITrack_GetFirstEvent(pTrack); pEvent;
       pEvent = midilib::MIDIEvent_GetNextEvent(pEvent)) {
    summary.Add(pEvent);
  }
  return summary;
}

std::vector<TrackSummary::PieceRole> TrackSummary::RolesOf(MIDIData* pMIDIData) {
  std::vector<PieceRole> roles;
  // Per track: its first note off the drum channel (channel -1 without
  // one), and where its first walk stopped.
  struct Opening {
    int nChannel = -1;
    MergedPlace place;
    MIDIEvent* pRest = nullptr;
    long nRestIndex = 0;
  };
  std::vector<Opening> openings;
  std::array<std::vector<ProgramChange>, 16> changes;
  long lLatest = -1;
  for (MIDITrack* pTrack = midilib::MIDIData_GetFirstTrack(pMIDIData); pTrack;
       pTrack = midilib::MIDITrack_GetNextTrack(pTrack)) {
    size_t nTrack = roles.size();
    PieceRole role;
    Opening opening;
    bool bDrumNotes = false;
    bool bPedal = false;
    long nIndex = 0;
    for (MIDIEvent* pEvent = midilib::MIDITrack_GetFirstEvent(pTrack); pEvent;
         pEvent = midilib::MIDIEvent_GetNextEvent(pEvent), ++nIndex) {
      MotionPart part = PartOf(pEvent);
      if (part.kind == MotionPart::kNote) {
        if (part.nChannel != kDrumChannel - 1) {
          opening.nChannel = part.nChannel;
          opening.place = {midilib::MIDIEvent_GetTime(pEvent), nTrack, nIndex};
          opening.pRest = midilib::MIDIEvent_GetNextEvent(pEvent);
          opening.nRestIndex = nIndex + 1;
          lLatest = std::max(lLatest, opening.place.lTime);
          break;
        }
        bDrumNotes = true;
      } else if (part.kind == MotionPart::kPedal) {
        bPedal = true;
      } else if (part.kind == MotionPart::kProgram) {
        changes[part.nChannel].push_back(
            {{midilib::MIDIEvent_GetTime(pEvent), nTrack, nIndex}, part.nKey});
      }
    }
    role.role = opening.nChannel >= 0 ? Role::kKeys
                : bDrumNotes          ? Role::kDrums
                : bPedal              ? Role::kKeys
                                      : Role::kEmpty;
    roles.push_back(role);
    openings.push_back(opening);
  }
  if (lLatest < 0) return roles;

  // The program changes after each track's first note that may still come
  // before another track's.
  for (size_t nTrack = 0; nTrack < openings.size(); ++nTrack) {
    long nIndex = openings[nTrack].nRestIndex;
    for (MIDIEvent* pEvent = openings[nTrack].pRest;
         pEvent && midilib::MIDIEvent_GetTime(pEvent) <= lLatest;
         pEvent = midilib::MIDIEvent_GetNextEvent(pEvent), ++nIndex) {
      MotionPart part = PartOf(pEvent);
      if (part.kind == MotionPart::kProgram) {
        changes[part.nChannel].push_back(
            {{midilib::MIDIEvent_GetTime(pEvent), nTrack, nIndex}, part.nKey});
      }
    }
  }
  for (std::vector<ProgramChange>& channel : changes) {
    std::sort(channel.begin(), channel.end(),
              [](const ProgramChange& a, const ProgramChange& b) { return a.place < b.place; });
  }
  for (size_t nTrack = 0; nTrack < openings.size(); ++nTrack) {
    const Opening& opening = openings[nTrack];
    if (opening.nChannel < 0) continue;
    const std::vector<ProgramChange>& channel = changes[opening.nChannel];
    auto after = std::lower_bound(
        channel.begin(), channel.end(), opening.place,
        [](const ProgramChange& change, const MergedPlace& place) { return change.place < place; });
    roles[nTrack].nProgram = after == channel.begin() ? 0 : std::prev(after)->nProgram;
  }
  return roles;
}

std::string TrackSummary::ChannelText() const {
  if (nChannelMask == 0) return "-";
  std::string text;
  for (int c = 0; c < 16; ++c) {
    if (!(nChannelMask & (1u << c))) continue;
    int nEnd = c;
    while (nEnd + 1 < 16 && (nChannelMask & (1u << (nEnd + 1)))) ++nEnd;
    if (!text.empty()) text += ',';
    text += std::to_string(c + 1);
    // Two channels side by side read better as a pair than as a run.
    if (nEnd == c + 1) {
      text += ',' + std::to_string(nEnd + 1);
    } else if (nEnd > c + 1) {
      text += '-' + std::to_string(nEnd + 1);
    }
    c = nEnd;
  }
  return text;
}

std::string NoteName(int nKey) {
  static const char* const kNames[12] = {"C",  "C#", "D",  "D#", "E",  "F",
                                         "F#", "G",  "G#", "A",  "A#", "B"};
  return kNames[nKey % 12] + std::to_string(nKey / 12 - 1);
}
