#pragma once
// TransformState: world, view and projection of the drawing pipeline, the world transform as a
// 32-slot matrix stack, and four matrices derived from them for the shader constants. The
// derived matrices are recomputed lazily: every change marks the state dirty and the first
// getter of a derived matrix afterwards recomputes all of them. Matrices are row-vector
// convention (A x B applies A first). One per Device; main thread only.

#include <cstdint>

#include "math/matrix.h"

struct Device;

constexpr int32_t kTransformStackSize = 32;

struct TransformState {
  uint8_t dirty;                 // 1 after any change, 0 right after TransformStateUpdate
  Matrix* view;                  // owned
  Matrix* projection;            // owned
  Matrix* wvp;                   // (top x view) x projection, left to right (derived)
  Matrix* worldInverse;          // inverse of top (derived)
  Matrix* wvpInverseTransposed;  // transpose of the inverse of wvp (derived)
  Matrix* wvpTransposed;         // transpose of wvp (derived)
  Matrix* wvpBiasTransposed;     // transpose of top x view x projection x bias (derived)
  Matrix* stack;                 // kTransformStackSize matrices in one block
  int32_t index;                 // slot of the top, 0..31
  Device* owner;                 // back-buffer size for the overlay and the initial aspect
};

// Constructs in place: identity stack with index 0, identity view and derived matrices, a
// 30-degree perspective with aspect = width / height (whole-number quotient: 1 for 1024 x 768),
// near 1, far 10000. Returns the state.
TransformState* TransformStateInit(TransformState* state, Device* owner);
// Frees the stack and the seven matrices; the caller frees the state.
void TransformStateCleanup(TransformState& state);

// The new top is a copy of the old one. At slot 31 the push is refused: index and stack stay.
void TransformStatePush(TransformState& state);
// index - 1; at slot 0 nothing changes.
void TransformStatePop(TransformState& state);
void TransformStateLoad(TransformState& state, const Matrix& matrix);
void TransformStateLoadIdentity(TransformState& state);
// top = M x top (M applies before the current top).
void TransformStateMultiply(TransformState& state, const Matrix& matrix);
Matrix* TransformStateGetTop(TransformState& state);
Matrix* TransformStateGetView(TransformState& state);
void TransformStateSetView(TransformState& state, const Matrix& matrix);

// Vertical field of view in degrees; h = tan(fov x pi/180 x 0.5) x near, then
// TransformStateSetOffCenter(-h x aspect, h x aspect, -h, h, near, far).
void TransformStateSetPerspective(TransformState& state, double fov, double aspect, double near,
                                  double far);
// Left-handed off-centre projection: the near-plane bounds reach clip -1 and 1, depth near -> 0,
// far -> 1, view z into w. Computed in double precision and stored as floats.
void TransformStateSetOffCenter(TransformState& state, double left, double right, double bottom,
                                double top, double near, double far);
// view = projection = identity, top = the pixel mapping x' = 2x / width - 1,
// y' = 2y / height - 1 (pixel row 0 at the bottom), z' = 0.5z + 0.5.
void TransformStateSetOrtho2D(TransformState& state, double width, double height);
// Push, then SetOrtho2D with the owner's back-buffer size.
void TransformStateBeginOverlay(TransformState& state);
// Pop; view and projection stay identity until a camera sets them.
void TransformStateEndOverlay(TransformState& state);

// Recomputes the derived matrices (a singular matrix inverts to itself) and clears dirty.
void TransformStateUpdate(TransformState& state);
// Getters of the derived matrices; each updates first when dirty.
const Matrix& TransformStateGetWvpTransposed(TransformState& state);
const Matrix& TransformStateGetWvpInverseTransposed(TransformState& state);
const Matrix& TransformStateGetWvpBiasTransposed(TransformState& state);
const Matrix& TransformStateGetWorldInverse(TransformState& state);
