#pragma once
// Helpers shared by the mesh suites: small hand-built meshes, draw counting, golden hashes
// and whole-mesh sanity checks.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <vector>

#include "mesh/mesh.h"
#include "platform/crt.h"
#include "support/test_support.h"

namespace meshtest {

// A mesh of the given vertex positions (u, v from x, y) and no faces.
inline Mesh* MeshOfPoints(std::initializer_list<Vec3> points) {
  Mesh* mesh = MeshCreate(nullptr, 0, 0);
  for (const Vec3& p : points) MeshAddVertex(*mesh, Vertex{p, {}, 0, p.x, p.y, {}, {}});
  return mesh;
}

// The generator's mesh with the given operands, no material and no device.
template <class F, class... A>
Mesh* Make(F generator, A... operands) {
  return generator(operands..., nullptr, nullptr);
}

// Appends a face with the given corners, fan-triangulated.
inline MeshFace* AddPolygon(Mesh& mesh, std::initializer_list<uint16_t> corners) {
  MeshFace* face = MeshFaceCreate(&mesh);
  MeshFaceInit(*face, &mesh, 0, static_cast<uint32_t>(corners.size()));
  uint16_t i = 0;
  for (uint16_t corner : corners) MeshFaceSetCorner(*face, i++, corner);
  MeshFaceTriangulate(*face);
  MeshAddFace(mesh, face);
  return face;
}

inline std::vector<uint16_t> Indices(const MeshFace& face) {
  return std::vector<uint16_t>(face.indices, face.indices + face.indexCount);
}
inline std::vector<uint16_t> Corners(const MeshFace& face) {
  return std::vector<uint16_t>(face.corners, face.corners + face.cornerCount);
}

// How many crt::rand draws lead from state `before` to the current state.
inline int64_t DrawsSince(uint32_t before) {
  return testsupport::DrawsBetween(before, crt::RandState());
}

// FNV-1a over positions and normals of every vertex, then indices and corners of every face.
inline uint64_t HashGeometry(const Mesh& mesh) {
  uint64_t h = testsupport::kFnvOffset;
  for (uint32_t i = 0; i < mesh.vertexCount; ++i) {
    h = testsupport::Fnv1a64(&mesh.vertices[i].position, sizeof(Vec3), h);
    h = testsupport::Fnv1a64(&mesh.vertices[i].normal, sizeof(Vec3), h);
  }
  for (uint32_t i = 0; i < mesh.faceCount; ++i) {
    const MeshFace& face = *mesh.faces[i];
    h = testsupport::Fnv1a64(face.indices, face.indexCount * sizeof(uint16_t), h);
    h = testsupport::Fnv1a64(face.corners, face.cornerCount * sizeof(uint16_t), h);
  }
  return h;
}

// The geometry hash equals `expected`; a mismatch prints the actual hash for updating the row.
inline void ExpectHash(const Mesh& mesh, uint64_t expected) {
  const uint64_t hash = HashGeometry(mesh);
  EXPECT_EQ(hash, expected) << std::hex << "actual 0x" << hash;
}

inline bool Finite(const Vec3& v) {
  return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

// Every vertex field a generator or operator writes is finite, and every index and corner of
// every face addresses an existing vertex.
inline void ExpectSound(const Mesh& mesh) {
  for (uint32_t i = 0; i < mesh.vertexCount; ++i) {
    const Vertex& v = mesh.vertices[i];
    ASSERT_TRUE(Finite(v.position) && Finite(v.normal) && Finite(v.tangent) && std::isfinite(v.u) &&
                std::isfinite(v.v))
        << "vertex " << i;
  }
  for (uint32_t f = 0; f < mesh.faceCount; ++f) {
    const MeshFace& face = *mesh.faces[f];
    ASSERT_EQ(face.mesh, &mesh) << "face " << f;
    for (uint32_t k = 0; k < face.indexCount; ++k)
      ASSERT_LT(face.indices[k], mesh.vertexCount) << "face " << f;
    for (uint32_t k = 0; k < face.cornerCount; ++k)
      ASSERT_LT(face.corners[k], mesh.vertexCount) << "face " << f;
  }
}

}  // namespace meshtest
