#include "texgen/drawing.h"

#include <gtest/gtest.h>

#include <set>
#include <utility>

#include "texgen_fixture.h"

namespace {

using texgentest::Image;

constexpr uint32_t kInk = 0xFFFFFFFFu;
constexpr uint32_t kPaper = 0xFF000000u;

std::set<std::pair<int, int>> Inked(Image& image) {
  std::set<std::pair<int, int>> points;
  for (int y = 0; y < image->height; ++y) {
    for (int x = 0; x < image->width; ++x) {
      if (image.at(x, y) == kInk) points.insert({x, y});
    }
  }
  return points;
}

TEST(PutPixel, InsideOnlyAndNegativeOperands) {
  Image image(4, 3, kPaper);
  TexturePutPixel(image.get(), 3, 2, 0x12345678u);
  EXPECT_EQ(image.at(3, 2), 0x12345678u);  // written as it is, alpha included
  TexturePutPixel(image.get(), 4, 0, kInk);
  TexturePutPixel(image.get(), 0, 3, kInk);
  TexturePutPixel(image.get(), static_cast<int16_t>(65535), 0, kInk);  // -1
  TexturePutPixel(image.get(), 0, static_cast<int16_t>(65535), kInk);
  EXPECT_TRUE(Inked(image).empty());
}

TEST(Lines, FixedCasesAndEveryLineOfAGridEndsAtItsEndPoint) {
  Image image(13, 13, kPaper);
  TextureDrawLine(image.get(), 0, 0, 2, 1, kInk);
  EXPECT_EQ(Inked(image), (std::set<std::pair<int, int>>{{0, 0}, {1, 0}, {2, 1}}));
  image.Fill(kPaper);
  TextureDrawLine(image.get(), 5, 5, 5, 5, kInk);
  EXPECT_EQ(Inked(image), (std::set<std::pair<int, int>>{{5, 5}}));
  // Every pair of end points on a 13 x 13 grid: the line reaches its end point, starts at its
  // start point, is 8-connected and has exactly max(dx, dy) + 1 .. dx + dy + 1 pixels.
  for (int a = 0; a < 169; ++a) {
    for (int b = 0; b < 169; ++b) {
      const int x1 = a % 13, y1 = a / 13, x2 = b % 13, y2 = b / 13;
      image.Fill(kPaper);
      TextureDrawLine(image.get(), int16_t(x1), int16_t(y1), int16_t(x2), int16_t(y2), kInk);
      const auto points = Inked(image);
      ASSERT_TRUE(points.count({x2, y2})) << x1 << "," << y1 << " -> " << x2 << "," << y2;
      ASSERT_TRUE(points.count({x1, y1}));
      const int dx = std::abs(x2 - x1), dy = std::abs(y2 - y1);
      ASSERT_GE(int(points.size()), std::max(dx, dy) + 1);
      ASSERT_LE(int(points.size()), dx + dy + 1);
      for (auto [x, y] : points) {
        ASSERT_TRUE(x >= std::min(x1, x2) && x <= std::max(x1, x2) && y >= std::min(y1, y2) &&
                    y <= std::max(y1, y2));
      }
    }
  }
}

TEST(Lines, HorizontalVerticalAndWrappingAt16Bits) {
  Image image(8, 8, kPaper);
  TextureDrawHLine(image.get(), 2, 1, 0, kInk);  // length 0: one pixel
  EXPECT_EQ(Inked(image), (std::set<std::pair<int, int>>{{2, 1}}));
  TextureDrawHLine(image.get(), 6, 3, 5, kInk);  // clipped at the right edge
  image.ExpectPixels({{7, 3, kInk}, {5, 3, kPaper}});
  TextureDrawVLine(image.get(), 4, static_cast<int16_t>(65534), 3, kInk);  // -2 .. 1
  image.ExpectPixels({{4, 0, kInk}, {4, 1, kInk}, {4, 2, kPaper}});
  TextureDrawHLine(image.get(), 0, 5, -1, kInk);  // negative length: nothing
  EXPECT_EQ(image.at(0, 5), kPaper);
  // Points past 32767 continue at -32768: a run from 3 of length 65535 covers columns 0..2.
  Image wrap(8, 1, kPaper);
  TextureDrawHLine(wrap.get(), 3, 0, 65535, kInk);
  EXPECT_EQ(Inked(wrap).size(), 8u);
  Image wrapPart(8, 1, kPaper);
  TextureDrawHLine(wrapPart.get(), 20000, 0, 45538, kInk);  // 20000 .. 65538 = 20000 .. 2
  EXPECT_EQ(Inked(wrapPart), (std::set<std::pair<int, int>>{{0, 0}, {1, 0}, {2, 0}}));
}

TEST(Rectangles, CornerOrderIncludedCornersAndClipping) {
  Image a(8, 8, kPaper), b(8, 8, kPaper);
  TextureDrawRect(a.get(), 1, 2, 5, 6, kInk);
  TextureDrawRect(b.get(), 5, 6, 1, 2, kInk);
  EXPECT_EQ(a.Pixels(), b.Pixels());
  EXPECT_EQ(Inked(a).size(), 16u);  // 4 x 4 outline of a 5 x 5 box
  a.ExpectPixels({{5, 6, kInk}, {3, 4, kPaper}});
  Image fa(8, 8, kPaper), fb(8, 8, kPaper);
  TextureFillRect(fa.get(), 6, 1, 2, 3, kInk);
  TextureFillRect(fb.get(), 2, 3, 6, 1, kInk);
  EXPECT_EQ(fa.Pixels(), fb.Pixels());
  EXPECT_EQ(Inked(fa).size(), 15u);
  // Partly outside on all four sides, with negative operands.
  Image clip(4, 4, kPaper);
  TextureFillRect(clip.get(), static_cast<int16_t>(65000), static_cast<int16_t>(65000), 1, 1, kInk);
  EXPECT_EQ(Inked(clip).size(), 4u);
  TextureDrawRect(clip.get(), -32768, -32768, 32767, 32767, kInk);
  EXPECT_EQ(Inked(clip).size(), 4u);
}

TEST(Circles, FilledIsSymmetricAndPartlyOutsideIsClipped) {
  Image image(21, 21, kPaper);
  TextureFillCircle(image.get(), 10, 10, 6, kInk);
  image.ExpectPixels({{10, 10, kInk},
                      {10, 4, kInk},
                      {10, 16, kInk},
                      {16, 10, kInk},
                      {4, 10, kInk},
                      {15, 15, kPaper},  // beyond the radius at the diagonal
                      {10, 17, kPaper}});
  for (int y = 0; y < 21; ++y) {
    for (int x = 0; x < 21; ++x) ASSERT_EQ(image.at(x, y), image.at(20 - x, y)) << x << "," << y;
  }
  Image outline(21, 21, kPaper);
  TextureDrawCircle(outline.get(), 10, 10, 6, kInk);
  outline.ExpectPixels({{10, 16, kInk}, {10, 10, kPaper}, {16, 10, kInk}});
  // Centres outside the image, huge radii and negative centres stay inside memory.
  Image edge(16, 16, kPaper);
  TextureFillCircle(edge.get(), 0, 0, 5, kInk);
  edge.ExpectPixels({{0, 0, kInk}, {15, 15, kPaper}});
  TextureDrawCircle(edge.get(), static_cast<int16_t>(65530), 8, 10, kInk);
  EXPECT_EQ(edge.at(4, 8), kInk);  // -6 + 10
  TextureFillCircle(edge.get(), 8, 8, 65535, kInk);
  TextureDrawCircle(edge.get(), 8, 8, 65535, kInk);
}

TEST(Bricks, BevelsContrastAndNothingForSizeOrBevelZero) {
  Image image(16, 16, 0xFF102030u);
  const std::vector<uint32_t> before = image.Pixels();
  TextureDrawBricks(image.get(), 0, 100, 2);
  TextureDrawBricks(image.get(), 8, 100, 0);
  EXPECT_EQ(image.Pixels(), before);
  TextureDrawBricks(image.get(), 8, 100, 1);
  const uint32_t light = 0xFFB1B1B1u, dark = 0xFF4D4D4Du;  // 127 + 50, 127 - 50
  image.ExpectPixels({{3, 0, light},                       // top bevel of band 0
                      {3, 7, dark},    // bottom bevel of band 0 (drawn with band 1)
                      {0, 3, light},   // left bevel of the first brick
                      {15, 3, dark},   // right bevel at X + 2s - 1
                      {8, 11, light},  // band 1 starts its bricks at X = s
                      {5, 4, 0xFF102030u}});
  Image flat(16, 16, 0xFF102030u);
  TextureDrawBricks(flat.get(), 8, 0, 1);
  flat.ExpectPixels({{3, 0, 0xFF7F7F7Fu}, {3, 7, 0xFF7F7F7Fu}});
}

TEST(Grid, SingleLinesThickWrappingLinesAndZeroSteps) {
  Image image(8, 8, kPaper);
  TextureDrawGrid(image.get(), 4, 4, 1, kInk);
  image.ExpectPixels({{0, 3, kInk}, {4, 3, kInk}, {3, 0, kInk}, {3, 4, kInk}, {1, 1, kPaper}});
  EXPECT_EQ(Inked(image).size(), 64u - 36u);
  // Thickness 3 at column 0 wraps: columns 7, 0 and 1.
  Image thick(8, 8, kPaper);
  TextureDrawGrid(thick.get(), 8, 8, 3, kInk);
  thick.ExpectPixels({{7, 3, kInk}, {1, 3, kInk}, {2, 3, kPaper}, {3, 7, kInk}});
  // A step of 0 draws no line in its direction; thickness 0 draws nothing; a thickness above
  // the width wraps on a tiny image.
  Image zero(8, 8, kPaper);
  TextureDrawGrid(zero.get(), 0, 4, 1, kInk);
  zero.ExpectPixels({{0, 3, kPaper}, {3, 4, kInk}});
  TextureDrawGrid(zero.get(), 1, 1, 0, 0xFF00FF00u);
  EXPECT_EQ(zero.at(1, 1), kPaper);
  Image tiny(1, 1, kPaper);
  TextureDrawGrid(tiny.get(), 1, 1, 255, kInk);
  EXPECT_EQ(tiny.at(0, 0), kInk);
}

TEST(Drawing, ShapesSkipVolumesButPutPixelDoesNot) {
  Texture volume;
  TextureInit(&volume, kTextureKindVolume, 4, 4, 2, 0, 0);
  TextureFillRect(&volume, 0, 0, 3, 3, kInk);
  TextureDrawLine(&volume, 0, 0, 3, 3, kInk);
  TextureDrawGrid(&volume, 1, 1, 1, kInk);
  EXPECT_EQ(volume.pixels[0], kPaper);
  TexturePutPixel(&volume, 1, 0, kInk);
  EXPECT_EQ(volume.pixels[1], kInk);
  TextureFreeImage(&volume);
}

}  // namespace
