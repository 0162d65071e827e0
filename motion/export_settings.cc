#include "motion/export_settings.h"

#include <cmath>

#include "motion/bone_key_frame.h"

namespace {

constexpr double kDegree = 3.14159265358979323846 / 180.0;

// A turn of fRadians about X, formed in double and stored as floats.
Quaternion TurnAboutX(double fRadians) {
  double fHalf = fRadians / 2.0;
  return Quaternion(static_cast<float>(std::cos(fHalf)), static_cast<float>(std::sin(fHalf)),
                    0.0f, 0.0f);
}

}  // namespace

Quaternion KeyDownRotation(const ExportSettings& settings, int nVelocity) {
  bool bWhole = !settings.bVelocity || nVelocity >= 127;
  if (settings.bDefaultAngle && bWhole) return PoseRotation(BoneKeyFrame::KeyDown, 0);
  double fRadians;
  if (settings.bDefaultAngle) {
    // The fixed pose's own angle, so that a scaled dip shares its axis and
    // sign.
    Quaternion q = PoseRotation(BoneKeyFrame::KeyDown, 0);
    fRadians = 2.0 * std::atan2(static_cast<double>(q.m_fX), static_cast<double>(q.m_fW));
  } else {
    fRadians = settings.fAngleDegrees * kDegree;
  }
  if (!bWhole) {
    int nClamped = nVelocity < 0 ? 0 : nVelocity;
    fRadians *= 0.25 + 0.75 * nClamped / 127.0;
  }
  return TurnAboutX(fRadians);
}

Quaternion PedalRotation(const ExportSettings& settings, int nValue) {
  if (settings.bDefaultPedalAngle) return PoseRotation(BoneKeyFrame::Pedal, nValue);
  if (nValue <= 0) return Quaternion();
  return TurnAboutX(settings.fPedalAngleDegrees * kDegree * (nValue > 127 ? 127 : nValue) /
                    127.0);
}
