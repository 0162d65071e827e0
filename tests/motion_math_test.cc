// Vector3, Quaternion and Matrix4: the blend the pedal uses bit for bit,
// and the wider set of rotation operations against each other.
#include <cmath>
#include <type_traits>

#include <gtest/gtest.h>

#include "motion/matrix4.h"
#include "motion/quaternion.h"
#include "motion/vector3.h"

namespace {

constexpr float kTolerance = 1e-5f;

void ExpectQuaternionNear(const Quaternion& expected, const Quaternion& actual) {
  EXPECT_NEAR(expected.m_fW, actual.m_fW, kTolerance);
  EXPECT_NEAR(expected.m_fX, actual.m_fX, kTolerance);
  EXPECT_NEAR(expected.m_fY, actual.m_fY, kTolerance);
  EXPECT_NEAR(expected.m_fZ, actual.m_fZ, kTolerance);
}

void ExpectVectorNear(const Vector3& expected, const Vector3& actual) {
  EXPECT_NEAR(expected.m_fX, actual.m_fX, kTolerance);
  EXPECT_NEAR(expected.m_fY, actual.m_fY, kTolerance);
  EXPECT_NEAR(expected.m_fZ, actual.m_fZ, kTolerance);
}

// The same rotation, allowing for q and -q.
void ExpectSameRotation(const Quaternion& expected, const Quaternion& actual) {
  float fSign = expected.m_fW * actual.m_fW + expected.m_fX * actual.m_fX +
                        expected.m_fY * actual.m_fY + expected.m_fZ * actual.m_fZ <
                    0.0f
                    ? -1.0f
                    : 1.0f;
  ExpectQuaternionNear(expected, actual.Multiplied(fSign));
}

TEST(MotionMathTest, DefaultsAndShape) {
  Vector3 v;
  EXPECT_EQ(0.0f, v.m_fX);
  EXPECT_EQ(0.0f, v.m_fY);
  EXPECT_EQ(0.0f, v.m_fZ);
  Quaternion q;
  EXPECT_TRUE(q.IsIdentity());
  EXPECT_EQ(1.0f, q.m_fW);
  Matrix4 m;
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) EXPECT_EQ(i == j ? 1.0f : 0.0f, m.Get(i, j)) << i << j;
  }
  // One virtual operation, the destructor: the object is its vtable
  // pointer and its floats.
  static_assert(std::has_virtual_destructor_v<Vector3>);
  static_assert(std::has_virtual_destructor_v<Quaternion>);
  static_assert(std::has_virtual_destructor_v<Matrix4>);
  static_assert(sizeof(Quaternion) == sizeof(void*) + 4 * sizeof(float));
  static_assert(sizeof(Matrix4) == sizeof(void*) + 16 * sizeof(float));
  Quaternion stored(0.5f, 0.25f, -0.5f, 0.125f);
  EXPECT_EQ(0.5f, stored.m_fW);
  EXPECT_EQ(0.25f, stored.m_fX);
  EXPECT_EQ(-0.5f, stored.m_fY);
  EXPECT_EQ(0.125f, stored.m_fZ);
  stored.Set(1.0f, 0.0f, 0.0f, 0.0f);
  EXPECT_TRUE(stored.IsIdentity());
  EXPECT_FALSE(Quaternion(1.0f, 0.0f, 0.0f, 1e-30f).IsIdentity());
}

TEST(MotionMathTest, NlerpBlendsTowardTheShorterArcAndNormalises) {
  // The pedal's deepest pose blended toward rest by 0.3.
  Quaternion q(0.997188985f, -0.0742970034f, 0.0f, 0.0f);
  q.Nlerp(Quaternion(), 0.3f);
  EXPECT_NEAR(-0.05204f, q.m_fX, 1e-5f);
  EXPECT_NEAR(0.99865f, q.m_fW, 1e-5f);
  EXPECT_EQ(0.0f, q.m_fY);
  EXPECT_NEAR(1.0f, q.m_fW * q.m_fW + q.m_fX * q.m_fX, 1e-6f);

  Quaternion full(0.997188985f, -0.0742970034f, 0.0f, 0.0f);
  full.Nlerp(Quaternion(), 1.0f);
  EXPECT_TRUE(full.IsIdentity());

  // A negative dot product blends toward the negated other: the same
  // rotation, so the halfway point is still the identity, not zero.
  Quaternion identity;
  identity.Nlerp(Quaternion(-1.0f, 0.0f, 0.0f, 0.0f), 0.5f);
  EXPECT_TRUE(identity.IsIdentity());

  Quaternion start(0.0f, 0.0f, 2.0f, 0.0f);
  start.Nlerp(Quaternion(0.0f, 1.0f, 0.0f, 0.0f), 0.0f);
  EXPECT_EQ(Quaternion(0.0f, 0.0f, 1.0f, 0.0f).m_fY, start.m_fY);

  // No length left: the identity.
  Quaternion zero(0.0f, 0.0f, 0.0f, 0.0f);
  zero.Nlerp(Quaternion(), 0.0f);
  EXPECT_TRUE(zero.IsIdentity());
}

TEST(MotionMathTest, NormalizeScalesToOneOrFallsBackToIdentity) {
  Quaternion zero(0.0f, 0.0f, 0.0f, 0.0f);
  zero.Normalize();
  EXPECT_TRUE(zero.IsIdentity());
  Quaternion two(2.0f, 0.0f, 0.0f, 0.0f);
  two.Normalize();
  EXPECT_TRUE(two.IsIdentity());
  Quaternion q(0.0f, 3.0f, 0.0f, -4.0f);
  q.Normalize();
  EXPECT_EQ(0.6f, q.m_fX);
  EXPECT_EQ(-0.8f, q.m_fZ);

  Vector3 v(3.0f, 0.0f, 4.0f);
  EXPECT_EQ(25.0f, v.LengthSquared());
  EXPECT_EQ(5.0f, v.Length());
  v.Normalize();
  ExpectVectorNear(Vector3(0.6f, 0.0f, 0.8f), v);
  Vector3 none;
  none.Normalize();
  EXPECT_EQ(0.0f, none.Length());
}

TEST(MotionMathTest, VectorProductsAndAngles) {
  Vector3 x(1.0f, 0.0f, 0.0f), y(0.0f, 1.0f, 0.0f), z(0.0f, 0.0f, 1.0f);
  ExpectVectorNear(z, x.Cross(y));
  ExpectVectorNear(x, y.Cross(z));
  ExpectVectorNear(Vector3(0.0f, 0.0f, -1.0f), y.Cross(x));
  EXPECT_EQ(32.0f, Vector3(1, 2, 3).Dot(Vector3(4, 5, 6)));

  EXPECT_NEAR(1.5707964f, x.AngleTo(y), kTolerance);
  EXPECT_EQ(0.0f, x.AngleTo(Vector3(2.0f, 0.0f, 0.0f)));
  EXPECT_EQ(3.1415927f, x.AngleTo(Vector3(-3.0f, 0.0f, 0.0f)));
  EXPECT_EQ(0.0f, x.AngleTo(Vector3()));
  EXPECT_EQ(0.0f, Vector3().AngleTo(x));

  Vector3 set;
  set.SetX(1.0f);
  set.SetY(2.0f);
  set.SetZ(3.0f);
  ExpectVectorNear(Vector3(1.0f, 2.0f, 3.0f), set);
  ExpectVectorNear(Vector3(0.25f, 0.5f, 0.75f),
                   Vector3::FromQuaternion(Quaternion(0.1f, 0.25f, 0.5f, 0.75f)));
}

TEST(MotionMathTest, QuaternionProductsAndBlends) {
  Quaternion a(1.0f, 2.0f, 3.0f, 4.0f), b(5.0f, 6.0f, 7.0f, 8.0f);
  // The Hamilton product, worked out by hand, and its order: i x j = k,
  // j x i = -k.
  ExpectQuaternionNear(Quaternion(-60.0f, 12.0f, 30.0f, 24.0f), a.Multiplied(b));
  ExpectQuaternionNear(Quaternion(0, 0, 0, 1), Quaternion(0, 1, 0, 0).Multiplied(Quaternion(0, 0, 1, 0)));
  ExpectQuaternionNear(Quaternion(0, 0, 0, -1), Quaternion(0, 0, 1, 0).Multiplied(Quaternion(0, 1, 0, 0)));
  Quaternion chain = a;
  chain.Add(b);
  chain.Divide(2.0f);
  chain.Multiply(4.0f);
  chain.Conjugate();
  ExpectQuaternionNear(Quaternion(12.0f, -16.0f, -20.0f, -24.0f), chain);
  // The linear blend is not normalised.
  ExpectQuaternionNear(Quaternion(3.0f, 4.0f, 5.0f, 6.0f), a.Lerp(b, 0.5f));
}

TEST(MotionMathTest, SlerpFollowsTheArcAndItsThresholds) {
  Quaternion start;
  Quaternion quarter = Quaternion::FromAxisAngle(Vector3(0, 0, 1), 1.5707964f);
  ExpectQuaternionNear(Quaternion::FromAxisAngle(Vector3(0, 0, 1), 0.5f * 1.5707964f),
                       start.Slerp(quarter, 0.5f));
  ExpectQuaternionNear(quarter, start.Slerp(quarter, 1.0f));
  // Nearly the same: unchanged.
  Quaternion close = Quaternion::FromAxisAngle(Vector3(0, 0, 1), 0.01f);
  ExpectQuaternionNear(start, start.Slerp(close, 1.0f));
  // Opposite: the midpoint, with no sign correction.
  ExpectQuaternionNear(Quaternion(0, 0, 0, 0), start.Slerp(Quaternion(-1, 0, 0, 0), 0.3f));
}

TEST(MotionMathTest, AxisAngleAndVectorToVector) {
  Quaternion q = Quaternion::FromAxisAngle(Vector3(0.0f, 0.0f, 2.0f), 1.0f);
  ExpectQuaternionNear(Quaternion(std::cos(0.5f), 0.0f, 0.0f, std::sin(0.5f)), q);
  Vector3 axis;
  float fAngle;
  q.ToAxisAngle(&axis, &fAngle);
  ExpectVectorNear(Vector3(0.0f, 0.0f, 1.0f), axis);
  EXPECT_NEAR(1.0f, fAngle, kTolerance);
  Quaternion().ToAxisAngle(&axis, &fAngle);
  ExpectVectorNear(Vector3(0.0f, 1.0f, 0.0f), axis);
  EXPECT_EQ(0.0f, fAngle);
  // A half turn keeps its angle, pi.
  Quaternion(0.0f, 1.0f, 0.0f, 0.0f).ToAxisAngle(&axis, &fAngle);
  EXPECT_NEAR(3.1415927f, fAngle, kTolerance);

  Quaternion turn = Quaternion::FromVectors(Vector3(1, 0, 0), Vector3(0, 2, 0));
  ExpectVectorNear(Vector3(0, 1, 0), Vector3(1, 0, 0).Rotated(turn));
  EXPECT_TRUE(Quaternion::FromVectors(Vector3(1, 0, 0), Vector3(3, 0, 0)).IsIdentity());
  EXPECT_TRUE(Quaternion::FromVectors(Vector3(), Vector3(0, 1, 0)).IsIdentity());
}

TEST(MotionMathTest, EulerAnglesRoundTripAndSnapAtThePoles) {
  const float aafAngles[][3] = {{0.1f, 0.2f, 0.3f}, {-1.0f, 0.5f, -0.25f}, {2.0f, -2.5f, 1.2f}};
  for (const auto& afAngle : aafAngles) {
    Quaternion q = Quaternion::FromEuler(afAngle[0], afAngle[1], afAngle[2]);
    EXPECT_NEAR(1.0f, q.m_fW * q.m_fW + q.m_fX * q.m_fX + q.m_fY * q.m_fY + q.m_fZ * q.m_fZ, 1e-5f);
    float fX, fY, fZ;
    q.ToEuler(&fX, &fY, &fZ);
    ExpectSameRotation(q, Quaternion::FromEuler(fX, fY, fZ));
    q.ToEulerSnapped(&fX, &fY, &fZ);
    ExpectSameRotation(q, Quaternion::FromEuler(fX, fY, fZ));
  }
  // Single axes: bank about X, heading about Y, attitude about Z.
  ExpectQuaternionNear(Quaternion::FromAxisAngle(Vector3(1, 0, 0), 0.7f),
                       Quaternion::FromEuler(0.7f, 0.0f, 0.0f));
  ExpectQuaternionNear(Quaternion::FromAxisAngle(Vector3(0, 1, 0), 0.7f),
                       Quaternion::FromEuler(0.0f, 0.7f, 0.0f));
  ExpectQuaternionNear(Quaternion::FromAxisAngle(Vector3(0, 0, 1), 0.7f),
                       Quaternion::FromEuler(0.0f, 0.0f, 0.7f));
  // At the pole the snapped form gives the attitude exactly and no bank.
  Quaternion pole = Quaternion::FromEuler(0.3f, 0.4f, 1.5707964f);
  float fX, fY, fZ;
  pole.ToEulerSnapped(&fX, &fY, &fZ);
  EXPECT_EQ(1.5707964f, fZ);
  EXPECT_EQ(0.0f, fX);
  ExpectSameRotation(pole, Quaternion::FromEuler(fX, fY, fZ));
  Quaternion southPole = Quaternion::FromEuler(0.0f, 0.4f, -1.5707964f);
  southPole.ToEulerSnapped(&fX, &fY, &fZ);
  EXPECT_EQ(-1.5707964f, fZ);
  ExpectSameRotation(southPole, Quaternion::FromEuler(fX, fY, fZ));
}

TEST(MotionMathTest, MatrixAndQuaternionAgree) {
  Quaternion q = Quaternion::FromAxisAngle(Vector3(1.0f, 2.0f, -0.5f), 0.8f);
  Matrix4 m = Matrix4::FromQuaternion(q);
  EXPECT_NEAR(2.0f * (q.m_fX * q.m_fY + q.m_fW * q.m_fZ), m.Get(0, 1), kTolerance);
  EXPECT_EQ(0.0f, m.Get(3, 0));
  EXPECT_EQ(1.0f, m.Get(3, 3));
  Vector3 v(0.3f, -1.0f, 2.0f);
  // The point as a row vector times the matrix turns as the quaternion does.
  ExpectVectorNear(v.Rotated(q), v.Transformed(m));
  Vector3 inPlace = v;
  inPlace.Rotate(q);
  ExpectVectorNear(v.Rotated(q), inPlace);

  // Back from the matrix, through each branch: positive trace, then each
  // diagonal element largest (half turns about X, Y and Z).
  const Quaternion aQ[] = {q, Quaternion(0.0f, 1.0f, 0.0f, 0.0f), Quaternion(0.0f, 0.0f, 1.0f, 0.0f),
                           Quaternion(0.0f, 0.0f, 0.0f, 1.0f),
                           Quaternion::FromAxisAngle(Vector3(1, 1, 0), 3.0f)};
  for (const Quaternion& each : aQ) ExpectSameRotation(each, Quaternion::FromMatrix(Matrix4::FromQuaternion(each)));

  Quaternion other = Quaternion::FromAxisAngle(Vector3(0, 1, 0), 0.4f);
  ExpectQuaternionNear(q.Multiplied(other), q.Multiplied(Matrix4::FromQuaternion(other)));
  // Matrix products compose in the order the point meets them.
  Matrix4 both = m.Multiplied(other);
  ExpectVectorNear(v.Transformed(m).Transformed(Matrix4::FromQuaternion(other)), v.Transformed(both));
  Matrix4 inPlaceMatrix = m;
  inPlaceMatrix.Multiply(Matrix4::FromQuaternion(other));
  ExpectVectorNear(v.Transformed(both), v.Transformed(inPlaceMatrix));
}

TEST(MotionMathTest, TranslationAndInverseRotation) {
  Matrix4 m = Matrix4::FromQuaternion(Quaternion::FromAxisAngle(Vector3(0, 0, 1), 0.6f));
  m.SetTranslation(Vector3(1.0f, 2.0f, 3.0f));
  m.AddTranslation(Vector3(1.0f, 1.0f, 1.0f));
  m.SubtractTranslation(Vector3(0.5f, 0.0f, 0.0f));
  ExpectVectorNear(Vector3(1.5f, 3.0f, 4.0f), Vector3::FromMatrix(m));
  Vector3 p(1.0f, 0.5f, -2.0f);
  // The moved point, less the translation, turned back by the inverse.
  Vector3 moved = p.Transformed(m);
  moved.Set(moved.m_fX - 1.5f, moved.m_fY - 3.0f, moved.m_fZ - 4.0f);
  Matrix4 inverse = m;
  inverse.InvertRotation();
  ExpectVectorNear(Vector3(), Vector3::FromMatrix(inverse));
  ExpectVectorNear(p, moved.Transformed(inverse));
  Vector3 inPlace = moved;
  inPlace.Transform(inverse);
  ExpectVectorNear(p, inPlace);
}

}  // namespace
