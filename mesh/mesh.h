#pragma once
// The editable mesh: one contiguous vertex array (uploaded in a single copy) and an array of
// face pointers. Generators build it, operators change it in place, finishing groups its
// faces into material runs and creates the GPU buffers. Everything here runs on the main
// thread while the scene script loads and nothing reports failure.
//
// Indices are 16 bits wide, so a mesh addresses at most 65,536 vertices; index arithmetic
// (offsets added when faces are cloned) wraps at 16 bits and stays inside the vertex array,
// and the model builder refuses a mesh that does not fit (MeshFitsIndexRange).

#include <cstdint>

#include "math/byte_buffer.h"
#include "mesh/face.h"
#include "mesh/vertex.h"

struct Device;
struct IDirect3DVertexBuffer9;
struct IDirect3DIndexBuffer9;

// Vertices a 16-bit index reaches.
constexpr uint32_t kMeshMaxVertices = 65536;

struct Mesh {
  uint8_t dynamic;    // GPU buffers made for per-frame rewriting (set by their creator)
  MeshFace** faces;   // faceCapacity slots, faceCount used
  Vertex* vertices;   // vertexCapacity slots, vertexCount used
  uint16_t* indices;  // flattened index list of all runs, built at finishing
  int32_t* phases;    // one deformer phase per vertex (dynamic meshes only)
  uint32_t faceCapacity;
  uint32_t vertexCapacity;
  uint32_t faceCount;
  uint32_t vertexCount;
  uint32_t indexCount;                   // entries in indices (the faces' index counts summed)
  IDirect3DVertexBuffer9* vertexBuffer;  // absent until created by the renderer
  IDirect3DIndexBuffer9* indexBuffer;    // 16-bit indices; absent until created
  ByteBuffer runs;                       // material run records, one per material
  ByteBuffer runIndexLists;  // one u16 index list (ByteBuffer) per run while runs are built
  Device* device;            // the owner; its renderer creates the buffers
};

// A new mesh owned by `device`, without flattened indices, phases, buffers or runs. With
// faceCount above 0: that many faces from MeshFaceCreate and vertexCount zero-filled vertices
// (the creator writes position, normal and texture coordinates of each). With faceCount 0:
// no faces and no vertices, both arrays absent. Capacities equal the counts.
Mesh* MeshCreate(Device* device, uint32_t faceCount, uint32_t vertexCount);
// Appends a copy of the vertex; returns the stored vertex, valid until the next growth.
// Growth: capacity + max(capacity x 0.1, 10), rounded (0 -> 10, 100 -> 110, 110 -> 121).
Vertex* MeshAddVertex(Mesh& mesh, Vertex vertex);
// Appends the face pointer (same growth rule); the mesh takes the face over.
void MeshAddFace(Mesh& mesh, MeshFace* face);
// A new mesh on the same device with copies of the vertices, the flattened indices and every
// face (offset 0); capacities equal the counts; no phases, buffers or runs.
Mesh* MeshClone(const Mesh& source);
// Frees the arrays, releases the vertex and index buffers when present, frees the runs, every
// face and the mesh. Null does nothing.
void MeshDestroy(Mesh* mesh);
// Every vertex normal = normalise(sum of the plane normals of the faces having it as a
// corner). A vertex of no face, or whose sum is zero, gets (0, 0, 0).
void MeshComputeNormals(Mesh& mesh);
// Every vertex tangent = normalise(sum of its triangles' tangents, MeshFaceAddTangents);
// zero sums stay (0, 0, 0). Vertex normals must be final before this runs.
void MeshComputeTangents(Mesh& mesh);
// Calls operation(vertex) for every vertex in use, in index order.
template <class Operation>
void MeshForEachVertex(Mesh& mesh, Operation operation) {
  for (uint32_t i = 0; i < mesh.vertexCount; ++i) operation(mesh.vertices[i]);
}
// Calls operation(face) for every face in use, in order.
template <class Operation>
void MeshForEachFace(const Mesh& mesh, Operation operation) {
  for (uint32_t i = 0; i < mesh.faceCount; ++i) operation(*mesh.faces[i]);
}
// Whether every vertex is reachable by a 16-bit index (vertexCount <= 65,536).
bool MeshFitsIndexRange(const Mesh& mesh);
