#include "render/transform_state.h"

#include <cmath>
#include <initializer_list>

#include "platform/crt.h"
#include "render/device.h"

namespace {

constexpr double kDegreesToRadians = 0.017453292519943295;

Matrix* NewIdentity() {
  Matrix* m = crt::AlignedNew<Matrix>();
  MatrixInit(*m);
  return m;
}

// Clip x, y, z from -1..1 to 0..1, y not flipped.
Matrix BiasMatrix() {
  Matrix bias{};
  bias.m[0] = bias.m[5] = bias.m[10] = 0.5f;
  bias.m[12] = bias.m[13] = bias.m[14] = 0.5f;
  bias.m[15] = 1.0f;
  return bias;
}

void SetZero(Matrix& m) {
  for (float& e : m.m) e = 0.0f;
}

}  // namespace

TransformState* TransformStateInit(TransformState* state, Device* owner) {
  state->index = 0;
  state->stack = crt::AlignedNewArray<Matrix>(kTransformStackSize);
  for (int32_t i = 0; i < kTransformStackSize; ++i) MatrixInit(state->stack[i]);
  state->owner = owner;
  state->view = NewIdentity();
  state->projection = NewIdentity();
  state->wvp = NewIdentity();
  state->worldInverse = NewIdentity();
  state->wvpInverseTransposed = NewIdentity();
  state->wvpTransposed = NewIdentity();
  state->wvpBiasTransposed = NewIdentity();
  // Whole-number aspect, as the start-up always did: 1024 x 768 gives 1.
  uint32_t height = DeviceGetHeight(*owner);
  double aspect = height ? static_cast<double>(DeviceGetWidth(*owner) / height) : 1.0;
  TransformStateSetPerspective(*state, 30.0, aspect, 1.0, 10000.0);
  TransformStateLoadIdentity(*state);
  return state;
}

void TransformStateCleanup(TransformState& state) {
  crt::AlignedDeleteArray(state.stack, kTransformStackSize);
  for (Matrix* m : {state.view, state.projection, state.wvp, state.worldInverse,
                    state.wvpInverseTransposed, state.wvpTransposed, state.wvpBiasTransposed}) {
    crt::AlignedDelete(m);
  }
}

void TransformStatePush(TransformState& state) {
  if (state.index >= kTransformStackSize - 1) return;  // refused: the top slot is in use
  ++state.index;
  state.stack[state.index] = state.stack[state.index - 1];
  state.dirty = 1;
}

void TransformStatePop(TransformState& state) {
  if (state.index > 0) --state.index;
  state.dirty = 1;
}

void TransformStateLoad(TransformState& state, const Matrix& matrix) {
  state.stack[state.index] = matrix;
  state.dirty = 1;
}

void TransformStateLoadIdentity(TransformState& state) {
  MatrixInit(state.stack[state.index]);
  state.dirty = 1;
}

void TransformStateMultiply(TransformState& state, const Matrix& matrix) {
  MatrixPreMultiply(matrix, state.stack[state.index]);
  state.dirty = 1;
}

Matrix* TransformStateGetTop(TransformState& state) { return &state.stack[state.index]; }

Matrix* TransformStateGetView(TransformState& state) { return state.view; }

void TransformStateSetView(TransformState& state, const Matrix& matrix) {
  *state.view = matrix;
  state.dirty = 1;
}

void TransformStateSetPerspective(TransformState& state, double fov, double aspect, double near,
                                  double far) {
  double h = std::tan(fov * kDegreesToRadians * 0.5) * near;
  TransformStateSetOffCenter(state, -h * aspect, h * aspect, -h, h, near, far);
}

void TransformStateSetOffCenter(TransformState& state, double left, double right, double bottom,
                                double top, double near, double far) {
  Matrix& p = *state.projection;
  SetZero(p);
  p.m[0] = static_cast<float>(2.0 * near / (right - left));
  p.m[5] = static_cast<float>(-2.0 * near / (bottom - top));
  p.m[8] = static_cast<float>((left + right) / (left - right));
  // (b + t) / (b - t), like element 8, so the bottom and top bounds land on clip -1 and 1.
  p.m[9] = static_cast<float>((bottom + top) / (bottom - top));
  p.m[10] = static_cast<float>(far / (far - near));
  p.m[11] = 1.0f;
  p.m[14] = static_cast<float>(near * far / (near - far));
  state.dirty = 1;
}

void TransformStateSetOrtho2D(TransformState& state, double width, double height) {
  MatrixInit(*state.view);
  MatrixInit(*state.projection);
  Matrix& top = state.stack[state.index];
  SetZero(top);
  top.m[0] = static_cast<float>(2.0 / width);
  top.m[12] = -1.0f;
  top.m[5] = static_cast<float>(2.0 / height);
  top.m[13] = -1.0f;
  top.m[10] = 0.5f;
  top.m[14] = 0.5f;
  top.m[15] = 1.0f;
  state.dirty = 1;
}

void TransformStateBeginOverlay(TransformState& state) {
  TransformStatePush(state);
  TransformStateSetOrtho2D(state, DeviceGetWidth(*state.owner), DeviceGetHeight(*state.owner));
}

void TransformStateEndOverlay(TransformState& state) { TransformStatePop(state); }

void TransformStateUpdate(TransformState& state) {
  const Matrix& top = state.stack[state.index];
  Matrix worldView = *state.view;
  MatrixPreMultiply(top, worldView);  // (top x view) x projection: left to right
  Matrix& wvp = *state.wvp;
  wvp = *state.projection;
  MatrixPreMultiply(worldView, wvp);
  MatrixTranspose(*state.wvpTransposed, wvp);
  Matrix inverse = wvp;
  MatrixInvert(inverse);
  MatrixTranspose(*state.wvpInverseTransposed, inverse);
  *state.worldInverse = top;
  MatrixInvert(*state.worldInverse);
  Matrix biased = BiasMatrix();
  MatrixPreMultiply(wvp, biased);
  MatrixTranspose(*state.wvpBiasTransposed, biased);
  state.dirty = 0;
}

namespace {
const Matrix& Updated(TransformState& state, const Matrix* derived) {
  if (state.dirty) TransformStateUpdate(state);
  return *derived;
}
}  // namespace

const Matrix& TransformStateGetWvpTransposed(TransformState& state) {
  return Updated(state, state.wvpTransposed);
}
const Matrix& TransformStateGetWvpInverseTransposed(TransformState& state) {
  return Updated(state, state.wvpInverseTransposed);
}
const Matrix& TransformStateGetWvpBiasTransposed(TransformState& state) {
  return Updated(state, state.wvpBiasTransposed);
}
const Matrix& TransformStateGetWorldInverse(TransformState& state) {
  return Updated(state, state.worldInverse);
}
