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

// ---- Tables ----------------------------------------------------------------------------

struct TrigFixture : ::testing::Test {
  void SetUp() override { TrigTablesCreate(); }
  void TearDown() override { TrigTablesDestroy(); }
};

TEST_F(TrigFixture, DegreeIndicesAreRoundedStepsOfTheCycle) {
  const uint32_t* d = gTrigTables.degreeToIndex;
  EXPECT_EQ(d[0], 0u);
  EXPECT_EQ(d[1], 175u);  // 174.53
  EXPECT_EQ(d[90], 15708u);
  EXPECT_EQ(d[180], 31416u);
  EXPECT_EQ(d[359], 62657u);
  for (uint32_t i = 1; i < kTrigDegrees; ++i) EXPECT_GT(d[i], d[i - 1]) << i;
}

// The tables are single-precision sines and cosines of i x 0.0001f; the half-sine table lies
// in 0..1; the cycle falls short of a full turn, so its last entry sits just below 0.
TEST_F(TrigFixture, TablesHoldSinglePrecisionSinesOfTheStep) {
  const TrigTables& t = gTrigTables;
  for (uint32_t i : {0u, 1u, 15708u, 31416u, 47124u, 62829u}) {
    const float x = static_cast<float>(i) * 0.0001f;
    EXPECT_EQ(t.sinTable[i], std::sin(x)) << i;
    EXPECT_EQ(t.cosTable[i], std::cos(x)) << i;
  }
  EXPECT_EQ(t.sinTable[0], 0.0f);
  EXPECT_NEAR(t.sinTable[15708], 1.0f, 1e-7f);
  EXPECT_LT(t.sinTable[kTrigSteps - 1], 0.0f);
  EXPECT_GT(t.sinTable[kTrigSteps - 1], -0.0005f);
  for (uint32_t i = 0; i < kTrigSteps; ++i) {
    ASSERT_GE(t.halfSinTable[i], 0.0f);
    ASSERT_LE(t.halfSinTable[i], 1.0f);
  }
}

// ---- Deformers -------------------------------------------------------------------------

Vertex MakeVertex(float x, float y, float z) {
  Vertex v{};
  v.position = Vec3{x, y, z};
  v.normal = Vec3{0, 0, 1};
  v.color = 0x80402010u;
  v.u = 0.25f;
  v.v = 0.75f;
  v.tangent = Vec3{1, 0, 0};
  v.extra[0] = 7;
  v.extra[1] = 9;
  return v;
}

struct DeformFixture : TrigFixture {
  void SetUp() override {
    TrigFixture::SetUp();
    deformers = ListCreate();
    owned.reserve(8);  // references returned by Add stay valid
  }
  void TearDown() override {
    ListDestroy(deformers);
    TrigFixture::TearDown();
  }
  Deformer& Add(uint32_t type, float speed, float amplitude, uint8_t x, uint8_t y, uint8_t z) {
    owned.push_back(Deformer{type, 0, speed, amplitude, x, y, z});
    return owned.back();
  }
  // Appends the deformers in `owned` to the list (after all are made: the vector may move).
  void Link() {
    for (Deformer& d : owned) ListAppend(*deformers, &d);
  }
  // Runs the deformers over `source` with the phases into a target full of 0xCD bytes.
  std::vector<Vertex> Run(const std::vector<Vertex>& source, const std::vector<int32_t>& phases,
                          float time, float radius) {
    std::vector<Vertex> target(source.size());
    std::memset(target.data(), 0xCD, sizeof(Vertex) * target.size());
    DeformVertices(target.data(), source.data(), phases.data(),
                   static_cast<uint32_t>(source.size()), time, *deformers, radius);
    return target;
  }
  List* deformers = nullptr;
  std::vector<Deformer> owned;
};

bool SameBytes(const Vertex& a, const Vertex& b) { return std::memcmp(&a, &b, sizeof a) == 0; }
bool SameExceptPosition(Vertex a, Vertex b) {
  a.position = b.position;
  return SameBytes(a, b);
}

// Wave: shift by sin(idx) x amplitude x radius on the flagged axes. At time 0 a vertex of
// phase 0 stays put; the phase moves the index; T = speed x time x 10000 adds to it and the
// sum wraps at 62830.
TEST_F(DeformFixture, WaveShiftsFlaggedAxesBySineOfPhasePlusTime) {
  Add(kDeformerWave, 2.0f, 0.5f, 0, 1, 0);
  Link();
  const std::vector<Vertex> source = {MakeVertex(1, 2, 3), MakeVertex(1, 2, 3),
                                      MakeVertex(1, 2, 3)};
  const std::vector<Vertex> still = Run(source, {0, 15708, 62830 - 20000}, 0.0f, 4.0f);
  EXPECT_TRUE(SameBytes(still[0], source[0]));
  EXPECT_FLOAT_EQ(still[1].position.y, 2.0f + 2.0f);  // sin(1.5708) x 0.5 x 4
  EXPECT_EQ(still[1].position.x, 1.0f);
  EXPECT_EQ(still[1].position.z, 3.0f);
  EXPECT_TRUE(SameExceptPosition(still[1], source[1]));
  // time 1 s at 2 rad/s: T = 20000; the third vertex's index sums to exactly 62830 -> 0.
  const std::vector<Vertex> moved = Run(source, {0, 15708, 62830 - 20000}, 1.0f, 4.0f);
  EXPECT_FLOAT_EQ(moved[0].position.y, 2.0f + gTrigTables.sinTable[20000] * 2.0f);
  EXPECT_EQ(moved[2].position.y, 2.0f);
}

// Pulse: amplitude 0 leaves positions alone (f = 1); amplitude 1 scales the flagged axes by
// the half sine, which is 0.5 at index 0.
TEST_F(DeformFixture, PulseScalesFlaggedAxesBetweenOneMinusAmplitudeAndOne) {
  Add(kDeformerPulse, 1.0f, 0.0f, 1, 1, 1);
  Link();
  const std::vector<Vertex> source = {MakeVertex(2, -4, 6)};
  EXPECT_TRUE(SameBytes(Run(source, {1234}, 3.5f, 1.0f)[0], source[0]));
  owned[0].amplitude = 1.0f;
  owned[0].onY = 0;
  const Vertex half = Run(source, {0}, 0.0f, 1.0f)[0];
  EXPECT_EQ(half.position.x, 1.0f);
  EXPECT_EQ(half.position.y, -4.0f);
  EXPECT_EQ(half.position.z, 3.0f);
  EXPECT_TRUE(SameExceptPosition(half, source[0]));
}

// Twist: at index 0 the half sine is 0.5, so amplitude 0.5 turns by 90 degrees through
// degreeToIndex[90]. About z, (1, 0, 0) goes to (0, 1, 0); the normal is not turned. With x
// and z flagged the x turn comes first: (0, 1, 0) -> (0, 0, 1) -> stays; z first would give
// (-1, 0, 0).
TEST_F(DeformFixture, TwistTurnsAboutFlaggedAxesInTheOrderXYZ) {
  Deformer& twist = Add(kDeformerTwist, 0.0f, 0.5f, 0, 0, 1);
  Link();
  Vertex v = MakeVertex(1, 0, 0);
  v.normal = Vec3{1, 0, 0};
  const Vertex turned = Run({v}, {0}, 0.0f, 1.0f)[0];
  EXPECT_NEAR(turned.position.x, 0.0f, 1e-4f);
  EXPECT_NEAR(turned.position.y, 1.0f, 1e-6f);
  EXPECT_EQ(turned.normal.x, 1.0f);
  EXPECT_TRUE(SameExceptPosition(turned, v));
  twist.onX = 1;
  const Vertex both = Run({MakeVertex(0, 1, 0)}, {0}, 0.0f, 1.0f)[0];
  EXPECT_NEAR(both.position.x, 0.0f, 1e-4f);
  EXPECT_NEAR(both.position.y, 0.0f, 1e-4f);
  EXPECT_NEAR(both.position.z, 1.0f, 1e-6f);
}

// A negative or huge amplitude (not produced by the builder) must still pick a degree inside
// the table: the turn keeps the vertex's distance from the axis.
TEST_F(DeformFixture, TwistWithOutOfRangeAmplitudeStaysInsideTheDegreeTable) {
  Deformer& twist = Add(kDeformerTwist, 1.0f, -0.3f, 1, 1, 1);
  Link();
  const std::vector<Vertex> source = {MakeVertex(3, 4, 0), MakeVertex(0, 3, 4)};
  for (float amplitude : {-0.3f, -7.9f, 1e12f, -1e12f}) {
    twist.amplitude = amplitude;
    for (const Vertex& out : Run(source, {100, 40000}, 0.7f, 1.0f)) {
      const Vec3& p = out.position;
      EXPECT_NEAR(std::sqrt(p.x * p.x + p.y * p.y + p.z * p.z), 5.0f, 1e-4f) << amplitude;
    }
  }
}

// T keeps the low 32 bits of the rounded product: 1 rad/s at 500,000 s is 5e9 steps, which
// the plain 32-bit conversion would turn into INT32_MIN.
TEST_F(DeformFixture, LongTimesUseTheLow32BitsOfTheStepCount) {
  Add(kDeformerWave, 1.0f, 1.0f, 1, 0, 0);
  Link();
  const uint32_t idx = static_cast<uint32_t>(5000000000ull % 4294967296ull) % kTrigSteps;
  const Vertex out = Run({MakeVertex(0, 0, 0)}, {0}, 500000.0f, 1.0f)[0];
  EXPECT_EQ(out.position.x, gTrigTables.sinTable[idx]);
}

// Every deformer starts from the untouched source, so the last known one shows; deformers of
// unknown type are skipped, and a list of only those copies the source into the buffer.
TEST_F(DeformFixture, LastKnownDeformerWinsAndUnknownTypesCopyTheSource) {
  Add(kDeformerPulse, 0.0f, 1.0f, 1, 1, 1);
  Add(kDeformerWave, 0.0f, 1.0f, 0, 0, 1);
  Add(7, 1.0f, 1.0f, 1, 1, 1);
  Link();
  const std::vector<Vertex> source = {MakeVertex(2, 2, 2)};
  const std::vector<Vertex> copy = source;
  const Vertex out = Run(source, {15708}, 0.0f, 1.0f)[0];
  EXPECT_EQ(out.position.x, 2.0f);  // the pulse's halving is not seen
  EXPECT_FLOAT_EQ(out.position.z, 3.0f);
  EXPECT_TRUE(SameBytes(source[0], copy[0]));  // the source is never written

  ListClear(*deformers);
  ListAppend(*deformers, &owned[2]);
  EXPECT_TRUE(SameBytes(Run(source, {0}, 2.0f, 1.0f)[0], source[0]));
  ListClear(*deformers);
  EXPECT_TRUE(SameBytes(Run(source, {0}, 2.0f, 1.0f)[0], source[0]));
}

}  // namespace
