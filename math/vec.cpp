#include "math/vec.h"

#include <cmath>

#include "math/matrix.h"

namespace {
constexpr double kDegToRad = 0.017453292519943295;
}

void Vec3Init(Vec3& v) { v = Vec3{0.0f, 0.0f, 0.0f}; }
void Vec3Zero(Vec3& v) { Vec3Init(v); }
void Vec3Set(Vec3& v, float x, float y, float z) { v = Vec3{x, y, z}; }
void Vec3Copy(Vec3& dst, const Vec3& src) { dst = src; }

void Vec3Add(Vec3& out, const Vec3& a, const Vec3& b) {
  out = Vec3{a.x + b.x, a.y + b.y, a.z + b.z};
}

void Vec3Sub(Vec3& out, const Vec3& a, const Vec3& b) {
  out = Vec3{a.x - b.x, a.y - b.y, a.z - b.z};
}

void Vec3Mul(Vec3& a, const Vec3& b) { a = Vec3{a.x * b.x, a.y * b.y, a.z * b.z}; }

void Vec3Scale(Vec3& a, float s) { a = Vec3{a.x * s, a.y * s, a.z * s}; }

float Vec3Dot(const Vec3& a, const Vec3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

void Vec3Cross(Vec3& out, const Vec3& a, const Vec3& b) {
  out = Vec3{a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

float Vec3Length(const Vec3& v) { return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z); }

void Vec3Normalize(Vec3& v) {
  const float length = Vec3Length(v);
  if (length == 0.0f) return;
  Vec3Scale(v, 1.0f / length);
}

void Vec3Lerp(Vec3& out, const Vec3& from, const Vec3& to, float t) {
  out = Vec3{(to.x - from.x) * t + from.x, (to.y - from.y) * t + from.y,
             (to.z - from.z) * t + from.z};
}

void Vec3Hermite(Vec3& out, const Vec3& p0, const Vec3& p1, const Vec3& m0, const Vec3& m1,
                 float t) {
  const float t2 = t * t;
  const float t3 = t2 * t;
  const float h00 = 2.0f * t3 - 3.0f * t2 + 1.0f;
  const float h01 = 3.0f * t2 - 2.0f * t3;
  const float h10 = t3 - 2.0f * t2 + t;
  const float h11 = t3 - t2;
  out = Vec3{h00 * p0.x + h01 * p1.x + h10 * m0.x + h11 * m1.x,
             h00 * p0.y + h01 * p1.y + h10 * m0.y + h11 * m1.y,
             h00 * p0.z + h01 * p1.z + h10 * m0.z + h11 * m1.z};
}

void Vec3CatmullRomTangent(Vec3& out, const Vec3& prev, const Vec3& p, const Vec3& next) {
  out = Vec3{(((p.x - prev.x) + next.x) - p.x) * 0.5f, (((p.y - prev.y) + next.y) - p.y) * 0.5f,
             (((p.z - prev.z) + next.z) - p.z) * 0.5f};
}

void Vec3RotateEuler(Vec3& v, float ax, float ay, float az) {
  float c = std::cos(ax), s = std::sin(ax);
  float y = c * v.y - s * v.z;
  float z = s * v.y + c * v.z;
  v.y = y;
  v.z = z;
  c = std::cos(ay), s = std::sin(ay);
  float x = c * v.x + s * v.z;
  z = c * v.z - s * v.x;
  v.x = x;
  v.z = z;
  c = std::cos(az), s = std::sin(az);
  x = c * v.x - s * v.y;
  y = s * v.x + c * v.y;
  v.x = x;
  v.y = y;
}

void Vec3RotateEulerDeg(Vec3& v, float ax, float ay, float az) {
  Vec3RotateEuler(v, static_cast<float>(ax * kDegToRad), static_cast<float>(ay * kDegToRad),
                  static_cast<float>(az * kDegToRad));
}

void Vec4FromVec3(Vec4& out, const Vec3& v) { out = Vec4{v.x, v.y, v.z, 1.0f}; }

void MatrixTransformPoint(Vec4& p, const Matrix& m) {
  const float x = p.x, y = p.y, z = p.z;
  const float* e = m.m;
  p = Vec4{x * e[0] + y * e[4] + z * e[8] + e[12], x * e[1] + y * e[5] + z * e[9] + e[13],
           x * e[2] + y * e[6] + z * e[10] + e[14], x * e[3] + y * e[7] + z * e[11] + e[15]};
}
