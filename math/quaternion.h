#pragma once
// Rotation quaternions (vector part x, y, z first, scalar w last), the pose of an animation key,
// and the interpolators that turn neighbouring keys into a transform.
//
// The quaternions these produce are not always of unit length; QuaternionToMatrix divides by
// the squared length, so every consumer copes. Angles are degrees.

#include <cstdint>

#include "math/matrix.h"
#include "math/vec.h"

struct Quaternion {
  float x, y, z, w;
};

// A key's pose: the position and rotation it owns (Part of the animation key record).
struct Pose {
  Vec3* position;
  Quaternion* rotation;
};

// q = (0, 0, 0, 0). QuaternionZeroEntry is the same operation.
void QuaternionZero(Quaternion& q);
void QuaternionZeroEntry(Quaternion& q);
void QuaternionSet(Quaternion& q, float x, float y, float z, float w);
// dst = src. QuaternionCopyTwin is the same operation.
void QuaternionCopy(Quaternion& dst, const Quaternion& src);
void QuaternionCopyTwin(Quaternion& dst, const Quaternion& src);
// a = a + b, component-wise.
void QuaternionAdd(Quaternion& a, const Quaternion& b);
void QuaternionScale(Quaternion& q, float s);
void QuaternionScaleQuarter(Quaternion& q);
void QuaternionNegate(Quaternion& q);
// (x, y, z) negated, w kept.
void QuaternionConjugate(Quaternion& q);
// a.w b.w + a.z b.z + a.y b.y + a.x b.x (that order of summation).
float QuaternionDot(const Quaternion& a, const Quaternion& b);
// a = a b, the Hamilton product with a on the left:
//   w' = a.w b.w - (a.x b.x + a.y b.y + a.z b.z)
//   v' = a.v x b.v + b.w a.v + a.w b.v
void QuaternionMultiply(Quaternion& a, const Quaternion& b);
// From Euler angles in degrees with half angles a, b, c of ax, ay, az:
//   x = sa cb cc - ca sb sc      y = ca sb cc + sa cb sc
//   z = ca cb sc - sa cb sc      w = ca cb cc + sa sb sc
// The z term's second product is sa cb sc (not sa sb cc) on purpose: stored keys were made
// with it. The result is not normalised.
void QuaternionFromEulerDeg(Quaternion& q, float ax, float ay, float az);
// Rotation matrix (row vectors) with s = 2 / dot(q, q), or s = 0 for a zero quaternion (giving
// the identity).
void QuaternionToMatrix(const Quaternion& q, Matrix& out);
// Spherical interpolation, theta = acos(dot(a, b)) as a float. The dot product is neither
// clamped nor made positive: a negative dot takes the longer arc and |dot| > 1 gives NaN.
// theta >= 0.0001: out = a sin((1 - t) theta) / sin theta + b sin(t theta) / sin theta;
// otherwise (or NaN) the linear blend (b - a) t + a.
void QuaternionSlerp(const Quaternion& a, const Quaternion& b, float t, Quaternion& out);
// Squad inner handle of q: c = conj(q); d1 = c prev, d2 = c next; a w with |w| >= 1 (or NaN)
// becomes 0; out = q (-(d1 + d2) x 0.25).
void QuaternionSquadInner(Quaternion& out, const Quaternion& prev, const Quaternion& q,
                          const Quaternion& next);
// out = slerp(slerp(q1, q2, t), slerp(s1, s2, t), 2 t (1 - t)).
void QuaternionSquad(const Quaternion& q1, const Quaternion& q2, const Quaternion& s1,
                     const Quaternion& s2, float t, Quaternion& out);

void PoseInit(Pose& pose, Vec3* position, Quaternion* rotation);
// Slerp and lerp between keys a and b at t, composed onto out. With the order flag set a point
// is translated first, then rotated, then taken through the old out; with it clear it is
// rotated first, then translated.
void PoseInterpolateLinear(const Pose& a, const Pose& b, float t, Matrix& out, uint8_t order);
// Squad rotation and Hermite position (Catmull-Rom tangents) between a and b, with p before a
// and n after b; composed onto out as PoseInterpolateLinear does.
void PoseInterpolateCubic(const Pose& p, const Pose& a, const Pose& b, const Pose& n, float t,
                          Matrix& out, uint8_t order);
