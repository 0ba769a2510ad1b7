#pragma once
// Material runs: a finished mesh is drawn with one indexed draw per material. Finishing groups
// the faces' triangle indices by their Material record (pointer identity, not content) into
// runs, in the order in which the materials first occur among the faces, each run keeping its
// faces' triangles in face order, and then concatenates the runs into the mesh's flattened
// index array. Main thread, at load time.

#include <cstdint>

#include "math/byte_buffer.h"

struct Material;
struct Mesh;
struct MeshFace;

// One record per distinct material of a mesh, back to back in the mesh's runs ByteBuffer
// (run count = byte size / sizeof(MaterialRun)). First index and triangle count are 32 bits
// wide: a mesh may hold more than 65,535 triangle indices even though its vertex indices are
// 16-bit, and a wrapped first index would draw the wrong range.
struct MaterialRun {
  Material* material;      // the key; absent is a key of its own
  uint32_t firstIndex;     // position of the run's first entry in the flattened index array
  uint32_t triangleCount;  // entries of the run / 3
};

// Runs in the mesh's runs buffer.
uint32_t MeshRunCount(const Mesh& mesh);
// Run i of the mesh (i below MeshRunCount).
MaterialRun& MeshRunAt(const Mesh& mesh, uint32_t i);

// Grows `list` by the face's indexCount u16 entries (geometrically, ByteBufferGrow) and copies
// its triangle indices to the end. Returns the face's indexCount.
uint32_t MaterialRunAppendFace(const MeshFace& face, ByteBuffer& list);
// indexCount = the faces' index counts summed; builds one run (and one index list in
// runIndexLists) per distinct material, searched linearly in run order. Existing runs and
// lists are dropped first, so a mesh can be finished again.
void MeshBuildRuns(Mesh& mesh);
// Replaces the flattened index array by indexCount entries: the run lists concatenated in run
// order, each run's firstIndex = its start and triangleCount = its entries / 3 (integer
// division). Frees every run list; runIndexLists keeps its emptied entries.
void MeshFlattenRuns(Mesh& mesh);
