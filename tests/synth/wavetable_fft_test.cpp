#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <random>
#include <vector>

#include "synth/fft.h"
#include "synth/wavetable.h"
#include "synth_fixture.h"

namespace {

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
  for (int i = 0; i < kSineTableSize; i += 123) {
    EXPECT_NEAR(bank->sine[i], std::sin(2 * kPi * i / kSineTableSize), 1e-5);
  }
}

TEST(WavetableBank, AdditiveTablesHoldTheirSpectralLines) {
  synthtest::EnsureSharedTables();
  const WavetableBank* bank = WavetableBankGet();
  // Bank 3 position 0: lines 1, 2, 4, 8, 16, 32 at 0.5 g; the sum 1.55 clamps to 1 at t = 0.
  const float* t3 = bank->tables[3 * 64];
  EXPECT_EQ(t3[0], 1.0f);
  const double gains[6] = {1.0, 0.8, 0.6, 0.4, 0.2, 0.1};
  const int t = 300;
  double expected = 0.0;
  for (int i = 0, m = 1; i < 6; ++i, m *= 2)
    expected += 0.5 * gains[i] * std::cos(2 * kPi * m * t / 2048);
  EXPECT_NEAR(t3[t], std::fmin(1.0, std::fmax(0.0, expected)), 1e-4);
  // Bank 2 position 0: tan 0 = 0 gives T = 0.5, S = 0.5, C = 1.
  const float* t2 = bank->tables[2 * 64];
  const double factors[7] = {0.4, 0.3, 0.2, 0.1, 0.05, 0.02, 0.01};
  expected = 0.5 * std::cos(2 * kPi * 1 * t / 2048);
  for (int f = 0; f < 7; ++f) {
    expected += 0.5 * factors[f] * std::cos(2 * kPi * (2 + f) * t / 2048);
    expected += 0.5 * factors[f] * std::cos(2 * kPi * (9 + f) * t / 2048);
    expected += 1.0 * factors[f] * std::cos(2 * kPi * (16 + f) * t / 2048);
  }
  EXPECT_NEAR(t2[t], std::fmin(1.0, std::fmax(-1.0, expected)), 1e-4);
}

TEST(WavetableBank, ShiftedCopiesAddInPlace) {
  std::vector<float> table(kWavetableSize);
  for (int i = 0; i < kWavetableSize; ++i) table[i] = static_cast<float>(i);
  WavetableAddShifted(table.data(), 2, 1.0f);
  EXPECT_EQ(table[0], 0.0f + 2.0f);
  EXPECT_EQ(table[2045], 2045.0f + 2047.0f);
  // The last two entries read entries 0 and 1, which this pass has already changed.
  EXPECT_EQ(table[2046], 2046.0f + table[0]);
  EXPECT_EQ(table[2047], 2047.0f + table[1]);
  WavetableNormalize(table.data());
  float peak = 0.0f;
  for (float v : table) peak = std::fmax(peak, std::fabs(v));
  EXPECT_EQ(peak, 1.0f);
}

TEST(WavetableBank, IsBuiltOnceAndFreedByTheLastRelease) {
  synthtest::EnsureSharedTables();
  const WavetableBank* bank = WavetableBankGet();
  const int refs = bank->refs;
  float* first = bank->tables[0];
  float* sine = bank->sine;
  WavetableBankBuild();
  EXPECT_EQ(bank->refs, refs + 1);
  EXPECT_EQ(bank->tables[0], first);  // counted, not rebuilt
  EXPECT_EQ(bank->sine, sine);
  WavetableBankRelease();
  EXPECT_EQ(bank->tables[0], first);
  for (int i = 0; i < refs; ++i) WavetableBankRelease();
  EXPECT_EQ(bank->refs, 0);
  EXPECT_EQ(bank->tables[0], nullptr);
  EXPECT_EQ(bank->sine, nullptr);
  for (int i = 0; i < refs; ++i) WavetableBankBuild();  // as the other tests expect it
  EXPECT_NE(bank->tables[kWavetableCount - 1], nullptr);
}

}  // namespace
