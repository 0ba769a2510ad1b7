#include "mesh/material_run.h"

#include <cstring>

#include "mesh/face.h"
#include "mesh/mesh.h"
#include "platform/crt.h"

namespace {

ByteBuffer& RunIndexListAt(const Mesh& mesh, uint32_t i) {
  return reinterpret_cast<ByteBuffer*>(mesh.runIndexLists.data)[i];
}

// Frees every run list, then the runs and the outer list buffer.
void DropRuns(Mesh& mesh) {
  const uint32_t lists = mesh.runIndexLists.size / sizeof(ByteBuffer);
  for (uint32_t i = 0; i < lists; ++i) ByteBufferFree(RunIndexListAt(mesh, i));
  ByteBufferFree(mesh.runIndexLists);
  ByteBufferFree(mesh.runs);
}

// The run whose material is `material` (pointer equality), searched from the first; a new
// zero-filled run with an empty list at the end when there is none. Returns its position.
uint32_t FindOrAddRun(Mesh& mesh, Material* material) {
  const uint32_t count = MeshRunCount(mesh);
  for (uint32_t j = 0; j < count; ++j) {
    if (MeshRunAt(mesh, j).material == material) return j;
  }
  ByteBufferResize(mesh.runs, (count + 1) * sizeof(MaterialRun));
  ByteBufferResize(mesh.runIndexLists, (count + 1) * sizeof(ByteBuffer));
  MeshRunAt(mesh, count).material = material;
  return count;
}

}  // namespace

uint32_t MeshRunCount(const Mesh& mesh) { return mesh.runs.size / sizeof(MaterialRun); }

MaterialRun& MeshRunAt(const Mesh& mesh, uint32_t i) {
  return reinterpret_cast<MaterialRun*>(mesh.runs.data)[i];
}

uint32_t MaterialRunAppendFace(const MeshFace& face, ByteBuffer& list) {
  const uint32_t start = list.size;
  const uint32_t bytes = face.indexCount * sizeof(uint16_t);
  if (bytes) {
    ByteBufferGrow(list, start + bytes);
    if (list.size == start + bytes) std::memcpy(list.data + start, face.indices, bytes);
  }
  return face.indexCount;
}

void MeshBuildRuns(Mesh& mesh) {
  DropRuns(mesh);
  mesh.indexCount = 0;
  MeshForEachFace(mesh, [&mesh](const MeshFace& face) {
    const uint32_t run = FindOrAddRun(mesh, face.material);
    mesh.indexCount += MaterialRunAppendFace(face, RunIndexListAt(mesh, run));
  });
}

void MeshFlattenRuns(Mesh& mesh) {
  crt::AlignedFree(mesh.indices);
  mesh.indices = static_cast<uint16_t*>(crt::AlignedAlloc(sizeof(uint16_t) * mesh.indexCount));
  uint32_t k = 0;
  for (uint32_t j = 0; j < MeshRunCount(mesh); ++j) {
    ByteBuffer& list = RunIndexListAt(mesh, j);
    const uint32_t entries = list.size / sizeof(uint16_t);
    if (entries) std::memcpy(mesh.indices + k, list.data, list.size);
    MaterialRun& run = MeshRunAt(mesh, j);
    run.firstIndex = k;
    run.triangleCount = entries / 3;
    k += entries;
    ByteBufferFree(list);
  }
}
