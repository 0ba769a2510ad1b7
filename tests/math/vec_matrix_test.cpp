#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <random>

#include "math/matrix.h"
#include "math/vec.h"

namespace {

constexpr float kPi = 3.14159265358979f;

Vec4 Transform(const Matrix& m, float x, float y, float z) {
  Vec4 p{x, y, z, 7.0f};  // w is ignored on input
  MatrixTransformPoint(p, m);
  return p;
}

void ExpectNear(const Vec4& p, float x, float y, float z, float tolerance = 1e-6f) {
  EXPECT_NEAR(p.x, x, tolerance);
  EXPECT_NEAR(p.y, y, tolerance);
  EXPECT_NEAR(p.z, z, tolerance);
}

Matrix Multiply(const Matrix& a, const Matrix& b) {
  Matrix out = b;
  MatrixPreMultiply(a, out);
  return out;
}

Matrix Elementary(int axis, float degrees) {
  const float r = degrees * kPi / 180.0f, c = std::cos(r), s = std::sin(r);
  Matrix m;
  MatrixInit(m);
  if (axis == 0) m.m[5] = c, m.m[6] = s, m.m[9] = -s, m.m[10] = c;
  if (axis == 1) m.m[0] = c, m.m[2] = -s, m.m[8] = s, m.m[10] = c;
  if (axis == 2) m.m[0] = c, m.m[1] = s, m.m[4] = -s, m.m[5] = c;
  return m;
}

using Triple = std::array<float, 3>;
Triple Of(const Vec3& v) { return {v.x, v.y, v.z}; }

TEST(Vec3, ArithmeticProductsNormalizeAndHermite) {
  Vec3 out;
  Vec3Cross(out, Vec3{1, 0, 0}, Vec3{0, 1, 0});
  EXPECT_EQ(Of(out), (Triple{0, 0, 1}));
  Vec3Lerp(out, Vec3{0, 0, 0}, Vec3{2, 4, 6}, 0.5f);
  EXPECT_EQ(Of(out), (Triple{1, 2, 3}));
  Vec3 v{1, 2, 3};  // outputs may alias inputs
  Vec3Sub(v, v, Vec3{1, 1, 1});
  Vec3Mul(v, Vec3{2, 2, 2});
  EXPECT_EQ(Of(v), (Triple{0, 2, 4}));
  EXPECT_EQ(Vec3Dot(Vec3{1, 2, 3}, Vec3{4, 5, 6}), 32.0f);
  Vec3 zero{0, 0, 0};  // a zero vector stays zero
  Vec3Normalize(zero);
  EXPECT_EQ(Of(zero), (Triple{0, 0, 0}));
  v = Vec3{3, 0, 4};
  Vec3Normalize(v);
  EXPECT_EQ(Of(v), (Triple{0.6f, 0, 0.8f}));
  // Hermite end points ignore the tangents; the Catmull-Rom tangent is half the chord.
  const Vec3 p0{1, 2, 3}, p1{-4, 5, 9}, m0{100, -50, 7}, m1{-3, 80, 2};
  Vec3Hermite(out, p0, p1, m0, m1, 0.0f);
  EXPECT_EQ(Of(out), Of(p0));
  Vec3Hermite(out, p0, p1, m0, m1, 1.0f);
  EXPECT_EQ(Of(out), Of(p1));
  Vec3CatmullRomTangent(out, Vec3{0, 0, 0}, Vec3{5, 5, 5}, Vec3{2, 4, 6});
  EXPECT_EQ(Of(out), (Triple{1, 2, 3}));
}

TEST(Vec3, EulerRotationTurnsXThenYThenZ) {
  Vec3 v{1, 0, 0};
  Vec3RotateEulerDeg(v, 0, 0, 90);
  EXPECT_NEAR(v.x, 0.0f, 1e-6f);
  EXPECT_NEAR(v.y, 1.0f, 1e-6f);
  v = Vec3{1, 0, 0};
  Vec3RotateEulerDeg(v, 0, 90, 0);
  EXPECT_NEAR(v.x, 0.0f, 1e-6f);
  EXPECT_NEAR(v.z, -1.0f, 1e-6f);
  // Against the row-vector product v x Rx x Ry x Rz for random angles.
  std::mt19937 rng(7);
  std::uniform_real_distribution<float> angle(-180.0f, 180.0f), coord(-10.0f, 10.0f);
  for (int i = 0; i < 200; ++i) {
    const float ax = angle(rng), ay = angle(rng), az = angle(rng);
    Vec3 p{coord(rng), coord(rng), coord(rng)};
    const Matrix composed =
        Multiply(Multiply(Elementary(0, ax), Elementary(1, ay)), Elementary(2, az));
    const Vec4 expected = Transform(composed, p.x, p.y, p.z);
    Vec3RotateEulerDeg(p, ax, ay, az);
    ASSERT_NEAR(p.x, expected.x, 1e-4f);
    ASSERT_NEAR(p.y, expected.y, 1e-4f);
    ASSERT_NEAR(p.z, expected.z, 1e-4f);
  }
}

TEST(Matrix, LaterCallActsFirstOnAPoint) {
  Matrix m;
  MatrixInit(m);
  const Vec4 p = Transform(m, 3, -2, 5);
  EXPECT_EQ((std::array<float, 4>{p.x, p.y, p.z, p.w}), (std::array<float, 4>{3, -2, 5, 1}));
  MatrixTranslate(m, 1, 2, 3);
  MatrixScale(m, 2, 2, 2);
  ExpectNear(Transform(m, 0, 0, 0), 1, 2, 3);
  ExpectNear(Transform(m, 1, 0, 0), 3, 2, 3);
  MatrixInit(m);
  MatrixRotateXYZ(m, 0, 0, 90);
  ExpectNear(Transform(m, 1, 0, 0), 0, 1, 0);
  MatrixInit(m);
  MatrixRotateXYZ(m, 90, 0, 90);
  ExpectNear(Transform(m, 1, 0, 0), 0, 0, 1);
}

TEST(Matrix, RotateXYZEqualsRzRyRxTimesOld) {
  std::mt19937 rng(11);
  std::uniform_real_distribution<float> angle(-360.0f, 360.0f);
  for (int i = 0; i < 100; ++i) {
    const float ax = angle(rng), ay = angle(rng), az = angle(rng);
    Matrix old;
    MatrixInit(old);
    MatrixTranslate(old, 1, -2, 3);
    Matrix m = old;
    MatrixRotateXYZ(m, ax, ay, az);
    const Matrix expected =
        Multiply(Elementary(2, az), Multiply(Elementary(1, ay), Multiply(Elementary(0, ax), old)));
    for (int e = 0; e < 16; ++e) ASSERT_NEAR(m.m[e], expected.m[e], 1e-5f) << e;
  }
}

TEST(Matrix, TransposeMovesTranslationToLastColumn) {
  Matrix t;
  MatrixMakeTranslation(t, 4, 5, 6);
  Matrix out;
  MatrixTranspose(out, t);
  EXPECT_EQ((Triple{out.m[3], out.m[7], out.m[11]}), (Triple{4, 5, 6}));
  EXPECT_EQ(out.m[12], 0.0f);
  Vec3 translation;
  MatrixGetTranslation(t, translation);
  EXPECT_EQ(translation.y, 5.0f);
  MatrixTranspose(t, t);  // in place
  EXPECT_EQ(std::memcmp(&t, &out, sizeof t), 0);
}

TEST(Matrix, InverseTimesMatrixIsNearIdentity) {
  std::mt19937 rng(3);
  std::uniform_real_distribution<float> value(-5.0f, 5.0f), scale(0.25f, 4.0f);
  for (int i = 0; i < 500; ++i) {
    Matrix m;
    MatrixInit(m);
    MatrixScale(m, scale(rng), scale(rng), scale(rng));
    MatrixRotateXYZ(m, value(rng) * 30, value(rng) * 30, value(rng) * 30);
    MatrixTranslate(m, value(rng), value(rng), value(rng));
    Matrix inverse = m;
    MatrixInvert(inverse);
    const Matrix product = Multiply(m, inverse);
    for (int e = 0; e < 16; ++e)
      ASSERT_NEAR(product.m[e], (e % 5 == 0) ? 1.0f : 0.0f, 2e-5f) << "element " << e;
    EXPECT_NEAR(MatrixDeterminant(m) * MatrixDeterminant(inverse), 1.0f, 1e-4f);
  }
}

TEST(Matrix, SingularMatrixIsLeftBitIdentical) {
  Matrix m;
  MatrixInit(m);
  MatrixScale(m, 0, 1, 1);
  MatrixTranslate(m, 1, 2, 3);
  EXPECT_EQ(MatrixDeterminant(m), 0.0f);
  const Matrix before = m;
  MatrixInvert(m);
  EXPECT_EQ(std::memcmp(&m, &before, sizeof m), 0);
}

TEST(Matrix, DeterminantOfKnownMatrices) {
  Matrix m;
  MatrixInit(m);
  MatrixScale(m, 2, 3, 4);
  EXPECT_EQ(MatrixDeterminant(m), 24.0f);
  // A row swap flips the sign.
  Matrix swapped = m;
  for (int j = 0; j < 4; ++j) std::swap(swapped.m[j], swapped.m[4 + j]);
  EXPECT_EQ(MatrixDeterminant(swapped), -24.0f);
}

}  // namespace
