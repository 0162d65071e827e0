#include "motion/quaternion.h"

#include <algorithm>
#include <cmath>

#include "motion/matrix4.h"
#include "motion/vector3.h"

namespace {
// The single-precision machine epsilon: below it a length or angle counts
// as zero.
constexpr float kEpsilon = 1.1920929e-7f;
constexpr float kHalfPi = 1.5707964f;
}  // namespace

void Quaternion::Nlerp(const Quaternion& q, float fT) {
  float fDot = m_fW * q.m_fW + m_fX * q.m_fX + m_fY * q.m_fY + m_fZ * q.m_fZ;
  float* apf[4] = {&m_fW, &m_fX, &m_fY, &m_fZ};
  const float afOther[4] = {q.m_fW, q.m_fX, q.m_fY, q.m_fZ};
  // A negative dot product means q is more than half a turn away: blending
  // toward -q (the same rotation) takes the shorter arc. NaN goes the
  // ordinary way.
  if (fDot < 0.0f) {
    for (int i = 0; i < 4; ++i) *apf[i] = *apf[i] + (-fT) * (afOther[i] + *apf[i]);
  } else {
    for (int i = 0; i < 4; ++i) *apf[i] = *apf[i] + fT * (afOther[i] - *apf[i]);
  }
  float fLength = std::sqrt(m_fW * m_fW + m_fX * m_fX + m_fY * m_fY + m_fZ * m_fZ);
  if (fLength > 0.0f) {
    float fInverse = 1.0f / fLength;
    for (int i = 0; i < 4; ++i) *apf[i] = *apf[i] * fInverse;
  } else {
    Set(1.0f, 0.0f, 0.0f, 0.0f);
  }
}

void Quaternion::Normalize() {
  float fLength = std::sqrt(m_fW * m_fW + m_fX * m_fX + m_fY * m_fY + m_fZ * m_fZ);
  if (fLength == 0.0f) {
    Set(1.0f, 0.0f, 0.0f, 0.0f);
    return;
  }
  m_fW /= fLength;
  m_fX /= fLength;
  m_fY /= fLength;
  m_fZ /= fLength;
}

void Quaternion::Add(const Quaternion& q) { *this = Added(q); }

Quaternion Quaternion::Added(const Quaternion& q) const {
  return Quaternion(m_fW + q.m_fW, m_fX + q.m_fX, m_fY + q.m_fY, m_fZ + q.m_fZ);
}

void Quaternion::Multiply(float f) { *this = Multiplied(f); }

Quaternion Quaternion::Multiplied(float f) const {
  return Quaternion(m_fW * f, m_fX * f, m_fY * f, m_fZ * f);
}

void Quaternion::Divide(float f) { *this = Divided(f); }

Quaternion Quaternion::Divided(float f) const {
  return Quaternion(m_fW / f, m_fX / f, m_fY / f, m_fZ / f);
}

void Quaternion::Multiply(const Quaternion& q) { *this = Multiplied(q); }

Quaternion Quaternion::Multiplied(const Quaternion& q) const {
  return Quaternion(
      m_fW * q.m_fW - m_fX * q.m_fX - m_fY * q.m_fY - m_fZ * q.m_fZ,
      m_fW * q.m_fX + m_fX * q.m_fW + m_fY * q.m_fZ - m_fZ * q.m_fY,
      m_fW * q.m_fY + m_fY * q.m_fW + m_fZ * q.m_fX - m_fX * q.m_fZ,
      m_fW * q.m_fZ + m_fZ * q.m_fW + m_fX * q.m_fY - m_fY * q.m_fX);
}

void Quaternion::Multiply(const Matrix4& m) { Multiply(FromMatrix(m)); }

Quaternion Quaternion::Multiplied(const Matrix4& m) const {
  return Multiplied(FromMatrix(m));
}

void Quaternion::Conjugate() { *this = Conjugated(); }

Quaternion Quaternion::Conjugated() const {
  return Quaternion(m_fW, -m_fX, -m_fY, -m_fZ);
}

bool Quaternion::IsIdentity() const {
  return m_fW == 1.0f && m_fX == 0.0f && m_fY == 0.0f && m_fZ == 0.0f;
}

Quaternion Quaternion::Lerp(const Quaternion& q, float fT) const {
  return Multiplied(1.0f - fT).Added(q.Multiplied(fT));
}

Quaternion Quaternion::Slerp(const Quaternion& q, float fT) const {
  float fCos = m_fW * q.m_fW + m_fX * q.m_fX + m_fY * q.m_fY + m_fZ * q.m_fZ;
  fCos = std::clamp(fCos, -1.0f, 1.0f);
  float fTheta = std::acos(fCos);
  // Nearly the same rotation: nothing to interpolate.
  if (std::fabs(fTheta) < 0.01f) return *this;
  float fSin = std::sqrt(1.0f - fCos * fCos);
  // Nearly opposite: the arc is undefined, take the midpoint.
  if (std::fabs(fSin) < 0.01f) return Multiplied(0.5f).Added(q.Multiplied(0.5f));
  float fA = std::sin((1.0f - fT) * fTheta) / fSin;
  float fB = std::sin(fT * fTheta) / fSin;
  return Multiplied(fA).Added(q.Multiplied(fB));
}

Quaternion Quaternion::FromAxisAngle(const Vector3& axis, float fAngle) {
  Vector3 n = axis;
  n.Normalize();
  float fSin = std::sin(fAngle / 2.0f);
  return Quaternion(std::cos(fAngle / 2.0f), n.m_fX * fSin, n.m_fY * fSin,
                    n.m_fZ * fSin);
}

void Quaternion::ToAxisAngle(Vector3* pAxis, float* pfAngle) const {
  Vector3 axis(m_fX, m_fY, m_fZ);
  if (axis.Length() <= kEpsilon) {
    axis.Set(0.0f, 1.0f, 0.0f);
  } else {
    axis.Normalize();
  }
  *pAxis = axis;
  // Also for W near 0 (a half turn) the angle is 2 acos(W), about pi.
  *pfAngle = 2.0f * std::acos(std::clamp(m_fW, -1.0f, 1.0f));
}

Quaternion Quaternion::FromVectors(const Vector3& from, const Vector3& to) {
  Vector3 axis = from.Cross(to);
  float fAngle = from.AngleTo(to);
  float fAxisLength = axis.Length();
  if ((fAxisLength >= -kEpsilon && fAxisLength <= kEpsilon) ||
      (fAngle >= -kEpsilon && fAngle <= kEpsilon)) {
    return Quaternion();
  }
  Quaternion q = FromAxisAngle(axis, fAngle);
  q.Normalize();
  return q;
}

Quaternion Quaternion::FromEuler(float fX, float fY, float fZ) {
  float c1 = std::cos(fY / 2.0f), s1 = std::sin(fY / 2.0f);  // heading
  float c2 = std::cos(fZ / 2.0f), s2 = std::sin(fZ / 2.0f);  // attitude
  float c3 = std::cos(fX / 2.0f), s3 = std::sin(fX / 2.0f);  // bank
  return Quaternion(c1 * c2 * c3 - s1 * s2 * s3, s1 * s2 * c3 + c1 * c2 * s3,
                    s1 * c2 * c3 + c1 * s2 * s3, c1 * s2 * c3 - s1 * c2 * s3);
}

void Quaternion::ToEuler(float* pfX, float* pfY, float* pfZ) const {
  float sqw = m_fW * m_fW, sqx = m_fX * m_fX, sqy = m_fY * m_fY, sqz = m_fZ * m_fZ;
  float fUnit = sqw + sqx + sqy + sqz;
  float fTest = m_fX * m_fY + m_fZ * m_fW;
  *pfY = std::atan2(2.0f * m_fY * m_fW - 2.0f * m_fX * m_fZ, sqx - sqy - sqz + sqw);
  *pfZ = std::asin(std::clamp(2.0f * fTest / fUnit, -1.0f, 1.0f));
  *pfX = std::atan2(2.0f * m_fX * m_fW - 2.0f * m_fY * m_fZ, -sqx + sqy - sqz + sqw);
}

void Quaternion::ToEulerSnapped(float* pfX, float* pfY, float* pfZ) const {
  float fUnit = m_fW * m_fW + m_fX * m_fX + m_fY * m_fY + m_fZ * m_fZ;
  float fTest = m_fX * m_fY + m_fZ * m_fW;
  if (fTest > 0.499f * fUnit) {
    *pfY = 2.0f * std::atan2(m_fX, m_fW);
    *pfZ = kHalfPi;
    *pfX = 0.0f;
    return;
  }
  if (fTest < -0.499f * fUnit) {
    *pfY = -2.0f * std::atan2(m_fX, m_fW);
    *pfZ = -kHalfPi;
    *pfX = 0.0f;
    return;
  }
  ToEuler(pfX, pfY, pfZ);
}

Quaternion Quaternion::FromMatrix(const Matrix4& m) {
  const float(&a)[4][4] = m.m_af;
  float fTrace = a[0][0] + a[1][1] + a[2][2];
  // Divide by the largest of 4W, 4X, 4Y, 4Z so the result stays accurate.
  if (fTrace > 0.0f) {
    float s = std::sqrt(fTrace + 1.0f) * 2.0f;
    return Quaternion(0.25f * s, (a[1][2] - a[2][1]) / s, (a[2][0] - a[0][2]) / s,
                      (a[0][1] - a[1][0]) / s);
  }
  if (a[0][0] > a[1][1] && a[0][0] > a[2][2]) {
    float s = std::sqrt(1.0f + a[0][0] - a[1][1] - a[2][2]) * 2.0f;
    return Quaternion((a[1][2] - a[2][1]) / s, 0.25f * s, (a[0][1] + a[1][0]) / s,
                      (a[0][2] + a[2][0]) / s);
  }
  if (a[1][1] > a[2][2]) {
    float s = std::sqrt(1.0f + a[1][1] - a[0][0] - a[2][2]) * 2.0f;
    return Quaternion((a[2][0] - a[0][2]) / s, (a[0][1] + a[1][0]) / s, 0.25f * s,
                      (a[1][2] + a[2][1]) / s);
  }
  float s = std::sqrt(1.0f + a[2][2] - a[0][0] - a[1][1]) * 2.0f;
  return Quaternion((a[0][1] - a[1][0]) / s, (a[0][2] + a[2][0]) / s,
                    (a[1][2] + a[2][1]) / s, 0.25f * s);
}
