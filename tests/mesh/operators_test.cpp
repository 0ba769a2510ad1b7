// Mesh operators: a golden row per operator (which holds each formula), then the boundaries,
// the random draws the rows cannot show and the degenerate input.
#include <cstring>
#include <functional>
#include <tuple>

#include "mesh/generators.h"
#include "mesh/operators.h"
#include "mesh_test_util.h"
#include "texgen/texture.h"

namespace {

using meshtest::AddPolygon;
using meshtest::DrawsSince;
using meshtest::ExpectSound;
using meshtest::HashGeometry;
using meshtest::Indices;
using meshtest::MeshOfPoints;
using U16 = std::vector<uint16_t>;

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
  // Each operates on a sphere of radius 1.5 and 7 bands from rand seed 1234.
  const std::tuple<const char*, std::function<void(Mesh&)>, uint64_t> rows[] = {
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
  for (const auto& [name, operate, hash] : rows) {
    Mesh* mesh = MeshCreateSphere(1.5f, 7, nullptr, nullptr);
    crt::srand(1234);
    operate(*mesh);
    SCOPED_TRACE(name);
    ExpectSound(*mesh);
    meshtest::ExpectHash(*mesh, hash);
    MeshDestroy(mesh);
  }
  Mesh* box = MeshCreateBox(2, 2, 2, nullptr, nullptr);
  MeshExtrudeFaces(*box, 0.8f, 0.5f, 10, 0, 5, 2);
  meshtest::ExpectHash(*box, 0x4d84698673b30561ull);
  MeshDestroy(box);
}

// Zero ranges still draw: three per vertex for jitter, three per extrusion and two per corner.
TEST(MeshOperators, ZeroRangesStillTakeTheirDraws) {
  Mesh* mesh = MeshOfPoints({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}});
  AddPolygon(*mesh, {0, 1, 2, 3});
  crt::srand(1);
  MeshJitter(*mesh, 0, 0, 0);
  EXPECT_EQ(DrawsSince(1), 12);
  EXPECT_EQ(mesh->vertices[2].position.x, 1.0f);
  crt::srand(7);
  MeshExtrudeFaces(*mesh, 1, 1, 0, 0, 0, 1);
  EXPECT_EQ(DrawsSince(7), 3 + 2 * 4);
  MeshDestroy(mesh);
}

// Vertices within the radius move towards the point by f = d / radius (squared with the flag):
// halfway, outside, at the radius, at the point; radius 0 with a vertex at the point: no 0 / 0.
TEST(MeshOperators, AttractPullsWithinTheRadius) {
  Mesh* mesh = MeshOfPoints({{1, 0, 0}, {3, 0, 0}, {2, 0, 0}, {0, 0, 0}});
  MeshAttract(*mesh, 0, 0, 0, 2, 0);
  const float linear[4] = {0.5f, 3, 2, 0};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(mesh->vertices[i].position.x, linear[i]) << i;
  mesh->vertices[0].position.x = 1.0f;
  MeshAttract(*mesh, 0, 0, 0, 2, 1);
  EXPECT_EQ(mesh->vertices[0].position.x, 0.25f);
  MeshAttract(*mesh, 0, 0, 0, 0, 1);
  ExpectSound(*mesh);
  MeshDestroy(mesh);
}

// Skip n visits every (n + 1)th face, first-only the first; the step does not wrap to 0.
TEST(MeshExtrude, SkipAndFirstOnlyChooseTheVisitedFaces) {
  using Faces = std::vector<uint32_t>;
  const std::tuple<uint32_t, uint8_t, Faces> rows[] = {{0, 0, {0, 1, 2, 3, 4}},
                                                       {1, 0, {0, 2, 4}},
                                                       {3, 0, {0, 4}},
                                                       {0, 1, {0}},
                                                       {UINT32_MAX, 0, {0}}};
  for (const auto& [skip, firstOnly, expected] : rows) {
    Mesh* mesh = MeshCreateSheet(5, 1, 5, 1, 0, 0, nullptr, nullptr);
    const uint32_t before = mesh->vertexCount;
    MeshExtrudeFacesJittered(*mesh, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 1, skip, firstOnly);
    Faces visited;
    for (uint32_t f = 0; f < 5; ++f)
      if (mesh->faces[f]->corners[0] >= before) visited.push_back(f);
    EXPECT_EQ(visited, expected) << skip;
    EXPECT_EQ(mesh->faceCount, 5 + 4 * visited.size());
    MeshDestroy(mesh);
  }
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
  Mesh* b = MeshClone(*a);
  MeshMerge(*a, *b);
  ASSERT_EQ(a->vertexCount, 6u);
  EXPECT_EQ(Indices(*a->faces[1]), (U16{3, 4, 5}));
  EXPECT_EQ(a->faces[1]->mesh, a);
  EXPECT_EQ(Indices(*b->faces[0]), (U16{0, 1, 2}));
  MeshMerge(*a, *a);
  EXPECT_EQ(Indices(*a->faces[3]), (U16{9, 10, 11}));
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

// Texture-coordinate lookup moves along the unit normal by the grey times the amount, wrapping
// u and v both ways; a zero normal or an image without pixels moves nothing.
TEST(MeshDisplace, TexCoordLookupWrapsAndDegenerateInputMovesNothing) {
  const GreyImage ramp(8, 8, [](uint32_t i) { return (i + 1) * 0x010101u; });
  const auto grey = [](int row, int column) { return (8 * row + column + 1) / 255.0f; };
  // Points in the plane z = 0 at their texture coordinates (u, v).
  Mesh* mesh = MeshOfPoints({{0.25f, 0.5f, 0}, {-0.125f, -0.25f, 0}, {1, 9, 0}, {0.5f, 0.5f, 0}});
  for (uint32_t i = 0; i < 4; ++i)
    mesh->vertices[i].normal = Vec3{0, 0, i == 3 ? 0.0f : 2.0f};  // not unit; the last zero
  MeshDisplace(*mesh, &ramp.image, 1, 2.0f);
  EXPECT_FLOAT_EQ(mesh->vertices[0].position.z, 2 * grey(4, 2));
  EXPECT_FLOAT_EQ(mesh->vertices[1].position.z, 2 * grey(6, 7));  // -1 -> 7, -2 -> 6
  EXPECT_FLOAT_EQ(mesh->vertices[2].position.z, 2 * grey(0, 0));  // 72 -> 0, 8 -> 0
  EXPECT_EQ(mesh->vertices[3].position.z, 0.0f);
  const uint64_t before = HashGeometry(*mesh);
  Texture target;
  TextureInit2D(&target, 16, 16, 0, 1);  // a render target: no pixel block
  MeshDisplace(*mesh, &target, 1, 1.0f);
  MeshDisplace(*mesh, nullptr, 0, 1.0f);
  EXPECT_EQ(HashGeometry(*mesh), before);
  MeshDestroy(mesh);
}

}  // namespace
