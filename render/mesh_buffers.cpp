#include "render/mesh_buffers.h"

#include <cstring>

#include "mesh/mesh.h"
#include "render/renderer.h"

namespace {

constexpr uint32_t kIndexSize = 2;
constexpr uint32_t kScreenQuadVertices = 6;

DWORD BufferUsage(uint8_t dynamic) {
  return dynamic ? D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY : D3DUSAGE_WRITEONLY;
}

DWORD LockFlags(const Mesh& mesh) { return mesh.dynamic ? D3DLOCK_DISCARD : 0; }

// Releases a buffer held in a field and clears the field; an empty field is left alone.
template <class Buffer>
void ReleaseBuffer(Buffer*& buffer) {
  if (buffer) buffer->Release();
  buffer = nullptr;
}

template <class Buffer>
void* LockBuffer(Buffer* buffer, uint32_t bytes, DWORD flags) {
  void* data = nullptr;
  if (!buffer || buffer->Lock(0, bytes, &data, flags) != D3D_OK) return nullptr;
  return data;
}

}  // namespace

void MeshCreateVertexBuffer(uint32_t vertexCount, Mesh& mesh, Renderer& renderer, uint8_t dynamic) {
  mesh.dynamic = dynamic ? 1 : 0;
  ReleaseBuffer(mesh.vertexBuffer);  // a second creation must not leak the first buffer
  IDirect3DVertexBuffer9* buffer = nullptr;
  if (renderer.device->CreateVertexBuffer(vertexCount * kVertexStride, BufferUsage(dynamic), 0,
                                          D3DPOOL_DEFAULT, &buffer, nullptr) == D3D_OK) {
    mesh.vertexBuffer = buffer;
  }
}

void* MeshLockVertexBuffer(Mesh& mesh, uint32_t vertexCount) {
  return LockBuffer(mesh.vertexBuffer, vertexCount * kVertexStride, LockFlags(mesh));
}

void MeshUnlockVertexBuffer(Mesh& mesh) {
  if (mesh.vertexBuffer) mesh.vertexBuffer->Unlock();
}

void MeshReleaseVertexBuffer(Mesh& mesh) { ReleaseBuffer(mesh.vertexBuffer); }

void MeshCreateIndexBuffer(Renderer& renderer, Mesh& mesh, uint32_t indexCount, uint8_t dynamic) {
  mesh.dynamic = dynamic ? 1 : 0;
  ReleaseBuffer(mesh.indexBuffer);
  IDirect3DIndexBuffer9* buffer = nullptr;
  if (renderer.device->CreateIndexBuffer(indexCount * kIndexSize, BufferUsage(dynamic),
                                         D3DFMT_INDEX16, D3DPOOL_DEFAULT, &buffer,
                                         nullptr) == D3D_OK) {
    mesh.indexBuffer = buffer;
  }
}

void* MeshLockIndexBuffer(Mesh& mesh, uint32_t indexCount) {
  return LockBuffer(mesh.indexBuffer, indexCount * kIndexSize, LockFlags(mesh));
}

void MeshUnlockIndexBuffer(Mesh& mesh) {
  if (mesh.indexBuffer) mesh.indexBuffer->Unlock();
}

void MeshReleaseIndexBuffer(Mesh& mesh) { ReleaseBuffer(mesh.indexBuffer); }

void RendererCreateScreenQuad(Renderer& renderer) {
  // Clip-space corners (x, y) and texture coordinates (u, v): two triangles, v = 0 at the top.
  static const float kCorners[kScreenQuadVertices][4] = {
      {-1, 1, 0, 0}, {1, 1, 1, 0}, {1, -1, 1, 1}, {1, -1, 1, 1}, {-1, -1, 0, 1}, {-1, 1, 0, 0}};
  Mesh& quad = *renderer.screenQuad;
  quad.dynamic = 0;
  ReleaseBuffer(quad.vertexBuffer);
  renderer.device->CreateVertexBuffer(kScreenQuadVertices * kVertexStride, D3DUSAGE_WRITEONLY, 0,
                                      D3DPOOL_DEFAULT, &quad.vertexBuffer, nullptr);
  auto* vertices = static_cast<Vertex*>(MeshLockVertexBuffer(quad, kScreenQuadVertices));
  if (!vertices) return;
  std::memset(vertices, 0, kScreenQuadVertices * kVertexStride);
  for (uint32_t i = 0; i < kScreenQuadVertices; ++i) {
    vertices[i].position.x = kCorners[i][0];
    vertices[i].position.y = kCorners[i][1];
    vertices[i].u = kCorners[i][2];
    vertices[i].v = kCorners[i][3];
  }
  MeshUnlockVertexBuffer(quad);
}

void RendererReleaseScreenQuad(Renderer& renderer) {
  MeshReleaseVertexBuffer(*renderer.screenQuad);
}
