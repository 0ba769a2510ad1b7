#include <gtest/gtest.h>

#include <cmath>

#include "synth/tables.h"
#include "synth_fixture.h"

namespace {

TEST(NoteFrequencyTable, IsARunningProductOfSemitonesFrom16Hz) {
  synthtest::EnsureSharedTables();
  EXPECT_EQ(NoteToFrequency(0), 16.35f);
  EXPECT_NEAR(NoteToFrequency(57), 16.35 * std::pow(2.0, 57.0 / 12.0), 1e-3);  // 440 Hz
  EXPECT_NEAR(NoteToFrequency(119), 16.35 * std::pow(2.0, 119.0 / 12.0), 0.05);
  for (int n = 12; n < kNoteCount; ++n) {
    EXPECT_NEAR(NoteToFrequency(n) / NoteToFrequency(n - 12), 2.0, 1e-5) << n;
  }
  const float before = NoteToFrequency(88);
  NoteFrequencyTableBuild();
  EXPECT_EQ(NoteToFrequency(88), before);
}

TEST(SqrtTable, GivesEqualPowerGains) {
  synthtest::EnsureSharedTables();
  EXPECT_EQ(SqrtTableEntry(0), 0.0f);
  EXPECT_NEAR(SqrtTableEntry(65535), 1.0f, 1e-6f);
  EXPECT_NEAR(SqrtTableEntry(16384), 0.5f, 1e-4f);
  for (float x : {0.0f, 0.5f, 1.0f}) EXPECT_NEAR(EqualPowerGain(x), std::sqrt(x), 1e-5f) << x;
  const PanGains linear = PanLaw(0, 0.25f), power = PanLaw(1, 0.25f);
  EXPECT_EQ(linear.left, 0.75f);
  EXPECT_EQ(linear.right, 0.25f);
  EXPECT_NEAR(power.left * power.left + power.right * power.right, 1.0f, 1e-4f);
}

}  // namespace
