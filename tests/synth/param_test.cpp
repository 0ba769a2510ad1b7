#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

#include "synth/param.h"
#include "synth/tables.h"
#include "synth_fixture.h"

namespace {

// Plain values from stored normalised ones: held at the range ends, integers rounded half up
// (negatives towards minus infinity); ParamSet stores the clamped normalised value.
TEST(Param, ReadsAndWritesOfNormalisedValues) {
  Param* t = ParamTableCreate();
  const struct {
    int index;
    float norm, plain;
    int integer;
  } rows[] = {{177, 1.5f, 100.0f, 100},  {177, -0.2f, 4.0f, 4}, {177, 0.5f, 52.0f, 52},
              {32, 0.43f, -1.12f, -2},   {32, 0.56f, 0.96f, 1}, {32, 0.37f, -2.08f, -3},
              {32, NAN, NAN, INT32_MIN}, {2, 0.13f, 2.95f, 3},  {5, 0.0f, 1.0f, 1}};
  for (const auto& r : rows) {
    t[r.index].norm = r.norm;
    if (!std::isnan(r.norm)) {
      EXPECT_NEAR(ParamGet(&t[r.index]), r.plain, 1e-5f) << r.index;
    }
    EXPECT_EQ(ParamGetInt(&t[r.index]), r.integer) << r.index << " " << r.norm;
  }
  const struct { float plain, norm; } writes[] = {{1500.0f, 1.0f}, {-3.0f, 0.0f}, {250.0f, 0.25f}};
  for (const auto& w : writes) {
    ParamSet(&t[221], w.plain);
    EXPECT_EQ(t[221].norm, w.norm) << w.plain;
  }
  ParamTableDestroy(t);
  const float halves[][2] = {{2.5f, 3}, {2.49f, 2}, {-0.12f, -1}, {-2.0f, -2}, {-0.5f, -1}};
  for (const auto& h : halves) EXPECT_EQ(RoundHalfUp(h[0]), h[1]) << h[0];
}

TEST(SharedTables, NoteFrequenciesAndEqualPowerGains) {
  synthtest::EnsureSharedTables();
  EXPECT_EQ(NoteToFrequency(0), 16.35f);
  for (int n = 12; n < kNoteCount; ++n) {
    EXPECT_NEAR(NoteToFrequency(n) / NoteToFrequency(n - 12), 2.0, 1e-5) << n;
  }
  EXPECT_NEAR(NoteToFrequency(57), 440.0, 0.1);
  for (float x : {0.0f, 0.5f, 1.0f}) EXPECT_NEAR(EqualPowerGain(x), std::sqrt(x), 1e-5f) << x;
  const PanGains linear = PanLaw(0, 0.25f), power = PanLaw(1, 0.25f);
  EXPECT_EQ(linear.left, 0.75f);
  EXPECT_EQ(linear.right, 0.25f);
  EXPECT_NEAR(power.left * power.left + power.right * power.right, 1.0f, 1e-4f);
}

}  // namespace
