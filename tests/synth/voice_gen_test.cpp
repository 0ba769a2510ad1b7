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
  // Linear pan 0.5 gives amplitude 0.5 per side, master 0 dB x 0.1: rms 0.05 / sqrt 2.
  const double half = NoteToFrequency(57) / 2.0, rms = 0.05 / std::sqrt(2.0);
  const int fineL = OscParam(0, kOscFineLeft), fineR = OscParam(0, kOscFineRight);
  const int copies = kParamUnisonCopies, detune = kParamUnisonDetune,
            spread = kParamUnisonPanSpread;
  RunCases({
      {"note 57", {}, 57, half, half, rms},
      {"octave 1", {{OscParam(0, kOscOctave), 1}}, 57, 2 * half, 2 * half},
      {"semitone 7", {{OscParam(0, kOscSemitone), 7}}, 57, half * 19 / 12, half * 19 / 12},
      {"fixed 400 Hz", {{OscParam(0, kOscFixedFreq), 20}}, 70, 200, 200},
      {"fine tune", {{fineL, 1}, {fineR, -0.5f}}, 57, half * 832 / 768, half * 760 / 768},
      {"-20 dB", {{kParamMasterGain, -20}}, 57, half, half, rms / 100},
      {"+20 dB", {{kParamMasterGain, 20}}, 57, half, half, rms * 100},
      // One unison copy is neither detuned nor panned.
      {"unison of one", {{copies, 1}, {detune, 1}, {spread, 1}}, 57, half, half, rms},
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
  const double level = 0.1 * std::sqrt(0.5);
  auto peak = [&](int from, int to) {
    return audiotest::PeakAbs(std::vector<float>(a.left.begin() + from, a.left.begin() + to));
  };
  EXPECT_EQ(a.left[0], 0.0f);
  EXPECT_LT(peak(0, 128), 0.5 * level + 1e-6);
  EXPECT_GT(peak(128, 256), 0.5 * level);
  EXPECT_NEAR(peak(256, 512), level, 1e-3);
  voice_.gate = 0;  // no level envelope: the gate is the level
  sounded.clear();
  a = Render(3, &sounded);
  EXPECT_TRUE(sounded[0]);   // fades out to 0 over this block
  EXPECT_FALSE(sounded[1]);  // both saved amplitudes are 0: silent
  EXPECT_NEAR(a.left[kBlockFrames - 1], 0.0f, 2e-3f);
  EXPECT_EQ(peak(kBlockFrames, 3 * kBlockFrames), 0.0);
}

}  // namespace
