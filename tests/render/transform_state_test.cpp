#include "render/transform_state.h"

#include <gtest/gtest.h>

#include "math/vec.h"
#include "render/device.h"

namespace {

void ExpectVec(const Vec4& v, float x, float y, float z) {
  EXPECT_NEAR(v.x, x, 1e-6f);
  EXPECT_NEAR(v.y, y, 1e-6f);
  EXPECT_NEAR(v.z, z, 1e-6f);
}

Matrix Translation(float x, float y, float z) {
  Matrix m;
  MatrixMakeTranslation(m, x, y, z);
  return m;
}

class TransformStateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    device_.width = 1024;
    device_.height = 768;
    TransformStateInit(&state_, &device_);
  }
  void TearDown() override { TransformStateCleanup(state_); }

  // (x, y, z, 1) through `transposed` (a transposed matrix the shaders take) and divided by w.
  static Vec4 Through(const Matrix& transposed, float x, float y, float z) {
    Matrix m;
    MatrixTranspose(m, transposed);
    Vec4 p{x, y, z, 1.0f};
    MatrixTransformPoint(p, m);
    return {p.x / p.w, p.y / p.w, p.z / p.w, p.w};
  }
  Vec4 Ndc(float x, float y, float z) {
    return Through(TransformStateGetWvpTransposed(state_), x, y, z);
  }

  Device device_{};
  TransformState state_{};
};

TEST_F(TransformStateTest, ProjectionsMapTheirBoundsOntoTheClipEdges) {
  // 1024 / 768 is 1 as a whole number: x and y scale alike, 1 / tan(15 degrees) for 30 degrees.
  EXPECT_FLOAT_EQ(state_.projection->m[0], state_.projection->m[5]);
  EXPECT_NEAR(state_.projection->m[0], 3.7320508f, 1e-5f);
  // Near (1) maps to depth 0, far (10000) to depth 1.
  EXPECT_NEAR(Ndc(0, 0, 1.0f).z, 0.0f, 1e-6f);
  EXPECT_NEAR(Ndc(0, 0, 10000.0f).z, 1.0f, 1e-6f);
  TransformStateSetOffCenter(state_, -2.0, 6.0, -1.0, 3.0, 1.0, 100.0);
  ExpectVec(Ndc(-2, -1, 1), -1, -1, 0);
  ExpectVec(Ndc(6, 3, 1), 1, 1, 0);
}

TEST_F(TransformStateTest, OverlayMapsPixelsWithRowZeroAtTheBottom) {
  TransformStateLoad(state_, Translation(3, 0, 0));
  TransformStateBeginOverlay(state_);
  ExpectVec(Ndc(0, 0, 0), -1, -1, 0.5f);
  ExpectVec(Ndc(1024, 768, 1), 1, 1, 1);
  TransformStateEndOverlay(state_);
  EXPECT_EQ(state_.index, 0);
  // View and projection are identities again; the slot below the overlay kept its matrix.
  ExpectVec(Ndc(0, 4, 0.5f), 3, 4, 0.5f);
}

TEST_F(TransformStateTest, StackStaysInsideItsSlots) {
  for (int i = 0; i < 31; ++i) TransformStatePush(state_);
  TransformStateLoad(state_, Translation(7, 8, 9));
  // Pushes past the last slot are refused: the top keeps its matrix, slot 30 its own.
  TransformStatePush(state_);
  TransformStatePush(state_);
  EXPECT_EQ(state_.index, 31);
  EXPECT_EQ(TransformStateGetTop(state_)->m[12], 7.0f);
  TransformStatePop(state_);
  EXPECT_EQ(TransformStateGetTop(state_)->m[12], 0.0f);
  for (int i = 0; i < 40; ++i) TransformStatePop(state_);
  EXPECT_EQ(state_.index, 0);
}

TEST_F(TransformStateTest, PushCopiesAndMultiplyAppliesBeforeTheTop) {
  TransformStateLoad(state_, Translation(10, 0, 0));
  TransformStatePush(state_);
  Matrix scale;
  MatrixInit(scale);
  MatrixScale(scale, 2, 2, 2);
  TransformStateMultiply(state_, scale);
  // Scale first, then the translation: (1, 0, 0) -> (12, 0, 0).
  Vec4 p{1, 0, 0, 1};
  MatrixTransformPoint(p, *TransformStateGetTop(state_));
  EXPECT_FLOAT_EQ(p.x, 12.0f);
  TransformStatePop(state_);
  EXPECT_FLOAT_EQ(TransformStateGetTop(state_)->m[0], 1.0f);
}

TEST_F(TransformStateTest, DerivedMatricesFollowEveryChange) {
  TransformStateSetOrtho2D(state_, 2.0, 2.0);  // identity view and projection
  TransformStateLoad(state_, Translation(1, 2, 3));
  EXPECT_FLOAT_EQ(TransformStateGetWorldInverse(state_).m[14], -3.0f);
  // The inverse transposed carries the inverse translation in its last column.
  const Matrix& inverseTransposed = TransformStateGetWvpInverseTransposed(state_);
  EXPECT_FLOAT_EQ(inverseTransposed.m[3], -1.0f);
  EXPECT_FLOAT_EQ(inverseTransposed.m[7], -2.0f);
  TransformStateSetView(state_, Translation(0, 0, 5));
  EXPECT_FLOAT_EQ(TransformStateGetWvpTransposed(state_).m[11], 8.0f);
  EXPECT_FLOAT_EQ(TransformStateGetWorldInverse(state_).m[14], -3.0f);  // ignores the view
  // The bias maps clip space -1..1 to texture space 0..1 without flipping.
  TransformStateLoad(state_, Translation(0, 0, 0));
  TransformStateSetView(state_, Translation(0, 0, 0));
  ExpectVec(Through(TransformStateGetWvpBiasTransposed(state_), -1, -1, -1), 0, 0, 0);
  ExpectVec(Through(TransformStateGetWvpBiasTransposed(state_), 1, 1, 1), 1, 1, 1);
}

// top x view x projection multiplies left to right, and the texture matrix is that product x
// bias: (0.1 x 0.3) x 0.7 and 0.1 x (0.3 x 0.7) differ in the last bit.
TEST_F(TransformStateTest, ProductsRunLeftToRight) {
  Matrix top, view;
  MatrixInit(top);
  MatrixInit(view);
  top.m[0] = 0.1f;
  view.m[0] = 0.3f;
  TransformStateLoad(state_, top);
  TransformStateSetView(state_, view);
  MatrixInit(*state_.projection);
  state_.projection->m[0] = 0.7f;
  const float product = (0.1f * 0.3f) * 0.7f;
  EXPECT_EQ(TransformStateGetWvpTransposed(state_).m[0], product);
  EXPECT_EQ(TransformStateGetWvpBiasTransposed(state_).m[0], product * 0.5f);
}

}  // namespace
