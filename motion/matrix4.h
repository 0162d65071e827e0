// Matrix4: a 4 x 4 single-precision matrix stored row by row. A point is a
// row vector: (x, y, z, 1) x M, so the translation is the fourth row
// (m30, m31, m32).
#ifndef SONOMOT_MOTION_MATRIX4_H_
#define SONOMOT_MOTION_MATRIX4_H_

class Quaternion;
class Vector3;

class Matrix4 {
 public:
  // The identity matrix.
  Matrix4();
  Matrix4(const Matrix4& m) = default;
  Matrix4& operator=(const Matrix4& m) = default;
  virtual ~Matrix4() = default;

  float Get(int nRow, int nColumn) const { return m_af[nRow][nColumn]; }
  void Set(int nRow, int nColumn, float f) { m_af[nRow][nColumn] = f; }

  // this x m.
  void Multiply(const Matrix4& m);
  Matrix4 Multiplied(const Matrix4& m) const;
  // this x the rotation matrix of q.
  void Multiply(const Quaternion& q);
  Matrix4 Multiplied(const Quaternion& q) const;

  // The rotation matrix of q; fourth row and column (0, 0, 0, 1).
  static Matrix4 FromQuaternion(const Quaternion& q);
  // Replaces the rotation by its inverse (through the conjugate of its
  // quaternion) and clears the translation.
  void InvertRotation();

  void SetTranslation(const Vector3& v);
  void AddTranslation(const Vector3& v);
  void SubtractTranslation(const Vector3& v);

  float m_af[4][4];
};

#endif  // SONOMOT_MOTION_MATRIX4_H_
