#include "motion/vmd_record.h"

#include <cstring>

#include "motion/bone_key_frame.h"
#include "motion/vmd_format.h"

namespace vmd {

void AppendUInt32(std::vector<uint8_t>* pBytes, uint32_t nValue) {
  pBytes->push_back(static_cast<uint8_t>(nValue));
  pBytes->push_back(static_cast<uint8_t>(nValue >> 8));
  pBytes->push_back(static_cast<uint8_t>(nValue >> 16));
  pBytes->push_back(static_cast<uint8_t>(nValue >> 24));
}

void AppendFloat(std::vector<uint8_t>* pBytes, float fValue) {
  uint32_t nBits;
  std::memcpy(&nBits, &fValue, sizeof nBits);
  AppendUInt32(pBytes, nBits);
}

void AppendByte(std::vector<uint8_t>* pBytes, int nValue) {
  pBytes->push_back(static_cast<uint8_t>(nValue));
}

void AppendFixedString(std::vector<uint8_t>* pBytes, const char* psz, int nWidth) {
  if (nWidth < 1) return;
  size_t nText = strnlen(psz, static_cast<size_t>(nWidth) - 1);
  pBytes->insert(pBytes->end(), psz, psz + nText);
  pBytes->push_back(0x00);
  pBytes->insert(pBytes->end(), static_cast<size_t>(nWidth) - nText - 1, 0xFD);
}

void AppendRecord(std::vector<uint8_t>* pBytes, const BoneKeyFrame& keyFrame) {
  AppendFixedString(pBytes, keyFrame.name, kBoneNameWidth);
  AppendUInt32(pBytes, static_cast<uint32_t>(keyFrame.frame));
  // The keys and the pedal only turn: the position stays at the origin.
  AppendFloat(pBytes, 0.0f);
  AppendFloat(pBytes, 0.0f);
  AppendFloat(pBytes, 0.0f);
  Quaternion rotation = PoseRotation(keyFrame.kind, keyFrame.value);
  AppendFloat(pBytes, rotation.m_fX);
  AppendFloat(pBytes, rotation.m_fY);
  AppendFloat(pBytes, rotation.m_fZ);
  AppendFloat(pBytes, rotation.m_fW);
  for (uint8_t nByte : kInterpolation) AppendByte(pBytes, nByte);
}

namespace {

void PutUInt32(uint8_t* p, uint32_t nValue) {
  p[0] = static_cast<uint8_t>(nValue);
  p[1] = static_cast<uint8_t>(nValue >> 8);
  p[2] = static_cast<uint8_t>(nValue >> 16);
  p[3] = static_cast<uint8_t>(nValue >> 24);
}

void PutFloat(uint8_t* p, float fValue) {
  uint32_t nBits;
  std::memcpy(&nBits, &fValue, sizeof nBits);
  PutUInt32(p, nBits);
}

}  // namespace

void PutRecordFrame(uint8_t* p, uint32_t nFrame) { PutUInt32(p + kFrameOffset, nFrame); }

void PutRecordRotation(uint8_t* p, const Quaternion& rotation) {
  PutFloat(p + kRotationOffset, rotation.m_fX);
  PutFloat(p + kRotationOffset + 4, rotation.m_fY);
  PutFloat(p + kRotationOffset + 8, rotation.m_fZ);
  PutFloat(p + kRotationOffset + 12, rotation.m_fW);
}

}  // namespace vmd
