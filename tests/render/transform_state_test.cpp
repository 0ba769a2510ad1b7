#include "render/transform_state.h"

#include <gtest/gtest.h>

#include <cmath>

#include "math/vec.h"
#include "render/device.h"

namespace {

// Identity but for m[0] = sx (the x scale) and the translation (x, y, z).
Matrix Affine(float sx, float x = 0, float y = 0, float z = 0) {
  Matrix m;
  MatrixMakeTranslation(m, x, y, z);
  m.m[0] = sx;
  return m;
}

class TransformStateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    device_.width = 1024, device_.height = 768;
    TransformStateInit(&state_, &device_);
  }
  void TearDown() override { TransformStateCleanup(state_); }

  // (x, y, z, 1) through `transposed` (a transposed matrix the shaders take), divided by w, is
  // (ex, ey, ez).
  static void ExpectThrough(const Matrix& transposed, Vec4 p, float ex, float ey, float ez) {
    Matrix m;
    MatrixTranspose(m, transposed);
    MatrixTransformPoint(p, m);
    EXPECT_LT(std::hypot(p.x / p.w - ex, p.y / p.w - ey, p.z / p.w - ez), 1e-6f)
        << p.x / p.w << ", " << p.y / p.w << ", " << p.z / p.w;
  }
  void ExpectNdc(Vec4 p, float ex, float ey, float ez) {
    ExpectThrough(TransformStateGetWvpTransposed(state_), p, ex, ey, ez);
  }

  Device device_{};
  TransformState state_{};
};

TEST_F(TransformStateTest, ProjectionsAndOverlayMapTheirBoundsOntoTheClipEdges) {
  // 1024 / 768 is 1 as a whole number: x and y scale alike, 1 / tan(15 degrees) for 30 degrees;
  // near (1) maps to depth 0, far (10000) to depth 1.
  EXPECT_FLOAT_EQ(state_.projection->m[0], state_.projection->m[5]);
  EXPECT_NEAR(state_.projection->m[0], 3.7320508f, 1e-5f);
  ExpectNdc({0, 0, 1, 1}, 0, 0, 0);
  ExpectNdc({0, 0, 10000, 1}, 0, 0, 1);
  TransformStateSetOffCenter(state_, -2.0, 6.0, -1.0, 3.0, 1.0, 100.0);
  ExpectNdc({-2, -1, 1, 1}, -1, -1, 0);
  ExpectNdc({6, 3, 1, 1}, 1, 1, 0);
  // The overlay maps pixels with row zero at the bottom; its end gives back identity view and
  // projection and the slot below it with its matrix.
  TransformStateLoad(state_, Affine(1, 3, 0, 0));
  TransformStateBeginOverlay(state_);
  ExpectNdc({0, 0, 0, 1}, -1, -1, 0.5f);
  ExpectNdc({1024, 768, 1, 1}, 1, 1, 1);
  TransformStateEndOverlay(state_);
  EXPECT_EQ(state_.index, 0);
  ExpectNdc({0, 4, 0.5f, 1}, 3, 4, 0.5f);
}

// Pushes past the last of 32 slots are refused (the top keeps its matrix, slot 30 its own) and
// pops stop at slot 0; a push copies the top and multiply applies before it.
TEST_F(TransformStateTest, StackStaysInsideItsSlotsAndMultipliesBeforeTheTop) {
  for (int i = 0; i < 31; ++i) TransformStatePush(state_);
  TransformStateLoad(state_, Affine(1, 7, 8, 9));
  TransformStatePush(state_);
  EXPECT_EQ(state_.index, 31);
  EXPECT_EQ(TransformStateGetTop(state_)->m[12], 7.0f);
  TransformStatePop(state_);
  EXPECT_EQ(TransformStateGetTop(state_)->m[12], 0.0f);
  for (int i = 0; i < 40; ++i) TransformStatePop(state_);
  EXPECT_EQ(state_.index, 0);

  TransformStateLoad(state_, Affine(1, 10, 0, 0));
  TransformStatePush(state_);
  TransformStateMultiply(state_, Affine(2));
  Vec4 p{1, 0, 0, 1};
  MatrixTransformPoint(p, *TransformStateGetTop(state_));
  EXPECT_FLOAT_EQ(p.x, 12.0f);  // scaled first, then translated
}

TEST_F(TransformStateTest, DerivedMatricesFollowEveryChangeAndMultiplyLeftToRight) {
  TransformStateSetOrtho2D(state_, 2.0, 2.0);  // identity view and projection
  TransformStateLoad(state_, Affine(1));
  // The bias maps clip space -1..1 to texture space 0..1 without flipping.
  ExpectThrough(TransformStateGetWvpBiasTransposed(state_), {-1, -1, -1, 1}, 0, 0, 0);
  ExpectThrough(TransformStateGetWvpBiasTransposed(state_), {1, 1, 1, 1}, 1, 1, 1);
  TransformStateLoad(state_, Affine(1, 1, 2, 3));
  EXPECT_FLOAT_EQ(TransformStateGetWorldInverse(state_).m[14], -3.0f);
  // The inverse transposed carries the inverse translation in its last column.
  EXPECT_FLOAT_EQ(TransformStateGetWvpInverseTransposed(state_).m[3], -1.0f);
  EXPECT_FLOAT_EQ(TransformStateGetWvpInverseTransposed(state_).m[7], -2.0f);
  TransformStateSetView(state_, Affine(1, 0, 0, 5));
  EXPECT_FLOAT_EQ(TransformStateGetWvpTransposed(state_).m[11], 8.0f);
  EXPECT_FLOAT_EQ(TransformStateGetWorldInverse(state_).m[14], -3.0f);  // ignores the view
  // top x view x projection multiplies left to right, and the texture matrix is that product
  // x bias: (0.1 x 0.3) x 0.7 and 0.1 x (0.3 x 0.7) differ in the last bit.
  TransformStateLoad(state_, Affine(0.1f));
  TransformStateSetView(state_, Affine(0.3f));
  *state_.projection = Affine(0.7f);
  const float product = (0.1f * 0.3f) * 0.7f;
  EXPECT_EQ(TransformStateGetWvpTransposed(state_).m[0], product);
  EXPECT_EQ(TransformStateGetWvpBiasTransposed(state_).m[0], product * 0.5f);
}

}  // namespace
