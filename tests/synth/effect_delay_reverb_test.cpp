#include <gtest/gtest.h>

#include <cmath>

#include "effect_rig.h"
#include "synth/delay.h"
#include "synth/reverb.h"

namespace {

constexpr int kDelayOn = 220, kDelayLeft = 221, kDelayRight = 222, kDelayFeedback = 223;
constexpr int kReverbOn = 224, kRoom = 225, kDamping = 226, kWet = 227, kDry = 228, kWidth = 229;

// A value written at frame t is read len - 1 frames later; it circulates once per len frames,
// scaled by the feedback each time it is written back: echoes at n x len - 1, level fb^n.
TEST(EffectDelayTest, EchoesComeEveryLineLengthWithFeedbackLevels) {
  EffectRig rig;
  rig.Set(kDelayOn, 1);
  rig.Set(kDelayLeft, 10);   // 441 frames
  rig.Set(kDelayRight, 20);  // 882 frames
  rig.Set(kDelayFeedback, 0.5f);
  std::vector<float> left(256 * 12, 0.0f), right(256 * 12, 0.0f);
  left[3] = 1.0f;
  right[3] = 1.0f;
  rig.Run(&left, &right);
  for (size_t i = 0; i < left.size(); ++i) {
    const size_t k = i >= 3 ? i - 3 + 1 : 2;  // frames after the impulse, plus one
    const float wantLeft = (k == 1)       ? 1.0f
                           : k % 441 == 0 ? std::pow(0.5f, static_cast<float>(k / 441))
                                          : 0.0f;
    const float wantRight = (k == 1)       ? 1.0f
                            : k % 882 == 0 ? std::pow(0.5f, static_cast<float>(k / 882))
                                           : 0.0f;
    ASSERT_NEAR(left[i], i < 3 ? 0.0f : wantLeft, 1e-6f) << i;
    ASSERT_NEAR(right[i], i < 3 ? 0.0f : wantRight, 1e-6f) << i;
  }
}

TEST(EffectDelayTest, ZeroLengthAndZeroFeedbackEdgeCases) {
  EffectRig rig;
  rig.Set(kDelayOn, 1);
  rig.Set(kDelayFeedback, 0.5f);  // lengths 0 ms
  std::vector<float> left(256, 1.0f), right(256, 1.0f);
  rig.Run(&left, &right);
  // First frame: the read index is still 1 ahead; then both stay at 0 and the output is the
  // input plus the running value (buffer + input) x feedback: 0.5, 0.75, 0.875, ...
  EXPECT_FLOAT_EQ(left[0], 1.0f);
  EXPECT_FLOAT_EQ(left[1], 1.75f);
  EXPECT_FLOAT_EQ(left[2], 1.875f);
  EXPECT_FLOAT_EQ(right[255], 2.0f);
  // Feedback 0: once the old line contents are read out, the output is the input.
  rig.Set(kDelayFeedback, 0.0f);
  rig.Set(kDelayLeft, 5);
  std::vector<float> l2(256 * 2), r2(256 * 2);
  for (size_t i = 0; i < l2.size(); ++i) l2[i] = r2[i] = std::sin(0.01f * i);
  const std::vector<float> input = l2;
  rig.Run(&l2, &r2);
  for (size_t i = 256; i < l2.size(); ++i) ASSERT_EQ(l2[i], input[i]) << i;
}

TEST(EffectDelayTest, DenormalFeedbackIsStoredAsZero) {
  EffectRig rig;
  rig.Set(kDelayOn, 1);
  rig.Set(kDelayLeft, 1);  // 44 frames
  rig.Set(kDelayFeedback, 0.01f);
  std::vector<float> left(256 * 4, 0.0f), right(256 * 4, 0.0f);
  left[0] = 1e-37f;  // times 0.01 is below the smallest normal float
  rig.Run(&left, &right);
  EXPECT_EQ(left[0], 1e-37f);
  for (size_t i = 1; i < left.size(); ++i) ASSERT_EQ(left[i], 0.0f) << i;
}

// Energy of the left channel over [from, to) after an impulse, with the given room size.
double ReverbTailEnergy(float room, size_t from, size_t to) {
  EffectRig rig;
  rig.Set(kReverbOn, 1);
  rig.Set(kRoom, room);
  rig.Set(kDamping, 0.5f);
  rig.Set(kWet, 0.5f);
  rig.Set(kDry, 0.0f);
  rig.Set(kWidth, 1.0f);
  std::vector<float> left(256 * 200, 0.0f), right(256 * 200, 0.0f);
  left[0] = right[0] = 1.0f;
  rig.Run(&left, &right);
  double energy = 0;
  for (size_t i = from; i < to; ++i) energy += double(left[i]) * left[i];
  return energy;
}

TEST(EffectReverbTest, LargerRoomRingsLonger) {
  const double small = ReverbTailEnergy(0.0f, 22050, 44100);
  const double large = ReverbTailEnergy(1.0f, 22050, 44100);
  EXPECT_GT(ReverbTailEnergy(0.0f, 0, 4410), 0.0);
  // Comb feedback 0.7 against 0.98: between 0.5 s and 1 s the small room has died away.
  EXPECT_GT(large, 1000.0 * small);
  EXPECT_GT(large, 1e-6);
}

TEST(EffectReverbTest, ParametersMapToTheFilterCoefficients) {
  EffectRig rig;
  rig.Set(kRoom, 0.0f);
  rig.Set(kWidth, 1.0f);
  rig.Set(kWet, 1.0f);
  rig.Set(kDry, 0.5f);
  rig.Set(kDamping, 1.0f);
  ReverbUpdate(rig.chain->reverb, rig.patch->reverb);
  const ReverbState& s = *rig.patch->reverb;
  EXPECT_FLOAT_EQ(s.feedback, 0.7f);
  EXPECT_FLOAT_EQ(s.wet1, 3.0f);
  EXPECT_EQ(s.wet2, 0.0f);
  EXPECT_FLOAT_EQ(s.dry, 1.0f);
  EXPECT_FLOAT_EQ(s.damp1, 0.4f);
  EXPECT_FLOAT_EQ(s.damp2, 0.6f);
  rig.Set(kRoom, 1.0f);
  ReverbUpdate(rig.chain->reverb, rig.patch->reverb);
  EXPECT_FLOAT_EQ(s.feedback, 0.98f);
}

TEST(EffectReverbTest, OppositeChannelsGiveNoReverbInput) {
  EffectRig rig;
  rig.Set(kReverbOn, 1);
  rig.Set(kRoom, 0.9f);
  rig.Set(kWet, 1.0f);
  rig.Set(kDry, 0.0f);
  std::vector<float> left(256 * 10), right(256 * 10);
  for (size_t i = 0; i < left.size(); ++i) {
    left[i] = std::sin(0.05f * i);
    right[i] = -left[i];
  }
  rig.Run(&left, &right);
  for (size_t i = 0; i < left.size(); ++i) {
    ASSERT_EQ(left[i], 0.0f) << i;
    ASSERT_EQ(right[i], 0.0f) << i;
  }
}

}  // namespace
