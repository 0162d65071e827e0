// The VMD motion file as Sonomot writes it. All numbers little-endian,
// integers 32-bit, floats IEEE 754 single precision.
//
//   offset  size     field
//   0       30       signature "Vocaloid Motion Data 0002", fixed string
//   30      20       model name "pmdGRAND", fixed string in Shift-JIS
//   50      4        bone keyframe count N, unsigned
//   54      111 x N  bone keyframe records, in the writer's order
//   then, in the full layout only:
//           20       the morph, camera, light, self-shadow and IK
//                    section counts, each 0
//
// A fixed string of width w is the text (at most w - 1 bytes), one 0x00,
// then 0xFD up to w. The classic layout ends after the last record, with no
// count for the sections that follow; most readers other than the editor
// itself insist on those counts, which the full layout adds.
//
// Record (111 bytes):
//   0   15  bone name (by default "nt%03d" per key, "cc064" for the pedal),
//           fixed string in Shift-JIS (code page 932)
//   15  4   frame number, unsigned, 1/30 s
//   19  12  position X, Y, Z: always 0
//   31  16  rotation quaternion X, Y, Z, W
//   47  64  interpolation block, the same in every record (kInterpolation)
#ifndef SONOMOT_MOTION_VMD_FORMAT_H_
#define SONOMOT_MOTION_VMD_FORMAT_H_

#include <cstdint>

namespace vmd {

inline constexpr char kSignature[] = "Vocaloid Motion Data 0002";
inline constexpr int kSignatureWidth = 30;
inline constexpr char kModelName[] = "pmdGRAND";
inline constexpr int kModelNameWidth = 20;
inline constexpr int kHeaderSize = kSignatureWidth + kModelNameWidth;  // 50
// Header and count: the size of a file without keyframes.
inline constexpr int kEmptyFileSize = kHeaderSize + 4;  // 54

inline constexpr int kBoneNameWidth = 15;
inline constexpr int kFrameOffset = kBoneNameWidth;  // 15
inline constexpr int kRotationOffset = kFrameOffset + 4 + 12;  // 31
inline constexpr int kRecordSize = 111;
// The full layout's counts after the bone keyframes: morph, camera, light,
// self-shadow, IK.
inline constexpr int kEmptySectionCount = 5;
inline constexpr int kEmptySectionsSize = 4 * kEmptySectionCount;  // 20

// Four rows of 16: row 0 holds the x and y of the first and second Bezier
// control points, each a group of four for the X, Y and Z position curves
// and the rotation curve, on a 0..127 scale. Rows 1 to 3 repeat the row
// above shifted left by one byte, with 1, 0, 0 appended. Positions move
// linearly; rotations ease in and out.
inline constexpr uint8_t kInterpolation[64] = {
    20, 20, 20, 20, 20, 20, 20, 0,   107, 107, 107, 107, 107, 107, 107, 127,
    20, 20, 20, 20, 20, 20, 0,  107, 107, 107, 107, 107, 107, 107, 127, 1,
    20, 20, 20, 20, 20, 0,  107, 107, 107, 107, 107, 107, 107, 127, 1, 0,
    20, 20, 20, 20, 0,  107, 107, 107, 107, 107, 107, 107, 127, 1, 0, 0};

}  // namespace vmd

#endif  // SONOMOT_MOTION_VMD_FORMAT_H_
