// Pixel programs of the shader table where coordinates and the alpha test matter, fed exact
// interpolants by a pass-through vertex program (one point per draw) and compared at float
// precision with the program's formula computed here.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "tests/platform/shader_harness.h"

namespace {

constexpr F4 kClear = {0.25f, 0.5f, 0.75f, 1};
constexpr int kColour = 2, kTexcoord0 = 4;

F4 Texel(uint32_t argb) {
  return {((argb >> 16) & 0xFF) / 255.0f, ((argb >> 8) & 0xFF) / 255.0f, (argb & 0xFF) / 255.0f,
          (argb >> 24) / 255.0f};
}

class PixelPrograms : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(HarnessInit(error)) << error;
    vertex = PointVertex();
  }
  void Coord(int set, float x, float y, float z = 0, float w = 1) {
    vertex.Set(kTexcoord0 + set, {x, y, z, w});
  }
  // Draws with `mode`'s pixel program and pixel constants c0.. from `constants`.
  F4 Draw(uint32_t mode, const std::vector<float>& constants, int alphaFunc = 8,
          float alphaRef = 0) {
    std::string error;
    unsigned program = HarnessAssemble(kVertexProbe, "", error, mode);
    EXPECT_NE(program, 0u) << error;
    if (!constants.empty()) HarnessPixelConstants(program, 0, constants);
    HarnessAlphaTest(program, alphaFunc, alphaRef);
    return HarnessDraw(program, vertex);
  }
  HarnessVertex vertex;
};

TEST_F(PixelPrograms, VertexColourAndTheAlphaTest) {
  vertex.Set(kColour, {0.1f, 0.2f, 0.3f, 0.4f});
  ExpectNear(Draw(14, {}), {0.1f, 0.2f, 0.3f, 0.4f});
  ExpectNear(Draw(14, {}, 5, 0.5f), kClear);  // GREATER 0.5 fails for 0.4
  vertex.Set(kColour, {0.1f, 0.2f, 0.3f, 0.6f});
  ExpectNear(Draw(14, {}, 5, 0.5f), {0.1f, 0.2f, 0.3f, 0.6f});
  ExpectNear(Draw(14, {}, 1, 0), kClear);  // NEVER
  vertex.Set(kColour, {0, 0, 0, 128 / 255.0f});
  ExpectNear(Draw(14, {}, 3, 128 / 255.0f), {0, 0, 0, 128 / 255.0f});  // EQUAL on 8 bits
  ExpectNear(Draw(14, {}, 6, 128 / 255.0f), kClear);                   // NOTEQUAL
}

TEST_F(PixelPrograms, RefractionOffsetsTheProjectiveScreenLookup) {
  const uint32_t diffuse = 0xFFC0A080, normal = 0x8040C080;
  std::vector<uint32_t> screen(16);
  for (int i = 0; i < 16; ++i)
    screen[i] = 0xFF000000 | ((i % 4) * 60u) << 16 | ((i / 4) * 60u) << 8 | 0x10;
  HarnessTexture(0, 1, 1, 1, {diffuse});
  HarnessTexture(1, 1, 1, 1, {normal});
  HarnessTexture(2, 4, 4, 1, screen);
  Coord(0, 0.5f, 0.5f);
  Coord(1, 0.5f, 0.5f);
  const float t2[4] = {0.6f, 1.5f, 0, 2}, scale = 0.5f;
  Coord(2, t2[0], t2[1], t2[2], t2[3]);
  const F4 nb = Texel(normal), d = Texel(diffuse);
  const float n[4] = {nb.x * 2 - 1, nb.y * 2 - 1, nb.z * 2 - 1, nb.w * 2 - 1};
  const float base[4] = {0, 0, 1, 0};
  float coord[4];
  for (int i = 0; i < 4; ++i) coord[i] = t2[i] + (base[i] - n[i]) * scale;
  const float u = coord[0] / coord[3] * 4, v = coord[1] / coord[3] * 4;
  ASSERT_GT(u - std::floor(u), 0.1f);  // well inside a texel
  ASSERT_GT(v - std::floor(v), 0.1f);
  const int texel = static_cast<int>(v) * 4 + static_cast<int>(u);
  ASSERT_NE(texel, static_cast<int>(t2[1] / t2[3] * 4) * 4 + static_cast<int>(t2[0] / t2[3] * 4));
  const F4 r = Texel(screen[texel]);
  ExpectNear(Draw(13, {0, 0, 0, 0, 0, 0, 0, 0, scale, scale, scale, scale}),
             {r.x * d.x, r.y * d.y, r.z * d.z, 1});
}

}  // namespace
