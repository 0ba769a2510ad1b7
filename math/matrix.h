#pragma once
// The system's one transform type: 16 floats, row-major (m[0..3] the first row), row-vector
// convention. A point p = (x, y, z, 1) transforms as p x M, so the translation sits in
// m[12], m[13], m[14]. Composing A first and B second gives A x B.
//
// The composing operations (scale, translate, rotate) pre-multiply: the new transform acts on
// a point before the existing one, so the call made last acts first.

#include "math/vec.h"

struct alignas(16) Matrix {
  float m[16];
};

// m = identity (MatrixInit and MatrixSetIdentity are the same operation).
void MatrixInit(Matrix& m);
void MatrixSetIdentity(Matrix& m);
// dst = transpose of src (dst row i = src column i). dst may be src.
void MatrixTranspose(Matrix& dst, const Matrix& src);
// Laplace expansion by the 2 x 2 minors of rows 0-1 and rows 2-3.
float MatrixDeterminant(const Matrix& m);
// m = inverse of m (adjugate times 1/det). Unchanged when the determinant is exactly 0
// (a NaN determinant does not count as 0).
void MatrixInvert(Matrix& m);
// dst = a x dst. a may be dst.
void MatrixPreMultiply(const Matrix& a, Matrix& dst);
// dst = S(x, y, z) x dst.
void MatrixScale(Matrix& dst, float x, float y, float z);
// dst = T(x, y, z) x dst.
void MatrixTranslate(Matrix& dst, float x, float y, float z);
// dst = Rz(az) x Ry(ay) x Rx(ax) x dst, angles in degrees: on a point the rotation about Z
// acts first, then Y, then X, then the old transform.
void MatrixRotateXYZ(Matrix& dst, float ax, float ay, float az);
// out = (m[12], m[13], m[14]).
void MatrixGetTranslation(const Matrix& m, Vec3& out);
// m = the pure translation T(x, y, z).
void MatrixMakeTranslation(Matrix& m, float x, float y, float z);
