// The byte-level pieces of a VMD file, each appended to a byte vector:
// numbers, fixed strings and whole bone keyframe records. VmdWriter's
// primitives are these, applied to its image.
#ifndef SONOMOT_MOTION_VMD_RECORD_H_
#define SONOMOT_MOTION_VMD_RECORD_H_

#include <cstdint>
#include <vector>

struct BoneKeyFrame;
class Quaternion;

namespace vmd {

void AppendUInt32(std::vector<uint8_t>* pBytes, uint32_t nValue);
void AppendFloat(std::vector<uint8_t>* pBytes, float fValue);
void AppendByte(std::vector<uint8_t>* pBytes, int nValue);
// REQUIRES: nWidth >= 1 (a smaller width appends nothing).
void AppendFixedString(std::vector<uint8_t>* pBytes, const char* psz, int nWidth);
// One 111-byte record: name, frame, position (0, 0, 0), the rotation of the
// keyframe's pose as X, Y, Z, W, the interpolation block.
void AppendRecord(std::vector<uint8_t>* pBytes, const BoneKeyFrame& keyFrame);
// Overwrites the frame number of the record starting at p.
void PutRecordFrame(uint8_t* p, uint32_t nFrame);
// Overwrites the rotation (X, Y, Z, W) of the record starting at p.
void PutRecordRotation(uint8_t* p, const Quaternion& rotation);

}  // namespace vmd

#endif  // SONOMOT_MOTION_VMD_RECORD_H_
