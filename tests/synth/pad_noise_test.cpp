#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "audio_measure.h"
#include "synth/block.h"
#include "synth/noise.h"
#include "synth/oscillator.h"
#include "synth/pad_table.h"
#include "synth/tables.h"
#include "synth/voice_gen.h"
#include "synth_fixture.h"

namespace {

using synthtest::OscParam;
using synthtest::VoiceTest;

// ---- PAD tables ---------------------------------------------------------------------------

// The band sum over every bin, as the reference for the banded loop.
void BandsEveryBin(float B, float cents, int H, const float* A, float* S) {
  const float bwf = (std::pow(2.0f, cents * 0.00083333335f) - 1.0f) * B;
  for (int h = 1; h < H; ++h) {
    const float bwi = bwf * static_cast<float>(h) / 88200.0f;
    const float fh = static_cast<float>(h) * B / 44100.0f;
    for (int i = 0; i < kPadTableSize; ++i) {
      const float x = (static_cast<float>(i) / 131072.0f - fh) / bwi;
      if (x * x > 14.71280603f) continue;
      S[i] += std::exp(-(x * x)) / bwi * A[h];
    }
  }
}

TEST(PadTable, BandedSpectrumIsBitIdenticalToTheFullLoop) {
  synthtest::EnsureSharedTables();
  const float B = NoteToFrequency(30);
  for (float cents : {2.56f, 25.6f, 128.0f}) {
    const int H = 271;
    std::vector<float> A(H);
    for (int h = 1; h < H; ++h) A[h] = (h % 2 ? 1.0f : 2.0f) / (0.3f * h + 1.0f);
    std::vector<float> banded(kPadTableSize, 0.0f), full(kPadTableSize, 0.0f);
    PadSynthBands(B, cents, H, A.data(), banded.data());
    BandsEveryBin(B, cents, H, A.data(), full.data());
    EXPECT_EQ(std::memcmp(banded.data(), full.data(), kPadTableSize * sizeof(float)), 0) << cents;
  }
}

class PadTest : public VoiceTest {
 protected:
  std::vector<float> TableOf(const Oscillator* osc) {
    return std::vector<float>(osc->padTable, osc->padTable + kPadTableSize);
  }
};

// The loop is normalised to a peak of 1 / sqrt 2, also when b = 2 makes harmonic 1's
// denominator 0 and b = 1.5 harmonic 2's.
TEST_F(PadTest, LoopsAreFiniteAndNormalised) {
  for (float b : {0.5f, 1.5f, 2.0f}) {
    OscillatorUpdatePadTable(patch_.oscillators[0], 0.2f, b, 1.0f);
    const std::vector<float> table = TableOf(patch_.oscillators[0]);
    EXPECT_NEAR(audiotest::PeakAbs(table), 1.0 / 1.4142, 1e-6) << b;
  }
}

// ---- Noise --------------------------------------------------------------------------------

using NoiseTable = synthtest::PatchTest;

TEST_F(NoiseTable, IsUniformOverMinusOneToOne) {
  double sum = 0.0, squares = 0.0, lo = 0.0, hi = 0.0;
  for (int i = 0; i < kNoiseTableSize; ++i) {
    const double v = NoiseTableEntry(i);
    sum += v;
    squares += v * v;
    lo = std::fmin(lo, v);
    hi = std::fmax(hi, v);
  }
  const double mean = sum / kNoiseTableSize;
  EXPECT_NEAR(mean, 0.0, 0.01);
  EXPECT_NEAR(squares / kNoiseTableSize - mean * mean, 1.0 / 3.0, 0.01);
  EXPECT_GE(lo, -1.0);
  EXPECT_LE(hi, 1.0001);
  EXPECT_LT(lo, -0.999);
  EXPECT_GT(hi, 0.999);
}

class NoiseTest : public VoiceTest {
 protected:
  void UseNoise(float type) {
    Set(kParamNoiseType, type);
    Set(kParamNoiseLevel, 1.0f);
    Set(kParamNoisePan, 0.5f);
    Set(kParamMasterGain, 20.0f);  // x 10: the noise level itself
  }
};

TEST_F(NoiseTest, PinkNoiseFallsThreeDecibelsPerOctave) {
  UseNoise(2);
  StartNote(60);
  const synthtest::RenderedAudio a = Render(512);
  const int segment = 4096;
  const std::vector<double> power = audiotest::PowerSpectrum(a.left, segment);
  // Mean power over one-octave bands from 200 Hz up; fit the slope per octave.
  double sx = 0, sy = 0, sxx = 0, sxy = 0;
  int n = 0;
  for (double f0 = 200.0; f0 * 2.0 <= 5100.0; f0 *= 2.0, ++n) {
    double p = 0.0;
    int bins = 0;
    for (int k = static_cast<int>(f0 * segment / kSampleRate);
         k < static_cast<int>(2 * f0 * segment / kSampleRate); ++k, ++bins) {
      p += power[k];
    }
    const double x = std::log2(f0), y = 10.0 * std::log10(p / bins);
    sx += x, sy += y, sxx += x * x, sxy += x * y;
  }
  const double slope = (n * sxy - sx * sy) / (n * sxx - sx * sx);
  EXPECT_NEAR(slope, -3.0, 0.6);
}

TEST_F(NoiseTest, WhiteNoiseIsFlatAndVoicesContinueOneStream) {
  UseNoise(1);
  StartNote(60);
  const synthtest::RenderedAudio a = Render(256);
  const std::vector<double> power = audiotest::PowerSpectrum(a.left, 1024);
  const double low = power[20] + power[21] + power[22], high = power[400] + power[401] + power[402];
  EXPECT_NEAR(10.0 * std::log10(high / low), 0.0, 3.0);
  // 256 blocks of 512 entries: twice round the table, back at its start.
  EXPECT_EQ(patch_.noise->position, 0);
  // Block b reads entries 512 b on: left from even, right from odd entries; linear pan 0.5 and
  // master x 10 leave a gain of 5, faded in over the first block.
  for (int i = 0; i < 2 * kBlockFrames; i += 7) {
    const float gain = 5.0f * std::fmin(1.0f, i / 256.0f);
    ASSERT_FLOAT_EQ(a.left[i], NoiseTableEntry(2 * i) * gain) << i;
    ASSERT_FLOAT_EQ(a.right[i], NoiseTableEntry(2 * i + 1) * gain) << i;
  }
}

}  // namespace
