// Every generator as a row: sound (finite, indices in range) and a golden hash of positions,
// normals and indices; then what the rows cannot show.
#include <functional>
#include <tuple>

#include "mesh/generators.h"
#include "mesh/operators.h"
#include "mesh_test_util.h"

namespace {

using meshtest::ExpectSound;

using meshtest::Make;

TEST(MeshGenerators, EveryGeneratorIsSoundAndKeepsItsHash) {
  const std::tuple<const char*, Mesh*, uint64_t> rows[] = {
      {"flat figure", Make(MeshCreateShapeFromTables, 2, 1.5f, 0.5f), 0x096591adddb92c89ull},
      {"cylinder", Make(MeshCreateCylinder, 1.25f, 3, 3, 7), 0x079a0f1a0f541deaull},
      {"cone", Make(MeshCreateCone, 2, 1.5f, 2, 9), 0x3e69ab24578c7889ull},
      {"sphere", Make(MeshCreateSphere, 1.5f, 7), 0x5c6d5406a8246441ull},
      {"tapered box", Make(MeshCreateTaperedBox, 1, 2, 3, 0.4f), 0x4bd1186f4d2835b5ull},
      {"pyramid", Make(MeshCreatePyramid, 1, 2, 1.5f), 0x9d52f9ed48285a50ull},
      {"helix", Make(MeshCreateHelix, 2, 0.4f, 2, 0.3f, 6, 5), 0x649cc1ff14dce696ull},
      {"torus", Make(MeshCreateTorus, 3, 0.75f, 10, 6), 0x0c8a4409ad3e83dcull},
      {"sheet", Make(MeshCreateSheet, 3, 2, 5, 4, 0, 0), 0x685ea2914d70c55full},
      {"tube", Make(MeshCreateTube, 1.5f, 4, 3, 9, 0), 0xb28fb54816a733c8ull},
      {"ring", Make(MeshCreateTube, 1, 0.5f, 2, 11, 1), 0x7961b54d991f6587ull},
  };
  for (auto [name, mesh, hash] : rows) {
    SCOPED_TRACE(name);
    ExpectSound(*mesh);
    meshtest::ExpectHash(*mesh, hash);
    MeshDestroy(mesh);
  }
}

// Box normals are computed on the unit box and scaled with it, not renormalised; its tangents
// are exact although every triangle has a texture edge with dv = 0 (an infinity in the formula
// that must fold away).
TEST(MeshGenerators, BoxNormalsScaleWithTheBoxAndTangentsAreExact) {
  Mesh* box = MeshCreateBox(4, 2, 2, nullptr, nullptr);
  for (uint32_t i = 16; i < 24; ++i) EXPECT_EQ(Vec3Length(box->vertices[i].normal), 2.0f) << i;
  MeshDestroy(box);
  box = MeshCreateBox(2, 2, 2, nullptr, nullptr);
  MeshComputeTangents(*box);
  const Vec3 expected[6] = {{1, 0, 0}, {1, 0, 0}, {1, 0, 0}, {-1, 0, 0}, {0, 0, -1}, {0, 0, 1}};
  for (uint32_t i = 0; i < 24; ++i) {
    const Vec3 &t = box->vertices[i].tangent, &e = expected[i / 4];
    EXPECT_TRUE(t.x == e.x && t.y == e.y && t.z == e.z) << "vertex " << i;
  }
  MeshDestroy(box);
}

// Caps of more than 86 segments (a cap's index count does not fit a byte) keep all their
// triangles; a revolution of height 0 has texture rings at 0 / 0 (ring 2 of 3 at u = 2 / 3).
TEST(MeshGenerators, LargeCapsAndFlatRevolutionsKeepTheirShape) {
  Mesh* cylinder = MeshCreateCylinder(1, 1, 1, 120, nullptr, nullptr);
  EXPECT_EQ(cylinder->faces[120]->indexCount, 119u * 3u);
  MeshDestroy(cylinder);
  for (uint32_t kind = 0; kind < 3; ++kind) {
    Mesh* flat = MeshCreateRevolution(1, 0, 3, 5, kind, nullptr, nullptr);
    EXPECT_FLOAT_EQ(flat->vertices[2 * 6].u, 2.0f / 3.0f) << kind;
    MeshDestroy(flat);
  }
}

// Zero counts, an unknown kind and meshes beyond 65,536 vertices (counts near the integer range
// included: no wrap to a small count) are empty; exactly the 16-bit range still builds.
TEST(MeshGenerators, ZeroCountsAndOversizedMeshesGiveEmptyMeshes) {
  const std::vector<Mesh*> empty = {
      MeshCreateCylinder(1, 1, 0, 8, nullptr, nullptr),
      MeshCreateSphere(1, 0, nullptr, nullptr),
      MeshCreateRevolution(1, 1, 4, 4, 3, nullptr, nullptr),
      MeshCreateHelix(1, 1, 0, 0, 4, 4, nullptr, nullptr),
      MeshCreateTorus(1, 1, 4, 0, nullptr, nullptr),
      MeshCreateSheet(1, 1, 0, 4, 0, 0, nullptr, nullptr),
      MeshCreateSheet(1, 1, 300, 300, 0, 0, nullptr, nullptr),      // 90,601 vertices
      MeshCreateCylinder(1, 1, 255, 255, nullptr, nullptr),         // 65,536 + 512
      MeshCreateSheet(1, 1, 65535, 65535, 0, 0, nullptr, nullptr),  // 2^32
      MeshCreateHelix(1, 1, 0xFFFFFFFF, 0, 0xFFFFFFFF, 9, nullptr, nullptr),
  };
  for (size_t i = 0; i < empty.size(); ++i) {
    EXPECT_EQ(empty[i]->vertexCount, 0u) << i;
    EXPECT_EQ(empty[i]->faceCount, 0u) << i;
    MeshDestroy(empty[i]);
  }
  Mesh* largest = MeshCreateSphere(1, 255, nullptr, nullptr);
  EXPECT_EQ(largest->vertexCount, 65536u);
  EXPECT_TRUE(MeshFitsIndexRange(*largest));
  ExpectSound(*largest);
  MeshMerge(*largest, *largest);
  EXPECT_FALSE(MeshFitsIndexRange(*largest));
  MeshDestroy(largest);
}

}  // namespace
