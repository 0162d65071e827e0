// Quaternion: a rotation in single precision, stored W, X, Y, Z (scalar
// part first). A rotation by angle a about the unit axis n is
// (cos(a/2), n x sin(a/2)); angles are in radians. The VMD file stores the
// components in the order X, Y, Z, W; the writer reorders them.
#ifndef SONOMOT_MOTION_QUATERNION_H_
#define SONOMOT_MOTION_QUATERNION_H_

class Matrix4;
class Vector3;

class Quaternion {
 public:
  // The identity rotation.
  Quaternion() : m_fW(1.0f), m_fX(0.0f), m_fY(0.0f), m_fZ(0.0f) {}
  Quaternion(float fW, float fX, float fY, float fZ)
      : m_fW(fW), m_fX(fX), m_fY(fY), m_fZ(fZ) {}
  Quaternion(const Quaternion& q) = default;
  Quaternion& operator=(const Quaternion& q) = default;
  virtual ~Quaternion() = default;

  void Set(float fW, float fX, float fY, float fZ) {
    m_fW = fW;
    m_fX = fX;
    m_fY = fY;
    m_fZ = fZ;
  }

  // Moves this quaternion toward q by fT, along the shorter arc (q is
  // negated when the dot product is negative), and normalises the linear
  // blend. Becomes the identity when the blend has no length.
  void Nlerp(const Quaternion& q, float fT);
  // Scales to length 1; the zero quaternion becomes the identity.
  void Normalize();

  // Component-wise sum, product and quotient with a float.
  void Add(const Quaternion& q);
  Quaternion Added(const Quaternion& q) const;
  void Multiply(float f);
  Quaternion Multiplied(float f) const;
  void Divide(float f);
  Quaternion Divided(float f) const;
  // Hamilton product this x q (apply q first, then this).
  void Multiply(const Quaternion& q);
  Quaternion Multiplied(const Quaternion& q) const;
  // this x the rotation of m.
  void Multiply(const Matrix4& m);
  Quaternion Multiplied(const Matrix4& m) const;
  // (W, -X, -Y, -Z).
  void Conjugate();
  Quaternion Conjugated() const;
  // True only for exactly (1, 0, 0, 0).
  bool IsIdentity() const;

  // (1 - fT) x this + fT x q, not normalised.
  Quaternion Lerp(const Quaternion& q, float fT) const;
  // Spherical interpolation without sign correction; see the .cc for the
  // thresholds near 0 and pi.
  Quaternion Slerp(const Quaternion& q, float fT) const;

  static Quaternion FromAxisAngle(const Vector3& axis, float fAngle);
  // The axis is (0, 1, 0) when the vector part is (nearly) zero.
  void ToAxisAngle(Vector3* pAxis, float* pfAngle) const;
  // The rotation turning direction from toward direction to; the identity
  // when they are parallel or either is zero.
  static Quaternion FromVectors(const Vector3& from, const Vector3& to);
  // Euler angles: fX the bank (about X), fY the heading (about Y), fZ the
  // attitude (about Z); heading applied last.
  static Quaternion FromEuler(float fX, float fY, float fZ);
  void ToEuler(float* pfX, float* pfY, float* pfZ) const;
  // The same, but at the poles (attitude +-pi/2) the heading takes the
  // whole turn and the bank is 0, so nothing flips there.
  void ToEulerSnapped(float* pfX, float* pfY, float* pfZ) const;
  // The rotation part of m (m a rotation matrix, rows as in Matrix4).
  static Quaternion FromMatrix(const Matrix4& m);

  float m_fW;
  float m_fX;
  float m_fY;
  float m_fZ;
};

#endif  // SONOMOT_MOTION_QUATERNION_H_
