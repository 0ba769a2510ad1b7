#include <gtest/gtest.h>

#include <cmath>

#include "synth/block.h"
#include "synth/envelope.h"
#include "synth/lfo.h"
#include "synth/patch.h"
#include "synth/wavetable.h"
#include "synth_fixture.h"

namespace {

class EnvelopeTest : public synthtest::PatchTest {
 protected:
  // Envelope 0 with attack a, decay d, sustain s, release r, curve c, peak p.
  void SetEnvelope(float a, float d, float s, float r, float c, float p) {
    const float values[6] = {a, d, s, r, c, p};
    for (int i = 0; i < 6; ++i) Set(kParamEnvelopeBase + i, values[i]);
  }
  float Advance() { return EnvelopeAdvance(patch_.envelopes[0], &env_); }

  Envelope env_{0.0f, kEnvStageOff};
};

TEST_F(EnvelopeTest, ZeroAttackPeaksInTheSecondBlockAndFullAttackCreeps) {
  SetEnvelope(0, 1, 1, 1, 0.5f, 1);
  EnvelopeTrigger(&env_);
  const float first = Advance();
  EXPECT_NEAR(first, -std::log(0.94 * 1e-9) * 0.0256, 1e-4);  // about 0.532
  EXPECT_EQ(env_.stage, kEnvStageAttack);
  EXPECT_EQ(Advance(), 1.0f);
  EXPECT_EQ(env_.stage, kEnvStageDecay);

  SetEnvelope(1, 1, 1, 1, 0.5f, 1);
  EnvelopeKill(&env_);
  EnvelopeTrigger(&env_);
  EXPECT_NEAR(Advance(), -std::log(0.94) * 0.0256, 1e-7);  // about 0.00158 per block
}

TEST_F(EnvelopeTest, DecayStopsAtSustainTimesPeakThenSustainMovesToSustain) {
  SetEnvelope(0, 0.5f, 0.5f, 1, 0.5f, 0.8f);
  EnvelopeTrigger(&env_);
  Advance();
  Advance();  // at the peak 0.8
  const float decayInc = 0.25f * std::log(0.94f * 0.25f) * 0.0256f;
  int blocks = 0;
  while (env_.stage == kEnvStageDecay && blocks < 100) {
    const float before = env_.level;
    Advance();
    ++blocks;
    if (env_.stage == kEnvStageDecay) {
      EXPECT_NEAR(env_.level - before, decayInc, 1e-6f);
    }
  }
  EXPECT_EQ(env_.stage, kEnvStageSustain);
  EXPECT_FLOAT_EQ(env_.level, 0.4f);
  // The sustain stage rises towards 0.5 (not 0.4) by the decay increment's magnitude.
  Advance();
  EXPECT_NEAR(env_.level, 0.4f - decayInc, 1e-6f);
  for (int i = 0; i < 20; ++i) Advance();
  EXPECT_EQ(env_.level, 0.5f);
  // Zero decay drops to the sustain level in one block.
  SetEnvelope(0, 0, 0.3f, 1, 0.5f, 1);
  EnvelopeKill(&env_);
  EnvelopeTrigger(&env_);
  Advance();
  Advance();
  EXPECT_FLOAT_EQ(Advance(), 0.3f);
  EXPECT_EQ(env_.stage, kEnvStageSustain);
}

TEST_F(EnvelopeTest, ReleaseEndsAtZeroAndFromZeroInTheSameBlock) {
  SetEnvelope(0, 0, 1, 0.5f, 0.5f, 1);
  EnvelopeRelease(&env_);  // from level 0
  EXPECT_EQ(Advance(), 0.0f);
  EXPECT_TRUE(EnvelopeIsOff(&env_));

  EnvelopeTrigger(&env_);
  for (int i = 0; i < 3; ++i) Advance();
  EnvelopeRelease(&env_);
  int blocks = 0;
  while (!EnvelopeIsOff(&env_) && blocks < 1000) {
    Advance();
    ++blocks;
  }
  // Release 0.5: 0.25 x ln(0.94 x 0.25) x 0.0256 per block from 1.
  const float releaseInc = 0.25f * std::log(0.94f * 0.25f) * 0.0256f;
  EXPECT_EQ(blocks, static_cast<int>(std::ceil(-1.0f / releaseInc)));
  EXPECT_EQ(env_.level, 0.0f);
}

TEST_F(EnvelopeTest, CurveExponentShapesTheOutput) {
  const float exponents[][2] = {{0.5f, 1.0f}, {0.64f, 3.8f}, {1.0f, 11.0f}, {0.0f, 0.1f}};
  for (const auto& e : exponents) EXPECT_FLOAT_EQ(EnvelopeCurveExponent(e[0]), e[1]) << e[0];
  // A sustained level of 0.5 comes out as 0.5^e.
  SetEnvelope(0, 0, 0.5f, 1, 1.0f, 1);
  EnvelopeTrigger(&env_);
  for (int i = 0; i < 4; ++i) Advance();
  EXPECT_FLOAT_EQ(Advance(), std::pow(0.5f, 11.0f));
  Set(kParamEnvelopeBase + kEnvCurve, 0.0f);
  EXPECT_FLOAT_EQ(Advance(), std::pow(0.5f, 0.1f));
  EnvelopeKill(&env_);
  EXPECT_EQ(Advance(), 0.0f);
}

// ---- LFOs ---------------------------------------------------------------------------------

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

TEST_F(LfoShapes, RateZeroHoldsThePhaseAtZero) {
  const struct {
    float waveform, expected;
  } cases[] = {{1, 0.0f}, {2, -1.0f}, {3, 1.0f}, {4, 1.0f}, {5, 0.0f}};
  for (const auto& c : cases) {
    SetLfo(0, c.waveform, 0.0f, 1.0f);
    for (float t : {0.0f, 0.37f, 12.0f}) EXPECT_EQ(Eval(0, t), c.expected) << c.waveform;
  }
}

TEST_F(LfoShapes, ShapesOverOneCycle) {
  // Rate 2 gives 4 Hz; amount 0.5 halves every shape.
  int high = 0;
  const int steps = 1000;
  for (int i = 0; i < steps; ++i) {
    const float t = 0.25f * static_cast<float>(i) / steps;
    const float x = std::fmod(t * kTwoPi * 4.0f, kTwoPi);
    SetLfo(0, 1, 2.0f, 0.5f);
    EXPECT_NEAR(Eval(0, t), 0.5f * std::sin(x), 1e-6f);
    SetLfo(0, 2, 2.0f, 0.5f);
    EXPECT_NEAR(Eval(0, t), 0.5f * (x / kPi - 1.0f), 1e-6f);
    SetLfo(0, 5, 2.0f, 0.5f);
    const float tri = Eval(0, t);
    EXPECT_LE(std::fabs(tri), 0.5f + 1e-6f);
    if (x < kPi * 0.5f) {
      EXPECT_NEAR(tri, 0.5f * x / (kPi * 0.5f), 1e-6f);
    }
    SetLfo(0, 4, 2.0f, 0.5f);
    high += Eval(0, t) > 0.0f;
  }
  EXPECT_NEAR(high, steps / 4, 2);  // high for a quarter of the cycle only
}

TEST_F(LfoShapes, WavetableShapesReadPositionZeroOfTheirBank) {
  const WavetableBank* bank = WavetableBankGet();
  const float t = 0.1f;  // rate 1 Hz: x = 0.2 pi
  const float x = std::fmod(t * kTwoPi * 1.0f, kTwoPi);
  const int entry = static_cast<int>(std::lround(x * 2047.0f / kTwoPi));
  for (int w = 6; w <= 13; ++w) {
    SetLfo(0, static_cast<float>(w), 1.0f, 1.0f);
    EXPECT_EQ(Eval(0, t), bank->tables[64 * (w - 6)][entry]) << w;
  }
}

TEST_F(LfoShapes, CombineModesClipSumsAndMultiply) {
  SetLfo(1, 1, 2.0f, 1.0f);
  const float t = 1.0f / 16.0f;  // a quarter of a 4 Hz cycle: sin = 1
  Set(kParamLfoCombineBase + 1, 1.0f);
  EXPECT_EQ(Eval(1, t, 0.8f), 1.0f);
  EXPECT_NEAR(Eval(1, 3 * t, 0.5f), -0.5f, 1e-6f);
  Set(kParamLfoCombineBase + 1, 2.0f);
  EXPECT_NEAR(Eval(1, t, -0.5f), -0.5f, 1e-6f);
  // LFO 0 never combines; an LFO that is off returns 0 whatever its combine mode.
  SetLfo(0, 1, 2.0f, 1.0f);
  EXPECT_NEAR(Eval(0, t, 0.7f), 1.0f, 1e-6f);
  SetLfo(1, 0, 2.0f, 1.0f);
  EXPECT_EQ(Eval(1, t, 0.7f), 0.0f);
}

}  // namespace
