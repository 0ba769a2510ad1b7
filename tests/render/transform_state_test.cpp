#include "render/transform_state.h"

#include <gtest/gtest.h>

#include "math/vec.h"
#include "render/device.h"

namespace {

class TransformStateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    device_.width = 1024;
    device_.height = 768;
    TransformStateInit(&state_, &device_);
  }
  void TearDown() override { TransformStateCleanup(state_); }

  // A point (x, y, z, 1) through the world-view-projection (the transposed matrix back again).
  Vec4 Clip(float x, float y, float z) {
    Matrix wvp;
    MatrixTranspose(wvp, TransformStateGetWvpTransposed(state_));
    Vec4 p{x, y, z, 1.0f};
    MatrixTransformPoint(p, wvp);
    return p;
  }

  Device device_{};
  TransformState state_{};
};

TEST_F(TransformStateTest, InitialProjectionUsesTheWholeNumberAspect) {
  // 1024 / 768 is 1 as a whole number: x and y scale alike.
  const Matrix& p = *state_.projection;
  EXPECT_FLOAT_EQ(p.m[0], p.m[5]);
  // 30 degrees: 1 / tan(15 degrees).
  EXPECT_NEAR(p.m[0], 3.7320508f, 1e-5f);
  // Near maps to depth 0, far to depth 1 after the division by w.
  Vec4 nearPoint = Clip(0, 0, 1.0f);
  Vec4 farPoint = Clip(0, 0, 10000.0f);
  EXPECT_NEAR(nearPoint.z / nearPoint.w, 0.0f, 1e-6f);
  EXPECT_NEAR(farPoint.z / farPoint.w, 1.0f, 1e-6f);
  EXPECT_FLOAT_EQ(farPoint.w, 10000.0f);
}

TEST_F(TransformStateTest, OffCenterBoundsLandOnTheClipEdges) {
  TransformStateSetOffCenter(state_, -2.0, 6.0, -1.0, 3.0, 1.0, 100.0);
  // The near-plane corners (l, b) and (r, t) reach clip (-1, -1) and (1, 1).
  Vec4 lowCorner = Clip(-2.0f, -1.0f, 1.0f);
  Vec4 highCorner = Clip(6.0f, 3.0f, 1.0f);
  EXPECT_NEAR(lowCorner.x / lowCorner.w, -1.0f, 1e-6f);
  EXPECT_NEAR(lowCorner.y / lowCorner.w, -1.0f, 1e-6f);
  EXPECT_NEAR(highCorner.x / highCorner.w, 1.0f, 1e-6f);
  EXPECT_NEAR(highCorner.y / highCorner.w, 1.0f, 1e-6f);
}

TEST_F(TransformStateTest, OverlayMapsPixelsWithRowZeroAtTheBottom) {
  TransformStateBeginOverlay(state_);
  Vec4 origin = Clip(0, 0, 0);
  Vec4 corner = Clip(1024, 768, 1);
  EXPECT_FLOAT_EQ(origin.x, -1.0f);
  EXPECT_FLOAT_EQ(origin.y, -1.0f);
  EXPECT_FLOAT_EQ(origin.z, 0.5f);
  EXPECT_FLOAT_EQ(corner.x, 1.0f);
  EXPECT_FLOAT_EQ(corner.y, 1.0f);
  EXPECT_FLOAT_EQ(corner.z, 1.0f);
  EXPECT_EQ(state_.index, 1);

  TransformStateEndOverlay(state_);
  EXPECT_EQ(state_.index, 0);
  Matrix identity;
  MatrixInit(identity);
  for (int i = 0; i < 16; ++i) {
    EXPECT_EQ(state_.view->m[i], identity.m[i]);
    EXPECT_EQ(state_.projection->m[i], identity.m[i]);
  }
  // The slot below the overlay kept its matrix (identity after construction).
  Vec4 p = Clip(3, 4, 5);
  EXPECT_FLOAT_EQ(p.x, 3.0f);
  EXPECT_FLOAT_EQ(p.y, 4.0f);
}

TEST_F(TransformStateTest, StackStaysInsideItsSlots) {
  Matrix marker;
  MatrixMakeTranslation(marker, 7, 8, 9);
  for (int i = 0; i < 31; ++i) TransformStatePush(state_);
  EXPECT_EQ(state_.index, 31);
  TransformStateLoad(state_, marker);
  // Pushes past the last slot are refused: the top keeps its matrix.
  TransformStatePush(state_);
  TransformStatePush(state_);
  EXPECT_EQ(state_.index, 31);
  EXPECT_EQ(TransformStateGetTop(state_)->m[12], 7.0f);
  // Slot 30 still holds what was pushed (identity), not the marker.
  TransformStatePop(state_);
  EXPECT_EQ(TransformStateGetTop(state_)->m[12], 0.0f);
  for (int i = 0; i < 40; ++i) TransformStatePop(state_);
  EXPECT_EQ(state_.index, 0);
}

TEST_F(TransformStateTest, PushCopiesAndMultiplyAppliesBeforeTheTop) {
  Matrix translate;
  MatrixMakeTranslation(translate, 10, 0, 0);
  TransformStateLoad(state_, translate);
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
  Matrix world;
  MatrixMakeTranslation(world, 1, 2, 3);
  TransformStateLoad(state_, world);
  EXPECT_EQ(state_.dirty, 1);
  const Matrix& inverse = TransformStateGetWorldInverse(state_);
  EXPECT_EQ(state_.dirty, 0);
  EXPECT_FLOAT_EQ(inverse.m[12], -1.0f);
  EXPECT_FLOAT_EQ(inverse.m[14], -3.0f);
  // The inverse transposed carries the inverse translation in its last column.
  const Matrix& inverseTransposed = TransformStateGetWvpInverseTransposed(state_);
  EXPECT_FLOAT_EQ(inverseTransposed.m[3], -1.0f);
  EXPECT_FLOAT_EQ(inverseTransposed.m[7], -2.0f);

  Matrix view;
  MatrixMakeTranslation(view, 0, 0, 5);
  TransformStateSetView(state_, view);
  EXPECT_EQ(state_.dirty, 1);
  EXPECT_FLOAT_EQ(TransformStateGetWvpTransposed(state_).m[11], 8.0f);
  // World inverse ignores the view.
  EXPECT_FLOAT_EQ(TransformStateGetWorldInverse(state_).m[14], -3.0f);
}

TEST_F(TransformStateTest, BiasMapsClipSpaceToTextureSpaceWithoutFlipping) {
  TransformStateSetOrtho2D(state_, 2.0, 2.0);
  MatrixInit(*TransformStateGetTop(state_));
  state_.dirty = 1;
  Matrix bias;
  MatrixTranspose(bias, TransformStateGetWvpBiasTransposed(state_));
  Vec4 low{-1, -1, -1, 1};
  Vec4 high{1, 1, 1, 1};
  MatrixTransformPoint(low, bias);
  MatrixTransformPoint(high, bias);
  EXPECT_FLOAT_EQ(low.x, 0.0f);
  EXPECT_FLOAT_EQ(low.y, 0.0f);
  EXPECT_FLOAT_EQ(low.z, 0.0f);
  EXPECT_FLOAT_EQ(high.x, 1.0f);
  EXPECT_FLOAT_EQ(high.y, 1.0f);
  EXPECT_FLOAT_EQ(high.z, 1.0f);
}

TEST_F(TransformStateTest, SingularTopInvertsToItself) {
  Matrix flat;
  MatrixInit(flat);
  MatrixScale(flat, 1, 0, 1);
  TransformStateLoad(state_, flat);
  const Matrix& inverse = TransformStateGetWorldInverse(state_);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(inverse.m[i], flat.m[i]) << i;
}

}  // namespace
