#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "math/matrix.h"
#include "math/quaternion.h"
#include "math/vec.h"

namespace {

using ::testing::FloatNear, ::testing::Pointwise;
using Floats = std::vector<float>;
using V = Vec3;
using Q = Quaternion;

constexpr float kHalf = 0.70710678f;  // sin 45 = cos 45
const Q kIdentity{0, 0, 0, 1}, kAbout45Y{0, kHalf, 0, kHalf}, kAbout90Z{0, 0, kHalf, kHalf};

Floats Of(float f) { return {f}; }
Floats Of(const V& v) { return {v.x, v.y, v.z}; }
Floats Of(const Q& q) { return {q.x, q.y, q.z, q.w}; }
Floats Of(const Matrix& m) { return Floats(m.m, m.m + 16); }

// v after f(v, args...): the in-place and out-parameter operations as values.
template <class T, class... Params>
T Apply(T v, void (*f)(T&, Params...), auto&&... args) {
  f(v, args...);
  return v;
}
Matrix Identity() { return Apply(Matrix{}, MatrixInit); }
Matrix Translation(float x, float y, float z) {
  return Apply(Matrix{}, MatrixMakeTranslation, x, y, z);
}
Floats Transform(const Matrix& m, V p) {
  const Vec4 v = Apply(Vec4{p.x, p.y, p.z, 7.0f}, MatrixTransformPoint, m);  // w is ignored
  return {v.x, v.y, v.z};
}
// out of f(args..., out): the operations that write their result last.
template <class T>
T Last(auto f, auto&&... args) {
  T out;
  f(args..., out);
  return out;
}

// Where (1, 0, 0) goes under a key turning 90 degrees about z at (1, 0, 0).
Floats TurnedByKey(uint8_t order) {
  V at{1, 0, 0};
  Q turn = kAbout90Z;
  Pose key;
  PoseInit(key, &at, &turn);
  Matrix m = Identity();
  PoseInterpolateLinear(key, key, 0, m, order);
  return Transform(m, at);
}

TEST(Geometry, FormulasGiveHandComputedValues) {
  const float s22 = std::sin(0.39269908f), c22 = std::cos(0.39269908f);
  const float s67 = std::sin(1.17809725f), c67 = std::cos(1.17809725f);
  const Q i{1, 0, 0, 0}, j{0, 1, 0, 0}, k{0, 0, 1, 0}, s2{.1f, .2f, 0, .97f};
  Matrix swapped = Apply(Identity(), MatrixScale, 2, 3, 4);
  std::swap_ranges(swapped.m, swapped.m + 4, swapped.m + 4);
  Q kk = k;
  QuaternionMultiply(kk, kk);  // b aliases a
  const struct {
    Floats value, want;
  } rows[] = {
      {Of(Apply(V{}, Vec3Cross, V{1, 0, 0}, V{0, 1, 0})), {0, 0, 1}},
      {Of(Apply(V{}, Vec3Lerp, V{0, 0, 0}, V{2, 4, 6}, .5f)), {1, 2, 3}},
      {Of(Apply(V{1, 2, 3}, Vec3Sub, V{1, 2, 3}, V{1, 1, 1})), {0, 1, 2}},
      {Of(Vec3Dot({1, 2, 3}, {4, 5, 6})), {32}},
      {Of(Apply(V{0, 0, 0}, Vec3Normalize)), {0, 0, 0}},
      {Of(Apply(V{3, 0, 4}, Vec3Normalize)), {.6f, 0, .8f}},
      // The call made last acts first: (1,0,0) scales to (2,0,0), then moves.
      {Transform(Apply(Translation(1, 2, 3), MatrixScale, 2, 2, 2), {1, 0, 0}), {3, 2, 3}},
      {Transform(Apply(Identity(), MatrixRotateXYZ, 0, 90, 0), {1, 0, 0}), {0, 0, -1}},
      {Transform(Apply(Identity(), MatrixRotateXYZ, 90, 0, 90), {1, 0, 0}), {0, 0, 1}},
      // A vector turns about x, then y, then z: (0,1,0) goes to (0,0,1), then to (1,0,0).
      {Of(Apply(V{0, 1, 0}, Vec3RotateEulerDeg, 90, 90, 0)), {1, 0, 0}},
      {Of(Apply(V{1, 0, 0}, Vec3RotateEulerDeg, 0, 0, -90)), {0, -1, 0}},
      {Of(Apply(Matrix{}, MatrixTranspose, Translation(4, 5, 6))),
       {1, 0, 0, 4, 0, 1, 0, 5, 0, 0, 1, 6, 0, 0, 0, 1}},
      {Of(MatrixDeterminant(swapped)), {-24}},
      {Of(Apply(i, QuaternionMultiply, j)), Of(k)},
      {Of(kk), {0, 0, 0, -1}},
      // The stored z term ca cb sc - sa cb sc is 0 here: the result is not of unit length.
      {Of(Apply(Q{}, QuaternionFromEulerDeg, 90, 0, 90)), {.5f, .5f, 0, .5f}},
      {Of(Last<Matrix>(QuaternionToMatrix, Q{0, 0, 0, 0})), Of(Identity())},
      {Transform(Last<Matrix>(QuaternionToMatrix, kAbout90Z), {1, 0, 0}), {0, 1, 0}},
      {Transform(Last<Matrix>(QuaternionToMatrix, Q{0, 0, 3 * kHalf, 3 * kHalf}), {1, 0, 0}),
       {0, 1, 0}},
      {Of(Last<Q>(QuaternionSlerp, kIdentity, kAbout45Y, 1)), Of(kAbout45Y)},
      {Of(Last<Q>(QuaternionSlerp, kIdentity, kAbout45Y, .5f)), {0, s22, 0, c22}},
      // theta 0 (below 0.0001) takes the linear blend, not 0 / 0.
      {Of(Last<Q>(QuaternionSlerp, kAbout45Y, kAbout45Y, .3f)), Of(kAbout45Y)},
      // dot = -cos 45: theta is 135 degrees, and the midpoint lies half way along the long arc.
      {Of(Last<Q>(QuaternionSlerp, kIdentity, Q{0, 0, kHalf, -kHalf}, .5f)), {0, 0, s67, c67}},
      // d1 = d2 = (0,0,0,1): a w of 1 becomes 0, so the handle of three identities is zero.
      {Of(Apply(Q{}, QuaternionSquadInner, kIdentity, kIdentity, kIdentity)), {0, 0, 0, 0}},
      {Of(Last<Q>(QuaternionSquad, kIdentity, kAbout90Z, kAbout45Y, s2, 1.f)), Of(kAbout90Z)},
      // 2 t (1 - t) = 1/2 at t = 1/2: half way from the identity to the inner 90 degrees.
      {Of(Last<Q>(QuaternionSquad, kIdentity, kIdentity, kAbout90Z, kAbout90Z, .5f)),
       {0, 0, s22, c22}},
      // Order 0 turns (1,0,0) to (0,1,0), then moves it; order 1 moves it to (2,0,0) first.
      {TurnedByKey(0), {1, 1, 0}},
      {TurnedByKey(1), {0, 2, 0}},
  };
  for (const auto& r : rows)
    EXPECT_THAT(r.value, Pointwise(FloatNear(1e-5f), r.want)) << "row " << &r - rows;
  // w rounds to about 1 for three equal turns: the handle must not become NaN.
  const Q handle = Apply(Q{}, QuaternionSquadInner, kAbout90Z, kAbout90Z, kAbout90Z);
  EXPECT_TRUE(std::isfinite(handle.x) && std::isfinite(handle.w));
}

TEST(Geometry, InverseUndoesAMatrixAndLeavesASingularOneBitIdentical) {
  std::mt19937 rng(3);
  std::uniform_real_distribution<float> value(-5.0f, 5.0f), scale(0.25f, 4.0f);
  for (int n = 0; n < 500; ++n) {
    Matrix m = Apply(Identity(), MatrixScale, scale(rng), scale(rng), scale(rng));
    MatrixRotateXYZ(m, value(rng) * 30, value(rng) * 30, value(rng) * 30);
    MatrixTranslate(m, value(rng), value(rng), value(rng));
    Matrix product = Apply(m, MatrixInvert);
    MatrixPreMultiply(m, product);
    ASSERT_THAT(Of(product), Pointwise(FloatNear(2e-5f), Of(Identity())));
  }
  const Matrix singular = Apply(Translation(1, 2, 3), MatrixScale, 0, 1, 1);
  const Matrix after = Apply(singular, MatrixInvert);
  EXPECT_EQ(std::memcmp(&after, &singular, sizeof after), 0);
}

}  // namespace
