// Translated programs drawn as single points into a float target, read back at float precision.
// First the instruction semantics, one small pixel program per case: scalar and vector
// operations, source and destination modifiers, write masks, texkill and the ps_1_1 register
// range. Then the shader table's programs, each output compared with the program's formula
// computed here: vertex programs read through a pass-through pixel program, pixel programs fed
// exact interpolants by a pass-through vertex program.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "tests/platform/shader_harness.h"

namespace {

constexpr F4 kClear = {0.25f, 0.5f, 0.75f, 1};  // a discarded pixel keeps the clear colour
// Interpolants given to every case: the colour v0, t0 and t1.
constexpr F4 kV0 = {0.2f, 0.4f, 0.6f, 0.8f}, kT0 = {0.5f, -2, 4, 0.25f},
             kT1 = {0.3f, 0.6f, 0.9f, 1.2f};

constexpr F4 All(float x) { return {x, x, x, x}; }

struct OpCase {
  const char* program;  // replaces the "%" of the group's pixel text
  F4 expect;
};

void RunCases(const std::string& ps, const std::vector<OpCase>& cases) {
  std::string error;
  ASSERT_TRUE(HarnessInit(error)) << error;
  HarnessVertex inputs;
  inputs.a[2] = kV0, inputs.a[4] = kT0, inputs.a[5] = kT1;
  for (const OpCase& c : cases) {
    std::string p = ps;
    p.replace(p.find('%'), 1, c.program);
    const unsigned program = HarnessAssemble(VertexProbe(), p, error);
    ASSERT_NE(program, 0u) << c.program << ": " << error;
    ExpectNear(HarnessDraw(program, inputs), c.expect, c.program);
  }
}

// The operations, modifiers and register forms the shader table's programs use.
TEST(ShaderOps, PixelModelTwoArithmetic) {
  const float len = std::sqrt(0.09f + 0.36f + 0.81f);
  RunCases(
      "ps_2_0\ndef c0, 0, 2, 0.125, 0.25\ndef c1, 0, 0, 0, 0\ndcl t0\ndcl t1\n%\nmov oC0, r0\n",
      {{"pow r0, t0.y, c0.y", All(4)},
       {"frc r1, t0.z\npow r0, r1.x, r1.x", All(1)},  // 0^0, of run-time values
       {"frc r1, t0.z\npow r0, t0.y, r1.x", All(1)},
       {"frc r1, t0.z\npow r0, r1.x, c0.y", All(0)},
       {"pow r0, t0.x, -c0.y", All(4)},
       {"nrm r0, t1", {0.3f / len, 0.6f / len, 0.9f / len, 1.2f / len}},
       {"nrm r0, c1", All(0)},
       {"crs r0.xyz, t0, t1\nmov r0.w, c0.w",
        {-2 * 0.9f - 4 * 0.6f, 4 * 0.3f - 0.5f * 0.9f, 0.5f * 0.6f + 2 * 0.3f, 0.25f}},
       {"dp3 r0, t0, t1", All(2.55f)},
       {"sub r0, t0, t1", {0.2f, -2.6f, 3.1f, -0.95f}},
       {"mad_sat r0, t0, t1, c0", {0.15f, 0.8f, 1, 0.55f}},
       {"mov r0, c1\nmov_sat r0.x, t0.z", {1, 0, 0, 0}},
       {"mov r0, c0\nmov r0.yw, t1.x", {0, 0.3f, 0.125f, 0.3f}},
       {"texkill t0\nmov r0, c0", kClear},  // t0.y < 0
       {"texkill t1\nmov r0, c0.w", All(0.25f)},
       {"mov r1, c1\ntexkill r1\nmov r0, c0.w", All(0.25f)},  // exactly 0 keeps the pixel
       {"sub r1, c1, t0\ntexkill r1\nmov r0, c1", kClear},    // -0.5 in x
       {"mov r1, c0\nmov r1.w, -c0.w\ntexkill r1\nmov r0, c1", kClear}});  // w counts too
}

// ps_1_1 registers hold -1..1: -1.5 becomes -1 before the next instruction reads it.
TEST(ShaderOps, PixelModelOneRange) {
  RunCases("ps_1_1\ndef c0, 0.75, 0.25, 0.5, 1\n%\n",
           {{"add r1, -c0, -c0\nmul r0, -r1, c0.b", {0.5f, 0.25f, 0.5f, 0.5f}},
            {"mad r0, v0, c0, v0", {0.35f, 0.5f, 0.9f, 1}},
            {"mul r0, c0_bx2, c0_bx2", {0.25f, 0.25f, 0, 1}}});  // (2 (x - 0.5))^2
}

float Dot3(F4 a, F4 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
float Dot4(F4 a, F4 b) { return Dot3(a, b) + a.w * b.w; }
// The rows' dot products with `v`, as the matrix forms compute them.
F4 Times(F4 v, const F4* rows) {
  return {Dot4(v, rows[0]), Dot4(v, rows[1]), Dot4(v, rows[2]), Dot4(v, rows[3])};
}

// Attribute locations of the model vertex.
constexpr int kPosition = 0, kNormal = 1, kColour = 2, kUv = 4;

class ShaderPrograms : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(HarnessInit(error)) << error;
    // Every point lands at the centre of the target: clip = (0, 0, 0.5, 1) for any position.
    c[2] = {0, 0, 0, 0.5f}, c[3] = {0, 0, 0, 1};
  }
  // Output register `r` of `mode`'s vertex program, constants c0.. from `c`.
  F4 Vertex(uint32_t mode, const std::string& r) { return Draw(mode, "", PixelProbe(r), "hx_vc"); }
  // `mode`'s pixel program with constants c0.. from `c`.
  F4 Pixel(uint32_t mode) { return Draw(mode, VertexProbe(), "", "hx_pc"); }
  F4 Draw(uint32_t mode, const std::string& vs, const std::string& ps, const char* array) {
    std::string error;
    const unsigned program = HarnessAssemble(vs, ps, error, mode);
    EXPECT_NE(program, 0u) << error;
    HarnessConstants(program, array, c, 17);
    return HarnessDraw(program, vertex);
  }
  HarnessVertex vertex;
  F4 c[17] = {};
};

TEST_F(ShaderPrograms, PassThroughCoordinatesAndNormals) {
  const F4 n = {0.3f, -0.5f, 0.8f, 1}, uv = {0.25f, 0.75f, 0, 1};
  vertex.a[kNormal] = n, vertex.a[kUv] = uv;
  ExpectNear(Vertex(0, "t0"), uv, "V1 t0 = uv");
  ExpectNear(Vertex(6, "t0"), n, "V2 t0 = N");
  ExpectNear(Vertex(5, "t0"), uv, "V3 t0.xy = uv", 2);
}

// The tangent-space light and half vectors (t3, t4) show in the lit colour the render suite
// checks for every mode; here the coordinates.
TEST_F(ShaderPrograms, LitProgramsPassCoordinatesAndTheAttenuationCoordinate) {
  const F4 p = {0.3f, -0.2f, 0.5f, 1}, n = {0.6f, 0, 0.8f, 1}, uv = {0.25f, 0.75f, 0, 1};
  vertex.a[kPosition] = p, vertex.a[kNormal] = n, vertex.a[kUv] = uv;
  c[4] = {1.5f, 2.0f, -0.5f, 1};                                      // light
  c[5] = {0.25f, 0.5f, 1, 0};                                         // 1 / range, 0.5, 1, 0
  c[8] = {0.5f, 0, 0, 0}, c[9] = {0, 2, 0, 0}, c[10] = {1, 1, 1, 0};  // inverse transposed rows
  const F4 l = {c[4].x - p.x, c[4].y - p.y, c[4].z - p.z, 0};
  const float s = c[5].x, h = c[5].y;
  for (uint32_t mode : {2u, 7u}) {
    SCOPED_TRACE(mode);
    ExpectNear(Vertex(mode, "t1"), uv, "t1 = uv");
    ExpectNear(Vertex(mode, "t2"), {l.x * s * h + h, l.y * s * h + h, l.z * s * h + h, 0},
               "t2 = attenuation coordinate");
  }
  ExpectNear(Vertex(2, "t0"), uv, "V4 t0 = uv");
  ExpectNear(Vertex(7, "t0"), {Dot3(n, c[8]), Dot3(n, c[9]), Dot3(n, c[10]), 0},
             "V5 t0 = N by c8..c10", 3);
}

TEST_F(ShaderPrograms, GlowTapsOffsetTheCoordinateByFourConstants) {
  vertex.a[kUv] = {0.25f, 0.5f, 0, 1};  // the position is already in clip space
  c[0] = {0.01f, 0, 0, 0}, c[1] = {-0.02f, 0.03f, 0, 0}, c[2] = {0, -0.04f, 0, 0};
  c[3] = {0.05f, 0.05f, 0.5f, 0.25f};
  for (int i = 0; i < 4; ++i)
    ExpectNear(Vertex(11, "t" + std::to_string(i)),
               {0.25f + c[i].x, 0.5f + c[i].y, c[i].z, 1 + c[i].w}, "uv + offset");
}

TEST_F(ShaderPrograms, ScreenQuadColourIsClampedAndRefractionCoordinateIsProjected) {
  const F4 p = {0.4f, -0.6f, 0.2f, 1}, uv = {0.125f, 0.875f, 0, 1};
  vertex.a[kPosition] = p, vertex.a[kColour] = {0.2f, 1.5f, -0.3f, 0.6f}, vertex.a[kUv] = uv;
  ExpectNear(Vertex(12, "v0"), {0.2f, 1, 0, 0.6f}, "V8 colour clamped to 0..1");
  ExpectNear(Vertex(12, "t0"), uv, "V8 t0 = uv");
  c[12] = {0.5f, 0, 0, 0.5f}, c[13] = {0, -0.5f, 0, 0.5f}, c[14] = {0, 0, 1, 0};
  c[15] = {0.1f, 0.2f, 0.3f, 1}, c[6] = {3, -2, 1, 1};
  ExpectNear(Vertex(13, "t2"), Times(p, &c[12]), "V9 t2 = P by c12..c15");
  ExpectNear(Vertex(13, "t3"), c[6], "V9 t3 = eye point");
  ExpectNear(Vertex(13, "t1"), uv, "V9 t1 = uv");
}

TEST_F(ShaderPrograms, FogAlphaRisesFromFogStartToFogEnd) {
  c[2] = {0, 0, 1, 0};  // clip z = P.z
  c[7] = {0.2f, 1 / (0.6f - 0.2f), 0, 0};
  c[8] = {0.9f, 0.9f, 0.9f, 0.9f};  // an inverse transposed row: not the fog colour
  c[16] = {0.1f, 0.2f, 0.3f, 0.7f};
  for (float z : {0.1f, 0.2f, 0.4f, 0.6f, 0.9f}) {
    vertex.a[kPosition].z = z;
    const float alpha = std::clamp((z - 0.2f) / (0.6f - 0.2f), 0.0f, 1.0f);
    ExpectNear(Vertex(14, "v0"), {0.1f, 0.2f, 0.3f, alpha}, "fog at z " + std::to_string(z));
  }
}

F4 Texel(uint32_t argb) {
  return {((argb >> 16) & 0xFF) / 255.0f, ((argb >> 8) & 0xFF) / 255.0f, (argb & 0xFF) / 255.0f,
          (argb >> 24) / 255.0f};
}

// The screen lookup at t2 + ((0, 0, 1, 0) - (2 N - 1)) scale divided by its w, times the
// diffuse texel, alpha one. N = (-0.498, 0.506, 0.004, 0.004) from the normal texel, scale 0.5:
// (0.4, 1.4, 0, 2) moves to (0.649, 1.147, 0, 1.998), texel (1.30, 2.30) of the 4 x 4 screen;
// without the offset it would be texel (0.8, 2.8).
TEST_F(ShaderPrograms, RefractionOffsetsTheProjectiveScreenLookup) {
  const uint32_t diffuse = 0xFFC0A080, normal = 0x8040C080;
  std::vector<uint32_t> screen(16);
  for (uint32_t i = 0; i < 16; ++i) screen[i] = 0xFF000010 | (i % 4 * 60) << 16 | (i / 4 * 60) << 8;
  HarnessTexture(0, 1, 1, {diffuse});
  HarnessTexture(1, 1, 1, {normal});
  HarnessTexture(2, 4, 4, screen);
  vertex.a[kUv + 2] = {0.4f, 1.4f, 0, 2};
  c[2] = {0.5f, 0.5f, 0.5f, 0.5f}, c[3] = {};
  const F4 r = Texel(screen[2 * 4 + 1]), d = Texel(diffuse);
  ExpectNear(Pixel(13), {r.x * d.x, r.y * d.y, r.z * d.z, 1});
}

}  // namespace
