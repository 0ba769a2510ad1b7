#include "math/quaternion.h"

#include <cmath>

namespace {
constexpr double kDegToRad = 0.017453292519943295;

// Composes rotation r and translation position onto out in the order the flag says.
void ComposePose(const Quaternion& rotation, const Vec3& position, Matrix& out, uint8_t order) {
  Matrix r;
  QuaternionToMatrix(rotation, r);
  if (order) {
    MatrixPreMultiply(r, out);
    MatrixTranslate(out, position.x, position.y, position.z);
  } else {
    MatrixTranslate(out, position.x, position.y, position.z);
    MatrixPreMultiply(r, out);
  }
}
}  // namespace

void QuaternionZero(Quaternion& q) { q = Quaternion{0, 0, 0, 0}; }
void QuaternionZeroEntry(Quaternion& q) { QuaternionZero(q); }
void QuaternionSet(Quaternion& q, float x, float y, float z, float w) { q = {x, y, z, w}; }
void QuaternionCopy(Quaternion& dst, const Quaternion& src) { dst = src; }
void QuaternionCopyTwin(Quaternion& dst, const Quaternion& src) { dst = src; }

void QuaternionAdd(Quaternion& a, const Quaternion& b) {
  a = Quaternion{a.x + b.x, a.y + b.y, a.z + b.z, a.w + b.w};
}

void QuaternionScale(Quaternion& q, float s) { q = Quaternion{q.x * s, q.y * s, q.z * s, q.w * s}; }
void QuaternionScaleQuarter(Quaternion& q) { QuaternionScale(q, 0.25f); }
void QuaternionNegate(Quaternion& q) { q = Quaternion{-q.x, -q.y, -q.z, -q.w}; }
void QuaternionConjugate(Quaternion& q) { q = Quaternion{-q.x, -q.y, -q.z, q.w}; }

float QuaternionDot(const Quaternion& a, const Quaternion& b) {
  return a.w * b.w + a.z * b.z + a.y * b.y + a.x * b.x;
}

void QuaternionMultiply(Quaternion& a, const Quaternion& b) {
  const Vec3 av{a.x, a.y, a.z}, bv{b.x, b.y, b.z};
  const float w = a.w * b.w - (a.x * b.x + a.y * b.y + a.z * b.z);
  Vec3 v;
  Vec3Cross(v, av, bv);
  a = Quaternion{v.x + b.w * av.x + a.w * bv.x, v.y + b.w * av.y + a.w * bv.y,
                 v.z + b.w * av.z + a.w * bv.z, w};
}

void QuaternionFromEulerDeg(Quaternion& q, float ax, float ay, float az) {
  const float a = static_cast<float>(ax * kDegToRad * 0.5);
  const float b = static_cast<float>(ay * kDegToRad * 0.5);
  const float c = static_cast<float>(az * kDegToRad * 0.5);
  const float sa = std::sin(a), ca = std::cos(a);
  const float sb = std::sin(b), cb = std::cos(b);
  const float sc = std::sin(c), cc = std::cos(c);
  q = Quaternion{sa * cb * cc - ca * sb * sc, ca * sb * cc + sa * cb * sc,
                 ca * cb * sc - sa * cb * sc, ca * cb * cc + sa * sb * sc};
}

void QuaternionToMatrix(const Quaternion& q, Matrix& out) {
  const float n = QuaternionDot(q, q);
  const float s = n > 0.0f ? 2.0f / n : 0.0f;
  const float x = q.x, y = q.y, z = q.z, w = q.w;
  out = Matrix{{1.0f - s * (y * y + z * z), s * (x * y + w * z), s * (x * z - w * y), 0.0f,
                s * (x * y - w * z), 1.0f - s * (x * x + z * z), s * (y * z + w * x), 0.0f,
                s * (x * z + w * y), s * (y * z - w * x), 1.0f - s * (x * x + y * y), 0.0f, 0.0f,
                0.0f, 0.0f, 1.0f}};
}

void QuaternionSlerp(const Quaternion& a, const Quaternion& b, float t, Quaternion& out) {
  const float theta = std::acos(QuaternionDot(a, b));
  if (theta >= 0.0001) {
    const float r = 1.0f / std::sin(theta);
    const float wa = std::sin((1.0f - t) * theta) * r;
    const float wb = std::sin(t * theta) * r;
    out = Quaternion{a.x * wa + b.x * wb, a.y * wa + b.y * wb, a.z * wa + b.z * wb,
                     a.w * wa + b.w * wb};
  } else {
    out = Quaternion{(b.x - a.x) * t + a.x, (b.y - a.y) * t + a.y, (b.z - a.z) * t + a.z,
                     (b.w - a.w) * t + a.w};
  }
}

void QuaternionSquadInner(Quaternion& out, const Quaternion& prev, const Quaternion& q,
                          const Quaternion& next) {
  Quaternion c = q;
  QuaternionConjugate(c);
  Quaternion d1 = c, d2 = c;
  QuaternionMultiply(d1, prev);
  QuaternionMultiply(d2, next);
  // !(|w| < 1) also catches NaN.
  if (!(std::fabs(d1.w) < 1.0f)) d1.w = 0.0f;
  if (!(std::fabs(d2.w) < 1.0f)) d2.w = 0.0f;
  QuaternionAdd(d1, d2);
  QuaternionNegate(d1);
  QuaternionScaleQuarter(d1);
  Quaternion result = q;
  QuaternionMultiply(result, d1);
  out = result;
}

void QuaternionSquad(const Quaternion& q1, const Quaternion& q2, const Quaternion& s1,
                     const Quaternion& s2, float t, Quaternion& out) {
  Quaternion outer, inner;
  QuaternionZero(outer);
  QuaternionZero(inner);
  QuaternionSlerp(q1, q2, t, outer);
  QuaternionSlerp(s1, s2, t, inner);
  QuaternionSlerp(outer, inner, 2.0f * t * (1.0f - t), out);
}

void PoseInit(Pose& pose, Vec3* position, Quaternion* rotation) {
  pose.position = position;
  pose.rotation = rotation;
}

void PoseInterpolateLinear(const Pose& a, const Pose& b, float t, Matrix& out, uint8_t order) {
  Quaternion rotation;
  Vec3 position;
  QuaternionSlerp(*a.rotation, *b.rotation, t, rotation);
  Vec3Lerp(position, *a.position, *b.position, t);
  ComposePose(rotation, position, out, order);
}

void PoseInterpolateCubic(const Pose& p, const Pose& a, const Pose& b, const Pose& n, float t,
                          Matrix& out, uint8_t order) {
  Quaternion s1, s2, rotation;
  QuaternionSquadInner(s1, *p.rotation, *a.rotation, *b.rotation);
  QuaternionSquadInner(s2, *a.rotation, *b.rotation, *n.rotation);
  Vec3 m0, m1, position;
  Vec3CatmullRomTangent(m0, *p.position, *a.position, *b.position);
  Vec3CatmullRomTangent(m1, *a.position, *b.position, *n.position);
  QuaternionSquad(*a.rotation, *b.rotation, s1, s2, t, rotation);
  Vec3Hermite(position, *a.position, *b.position, m0, m1, t);
  ComposePose(rotation, position, out, order);
}
