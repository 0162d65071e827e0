// ExportSettings: the choices an export is made with, so that one motion
// fits keyboard models other than the grand piano the defaults describe.
//
// A default-constructed value writes exactly the file the program has always
// written: bones nt000..nt127 and cc064, the fixed key-down pose, the model
// name "pmdGRAND", and the file ending after the bone keyframes. The values
// are checked by whoever sets them (the length limits below, in Shift-JIS
// bytes, come from the widths of the file's text fields); the writer cuts a
// name that is too long to its field rather than overrun it.
#ifndef SONOMOT_MOTION_EXPORT_SETTINGS_H_
#define SONOMOT_MOTION_EXPORT_SETTINGS_H_

#include <string>
#include <vector>

#include "motion/quaternion.h"
#include "motion/vmd_format.h"

struct ExportSettings {
  // A bone name leaves room for its 0x00 in the record's name field.
  static constexpr int kMaxBoneName = vmd::kBoneNameWidth - 1;  // 14
  // A key bone is the prefix and the three digits of the key number.
  static constexpr int kMaxKeyPrefix = kMaxBoneName - 3;  // 11
  static constexpr int kMaxModelName = vmd::kModelNameWidth - 1;  // 19
  static constexpr int kMaxTranspose = 127;
  static constexpr double kMaxAngle = 90.0;

  // bFullLayout: after the bone keyframes, the counts of the morph, camera,
  // light, self-shadow and IK sections follow, all 0. Most readers need
  // them; without them the file ends after the last record.
  bool bFullLayout = false;
  // The key bones' naming (motion/bone_names.h): a prefix or a pattern
  // with one placeholder, unless strKeyMapPath names a map.
  std::string strKeyPrefix = "nt";
  // A map: its file as an absolute path, and the names it gives, one per
  // key 0..127, "" for a key it doesn't list.
  std::string strKeyMapPath;
  std::vector<std::string> keyMapNames;
  // bPedal false: the sustain pedal gets no bone and no keyframes.
  bool bPedal = true;
  std::string strPedalName = "cc064";
  // bDefaultAngle: the key-down pose is the fixed -0.04 rad turn about X;
  // otherwise a turn of fAngleDegrees about X.
  bool bDefaultAngle = true;
  double fAngleDegrees = 0.0;
  // bVelocity: a key dips by its press's velocity (KeyDownRotation).
  bool bVelocity = false;
  // bDefaultPedalAngle: the pedal follows the fixed pose table; otherwise
  // it turns fPedalAngleDegrees x value / 127 about X.
  bool bDefaultPedalAngle = true;
  double fPedalAngleDegrees = 0.0;
  // bSteps: keys and pedal as steps (motion/step_motion.h), which every
  // reader plays alike; otherwise the classic keyframes, two a note event
  // and one a pedal event.
  bool bSteps = false;
  // Added to every key number; a note that leaves 0..127 is dropped.
  int nTranspose = 0;
  std::string strModelName = vmd::kModelName;
};

// The rotation written for a key pressed with nVelocity (1..127) under
// these settings. Without bVelocity, or at 127, every press turns by the
// whole angle; with it, a press turns by the angle x (0.25 + 0.75 x
// velocity / 127), so the softest notes still show a quarter of the dip.
Quaternion KeyDownRotation(const ExportSettings& settings, int nVelocity = 127);
// The rotation written for a pedal keyframe of nValue (0..127).
Quaternion PedalRotation(const ExportSettings& settings, int nValue);

#endif  // SONOMOT_MOTION_EXPORT_SETTINGS_H_
