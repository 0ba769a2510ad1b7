#include "texgen/generators.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "texgen/color_ops.h"
#include "texgen_fixture.h"

namespace {

using texgentest::DrawsBetween;
using texgentest::Image;

TEST(Cellular, OnePointGivesItsColourScaledByTheFactor) {
  // One point: its position comes from the first two draws.
  crt::srand(21);
  const int px = crt::rand() % 32, py = crt::rand() % 16;
  for (uint8_t mode = 0; mode < 4; ++mode) {
    Image image(32, 16, 0x12345678u);
    crt::srand(21);
    TextureCellular(image.get(), 1, mode, 0);
    // Mode 0: F1 = 0 gives black. Mode 1: the full colour. Mode 2: F2 stays D = 48 while
    // F1 = 0, so the factor is 48^2 / 48 limited to 1. Mode 3: F1 F2 = 0.
    const uint32_t expected[4] = {0xFF000000u, 0xFFFFFFFFu, 0xFFFFFFFFu, 0xFF000000u};
    EXPECT_EQ(image.at(px, py), expected[mode]) << int(mode);
  }
}

TEST(Cellular, DistancesWrapAcrossTheEdges) {
  // Find a seed whose single point lands in column 0, so the pixel in the last column is at
  // wrapped distance 1 while the one in column 2 is at distance 2.
  uint32_t seed = 0;
  for (;; ++seed) {
    crt::srand(seed);
    if (crt::rand() % 64 == 0) break;
  }
  crt::srand(seed);
  crt::rand();
  const int py = crt::rand() % 64;
  Image image(64, 64);
  crt::srand(seed);
  TextureCellular(image.get(), 1, 0, 0);
  // Mode 0: value = round(255 * d^2 / 128).
  image.ExpectPixels({{63, py, 0xFF020202u},  // 255 / 128 = 1.99 -> 2
                      {1, py, 0xFF020202u},
                      {2, py, 0xFF080808u},  // 4 * 255 / 128 = 7.97 -> 8
                      {61, py, image.at(3, py)}});
}

TEST(Cellular, DrawCountsColouredPointsAndDegenerateOperands) {
  Image image(16, 16);
  crt::srand(2);
  uint32_t before = crt::RandState();
  TextureCellular(image.get(), 10, 0, 1);
  EXPECT_EQ(DrawsBetween(before, crt::RandState()), 50);  // x, y, red, green, blue
  const uint32_t coloured = image.at(3, 3);
  EXPECT_EQ(coloured >> 24, 0xFFu);
  before = crt::RandState();
  TextureCellular(image.get(), 10, 1, 0);
  EXPECT_EQ(DrawsBetween(before, crt::RandState()), 20);
  // 0 points: nothing drawn, nothing changed. Unknown mode: the points are drawn, the image
  // is left as it was.
  const std::vector<uint32_t> kept = image.Pixels();
  before = crt::RandState();
  TextureCellular(image.get(), 0, 0, 1);
  EXPECT_EQ(crt::RandState(), before);
  TextureCellular(image.get(), 7, 4, 0);
  EXPECT_EQ(DrawsBetween(before, crt::RandState()), 14);
  EXPECT_EQ(image.Pixels(), kept);
}

TEST(Cellular, SecondDistanceDependsOnThePointOrder) {
  // F2 is the value F1 held before its last decrease: with two points it is the distance to
  // the first point when the second is nearer, and D when the first is the nearest.
  crt::srand(77);
  const int ax = crt::rand() % 40, ay = crt::rand() % 40;
  const int bx = crt::rand() % 40, by = crt::rand() % 40;
  Image image(40, 40);
  crt::srand(77);
  TextureCellular(image.get(), 2, 2, 0);
  // The seed gives two distinct points.
  ASSERT_TRUE(ax != bx || ay != by);
  // At A itself A comes first and is the nearest: F2 = D = 80, factor (80 - 0)^2 / 80 -> 1.
  EXPECT_EQ(image.at(ax, ay), 0xFFFFFFFFu);
  // At the second point: F1 = 0 and F2 = the distance from A.
  auto wrap = [](int d) {
    d = std::abs(d);
    return d > 20 ? 40 - d : d;
  };
  const int dx = wrap(ax - bx), dy = wrap(ay - by);
  const float f2 = std::sqrt(float(dx * dx + dy * dy));
  const float factor = std::min(1.0f, f2 * f2 / 80.0f);
  const uint32_t v = uint32_t(crt::RoundToInt(255.0f * factor));
  EXPECT_EQ(image.at(bx, by), 0xFF000000u | v * 0x010101u);
}

// The pattern straight from its definition: every point's distance, F1 and F2 in point order.
uint32_t ReferenceCell(const std::vector<CellPoint>& points, int x, int y, int w, int h, int mode) {
  auto wrap = [](int d, int size) {
    d = std::abs(d);
    return d > size / 2 ? size - d : d;
  };
  const float d = float(w + h);
  float f1 = d, f2 = d;
  size_t nearest = 0;
  for (size_t p = 0; p < points.size(); ++p) {
    const int dx = wrap(points[p].x - x, w), dy = wrap(points[p].y - y, h);
    const float dist = std::sqrt(float(dx * dx + dy * dy));
    if (dist < f1) f2 = f1, f1 = dist, nearest = p;
  }
  const float v = mode == 2 ? (f2 - f1) * (f2 - f1) / d : f1 * f1 / d;
  const float factor = std::clamp(v, 0.0f, 1.0f);
  const uint32_t c = points[nearest].color;
  auto s = [&](int shift) {
    return uint32_t(crt::RoundToInt(float((c >> shift) & 0xFF) * factor));
  };
  return 0xFF000000u | s(16) << 16 | s(8) << 8 | s(0);
}

TEST(Cellular, ManyPointsOverSeveralColumnPassesMatchTheDefinition) {
  // 30,000 points: the table of column distances covers the 40 columns in more than one pass.
  const int w = 40, h = 3, n = 30000;
  for (int mode : {0, 2}) {
    crt::srand(99);
    std::vector<CellPoint> points(n);
    for (CellPoint& p : points) {
      p.x = crt::rand() % w;
      p.y = crt::rand() % h;
      const int r = crt::rand() & 255, g = crt::rand() & 255, b = crt::rand() & 255;
      p.color = 0xFF000000u | r << 16 | g << 8 | b;
    }
    Image image(w, h);
    crt::srand(99);
    TextureCellular(image.get(), n, uint8_t(mode), 1);
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        ASSERT_EQ(image.at(x, y), ReferenceCell(points, x, y, w, h, mode)) << x << "," << y;
      }
    }
  }
}

TEST(Gradients, LinearEndsAndZeroLength) {
  Image image(11, 3);
  TextureLinearGradient(image.get(), 0, 0, 10, 0, 0xFF000000u, 0xFFC86400u);
  image.ExpectPixels({{0, 0, 0xFF000000u}, {10, 2, 0xFFC86400u}, {5, 1, 0xFF643200u}});
  // Behind the second point the colour holds.
  TextureLinearGradient(image.get(), 8, 0, 2, 0, 0xFF000000u, 0xFFFFFFFFu);
  image.ExpectPixels({
      {10, 0, 0xFF000000u}, {0, 0, 0xFFFFFFFFu}, {5, 0, 0xFF808080u}  // t = 0.5 -> 127.5 -> 128
  });
  TextureLinearGradient(image.get(), 4, 4, 4, 4, 0x11223344u, 0xFFFFFFFFu);
  for (uint32_t i = 0; i < image.count(); ++i) ASSERT_EQ(image->pixels[i], 0x11223344u);
}

TEST(Gradients, RadialInsideOutsideAndZeroRadius) {
  Image image(9, 9);
  TextureRadialGradient(image.get(), 4, 4, 4, 0xFFFFFFFFu, 0x00000000u);
  image.ExpectPixels({
      {4, 4, 0xFFFFFFFFu},
      {8, 4, 0x00000000u},
      {0, 0, 0x00000000u},  // farther than the radius
      {6, 4, 0x80808080u}   // t = 0.5 -> 127.5 rounds to even 128
  });
  TextureRadialGradient(image.get(), 4, 4, 0, 0xFF102030u, 0x00000000u);
  for (uint32_t i = 0; i < image.count(); ++i) ASSERT_EQ(image->pixels[i], 0xFF102030u);
}

TEST(GradientMap, KeysReproduceGrayscaleAndFadeOutsideTheirRange) {
  Image image(256, 1);
  for (int x = 0; x < 256; ++x) image.at(x, 0) = 0xFF000000u | uint32_t(x) * 0x010101u;
  const uint32_t colors[6] = {0xFF000000u, 0xFFFFFFFFu, 0, 0, 0, 0};
  const uint8_t positions[6] = {0, 255, 0, 0, 0, 0};
  Image gray(256, 1);
  for (int x = 0; x < 256; ++x) gray.at(x, 0) = image.at(x, 0);
  TextureGrayscale(gray.get());
  TextureGradientMap(image.get(), 2, colors, positions);
  EXPECT_EQ(image.Pixels(), gray.Pixels());

  // Keys at 100 and 200: below 100 fades from transparent black at 0, above 200 to it at 255.
  const uint32_t mid[6] = {0xFF0000FFu, 0xFFFF0000u, 0, 0, 0, 0};
  const uint8_t midPos[6] = {100, 200, 0, 0, 0, 0};
  TextureGradientMap(image.get(), 2, mid, midPos);
  image.ExpectPixels({{0, 0, 0x00000000u},
                      {50, 0, 0x80000080u},  // halfway to the first key: 127.5 -> 128
                      {100, 0, 0xFF0000FFu},
                      {200, 0, 0xFFFF0000u},
                      {255, 0, 0x00000000u}});
}

TEST(GradientMap, TiesCountAndLimits) {
  Image image(1, 1, 0xFF404040u);
  const int g = std::min(255, LuminanceOfTerms(0xFF404040u));
  const uint32_t colors[6] = {0xFF111111u, 0xFF222222u, 0xFF333333u, 0, 0, 0xFFFFFFFFu};
  const uint8_t same[6] = {uint8_t(g), uint8_t(g), 9, 9, 9, uint8_t(g)};
  // Keys 0 and 1 share the pixel's level; the later wins. Key 5 is beyond the count of 3.
  TextureGradientMap(image.get(), 3, colors, same);
  EXPECT_EQ(image.at(0, 0), 0xFF222222u);
  // A count above 6 uses the six keys: key 5 is now the latest at that level.
  image.at(0, 0) = 0xFF404040u;
  TextureGradientMap(image.get(), 200, colors, same);
  EXPECT_EQ(image.at(0, 0), 0xFFFFFFFFu);
  // Fewer than two keys: not even the grayscale runs.
  image.at(0, 0) = 0xFF102030u;
  TextureGradientMap(image.get(), 1, colors, same);
  EXPECT_EQ(image.at(0, 0), 0xFF102030u);
}

TEST(OctaveNoise, DrawsOncePerScratchPixelAndOnlyBrightens) {
  Image image(64, 32, 0xFF101010u);
  crt::srand(4);
  const uint32_t before = crt::RandState();
  TextureOctaveNoise(image.get());
  // Squares of side 32, 16, 10 and 8.
  EXPECT_EQ(DrawsBetween(before, crt::RandState()), 32 * 32 + 16 * 16 + 10 * 10 + 8 * 8);
  bool changed = false;
  for (uint32_t i = 0; i < image.count(); ++i) {
    ASSERT_EQ(image->pixels[i] >> 24, 0xFFu);
    ASSERT_GE(image->pixels[i] & 0xFF, 0x10u);
    changed |= image->pixels[i] != 0xFF101010u;
  }
  EXPECT_TRUE(changed);
  // Widths below 8 leave empty scratches: those passes draw and change nothing.
  Image narrow(5, 5, 0xFF000000u);
  const uint32_t start = crt::RandState();
  TextureOctaveNoise(narrow.get());
  EXPECT_EQ(DrawsBetween(start, crt::RandState()), 2 * 2 + 1 * 1);
}

}  // namespace
