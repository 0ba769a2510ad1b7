#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "mesh/generators.h"
#include "mesh/operators.h"
#include "mesh_test_util.h"
#include "texgen/texture.h"

namespace {

using meshtest::AddPolygon;
using meshtest::Corners;
using meshtest::DrawsSince;
using meshtest::ExpectSound;
using meshtest::Indices;
using meshtest::MeshOfPoints;
using U16 = std::vector<uint16_t>;

// The unit square in the xy plane facing +z, as one quad.
Mesh* UnitQuad() {
  Mesh* mesh = MeshOfPoints({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}});
  AddPolygon(*mesh, {0, 1, 2, 3});
  MeshComputeNormals(*mesh);
  return mesh;
}

// A row of `count` unit quads along x (2 count + 2 vertices), all facing +z.
Mesh* QuadStrip(uint16_t count) {
  Mesh* mesh = MeshCreate(nullptr, 0, 0);
  for (uint16_t i = 0; i <= count; ++i) {
    Vertex bottom{}, top{};
    bottom.position = Vec3{static_cast<float>(i), 0, 0};
    top.position = Vec3{static_cast<float>(i), 1, 0};
    MeshAddVertex(*mesh, bottom);
    MeshAddVertex(*mesh, top);
  }
  for (uint16_t i = 0; i < count; ++i) {
    const auto a = static_cast<uint16_t>(2 * i);
    AddPolygon(*mesh, {a, static_cast<uint16_t>(a + 2), static_cast<uint16_t>(a + 3),
                       static_cast<uint16_t>(a + 1)});
  }
  MeshComputeNormals(*mesh);
  return mesh;
}

void ExpectVec(const Vec3& v, float x, float y, float z, float tolerance = 1e-6f) {
  EXPECT_NEAR(v.x, x, tolerance);
  EXPECT_NEAR(v.y, y, tolerance);
  EXPECT_NEAR(v.z, z, tolerance);
}

// ---- Affine and attribute operators ------------------------------------------------------------

TEST(MeshOperators, TranslateMovesPositionsOnlyScaleAlsoScalesNormals) {
  Mesh* mesh = MeshCreateBox(2, 2, 2, nullptr, nullptr);
  std::vector<Vertex> before(mesh->vertices, mesh->vertices + mesh->vertexCount);
  MeshTranslate(*mesh, 1, 0, 0);
  for (uint32_t i = 0; i < mesh->vertexCount; ++i) {
    EXPECT_EQ(mesh->vertices[i].position.x, before[i].position.x + 1.0f);
    EXPECT_EQ(mesh->vertices[i].position.y, before[i].position.y);
    EXPECT_EQ(std::memcmp(&mesh->vertices[i].normal, &before[i].normal, sizeof(Vec3)), 0);
  }
  MeshScale(*mesh, 2, 1, 1);
  for (uint32_t i = 0; i < mesh->vertexCount; ++i) {
    EXPECT_EQ(mesh->vertices[i].normal.x, before[i].normal.x * 2.0f);
    EXPECT_EQ(mesh->vertices[i].normal.y, before[i].normal.y);
  }
  MeshDestroy(mesh);
}

TEST(MeshOperators, RotateTurnsPositionsAndNormalsByDegrees) {
  Mesh* mesh = UnitQuad();
  MeshRotate(*mesh, 90, 0, 0);  // about x: y goes to z, z to -y
  ExpectVec(mesh->vertices[2].position, 1, 0, 1);
  ExpectVec(mesh->vertices[2].normal, 0, -1, 0);
  MeshDestroy(mesh);
}

TEST(MeshOperators, FlipTwiceRestoresNegateReflectsThroughTheOrigin) {
  Mesh* mesh = MeshCreateCylinder(1, 2, 2, 5, nullptr, nullptr);
  const uint64_t original = meshtest::HashGeometry(*mesh);
  const Vec3 normal = mesh->vertices[0].normal;
  MeshFlip(*mesh);
  ExpectVec(mesh->vertices[0].normal, -normal.x, -normal.y, -normal.z, 0);
  EXPECT_EQ(Indices(*mesh->faces[0]), (U16{0, 6, 7, 7, 1, 0}));  // was 0, 1, 7, 7, 6, 0
  EXPECT_NE(meshtest::HashGeometry(*mesh), original);
  MeshFlip(*mesh);
  EXPECT_EQ(meshtest::HashGeometry(*mesh), original);

  const Vec3 p = mesh->vertices[7].position, n = mesh->vertices[7].normal;
  MeshNegate(*mesh);
  ExpectVec(mesh->vertices[7].position, -p.x, -p.y, -p.z, 0);
  ExpectVec(mesh->vertices[7].normal, -n.x, -n.y, -n.z, 0);
  MeshDestroy(mesh);
}

// ---- Jitter and attraction ---------------------------------------------------------------------

TEST(MeshJitter, ThreeDrawsPerVertexInAxisOrder) {
  Mesh* mesh = UnitQuad();
  crt::srand(1);
  MeshJitter(*mesh, 0, 0, 0);
  EXPECT_EQ(DrawsSince(1), 12);
  ExpectVec(mesh->vertices[2].position, 1, 1, 0, 0);

  crt::srand(1);  // first values 41, 18467, 6334
  MeshJitter(*mesh, 2, 4, 8);
  const float k = 3.0518509447574615e-05f;
  EXPECT_EQ(mesh->vertices[0].position.x, 41 * k * 2.0f - 1.0f);
  EXPECT_EQ(mesh->vertices[0].position.y, 18467 * k * 4.0f - 2.0f);
  EXPECT_EQ(mesh->vertices[0].position.z, 6334 * k * 8.0f - 4.0f);
  MeshDestroy(mesh);
}

TEST(MeshAttract, PullsWithinTheRadius) {
  Mesh* mesh = MeshOfPoints({{1, 0, 0}, {3, 0, 0}, {2, 0, 0}, {0, 0, 0}});
  MeshAttract(*mesh, 0, 0, 0, 2, 0);
  EXPECT_EQ(mesh->vertices[0].position.x, 0.5f);  // f = 0.5: halfway
  EXPECT_EQ(mesh->vertices[1].position.x, 3.0f);  // outside
  EXPECT_EQ(mesh->vertices[2].position.x, 2.0f);  // at the radius
  EXPECT_EQ(mesh->vertices[3].position.x, 0.0f);  // at the point
  mesh->vertices[0].position.x = 1.0f;
  MeshAttract(*mesh, 0, 0, 0, 2, 1);
  EXPECT_EQ(mesh->vertices[0].position.x, 0.25f);  // f = 0.25: three quarters of the way

  MeshAttract(*mesh, 0, 0, 0, 0, 1);  // radius 0 with a vertex at the point: no 0 / 0
  ExpectSound(*mesh);
  EXPECT_EQ(mesh->vertices[3].position.x, 0.0f);
  MeshDestroy(mesh);
}

// ---- Extrusion ---------------------------------------------------------------------------------

TEST(MeshExtrude, OneQuadBecomesACapAndFourOutwardWalls) {
  Mesh* mesh = UnitQuad();
  crt::srand(7);
  MeshExtrudeFaces(*mesh, 1, 1, 0, 0, 0, 1);
  EXPECT_EQ(DrawsSince(7), 3 + 2 * 4);  // the zero ranges still draw
  ASSERT_EQ(mesh->vertexCount, 8u);
  ASSERT_EQ(mesh->faceCount, 5u);
  const MeshFace& cap = *mesh->faces[0];
  EXPECT_EQ(Corners(cap), (U16{4, 5, 6, 7}));
  EXPECT_EQ(Indices(cap), (U16{4, 5, 6, 4, 6, 7}));
  for (uint32_t i = 4; i < 8; ++i) {
    ExpectVec(mesh->vertices[i].position, mesh->vertices[i - 4].position.x,
              mesh->vertices[i - 4].position.y, 1.0f);
    EXPECT_EQ(mesh->vertices[i].u, mesh->vertices[i - 4].u);
  }
  // Wall j: (cap j1, cap j, base j, base j1), facing away from the square's centre.
  EXPECT_EQ(Corners(*mesh->faces[1]), (U16{5, 4, 0, 1}));
  EXPECT_EQ(Corners(*mesh->faces[4]), (U16{4, 7, 3, 0}));
  const Vec3 outwards[4] = {{0, -1, 0}, {1, 0, 0}, {0, 1, 0}, {-1, 0, 0}};
  for (uint32_t f = 1; f < 5; ++f) {
    Vec3 n;
    MeshFacePlane(n, *mesh->faces[f]);
    ExpectVec(n, outwards[f - 1].x, outwards[f - 1].y, outwards[f - 1].z);
    EXPECT_EQ(mesh->faces[f]->indexCount, 6u);
  }
  ExpectSound(*mesh);
  MeshDestroy(mesh);
}

TEST(MeshExtrude, ScaleTiltAndRepeatsFollowTheFace) {
  // A face looking along +x: the push goes along +x whatever its frame, the scale shrinks the
  // cap about its centre, and the second repetition extrudes the cap again.
  Mesh* mesh = MeshOfPoints({{0, 0, 0}, {0, 2, 0}, {0, 2, 2}, {0, 0, 2}});
  AddPolygon(*mesh, {0, 1, 2, 3});
  MeshExtrudeFaces(*mesh, 0.5f, 3, 0, 0, 0, 2);
  ASSERT_EQ(mesh->vertexCount, 12u);
  ASSERT_EQ(mesh->faceCount, 9u);
  Vec3 centre;
  MeshFaceCentroid(centre, *mesh->faces[0]);
  ExpectVec(centre, 6, 1, 1, 1e-5f);
  ExpectVec(mesh->vertices[8].position, 6, 0.75f, 0.75f, 1e-5f);  // 2 x 0.5 x 0.5
  EXPECT_EQ(Corners(*mesh->faces[0]), (U16{8, 9, 10, 11}));
  ExpectSound(*mesh);
  MeshDestroy(mesh);

  // A tilt of 90 degrees about the frame's y turns the push off the normal (0, 0, 1).
  mesh = UnitQuad();
  MeshExtrudeFaces(*mesh, 1, 1, 0, 90, 0, 1);
  Vec3 pushed;
  MeshFaceCentroid(pushed, *mesh->faces[0]);
  ExpectVec(pushed, 1.5f, 0.5f, 0.0f, 1e-5f);
  MeshDestroy(mesh);
}

TEST(MeshExtrude, JitterDrawsTiltThenScaleAndPushPerCorner) {
  Mesh* mesh = UnitQuad();
  crt::srand(3);
  for (int i = 0; i < 3; ++i) crt::rand();  // the tilt draws
  const int scale = crt::rand(), push = crt::rand();
  const float k = 3.0518509447574615e-05f;
  crt::srand(3);
  MeshExtrudeFacesJittered(*mesh, 1, 1, 0, 0, 0, 0.5f, 2, 0, 0, 0, 1, 0, 0);
  const float S = 1.0f + scale * k * 0.5f - 0.25f, P = 1.0f + push * k * 2.0f - 1.0f;
  ExpectVec(mesh->vertices[4].position, 0.5f - 0.5f * S, 0.5f - 0.5f * S, P, 1e-6f);
  EXPECT_NEAR(mesh->vertices[4].u, 0.5f - 0.5f * S, 1e-6f);
  MeshDestroy(mesh);
}

TEST(MeshExtrude, SkipAndFirstOnlyChooseTheVisitedFaces) {
  auto extruded = [](uint32_t skip, uint8_t firstOnly) {
    Mesh* mesh = QuadStrip(5);
    const uint32_t before = mesh->vertexCount;
    MeshExtrudeFacesJittered(*mesh, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 1, skip, firstOnly);
    std::vector<uint32_t> visited;
    for (uint32_t f = 0; f < 5; ++f) {
      if (mesh->faces[f]->corners[0] >= before) visited.push_back(f);
    }
    EXPECT_EQ(mesh->faceCount, 5 + 4 * visited.size());
    ExpectSound(*mesh);
    MeshDestroy(mesh);
    return visited;
  };
  EXPECT_EQ(extruded(0, 0), (std::vector<uint32_t>{0, 1, 2, 3, 4}));
  EXPECT_EQ(extruded(1, 0), (std::vector<uint32_t>{0, 2, 4}));
  EXPECT_EQ(extruded(3, 0), (std::vector<uint32_t>{0, 4}));
  EXPECT_EQ(extruded(0, 1), (std::vector<uint32_t>{0}));
  EXPECT_EQ(extruded(UINT32_MAX, 0), (std::vector<uint32_t>{0}));  // the step does not wrap to 0
}

TEST(MeshExtrude, DegenerateFacesGiveNoNaN) {
  // A face on a line, a face of one corner and a face without corners: no plane normal, and
  // for the last one no centroid either. They still take their draws.
  Mesh* mesh = MeshOfPoints({{0, 0, 0}, {1, 0, 0}, {2, 0, 0}});
  AddPolygon(*mesh, {0, 1, 2});
  AddPolygon(*mesh, {1});
  MeshAddFace(*mesh, MeshFaceCreate(mesh));
  crt::srand(5);
  MeshExtrudeFacesJittered(*mesh, 1, 1, 10, 20, 30, 1, 1, 1, 1, 1, 2, 0, 0);
  EXPECT_EQ(DrawsSince(5), 2 * (3 + 2 * 3) + 2 * (3 + 2 * 1) + 2 * 3);
  ExpectSound(*mesh);
  MeshDestroy(mesh);
}

// ---- Merging -----------------------------------------------------------------------------------

TEST(MeshMerge, AppendsVerticesAndOffsetsTheSourceFaces) {
  Mesh* a = MeshOfPoints({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
  AddPolygon(*a, {0, 1, 2});
  Mesh* b = MeshOfPoints({{5, 0, 0}, {6, 0, 0}, {5, 1, 0}});
  AddPolygon(*b, {0, 1, 2});
  MeshMerge(*a, *b);
  ASSERT_EQ(a->vertexCount, 6u);
  EXPECT_EQ(a->vertexCapacity, 6u);
  ASSERT_EQ(a->faceCount, 2u);
  EXPECT_EQ(a->faceCapacity, 2u);
  EXPECT_EQ(Indices(*a->faces[1]), (U16{3, 4, 5}));
  EXPECT_EQ(a->faces[1]->mesh, a);
  EXPECT_EQ(a->vertices[4].position.x, 6.0f);
  EXPECT_EQ(Indices(*b->faces[0]), (U16{0, 1, 2}));  // the source is unchanged

  MeshMerge(*a, *a);  // a copy of itself
  ASSERT_EQ(a->vertexCount, 12u);
  EXPECT_EQ(Indices(*a->faces[3]), (U16{9, 10, 11}));
  ExpectSound(*a);
  MeshDestroy(a);
  MeshDestroy(b);
}

TEST(MeshMerge, NothingHappensWithoutSourceVerticesOrFaces) {
  Mesh* empty = MeshCreate(nullptr, 0, 0);
  Mesh* points = MeshOfPoints({{0, 0, 0}});
  MeshMerge(*empty, *points);  // vertices but no face on either side
  EXPECT_EQ(empty->vertexCount, 0u);
  Mesh* box = MeshCreateBox(1, 1, 1, nullptr, nullptr);
  MeshMerge(*box, *empty);  // no source vertex array
  EXPECT_EQ(box->vertexCount, 24u);
  MeshMerge(*empty, *box);  // into an empty mesh: a copy
  EXPECT_EQ(empty->vertexCount, 24u);
  EXPECT_EQ(meshtest::HashGeometry(*empty), meshtest::HashGeometry(*box));
  MeshDestroy(empty);
  MeshDestroy(points);
  MeshDestroy(box);
}

}  // namespace

// ---- Displacement ------------------------------------------------------------------------------

namespace {

// An 8 x 8 image whose pixel (row, column) is grey with brightness 8 row + column + 1.
struct GreyRamp {
  Texture image;
  GreyRamp() {
    TextureInitScratch(&image, 8, 8);
    for (uint32_t i = 0; i < 64; ++i) image.pixels[i] = 0xFF000000u | (i + 1) * 0x010101u;
  }
  ~GreyRamp() { TextureFreeImage(&image); }
  static float Scale(int row, int column) {
    return static_cast<float>(8 * row + column + 1) * 0.003921568859368563f;
  }
};

}  // namespace

TEST(MeshDisplace, SphericalLookupScalesPositions) {
  GreyRamp ramp;
  Mesh* mesh = MeshOfPoints({{0, 2, 0}, {1, 0, 1}, {1, -1, 0}, {-1, 0, 1}});
  MeshDisplace(*mesh, &ramp.image, 0, 123.0f);  // amount is not used
  // On the y axis: s = 0 and x = 0 give latitude and longitude 0, pixel (0, 0).
  EXPECT_FLOAT_EQ(mesh->vertices[0].position.y, 2 * GreyRamp::Scale(0, 0));
  // Longitude pi/4: column 8 / 8 = 1.
  EXPECT_FLOAT_EQ(mesh->vertices[1].position.x, GreyRamp::Scale(0, 1));
  // Latitude -pi/4 + 2pi: row 7.
  EXPECT_FLOAT_EQ(mesh->vertices[2].position.x, GreyRamp::Scale(7, 0));
  // x < 0: longitude -pi/4 + 2pi, column 7.
  EXPECT_FLOAT_EQ(mesh->vertices[3].position.z, GreyRamp::Scale(0, 7));
  MeshDestroy(mesh);
}

TEST(MeshDisplace, TexCoordLookupMovesAlongTheUnitNormalAndWraps) {
  GreyRamp ramp;
  Mesh* mesh = MeshOfPoints({{0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}});
  const float texCoords[4][2] = {{0.25f, 0.5f}, {-0.125f, -0.25f}, {1.0f, 9.0f}, {0.5f, 0.5f}};
  for (uint32_t i = 0; i < 4; ++i) {
    mesh->vertices[i].u = texCoords[i][0];
    mesh->vertices[i].v = texCoords[i][1];
    mesh->vertices[i].normal = Vec3{0, 0, i == 3 ? 0.0f : 2.0f};  // not unit; the last zero
  }
  MeshDisplace(*mesh, &ramp.image, 1, 2.0f);
  const auto moved = [&](uint32_t i) { return mesh->vertices[i].position.z; };
  EXPECT_FLOAT_EQ(moved(0), 2.0f * GreyRamp::Scale(4, 2));
  EXPECT_FLOAT_EQ(moved(1), 2.0f * GreyRamp::Scale(6, 7));  // -1 -> 7, -2 -> 6
  EXPECT_FLOAT_EQ(moved(2), 2.0f * GreyRamp::Scale(0, 0));  // 72 -> 0, 8 -> 0
  EXPECT_EQ(moved(3), 0.0f);                                // zero normal: no move, no NaN
  ExpectSound(*mesh);
  MeshDestroy(mesh);
}

TEST(MeshDisplace, ATextureWithoutPixelsChangesNothing) {
  Texture target;
  TextureInit2D(&target, 16, 16, 0, 1);  // a render target: no pixel block
  Mesh* mesh = MeshCreateBox(2, 2, 2, nullptr, nullptr);
  const uint64_t before = meshtest::HashGeometry(*mesh);
  MeshDisplace(*mesh, &target, 1, 1.0f);
  MeshDisplace(*mesh, nullptr, 0, 1.0f);
  EXPECT_EQ(meshtest::HashGeometry(*mesh), before);
  MeshDestroy(mesh);
}
