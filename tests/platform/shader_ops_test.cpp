// Instruction semantics of the translator, one small pixel program per case, read back at float
// precision: scalar and vector operations, source and destination modifiers, write masks,
// texkill and the ps_1_1 register range.

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
  inputs.Set(2, kV0), inputs.Set(4, kT0), inputs.Set(5, kT1);
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
       {"sub r1, c1, t0\ntexkill r1\nmov r0, c1", kClear},                 // -0.5 in x
       {"mov r1, c0\nmov r1.w, -c0.w\ntexkill r1\nmov r0, c1", kClear}});  // w counts too
}

// ps_1_1 registers hold -1..1: -1.5 becomes -1 before the next instruction reads it.
TEST(ShaderOps, PixelModelOneRange) {
  RunCases("ps_1_1\ndef c0, 0.75, 0.25, 0.5, 1\n%\n",
           {{"add r1, -c0, -c0\nmul r0, -r1, c0.b", {0.5f, 0.25f, 0.5f, 0.5f}},
            {"mad r0, v0, c0, v0", {0.35f, 0.5f, 0.9f, 1}}});
}

}  // namespace
