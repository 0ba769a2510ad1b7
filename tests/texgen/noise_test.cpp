#include "texgen/noise.h"

#include <cmath>
#include <tuple>

#include "texgen_fixture.h"

namespace {

TEST(Noise, LatticeHashValuesRangeAndInterpolation) {
  EXPECT_FLOAT_EQ(HashLattice2D(0, 0), -0.28179097f);
  EXPECT_FLOAT_EQ(HashLattice2D(1, 0), -0.22637308f);
  EXPECT_FLOAT_EQ(HashLattice2D(0, 1), 0.20434397f);
  // j * 57 + i wraps in 32 bits: (i, j) and (i + 57, j - 1) name the same lattice word.
  EXPECT_EQ(HashLattice2D(60, 4), HashLattice2D(3, 5));
  for (int j = -40; j < 40; ++j) {
    for (int i = -40; i < 40; ++i) {
      const float h = HashLattice2D(i * 7919, j * 104729);
      ASSERT_TRUE(h >= -1.0f && h <= 1.0f) << h;
      if (std::abs(i) < 4 && std::abs(j) < 4) {
        ASSERT_EQ(SampleValueNoise2D(float(i), float(j)), HashLattice2D(i, j));
      }
    }
  }
  EXPECT_FLOAT_EQ(InterpolateCosine(2.0f, 6.0f, 0.5f), 4.0f);
  // Cells are rounded, not floored: x = 0.4 is cell 0 blending towards cell 1; x = 0.6 is
  // cell 1 with a negative fraction, blending towards cell 2 the "wrong" way.
  const float h0 = HashLattice2D(0, 0), h1 = HashLattice2D(1, 0), h2 = HashLattice2D(2, 0);
  EXPECT_FLOAT_EQ(SampleValueNoise2D(0.4f, 0.0f), InterpolateCosine(h0, h1, 0.4f));
  EXPECT_NEAR(SampleValueNoise2D(0.6f, 0.0f), InterpolateCosine(h1, h2, -0.4f), 1e-6f);
  // Fractal noise with persistence 0 is its first octave alone.
  EXPECT_EQ(SampleFractalNoise(400000.0f, 600000.0f, 0.0f), SampleValueNoise2D(2.0f, 3.0f));
}

// The noise value v of one pixel evaluated directly from SampleFractalNoise, as the noise
// layer's formula states it; the layer's per-row and per-column caches must match it bit for
// bit.
float DirectNoise(int mode, int x, int y, int xOffset, int yOffset, float persistence) {
  auto n = [&](int64_t s, int64_t o) {
    return SampleFractalNoise(float((xOffset + x + o) * s), float((yOffset + y + o) * s),
                              persistence);
  };
  if (mode == 0) return n(2000, 0);
  auto f = [&](float v) { return mode == 1 ? v : std::fabs(v); };
  const float v = 0.25f * f(n(4000, 100)) + 0.5f * f(n(2000, 0)) + 0.125f * f(n(8000, 200)) +
                  0.0625f * f(n(16000, 300));
  return mode == 3 ? std::sin(16.0f * v + 0.0625f * float(x)) : v;
}

uint32_t DirectPixel(uint32_t p, float v, float strength, bool alpha) {
  v = std::clamp(128.0f + 128.0f * v, 0.0f, 255.0f) * strength;
  auto add = [&](int shift) {
    return uint32_t(crt::RoundToInt(std::min(255.0f, float((p >> shift) & 0xFF) + v))) << shift;
  };
  return (alpha ? add(24) : (p & 0xFF000000u)) | add(16) | add(8) | add(0);
}

TEST(NoiseLayer, CachedEvaluationMatchesDirectEvaluationInEveryMode) {
  // Offsets up to 65535 push the upper octaves past the 32-bit cell range (cell INT_MIN).
  const std::tuple<int, int, int, float, float, bool> cases[] = {
      {0, 0, 0, 1.0f, 0.5f, true},          {1, 17, 300, 0.5f, 0.75f, false},
      {2, 65535, 65535, 0.25f, 1.0f, true}, {3, 1000, 9, 1.0f, 0.6f, true},
      {1, 40000, 123, 2.0f, 255.99f, true}, {2, 5, 5, 0.0f, 0.5f, true}};
  for (auto [mode, xOffset, yOffset, strength, persistence, alpha] : cases) {
    Image image(24, 9);
    for (uint32_t i = 0; i < 24 * 9; ++i) image->pixels[i] = i * 0x9E3779B1u;  // all channels vary
    const std::vector<uint32_t> before = image.Pixels();
    TextureNoiseLayer(image.get(), alpha, xOffset, yOffset, strength, persistence, mode);
    for (int y = 0; y < 9; ++y) {
      for (int x = 0; x < 24; ++x) {
        const float v = DirectNoise(mode, x, y, xOffset, yOffset, persistence);
        ASSERT_EQ(image.at(x, y), DirectPixel(before[y * 24 + x], v, strength, alpha))
            << "mode " << mode << " at " << x << "," << y;
      }
    }
  }
}

}  // namespace
