#include "motion/track_summary.h"

#include "midibind/midi_binding.h"

namespace {
constexpr int kPedalNumber = 64;

// What the motion takes of an event: a note event (its key and channel,
// 0 based), a sustain-pedal change, or nothing. Only MIDI channel events
// are read further.
struct MotionPart {
  enum Kind { kNothing, kNote, kPedal } kind = kNothing;
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
  }
  return part;
}
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

TrackSummary::Role TrackSummary::RoleOf(MIDITrack* pTrack) {
  bool bDrumNotes = false;
  bool bPedal = false;
  for (MIDIEvent* pEvent = midilib::MIDITrack_GetFirstEvent(pTrack); pEvent;
       pEvent = midilib::MIDIEvent_GetNextEvent(pEvent)) {
    MotionPart part = PartOf(pEvent);
    if (part.kind == MotionPart::kNote) {
      if (part.nChannel != kDrumChannel - 1) return Role::kKeys;
      bDrumNotes = true;
    } else if (part.kind == MotionPart::kPedal) {
      bPedal = true;
    }
  }
  return bDrumNotes ? Role::kDrums : bPedal ? Role::kKeys : Role::kEmpty;
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
