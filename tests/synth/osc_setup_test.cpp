#include <gtest/gtest.h>

#include <cmath>

#include "synth/block.h"
#include "synth/osc_setup.h"
#include "synth/oscillator.h"
#include "synth/tables.h"
#include "synth/voice_gen.h"
#include "synth_fixture.h"

namespace {

using synthtest::OscParam;

class OscSetupTest : public synthtest::VoiceTest {
 protected:
  void SetUp() override {
    VoiceTest::SetUp();
    UseSine();
    StartNote(57);
    osc_ = patch_.oscillators[0];
    st_ = &voice_.gen->oscState[0];
  }
  void SetOsc(int offset, float plain) { Set(OscParam(0, offset), plain); }
  void SetupBoth(float sigma = 0.0f, float delta = 0.0f) {
    OscillatorSetupLeft(osc_, &voice_, sigma, delta, st_);
    left_ = *st_;
    OscillatorSetupRight(osc_, &voice_, -sigma, -delta, st_);
    right_ = *st_;
  }

  Oscillator* osc_ = nullptr;
  OscVoiceState* st_ = nullptr;
  OscVoiceState left_{}, right_{};
};

TEST_F(OscSetupTest, OctaveAndSemitoneFactors) {
  const float f = voice_.frequency;
  const struct {
    float octave, semitone, factor;
  } cases[] = {{-2, 0, 0.25f},
               {0, 12, 2.0f},
               {1, 0, 2.0f},
               {0, 7, 1.0f + 7.0f / 12.0f},
               {-8, -12, 0.0f}};  // 2^-8 - 1 < 0: held at 0
  for (const auto& c : cases) {
    SetOsc(kOscOctave, c.octave);
    SetOsc(kOscSemitone, c.semitone);
    EXPECT_FLOAT_EQ(OscillatorModulate(osc_, &voice_).frequency, f * c.factor) << c.octave;
  }
  // A stored octave of -1.12 reads as -2.
  PatchParam(&patch_, OscParam(0, kOscOctave))->norm = (8.0f - 1.12f) / 16.0f;
  SetOsc(kOscSemitone, 0);
  EXPECT_FLOAT_EQ(OscillatorModulate(osc_, &voice_).frequency, f * 0.25f);
}

TEST_F(OscSetupTest, FrequencyFromFixedValueEnvelopeAndLfo) {
  SetOsc(kOscFixedFreq, 10.0f);
  EXPECT_FLOAT_EQ(OscillatorModulate(osc_, &voice_).frequency, 100.0f);
  SetOsc(kOscFreqEnv, 2.0f);
  SetOsc(kOscFreqLfo, 3.0f);
  voice_.gen->envValue[1] = 0.5f;
  voice_.gen->lfoValue[2] = -0.5f;
  EXPECT_FLOAT_EQ(OscillatorModulate(osc_, &voice_).frequency, 100.0f * 0.5f * 0.25f);
}

// Linear and equal-power pan laws; a unison pan offset sigma moves the left render to
// pan + sigma and the right one to pan - sigma; the velocity scales both sides.
TEST_F(OscSetupTest, PanLawsAndUnisonPanOffsets) {
  const struct {
    float pan, law, sigma, velocity, left, right;
  } rows[] = {{0.0f, 0, 0, 1, 1.0f, 0.0f},
              {0.5f, 1, 0, 1, std::sqrt(0.5f), std::sqrt(0.5f)},
              {0.5f, 1, 0.4f, 1, std::sqrt(0.4f), std::sqrt(0.4f)},  // pans 0.6 and 0.4
              {0.5f, 0, 0.4f, 0.5f, 0.4f * 0.5f, 0.4f * 0.5f}};
  for (const auto& r : rows) {
    SetOsc(kOscPan, r.pan);
    SetOsc(kOscPanLaw, r.law);
    voice_.velocity = r.velocity;
    SetupBoth(r.sigma);
    EXPECT_NEAR(left_.amplitude, r.left, 1e-4f) << r.pan << " " << r.law << " " << r.sigma;
    EXPECT_NEAR(right_.amplitude, r.right, 1e-4f) << r.pan << " " << r.law << " " << r.sigma;
  }
}

TEST_F(OscSetupTest, DetuneIsCubicInFineTuneAndClamped) {
  const float f = voice_.frequency;
  SetOsc(kOscFineLeft, 0.5f);  // 64 x 0.125 = 8
  SetOsc(kOscFineRight, -1.0f);
  SetupBoth(0.0f, 0.6f);  // + 16 x 0.6 left, - 16 x 0.6 right
  EXPECT_FLOAT_EQ(left_.frequency, f * (1.0f + (8.0f + 9.6f) / 768.0f));
  EXPECT_FLOAT_EQ(right_.frequency, f * (1.0f - 64.0f / 768.0f));  // -73.6 clamped to -64
}

TEST_F(OscSetupTest, PulseWidthSweepsWithTheVoiceClock) {
  SetOsc(kOscPulseWidth, 0.25f);
  SetupBoth();
  EXPECT_FLOAT_EQ(left_.shape, kTwoPi * 0.25f);
  SetOsc(kOscPwmRate, 0.5f);    // one sweep per 2 s
  voice_.gen->lifetime = 0.5f;  // left clock: a quarter sweep, sin = 1
  voice_.gen->age = 1.5f;       // right clock: three quarters, sin = -1
  SetupBoth();
  EXPECT_NEAR(left_.shape, kPi + 0.95f * kPi, 1e-5f);
  EXPECT_NEAR(right_.shape, kPi - 0.95f * kPi, 1e-5f);
}

TEST_F(OscSetupTest, SilenceFollowsTheLevelEnvelopeOrTheGate) {
  EXPECT_FALSE(OscillatorIsSilent(osc_, &voice_, st_));
  voice_.gate = 0;
  st_->savedLeftAmplitude = 0.2f;
  EXPECT_FALSE(OscillatorIsSilent(osc_, &voice_, st_));  // still fading out
  SetupBoth();
  EXPECT_EQ(left_.amplitude, 0.0f);
  st_->savedLeftAmplitude = st_->savedRightAmplitude = 0.0f;
  EXPECT_TRUE(OscillatorIsSilent(osc_, &voice_, st_));
  // With a level envelope the gate does not matter, only whether that envelope is off.
  SetOsc(kOscLevelEnv, 1.0f);
  EXPECT_FALSE(OscillatorIsSilent(osc_, &voice_, st_));
  EnvelopeKill(&voice_.gen->envelopes[0]);
  EXPECT_TRUE(OscillatorIsSilent(osc_, &voice_, st_));
  SetOsc(kOscWaveform, 0.0f);
  voice_.gate = 1;
  EXPECT_TRUE(OscillatorIsSilent(osc_, &voice_, st_));
}

}  // namespace
