// Instruction semantics of the translator, one small program per case, read back at float
// precision: scalar and vector operations, matrix forms, source and destination modifiers,
// the ps_1_1 register range, co-issue, texcoord, texkill and cnd.

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>

#include "tests/platform/shader_harness.h"

namespace {

constexpr F4 kClear = {0.25f, 0.5f, 0.75f, 1};

// Interpolants given to every case: t0, t1 and the colour v0.
constexpr F4 kT0 = {0.5f, -2, 4, 0.25f}, kT1 = {0.3f, 0.6f, 0.9f, 1.2f};
constexpr F4 kV0 = {0.2f, 0.4f, 0.6f, 0.8f};

struct OpCase {
  const char* program;  // body after the case group's header
  F4 expect;
};

HarnessVertex Inputs() {
  HarnessVertex v = PointVertex();
  v.Set(2, kV0), v.Set(4, kT0), v.Set(5, kT1);
  return v;
}

// Runs each case with `vs` and `ps` texts (one of them holds "%" where the case goes).
void RunCases(const std::string& vs, const std::string& ps, const std::vector<OpCase>& cases) {
  std::string error;
  ASSERT_TRUE(HarnessInit(error)) << error;
  for (const OpCase& c : cases) {
    std::string v = vs, p = ps;
    std::string& target = v.find('%') != std::string::npos ? v : p;
    target.replace(target.find('%'), 1, c.program);
    unsigned program = HarnessAssemble(v, p, error);
    ASSERT_NE(program, 0u) << c.program << ": " << error;
    ExpectNear(HarnessDraw(program, Inputs()), c.expect, c.program);
  }
}

TEST(ShaderOps, PixelModelTwoArithmetic) {
  const std::string ps =
      "ps_2_0\ndef c0, 0, 2, 0.125, 0.25\ndef c1, 0, 0, 0, 0\ndcl t0\ndcl t1\n%\nmov oC0, r0\n";
  const float rsq2 = 1 / std::sqrt(2.0f), len = std::sqrt(0.09f + 0.36f + 0.81f);
  RunCases(
      kVertexProbe, ps,
      {{"rcp r0, t0.y", {-0.5f, -0.5f, -0.5f, -0.5f}},
       {"rsq r0, t0.y", {rsq2, rsq2, rsq2, rsq2}},
       {"exp r0, t0.y", {0.25f, 0.25f, 0.25f, 0.25f}},
       {"log r0, t0.z", {2, 2, 2, 2}},
       {"log r0, c0.x", {-FLT_MAX, -FLT_MAX, -FLT_MAX, -FLT_MAX}},
       {"pow r0, t0.y, c0.y", {4, 4, 4, 4}},
       {"frc r0, t0", {0.5f, 0, 0, 0.25f}},
       {"abs r0, -t0", {0.5f, 2, 4, 0.25f}},
       {"min r0, t0, t1", {0.3f, -2, 0.9f, 0.25f}},
       {"max r0, t0, t1", {0.5f, 0.6f, 4, 1.2f}},
       {"cmp r0, t0, t1, c0", {0.3f, 2, 0.9f, 1.2f}},
       {"dp2add r0, t0, t1, c0.z",
        {0.15f - 1.2f + 0.125f, 0.15f - 1.2f + 0.125f, 0.15f - 1.2f + 0.125f,
         0.15f - 1.2f + 0.125f}},
       {"lrp r0, c0.w, t0, t1",
        {0.25f * 0.2f + 0.3f, 0.25f * -2.6f + 0.6f, 0.25f * 3.1f + 0.9f, 0.25f * -0.95f + 1.2f}},
       {"nrm r0, t1", {0.3f / len, 0.6f / len, 0.9f / len, 1.2f / len}},
       {"nrm r0, c1", {0, 0, 0, 0}},
       {"crs r0.xyz, t0, t1\nmov r0.w, c0.w",
        {-2 * 0.9f - 4 * 0.6f, 4 * 0.3f - 0.5f * 0.9f, 0.5f * 0.6f + 2 * 0.3f, 0.25f}},
       {"sincos r0.xy, t0.x, c0, c1", {std::cos(0.5f), std::sin(0.5f), 0, 0}},
       {"dp3 r0, t0, t1", {2.55f, 2.55f, 2.55f, 2.55f}},
       {"dp4 r0, t0, t1", {2.85f, 2.85f, 2.85f, 2.85f}},
       {"mad_sat r0, t0, t1, c0", {0.15f, 0.8f, 1, 0.55f}},
       {"mov r0, -t0.wzyx", {-0.25f, -4, 2, -0.5f}},
       {"mov r0, c0\nmov r0.yw, t1", {0, 0.6f, 0.125f, 1.2f}},
       {"texkill t0\nmov r0, c0", kClear},  // t0.y < 0
       {"texkill t1\nmov r0, c0.w", {0.25f, 0.25f, 0.25f, 0.25f}},
       {"sub r1, c1, t0\ntexkill r1\nmov r0, c1", kClear},                 // -0.5 in x
       {"mov r1, c0\nmov r1.w, -c0.w\ntexkill r1\nmov r0, c1", kClear}});  // w counts too
}

TEST(ShaderOps, PixelModelOneModifiersAndRange) {
  const std::string ps = "ps_1_1\ndef c0, 0.75, 0.25, 0.5, 1\ndef c1, 1, 1, 1, 1\n%\n";
  const F4 v = kV0;
  RunCases(kVertexProbe, ps,
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
            {"texkill t1\nmov r0, c1", {1, 1, 1, 1}},
            {"texkill t0\nmov r0, c1", kClear},
            {"mov r0, c0\ncnd r0, r0.a, v0, c1", v},
            {"mov r0, c0.g\ncnd r0, r0.a, c1, v0", v},
            {"lrp r0, c0.g, c1, v0",
             {0.25f * 0.8f + 0.2f, 0.25f * 0.6f + 0.4f, 0.25f * 0.4f + 0.6f, 0.25f * 0.2f + 0.8f}},
            {"dp3_sat r0, v0, c1", {1, 1, 1, 1}},
            {"mul r0.rgb, v0, c0\n+add r0.a, v0.a, v0.a", {0.15f, 0.1f, 0.3f, 1}}});
}

TEST(ShaderOps, VertexArithmeticAndMatrixForms) {
  const std::string vs =
      "vs_2_0\ndcl_position v0\ndcl_texcoord v1\ndcl_texcoord1 v2\n"
      "def c10, 0.5, 0.25, 0, 2\ndef c11, -1, 0.5, 0, 2\n"
      "def c20, 1, 2, 3, 4\ndef c21, 0, 1, 0, 0\ndef c22, -1, 0, 0.5, 1\ndef c23, 0, 0, 0, 2\n"
      "mov oPos, v0\n%\n";
  const std::string ps = PixelProbe("t0");
  const F4 a = kT0;
  auto dot4 = [&](F4 r) { return a.x * r.x + a.y * r.y + a.z * r.z + a.w * r.w; };
  auto dot3 = [&](F4 r) { return a.x * r.x + a.y * r.y + a.z * r.z; };
  const F4 rows[4] = {{1, 2, 3, 4}, {0, 1, 0, 0}, {-1, 0, 0.5f, 1}, {0, 0, 0, 2}};
  RunCases(vs, ps,
           {{"slt oT0, v1, v2", {0, 1, 0, 1}},
            {"sge oT0, v1, v2", {1, 0, 1, 0}},
            {"lit oT0, c10", {1, 0.5f, 0.0625f, 1}},
            {"lit oT0, c11", {1, 0, 0, 1}},
            {"dst oT0, v1, v2", {1, -2 * 0.6f, 4, 1.2f}},
            {"m4x4 oT0, v1, c20", {dot4(rows[0]), dot4(rows[1]), dot4(rows[2]), dot4(rows[3])}},
            {"m4x3 oT0.xyz, v1, c20", {dot4(rows[0]), dot4(rows[1]), dot4(rows[2]), 0}},
            {"m3x4 oT0, v1, c20", {dot3(rows[0]), dot3(rows[1]), dot3(rows[2]), dot3(rows[3])}},
            {"m3x3 oT0.xyz, v1, c20", {dot3(rows[0]), dot3(rows[1]), dot3(rows[2]), 0}},
            {"m3x2 oT0.xy, v1, c20", {dot3(rows[0]), dot3(rows[1]), 0, 0}},
            {"exp oT0, v1.y", {0.25f, 0.25f, 0.25f, 0.25f}},
            {"log oT0, v1.z", {2, 2, 2, 2}},
            {"frc oT0, v1", {0.5f, 0, 0, 0.25f}},
            {"rcp oT0.xw, v1.w", {4, 0, 0, 4}},
            {"abs oT0, v1", {0.5f, 2, 4, 0.25f}},
            {"lrp oT0, c10.x, v1, v2", {0.4f, -0.7f, 2.45f, 0.725f}},
            {"sincos oT0.xy, v1.x, c20, c21", {std::cos(0.5f), std::sin(0.5f), 0, 0}},
            {"mov oT0, -v2.zzxy", {-0.9f, -0.9f, -0.3f, -0.6f}}});
}

TEST(ShaderOps, VertexColourOutputsAreClampedAndModelOneTransforms) {
  const std::string ps1 = PixelProbe("v1");
  RunCases("vs_1_1\ndcl_position v0\ndcl_texcoord v1\ndcl_texcoord1 v2\nmov oPos, v0\n%\n", ps1,
           {{"mov oD1, v1", {0.5f, 0, 1, 0.25f}},
            {"add oD1, v1, v2", {0.8f, 0, 1, 1}},
            {"mov oFog, v1.y\nmov oPts, v1.x\nmov oD1, v2.x", {0.3f, 0.3f, 0.3f, 0.3f}}});
  RunCases(
      "vs_1_1\ndcl_position v0\ndcl_texcoord v1\ndef c4, 1, 0, 0, 0\ndef c5, 0, 0, 1, 0\n"
      "def c6, 0, 1, 0, 0\ndef c7, 0, 0, 0, 1\nmov oPos, v0\n%\n",
      PixelProbe("t0"), {{"m4x4 oT0, v1, c4", {0.5f, 4, -2, 0.25f}}});
}

}  // namespace
