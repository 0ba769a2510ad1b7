#include "math/matrix.h"

#include <cmath>

namespace {

constexpr double kDegToRad = 0.017453292519943295;
constexpr Matrix kIdentity = {{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}};

// The 2 x 2 minor of rows r, r + 1 and columns a, b.
float Minor(const float* m, int r, int a, int b) {
  return m[r * 4 + a] * m[(r + 1) * 4 + b] - m[r * 4 + b] * m[(r + 1) * 4 + a];
}

// Elementary rotation in the plane of axes i and j (x = 0, y = 1, z = 2): row i gets
// (cos, sin) and row j gets (-sin, cos) in columns i, j.
Matrix PlaneRotation(int i, int j, float degrees) {
  const float angle = static_cast<float>(degrees * kDegToRad);
  const float c = std::cos(angle), s = std::sin(angle);
  Matrix r = kIdentity;
  r.m[i * 4 + i] = c;
  r.m[i * 4 + j] = s;
  r.m[j * 4 + i] = -s;
  r.m[j * 4 + j] = c;
  return r;
}

}  // namespace

void MatrixInit(Matrix& m) { m = kIdentity; }
void MatrixSetIdentity(Matrix& m) { m = kIdentity; }

void MatrixTranspose(Matrix& dst, const Matrix& src) {
  const Matrix copy = src;
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) dst.m[i * 4 + j] = copy.m[j * 4 + i];
}

float MatrixDeterminant(const Matrix& matrix) {
  const float* m = matrix.m;
  // Column pairs (0,1) (0,2) (0,3) (1,2) (1,3) (2,3) of rows 0-1, each with the complementary
  // pair of rows 2-3; signs + - + + - +.
  return Minor(m, 0, 0, 1) * Minor(m, 2, 2, 3) - Minor(m, 0, 0, 2) * Minor(m, 2, 1, 3) +
         Minor(m, 0, 0, 3) * Minor(m, 2, 1, 2) + Minor(m, 0, 1, 2) * Minor(m, 2, 0, 3) -
         Minor(m, 0, 1, 3) * Minor(m, 2, 0, 2) + Minor(m, 0, 2, 3) * Minor(m, 2, 0, 1);
}

void MatrixInvert(Matrix& matrix) {
  const float det = MatrixDeterminant(matrix);
  if (det == 0.0f) return;
  const float r = 1.0f / det;
  const float* m = matrix.m;
  // Minors of rows 0-1 (s) and rows 2-3 (c), held as floats.
  const float s0 = Minor(m, 0, 0, 1), s1 = Minor(m, 0, 0, 2), s2 = Minor(m, 0, 0, 3);
  const float s3 = Minor(m, 0, 1, 2), s4 = Minor(m, 0, 1, 3), s5 = Minor(m, 0, 2, 3);
  const float c5 = Minor(m, 2, 2, 3), c4 = Minor(m, 2, 1, 3), c3 = Minor(m, 2, 1, 2);
  const float c2 = Minor(m, 2, 0, 3), c1 = Minor(m, 2, 0, 2), c0 = Minor(m, 2, 0, 1);
  Matrix inv;
  inv.m[0] = (m[5] * c5 - m[6] * c4 + m[7] * c3) * r;
  inv.m[1] = (-m[1] * c5 + m[2] * c4 - m[3] * c3) * r;
  inv.m[2] = (m[13] * s5 - m[14] * s4 + m[15] * s3) * r;
  inv.m[3] = (-m[9] * s5 + m[10] * s4 - m[11] * s3) * r;
  inv.m[4] = (-m[4] * c5 + m[6] * c2 - m[7] * c1) * r;
  inv.m[5] = (m[0] * c5 - m[2] * c2 + m[3] * c1) * r;
  inv.m[6] = (-m[12] * s5 + m[14] * s2 - m[15] * s1) * r;
  inv.m[7] = (m[8] * s5 - m[10] * s2 + m[11] * s1) * r;
  inv.m[8] = (m[4] * c4 - m[5] * c2 + m[7] * c0) * r;
  inv.m[9] = (-m[0] * c4 + m[1] * c2 - m[3] * c0) * r;
  inv.m[10] = (m[12] * s4 - m[13] * s2 + m[15] * s0) * r;
  inv.m[11] = (-m[8] * s4 + m[9] * s2 - m[11] * s0) * r;
  inv.m[12] = (-m[4] * c3 + m[5] * c1 - m[6] * c0) * r;
  inv.m[13] = (m[0] * c3 - m[1] * c1 + m[2] * c0) * r;
  inv.m[14] = (-m[12] * s3 + m[13] * s1 - m[14] * s0) * r;
  inv.m[15] = (m[8] * s3 - m[9] * s1 + m[10] * s0) * r;
  matrix = inv;
}

void MatrixPreMultiply(const Matrix& a, Matrix& dst) {
  const Matrix left = a, right = dst;
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) {
      float sum = 0.0f;
      for (int k = 0; k < 4; ++k) sum += left.m[i * 4 + k] * right.m[k * 4 + j];
      dst.m[i * 4 + j] = sum;
    }
}

void MatrixScale(Matrix& dst, float x, float y, float z) {
  Matrix s = kIdentity;
  s.m[0] = x;
  s.m[5] = y;
  s.m[10] = z;
  MatrixPreMultiply(s, dst);
}

void MatrixTranslate(Matrix& dst, float x, float y, float z) {
  Matrix t = kIdentity;
  t.m[12] = x;
  t.m[13] = y;
  t.m[14] = z;
  MatrixPreMultiply(t, dst);
}

void MatrixRotateXYZ(Matrix& dst, float ax, float ay, float az) {
  MatrixPreMultiply(PlaneRotation(1, 2, ax), dst);  // Rx: m5 = c, m6 = s, m9 = -s, m10 = c
  MatrixPreMultiply(PlaneRotation(2, 0, ay), dst);  // Ry: m10 = c, m8 = s, m2 = -s, m0 = c
  MatrixPreMultiply(PlaneRotation(0, 1, az), dst);  // Rz: m0 = c, m1 = s, m4 = -s, m5 = c
}

void MatrixGetTranslation(const Matrix& m, Vec3& out) { out = Vec3{m.m[12], m.m[13], m.m[14]}; }

void MatrixMakeTranslation(Matrix& m, float x, float y, float z) {
  m = kIdentity;
  MatrixTranslate(m, x, y, z);
}
