#include "math/quaternion.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace {

const float kSin45 = std::sin(0.78539816f);
const float kCos45 = std::cos(0.78539816f);

void ExpectQuat(const Quaternion& q, float x, float y, float z, float w, float tol = 1e-6f) {
  EXPECT_NEAR(q.x, x, tol);
  EXPECT_NEAR(q.y, y, tol);
  EXPECT_NEAR(q.z, z, tol);
  EXPECT_NEAR(q.w, w, tol);
}

bool IsIdentity(const Matrix& m) {
  Matrix identity;
  MatrixInit(identity);
  return std::memcmp(&m, &identity, sizeof m) == 0;
}

TEST(Quaternion, HamiltonProductOfUnitVectors) {
  const Quaternion i{1, 0, 0, 0}, j{0, 1, 0, 0}, k{0, 0, 1, 0};
  const struct {
    Quaternion a, b, product;
  } rows[] = {{i, j, {0, 0, 1, 0}}, {j, i, {0, 0, -1, 0}}, {k, k, {0, 0, 0, -1}}};
  for (const auto& r : rows) {
    Quaternion q = r.a;
    QuaternionMultiply(q, r.b);
    ExpectQuat(q, r.product.x, r.product.y, r.product.z, r.product.w);
  }
  Quaternion q = i;
  QuaternionMultiply(q, q);  // b aliases a
  ExpectQuat(q, 0, 0, 0, -1);
}

TEST(Quaternion, FromEulerKeepsTheStoredZTerm) {
  Quaternion q;
  QuaternionFromEulerDeg(q, 0, 0, 0);
  ExpectQuat(q, 0, 0, 0, 1);
  QuaternionFromEulerDeg(q, 90, 0, 0);
  ExpectQuat(q, kSin45, 0, 0, kCos45);
  // z = ca cb sc - sa cb sc = 0 here; the result is not of unit length.
  QuaternionFromEulerDeg(q, 90, 0, 90);
  ExpectQuat(q, 0.5f, 0.5f, 0.0f, 0.5f);
}

TEST(Quaternion, ToMatrixOfZeroNonUnitAndRotation) {
  Matrix m;
  QuaternionToMatrix(Quaternion{0, 0, 0, 0}, m);
  EXPECT_TRUE(IsIdentity(m));
  QuaternionToMatrix(Quaternion{0, 0, 0, 2}, m);
  EXPECT_TRUE(IsIdentity(m));
  QuaternionToMatrix(Quaternion{0, 0, kSin45, kCos45}, m);
  Vec4 p{1, 0, 0, 1};
  MatrixTransformPoint(p, m);
  EXPECT_NEAR(p.x, 0.0f, 1e-6f);
  EXPECT_NEAR(p.y, 1.0f, 1e-6f);
  // A scaled quaternion gives the same rotation.
  Matrix scaled;
  QuaternionToMatrix(Quaternion{0, 0, 3 * kSin45, 3 * kCos45}, scaled);
  for (int e = 0; e < 16; ++e) EXPECT_NEAR(scaled.m[e], m.m[e], 1e-6f);
}

TEST(Quaternion, SlerpEndPointsOnBothBranches) {
  const Quaternion a{0, 0, 0, 1};
  const Quaternion b{0, kSin45, 0, kCos45};
  Quaternion out;
  QuaternionSlerp(a, b, 0.0f, out);  // theta = 45 degrees: the spherical branch
  ExpectQuat(out, a.x, a.y, a.z, a.w);
  QuaternionSlerp(a, b, 1.0f, out);
  ExpectQuat(out, b.x, b.y, b.z, b.w);
  QuaternionSlerp(a, b, 0.5f, out);
  const float s = std::sin(0.39269908f), c = std::cos(0.39269908f);
  ExpectQuat(out, 0, s, 0, c);
  // Nearly equal quaternions take the linear branch.
  const Quaternion near{0, 1e-6f, 0, 1};
  QuaternionSlerp(a, near, 0.0f, out);
  ExpectQuat(out, a.x, a.y, a.z, a.w, 0);
  QuaternionSlerp(a, near, 1.0f, out);
  ExpectQuat(out, near.x, near.y, near.z, near.w, 0);
  // Equal unit quaternions return themselves.
  QuaternionSlerp(b, b, 0.3f, out);
  ExpectQuat(out, b.x, b.y, b.z, b.w, 0);
}

TEST(Quaternion, SlerpTakesTheLongArcForANegativeDot) {
  const Quaternion a{0, 0, 0, 1}, b{0, 0, kSin45, -kCos45};  // dot = -cos45
  Quaternion out;
  QuaternionSlerp(a, b, 0.5f, out);
  // theta = 135 degrees: the midpoint stays at unit length, half way along the long arc.
  EXPECT_NEAR(QuaternionDot(out, out), 1.0f, 1e-5f);
  EXPECT_NEAR(QuaternionDot(out, a), std::cos(3.0f * 3.14159265f / 8.0f), 1e-5f);
}

TEST(Quaternion, SquadInnerOfEqualQuaternions) {
  const Quaternion q{0, 0, kSin45, kCos45};
  Quaternion out;
  QuaternionSquadInner(out, q, q, q);
  // d1 = d2 = (0,0,0,1) up to rounding; a w of exactly 1 becomes 0 so the handle can be 0.
  EXPECT_TRUE(std::isfinite(out.x) && std::isfinite(out.w));
  const Quaternion identity{0, 0, 0, 1};
  QuaternionSquadInner(out, identity, identity, identity);
  ExpectQuat(out, 0, 0, 0, 0, 0);
}

TEST(Quaternion, SquadEndPoints) {
  const Quaternion q1{0, 0, 0, 1}, q2{kSin45, 0, 0, kCos45};
  const Quaternion s1{0.1f, 0.2f, 0, 0.97f}, s2{0, 0.3f, 0.1f, 0.95f};
  Quaternion out;
  QuaternionSquad(q1, q2, s1, s2, 0.0f, out);
  ExpectQuat(out, q1.x, q1.y, q1.z, q1.w);
  QuaternionSquad(q1, q2, s1, s2, 1.0f, out);
  ExpectQuat(out, q2.x, q2.y, q2.z, q2.w);
}

struct Key {
  Vec3 position;
  Quaternion rotation;
  Pose pose;
  Key(Vec3 p, Quaternion r) : position(p), rotation(r) { PoseInit(pose, &position, &rotation); }
};

TEST(Pose, LinearMidpointIsAPureTranslationForEitherOrder) {
  Key a({0, 0, 0}, {0, 0, 0, 1}), b({2, 4, 6}, {0, 0, 0, 1});
  for (uint8_t order : {uint8_t{0}, uint8_t{1}}) {
    Matrix out;
    MatrixInit(out);
    PoseInterpolateLinear(a.pose, b.pose, 0.5f, out, order);
    Matrix expected;
    MatrixMakeTranslation(expected, 1, 2, 3);
    EXPECT_EQ(std::memcmp(&out, &expected, sizeof out), 0) << int(order);
  }
}

TEST(Pose, OrderFlagDecidesWhetherTranslationOrRotationComesFirst) {
  // Rotation 90 degrees about Z, translation (1, 0, 0), applied to the point (1, 0, 0).
  Key a({1, 0, 0}, {0, 0, kSin45, kCos45});
  for (uint8_t order : {uint8_t{0}, uint8_t{1}}) {
    Matrix out;
    MatrixInit(out);
    PoseInterpolateLinear(a.pose, a.pose, 0.0f, out, order);
    Vec4 p{1, 0, 0, 1};
    MatrixTransformPoint(p, out);
    if (order) {  // translate to (2,0,0), then rotate to (0,2,0)
      EXPECT_NEAR(p.x, 0.0f, 1e-6f);
      EXPECT_NEAR(p.y, 2.0f, 1e-6f);
    } else {  // rotate to (0,1,0), then translate to (1,1,0)
      EXPECT_NEAR(p.x, 1.0f, 1e-6f);
      EXPECT_NEAR(p.y, 1.0f, 1e-6f);
    }
  }
}

TEST(Pose, CubicEndPointsUnderBothOrderFlags) {
  Key p({-2, 0, 0}, {0, 0, 0, 1}), a({0, 0, 0}, {0, 0, 0, 1});
  Key b({2, 1, 0}, {0, kSin45, 0, kCos45}), n({4, 3, 1}, {0, 1, 0, 0});
  for (uint8_t order : {uint8_t{0}, uint8_t{1}}) {
    for (float t : {0.0f, 1.0f}) {
      const Key& end = t == 0.0f ? a : b;
      Matrix cubic, linear;
      MatrixInit(cubic);
      MatrixInit(linear);
      PoseInterpolateCubic(p.pose, a.pose, b.pose, n.pose, t, cubic, order);
      PoseInterpolateLinear(end.pose, end.pose, 0.0f, linear, order);
      for (int e = 0; e < 16; ++e) EXPECT_NEAR(cubic.m[e], linear.m[e], 1e-5f) << e;
    }
  }
}

}  // namespace
