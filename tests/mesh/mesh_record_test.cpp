// Mesh records and faces: creation, deep clones, fan triangulation, corner and index writes
// within their arrays, centroids and planes, normals and tangents.
#include <cstring>

#include "mesh_test_util.h"
#include "render/mesh_finish.h"

namespace {

using meshtest::AddPolygon;
using meshtest::Corners;
using meshtest::Indices;
using meshtest::MeshOfPoints;
using U16 = std::vector<uint16_t>;

bool IsZero(const Vec3& v) { return v.x == 0.0f && v.y == 0.0f && v.z == 0.0f; }

// A clone owns copies of everything (it survives its source) but no finishing state. Without
// faces a mesh is empty whatever the vertex count, and so is its clone.
TEST(MeshRecord, CloneCopiesEverythingDeeplyButNoFinishingState) {
  Mesh* mesh = MeshOfPoints({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}});
  AddPolygon(*mesh, {0, 1, 2, 3});
  Material* material = reinterpret_cast<Material*>(0x40);  // never dereferenced
  MeshFaceSetMaterial(*mesh->faces[0], material);
  mesh->indexCount = 3;
  mesh->indices = crt::AlignedNewArray<uint16_t>(3);
  mesh->indices[2] = 9;
  MeshBuildPhases(*mesh, 1.0f);
  const U16 indices = Indices(*mesh->faces[0]);
  const std::vector<Vertex> vertices(mesh->vertices, mesh->vertices + 4);

  Mesh* copy = MeshClone(*mesh);
  MeshDestroy(mesh);
  EXPECT_EQ(std::memcmp(copy->vertices, vertices.data(), 4 * sizeof(Vertex)), 0);
  ASSERT_EQ(copy->indexCount, 3u);
  EXPECT_EQ(copy->indices[2], 9);
  EXPECT_EQ(copy->faces[0]->mesh, copy);
  EXPECT_EQ(copy->faces[0]->material, material);
  EXPECT_EQ(Indices(*copy->faces[0]), indices);
  EXPECT_TRUE(copy->phases == nullptr && copy->runs.size == 0);
  MeshDestroy(copy);

  Mesh* empty = MeshCreate(nullptr, 0, 50);
  Mesh* emptyCopy = MeshClone(*empty);
  EXPECT_TRUE(empty->vertexCount == 0 && empty->vertices == nullptr);
  EXPECT_TRUE(emptyCopy->vertices == nullptr && emptyCopy->faces == nullptr);
  for (Mesh* m : {empty, emptyCopy}) MeshDestroy(m);
}

// Fans from the first corner: corners - 2 triangles, none below three corners, the index
// count not limited to a byte; reversing reverses the whole index list and keeps the corners.
TEST(MeshFaceOps, TriangulateAsAFanAndReverseTheWholeList) {
  Mesh* mesh = MeshOfPoints({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {2, 2, 0}});
  MeshFace* quad = AddPolygon(*mesh, {4, 1, 2, 3});
  EXPECT_EQ(Indices(*quad), (U16{4, 1, 2, 4, 2, 3}));
  MeshFaceReverse(*quad);
  EXPECT_EQ(Indices(*quad), (U16{3, 2, 4, 2, 1, 4}));
  EXPECT_EQ(Corners(*quad), (U16{4, 1, 2, 3}));
  for (uint16_t corners : {0, 1, 2, 3, 88}) {
    MeshFace* face = MeshFaceCreate(mesh);
    MeshFaceInit(*face, mesh, 6, corners);
    for (uint16_t i = 0; i < corners; ++i) MeshFaceSetCorner(*face, i, i);
    MeshFaceTriangulate(*face);
    ASSERT_EQ(face->indexCount, corners < 3 ? 0u : 3u * (corners - 2u)) << corners;
    // The fan's last triangle ends at the last corner.
    EXPECT_TRUE(corners < 3 || face->indices[face->indexCount - 1] == corners - 1) << corners;
    MeshFaceDestroy(face);
  }
  MeshDestroy(mesh);
}

// Set-indices fills the distinct values as corners; writes stop at the arrays' ends (the
// sanitizer build checks the bound); a clone adds its offset, wrapping at 16 bits.
TEST(MeshFaceOps, IndexAndCornerWritesStayInsideTheirArrays) {
  Mesh* mesh = MeshCreate(nullptr, 0, 0);
  MeshFace* face = MeshFaceCreate(mesh);
  const uint16_t source[6] = {4, 5, 6, 4, 6, 7};
  MeshFaceInit(*face, mesh, 6, 4);
  MeshFaceSetIndices(*face, 6, source);
  EXPECT_EQ(Indices(*face), (U16{4, 5, 6, 4, 6, 7}));
  EXPECT_EQ(Corners(*face), (U16{4, 5, 6, 7}));
  MeshFaceInit(*face, mesh, 2, 3);
  MeshFaceSetIndices(*face, 6, source);
  MeshFaceSetCorner(*face, 3, 99);
  EXPECT_EQ(Indices(*face), (U16{4, 5}));
  EXPECT_EQ(Corners(*face), (U16{4, 5, 6}));

  const uint16_t high[3] = {0, 1, 65530};
  MeshFaceInit(*face, mesh, 3, 3);
  MeshFaceSetIndices(*face, 3, high);
  MeshFace* shifted = MeshFaceClone(*face, mesh, 10);
  EXPECT_EQ(Indices(*shifted), (U16{10, 11, 4}));
  EXPECT_EQ(Corners(*shifted), (U16{10, 11, 4}));
  MeshFaceDestroy(shifted);
  MeshFaceDestroy(face);
  MeshDestroy(mesh);
}

// Centroid and mean texture coordinate average the corners; a face without corners gives
// zeros, not 0 / 0.
TEST(MeshFaceOps, CentroidAndMeanTexCoord) {
  Mesh* mesh = MeshOfPoints({{0, 0, 0}, {2, 0, 0}, {2, 2, 4}, {0, 2, 0}});
  Vec3 centre;
  float u, v;
  MeshFaceCentroid(centre, *AddPolygon(*mesh, {0, 1, 2, 3}));
  MeshFaceMeanTexCoord(*mesh->faces[0], u, v);
  EXPECT_TRUE(centre.x == 1.0f && centre.y == 1.0f && centre.z == 1.0f);
  EXPECT_TRUE(u == 1.0f && v == 1.0f);
  MeshFace* bare = MeshFaceCreate(mesh);
  MeshFaceCentroid(centre, *bare);
  MeshFaceMeanTexCoord(*bare, u, v);
  EXPECT_TRUE(IsZero(centre) && u == 0.0f && v == 0.0f);
  MeshFaceDestroy(bare);
  MeshDestroy(mesh);
}

// The plane comes from the first corner triple that is neither coincident nor collinear; a
// face on a line has none, and vertices in no face get a zero normal, not NaN.
TEST(MeshFaceOps, PlaneSkipsCoincidentAndCollinearTriples) {
  Mesh* mesh = MeshOfPoints({{0, 0, 0}, {0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {2, 0, 0}, {0, 0, 5}});
  for (std::initializer_list<uint16_t> corners :
       {std::initializer_list<uint16_t>{0, 2, 3}, {0, 1, 2, 3}, {0, 2, 4, 3}}) {
    Vec3 n;
    MeshFacePlane(n, *AddPolygon(*mesh, corners));
    EXPECT_TRUE(n.x == 0.0f && n.y == 0.0f && n.z == 1.0f) << mesh->faceCount;
  }
  Vec3 n;
  MeshFacePlane(n, *AddPolygon(*mesh, {0, 2, 4}));
  EXPECT_TRUE(IsZero(n));
  MeshComputeNormals(*mesh);
  EXPECT_TRUE(IsZero(mesh->vertices[5].normal));
  EXPECT_EQ(mesh->vertices[3].normal.z, 1.0f);
  MeshDestroy(mesh);
}

// A quad with u = 1 - y and the sheared v = x / 2 + y / 4: along constant v the position moves
// by (0.5, -1, 0) per unit of u, so the tangent is that direction normalised. Collinear
// corners and coinciding texture coordinates (0 / 0 in the formula) add nothing. A flat
// triangle with u along x under curved normals (0.6, 0, 0.8): the tangent is x made
// perpendicular to them, (1, 0, 0) - 0.6 (0.6, 0, 0.8) normalised = (0.8, 0, -0.6).
TEST(MeshTangents, FollowTheUDirectionAndSkipDegenerateTriangles) {
  // x, y, z, u, v of each vertex.
  const float vertices[13][5] = {
      {0, 0, 0, 1, 0},       {1, 0, 0, 1, 0.5f},    {1, 1, 0, 0, 0.75f}, {0, 1, 0, 0, 0.25f},
      {0, 0, 1, 0, 0},       {1, 0, 1, 0, 0},       {2, 0, 1, 0, 1},     {0, 1, 2, 0.5f, 0.5f},
      {1, 1, 2, 0.5f, 0.5f}, {0, 2, 2, 0.5f, 0.5f}, {0, 0, 3, 0, 0},     {1, 0, 3, 1, 0},
      {0, 1, 3, 0, 1}};
  Mesh* mesh = MeshCreate(nullptr, 0, 0);
  for (auto [x, y, z, u, v] : vertices)
    MeshAddVertex(*mesh, Vertex{{x, y, z}, {}, 0, u, v, {}, {}});
  AddPolygon(*mesh, {0, 1, 2, 3});
  AddPolygon(*mesh, {4, 5, 6});
  AddPolygon(*mesh, {7, 8, 9});
  AddPolygon(*mesh, {10, 11, 12});
  MeshComputeNormals(*mesh);
  for (uint32_t i = 10; i < 13; ++i) mesh->vertices[i].normal = {0.6f, 0, 0.8f};
  MeshComputeTangents(*mesh);
  for (uint32_t i = 0; i < 4; ++i) {
    EXPECT_NEAR(mesh->vertices[i].tangent.x, 0.5f / std::sqrt(1.25f), 1e-6f);
    EXPECT_NEAR(mesh->vertices[i].tangent.y, -1.0f / std::sqrt(1.25f), 1e-6f);
    EXPECT_EQ(mesh->vertices[i].tangent.z, 0.0f);
  }
  for (uint32_t i = 4; i < 10; ++i) EXPECT_TRUE(IsZero(mesh->vertices[i].tangent)) << i;
  for (uint32_t i = 10; i < 13; ++i) {
    const Vec3& t = mesh->vertices[i].tangent;
    EXPECT_TRUE(std::fabs(t.x - 0.8f) < 1e-6f && t.y == 0 && std::fabs(t.z + 0.6f) < 1e-6f) << i;
  }
  MeshDestroy(mesh);
}

}  // namespace
