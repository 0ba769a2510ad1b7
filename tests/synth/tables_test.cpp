#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "audio_measure.h"
#include "synth/block.h"
#include "synth/fft.h"
#include "synth/noise.h"
#include "synth/oscillator.h"
#include "synth/pad_table.h"
#include "synth/param.h"
#include "synth/tables.h"
#include "synth/voice_gen.h"
#include "synth/wavetable.h"
#include "synth_fixture.h"

namespace {

// Plain values from stored normalised ones: held at the range ends, integers rounded half up
// (negatives towards minus infinity).
TEST(Param, ReadsAndWritesOfNormalisedValues) {
  Param* t = ParamTableCreate();
  const struct {
    int index;
    float norm, plain;
    int integer;
  } rows[] = {{177, 1.5f, 100.0f, 100},  {177, -0.2f, 4.0f, 4}, {177, 0.5f, 52.0f, 52},
              {32, 0.43f, -1.12f, -2},   {32, 0.56f, 0.96f, 1}, {32, 0.37f, -2.08f, -3},
              {32, NAN, NAN, INT32_MIN}, {2, 0.13f, 2.95f, 3},  {5, 0.0f, 1.0f, 1}};
  for (const auto& r : rows) {
    t[r.index].norm = r.norm;
    if (!std::isnan(r.norm)) {
      EXPECT_NEAR(ParamGet(&t[r.index]), r.plain, 1e-5f) << r.index;
    }
    EXPECT_EQ(ParamGetInt(&t[r.index]), r.integer) << r.index << " " << r.norm;
  }
  ParamTableDestroy(t);
  const float halves[][2] = {{2.5f, 3}, {2.49f, 2}, {-0.12f, -1}, {-2.0f, -2}, {-0.5f, -1}};
  for (const auto& h : halves) EXPECT_EQ(RoundHalfUp(h[0]), h[1]) << h[0];
}

TEST(SharedTables, NoteFrequenciesAreARunningProductOfSemitones) {
  synthtest::EnsureSharedTables();
  EXPECT_EQ(NoteToFrequency(0), 16.35f);
  for (int n = 12; n < kNoteCount; ++n) {
    EXPECT_NEAR(NoteToFrequency(n) / NoteToFrequency(n - 12), 2.0, 1e-5) << n;
  }
  EXPECT_NEAR(NoteToFrequency(57), 440.0, 0.1);
}

constexpr double kPi = 3.14159265358979323846;

// X[k] = sum x[t] e^(+2 pi i k t / n), in double precision.
std::vector<std::complex<double>> DirectDft(const std::vector<float>& data, int n) {
  std::vector<std::complex<double>> out(n);
  for (int k = 0; k < n; ++k) {
    std::complex<double> sum = 0.0;
    for (int t = 0; t < n; ++t) {
      const double angle = 2.0 * kPi * static_cast<double>((static_cast<int64_t>(k) * t) % n) / n;
      sum += std::complex<double>(data[2 * t], data[2 * t + 1]) * std::polar(1.0, angle);
    }
    out[k] = sum;
  }
  return out;
}

TEST(ComplexFft, MatchesADirectTransformOnRandomData) {
  std::mt19937 rng(7);
  std::uniform_real_distribution<float> uniform(-1.0f, 1.0f);
  for (int n : {64, 256, 2048}) {
    std::vector<float> data(2 * n);
    for (float& v : data) v = uniform(rng);
    const std::vector<std::complex<double>> expected = DirectDft(data, n);
    ComplexFft(data.data(), n);
    double worst = 0.0, scale = 0.0;
    for (int k = 0; k < n; ++k) {
      worst = std::fmax(worst,
                        std::abs(std::complex<double>(data[2 * k], data[2 * k + 1]) - expected[k]));
      scale = std::fmax(scale, std::abs(expected[k]));
    }
    EXPECT_LT(worst / scale, 2e-5) << "n = " << n;
  }
}

TEST(WavetableBank, EveryTableIsFiniteAndWithinUnitRange) {
  synthtest::EnsureSharedTables();
  const WavetableBank* bank = WavetableBankGet();
  for (int t = 0; t < kWavetableCount; ++t) {
    float lo = 0.0f, hi = 0.0f;
    for (int i = 0; i < kWavetableSize; ++i) {
      const float v = bank->tables[t][i];
      ASSERT_TRUE(std::isfinite(v)) << t << " " << i;
      lo = std::fmin(lo, v);
      hi = std::fmax(hi, v);
    }
    EXPECT_GE(lo, t / 64 == 3 ? 0.0f : -1.0f) << t;  // bank 3 is clamped to [0, 1]
    EXPECT_LE(hi, 1.0f) << t;
    EXPECT_GT(hi - lo, 0.01f) << t;  // no table is flat
    // The shifted banks are normalised to a peak of exactly 1.
    if (t >= 4 * 64) {
      EXPECT_FLOAT_EQ(std::fmax(hi, -lo), 1.0f) << t;
    }
  }
}

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

// The loop is normalised to a peak of 1 / sqrt 2, also when b = 2 makes harmonic 1's
// denominator 0 and b = 1.5 harmonic 2's.
TEST_F(VoiceTest, PadLoopsAreFiniteAndNormalised) {
  for (float b : {0.5f, 1.5f, 2.0f}) {
    const Oscillator* osc = patch_.oscillators[0];
    OscillatorUpdatePadTable(patch_.oscillators[0], 0.2f, b, 1.0f);
    const std::vector<float> table(osc->padTable, osc->padTable + kPadTableSize);
    EXPECT_NEAR(audiotest::PeakAbs(table), 1.0 / 1.4142, 1e-6) << b;
  }
}

// ---- Noise --------------------------------------------------------------------------------

TEST(SharedTables, NoiseIsUniformOverMinusOneToOne) {
  synthtest::EnsureSharedTables();
  double sum = 0.0, squares = 0.0, lo = 0.0, hi = 0.0;
  for (int i = 0; i < kNoiseTableSize; ++i) {
    const double v = NoiseTableEntry(i);
    sum += v, squares += v * v, lo = std::fmin(lo, v), hi = std::fmax(hi, v);
  }
  const double mean = sum / kNoiseTableSize;
  EXPECT_NEAR(mean, 0.0, 0.01);
  EXPECT_NEAR(squares / kNoiseTableSize - mean * mean, 1.0 / 3.0, 0.01);
  EXPECT_TRUE(lo >= -1.0 && lo < -0.999 && hi > 0.999 && hi <= 1.0001) << lo << " " << hi;
}

// Mean power in dB of the noise's left side between f0 and f1 Hz.
double BandDb(const std::vector<double>& power, int segment, double f0, double f1) {
  double sum = 0.0;
  const int k0 = int(f0 * segment / kSampleRate), k1 = int(f1 * segment / kSampleRate);
  for (int k = k0; k < k1; ++k) sum += power[k];
  return 10.0 * std::log10(sum / (k1 - k0));
}

// Pink noise falls 3 dB per octave, white noise is flat.
TEST_F(VoiceTest, PinkAndWhiteSpectraAndOneStreamOfWhiteNoise) {
  Set(kParamNoiseLevel, 1.0f);
  Set(kParamNoisePan, 0.5f);
  Set(kParamMasterGain, 20.0f);  // x 10: the noise level itself
  for (int type : {2, 1}) {
    Set(kParamNoiseType, float(type));
    StartNote(60);
    const std::vector<double> power = audiotest::PowerSpectrum(Render(512).left, 4096);
    EXPECT_NEAR(BandDb(power, 4096, 3200, 6400) - BandDb(power, 4096, 200, 400),
                type == 2 ? -12.0 : 0.0, 2.0)
        << type;
  }
  VoiceGenClear(voice_.gen, &patch_);
  StartNote(60);
  const synthtest::RenderedAudio a = Render(256);
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
