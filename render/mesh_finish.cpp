#include "render/mesh_finish.h"

#include <cmath>
#include <cstring>

#include "mesh/material_run.h"
#include "mesh/mesh.h"
#include "mesh/trig_tables.h"
#include "platform/crt.h"
#include "render/device.h"
#include "render/mesh_buffers.h"
#include "render/renderer.h"

namespace {

Renderer* RendererOf(const Mesh& mesh) { return mesh.device ? mesh.device->renderer : nullptr; }

// Copies `bytes` from `source` into what `lock` returns, then unlocks; nothing when the lock
// gives no memory (no buffer, or a failed lock) or there is nothing to copy (a lock of size 0
// would take the whole buffer).
template <class Lock, class Unlock>
void FillBuffer(Mesh& mesh, uint32_t count, const void* source, uint32_t bytes, Lock lock,
                Unlock unlock) {
  if (!count) return;
  void* target = lock(mesh, count);
  if (!target) return;
  std::memcpy(target, source, bytes);
  unlock(mesh);
}

}  // namespace

void MeshBuildPhases(Mesh& mesh, float radius) {
  crt::AlignedFree(mesh.phases);
  mesh.phases = static_cast<int32_t*>(crt::AlignedAlloc(sizeof(int32_t) * mesh.vertexCount));
  const float q = radius > 0.0f ? 1.0f / radius : 0.0f;
  for (uint32_t i = 0; i < mesh.vertexCount; ++i) {
    const Vec3& p = mesh.vertices[i].position;
    const float length = std::sqrt(p.x * p.x + p.y * p.y + p.z * p.z);
    mesh.phases[i] = crt::RoundToInt(length * q * static_cast<float>(kTrigSteps));
  }
}

void MeshCreateBuffers(Mesh& mesh, uint8_t dynamic) {
  Renderer* renderer = RendererOf(mesh);
  if (!renderer) return;
  MeshCreateVertexBuffer(mesh.vertexCount, mesh, *renderer, dynamic);
  MeshCreateIndexBuffer(*renderer, mesh, mesh.indexCount, dynamic);
}

void MeshFinish(Mesh& mesh, uint8_t dynamic, float radius) {
  MeshBuildRuns(mesh);
  MeshCreateBuffers(mesh, dynamic);
  MeshFlattenRuns(mesh);
  if (dynamic) MeshBuildPhases(mesh, radius);
}

void MeshUpload(Mesh& mesh, uint8_t registerMesh) {
  if (!mesh.vertices || !mesh.indices) return;
  FillBuffer(mesh, mesh.vertexCount, mesh.vertices, mesh.vertexCount * sizeof(Vertex),
             MeshLockVertexBuffer, MeshUnlockVertexBuffer);
  FillBuffer(mesh, mesh.indexCount, mesh.indices, mesh.indexCount * sizeof(uint16_t),
             MeshLockIndexBuffer, MeshUnlockIndexBuffer);
  Renderer* renderer = RendererOf(mesh);
  if (registerMesh && renderer) RendererRegisterMesh(*renderer, &mesh);
}

void MeshRelease(Mesh& mesh) {
  MeshReleaseVertexBuffer(mesh);
  MeshReleaseIndexBuffer(mesh);
}
