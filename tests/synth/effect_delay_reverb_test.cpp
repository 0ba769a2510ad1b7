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
  // k: frames after the impulse, plus one.
  auto want = [](size_t i, size_t len) {
    const size_t k = i + 1 - 3;
    return i < 3 ? 0.0f : k == 1 ? 1.0f : k % len == 0 ? std::pow(0.5f, float(k / len)) : 0.0f;
  };
  for (size_t i = 0; i < left.size(); ++i) {
    ASSERT_NEAR(left[i], want(i, 441), 1e-6f) << i;
    ASSERT_NEAR(right[i], want(i, 882), 1e-6f) << i;
  }
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

}  // namespace
