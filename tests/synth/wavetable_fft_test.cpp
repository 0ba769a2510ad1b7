#include <gtest/gtest.h>

#include <algorithm>
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
  const int t = 300;
  auto line = [&](double gain, int harmonic) {
    return gain * std::cos(2 * kPi * harmonic * t / kWavetableSize);
  };
  // Bank 3 position 0: lines 1, 2, 4, 8, 16, 32 at half their gains, limited to 0..1 (the sum
  // 1.55 at t = 0 reads 1).
  const double gains[6] = {1.0, 0.8, 0.6, 0.4, 0.2, 0.1};
  double expected = 0.0;
  for (int i = 0; i < 6; ++i) expected += line(0.5 * gains[i], 1 << i);
  EXPECT_EQ(bank->tables[3 * 64][0], 1.0f);
  EXPECT_NEAR(bank->tables[3 * 64][t], std::clamp(expected, 0.0, 1.0), 1e-4);
}

}  // namespace
