// The vertex programs of the shader table, drawn as single points: each output register is
// read back through a pass-through pixel program into a float target and compared with the
// program's formula computed here.

#include <gtest/gtest.h>

#include <cmath>

#include "tests/platform/shader_harness.h"

namespace {

using V4 = F4;
float Dot3(V4 a, V4 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
V4 Sub(V4 a, V4 b) { return {a.x - b.x, a.y - b.y, a.z - b.z, a.w - b.w}; }
V4 Cross(V4 a, V4 b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x, 0};
}

// Attribute locations of the model vertex.
constexpr int kPosition = 0, kNormal = 1, kColour = 2, kUv = 4, kTangent = 5;

class VertexPrograms : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(HarnessInit(error)) << error;
    // Every point lands at the centre of the target: clip = (0, 0, 0.5, 1) for any P.
    SetConstant(0, {0, 0, 0, 0});
    SetConstant(1, {0, 0, 0, 0});
    SetConstant(2, {0, 0, 0, 0.5f});
    SetConstant(3, {0, 0, 0, 1});
  }
  void SetConstant(int r, V4 v) { constants[r] = v; }

  // Draws one point with `mode`'s vertex program and reads output register `reg`.
  F4 Output(uint32_t mode, const std::string& reg, const HarnessVertex& vertex) {
    std::string error;
    unsigned program = HarnessAssemble("", PixelProbe(reg), error, mode);
    EXPECT_NE(program, 0u) << error;
    std::vector<float> values;
    for (const V4& c : constants) values.insert(values.end(), {c.x, c.y, c.z, c.w});
    HarnessVertexConstants(program, 0, values);
    return HarnessDraw(program, vertex);
  }

  V4 constants[17] = {};
};

TEST_F(VertexPrograms, PassThroughCoordinatesAndNormals) {
  HarnessVertex v = PointVertex();
  v.Set(kNormal, {0.3f, -0.5f, 0.8f, 1});
  v.Set(kUv, {0.25f, 0.75f, 0, 1});
  SetConstant(8, {1, 2, 3, 0});
  SetConstant(9, {-1, 0.5f, 2, 0});
  ExpectNear(Output(0, "t0", v), {0.25f, 0.75f, 0, 1}, "V1 t0 = uv");
  ExpectNear(Output(6, "t0", v), {0.3f, -0.5f, 0.8f, 1}, "V2 t0 = N");
  ExpectNear(Output(5, "t0", v), {0.25f, 0.75f, 0, 0}, "V3 t0.xy = uv", 2);
  const V4 n = {0.3f, -0.5f, 0.8f, 1};
  ExpectNear(Output(10, "t0", v), {Dot3(n, constants[8]), Dot3(n, constants[9]), 0, 0},
             "V6 t0.xy = N by c8, c9", 2);
}

TEST_F(VertexPrograms, LitProgramsComputeTangentSpaceLightAndHalfVectors) {
  const V4 p = {0.3f, -0.2f, 0.5f, 1}, n = {0.6f, 0, 0.8f, 1}, t = {0.8f, 0, -0.6f, 1};
  const V4 uv = {0.25f, 0.75f, 0, 1};
  HarnessVertex v = PointVertex();
  v.Set(kPosition, p), v.Set(kNormal, n), v.Set(kTangent, t), v.Set(kUv, uv);
  SetConstant(4, {1.5f, 2.0f, -0.5f, 1});  // light
  SetConstant(5, {0.25f, 0.5f, 1, 0});     // 1 / range, 0.5, 1, 0
  SetConstant(6, {-1, 0.5f, 3, 1});        // eye
  SetConstant(8, {0.5f, 0, 0, 0});         // inverse transposed rows (mode 7)
  SetConstant(9, {0, 2, 0, 0});
  SetConstant(10, {1, 1, 1, 0});
  const V4 b = Cross(t, n), l = Sub(constants[4], p), e = Sub(constants[6], p);
  const V4 lt = {Dot3(l, t), Dot3(l, b), Dot3(l, n), 0},
           et = {Dot3(e, t), Dot3(e, b), Dot3(e, n), 0};
  const float s = constants[5].x, h = constants[5].y;
  const V4 a = {l.x * s * h + h, l.y * s * h + h, l.z * s * h + h, 0};
  for (uint32_t mode : {2u, 7u}) {
    SCOPED_TRACE(mode);
    ExpectNear(Output(mode, "t1", v), uv, "t1 = uv");
    ExpectNear(Output(mode, "t2", v), a, "t2 = attenuation coordinate");
    ExpectNear(Output(mode, "t3", v), lt, "t3 = Lt", 3);
    ExpectNear(Output(mode, "t4", v), {lt.x + et.x, lt.y + et.y, lt.z + et.z, 0}, "t4 = H", 3);
  }
  ExpectNear(Output(2, "t0", v), uv, "V4 t0 = uv");
  ExpectNear(Output(7, "t0", v),
             {Dot3(n, constants[8]), Dot3(n, constants[9]), Dot3(n, constants[10]), 0},
             "V5 t0 = N by c8, c9, c10", 3);
}

TEST_F(VertexPrograms, GlowTapsOffsetTheCoordinateByFourConstants) {
  HarnessVertex v = PointVertex();  // already in clip space: the program passes it through
  v.Set(kUv, {0.25f, 0.5f, 0, 1});
  const V4 offsets[4] = {
      {0.01f, 0, 0, 0}, {-0.02f, 0.03f, 0, 0}, {0, -0.04f, 0, 0}, {0.05f, 0.05f, 0.5f, 0.25f}};
  for (int i = 0; i < 4; ++i) SetConstant(i, offsets[i]);
  for (int i = 0; i < 4; ++i) {
    const V4 o = offsets[i];
    ExpectNear(Output(11, "t" + std::to_string(i), v), {0.25f + o.x, 0.5f + o.y, o.z, 1 + o.w},
               "uv + offset");
  }
}

TEST_F(VertexPrograms, ScreenQuadColourIsClampedAndRefractionCoordinateIsProjected) {
  HarnessVertex v = PointVertex();
  const V4 p = {0.4f, -0.6f, 0.2f, 1};
  v.Set(kPosition, p);
  v.Set(kColour, {0.2f, 1.5f, -0.3f, 0.6f});
  v.Set(kUv, {0.125f, 0.875f, 0, 1});
  ExpectNear(Output(12, "v0", v), {0.2f, 1, 0, 0.6f}, "V8 colour clamped to 0..1");
  ExpectNear(Output(12, "t0", v), {0.125f, 0.875f, 0, 1}, "V8 t0 = uv");
  const V4 rows[4] = {{0.5f, 0, 0, 0.5f}, {0, -0.5f, 0, 0.5f}, {0, 0, 1, 0}, {0.1f, 0.2f, 0.3f, 1}};
  for (int i = 0; i < 4; ++i) SetConstant(12 + i, rows[i]);
  SetConstant(6, {3, -2, 1, 1});
  auto dot4 = [&](V4 r) { return p.x * r.x + p.y * r.y + p.z * r.z + p.w * r.w; };
  ExpectNear(Output(13, "t2", v), {dot4(rows[0]), dot4(rows[1]), dot4(rows[2]), dot4(rows[3])},
             "V9 t2 = P by c12-c15");
  ExpectNear(Output(13, "t3", v), {3, -2, 1, 1}, "V9 t3 = eye point");
  ExpectNear(Output(13, "t1", v), {0.125f, 0.875f, 0, 1}, "V9 t1 = uv");
}

TEST_F(VertexPrograms, FogAlphaRisesFromFogStartToFogEnd) {
  SetConstant(2, {0, 0, 1, 0});  // clip z = P.z
  SetConstant(7, {0.2f, 1 / (0.6f - 0.2f), 0, 0});
  SetConstant(8, {0.9f, 0.9f, 0.9f, 0.9f});  // inverse transposed row: not the fog colour
  SetConstant(16, {0.1f, 0.2f, 0.3f, 0.7f});
  const struct {
    float z, alpha;
  } cases[] = {{0.2f, 0}, {0.4f, 0.5f}, {0.6f, 1}, {0.9f, 1}, {0.1f, 0}};
  for (auto c : cases) {
    HarnessVertex v = PointVertex();
    v.a[kPosition][2] = c.z;
    ExpectNear(Output(14, "v0", v), {0.1f, 0.2f, 0.3f, c.alpha}, "fog colour and alpha");
  }
}

}  // namespace
