#include "scene/deformer.h"

#include <cstring>

#include "math/list.h"
#include "mesh/mesh.h"
#include "mesh/trig_tables.h"
#include "mesh/vertex.h"
#include "platform/crt.h"
#include "render/mesh_buffers.h"

namespace {

bool KnownType(const Deformer& deformer) { return deformer.type <= kDeformerPulse; }

// Shifts the flagged coordinates by sin x amplitude x radius.
void Wave(const Deformer& deformer, Vec3& p, uint32_t idx, float radius) {
  const float w = gTrigTables.sinTable[idx] * (deformer.amplitude * radius);
  if (deformer.onX) p.x += w;
  if (deformer.onY) p.y += w;
  if (deformer.onZ) p.z += w;
}

// Turns the position about each flagged axis, x first, then y, then z, by a whole number of
// degrees: (sin + 1) / 2 x amplitude turns, rounded to the degree, floor modulo 360.
void Twist(const Deformer& deformer, Vec3& p, uint32_t idx) {
  int32_t deg = crt::RoundToInt(gTrigTables.halfSinTable[idx] * (deformer.amplitude * 360.0f));
  deg %= static_cast<int32_t>(kTrigDegrees);
  if (deg < 0) deg += kTrigDegrees;
  const uint32_t k = gTrigTables.degreeToIndex[deg];
  const float c = gTrigTables.cosTable[k];
  const float s = gTrigTables.sinTable[k];
  float x = p.x, y = p.y, z = p.z;
  if (deformer.onX) {
    const float ty = c * y - s * z;
    z = s * y + c * z;
    y = ty;
  }
  if (deformer.onY) {
    const float tx = c * x + s * z;
    z = c * z - s * x;
    x = tx;
  }
  if (deformer.onZ) {
    const float tx = c * x - s * y;
    y = s * x + c * y;
    x = tx;
  }
  Vec3Set(p, x, y, z);
}

// Scales the flagged coordinates by (sin + 1) / 2 x amplitude + (1 - amplitude).
void Pulse(const Deformer& deformer, Vec3& p, uint32_t idx) {
  const float f = gTrigTables.halfSinTable[idx] * deformer.amplitude + (1.0f - deformer.amplitude);
  if (deformer.onX) p.x *= f;
  if (deformer.onY) p.y *= f;
  if (deformer.onZ) p.z *= f;
}

// One deformer over every vertex. Each target vertex starts as a copy of its source vertex
// (also under a twist, which changes the position only).
void ApplyDeformer(const Deformer& deformer, Vertex* target, const Vertex* source,
                   const int32_t* phases, uint32_t count, float time, float radius) {
  const uint32_t t = crt::RoundToIntLow32(deformer.speed * time * 10000.0f);
  for (uint32_t i = 0; i < count; ++i) {
    const uint32_t idx = (static_cast<uint32_t>(phases[i]) + t) % kTrigSteps;
    target[i] = source[i];
    Vec3& p = target[i].position;
    switch (deformer.type) {
      case kDeformerWave: Wave(deformer, p, idx, radius); break;
      case kDeformerTwist: Twist(deformer, p, idx); break;
      default: Pulse(deformer, p, idx); break;
    }
  }
}

}  // namespace

void DeformVertices(Vertex* target, const Vertex* source, const int32_t* phases, uint32_t count,
                    float time, const List& deformers, float radius) {
  bool written = false;
  for (const Deformer* deformer : ListItems<const Deformer>(deformers)) {
    if (!deformer || !KnownType(*deformer)) continue;
    ApplyDeformer(*deformer, target, source, phases, count, time, radius);
    written = true;
  }
  // The buffer was discarded: without a known deformer it would show undefined content.
  if (!written && count) std::memcpy(target, source, sizeof(Vertex) * count);
}

void MeshDeform(Mesh& mesh, float time, const List& deformers, float radius) {
  if (!mesh.vertices || !mesh.phases) return;
  void* locked = MeshLockVertexBuffer(mesh, mesh.vertexCount);
  if (!locked) return;
  DeformVertices(static_cast<Vertex*>(locked), mesh.vertices, mesh.phases, mesh.vertexCount, time,
                 deformers, radius);
  MeshUnlockVertexBuffer(mesh);
}
