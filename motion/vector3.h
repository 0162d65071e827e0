// Vector3: a point or direction in single precision (X, Y, Z).
#ifndef SONOMOT_MOTION_VECTOR3_H_
#define SONOMOT_MOTION_VECTOR3_H_

class Matrix4;
class Quaternion;

class Vector3 {
 public:
  Vector3() : m_fX(0.0f), m_fY(0.0f), m_fZ(0.0f) {}
  Vector3(float fX, float fY, float fZ) : m_fX(fX), m_fY(fY), m_fZ(fZ) {}
  Vector3(const Vector3& v) = default;
  Vector3& operator=(const Vector3& v) = default;
  virtual ~Vector3() = default;

  void Set(float fX, float fY, float fZ) {
    m_fX = fX;
    m_fY = fY;
    m_fZ = fZ;
  }
  void SetX(float fX) { m_fX = fX; }
  void SetY(float fY) { m_fY = fY; }
  void SetZ(float fZ) { m_fZ = fZ; }

  float LengthSquared() const;
  float Length() const;
  // Divides by the length when it is greater than 0, else becomes (0, 0, 0).
  void Normalize();
  float Dot(const Vector3& v) const;
  Vector3 Cross(const Vector3& v) const;
  // Radians in [0, pi]; 0 when either vector has length 0.
  float AngleTo(const Vector3& v) const;

  // (x, y, z, 1) x m; the fourth column of m is ignored.
  void Transform(const Matrix4& m);
  Vector3 Transformed(const Matrix4& m) const;
  // q x (0, v) x conjugate(q), the vector part kept.
  void Rotate(const Quaternion& q);
  Vector3 Rotated(const Quaternion& q) const;

  // The translation row (m30, m31, m32) of m.
  static Vector3 FromMatrix(const Matrix4& m);
  // The vector part (X, Y, Z) of q.
  static Vector3 FromQuaternion(const Quaternion& q);

  float m_fX;
  float m_fY;
  float m_fZ;
};

#endif  // SONOMOT_MOTION_VECTOR3_H_
