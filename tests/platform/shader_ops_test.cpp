// Instruction semantics of the translator, one small program per case, read back at float
// precision: scalar and vector operations, matrix forms, source and destination modifiers,
// the ps_1_1 register range, co-issue, texcoord, texkill and cnd.

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>

#include "tests/platform/shader_harness.h"

namespace {

constexpr F4 kClear = {0.25f, 0.5f, 0.75f, 1};  // a discarded pixel keeps the clear colour
// Interpolants given to every case: the colour v0, t0 and t1.
constexpr F4 kV0 = {0.2f, 0.4f, 0.6f, 0.8f}, kT0 = {0.5f, -2, 4, 0.25f},
             kT1 = {0.3f, 0.6f, 0.9f, 1.2f};

constexpr F4 All(float x) { return {x, x, x, x}; }

struct OpCase {
  const char* program;  // replaces the "%" of the group's vertex or pixel text
  F4 expect;
};

void RunCases(const std::string& vs, const std::string& ps, const std::vector<OpCase>& cases) {
  std::string error;
  ASSERT_TRUE(HarnessInit(error)) << error;
  HarnessVertex inputs = PointVertex();
  inputs.Set(2, kV0), inputs.Set(4, kT0), inputs.Set(5, kT1);
  for (const OpCase& c : cases) {
    std::string v = vs, p = ps;
    std::string& target = v.find('%') != std::string::npos ? v : p;
    target.replace(target.find('%'), 1, c.program);
    const unsigned program = HarnessAssemble(v, p, error);
    ASSERT_NE(program, 0u) << c.program << ": " << error;
    ExpectNear(HarnessDraw(program, inputs), c.expect, c.program);
  }
}

TEST(ShaderOps, PixelModelTwoArithmetic) {
  const float rsq2 = 1 / std::sqrt(2.0f), len = std::sqrt(0.09f + 0.36f + 0.81f);
  const float dp2add = 0.15f - 1.2f + 0.125f;
  RunCases(
      VertexProbe(),
      "ps_2_0\ndef c0, 0, 2, 0.125, 0.25\ndef c1, 0, 0, 0, 0\ndcl t0\ndcl t1\n%\nmov oC0, r0\n",
      {{"rcp r0, t0.y", All(-0.5f)},
       {"rsq r0, t0.y", All(rsq2)},
       {"exp r0, t0.y", All(0.25f)},
       {"log r0, t0.z", All(2)},
       {"log r0, c0.x", All(-FLT_MAX)},
       {"pow r0, t0.y, c0.y", All(4)},
       {"frc r0, t0", {0.5f, 0, 0, 0.25f}},
       {"abs r0, -t0", {0.5f, 2, 4, 0.25f}},
       {"min r0, t0, t1", {0.3f, -2, 0.9f, 0.25f}},
       {"max r0, t0, t1", {0.5f, 0.6f, 4, 1.2f}},
       {"cmp r0, t0, t1, c0", {0.3f, 2, 0.9f, 1.2f}},
       {"dp2add r0, t0, t1, c0.z", All(dp2add)},
       {"lrp r0, c0.w, t0, t1",
        {0.25f * 0.2f + 0.3f, 0.25f * -2.6f + 0.6f, 0.25f * 3.1f + 0.9f, 0.25f * -0.95f + 1.2f}},
       {"nrm r0, t1", {0.3f / len, 0.6f / len, 0.9f / len, 1.2f / len}},
       {"nrm r0, c1", All(0)},
       {"crs r0.xyz, t0, t1\nmov r0.w, c0.w",
        {-2 * 0.9f - 4 * 0.6f, 4 * 0.3f - 0.5f * 0.9f, 0.5f * 0.6f + 2 * 0.3f, 0.25f}},
       {"sincos r0.xy, t0.x, c0, c1", {std::cos(0.5f), std::sin(0.5f), 0, 0}},
       {"dp3 r0, t0, t1", All(2.55f)},
       {"dp4 r0, t0, t1", All(2.85f)},
       {"mad_sat r0, t0, t1, c0", {0.15f, 0.8f, 1, 0.55f}},
       {"mov r0, -t0.wzyx", {-0.25f, -4, 2, -0.5f}},
       {"mov r0, c0\nmov r0.yw, t1", {0, 0.6f, 0.125f, 1.2f}},
       {"texkill t0\nmov r0, c0", kClear},  // t0.y < 0
       {"texkill t1\nmov r0, c0.w", All(0.25f)},
       {"sub r1, c1, t0\ntexkill r1\nmov r0, c1", kClear},                 // -0.5 in x
       {"mov r1, c0\nmov r1.w, -c0.w\ntexkill r1\nmov r0, c1", kClear}});  // w counts too
}

TEST(ShaderOps, PixelModelOneModifiersAndRange) {
  RunCases(VertexProbe(), "ps_1_1\ndef c0, 0.75, 0.25, 0.5, 1\ndef c1, 1, 1, 1, 1\n%\n",
           {{"mov r0, v0_bias", {0, 0, 0.1f, 0.3f}},
            {"mov r0, v0_bx2", {0, 0, 0.2f, 0.6f}},
            {"mov r0, -v0_bias", {0.3f, 0.1f, 0, 0}},
            {"mov r0, 1-v0", {0.8f, 0.6f, 0.4f, 0.2f}},
            {"mul_x2 r0, v0, c0", {0.3f, 0.2f, 0.6f, 1}},
            {"mul_d2 r0, v0, c1", {0.1f, 0.2f, 0.3f, 0.4f}},
            // Registers hold -1..1: -1.5 becomes -1 before the next instruction reads it.
            {"add r1, -c0, -c0\nmul r0, -r1, c0.b", {0.5f, 0.25f, 0.5f, 0.5f}},
            // The co-issued pair reads r0 before either writes.
            {"mov r0, c0\nmov r0.rgb, c1\n+mov r0.a, r0.b", {1, 1, 1, 0.5f}},
            {"texcoord t0\nmov r0, t0", {0.5f, 0, 1, 1}},
            {"texkill t1\nmov r0, c1", All(1)},
            {"texkill t0\nmov r0, c1", kClear},
            {"mov r0, c0\ncnd r0, r0.a, v0, c1", kV0},
            {"mov r0, c0.g\ncnd r0, r0.a, c1, v0", kV0},
            {"lrp r0, c0.g, c1, v0",
             {0.25f * 0.8f + 0.2f, 0.25f * 0.6f + 0.4f, 0.25f * 0.4f + 0.6f, 0.25f * 0.2f + 0.8f}},
            {"dp3_sat r0, v0, c1", All(1)},
            {"mul r0.rgb, v0, c0\n+add r0.a, v0.a, v0.a", {0.15f, 0.1f, 0.3f, 1}}});
}

// The operations only vertex programs have; the shared ones are pinned by the pixel cases.
TEST(ShaderOps, VertexOnlyOperationsMatrixFormsAndOutputs) {
  const F4 m[4] = {{1, 2, 3, 4}, {0, 1, 0, 0}, {-1, 0, 0.5f, 1}, {0, 0, 0, 2}};
  const F4 a4 = kT0, a3 = {kT0.x, kT0.y, kT0.z, 0};
  auto dot = [&](F4 v, int r) { return v.x * m[r].x + v.y * m[r].y + v.z * m[r].z + v.w * m[r].w; };
  RunCases(
      "vs_2_0\ndcl_position v0\ndcl_texcoord v1\ndcl_texcoord1 v2\ndef c10, 0.5, 0.25, 0, 2\n"
      "def c11, -1, 0.5, 0, 2\ndef c20, 1, 2, 3, 4\ndef c21, 0, 1, 0, 0\ndef c22, -1, 0, 0.5, 1\n"
      "def c23, 0, 0, 0, 2\nmov oPos, v0\n%\n",
      PixelProbe("t0"),
      {{"slt oT0, v1, v2", {0, 1, 0, 1}},
       {"sge oT0, v1, v2", {1, 0, 1, 0}},
       {"lit oT0, c10", {1, 0.5f, 0.0625f, 1}},
       {"lit oT0, c11", {1, 0, 0, 1}},
       {"dst oT0, v1, v2", {1, -2 * 0.6f, 4, 1.2f}},
       {"m4x4 oT0, v1, c20", {dot(a4, 0), dot(a4, 1), dot(a4, 2), dot(a4, 3)}},
       {"m4x3 oT0.xyz, v1, c20", {dot(a4, 0), dot(a4, 1), dot(a4, 2), 0}},
       {"m3x4 oT0, v1, c20", {dot(a3, 0), dot(a3, 1), dot(a3, 2), dot(a3, 3)}},
       {"m3x3 oT0.xyz, v1, c20", {dot(a3, 0), dot(a3, 1), dot(a3, 2), 0}},
       {"m3x2 oT0.xy, v1, c20", {dot(a3, 0), dot(a3, 1), 0, 0}},
       {"rcp oT0.xw, v1.w", {4, 0, 0, 4}}});
  // Colour outputs are clamped to 0..1; fog and point size are written without disturbing them.
  RunCases("vs_1_1\ndcl_position v0\ndcl_texcoord v1\ndcl_texcoord1 v2\nmov oPos, v0\n%\n",
           PixelProbe("v1"),
           {{"mov oD1, v1", {0.5f, 0, 1, 0.25f}},
            {"add oD1, v1, v2", {0.8f, 0, 1, 1}},
            {"mov oFog, v1.y\nmov oPts, v1.x\nmov oD1, v2.x", All(0.3f)}});
  RunCases(
      "vs_1_1\ndcl_position v0\ndcl_texcoord v1\ndef c4, 1, 0, 0, 0\ndef c5, 0, 0, 1, 0\n"
      "def c6, 0, 1, 0, 0\ndef c7, 0, 0, 0, 1\nmov oPos, v0\n%\n",
      PixelProbe("t0"), {{"m4x4 oT0, v1, c4", {0.5f, 4, -2, 0.25f}}});
}

}  // namespace
