// The deformers that move an animated model's vertices, over the trigonometric tables (the
// expected values are the exact sines, so a wrong table shows too).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "math/list.h"
#include "mesh/trig_tables.h"
#include "mesh/vertex.h"
#include "scene/deformer.h"

namespace {

struct TrigFixture : ::testing::Test {
  void SetUp() override { TrigTablesCreate(); }
  void TearDown() override { TrigTablesDestroy(); }
};

Vertex MakeVertex(Vec3 position) {
  Vertex v{};
  v.position = position;
  v.normal = Vec3{1, 0, 0};
  v.color = 0x80402010u;
  v.u = 0.25f;
  v.tangent = Vec3{1, 0, 0};
  v.extra[1] = 9;
  return v;
}

// Runs `deformers` over the sources into a target of 0xCD bytes. Every field but the position
// must come through unchanged and the source is never written.
std::vector<Vertex> Deform(std::vector<Deformer> deformers, const std::vector<Vertex>& source,
                           const std::vector<int32_t>& phases, float time, float radius) {
  List* list = ListCreate();
  for (Deformer& d : deformers) ListAppend(*list, &d);
  const std::vector<Vertex> before = source;
  std::vector<Vertex> target(source.size());
  std::memset(target.data(), 0xCD, sizeof(Vertex) * target.size());
  DeformVertices(target.data(), source.data(), phases.data(), static_cast<uint32_t>(source.size()),
                 time, *list, radius);
  ListDestroy(list);
  EXPECT_EQ(std::memcmp(before.data(), source.data(), sizeof(Vertex) * source.size()), 0);
  for (size_t i = 0; i < source.size(); ++i) {
    Vertex copy = target[i];
    copy.position = source[i].position;
    EXPECT_EQ(std::memcmp(&copy, &source[i], sizeof copy), 0) << "vertex " << i;
  }
  return target;
}

Deformer Make(uint32_t type, float speed, float amplitude, uint8_t x, uint8_t y, uint8_t z) {
  return Deformer{type, 0, speed, amplitude, x, y, z};
}

// idx = (phase + T) mod 62830, T = speed x time x 10000 rounded, low 32 bits. Wave: shift by
// sin(idx) x amplitude x radius on the flagged axes. Pulse: scale by 1 - amplitude x (1 - half
// sine). Twist: turn about the flagged axes in the order x, y, z by half sine x amplitude of a
// full turn (the normal is not turned). Each deformer starts from the source, so the last
// known one shows; unknown types are skipped and none copies the source.
TEST_F(TrigFixture, DeformersMoveFlaggedAxesByTheirCycle) {
  const Deformer wave = Make(kDeformerWave, 2.0f, 0.5f, 0, 1, 0);
  const Deformer twistZ = Make(kDeformerTwist, 0.0f, 0.5f, 0, 0, 1);
  const Deformer unknown = Make(7, 1.0f, 1.0f, 1, 1, 1);
  const float longSine = std::sin(static_cast<float>(5000000000ull % 4294967296ull % 62830) *
                                  0.0001f);  // 5e9 steps would be INT32_MIN as a plain int
  const struct {
    std::vector<Deformer> deformers;
    Vec3 position;
    int32_t phase;
    float time, radius;
    Vec3 expected;
  } rows[] = {
      {{wave}, {1, 2, 3}, 0, 0.0f, 4.0f, {1, 2, 3}},
      {{wave}, {1, 2, 3}, 15708, 0.0f, 4.0f, {1, 4, 3}},
      {{wave}, {1, 2, 3}, 0, 1.0f, 4.0f, {1, 2 + std::sin(2.0f) * 2.0f, 3}},
      {{wave}, {1, 2, 3}, 62830 - 20000, 1.0f, 4.0f, {1, 2, 3}},  // wraps to exactly 0
      {{Make(kDeformerWave, 1, 1, 1, 0, 0)}, {0, 0, 0}, 0, 500000.0f, 1.0f, {longSine, 0, 0}},
      {{Make(kDeformerPulse, 1, 0, 1, 0, 1)}, {2, -4, 6}, 1234, 3.5f, 1.0f, {2, -4, 6}},
      {{Make(kDeformerPulse, 1, 1, 1, 0, 1)}, {2, -4, 6}, 0, 0.0f, 1.0f, {1, -4, 3}},
      {{twistZ}, {1, 0, 0}, 0, 0.0f, 1.0f, {0, 1, 0}},
      {{Make(kDeformerTwist, 0, 0.5f, 1, 0, 1)}, {0, 1, 0}, 0, 0.0f, 1.0f, {0, 0, 1}},
      {{Make(kDeformerPulse, 0, 1, 1, 1, 1), Make(kDeformerWave, 0, 1, 0, 0, 1), unknown},
       {2, 2, 2},
       15708,
       0.0f,
       1.0f,
       {2, 2, 3}},
      {{unknown}, {2, 2, 2}, 0, 2.0f, 1.0f, {2, 2, 2}},
      {{}, {2, 2, 2}, 0, 2.0f, 1.0f, {2, 2, 2}}};
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << row.deformers.size() << " deformers, type "
                                    << (row.deformers.empty() ? -1 : int(row.deformers[0].type))
                                    << ", phase " << row.phase << ", time " << row.time);
    const Vec3 out =
        Deform(row.deformers, {MakeVertex(row.position)}, {row.phase}, row.time, row.radius)[0]
            .position;
    EXPECT_NEAR(out.x, row.expected.x, 1e-4f);
    EXPECT_NEAR(out.y, row.expected.y, 1e-4f);
    EXPECT_NEAR(out.z, row.expected.z, 1e-4f);
  }
}

// Amplitudes out of range still pick a degree inside the table: distances are kept.
TEST_F(TrigFixture, TwistKeepsDistancesForAnyAmplitude) {
  for (float amplitude : {-0.3f, -7.9f, 1e12f, -1e12f}) {
    const std::vector<Vertex> out =
        Deform({Make(kDeformerTwist, 1.0f, amplitude, 1, 1, 1)},
               {MakeVertex({3, 4, 0}), MakeVertex({0, 3, 4})}, {100, 40000}, 0.7f, 1.0f);
    for (const Vertex& v : out) EXPECT_NEAR(Vec3Length(v.position), 5.0f, 1e-4f) << amplitude;
  }
}

}  // namespace
