// Mesh operators: a golden row per operator, then each operator's formula, boundaries and
// random draws.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
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
using meshtest::HashGeometry;
using meshtest::Indices;
using meshtest::MeshOfPoints;
using U16 = std::vector<uint16_t>;

constexpr float kRandUnit = 3.0518509447574615e-05f;  // 1 / 32767: crt::rand to 0..1

// The unit square in the xy plane facing +z, as one quad.
Mesh* UnitQuad() {
  Mesh* mesh = MeshOfPoints({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}});
  AddPolygon(*mesh, {0, 1, 2, 3});
  MeshComputeNormals(*mesh);
  return mesh;
}

void ExpectVec(const Vec3& v, float x, float y, float z, float tolerance = 1e-6f) {
  EXPECT_NEAR(v.x, x, tolerance);
  EXPECT_NEAR(v.y, y, tolerance);
  EXPECT_NEAR(v.z, z, tolerance);
}

// An image of w x h whose pixel i is grey with brightness `grey(i)`.
struct GreyImage {
  Texture image;
  GreyImage(uint16_t w, uint16_t h, const std::function<uint32_t(uint32_t)>& grey) {
    TextureInitScratch(&image, w, h);
    for (uint32_t i = 0; i < uint32_t(w) * h; ++i) image.pixels[i] = 0xFF000000u | grey(i);
  }
  ~GreyImage() { TextureFreeImage(&image); }
};

TEST(MeshOperators, EveryOperatorKeepsItsHash) {
  const GreyImage pattern(16, 8, [](uint32_t i) {
    return ((i * 37) & 0xFF) << 16 | ((i * 11) & 0xFF) << 8 | (i & 0xFF);
  });
  const Texture* texture = &pattern.image;
  struct Row {
    const char* name;
    std::function<void(Mesh&)> operate;  // on a sphere of radius 1.5 and 7 bands, rand seed 1234
    uint64_t hash;
  };
  const Row rows[] = {
      {"rotate", [](Mesh& m) { MeshRotate(m, 30, -45, 60); }, 0x7a8dee78108897baull},
      {"transform",
       [](Mesh& m) {
         MeshScale(m, 1, 2, 0.5f);
         MeshTranslate(m, 0.5f, -1, 2);
         MeshFlip(m);
         MeshNegate(m);
       },
       0x2ea6e909bc26aedeull},
      {"jitter", [](Mesh& m) { MeshJitter(m, 0.2f, 0.3f, 0.1f); }, 0x2235c7fb4bb6a4d7ull},
      {"attract", [](Mesh& m) { MeshAttract(m, 1, 0.5f, 0, 1.5f, 1); }, 0xf901c1a3ca9ac69full},
      {"displace spherical", [texture](Mesh& m) { MeshDisplace(m, texture, 0, 1); },
       0x5bb42679ae194f3dull},
      {"displace along normals", [texture](Mesh& m) { MeshDisplace(m, texture, 2, 0.25f); },
       0x8292978934d73a2full},
      {"extrude jittered",
       [](Mesh& m) {
         MeshExtrudeFacesJittered(m, 0.9f, 0.3f, 5, 10, 0, 0.2f, 0.4f, 20, 10, 5, 2, 2, 0);
       },
       0x667f28cc4e830044ull},
  };
  for (const Row& row : rows) {
    Mesh* mesh = MeshCreateSphere(1.5f, 7, nullptr, nullptr);
    crt::srand(1234);
    row.operate(*mesh);
    ExpectSound(*mesh);
    SCOPED_TRACE(row.name);
    meshtest::ExpectHash(*mesh, row.hash);
    MeshDestroy(mesh);
  }
  Mesh* box = MeshCreateBox(2, 2, 2, nullptr, nullptr);
  MeshExtrudeFaces(*box, 0.8f, 0.5f, 10, 0, 5, 2);
  meshtest::ExpectHash(*box, 0x4d84698673b30561ull);
  MeshDestroy(box);
}

// Translation moves positions only; scale also scales normals (not renormalised); rotation
// turns both by degrees; flip reverses winding and normals (twice: the original); negate
// reflects through the origin.
TEST(MeshOperators, AffineOperatorsMoveWhatTheyShould) {
  Mesh* mesh = UnitQuad();
  MeshTranslate(*mesh, 1, 0, 0);
  ExpectVec(mesh->vertices[2].position, 2, 1, 0, 0);
  ExpectVec(mesh->vertices[2].normal, 0, 0, 1, 0);
  MeshScale(*mesh, 2, 1, 3);
  ExpectVec(mesh->vertices[2].position, 4, 1, 0, 0);
  ExpectVec(mesh->vertices[2].normal, 0, 0, 3, 0);
  MeshRotate(*mesh, 90, 0, 0);  // about x: y goes to z, z to -y
  ExpectVec(mesh->vertices[2].position, 4, 0, 1);
  ExpectVec(mesh->vertices[2].normal, 0, -3, 0);
  MeshDestroy(mesh);

  mesh = MeshCreateCylinder(1, 2, 2, 5, nullptr, nullptr);
  const uint64_t original = HashGeometry(*mesh);
  const Vec3 p = mesh->vertices[7].position, n = mesh->vertices[7].normal;
  MeshFlip(*mesh);
  ExpectVec(mesh->vertices[7].normal, -n.x, -n.y, -n.z, 0);
  EXPECT_EQ(Indices(*mesh->faces[0]), (U16{0, 6, 7, 7, 1, 0}));  // was 0, 1, 7, 7, 6, 0
  MeshFlip(*mesh);
  EXPECT_EQ(HashGeometry(*mesh), original);
  MeshNegate(*mesh);
  ExpectVec(mesh->vertices[7].position, -p.x, -p.y, -p.z, 0);
  ExpectVec(mesh->vertices[7].normal, -n.x, -n.y, -n.z, 0);
  MeshDestroy(mesh);
}

// Three draws per vertex in axis order, each mapped to -range/2..range/2; zero ranges draw too.
TEST(MeshOperators, JitterDrawsThreeTimesPerVertexInAxisOrder) {
  Mesh* mesh = UnitQuad();
  crt::srand(1);
  MeshJitter(*mesh, 0, 0, 0);
  EXPECT_EQ(DrawsSince(1), 12);
  ExpectVec(mesh->vertices[2].position, 1, 1, 0, 0);
  crt::srand(1);  // first values 41, 18467, 6334
  MeshJitter(*mesh, 2, 4, 8);
  EXPECT_EQ(mesh->vertices[0].position.x, 41 * kRandUnit * 2.0f - 1.0f);
  EXPECT_EQ(mesh->vertices[0].position.y, 18467 * kRandUnit * 4.0f - 2.0f);
  EXPECT_EQ(mesh->vertices[0].position.z, 6334 * kRandUnit * 8.0f - 4.0f);
  MeshDestroy(mesh);
}

// Vertices within the radius move towards the point by f = d / radius (squared with the flag).
TEST(MeshOperators, AttractPullsWithinTheRadius) {
  Mesh* mesh = MeshOfPoints({{1, 0, 0}, {3, 0, 0}, {2, 0, 0}, {0, 0, 0}});
  MeshAttract(*mesh, 0, 0, 0, 2, 0);
  const float linear[4] = {0.5f, 3, 2, 0};  // halfway, outside, at the radius, at the point
  for (int i = 0; i < 4; ++i) EXPECT_EQ(mesh->vertices[i].position.x, linear[i]) << i;
  mesh->vertices[0].position.x = 1.0f;
  MeshAttract(*mesh, 0, 0, 0, 2, 1);
  EXPECT_EQ(mesh->vertices[0].position.x, 0.25f);
  MeshAttract(*mesh, 0, 0, 0, 0, 1);  // radius 0 with a vertex at the point: no 0 / 0
  ExpectSound(*mesh);
  MeshDestroy(mesh);
}

// One quad becomes a cap (the old face, moved along its normal) and four walls facing away
// from the square's centre; all three ranges draw even when zero.
TEST(MeshExtrude, OneQuadBecomesACapAndFourOutwardWalls) {
  Mesh* mesh = UnitQuad();
  crt::srand(7);
  MeshExtrudeFaces(*mesh, 1, 1, 0, 0, 0, 1);
  EXPECT_EQ(DrawsSince(7), 3 + 2 * 4);
  ASSERT_EQ(mesh->vertexCount, 8u);
  ASSERT_EQ(mesh->faceCount, 5u);
  EXPECT_EQ(Indices(*mesh->faces[0]), (U16{4, 5, 6, 4, 6, 7}));
  for (uint32_t i = 4; i < 8; ++i) {
    const Vertex& base = mesh->vertices[i - 4];
    ExpectVec(mesh->vertices[i].position, base.position.x, base.position.y, 1.0f);
    EXPECT_EQ(mesh->vertices[i].u, base.u);
  }
  // Wall j: (cap j1, cap j, base j, base j1).
  EXPECT_EQ(Corners(*mesh->faces[1]), (U16{5, 4, 0, 1}));
  const Vec3 outwards[4] = {{0, -1, 0}, {1, 0, 0}, {0, 1, 0}, {-1, 0, 0}};
  for (uint32_t f = 1; f < 5; ++f) {
    Vec3 n;
    MeshFacePlane(n, *mesh->faces[f]);
    ExpectVec(n, outwards[f - 1].x, outwards[f - 1].y, outwards[f - 1].z);
  }
  MeshDestroy(mesh);
}

// The push follows the face's normal whatever its frame, the scale shrinks the cap about its
// centre, a second repetition extrudes the cap again, and a tilt turns the push off the normal.
TEST(MeshExtrude, ScaleTiltAndRepeatsFollowTheFace) {
  Mesh* mesh = MeshOfPoints({{0, 0, 0}, {0, 2, 0}, {0, 2, 2}, {0, 0, 2}});  // looks along +x
  AddPolygon(*mesh, {0, 1, 2, 3});
  MeshExtrudeFaces(*mesh, 0.5f, 3, 0, 0, 0, 2);
  ASSERT_EQ(mesh->faceCount, 9u);
  Vec3 centre;
  MeshFaceCentroid(centre, *mesh->faces[0]);
  ExpectVec(centre, 6, 1, 1, 1e-5f);
  ExpectVec(mesh->vertices[8].position, 6, 0.75f, 0.75f, 1e-5f);  // 2 x 0.5 x 0.5
  MeshDestroy(mesh);

  mesh = UnitQuad();
  MeshExtrudeFaces(*mesh, 1, 1, 0, 90, 0, 1);  // 90 degrees about the frame's y
  MeshFaceCentroid(centre, *mesh->faces[0]);
  ExpectVec(centre, 1.5f, 0.5f, 0.0f, 1e-5f);
  MeshDestroy(mesh);
}

// Per corner the jittered extrusion draws the tilt (three), then scale and push.
TEST(MeshExtrude, JitterDrawsTiltThenScaleAndPush) {
  Mesh* mesh = UnitQuad();
  crt::srand(3);
  for (int i = 0; i < 3; ++i) crt::rand();
  const int scale = crt::rand(), push = crt::rand();
  crt::srand(3);
  MeshExtrudeFacesJittered(*mesh, 1, 1, 0, 0, 0, 0.5f, 2, 0, 0, 0, 1, 0, 0);
  const float S = 1.0f + scale * kRandUnit * 0.5f - 0.25f, P = 1.0f + push * kRandUnit * 2 - 1;
  ExpectVec(mesh->vertices[4].position, 0.5f - 0.5f * S, 0.5f - 0.5f * S, P);
  EXPECT_NEAR(mesh->vertices[4].u, 0.5f - 0.5f * S, 1e-6f);
  MeshDestroy(mesh);
}

// Skip n visits every (n + 1)th face, first-only the first; the step does not wrap to 0.
TEST(MeshExtrude, SkipAndFirstOnlyChooseTheVisitedFaces) {
  const auto extruded = [](uint32_t skip, uint8_t firstOnly) {
    Mesh* mesh = MeshCreateSheet(5, 1, 5, 1, 0, 0, nullptr, nullptr);
    const uint32_t before = mesh->vertexCount;
    MeshExtrudeFacesJittered(*mesh, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 1, skip, firstOnly);
    std::vector<uint32_t> visited;
    for (uint32_t f = 0; f < 5; ++f)
      if (mesh->faces[f]->corners[0] >= before) visited.push_back(f);
    EXPECT_EQ(mesh->faceCount, 5 + 4 * visited.size());
    MeshDestroy(mesh);
    return visited;
  };
  EXPECT_EQ(extruded(0, 0), (std::vector<uint32_t>{0, 1, 2, 3, 4}));
  EXPECT_EQ(extruded(1, 0), (std::vector<uint32_t>{0, 2, 4}));
  EXPECT_EQ(extruded(3, 0), (std::vector<uint32_t>{0, 4}));
  EXPECT_EQ(extruded(0, 1), (std::vector<uint32_t>{0}));
  EXPECT_EQ(extruded(UINT32_MAX, 0), (std::vector<uint32_t>{0}));
}

// A face on a line, one of one corner and one without corners have no plane (the last no
// centroid either): no NaN, and they still take their draws.
TEST(MeshExtrude, DegenerateFacesGiveNoNaN) {
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

// Merging appends the vertices and the source's faces with offset indices (into itself too);
// without source vertices or faces nothing happens, into an empty mesh it copies.
TEST(MeshMerge, AppendsVerticesAndOffsetsTheSourceFaces) {
  Mesh* a = MeshOfPoints({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
  AddPolygon(*a, {0, 1, 2});
  Mesh* b = MeshOfPoints({{5, 0, 0}, {6, 0, 0}, {5, 1, 0}});
  AddPolygon(*b, {0, 1, 2});
  MeshMerge(*a, *b);
  ASSERT_EQ(a->vertexCount, 6u);
  EXPECT_EQ(Indices(*a->faces[1]), (U16{3, 4, 5}));
  EXPECT_EQ(a->faces[1]->mesh, a);
  EXPECT_EQ(Indices(*b->faces[0]), (U16{0, 1, 2}));
  MeshMerge(*a, *a);
  EXPECT_EQ(Indices(*a->faces[3]), (U16{9, 10, 11}));
  ExpectSound(*a);

  Mesh* empty = MeshCreate(nullptr, 0, 0);
  Mesh* points = MeshOfPoints({{0, 0, 0}});
  MeshMerge(*empty, *points);
  EXPECT_EQ(empty->vertexCount, 0u);
  MeshMerge(*a, *empty);
  EXPECT_EQ(a->vertexCount, 12u);
  MeshMerge(*empty, *a);
  EXPECT_EQ(HashGeometry(*empty), HashGeometry(*a));
  for (Mesh* m : {a, b, empty, points}) MeshDestroy(m);
}

// Spherical lookup: latitude and longitude of the position pick the pixel that scales it;
// texture-coordinate lookup moves along the unit normal by the grey times the amount, wrapping
// u and v; a zero normal or an image without pixels moves nothing.
TEST(MeshDisplace, LookupsPickTheirPixel) {
  const GreyImage ramp(8, 8, [](uint32_t i) { return (i + 1) * 0x010101u; });
  const auto grey = [](int row, int column) { return (8 * row + column + 1) / 255.0f; };
  Mesh* sphere = MeshOfPoints({{0, 2, 0}, {1, 0, 1}, {1, -1, 0}, {-1, 0, 1}});
  MeshDisplace(*sphere, &ramp.image, 0, 123.0f);                    // the amount is not used
  EXPECT_FLOAT_EQ(sphere->vertices[0].position.y, 2 * grey(0, 0));  // on the y axis
  EXPECT_FLOAT_EQ(sphere->vertices[1].position.x, grey(0, 1));      // longitude pi / 4
  EXPECT_FLOAT_EQ(sphere->vertices[2].position.x, grey(7, 0));      // latitude -pi / 4
  EXPECT_FLOAT_EQ(sphere->vertices[3].position.z, grey(0, 7));      // x < 0
  MeshDestroy(sphere);

  Mesh* mesh = MeshOfPoints({{0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}});
  const float texCoords[4][2] = {{0.25f, 0.5f}, {-0.125f, -0.25f}, {1.0f, 9.0f}, {0.5f, 0.5f}};
  for (uint32_t i = 0; i < 4; ++i) {
    mesh->vertices[i].u = texCoords[i][0];
    mesh->vertices[i].v = texCoords[i][1];
    mesh->vertices[i].normal = Vec3{0, 0, i == 3 ? 0.0f : 2.0f};  // not unit; the last zero
  }
  MeshDisplace(*mesh, &ramp.image, 1, 2.0f);
  EXPECT_FLOAT_EQ(mesh->vertices[0].position.z, 2 * grey(4, 2));
  EXPECT_FLOAT_EQ(mesh->vertices[1].position.z, 2 * grey(6, 7));  // -1 -> 7, -2 -> 6
  EXPECT_FLOAT_EQ(mesh->vertices[2].position.z, 2 * grey(0, 0));  // 72 -> 0, 8 -> 0
  EXPECT_EQ(mesh->vertices[3].position.z, 0.0f);
  ExpectSound(*mesh);
  const uint64_t before = HashGeometry(*mesh);
  Texture target;
  TextureInit2D(&target, 16, 16, 0, 1);  // a render target: no pixel block
  MeshDisplace(*mesh, &target, 1, 1.0f);
  MeshDisplace(*mesh, nullptr, 0, 1.0f);
  EXPECT_EQ(HashGeometry(*mesh), before);
  MeshDestroy(mesh);
}

}  // namespace
