#include "motion/vector3.h"

#include <cmath>

#include "motion/matrix4.h"
#include "motion/quaternion.h"

namespace {
constexpr float kPi = 3.1415927f;
}  // namespace

float Vector3::LengthSquared() const {
  return m_fX * m_fX + m_fY * m_fY + m_fZ * m_fZ;
}

float Vector3::Length() const { return std::sqrt(LengthSquared()); }

void Vector3::Normalize() {
  float fLength = Length();
  if (fLength > 0.0f) {
    m_fX /= fLength;
    m_fY /= fLength;
    m_fZ /= fLength;
  } else {
    Set(0.0f, 0.0f, 0.0f);
  }
}

float Vector3::Dot(const Vector3& v) const {
  return m_fX * v.m_fX + m_fY * v.m_fY + m_fZ * v.m_fZ;
}

Vector3 Vector3::Cross(const Vector3& v) const {
  return Vector3(m_fY * v.m_fZ - m_fZ * v.m_fY, m_fZ * v.m_fX - m_fX * v.m_fZ,
                 m_fX * v.m_fY - m_fY * v.m_fX);
}

float Vector3::AngleTo(const Vector3& v) const {
  float fLength = Length();
  float fOtherLength = v.Length();
  if (fLength == 0.0f || fOtherLength == 0.0f) return 0.0f;
  float fCos = Dot(v) / (fLength * fOtherLength);
  if (fCos >= 1.0f) return 0.0f;
  if (fCos <= -1.0f) return kPi;
  return std::acos(fCos);
}

void Vector3::Transform(const Matrix4& m) { *this = Transformed(m); }

Vector3 Vector3::Transformed(const Matrix4& m) const {
  const float(&a)[4][4] = m.m_af;
  return Vector3(m_fX * a[0][0] + m_fY * a[1][0] + m_fZ * a[2][0] + a[3][0],
                 m_fX * a[0][1] + m_fY * a[1][1] + m_fZ * a[2][1] + a[3][1],
                 m_fX * a[0][2] + m_fY * a[1][2] + m_fZ * a[2][2] + a[3][2]);
}

void Vector3::Rotate(const Quaternion& q) { *this = Rotated(q); }

Vector3 Vector3::Rotated(const Quaternion& q) const {
  Quaternion r = q.Multiplied(Quaternion(0.0f, m_fX, m_fY, m_fZ))
                     .Multiplied(q.Conjugated());
  return Vector3(r.m_fX, r.m_fY, r.m_fZ);
}

Vector3 Vector3::FromMatrix(const Matrix4& m) {
  return Vector3(m.m_af[3][0], m.m_af[3][1], m.m_af[3][2]);
}

Vector3 Vector3::FromQuaternion(const Quaternion& q) {
  return Vector3(q.m_fX, q.m_fY, q.m_fZ);
}
