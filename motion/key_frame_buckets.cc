#include "motion/key_frame_buckets.h"

#include "midibind/midi_binding.h"
#include "motion/bone_names.h"
#include "motion/merged_events.h"

void KeyFrameBuckets::Collect(MIDITrack* pTrack, const ExportSettings& settings) {
  MergedEvents events(&pTrack, 1);
  Collect(&events, settings);
}

void KeyFrameBuckets::Collect(MergedEvents* pEvents, const ExportSettings& settings) {
  const int nTranspose = settings.nTranspose;
  const bool bPedal = settings.bPedal;
  bool abHasBone[kKeyCount];
  for (int nKey = 0; nKey < kKeyCount; ++nKey) {
    abHasBone[nKey] = !KeyBoneName(settings, nKey).empty();
  }
  for (MIDIEvent* pEvent = pEvents->Next(); pEvent; pEvent = pEvents->Next()) {
    if (!midilib::MIDIEvent_IsMIDIEvent(pEvent)) continue;
    // The low four bits are the channel: every channel drives the same bones.
    long lType = midilib::MIDIEvent_GetKind(pEvent) & 0xF0;
    if (lType == 0x80 || lType == 0x90) {
      long lKey = midilib::MIDIEvent_GetKey(pEvent);
      if (lKey < 0 || lKey >= kKeyCount) continue;
      lKey += nTranspose;
      if (lKey < 0 || lKey >= kKeyCount || !abHasBone[lKey]) {
        // Off the keyboard, or a key the model has no bone for: nothing can
        // show it. Counting the presses tells the user how many notes the
        // motion lacks.
        if (midilib::MIDIEvent_IsNoteOn(pEvent)) ++m_nDroppedNotes;
        continue;
      }
      long lTime = midilib::MIDIEvent_GetTime(pEvent);
      Entry entry;
      entry.nFrame = static_cast<uint32_t>(lTime);
      entry.bPress = midilib::MIDIEvent_IsNoteOn(pEvent) ? 1 : 0;
      entry.bCompanion = lTime > 0 ? 1 : 0;
      entry.nValue = 0;
      if (settings.bVelocity) {
        if (entry.bPress) {
          long lVelocity = midilib::MIDIEvent_GetVelocity(pEvent);
          m_anPressVelocity[lKey] =
              static_cast<uint8_t>(lVelocity < 1 ? 1 : lVelocity > 127 ? 127 : lVelocity);
        } else if (m_anPressVelocity[lKey] == 0) {
          // A release with no press before it: the key was down all along.
          m_anPressVelocity[lKey] = 127;
        }
        entry.nValue = m_anPressVelocity[lKey];
      }
      m_aBone[lKey].push_back(entry);
      m_nKeyFrameCount += 1 + entry.bCompanion;
    } else if (bPedal && lType == 0xB0 &&
               midilib::MIDIEvent_GetNumber(pEvent) == kPedalNumber) {
      long lValue = midilib::MIDIEvent_GetValue(pEvent);
      Entry entry;
      entry.nFrame = static_cast<uint32_t>(midilib::MIDIEvent_GetTime(pEvent));
      entry.bPress = 0;
      entry.bCompanion = 0;
      // A controller value is 7 bits; anything else is held at the ends.
      entry.nValue = static_cast<uint8_t>(lValue < 0 ? 0 : lValue > 127 ? 127 : lValue);
      m_aBone[kPedalBone].push_back(entry);
      m_nKeyFrameCount += 1;
    }
  }
}
