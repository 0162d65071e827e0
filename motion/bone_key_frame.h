// BoneKeyFrame: one keyframe of the key and pedal motion, and the pose a
// keyframe of each kind is written with.
#ifndef SONOMOT_MOTION_BONE_KEY_FRAME_H_
#define SONOMOT_MOTION_BONE_KEY_FRAME_H_

#include <cstdint>

#include "motion/quaternion.h"
#include "motion/vector3.h"

struct BoneKeyFrame {
  // Kinds. Any kind other than KeyUp and KeyDown is written as Pedal.
  static constexpr int32_t KeyUp = 0;    // key at rest
  static constexpr int32_t KeyDown = 1;  // key pressed
  static constexpr int32_t Pedal = 2;    // sustain pedal at value

  // The bone: the key prefix and "%03d" with the key, or the pedal's name;
  // zero terminated.
  char name[15] = {};
  // An event's time, or one less for the companion keyframe before it.
  int32_t frame = 0;
  // The members keep their defaults: the written pose comes from kind and
  // value (PoseRotation).
  Vector3 position;
  Quaternion rotation;
  int32_t kind = KeyUp;
  // For Pedal: the controller value, 0 to 127.
  int32_t value = 0;
};

// The rotation written for a keyframe of nKind (and nValue for a pedal):
// KeyUp the identity; KeyDown a turn of -0.04 rad about X; a pedal turns
// from the identity at 0 toward about -5.97 degrees at 127.
Quaternion PoseRotation(int32_t nKind, int32_t nValue);

#endif  // SONOMOT_MOTION_BONE_KEY_FRAME_H_
