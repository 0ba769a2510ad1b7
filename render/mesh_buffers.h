#pragma once
// The Direct3D vertex and index buffers of a Mesh, and the renderer's full-screen quad. Every
// buffer lives in the default pool, so all of them are released before a device reset and
// rebuilt after it. Vertex buffers hold count x 56-byte Vertex records (FVF 0: the layout
// comes from the vertex declaration); index buffers count x 16-bit indices. Usage: dynamic and
// write-only for a dynamic mesh, write-only otherwise. Main thread only.

#include <cstdint>

struct Mesh;
struct Renderer;

// Stores the dynamic flag (1 or 0) and creates the vertex buffer. A failed creation leaves the
// field null (locks then return null).
void MeshCreateVertexBuffer(uint32_t vertexCount, Mesh& mesh, Renderer& renderer, uint8_t dynamic);
// Locks count x 56 bytes from offset 0, with DISCARD for a dynamic mesh. Null without a
// buffer or when the lock fails.
void* MeshLockVertexBuffer(Mesh& mesh, uint32_t vertexCount);
void MeshUnlockVertexBuffer(Mesh& mesh);
// Releases the vertex buffer when there is one and clears the field.
void MeshReleaseVertexBuffer(Mesh& mesh);
// Stores the dynamic flag and creates the 16-bit index buffer (null on failure).
void MeshCreateIndexBuffer(Renderer& renderer, Mesh& mesh, uint32_t indexCount, uint8_t dynamic);
// Locks count x 2 bytes from offset 0, DISCARD for a dynamic mesh; null without a buffer.
void* MeshLockIndexBuffer(Mesh& mesh, uint32_t indexCount);
void MeshUnlockIndexBuffer(Mesh& mesh);
// Releases the index buffer when there is one and clears the field.
void MeshReleaseIndexBuffer(Mesh& mesh);

// The screen quad: six vertices, two triangles covering clip space (-1..1, z 0), texture
// coordinates 0..1 with v = 0 at the top edge; 336 bytes, write-only, every other byte zero.
void RendererCreateScreenQuad(Renderer& renderer);
void RendererReleaseScreenQuad(Renderer& renderer);
