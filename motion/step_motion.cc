#include "motion/step_motion.h"

#include "motion/key_frame_buckets.h"

StepFigures MeasureSteps(const KeyFrameBuckets& buckets) {
  StepFigures figures;
  bool bAny = false;
  auto count = [&figures, &bAny](uint32_t nFrame) {
    // A bone's keyframes come in ascending frames: its first is its
    // earliest, its last its latest.
    if (!bAny || nFrame < figures.nFirstFrame) figures.nFirstFrame = nFrame;
    if (!bAny || nFrame > figures.nLastFrame) figures.nLastFrame = nFrame;
    bAny = true;
    ++figures.nKeyFrames;
  };
  for (int nKey = 0; nKey < KeyFrameBuckets::kKeyCount; ++nKey) {
    KeySteps steps([&count](uint32_t nFrame, bool, uint8_t) { count(nFrame); });
    // The classic keyframes of an entry at t are t - 1 (the companion)
    // and t. In time order, t - 1 is already taken when it is no later
    // than the latest event's frame (that frame, or its companion), and t
    // when it is that frame.
    int64_t lLatest = -1;
    for (const KeyFrameBuckets::Entry& entry : buckets.GetBone(nKey)) {
      steps.Add(entry);
      int64_t lFrame = entry.nFrame;
      if (entry.bCompanion && lFrame - 1 <= lLatest) ++figures.nClassicDoubled;
      if (lFrame <= lLatest) ++figures.nClassicDoubled;
      if (lFrame > lLatest) lLatest = lFrame;
    }
    steps.Finish();
    figures.nMergedNotes += steps.GetMergedNotes();
    figures.nStrayOffs += steps.GetStrayOffs();
  }
  PedalSteps pedal([&count](uint32_t nFrame, uint8_t) { count(nFrame); });
  int64_t lLatest = -1;
  for (const KeyFrameBuckets::Entry& entry : buckets.GetBone(KeyFrameBuckets::kPedalBone)) {
    pedal.Add(entry);
    if (int64_t{entry.nFrame} <= lLatest) ++figures.nClassicDoubled;
    if (entry.nFrame > lLatest) lLatest = entry.nFrame;
  }
  pedal.Finish();
  return figures;
}
