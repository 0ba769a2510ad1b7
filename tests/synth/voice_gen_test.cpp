#include <gtest/gtest.h>

#include <cmath>

#include "audio_measure.h"
#include "synth/biquad.h"
#include "synth/block.h"
#include "synth/envelope.h"
#include "synth/lfo.h"
#include "synth/oscillator.h"
#include "synth/tables.h"
#include "synth/voice_gen.h"
#include "synth_fixture.h"

namespace {

using audiotest::PeakFrequency;
using audiotest::Rms;
using synthtest::OscParam;
using synthtest::RenderedAudio;
using synthtest::VoiceTest;

constexpr double kRate = kSampleRate;

// The rendered sound without its first block, where every note fades in.
std::vector<float> AfterFadeIn(const std::vector<float>& x) {
  return std::vector<float>(x.begin() + kBlockFrames, x.end());
}

TEST_F(VoiceTest, SineSoundsAnOctaveBelowTheNoteAndFollowsTheOctave) {
  UseSine();
  StartNote(57);  // 440 Hz in the note table; a waveform cycle spans two periods
  RenderedAudio a = Render(64);
  EXPECT_NEAR(PeakFrequency(AfterFadeIn(a.left), kRate, 50, 2000), 220.0, 0.5);
  EXPECT_NEAR(PeakFrequency(AfterFadeIn(a.right), kRate, 50, 2000), 220.0, 0.5);

  Set(OscParam(0, kOscOctave), 1.0f);
  a = Render(64);
  EXPECT_NEAR(PeakFrequency(a.left, kRate, 50, 2000), 440.0, 0.5);
}

TEST_F(VoiceTest, SemitonesAddToTheOctaveFactorAndFixedFrequencyIgnoresTheNote) {
  UseSine();
  Set(OscParam(0, kOscSemitone), 7.0f);  // factor 1 + 7/12, not 2^(7/12)
  StartNote(57);
  const double f = NoteToFrequency(57);
  RenderedAudio a = Render(64);
  EXPECT_NEAR(PeakFrequency(AfterFadeIn(a.left), kRate, 50, 2000), f * (1.0 + 7.0 / 12) / 2, 0.5);

  Set(OscParam(0, kOscSemitone), 0.0f);
  Set(OscParam(0, kOscFixedFreq), 20.0f);  // 400 Hz whatever the note
  a = Render(64);
  EXPECT_NEAR(PeakFrequency(a.left, kRate, 50, 2000), 200.0, 0.5);
}

TEST_F(VoiceTest, FineTuneDetunesEachSideLinearly) {
  UseSine();
  Set(OscParam(0, kOscFineLeft), 1.0f);    // x (1 + 64/768)
  Set(OscParam(0, kOscFineRight), -0.5f);  // x (1 - 8/768)
  StartNote(57);
  const double half = NoteToFrequency(57) / 2.0;
  RenderedAudio a = Render(64);
  EXPECT_NEAR(PeakFrequency(AfterFadeIn(a.left), kRate, 50, 2000), half * (1 + 64.0 / 768), 0.5);
  EXPECT_NEAR(PeakFrequency(AfterFadeIn(a.right), kRate, 50, 2000), half * (1 - 8.0 / 768), 0.5);
}

TEST_F(VoiceTest, UnisonCopiesSpreadInPitchOnBothSides) {
  UseSine();
  Set(kParamUnisonCopies, 3.0f);
  Set(kParamUnisonDetune, 0.9f);  // copy offsets 0, 0.3, 0.6 left and 0, -0.3, -0.6 right
  StartNote(57);
  const float f = NoteToFrequency(57);
  RenderedAudio a = Render(1024);
  // The right side is set up last, so each copy's state holds its right-side frequency.
  for (int u = 0; u < 3; ++u) {
    const float detune = 16.0f * -(u * (0.9f / 3.0f));
    EXPECT_FLOAT_EQ(voice_.gen->oscState[3 * u].frequency, f * (1.0f + detune / 768.0f)) << u;
  }
  // Copies 1 and 2 start from phase 0 (only copy 0 gets start phases): three separate peaks.
  for (int u = 0; u < 3; ++u) {
    const double left = f / 2.0 * (1.0 + 16.0 * 0.3 * u / 768.0);
    const double right = f / 2.0 * (1.0 - 16.0 * 0.3 * u / 768.0);
    EXPECT_NEAR(PeakFrequency(a.left, kRate, left - 0.5, left + 0.5), left, 0.1) << u;
    EXPECT_NEAR(PeakFrequency(a.right, kRate, right - 0.5, right + 0.5), right, 0.1) << u;
  }
}

TEST_F(VoiceTest, MasterGainScalesByATenthOfTheDecibelPower) {
  UseSine();
  StartNote(57);
  const struct {
    float db;
    double factor;
  } cases[] = {{-20.0f, 0.001}, {0.0f, 0.1}, {20.0f, 10.0}};
  Render(1);  // past the fade-in
  for (const auto& c : cases) {
    Set(kParamMasterGain, c.db);
    const RenderedAudio a = Render(16);
    // Linear pan 0.5 gives each side half the level: a sine of amplitude 0.5 before the gain.
    EXPECT_NEAR(Rms(a.left) / (0.5 / std::sqrt(2.0)), c.factor, c.factor * 0.01) << c.db;
  }
}

TEST_F(VoiceTest, NoteFadesInOverItsFirstBlockAndEndsAfterTheGateCloses) {
  UseSine();
  Set(OscParam(0, kOscPanLaw), 1.0f);  // equal power: sqrt(0.5) per side
  StartNote(57);
  std::vector<bool> sounded;
  RenderedAudio a = Render(2, &sounded);
  EXPECT_EQ(a.left[0], 0.0f);
  double firstHalf = 0, secondHalf = 0;
  for (int i = 0; i < 128; ++i) firstHalf = std::fmax(firstHalf, std::fabs(a.left[i]));
  for (int i = 128; i < 256; ++i) secondHalf = std::fmax(secondHalf, std::fabs(a.left[i]));
  EXPECT_LT(firstHalf, 0.5 * 0.1 * std::sqrt(0.5) + 1e-6);
  EXPECT_GT(secondHalf, 0.5 * 0.1 * std::sqrt(0.5));
  EXPECT_NEAR(audiotest::PeakAbs(std::vector<float>(a.left.begin() + 256, a.left.end())),
              0.1 * std::sqrt(0.5), 1e-3);

  voice_.gate = 0;  // no level envelope: the gate is the level
  sounded.clear();
  a = Render(3, &sounded);
  EXPECT_TRUE(sounded[0]);   // fades out to 0 over this block
  EXPECT_FALSE(sounded[1]);  // both saved amplitudes are 0: silent
  EXPECT_NEAR(a.left[kBlockFrames - 1], 0.0f, 2e-3f);
  for (int i = kBlockFrames; i < 3 * kBlockFrames; ++i) ASSERT_EQ(a.left[i], 0.0f);
}

TEST_F(VoiceTest, SilentVoiceSkipsItsFiltersAndGain) {
  // A low-pass that would ring from its stored history, but nothing sounds.
  Set(176, 1.0f);
  StartNote(57);
  voice_.gen->biquads[0].leftY1 = 0.5f;
  std::vector<bool> sounded;
  const RenderedAudio a = Render(2, &sounded);
  EXPECT_FALSE(sounded[0]);
  EXPECT_EQ(audiotest::PeakAbs(a.left), 0.0);
}

// Parallel routing sums each filter applied to the same input; series chains them.
TEST_F(VoiceTest, FilterRoutingSeriesAndParallel) {
  UseSine();
  Set(OscParam(0, kOscWaveform), 2.0f);  // a saw, rich in harmonics
  Set(177, 30.0f);                       // low-pass at 900 Hz
  Set(184, 20.0f);                       // high-pass at 400 Hz
  StartNote(57);
  const RenderedAudio dry = Render(4);

  for (int routing = 0; routing <= 1; ++routing) {
    VoiceGenClear(voice_.gen, &patch_);
    StartNote(57);
    Set(kParamFilterRouting, static_cast<float>(routing));
    Set(176, 1.0f);
    Set(183, 1.0f);
    const RenderedAudio wet = Render(4);
    Set(176, 0.0f);
    Set(183, 0.0f);

    // Reference: the dry render without its master gain, filtered by the designed sections,
    // then the gain again.
    Biquad low{}, high{};
    BiquadDesign(patch_.filters[0], &low, &voice_, kSampleRate);
    BiquadDesign(patch_.filters[1], &high, &voice_, kSampleRate);
    for (int b = 0; b < 4; ++b) {
      float inL[kBlockFrames], inR[kBlockFrames], outL[kBlockFrames] = {}, outR[kBlockFrames] = {};
      for (int i = 0; i < kBlockFrames; ++i) {
        inL[i] = dry.left[b * kBlockFrames + i] / 0.1f;
        inR[i] = dry.right[b * kBlockFrames + i] / 0.1f;
      }
      StereoPair in{inL, inR}, out{outL, outR};
      if (routing == 1) {
        BiquadRun(out, in, &low, 1.0f);
        BiquadRun(out, in, &high, 1.0f);
      } else {
        BiquadRun(in, in, &low, 0.0f);
        BiquadRun(out, in, &high, 0.0f);
      }
      for (int i = 0; i < kBlockFrames; ++i) {
        ASSERT_NEAR(wet.left[b * kBlockFrames + i], outL[i] * 0.1f, 1e-5f) << routing << " " << i;
        ASSERT_NEAR(wet.right[b * kBlockFrames + i], outR[i] * 0.1f, 1e-5f) << routing << " " << i;
      }
    }
  }
}

TEST_F(VoiceTest, RetriggerKeepsPhasesAndRestartsOnlyRetriggeredLfos) {
  UseSine();
  Set(kParamLfoBase + kLfoWaveform, 1.0f);
  Set(kParamLfoBase + kLfoRate, 2.0f);
  Set(kParamLfoBase + kLfoAmount, 1.0f);
  Set(kParamLfoBase + 4 + kLfoWaveform, 1.0f);
  Set(kParamLfoBase + 4 + kLfoRetrigger, 1.0f);
  Set(kParamLfoBase + 4 + kLfoRate, 2.0f);
  Set(kParamLfoBase + 4 + kLfoAmount, 1.0f);
  StartNote(57);
  Render(5);
  const float phase = voice_.gen->oscState[0].savedLeftPhase;
  VoiceRetrigger(&voice_);
  EXPECT_EQ(voice_.gen->age, 0.0f);
  EXPECT_GT(voice_.gen->lifetime, 0.0f);
  EXPECT_EQ(voice_.gen->oscState[0].savedLeftPhase, phase);
  EXPECT_NE(voice_.gen->lfoPhase[0], 0.0f);
  EXPECT_EQ(voice_.gen->lfoPhase[1], 0.0f);
  EXPECT_EQ(voice_.gen->lfoValue[1], 0.0f);
  EXPECT_TRUE(EnvelopeIsOff(&voice_.gen->envelopes[0]));

  VoiceClear(&voice_);
  EXPECT_EQ(voice_.gen->oscState[0].savedLeftPhase, 0.0f);
  EXPECT_EQ(voice_.active, 0);
}

}  // namespace

namespace {

TEST_F(VoiceTest, OneUnisonCopyIsNeitherDetunedNorPanned) {
  UseSine();
  Set(kParamUnisonCopies, 1.0f);
  Set(kParamUnisonDetune, 1.0f);
  Set(kParamUnisonPanSpread, 1.0f);
  StartNote(57);
  Render(8);
  EXPECT_EQ(voice_.gen->oscState[0].frequency, NoteToFrequency(57));
  EXPECT_EQ(voice_.gen->oscState[0].savedLeftAmplitude, 0.5f);
  EXPECT_EQ(voice_.gen->oscState[0].savedRightAmplitude, 0.5f);
  EXPECT_EQ(voice_.gen->oscState[3].frequency, 0.0f);  // copy 1 never rendered
}

}  // namespace
