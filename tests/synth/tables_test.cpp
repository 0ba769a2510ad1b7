#include <complex>
#include <random>

#include "synth/fft.h"
#include "synth/pad_table.h"
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
  } rows[] = {{177, 1.5f, 100.0f, 100}, {177, -0.2f, 4.0f, 4}, {177, 0.5f, 52.0f, 52},
              {32, 0.43f, -1.12f, -2},  {32, 0.56f, 0.96f, 1}, {32, 0.37f, -2.08f, -3},
              {2, 0.13f, 2.95f, 3},     {5, 0.0f, 1.0f, 1}};
  for (const auto& r : rows) {
    t[r.index].norm = r.norm;
    EXPECT_NEAR(ParamGet(&t[r.index]), r.plain, 1e-5f) << r.index;
    EXPECT_EQ(ParamGetInt(&t[r.index]), r.integer) << r.index << " " << r.norm;
  }
  t[32].norm = NAN;
  EXPECT_EQ(ParamGetInt(&t[32]), INT32_MIN);
  ParamTableDestroy(t);
  const float halves[][2] = {{2.5f, 3}, {2.49f, 2}, {-0.12f, -1}, {-2.0f, -2}, {-0.5f, -1}};
  for (const auto& h : halves) EXPECT_EQ(RoundHalfUp(h[0]), h[1]) << h[0];
}

// Notes a running product of semitones from 16.35 Hz. What the wavetables and the noise table
// hold is held by the song's reference checksums (the song plays every bank and noise type).
TEST(SharedTables, NotesAreARunningProductOfSemitones) {
  EnsureSharedTables();
  EXPECT_EQ(NoteToFrequency(0), 16.35f);
  for (int n = 12; n < kNoteCount; ++n)
    EXPECT_NEAR(NoteToFrequency(n) / NoteToFrequency(n - 12), 2.0, 1e-5) << n;
  EXPECT_NEAR(NoteToFrequency(57), 440.0, 0.1);
}

// Against X[k] = sum x[t] e^(+2 pi i k t / n), in double precision.
TEST(ComplexFft, MatchesADirectTransformOnRandomData) {
  std::mt19937 rng(7);
  std::uniform_real_distribution<float> uniform(-1.0f, 1.0f);
  for (int n : {64, 256, 2048}) {
    std::vector<float> x(2 * n);
    for (float& v : x) v = uniform(rng);
    std::vector<float> fft = x;
    ComplexFft(fft.data(), n);
    double worst = 0.0, scale = 0.0;
    for (int k = 0; k < n; ++k) {
      std::complex<double> sum = 0.0;
      for (int t = 0; t < n; ++t)
        sum += std::complex<double>(x[2 * t], x[2 * t + 1]) *
               std::polar(1.0, 2.0 * kPi * double((int64_t(k) * t) % n) / n);
      worst = std::fmax(worst, std::abs(std::complex<double>(fft[2 * k], fft[2 * k + 1]) - sum));
      scale = std::fmax(scale, std::abs(sum));
    }
    EXPECT_LT(worst / scale, 2e-5) << "n = " << n;
  }
}

// The loop is normalised to a peak of 1 / sqrt 2, also when b = 2 makes harmonic 1's
// denominator 0 and b = 1.5 harmonic 2's.
TEST_F(PatchTest, PadLoopsAreFiniteAndNormalised) {
  const Oscillator* osc = patch_.oscillators[0];
  for (float b : {0.5f, 1.5f, 2.0f}) {
    OscillatorUpdatePadTable(patch_.oscillators[0], 0.2f, b, 1.0f);
    const std::vector<float> table(osc->padTable, osc->padTable + kPadTableSize);
    EXPECT_NEAR(PeakAbs(table), 1.0 / 1.4142, 1e-6) << b;
  }
}

// The voice reads one stream of the white-noise table: block b reads entries 512 b on, left
// from even, right from odd entries. The pink filter's colour is held by the song's checksums.
TEST_F(VoiceTest, WhiteNoiseReadsOneStreamOfTheTable) {
  Set(kParamNoiseLevel, 1.0f);
  Set(kParamNoisePan, 0.5f);
  Set(kParamMasterGain, 20.0f);  // x 10: the noise level itself
  Set(kParamNoiseType, 1.0f);
  StartNote(60);
  const RenderedAudio a = Render(256);
  // 256 blocks of 512 entries: twice round the table, back at its start.
  EXPECT_EQ(patch_.noise->position, 0);
  // Linear pan 0.5 and master x 10 leave a gain of 5, faded in over the first block.
  for (int i = 0; i < 2 * kBlockFrames; i += 7) {
    const float gain = 5.0f * std::fmin(1.0f, i / 256.0f);
    ASSERT_FLOAT_EQ(a.left[i], NoiseTableEntry(2 * i) * gain) << i;
    ASSERT_FLOAT_EQ(a.right[i], NoiseTableEntry(2 * i + 1) * gain) << i;
  }
}

}  // namespace
