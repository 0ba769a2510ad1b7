// Translated programs drawn as single points into a float target, read back at float precision.
// First the instruction semantics, one small pixel program per case: scalar and vector
// operations, source and destination modifiers, write masks, texkill and the ps_1_1 register
// range. Then two of the shader table's programs whose faults the production's frames miss:
// the lit vertex programs' second coordinate, read through a pass-through pixel program, and
// the refracting pixel program, fed exact interpolants by a pass-through vertex program.

#include <gtest/gtest.h>

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
       {"frc r1, t0.z\ncmp r0, r1.x, c0, t1", {0, 2, 0.125f, 0.25f}},  // exactly 0 takes src1
       {"mov r0, c0\nsincos r0.xy, c0.z, c1, c1",
        {std::cos(0.125f), std::sin(0.125f), 0.125f, 0.25f}},
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

// The normal map's coordinate t1 is the model's uv (the frames' normal maps hide a mix-up).
TEST(ShaderPrograms, LitVertexProgramsPassTheCoordinateToTheNormalMap) {
  std::string error;
  ASSERT_TRUE(HarnessInit(error)) << error;
  HarnessVertex vertex;
  vertex.a[4] = {0.25f, 0.75f, 0, 1}, vertex.a[5] = {0.5f, 0.125f, 1, 1};  // uv, tangent
  const F4 c[4] = {{}, {}, {0, 0, 0, 0.5f}, {0, 0, 0, 1}};  // clip = (0, 0, 0.5, 1)
  for (uint32_t mode : {2u, 7u}) {
    const unsigned program = HarnessAssemble("", PixelProbe("t1"), error, mode);
    ASSERT_NE(program, 0u) << error;
    HarnessConstants(program, "hx_vc", c, 4);
    ExpectNear(HarnessDraw(program, vertex), vertex.a[4], "mode " + std::to_string(mode));
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
TEST(ShaderPrograms, RefractionOffsetsTheProjectiveScreenLookup) {
  std::string error;
  ASSERT_TRUE(HarnessInit(error)) << error;
  const uint32_t diffuse = 0xFFC0A080, normal = 0x8040C080;
  std::vector<uint32_t> screen(16);
  for (uint32_t i = 0; i < 16; ++i) screen[i] = 0xFF000010 | (i % 4 * 60) << 16 | (i / 4 * 60) << 8;
  HarnessTexture(0, 1, 1, {diffuse});
  HarnessTexture(1, 1, 1, {normal});
  HarnessTexture(2, 4, 4, screen);
  HarnessVertex vertex;
  vertex.a[6] = {0.4f, 1.4f, 0, 2};  // t2, the projective screen coordinate
  const unsigned program = HarnessAssemble(VertexProbe(), "", error, 13);
  ASSERT_NE(program, 0u) << error;
  const F4 c[3] = {{}, {}, {0.5f, 0.5f, 0.5f, 0.5f}};  // c2: the offset scale
  HarnessConstants(program, "hx_pc", c, 3);
  const F4 r = Texel(screen[2 * 4 + 1]), d = Texel(diffuse);
  ExpectNear(HarnessDraw(program, vertex), {r.x * d.x, r.y * d.y, r.z * d.z, 1});
}

}  // namespace
