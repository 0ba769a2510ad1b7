#include "mesh/mesh.h"

#include <cstring>

#include "platform/crt.h"
#include "platform/d3d9.h"

namespace {

// Makes room for one more element: capacity + max(capacity x 0.1, 10), rounded to the
// nearest integer, in single precision. The used elements move to the new block.
template <class T>
void GrowForOneMore(T*& items, uint32_t& capacity, uint32_t count) {
  if (count + 1 <= capacity) return;
  const float current = static_cast<float>(capacity);
  const float step = current * 0.1f > 10.0f ? current * 0.1f : 10.0f;
  const uint32_t grown = static_cast<uint32_t>(crt::RoundToInt(current + step));
  T* bigger = static_cast<T*>(crt::AlignedAlloc(sizeof(T) * grown));
  if (count) std::memcpy(bigger, items, sizeof(T) * count);
  crt::AlignedFree(items);
  items = bigger;
  capacity = grown;
}

// A copy of count elements in a new block; absent for count 0 or no source.
template <class T>
T* CopyArray(const T* items, uint32_t count) {
  if (!items || !count) return nullptr;
  T* copy = static_cast<T*>(crt::AlignedAlloc(sizeof(T) * count));
  std::memcpy(copy, items, sizeof(T) * count);
  return copy;
}

}  // namespace

Mesh* MeshCreate(Device* device, uint32_t faceCount, uint32_t vertexCount) {
  Mesh* mesh = crt::AlignedNew<Mesh>();
  mesh->device = device;
  if (faceCount == 0) return mesh;
  mesh->faces = static_cast<MeshFace**>(crt::AlignedAlloc(sizeof(MeshFace*) * faceCount));
  for (uint32_t i = 0; i < faceCount; ++i) mesh->faces[i] = MeshFaceCreate(mesh);
  mesh->faceCount = mesh->faceCapacity = faceCount;
  if (vertexCount)
    mesh->vertices = static_cast<Vertex*>(crt::AlignedAlloc(sizeof(Vertex) * vertexCount));
  mesh->vertexCount = mesh->vertexCapacity = vertexCount;
  return mesh;
}

Vertex* MeshAddVertex(Mesh& mesh, Vertex vertex) {
  GrowForOneMore(mesh.vertices, mesh.vertexCapacity, mesh.vertexCount);
  Vertex* stored = mesh.vertices + mesh.vertexCount++;
  *stored = vertex;
  return stored;
}

void MeshAddFace(Mesh& mesh, MeshFace* face) {
  GrowForOneMore(mesh.faces, mesh.faceCapacity, mesh.faceCount);
  mesh.faces[mesh.faceCount++] = face;
}

Mesh* MeshClone(const Mesh& source) {
  Mesh* mesh = crt::AlignedNew<Mesh>();
  mesh->device = source.device;
  mesh->vertices = CopyArray(source.vertices, source.vertexCount);
  mesh->vertexCount = mesh->vertexCapacity = mesh->vertices ? source.vertexCount : 0;
  mesh->indices = CopyArray(source.indices, source.indexCount);
  mesh->indexCount = mesh->indices ? source.indexCount : 0;
  if (source.faceCount) {
    mesh->faces = static_cast<MeshFace**>(crt::AlignedAlloc(sizeof(MeshFace*) * source.faceCount));
    for (uint32_t i = 0; i < source.faceCount; ++i) {
      mesh->faces[i] = MeshFaceClone(*source.faces[i], mesh, 0);
    }
  }
  mesh->faceCount = mesh->faceCapacity = source.faceCount;
  return mesh;
}

void MeshDestroy(Mesh* mesh) {
  if (!mesh) return;
  crt::AlignedFree(mesh->vertices);
  crt::AlignedFree(mesh->indices);
  crt::AlignedFree(mesh->phases);
  if (mesh->vertexBuffer) mesh->vertexBuffer->Release();
  if (mesh->indexBuffer) mesh->indexBuffer->Release();
  ByteBufferFree(mesh->runs);
  ByteBufferFree(mesh->runIndexLists);
  MeshForEachFace(*mesh, [](MeshFace& face) { MeshFaceDestroy(&face); });
  crt::AlignedFree(mesh->faces);
  crt::AlignedDelete(mesh);
}

void MeshComputeNormals(Mesh& mesh) {
  MeshForEachVertex(mesh, [](Vertex& vertex) { Vec3Zero(vertex.normal); });
  MeshForEachFace(mesh, [](const MeshFace& face) { MeshFaceAddNormal(face); });
  MeshForEachVertex(mesh, [](Vertex& vertex) { Vec3Normalize(vertex.normal); });
}

void MeshComputeTangents(Mesh& mesh) {
  MeshForEachVertex(mesh, [](Vertex& vertex) { Vec3Zero(vertex.tangent); });
  MeshForEachFace(mesh, [](const MeshFace& face) { MeshFaceAddTangents(face); });
  MeshForEachVertex(mesh, [](Vertex& vertex) { Vec3Normalize(vertex.tangent); });
}

bool MeshFitsIndexRange(const Mesh& mesh) { return mesh.vertexCount <= kMeshMaxVertices; }
