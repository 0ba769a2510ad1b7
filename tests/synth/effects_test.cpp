#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "synth_fixture.h"

namespace {

using synthtest::RunEffects;

constexpr int kPhaserOn = 211, kPhaserRate = 213, kPhaserFeedback = 214;
constexpr int kDistortionOn = 215, kMode = 216, kGain = 217, kBits = 218;
constexpr int kDelayOn = 220, kDelayLeft = 221, kDelayRight = 222, kDelayFeedback = 223;
constexpr int kReverbOn = 224, kRoom = 225, kDamping = 226, kWet = 227, kDry = 228, kWidth = 229;

// A value written at frame t is read len - 1 frames later; it circulates once per len frames,
// scaled by the feedback each time it is written back: echoes at n x len - 1, level fb^n.
TEST(Effects, DelayEchoesComeEveryLineLengthWithFeedbackLevels) {
  std::vector<float> left(256 * 12, 0.0f), right(256 * 12, 0.0f);
  left[3] = right[3] = 1.0f;
  // 10 ms: 441 frames; 20 ms: 882 frames.
  RunEffects({{kDelayOn, 1}, {kDelayLeft, 10}, {kDelayRight, 20}, {kDelayFeedback, 0.5f}}, &left,
             &right);
  auto want = [](size_t i, size_t len) {
    const size_t k = i + 1 - 3;  // frames after the impulse, plus one
    return i < 3 ? 0.0f : k == 1 ? 1.0f : k % len == 0 ? std::pow(0.5f, float(k / len)) : 0.0f;
  };
  for (size_t i = 0; i < left.size(); ++i) {
    ASSERT_NEAR(left[i], want(i, 441), 1e-6f) << i;
    ASSERT_NEAR(right[i], want(i, 882), 1e-6f) << i;
  }
}

TEST(Effects, DenormalDelayFeedbackIsStoredAsZero) {
  std::vector<float> left(256 * 4, 0.0f), right(256 * 4, 0.0f);
  left[0] = 1e-37f;  // times 0.01 is below the smallest normal float
  RunEffects({{kDelayOn, 1}, {kDelayLeft, 1}, {kDelayFeedback, 0.01f}}, &left, &right);
  EXPECT_EQ(left[0], 1e-37f);
  for (size_t i = 1; i < left.size(); ++i) ASSERT_EQ(left[i], 0.0f) << i;
}

// Energy of the left channel between 0.5 s and 1 s after an impulse.
double ReverbTailEnergy(float room) {
  std::vector<float> left(256 * 200, 0.0f), right(256 * 200, 0.0f);
  left[0] = right[0] = 1.0f;
  RunEffects(
      {{kReverbOn, 1}, {kRoom, room}, {kDamping, 0.5f}, {kWet, 0.5f}, {kDry, 0}, {kWidth, 1}},
      &left, &right);
  double energy = 0;
  for (size_t i = 22050; i < 44100; ++i) energy += double(left[i]) * left[i];
  return energy;
}

TEST(Effects, LargerReverbRoomRingsLonger) {
  // Comb feedback 0.7 against 0.98: by half a second the small room has died away.
  const double small = ReverbTailEnergy(0.0f), large = ReverbTailEnergy(1.0f);
  EXPECT_GT(large, 1000.0 * small);
  EXPECT_GT(large, 1e-6);
}

TEST(Effects, FullPhaserFeedbackStaysBounded) {
  // At DC every stage passes its input unchanged, so feedback 1 would add the input up for
  // ever; held at 0.99 the loop stays near input / (1 - 0.99) = 50 (the moving sweep lets it
  // overshoot a little).
  std::vector<float> left(256 * 2000, 0.5f), right(256 * 2000, 0.5f);
  RunEffects({{kPhaserOn, 1}, {kPhaserRate, 2.0f}, {kPhaserFeedback, 1.0f}}, &left, &right);
  for (float v : left) ASSERT_LE(std::fabs(v), 55.0f);
  EXPECT_GT(left.back(), 40.0f);
}

// Curve mode: sign(x) (17 |x|)^e with e = 1 - bit parameter; the table index is limited and
// NaN reads entry 0.
TEST(Effects, DistortionCurveFollowsTheDrivePowerLaw) {
  std::vector<float> left(256, 0.0f), right(256, 0.0f);
  const float in[4] = {0.25f, -0.5f, 3.0f, std::numeric_limits<float>::quiet_NaN()};
  std::copy(in, in + 4, left.begin());
  right[0] = -0.0f;
  RunEffects({{kDistortionOn, 1}, {kMode, 1.0f}, {kGain, 0.0f}, {kBits, 0.39f}}, &left, &right);
  const float e = 0.61f;
  EXPECT_FLOAT_EQ(left[0], std::pow(17.0f * 0.25f, e));
  EXPECT_FLOAT_EQ(left[1], -std::pow(17.0f * 0.5f, e));
  EXPECT_FLOAT_EQ(left[2], std::pow(17.0f * 32767.0f / 32768.0f, e));
  EXPECT_EQ(left[3], 0.0f);
  EXPECT_EQ(right[0], 0.0f);
}

}  // namespace
