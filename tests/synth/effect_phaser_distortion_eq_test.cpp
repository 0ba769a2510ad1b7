#include <gtest/gtest.h>

#include <cmath>

#include "effect_rig.h"
#include "synth/distortion.h"
#include "synth/equalizer.h"
#include "synth/phaser.h"

namespace {

constexpr int kPhaserOn = 211, kPhaserRate = 213, kPhaserFeedback = 214;
constexpr int kDistortionOn = 215, kMode = 216, kGain = 217, kBits = 218, kHold = 219;
constexpr int kEqOn = 230, kEqFirst = 231;

TEST(EffectPhaserTest, FullFeedbackStaysBounded) {
  // At DC every stage passes its input unchanged, so feedback 1 would add the input up for
  // ever; held at 0.99 the loop stays near input / (1 - 0.99) = 50 (the moving sweep lets it
  // overshoot a little).
  EffectRig rig;
  rig.Set(kPhaserOn, 1);
  rig.Set(kPhaserRate, 2.0f);
  rig.Set(kPhaserFeedback, 1.0f);
  std::vector<float> left(256 * 2000, 0.5f), right(256 * 2000, 0.5f);
  rig.Run(&left, &right);
  for (float v : left) ASSERT_LE(std::fabs(v), 55.0f);
  EXPECT_GT(left.back(), 40.0f);
}

TEST(EffectDistortionTest, CurveModeFollowsTheDrivePowerLawAndClampsItsIndex) {
  EffectRig rig;
  rig.Set(kDistortionOn, 1);
  rig.Set(kMode, 1.0f);
  rig.Set(kGain, 0.0f);
  rig.patch->params[kBits].norm = 0.39f;
  std::vector<float> left(256, 0.0f), right(256, 0.0f);
  left[0] = 0.25f;
  left[1] = -0.5f;
  left[2] = 3.0f;                                     // index past the table: clamped
  left[3] = std::numeric_limits<float>::quiet_NaN();  // reads entry 0
  right[0] = -0.0f;
  rig.Run(&left, &right);
  const float e = 1.0f - ParamGet(PatchParam(rig.patch, kBits));
  EXPECT_NEAR(e, 0.61f, 1e-6f);
  EXPECT_FLOAT_EQ(left[0], std::pow(17.0f * 0.25f, e));
  EXPECT_FLOAT_EQ(left[1], -std::pow(17.0f * 0.5f, e));
  EXPECT_FLOAT_EQ(left[2], std::pow(17.0f * 32767.0f / 32768.0f, e));
  EXPECT_EQ(left[3], 0.0f);
  EXPECT_EQ(right[0], 0.0f);
  EXPECT_EQ(right[1], 0.0f);
}

// Gain in dB of the equaliser at `hz` in steady state, left channel.
double EqualizerGainDb(EffectRig* rig, float hz) {
  std::vector<float> left(256 * 60), right(256 * 60);
  for (size_t i = 0; i < left.size(); ++i)
    left[i] = right[i] = 0.001f * std::sin(6.2831853f * hz * i / 44100.0f);
  const std::vector<float> input = left;
  rig->Run(&left, &right);
  double in = 0, out = 0;
  for (size_t i = left.size() / 2; i < left.size(); ++i) {
    in += double(input[i]) * input[i];
    out += double(left[i]) * left[i];
  }
  return 10.0 * std::log10(out / in);
}

TEST(EffectEqualizerTest, FlatBandsPassAndABoostedBandPeaksAtTwiceItsGain) {
  EffectRig rig;
  rig.Set(kEqOn, 1);
  for (int k = 0; k < 5; ++k) rig.Set(kEqFirst + k, 0.0f);
  std::vector<float> left(256 * 4), right(256 * 4);
  for (size_t i = 0; i < left.size(); ++i) left[i] = right[i] = std::sin(0.37f * i) * 0.8f;
  const std::vector<float> input = left;
  rig.Run(&left, &right);
  // Exact in exact arithmetic; single-precision rounding recirculates in the sections.
  for (size_t i = 0; i < left.size(); ++i) ASSERT_NEAR(left[i], input[i], 1e-4f) << i;
  EffectRig boosted;
  boosted.Set(kEqOn, 1);
  for (int k = 0; k < 5; ++k) boosted.Set(kEqFirst + k, k == 1 ? 20.0f : 0.0f);
  EXPECT_NEAR(EqualizerGainDb(&boosted, 1000.0f), 40.0, 1.0);
  EXPECT_LT(EqualizerGainDb(&boosted, 12000.0f), 3.0);
}

}  // namespace
