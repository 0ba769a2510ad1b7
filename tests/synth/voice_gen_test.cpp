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

}  // namespace
