// Golden hashes of positions, normals and indices for one call of every generator and
// operator with fixed operands and crt::rand state.
#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdio>
#include <functional>

#include "mesh/generators.h"
#include "mesh/operators.h"
#include "mesh_test_util.h"
#include "texgen/texture.h"

namespace {

using meshtest::ExpectSound;
using meshtest::HashGeometry;

// A 16 x 8 image with a fixed pattern of grey levels.
struct Pattern {
  Texture image;
  Pattern() {
    TextureInitScratch(&image, 16, 8);
    for (uint32_t i = 0; i < 128; ++i) {
      image.pixels[i] = 0xFF000000u | ((i * 37) & 0xFF) << 16 | ((i * 11) & 0xFF) << 8 | i;
    }
  }
  ~Pattern() { TextureFreeImage(&image); }
};

struct Golden {
  const char* name;
  std::function<Mesh*()> build;
  uint64_t hash;
};

Mesh* Operated(Mesh* mesh, const std::function<void(Mesh&)>& operate) {
  crt::srand(1234);
  operate(*mesh);
  return mesh;
}

Mesh* Sphere() { return MeshCreateSphere(1.5f, 7, nullptr, nullptr); }

TEST(MeshGolden, EveryGeneratorAndOperator) {
  Pattern pattern;
  const Texture* texture = &pattern.image;
  const Golden cases[] = {
      {"flat figure", [] { return MeshCreateShapeFromTables(2, 1.5f, 0.5f, nullptr, nullptr); },
       0x096591adddb92c89ull},
      {"cylinder", [] { return MeshCreateCylinder(1.25f, 3, 3, 7, nullptr, nullptr); },
       0x079a0f1a0f541deaull},
      {"cone", [] { return MeshCreateCone(2, 1.5f, 2, 9, nullptr, nullptr); },
       0x3e69ab24578c7889ull},
      {"sphere", Sphere, 0x5c6d5406a8246441ull},
      {"tapered box", [] { return MeshCreateTaperedBox(1, 2, 3, 0.4f, nullptr, nullptr); },
       0x4bd1186f4d2835b5ull},
      {"pyramid", [] { return MeshCreatePyramid(1, 2, 1.5f, nullptr, nullptr); },
       0x9d52f9ed48285a50ull},
      {"helix", [] { return MeshCreateHelix(2, 0.4f, 2, 0.3f, 6, 5, nullptr, nullptr); },
       0x649cc1ff14dce696ull},
      {"torus", [] { return MeshCreateTorus(3, 0.75f, 10, 6, nullptr, nullptr); },
       0x0c8a4409ad3e83dcull},
      {"sheet", [] { return MeshCreateSheet(3, 2, 5, 4, 0, 0, nullptr, nullptr); },
       0x685ea2914d70c55full},
      {"tube", [] { return MeshCreateTube(1.5f, 4, 3, 9, 0, nullptr, nullptr); },
       0xb28fb54816a733c8ull},
      {"ring", [] { return MeshCreateTube(1, 0.5f, 2, 11, 1, nullptr, nullptr); },
       0x7961b54d991f6587ull},
      {"rotate", [] { return Operated(Sphere(), [](Mesh& m) { MeshRotate(m, 30, -45, 60); }); },
       0x7a8dee78108897baull},
      {"transform",
       [] {
         return Operated(Sphere(), [](Mesh& m) {
           MeshScale(m, 1, 2, 0.5f);
           MeshTranslate(m, 0.5f, -1, 2);
           MeshFlip(m);
           MeshNegate(m);
         });
       },
       0x2ea6e909bc26aedeull},
      {"jitter",
       [] { return Operated(Sphere(), [](Mesh& m) { MeshJitter(m, 0.2f, 0.3f, 0.1f); }); },
       0x2235c7fb4bb6a4d7ull},
      {"attract",
       [] { return Operated(Sphere(), [](Mesh& m) { MeshAttract(m, 1, 0.5f, 0, 1.5f, 1); }); },
       0xf901c1a3ca9ac69full},
      {"displace spherical",
       [texture] {
         return Operated(Sphere(), [texture](Mesh& m) { MeshDisplace(m, texture, 0, 1); });
       },
       0x5bb42679ae194f3dull},
      {"displace along normals",
       [texture] {
         return Operated(Sphere(), [texture](Mesh& m) { MeshDisplace(m, texture, 2, 0.25f); });
       },
       0x8292978934d73a2full},
      {"extrude",
       [] {
         return Operated(MeshCreateBox(2, 2, 2, nullptr, nullptr),
                         [](Mesh& m) { MeshExtrudeFaces(m, 0.8f, 0.5f, 10, 0, 5, 2); });
       },
       0x4d84698673b30561ull},
      {"extrude jittered",
       [] {
         return Operated(Sphere(), [](Mesh& m) {
           MeshExtrudeFacesJittered(m, 0.9f, 0.3f, 5, 10, 0, 0.2f, 0.4f, 20, 10, 5, 2, 2, 0);
         });
       },
       0x667f28cc4e830044ull},
      {"merge",
       [] {
         Mesh* mesh = MeshCreateBox(1, 1, 1, nullptr, nullptr);
         Mesh* other = Sphere();
         MeshMerge(*mesh, *other);
         MeshDestroy(other);
         return mesh;
       },
       0x8dc614c55bfb21e1ull},
  };
  for (const Golden& c : cases) {
    Mesh* mesh = c.build();
    ExpectSound(*mesh);
    const uint64_t hash = HashGeometry(*mesh);
    char actual[24];
    std::snprintf(actual, sizeof actual, "0x%016" PRIx64, hash);
    EXPECT_EQ(hash, c.hash) << c.name << ": " << actual;
    MeshDestroy(mesh);
  }
}

}  // namespace
