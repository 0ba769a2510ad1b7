// The trigonometric tables and the deformers that move an animated model's vertices.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
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

// Single-precision sines and cosines of i x 0.0001f; the cycle falls short of a full turn, so
// its last sine sits just below 0; the half sine lies in 0..1; a degree is 174.53 steps rounded.
TEST_F(TrigFixture, TablesHoldSinglePrecisionValuesOfTheStep) {
  const TrigTables& t = gTrigTables;
  for (uint32_t i : {0u, 1u, 15708u, 31416u, 47124u, 62829u}) {
    EXPECT_EQ(t.sinTable[i], std::sin(static_cast<float>(i) * 0.0001f)) << i;
    EXPECT_EQ(t.cosTable[i], std::cos(static_cast<float>(i) * 0.0001f)) << i;
  }
  EXPECT_LT(t.sinTable[kTrigSteps - 1], 0.0f);
  EXPECT_GT(t.sinTable[kTrigSteps - 1], -0.0005f);
  for (uint32_t i = 0; i < kTrigSteps; ++i)
    ASSERT_TRUE(t.halfSinTable[i] >= 0.0f && t.halfSinTable[i] <= 1.0f) << i;
  EXPECT_EQ(t.degreeToIndex[1], 175u);
  EXPECT_EQ(t.degreeToIndex[90], 15708u);
  EXPECT_EQ(t.degreeToIndex[359], 62657u);
}

Vertex MakeVertex(float x, float y, float z) {
  Vertex v{};
  v.position = Vec3{x, y, z};
  v.normal = Vec3{1, 0, 0};
  v.color = 0x80402010u;
  v.u = 0.25f;
  v.tangent = Vec3{1, 0, 0};
  v.extra[1] = 9;
  return v;
}

struct DeformFixture : TrigFixture {
  void SetUp() override {
    TrigFixture::SetUp();
    deformers = ListCreate();
  }
  void TearDown() override {
    ListDestroy(deformers);
    TrigFixture::TearDown();
  }
  // Lists one deformer (replacing what was listed) and keeps it.
  Deformer& Use(uint32_t type, float speed, float amplitude, uint8_t x, uint8_t y, uint8_t z) {
    owned.push_back(std::make_unique<Deformer>(Deformer{type, 0, speed, amplitude, x, y, z}));
    ListAppend(*deformers, owned.back().get());
    return *owned.back();
  }
  // Runs the listed deformers over `source` into a target full of 0xCD bytes. Every field but
  // the position must come through unchanged.
  std::vector<Vertex> Run(const std::vector<Vertex>& source, const std::vector<int32_t>& phases,
                          float time, float radius = 1.0f) {
    std::vector<Vertex> target(source.size());
    std::memset(target.data(), 0xCD, sizeof(Vertex) * target.size());
    DeformVertices(target.data(), source.data(), phases.data(),
                   static_cast<uint32_t>(source.size()), time, *deformers, radius);
    for (size_t i = 0; i < source.size(); ++i) {
      Vertex copy = target[i];
      copy.position = source[i].position;
      EXPECT_EQ(std::memcmp(&copy, &source[i], sizeof copy), 0) << "vertex " << i;
    }
    return target;
  }
  List* deformers = nullptr;
  std::vector<std::unique_ptr<Deformer>> owned;
};

// Wave: shift by sin(phase + T) x amplitude x radius on the flagged axes, T = speed x time x
// 10000 steps, the sum wrapping at 62830.
TEST_F(DeformFixture, WaveShiftsFlaggedAxesBySineOfPhasePlusTime) {
  Use(kDeformerWave, 2.0f, 0.5f, 0, 1, 0);
  const std::vector<Vertex> source(3, MakeVertex(1, 2, 3));
  const std::vector<Vertex> still = Run(source, {0, 15708, 62830 - 20000}, 0.0f, 4.0f);
  EXPECT_EQ(still[0].position.y, 2.0f);
  EXPECT_FLOAT_EQ(still[1].position.y, 2.0f + 2.0f);  // sin(1.5708) x 0.5 x 4
  EXPECT_EQ(still[1].position.x, 1.0f);
  EXPECT_EQ(still[1].position.z, 3.0f);
  // 1 s at 2 rad/s: T = 20000; the third vertex's index sums to exactly 62830 -> 0.
  const std::vector<Vertex> moved = Run(source, {0, 15708, 62830 - 20000}, 1.0f, 4.0f);
  EXPECT_FLOAT_EQ(moved[0].position.y, 2.0f + gTrigTables.sinTable[20000] * 2.0f);
  EXPECT_EQ(moved[2].position.y, 2.0f);
}

// Pulse scales the flagged axes by 1 - amplitude (1 - half sine): amplitude 0 changes nothing,
// amplitude 1 halves at index 0.
TEST_F(DeformFixture, PulseScalesFlaggedAxesBetweenOneMinusAmplitudeAndOne) {
  Deformer& pulse = Use(kDeformerPulse, 1.0f, 0.0f, 1, 0, 1);
  const std::vector<Vertex> source = {MakeVertex(2, -4, 6)};
  EXPECT_EQ(Run(source, {1234}, 3.5f)[0].position.x, 2.0f);
  pulse.amplitude = 1.0f;
  const Vec3 half = Run(source, {0}, 0.0f)[0].position;
  EXPECT_TRUE(half.x == 1.0f && half.y == -4.0f && half.z == 3.0f);
}

// Twist turns about the flagged axes in the order x, y, z by the half sine x amplitude of a
// full turn: amplitude 0.5 at index 0 is 90 degrees. About z, (1, 0, 0) goes to (0, 1, 0) (the
// normal is not turned); with x too, (0, 1, 0) -> (0, 0, 1) -> stays (z first: (-1, 0, 0)).
// Amplitudes out of range still pick a degree inside the table: distances are kept.
TEST_F(DeformFixture, TwistTurnsAboutFlaggedAxesInTheOrderXYZ) {
  Deformer& twist = Use(kDeformerTwist, 0.0f, 0.5f, 0, 0, 1);
  const Vec3 turned = Run({MakeVertex(1, 0, 0)}, {0}, 0.0f)[0].position;
  EXPECT_NEAR(turned.x, 0.0f, 1e-4f);
  EXPECT_NEAR(turned.y, 1.0f, 1e-6f);
  twist.onX = 1;
  const Vec3 both = Run({MakeVertex(0, 1, 0)}, {0}, 0.0f)[0].position;
  EXPECT_NEAR(both.y, 0.0f, 1e-4f);
  EXPECT_NEAR(both.z, 1.0f, 1e-6f);
  twist.onY = 1;
  twist.speed = 1.0f;
  for (float amplitude : {-0.3f, -7.9f, 1e12f, -1e12f}) {
    twist.amplitude = amplitude;
    for (const Vertex& out : Run({MakeVertex(3, 4, 0), MakeVertex(0, 3, 4)}, {100, 40000}, 0.7f))
      EXPECT_NEAR(Vec3Length(out.position), 5.0f, 1e-4f) << amplitude;
  }
}

// T keeps the low 32 bits of the rounded product: 1 rad/s at 500,000 s is 5e9 steps, which
// the plain 32-bit conversion would turn into INT32_MIN.
TEST_F(DeformFixture, LongTimesUseTheLow32BitsOfTheStepCount) {
  Use(kDeformerWave, 1.0f, 1.0f, 1, 0, 0);
  const uint32_t idx = static_cast<uint32_t>(5000000000ull % 4294967296ull) % kTrigSteps;
  EXPECT_EQ(Run({MakeVertex(0, 0, 0)}, {0}, 500000.0f)[0].position.x, gTrigTables.sinTable[idx]);
}

// Every deformer starts from the untouched source, so the last known one shows; unknown types
// are skipped, and a list of only those (or none) copies the source.
TEST_F(DeformFixture, LastKnownDeformerWinsAndUnknownTypesCopyTheSource) {
  Use(kDeformerPulse, 0.0f, 1.0f, 1, 1, 1);
  Use(kDeformerWave, 0.0f, 1.0f, 0, 0, 1);
  Use(7, 1.0f, 1.0f, 1, 1, 1);
  const std::vector<Vertex> source = {MakeVertex(2, 2, 2)};
  const Vec3 out = Run(source, {15708}, 0.0f)[0].position;
  EXPECT_EQ(out.x, 2.0f);  // the pulse's halving is not seen
  EXPECT_FLOAT_EQ(out.z, 3.0f);
  EXPECT_EQ(source[0].position.z, 2.0f);  // the source is never written
  ListClear(*deformers);
  ListAppend(*deformers, owned[2].get());
  EXPECT_EQ(Run(source, {0}, 2.0f)[0].position.x, 2.0f);
  ListClear(*deformers);
  EXPECT_EQ(Run(source, {0}, 2.0f)[0].position.z, 2.0f);
}

}  // namespace
