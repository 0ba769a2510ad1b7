#include <gtest/gtest.h>

#include <cmath>

#include "synth/block.h"
#include "synth/envelope.h"
#include "synth/lfo.h"
#include "synth/patch.h"
#include "synth/wavetable.h"
#include "synth_fixture.h"

namespace {

// Per-block increment of a stage of time t from 0 to 1: t^2 ln(0.94 t^2) x 0.0256.
float StageStep(float t) { return t * t * std::log(0.94f * t * t) * 0.0256f; }

class EnvelopeTest : public synthtest::PatchTest {
 protected:
  // Envelope 0 with attack a, decay d, sustain s, release r, curve c, peak p; triggered.
  void Start(float a, float d, float s, float r, float c, float p) {
    const float values[6] = {a, d, s, r, c, p};
    for (int i = 0; i < 6; ++i) Set(kParamEnvelopeBase + i, values[i]);
    EnvelopeKill(&env_);
    EnvelopeTrigger(&env_);
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
  Start(0, 0.5f, 0.5f, 1, 0.5f, 0.8f);
  Advance(), Advance();
  EXPECT_EQ(BlocksIn(kEnvStageDecay), int(std::ceil(0.4f / -StageStep(0.5f))));
  EXPECT_FLOAT_EQ(env_.level, 0.4f);
  Advance();
  EXPECT_NEAR(env_.level, 0.4f - StageStep(0.5f), 1e-6f);
  for (int i = 0; i < 20; ++i) Advance();
  EXPECT_EQ(env_.level, 0.5f);
  // Release 0.5 from 1 ends at exactly 0 in ceil(1 / step) blocks.
  Start(0, 0, 1, 0.5f, 0.5f, 1);
  for (int i = 0; i < 3; ++i) Advance();
  EnvelopeRelease(&env_);
  EXPECT_EQ(BlocksIn(kEnvStageRelease), int(std::ceil(-1.0f / StageStep(0.5f))));
  EXPECT_EQ(env_.level, 0.0f);
  EXPECT_TRUE(EnvelopeIsOff(&env_));
  // Zero decay drops to the sustain level in one block.
  Start(0, 0, 0.3f, 1, 0.5f, 1);
  Advance(), Advance();
  EXPECT_FLOAT_EQ(Advance(), 0.3f);
}

TEST_F(EnvelopeTest, CurveExponentShapesTheOutput) {
  const float exponents[][2] = {{0.5f, 1.0f}, {0.64f, 3.8f}, {1.0f, 11.0f}, {0.0f, 0.1f}};
  for (const auto& e : exponents) EXPECT_FLOAT_EQ(EnvelopeCurveExponent(e[0]), e[1]) << e[0];
  Start(0, 0, 0.5f, 1, 1.0f, 1);  // a sustained 0.5 comes out as 0.5^e
  for (int i = 0; i < 4; ++i) Advance();
  EXPECT_FLOAT_EQ(Advance(), std::pow(0.5f, 11.0f));
}

class LfoShapes : public synthtest::PatchTest {
 protected:
  void SetLfo(int n, float waveform, float rate, float amount) {
    Set(kParamLfoBase + 4 * n + kLfoWaveform, waveform);
    Set(kParamLfoBase + 4 * n + kLfoRate, rate);
    Set(kParamLfoBase + 4 * n + kLfoAmount, amount);
  }
  float Eval(int n, float t, float previous = 0.0f) {
    return LfoEvaluate(patch_.lfos[n], &t, previous);
  }
};

// Rate 2 gives 4 Hz; amount 0.5 halves every shape.
TEST_F(LfoShapes, ShapesOverOneCycle) {
  const WavetableBank* bank = WavetableBankGet();
  int high = 0;
  for (int i = 0; i < 1000; ++i) {
    const float t = 0.25f * static_cast<float>(i) / 1000;
    const float x = std::fmod(t * kTwoPi * 4.0f, kTwoPi);
    auto shape = [&](int waveform) {
      SetLfo(0, float(waveform), 2.0f, 0.5f);
      return Eval(0, t);
    };
    EXPECT_NEAR(shape(1), 0.5f * std::sin(x), 1e-6f);
    EXPECT_NEAR(shape(2), 0.5f * (x / kPi - 1.0f), 1e-6f);
    high += shape(4) > 0.0f;
    const float triangle = shape(5);
    EXPECT_LE(std::fabs(triangle), 0.5f + 1e-6f);
    if (x < kPi * 0.5f) {
      EXPECT_NEAR(triangle, x / kPi, 1e-6f);
    }
    // Wavetable shapes read position 0 of their bank, at full amount.
    SetLfo(0, float(6 + i % 8), 2.0f, 1.0f);
    const int entry = static_cast<int>(std::lround(x * 2047.0f / kTwoPi));
    ASSERT_EQ(Eval(0, t), bank->tables[64 * (i % 8)][entry]) << i;
  }
  EXPECT_NEAR(high, 250, 2);  // the pulse is high for a quarter of the cycle only
  // Rate 0 holds the phase at 0.
  const float atZero[5] = {0.0f, -1.0f, 1.0f, 1.0f, 0.0f};
  for (int w = 1; w <= 5; ++w) {
    SetLfo(0, float(w), 0.0f, 1.0f);
    for (float t : {0.0f, 0.37f, 12.0f}) EXPECT_EQ(Eval(0, t), atZero[w - 1]) << w;
  }
}

}  // namespace
