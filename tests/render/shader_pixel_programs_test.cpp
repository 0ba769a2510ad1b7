// The pixel programs of the shader table, fed exact interpolants by a pass-through vertex
// program (one point per draw) and compared with the program's formula computed here from
// the same texel bytes and constants.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "render/shader_harness.h"
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
    ASSERT_TRUE(HarnessInit(1, 1, error)) << error;
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
    return HarnessRead(0, 0);
  }
  HarnessVertex vertex;
};

TEST_F(PixelPrograms, BlackIgnoresTheConstantItsDefinitionOverrides) {
  ExpectPixel(Draw(0, {1, 1, 1, 0}), {0, 0, 0, 1});
}

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

TEST_F(PixelPrograms, GlowSumsFourWeightedTaps) {
  const uint32_t texels[4] = {0xFF804020, 0x80FFFFFF, 0x40102030, 0xFF0000FF};
  for (int stage = 0; stage < 4; ++stage) {
    HarnessTexture2D(stage, 1, 1, {texels[stage]});
    Coord(stage, 0.5f, 0.5f);
  }
  const float weights[4][4] = {{0.5f, 0.5f, 0.5f, 0.5f},
                               {0.25f, 0.25f, 0.25f, 0.25f},
                               {-0.25f, 1.5f, 0, 1},
                               {0.125f, 0.125f, 0.125f, 0.125f}};
  std::vector<float> constants(&weights[0][0], &weights[0][0] + 16);
  float sum[4] = {};
  for (int stage = 0; stage < 4; ++stage) {
    const C4 t = Texel(texels[stage]);
    const float channels[4] = {t.r, t.g, t.b, t.a};
    for (int c = 0; c < 4; ++c) {
      const float weight = std::clamp(weights[stage][c], -1.0f, 1.0f);
      sum[c] = std::clamp(channels[c] * weight + sum[c], -1.0f, 1.0f);
    }
  }
  ExpectPixel(Draw(11, constants), {Sat(sum[0]), Sat(sum[1]), Sat(sum[2]), Sat(sum[3])});
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

// ---- Point light --------------------------------------------------------------------------

struct Light {
  uint32_t diffuse = 0xC0C08040, normal = 0xFF9966E0, specular = 0xFFFF8040;
  C4 lightColour = {0.9f, 0.8f, 0.7f, 0.6f}, specColour = {1, 0.5f, 0.25f, 1};
  float power = 8;
  float l[3] = {0.3f, -0.2f, 0.9f}, h[3] = {0.1f, 0.2f, 0.7f};
};

void Normalize(const float in[3], float out[3]) {
  const float length = std::sqrt(in[0] * in[0] + in[1] * in[1] + in[2] * in[2]);
  for (int i = 0; i < 3; ++i) out[i] = in[i] / length;
}

// The lit colour of one pixel; the normal map and specular map are optional, as in the
// three program variants.
C4 LitColour(const Light& s, C4 a, bool normalMap, bool specularMap) {
  const C4 d = Texel(s.diffuse), nb = Texel(s.normal), sm = Texel(s.specular);
  float n[3] = {0, 0, 1}, l[3], h[3];
  if (normalMap) n[0] = nb.r * 2 - 1, n[1] = nb.g * 2 - 1, n[2] = nb.b * 2 - 1;
  Normalize(s.l, l);
  Normalize(s.h, h);
  const float diffuse = Sat(l[0] * n[0] + l[1] * n[1] + l[2] * n[2]);
  C4 c = {diffuse * d.r, diffuse * d.g, diffuse * d.b, d.a};
  if (specularMap) {
    const float sp = std::pow(Sat(h[0] * n[0] + h[1] * n[1] + h[2] * n[2]), s.power);
    c.r += Sat(sp * sm.r * s.specColour.r);
    c.g += Sat(sp * sm.g * s.specColour.g);
    c.b += Sat(sp * sm.b * s.specColour.b);
  }
  const C4 k = s.lightColour;
  return {c.r * k.r * a.r * 4, c.g * k.g * a.g * 4, c.b * k.b * a.b * 4, c.a * k.a};
}

class PointLight : public PixelPrograms {
 protected:
  void SetUp() override {
    PixelPrograms::SetUp();
    HarnessTexture2D(0, 1, 1, {light.diffuse});
    HarnessTexture2D(1, 1, 1, {light.normal});
    HarnessTexture3D(2, 2, attenuation);
    HarnessTexture2D(3, 1, 1, {light.specular});
    Coord(0, 0.5f, 0.5f);
    Coord(3, light.l[0], light.l[1], light.l[2]);
    Coord(4, light.h[0], light.h[1], light.h[2]);
  }
  // Samples attenuation texel (x, 0, 0) of the 2 x 2 x 2 volume.
  void AttenuationTexel(int x) { Coord(2, 0.25f + 0.5f * x, 0.25f, 0.25f); }
  std::vector<float> Constants() const {
    const C4 a = light.lightColour, b = light.specColour;
    return {a.r, a.g, a.b, a.a, b.r, b.g, b.b, b.a, light.power, 1, 1, 1};
  }

  Light light;
  // Texel 0 is black (outside the light), texel 1 the smallest byte that still lights.
  std::vector<uint32_t> attenuation = {0xFF000000, 0x00010101, 0xFFC08040, 0xFFFFFFFF,
                                       0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF};
};

TEST_F(PointLight, VariantsComputeTheirLitColour) {
  AttenuationTexel(1);
  const C4 faint = Texel(attenuation[1]);
  const struct {
    uint32_t mode;
    bool normalMap, specularMap;
  } variants[] = {{2, true, true}, {3, true, false}, {4, false, false}};
  for (auto v : variants) {
    SCOPED_TRACE(v.mode);
    ExpectPixel(Draw(v.mode, Constants()), LitColour(light, faint, v.normalMap, v.specularMap),
                1e-4f);
  }
  Coord(2, 0.75f, 0.75f, 0.25f);  // texel (1, 1, 0): full attenuation
  ExpectPixel(Draw(2, Constants()), LitColour(light, Texel(0xFFFFFFFF), true, true), 1e-4f);
  Coord(2, 0.25f, 0.75f, 0.25f);
  ExpectPixel(Draw(2, Constants()), LitColour(light, Texel(0xFFC08040), true, true), 1e-4f);
}

TEST_F(PointLight, AttenuationByteZeroDiscardsThePixel) {
  AttenuationTexel(0);
  for (uint32_t mode : {2u, 3u, 4u}) ExpectPixel(Draw(mode, Constants()), kClear);
  AttenuationTexel(1);
  for (uint32_t mode : {2u, 3u, 4u}) EXPECT_NE(Draw(mode, Constants()).b, kClear.b);
}

// ---- Refraction ---------------------------------------------------------------------------

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
