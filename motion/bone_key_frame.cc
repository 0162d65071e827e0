#include "motion/bone_key_frame.h"

namespace {
// A key pressed: -0.04 rad about X.
const Quaternion kKeyDownRotation(0.999799013f, -0.0199986007f, 0.0f, 0.0f);
// The pedal's deepest pose, about -8.52 degrees about X; a pedal keyframe
// blends from it toward the identity.
const Quaternion kPedalRotation(0.997188985f, -0.0742970034f, 0.0f, 0.0f);
// How far the pedal can travel toward kPedalRotation, as a float.
constexpr float kPedalTravel = 0.7f;
}  // namespace

Quaternion PoseRotation(int32_t nKind, int32_t nValue) {
  if (nKind == BoneKeyFrame::KeyUp) return Quaternion();
  if (nKind == BoneKeyFrame::KeyDown) return kKeyDownRotation;
  if (nValue == 0) return Quaternion();
  // The factor is formed in double from the float travel and rounded to a
  // float before the blend, so every value maps to one fixed rotation.
  float fT = static_cast<float>(1.0 - (nValue / 127.0) * static_cast<double>(kPedalTravel));
  Quaternion q = kPedalRotation;
  q.Nlerp(Quaternion(), fT);
  return q;
}
