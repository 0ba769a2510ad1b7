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
using synthtest::OscParam;
using synthtest::RenderedAudio;
using synthtest::VoiceTest;

constexpr double kRate = kSampleRate;

// A waveform cycle spans two periods: a voice sounds an octave below its frequency. Semitones
// add to the octave factor (1 + 7/12, not 2^(7/12)), fine tune detunes each side linearly by
// 1/768 per step, the master gain scales by a tenth of its decibel power.
TEST_F(VoiceTest, PitchAndLevelOfTheRenderedSine) {
  const double half = NoteToFrequency(57) / 2.0;
  const double sine = 0.5 / std::sqrt(2.0);  // linear pan 0.5: amplitude 0.5 per side
  RunCases({
      {"note 57", {}, 57, half, half, 0.1 * sine},
      {"octave 1", {{OscParam(0, kOscOctave), 1}}, 57, 2 * half, 2 * half},
      {"semitone 7",
       {{OscParam(0, kOscSemitone), 7}},
       57,
       half * (1 + 7.0 / 12),
       half * (1 + 7.0 / 12)},
      {"fixed 400 Hz", {{OscParam(0, kOscFixedFreq), 20}}, 70, 200, 200},
      {"fine tune",
       {{OscParam(0, kOscFineLeft), 1}, {OscParam(0, kOscFineRight), -0.5f}},
       57,
       half * (1 + 64.0 / 768),
       half * (1 - 8.0 / 768)},
      {"-20 dB", {{kParamMasterGain, -20}}, 57, half, half, 0.001 * sine},
      {"+20 dB", {{kParamMasterGain, 20}}, 57, half, half, 10 * sine},
      {"one unison copy is neither detuned nor panned",
       {{kParamUnisonCopies, 1}, {kParamUnisonDetune, 1}, {kParamUnisonPanSpread, 1}},
       57,
       half,
       half,
       0.1 * sine},
  });
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

namespace {}  // namespace
