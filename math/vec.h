#pragma once
// Three- and four-component vectors of 32-bit floats: positions, normals, tangents, scale
// factors and Euler angles. Plain value operations; none allocates, fails or reports.
//
// Arithmetic is single precision; every result is stored as a 32-bit float. Unless an
// operation says otherwise, `out` may be the same record as an input: inputs are read into
// locals before anything is written.

struct Matrix;

struct Vec3 {
  float x, y, z;
};

struct Vec4 {
  float x, y, z, w;
};

// v = (0, 0, 0). Vec3Zero is the same operation.
void Vec3Init(Vec3& v);
void Vec3Zero(Vec3& v);
void Vec3Set(Vec3& v, float x, float y, float z);
void Vec3Copy(Vec3& dst, const Vec3& src);
// out = a + b; out = a - b (formula order).
void Vec3Add(Vec3& out, const Vec3& a, const Vec3& b);
void Vec3Sub(Vec3& out, const Vec3& a, const Vec3& b);
// a = (a.x b.x, a.y b.y, a.z b.z), in place.
void Vec3Mul(Vec3& a, const Vec3& b);
// a = a s, in place.
void Vec3Scale(Vec3& a, float s);
float Vec3Dot(const Vec3& a, const Vec3& b);
// out = a x b = (a.y b.z - a.z b.y, a.z b.x - a.x b.z, a.x b.y - a.y b.x).
void Vec3Cross(Vec3& out, const Vec3& a, const Vec3& b);
float Vec3Length(const Vec3& v);
// v = v * (1 / length), the reciprocal taken once. A zero vector stays zero (it would
// otherwise become NaN).
void Vec3Normalize(Vec3& v);
// out = (to - from) t + from: t = 0 gives from exactly, t = 1 gives to.
void Vec3Lerp(Vec3& out, const Vec3& from, const Vec3& to, float t);
// Cubic Hermite point between p0 (t = 0) and p1 (t = 1) with end tangents m0, m1:
//   h00 = 2t^3 - 3t^2 + 1, h01 = 3t^2 - 2t^3, h10 = t^3 - 2t^2 + t, h11 = t^3 - t^2
//   out = h00 p0 + h01 p1 + h10 m0 + h11 m1
void Vec3Hermite(Vec3& out, const Vec3& p0, const Vec3& p1, const Vec3& m0, const Vec3& m1,
                 float t);
// Catmull-Rom tangent at p: out = (((p - prev) + next) - p) * 0.5, evaluated in that order
// (equal to (next - prev) / 2 up to rounding).
void Vec3CatmullRomTangent(Vec3& out, const Vec3& prev, const Vec3& p, const Vec3& next);
// Rotates v in place about X by ax, then about Y by ay, then about Z by az (radians, each
// plane rotation reading the result of the one before); the same as v x Rx x Ry x Rz.
// Positive angles turn counter-clockwise looking down the positive axis.
void Vec3RotateEuler(Vec3& v, float ax, float ay, float az);
// Degrees: each angle times pi/180 (the double constant, product stored as float), then
// Vec3RotateEuler.
void Vec3RotateEulerDeg(Vec3& v, float ax, float ay, float az);

// out = (v.x, v.y, v.z, 1).
void Vec4FromVec3(Vec4& out, const Vec3& v);
// p = (p.x, p.y, p.z, 1) x m, row-vector convention; the input w is ignored.
void MatrixTransformPoint(Vec4& p, const Matrix& m);
