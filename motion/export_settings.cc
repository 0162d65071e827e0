#include "motion/export_settings.h"

#include <cmath>

#include "motion/bone_key_frame.h"

Quaternion KeyDownRotation(const ExportSettings& settings) {
  if (settings.bDefaultAngle) return PoseRotation(BoneKeyFrame::KeyDown, 0);
  // Half the angle, in radians, formed in double and stored as floats.
  double fHalf = settings.fAngleDegrees * (std::acos(-1.0) / 180.0) / 2.0;
  return Quaternion(static_cast<float>(std::cos(fHalf)), static_cast<float>(std::sin(fHalf)),
                    0.0f, 0.0f);
}
