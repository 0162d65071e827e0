#include "motion/matrix4.h"

#include "motion/quaternion.h"
#include "motion/vector3.h"

Matrix4::Matrix4() {
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) m_af[i][j] = i == j ? 1.0f : 0.0f;
  }
}

void Matrix4::Multiply(const Matrix4& m) { *this = Multiplied(m); }

Matrix4 Matrix4::Multiplied(const Matrix4& m) const {
  Matrix4 r;
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) {
      r.m_af[i][j] = m_af[i][0] * m.m_af[0][j] + m_af[i][1] * m.m_af[1][j] +
                     m_af[i][2] * m.m_af[2][j] + m_af[i][3] * m.m_af[3][j];
    }
  }
  return r;
}

void Matrix4::Multiply(const Quaternion& q) { Multiply(FromQuaternion(q)); }

Matrix4 Matrix4::Multiplied(const Quaternion& q) const {
  return Multiplied(FromQuaternion(q));
}

Matrix4 Matrix4::FromQuaternion(const Quaternion& q) {
  const float w = q.m_fW, x = q.m_fX, y = q.m_fY, z = q.m_fZ;
  Matrix4 m;
  m.m_af[0][0] = 1.0f - 2.0f * (y * y + z * z);
  m.m_af[0][1] = 2.0f * (x * y + w * z);
  m.m_af[0][2] = 2.0f * (x * z - w * y);
  m.m_af[1][0] = 2.0f * (x * y - w * z);
  m.m_af[1][1] = 1.0f - 2.0f * (x * x + z * z);
  m.m_af[1][2] = 2.0f * (y * z + w * x);
  m.m_af[2][0] = 2.0f * (x * z + w * y);
  m.m_af[2][1] = 2.0f * (y * z - w * x);
  m.m_af[2][2] = 1.0f - 2.0f * (x * x + y * y);
  return m;
}

void Matrix4::InvertRotation() {
  *this = FromQuaternion(Quaternion::FromMatrix(*this).Conjugated());
}

void Matrix4::SetTranslation(const Vector3& v) {
  m_af[3][0] = v.m_fX;
  m_af[3][1] = v.m_fY;
  m_af[3][2] = v.m_fZ;
}

void Matrix4::AddTranslation(const Vector3& v) {
  m_af[3][0] += v.m_fX;
  m_af[3][1] += v.m_fY;
  m_af[3][2] += v.m_fZ;
}

void Matrix4::SubtractTranslation(const Vector3& v) {
  m_af[3][0] -= v.m_fX;
  m_af[3][1] -= v.m_fY;
  m_af[3][2] -= v.m_fZ;
}
