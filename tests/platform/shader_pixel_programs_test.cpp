// Pixel programs of the shader table where coordinates, saturation and the alpha test
// matter, fed exact interpolants by a pass-through vertex program (one point per draw) and
// compared at float precision with the program's formula computed here.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "tests/platform/shader_harness.h"
#include "tools/shaderasm/shader_asm.h"

namespace {

struct C4 {
  float r, g, b, a;
};
constexpr C4 kClear = {0.25f, 0.5f, 0.75f, 1};
constexpr int kColour = 2, kTexcoord0 = 4;

C4 Texel(uint32_t argb) {
  return {((argb >> 16) & 0xFF) / 255.0f, ((argb >> 8) & 0xFF) / 255.0f, (argb & 0xFF) / 255.0f,
          (argb >> 24) / 255.0f};
}
float Sat(float x) { return std::clamp(x, 0.0f, 1.0f); }

void ExpectPixel(HarnessPixel got, C4 want, float tolerance = 2e-5f) {
  EXPECT_NEAR(got.r, want.r, tolerance);
  EXPECT_NEAR(got.g, want.g, tolerance);
  EXPECT_NEAR(got.b, want.b, tolerance);
  EXPECT_NEAR(got.a, want.a, tolerance);
}

class PixelPrograms : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(HarnessInit(error)) << error;
    vertex = PointVertex();
  }
  void Coord(int set, float x, float y, float z = 0, float w = 1) {
    float* a = vertex.a[kTexcoord0 + set];
    a[0] = x, a[1] = y, a[2] = z, a[3] = w;
  }
  void Colour(C4 c) {
    float* a = vertex.a[kColour];
    a[0] = c.r, a[1] = c.g, a[2] = c.b, a[3] = c.a;
  }
  // Draws with `mode`'s pixel program and pixel constants c0.. from `constants`.
  HarnessPixel Draw(uint32_t mode, const std::vector<float>& constants, int alphaFunc = 8,
                    float alphaRef = 0) {
    std::string error;
    std::vector<uint32_t> vs;
    EXPECT_TRUE(AssembleShader(kVertexProbe, vs, error)) << error;
    unsigned program = HarnessProgram(vs, TableProgram(mode, 2), error);
    EXPECT_NE(program, 0u) << error;
    if (!constants.empty()) HarnessPixelConstants(program, 0, constants);
    HarnessAlphaTest(program, alphaFunc, alphaRef);
    HarnessDraw(program, {vertex});
    return HarnessRead();
  }
  HarnessVertex vertex;
};

TEST_F(PixelPrograms, TextureSamplingAndTheClampedLightColour) {
  const std::vector<uint32_t> texels = {0xFF102030, 0x80FF0000, 0x4000FF00, 0x000000FF};
  HarnessTexture2D(0, 2, 2, texels);
  for (int i = 0; i < 4; ++i) {
    Coord(0, (i % 2) * 0.5f + 0.25f, (i / 2) * 0.5f + 0.25f);
    ExpectPixel(Draw(1, {}), Texel(texels[i]));
    // ps_1_1 constants range -1..1: 2 acts as 1; a negative product ends at 0.
    const C4 t = Texel(texels[i]);
    ExpectPixel(Draw(5, {2, 0.5f, -0.5f, 1}), {t.r, t.g * 0.5f, 0, t.a});
  }
}

TEST_F(PixelPrograms, ScreenQuadSaturatesTheScaledSampleThenTintsByVertexColour) {
  const uint32_t texel = 0x80402010;
  HarnessTexture2D(0, 1, 1, {texel});
  Coord(0, 0.5f, 0.5f);
  const C4 v = {0.5f, 1, 0.25f, 0.8f}, t = Texel(texel);
  Colour(v);
  const float c0[4] = {2, 8, 0.5f, 3};
  ExpectPixel(Draw(12, {c0[0], c0[1], c0[2], c0[3]}),
              {Sat(t.r * c0[0]) * v.r, Sat(t.g * c0[1]) * v.g, Sat(t.b * c0[2]) * v.b,
               Sat(t.a * c0[3]) * v.a});
}

TEST_F(PixelPrograms, VertexColourAndTheAlphaTest) {
  Colour({0.1f, 0.2f, 0.3f, 0.4f});
  ExpectPixel(Draw(14, {}), {0.1f, 0.2f, 0.3f, 0.4f});
  ExpectPixel(Draw(14, {}, 5, 0.5f), kClear);  // GREATER 0.5 fails for 0.4
  Colour({0.1f, 0.2f, 0.3f, 0.6f});
  ExpectPixel(Draw(14, {}, 5, 0.5f), {0.1f, 0.2f, 0.3f, 0.6f});
  ExpectPixel(Draw(14, {}, 1, 0), kClear);  // NEVER
  Colour({0, 0, 0, 128 / 255.0f});
  ExpectPixel(Draw(14, {}, 3, 128 / 255.0f), {0, 0, 0, 128 / 255.0f});  // EQUAL on 8 bits
  ExpectPixel(Draw(14, {}, 6, 128 / 255.0f), kClear);                   // NOTEQUAL
}

TEST_F(PixelPrograms, RefractionOffsetsTheProjectiveScreenLookup) {
  const uint32_t diffuse = 0xFFC0A080, normal = 0x8040C080;
  std::vector<uint32_t> screen(16);
  for (int i = 0; i < 16; ++i)
    screen[i] = 0xFF000000 | ((i % 4) * 60u) << 16 | ((i / 4) * 60u) << 8 | 0x10;
  HarnessTexture2D(0, 1, 1, {diffuse});
  HarnessTexture2D(1, 1, 1, {normal});
  HarnessTexture2D(2, 4, 4, screen);
  Coord(0, 0.5f, 0.5f);
  Coord(1, 0.5f, 0.5f);
  const float t2[4] = {0.6f, 1.5f, 0, 2}, scale = 0.5f;
  Coord(2, t2[0], t2[1], t2[2], t2[3]);
  const C4 nb = Texel(normal), d = Texel(diffuse);
  const float n[4] = {nb.r * 2 - 1, nb.g * 2 - 1, nb.b * 2 - 1, nb.a * 2 - 1};
  const float base[4] = {0, 0, 1, 0};
  float coord[4];
  for (int i = 0; i < 4; ++i) coord[i] = t2[i] + (base[i] - n[i]) * scale;
  const float u = coord[0] / coord[3] * 4, v = coord[1] / coord[3] * 4;
  ASSERT_GT(u - std::floor(u), 0.1f);  // well inside a texel
  ASSERT_GT(v - std::floor(v), 0.1f);
  const int texel = static_cast<int>(v) * 4 + static_cast<int>(u);
  ASSERT_NE(texel, static_cast<int>(t2[1] / t2[3] * 4) * 4 + static_cast<int>(t2[0] / t2[3] * 4));
  const C4 r = Texel(screen[texel]);
  ExpectPixel(Draw(13, {0, 0, 0, 0, 0, 0, 0, 0, scale, scale, scale, scale}),
              {r.r * d.r, r.g * d.g, r.b * d.b, 1});
}

}  // namespace
