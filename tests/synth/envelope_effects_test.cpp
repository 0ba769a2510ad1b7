#include <algorithm>
#include <limits>

#include "synth_fixture.h"

namespace {

// Per-block increment of a stage of time t from 0 to 1: t^2 ln(0.94 t^2) x 0.0256.
float StageStep(float t) { return t * t * std::log(0.94f * t * t) * 0.0256f; }

class EnvelopeTest : public PatchTest {
 protected:
  // Envelope 0 with attack a, decay d, sustain s, release r, curve c, peak p; triggered, then
  // advanced `blocks` blocks.
  void Start(float a, float d, float s, float r, float c, float p, int blocks = 0) {
    const float values[6] = {a, d, s, r, c, p};
    for (int i = 0; i < 6; ++i) Set(kParamEnvelopeBase + i, values[i]);
    EnvelopeKill(&env_);
    EnvelopeTrigger(&env_);
    for (int i = 0; i < blocks; ++i) Advance();
  }
  float Advance() { return EnvelopeAdvance(patch_.envelopes[0], &env_); }
  // Blocks until the stage changes from `stage` (at most 1000).
  int BlocksIn(int stage) {
    int blocks = 0;
    while (env_.stage == stage && blocks < 1000) Advance(), ++blocks;
    return blocks;
  }

  Envelope env_{0.0f, kEnvStageOff};
};

TEST_F(EnvelopeTest, StageTimesAndLevels) {
  Start(0, 1, 1, 1, 0.5f, 1);  // zero attack: the peak in the second block
  EXPECT_NEAR(Advance(), -std::log(0.94 * 1e-9) * 0.0256, 1e-4);
  EXPECT_EQ(Advance(), 1.0f);
  EXPECT_EQ(env_.stage, kEnvStageDecay);
  Start(1, 1, 1, 1, 0.5f, 1);  // full attack creeps
  EXPECT_NEAR(Advance(), -StageStep(1.0f), 1e-7);
  // Decay 0.5 from the peak 0.8 steps down to sustain x peak = 0.4 in ceil(0.4 / step) blocks;
  // the sustain stage then moves to 0.5 by the same step.
  Start(0, 0.5f, 0.5f, 1, 0.5f, 0.8f, 2);
  EXPECT_EQ(BlocksIn(kEnvStageDecay), int(std::ceil(0.4f / -StageStep(0.5f))));
  EXPECT_FLOAT_EQ(env_.level, 0.4f);
  EXPECT_NEAR(Advance(), 0.4f - StageStep(0.5f), 1e-6f);
  for (int i = 0; i < 20; ++i) Advance();
  EXPECT_EQ(env_.level, 0.5f);
  // Release 0.5 from 1 ends at exactly 0 in ceil(1 / step) blocks.
  Start(0, 0, 1, 0.5f, 0.5f, 1, 3);
  EnvelopeRelease(&env_);
  EXPECT_EQ(BlocksIn(kEnvStageRelease), int(std::ceil(-1.0f / StageStep(0.5f))));
  EXPECT_TRUE(env_.level == 0.0f && EnvelopeIsOff(&env_)) << env_.level;
  Start(0, 0, 0.3f, 1, 0.5f, 1, 2);  // zero decay drops to the sustain level in one block
  EXPECT_FLOAT_EQ(Advance(), 0.3f);
  Start(0, 0, 0.5f, 1, 1.0f, 1, 4);  // curve 1 gives exponent 11: 0.5 sustains as 0.5^11
  EXPECT_FLOAT_EQ(Advance(), std::pow(0.5f, 11.0f));
}

// The reverb's decay, the equaliser's bands and the LFO's shapes and rate are held by the song's
// reference checksums (the song runs every effect; the LFO's other waveforms are the oscillator's
// own); these rows hold what the song does not reach.
constexpr int kPhaserOn = 211, kPhaserRate = 213, kPhaserFeedback = 214;
constexpr int kDistortionOn = 215, kMode = 216, kGain = 217, kBits = 218, kHold = 219;
constexpr int kDelayOn = 220, kDelayLeft = 221, kDelayRight = 222, kDelayFeedback = 223;

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

TEST(Effects, FullPhaserFeedbackStaysBounded) {
  // At DC every stage passes its input unchanged, so feedback 1 would add the input up for
  // ever; held at 0.99 the loop stays near input / (1 - 0.99) = 50 (the moving sweep lets it
  // overshoot a little).
  std::vector<float> left(256 * 2000, 0.5f), right(256 * 2000, 0.5f);
  RunEffects({{kPhaserOn, 1}, {kPhaserRate, 2.0f}, {kPhaserFeedback, 1.0f}}, &left, &right);
  EXPECT_LE(PeakAbs(left), 55.0);
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
  EXPECT_TRUE(left[3] == 0.0f && right[0] == 0.0f) << left[3] << " " << right[0];
}

// Clip mode at drive 17 and 2^24 levels passes 17 x in exactly (in < 1/17). Hold 0: the counter
// reaches 39 at frame 39, so frames 39, 79, ... are taken and 0 is held before; hold 1: every
// frame.
TEST(Effects, SampleAndHoldTakesEveryFortiethFrameFromFrame39) {
  for (float hold : {0.0f, 1.0f}) {
    std::vector<float> left(256), right(256, 0.0f);
    for (int i = 0; i < 256; ++i) left[i] = float(i) / 8192;
    RunEffects({{kDistortionOn, 1}, {kMode, 0}, {kGain, 0}, {kBits, 1}, {kHold, hold}}, &left,
               &right);
    for (int i = 0; i < 256; ++i) {
      const int taken = hold == 1.0f ? i : i < 39 ? 0 : 39 + (i - 39) / 40 * 40;
      ASSERT_EQ(left[i], 17.0f * float(taken) / 8192) << hold << " " << i;
    }
  }
}

}  // namespace
