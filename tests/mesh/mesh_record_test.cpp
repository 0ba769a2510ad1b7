#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "mesh/mesh.h"
#include "mesh_test_util.h"

namespace {

using meshtest::AddPolygon;
using meshtest::Corners;
using meshtest::Indices;
using meshtest::MeshOfPoints;
using U16 = std::vector<uint16_t>;

// ---- Records and growth ------------------------------------------------------------------------

TEST(MeshRecord, CreateWithoutFacesIsEmptyWhateverTheVertexCount) {
  Mesh* mesh = MeshCreate(nullptr, 0, 50);
  EXPECT_EQ(mesh->vertexCount, 0u);
  EXPECT_EQ(mesh->vertexCapacity, 0u);
  EXPECT_EQ(mesh->vertices, nullptr);
  EXPECT_EQ(mesh->faces, nullptr);
  MeshDestroy(mesh);

  mesh = MeshCreate(nullptr, 3, 7);
  ASSERT_EQ(mesh->faceCount, 3u);
  EXPECT_EQ(mesh->faceCapacity, 3u);
  EXPECT_EQ(mesh->vertexCount, 7u);
  EXPECT_EQ(mesh->vertexCapacity, 7u);
  for (uint32_t i = 0; i < 3; ++i) {
    EXPECT_EQ(mesh->faces[i]->mesh, mesh);
    EXPECT_EQ(mesh->faces[i]->indexCount, 0u);
    EXPECT_EQ(mesh->faces[i]->cornerCount, 0u);
  }
  MeshDestroy(mesh);
}

TEST(MeshRecord, GrowthAddsTenUntilAHundredThenTenPercent) {
  Mesh* mesh = MeshCreate(nullptr, 0, 0);
  std::vector<uint32_t> capacities;
  for (int i = 0; i < 140; ++i) {
    Vertex vertex{};
    vertex.position.x = static_cast<float>(i);
    Vertex* stored = MeshAddVertex(*mesh, vertex);
    EXPECT_EQ(stored, mesh->vertices + i);
    if (capacities.empty() || capacities.back() != mesh->vertexCapacity) {
      capacities.push_back(mesh->vertexCapacity);
    }
  }
  EXPECT_EQ(capacities,
            (std::vector<uint32_t>{10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 110, 121, 133, 146}));
  for (int i = 0; i < 140; ++i) ASSERT_EQ(mesh->vertices[i].position.x, i);  // kept across moves

  for (int i = 0; i < 11; ++i) MeshAddFace(*mesh, MeshFaceCreate(mesh));
  EXPECT_EQ(mesh->faceCount, 11u);
  EXPECT_EQ(mesh->faceCapacity, 20u);
  MeshDestroy(mesh);
}

TEST(MeshRecord, CloneCopiesEverythingDeeplyButNoFinishingState) {
  Mesh* mesh = MeshOfPoints({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}});
  AddPolygon(*mesh, {0, 1, 2, 3});
  Material* material = reinterpret_cast<Material*>(0x40);
  MeshFaceSetMaterial(*mesh->faces[0], material);
  mesh->indexCount = 3;
  mesh->indices = crt::AlignedNewArray<uint16_t>(3);
  mesh->indices[2] = 9;

  Mesh* copy = MeshClone(*mesh);
  EXPECT_EQ(copy->vertexCount, 4u);
  EXPECT_EQ(copy->vertexCapacity, 4u);  // capacities equal the counts
  EXPECT_EQ(copy->faceCapacity, 1u);
  EXPECT_NE(copy->vertices, mesh->vertices);
  EXPECT_EQ(std::memcmp(copy->vertices, mesh->vertices, 4 * sizeof(Vertex)), 0);
  ASSERT_EQ(copy->indexCount, 3u);
  EXPECT_EQ(copy->indices[2], 9);
  const MeshFace& face = *copy->faces[0];
  EXPECT_EQ(face.mesh, copy);
  EXPECT_EQ(face.material, material);
  EXPECT_NE(face.indices, mesh->faces[0]->indices);
  EXPECT_EQ(Indices(face), Indices(*mesh->faces[0]));
  EXPECT_EQ(copy->phases, nullptr);
  EXPECT_EQ(copy->runs.size, 0u);

  MeshDestroy(mesh);  // the copy must survive its source
  copy->vertices[3].position.x = 5.0f;
  EXPECT_EQ(copy->faces[0]->corners[3], 3);
  MeshDestroy(copy);

  Mesh* empty = MeshCreate(nullptr, 0, 0);
  Mesh* emptyCopy = MeshClone(*empty);
  EXPECT_EQ(emptyCopy->vertices, nullptr);
  EXPECT_EQ(emptyCopy->faces, nullptr);
  MeshDestroy(empty);
  MeshDestroy(emptyCopy);
}

// ---- Face operations ---------------------------------------------------------------------------

TEST(MeshFaceOps, TriangulateAsAFanAndReverseTheWholeList) {
  Mesh* mesh = MeshOfPoints({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {2, 2, 0}});
  MeshFace* quad = AddPolygon(*mesh, {4, 1, 2, 3});  // a, b, c, d
  EXPECT_EQ(Indices(*quad), (U16{4, 1, 2, 4, 2, 3}));
  MeshFaceReverse(*quad);
  EXPECT_EQ(Indices(*quad), (U16{3, 2, 4, 2, 1, 4}));
  EXPECT_EQ(Corners(*quad), (U16{4, 1, 2, 3}));  // corners untouched

  MeshFace* triangle = AddPolygon(*mesh, {2, 0, 1});
  EXPECT_EQ(Indices(*triangle), (U16{2, 0, 1}));
  MeshDestroy(mesh);
}

// Fan triangulation gives corners - 2 triangles, none below three corners; the index count of
// a large face is not limited to a byte.
TEST(MeshFaceOps, TriangleCountFollowsTheCornerCount) {
  Mesh* mesh = MeshCreate(nullptr, 0, 0);
  for (uint16_t corners : {0, 1, 2, 3, 88}) {
    MeshFace* face = MeshFaceCreate(mesh);
    MeshFaceInit(*face, mesh, 6, corners);
    for (uint16_t i = 0; i < corners; ++i) MeshFaceSetCorner(*face, i, i);
    MeshFaceTriangulate(*face);
    ASSERT_EQ(face->indexCount, corners < 3 ? 0u : 3u * (corners - 2u)) << corners << " corners";
    if (corners == 88) {
      EXPECT_EQ(face->indices[255], 0);
      EXPECT_EQ(face->indices[256], 86);
      EXPECT_EQ(face->indices[257], 87);
    }
    MeshFaceReverse(*face);
    MeshFaceDestroy(face);
  }
  MeshDestroy(mesh);
}

TEST(MeshFaceOps, SetIndicesFillsDistinctCornersWithinTheCornerCount) {
  Mesh* mesh = MeshCreate(nullptr, 0, 0);
  MeshFace* face = MeshFaceCreate(mesh);
  const uint16_t source[6] = {4, 5, 6, 4, 6, 7};
  MeshFaceInit(*face, mesh, 6, 4);
  MeshFaceSetIndices(*face, 6, source);
  EXPECT_EQ(Indices(*face), (U16{4, 5, 6, 4, 6, 7}));
  EXPECT_EQ(Corners(*face), (U16{4, 5, 6, 7}));

  // Too few corner slots for the distinct values, too few index slots for n: the writes stop
  // at the arrays' ends (AddressSanitizer checks the bound).
  MeshFaceInit(*face, mesh, 2, 3);
  MeshFaceSetIndices(*face, 6, source);
  EXPECT_EQ(Indices(*face), (U16{4, 5}));
  EXPECT_EQ(Corners(*face), (U16{4, 5, 6}));
  MeshFaceSetCorner(*face, 3, 99);
  EXPECT_EQ(Corners(*face), (U16{4, 5, 6}));
  MeshFaceDestroy(face);
  MeshDestroy(mesh);
}

TEST(MeshFaceOps, CloneAddsTheOffsetWrappingAtSixteenBits) {
  Mesh* mesh = MeshCreate(nullptr, 0, 0);
  MeshFace* face = MeshFaceCreate(mesh);
  const uint16_t source[3] = {0, 1, 65530};
  MeshFaceInit(*face, mesh, 3, 3);
  MeshFaceSetIndices(*face, 3, source);
  Mesh* other = MeshCreate(nullptr, 0, 0);
  MeshFace* shifted = MeshFaceClone(*face, other, 10);
  EXPECT_EQ(shifted->mesh, other);
  EXPECT_EQ(Indices(*shifted), (U16{10, 11, 4}));
  EXPECT_EQ(Corners(*shifted), (U16{10, 11, 4}));
  MeshFaceDestroy(shifted);
  MeshFaceDestroy(face);
  MeshDestroy(mesh);
  MeshDestroy(other);
}

TEST(MeshFaceOps, CentroidAndMeanTexCoord) {
  Mesh* mesh = MeshOfPoints({{0, 0, 0}, {2, 0, 0}, {2, 2, 4}, {0, 2, 0}});
  MeshFace* face = AddPolygon(*mesh, {0, 1, 2, 3});
  Vec3 centre;
  MeshFaceCentroid(centre, *face);
  EXPECT_EQ(centre.x, 1.0f);
  EXPECT_EQ(centre.y, 1.0f);
  EXPECT_EQ(centre.z, 1.0f);
  float u, v;
  MeshFaceMeanTexCoord(*face, u, v);
  EXPECT_EQ(u, 1.0f);
  EXPECT_EQ(v, 1.0f);

  MeshFace* bare = MeshFaceCreate(mesh);  // no corners: zeros, not 0 / 0
  MeshFaceCentroid(centre, *bare);
  MeshFaceMeanTexCoord(*bare, u, v);
  EXPECT_TRUE(centre.x == 0.0f && centre.y == 0.0f && centre.z == 0.0f);
  EXPECT_TRUE(u == 0.0f && v == 0.0f);
  MeshFaceDestroy(bare);
  MeshDestroy(mesh);
}

TEST(MeshFaceOps, PlaneSkipsCoincidentAndCollinearTriples) {
  // Counter-clockwise seen from +z.
  Mesh* mesh = MeshOfPoints({{0, 0, 0}, {0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {2, 0, 0}, {0, 0, 5}});
  Vec3 n;
  MeshFacePlane(n, *AddPolygon(*mesh, {0, 2, 3}));
  EXPECT_EQ(n.z, 1.0f);
  // First two corners coincide: the first triple is skipped, (c1, c2, c3) gives the plane.
  MeshFacePlane(n, *AddPolygon(*mesh, {0, 1, 2, 3}));
  EXPECT_EQ(n.x, 0.0f);
  EXPECT_EQ(n.y, 0.0f);
  EXPECT_EQ(n.z, 1.0f);
  // First three corners on a line: that triple adds no plane, the next one does.
  MeshFacePlane(n, *AddPolygon(*mesh, {0, 2, 4, 3}));
  EXPECT_EQ(n.z, 1.0f);
  // All corners on a line, or too few: no plane, and no NaN in the vertex normals.
  MeshFacePlane(n, *AddPolygon(*mesh, {0, 2, 4}));
  EXPECT_TRUE(n.x == 0.0f && n.y == 0.0f && n.z == 0.0f);
  MeshComputeNormals(*mesh);
  EXPECT_TRUE(meshtest::Finite(mesh->vertices[5].normal));  // in no face
  EXPECT_EQ(mesh->vertices[5].normal.z, 0.0f);
  EXPECT_EQ(mesh->vertices[3].normal.z, 1.0f);
  MeshDestroy(mesh);
}

// ---- Normals and tangents ----------------------------------------------------------------------

TEST(MeshNormals, VertexNormalIsTheNormalisedSumOfItsFacePlanes) {
  // Two faces folded at the x axis: one in the xy plane, one in the xz plane.
  Mesh* mesh = MeshOfPoints({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {1, 0, -1}});
  AddPolygon(*mesh, {0, 1, 2});  // +z
  AddPolygon(*mesh, {0, 1, 3});  // +y
  MeshComputeNormals(*mesh);
  const float h = 1.0f / std::sqrt(2.0f);
  EXPECT_FLOAT_EQ(mesh->vertices[0].normal.y, h);
  EXPECT_FLOAT_EQ(mesh->vertices[0].normal.z, h);
  EXPECT_EQ(mesh->vertices[2].normal.z, 1.0f);
  EXPECT_EQ(mesh->vertices[3].normal.y, 1.0f);
  MeshDestroy(mesh);
}

TEST(MeshTangents, FollowTheUDirectionOrthogonalToTheNormal) {
  // A quad in the xy plane with u = 1 - y and v = x / 2 + y / 4 (sheared): along a line of
  // constant v, position moves by (0.5, -1, 0) per unit of u, so the tangent is that
  // direction normalised.
  Mesh* mesh = MeshOfPoints({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}});
  for (uint32_t i = 0; i < 4; ++i) {
    Vertex& v = mesh->vertices[i];
    v.u = 1.0f - v.position.y;
    v.v = v.position.x * 0.5f + 0.25f * v.position.y;  // sheared, not axis-aligned
  }
  AddPolygon(*mesh, {0, 1, 2, 3});
  MeshComputeNormals(*mesh);
  MeshComputeTangents(*mesh);
  for (uint32_t i = 0; i < 4; ++i) {
    EXPECT_NEAR(mesh->vertices[i].tangent.x, 0.5f / std::sqrt(1.25f), 1e-6f);
    EXPECT_NEAR(mesh->vertices[i].tangent.y, -1.0f / std::sqrt(1.25f), 1e-6f);
    EXPECT_EQ(mesh->vertices[i].tangent.z, 0.0f);
  }
  MeshDestroy(mesh);
}

TEST(MeshTangents, DegenerateTrianglesAndTextureMappingsAddNothing) {
  Mesh* mesh = MeshOfPoints({{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {0, 1, 0}, {1, 1, 0}, {0, 2, 0}});
  // Collinear corners with a usable mapping: the formula alone would give (1, 0, 0).
  mesh->vertices[2].v = 1.0f;
  AddPolygon(*mesh, {0, 1, 2});
  // A proper triangle whose texture coordinates coincide: 0 / 0 in the formula.
  for (uint16_t i : {3, 4, 5}) mesh->vertices[i].u = mesh->vertices[i].v = 0.5f;
  AddPolygon(*mesh, {3, 4, 5});
  MeshComputeNormals(*mesh);
  MeshComputeTangents(*mesh);
  for (uint32_t i = 0; i < mesh->vertexCount; ++i) {
    const Vec3& t = mesh->vertices[i].tangent;
    EXPECT_TRUE(t.x == 0.0f && t.y == 0.0f && t.z == 0.0f) << "vertex " << i;
  }
  MeshDestroy(mesh);
}

}  // namespace
