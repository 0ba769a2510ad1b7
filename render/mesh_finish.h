#pragma once
// Finishing and upload: the step from an edited mesh to one the renderer draws. MeshFinish
// builds the material runs and the flattened indices, creates the Direct3D buffers through
// the mesh's device and, for meshes rewritten every frame, the deformer phase table;
// MeshUpload fills the buffers from the CPU arrays, which stay valid for the life of the mesh
// so that a device reset can rebuild the buffers from them (the Renderer's mesh list).

#include <cstdint>

struct Mesh;

// Replaces the phase table by one entry per vertex: round(|position| / radius x 62830),
// ties to even, so a vertex at the radius gets 62830 and one at the origin 0. 1 / radius is
// formed once in single precision. A radius that is not above 0 (every vertex at the origin)
// gives every vertex phase 0.
void MeshBuildPhases(Mesh& mesh, float radius);
// Vertex buffer of vertexCount x 56 bytes, then index buffer of indexCount x 2 bytes (16-bit),
// created by the renderer of the mesh's device, dynamic (rewritten every frame, locked with
// discard) or static. Stores the dynamic flag. Nothing without a device and renderer.
void MeshCreateBuffers(Mesh& mesh, uint8_t dynamic);
// MeshBuildRuns, MeshCreateBuffers(dynamic), MeshFlattenRuns, then MeshBuildPhases(radius)
// when dynamic is non-zero. The buffers exist afterwards but are unfilled.
void MeshFinish(Mesh& mesh, uint8_t dynamic, float radius);
// When the mesh has both a vertex array and a flattened index array: copies vertexCount x 56
// bytes into the vertex buffer and indexCount x 2 bytes into the index buffer (a buffer that
// could not be created or locked is skipped); then, when `registerMesh` is non-zero, appends
// the mesh to the renderer's reset list. Otherwise nothing, and the mesh is not registered.
void MeshUpload(Mesh& mesh, uint8_t registerMesh);
// Gives back the vertex buffer, then the index buffer (each only when present; the fields
// become absent).
void MeshRelease(Mesh& mesh);
