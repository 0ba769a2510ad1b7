#include "texgen/transforms.h"

#include <gtest/gtest.h>

#include "texgen_fixture.h"

namespace {

using texgentest::DrawsBetween;
using texgentest::FillPattern;
using texgentest::Image;

// Each pixel holds its own coordinates: 0xFF00yyxx (for images up to 256 x 256).
void FillCoordinates(Image& image) {
  for (int y = 0; y < image->height; ++y) {
    for (int x = 0; x < image->width; ++x) image.at(x, y) = 0xFF000000u | (y << 8) | x;
  }
}

TEST(CopyRect, ClippingOverlapSmearAndEmptyRectangles) {
  Image image(8, 4);
  FillCoordinates(image);
  // Destination near the right edge: only the part that fits is copied.
  TextureCopyRect(image.get(), 0, 0, 4, 1, 6, 3);
  image.ExpectPixels({{6, 3, 0xFF000000u}, {7, 3, 0xFF000001u}, {5, 3, 0xFF000305u}});
  // A source running past the image is clipped too (nothing read outside).
  TextureCopyRect(image.get(), 6, 0, 60000, 2, 0, 2);
  image.ExpectPixels({{0, 2, 0xFF000006u}, {1, 2, 0xFF000007u}, {2, 2, 0xFF000202u}});
  const std::vector<uint32_t> before = image.Pixels();
  TextureCopyRect(image.get(), 3, 0, 3, 4, 0, 0);  // x2 not above x1
  TextureCopyRect(image.get(), 5, 0, 2, 4, 0, 0);
  TextureCopyRect(image.get(), 0, 9, 4, 12, 0, 0);  // source below the image
  TextureCopyRect(image.get(), 0, 0, 4, 4, 8, 0);   // destination at the width
  EXPECT_EQ(image.Pixels(), before);
  // Overlapping copy one pixel to the right re-reads what it wrote: a smear of pixel 0.
  Image row(6, 1);
  FillCoordinates(row);
  TextureCopyRect(row.get(), 0, 0, 5, 1, 1, 0);
  for (int x = 0; x < 6; ++x) EXPECT_EQ(row.at(x, 0), 0xFF000000u) << x;
}

TEST(CopyRect, LinesAndGridsRepeatTheSourceRectangle) {
  Image image(8, 8);
  FillCoordinates(image);
  const std::vector<uint32_t> before = image.Pixels();
  TextureCopyRectLine(image.get(), 0, 0, 2, 2, 3, 3, 1);  // count 1 copies onto itself
  EXPECT_EQ(image.Pixels(), before);
  TextureCopyRectLine(image.get(), 0, 0, 2, 2, 3, 3, 0x0103);  // low 8 bits: 3 copies
  image.ExpectPixels({{3, 3, 0xFF000000u}, {7, 7, 0xFF000101u}, {5, 5, 0xFF000505u}});
  // A step of 65535 is one to the left: the destination is taken to 16 bits.
  Image left(8, 1);
  FillCoordinates(left);
  TextureCopyRectLine(left.get(), 5, 0, 6, 1, 65535, 0, 4);
  EXPECT_EQ(left.Pixels(),
            (std::vector<uint32_t>{0xFF000000u, 0xFF000001u, 0xFF000005u, 0xFF000005u, 0xFF000005u,
                                   0xFF000005u, 0xFF000006u, 0xFF000007u}));
  Image grid(8, 8);
  FillCoordinates(grid);
  TextureCopyRectGrid(grid.get(), 0, 0, 1, 1, 3, 2, 3, 4);
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 4; ++j) EXPECT_EQ(grid.at(3 * i, 2 * j), 0xFF000000u) << i << "," << j;
  }
  EXPECT_EQ(grid.at(1, 0), 0xFF000001u);
}

TEST(Resize, NearestIdentityEnlargementAndClamping) {
  Image image(16, 16);
  FillPattern(image);
  const std::vector<uint32_t> before = image.Pixels();
  TextureResize(image.get(), 16, 16, 0);
  EXPECT_EQ(image.Pixels(), before);
  // 16 -> 256: each source pixel repeats about 16 times; the last columns clamp to column 15
  // (round(255 / 16) = 16 would be outside the source: AddressSanitizer watches this).
  TextureResize(image.get(), 256, 256, 0);
  EXPECT_EQ(image->width, 256);
  EXPECT_EQ(image->byteSize, 256u * 256 * 4);
  image.ExpectPixels({
      {0, 0, before[0]},
      {255, 0, before[15]},
      {0, 255, before[15 * 16]},
      {255, 255, before[255]},
      {40, 100, before[6 * 16 + 2]}  // 40/16 = 2.5 -> 2, 100/16 = 6.25 -> 6
  });
  // Each row reads only its own source row (column and row are clamped separately).
  Image wide(4, 2);
  FillCoordinates(wide);
  TextureResize(wide.get(), 8, 2, 0);
  wide.ExpectPixels({{7, 0, 0xFF000003u}, {7, 1, 0xFF000103u}});
}

TEST(Resize, BilinearExtrapolatesAndClamps) {
  // Two pixels 0 and 63 side by side, enlarged to 8: positions x / 4 with signed fractions.
  Image image(2, 1, 0xFF000000u);
  image.at(1, 0) = 0xFF3F3F3Fu;
  TextureResize(image.get(), 8, 1, 1);
  std::vector<int> blue;
  for (int x = 0; x < 8; ++x) blue.push_back(image.at(x, 0) & 0xFF);
  // x = 1: 0.25 of the way to 63 -> 15.75 -> 16; x = 2: fx = 0.5 rounds to 0 (even): 31.5 -> 32;
  // x = 3: fx 0.75 rounds to 1, fraction -0.25 with both neighbours 63 -> 63; x >= 4 stays 63.
  EXPECT_EQ(blue, (std::vector<int>{0, 16, 32, 63, 63, 63, 63, 63}));
  // A negative fraction between 63 and 0 extrapolates above 63 ...
  Image falling(3, 1, 0xFF000000u);
  falling.at(1, 0) = 0xFF3F3F3Fu;
  TextureResize(falling.get(), 12, 1, 1);
  // x = 3: fx = 0.75 -> cell 1, tx = -0.25: 63 * 1.25 + 0 * -0.25 = 78.75 -> 79.
  EXPECT_EQ(falling.at(3, 0), 0xFF4F4F4Fu);
  // ... and below 0 it is limited to 0 instead of wrapping to a high byte.
  Image rising(3, 1, 0xFF3F3F3Fu);
  rising.at(1, 0) = 0xFF000000u;
  TextureResize(rising.get(), 12, 1, 1);
  EXPECT_EQ(rising.at(3, 0), 0xFF000000u);  // 0 * 1.25 + 63 * -0.25 < 0
  // Mode 2 exchanges the right and lower weights. With only the right neighbour bright, at
  // (1, 2) of 2 x 2 -> 8 x 8 (tx = 0.25, ty = 0.5) mode 1 weighs it tx (1 - ty) = 0.125 and
  // mode 2 (1 - tx) ty = 0.375.
  for (uint8_t mode : {1, 2}) {
    Image square(2, 2, 0xFF000000u);
    square.at(1, 0) = 0xFFFFFFFFu;
    TextureResize(square.get(), 8, 8, mode);
    EXPECT_EQ(square.at(1, 2) & 0xFF, mode == 1 ? 32u : 96u) << int(mode);  // 31.9, 95.6
  }
}

TEST(Resize, UnknownModeEmptySourceAndOversizeLeaveTheImage) {
  Image image(4, 4);
  FillPattern(image);
  const std::vector<uint32_t> before = image.Pixels();
  for (int mode = 3; mode < 256; ++mode) TextureResize(image.get(), 8, 8, uint8_t(mode));
  TextureResize(image.get(), 65535, 65535, 0);  // 17 GB: refused
  EXPECT_EQ(image->width, 4);
  EXPECT_EQ(image.Pixels(), before);
  Texture target;
  TextureInit2D(&target, 4, 4, 0, 1);
  TextureResize(&target, 8, 8, 0);
  EXPECT_EQ(target.width, 4);
  EXPECT_EQ(target.pixels, nullptr);
}

TEST(Rotate, ZeroIsIdentityAndQuarterTurnMovesAMarkedPixel) {
  Image image(16, 16);
  FillPattern(image);
  const std::vector<uint32_t> before = image.Pixels();
  TextureRotate(image.get(), 0, true);
  EXPECT_EQ(image.Pixels(), before);
  TextureRotate(image.get(), 360, true);
  EXPECT_EQ(image.Pixels(), before);

  Image marked(16, 16, 0xFF000000u);
  marked.at(12, 8) = 0x80FFFFFFu;  // 4 right of the centre (8, 8)
  TextureRotate(marked.get(), 90, false);
  // Destination (x, y) reads source (cx - (y - cy), cy + (x - cx)): the mark reaches (8, 4).
  EXPECT_EQ(marked.at(8, 4), 0xFFFFFFFFu);  // colour from the source, alpha the destination's
  int bright = 0;
  for (uint32_t i = 0; i < marked.count(); ++i) bright += (marked->pixels[i] & 0xFFFFFF) != 0;
  EXPECT_EQ(bright, 1);
  Image alpha(16, 16, 0xFF000000u);
  alpha.at(12, 8) = 0x80FFFFFFu;
  TextureRotate(alpha.get(), 90, true);
  EXPECT_EQ(alpha.at(8, 4), 0x80FFFFFFu);
  // Non-square images wrap both coordinates into the image.
  Image oblong(7, 3);
  FillPattern(oblong);
  TextureRotate(oblong.get(), 45, true);
  EXPECT_EQ(oblong->width, 7);
}

TEST(SineShift, AmplitudeZeroPeriodZeroAndRowShifts) {
  Image image(16, 8);
  FillCoordinates(image);
  const std::vector<uint32_t> before = image.Pixels();
  TextureSineShiftRows(image.get(), 0, 10);
  TextureSineShiftColumns(image.get(), 5, 0);
  TextureSineShiftBoth(image.get(), 9, 0);
  EXPECT_EQ(image.Pixels(), before);
  // Row y shifts by round(sin(y * 3.1415 / 4) * 3): row 2 by 3 (sin ~ 1), row 4 by 0.
  TextureSineShiftRows(image.get(), 3, 4);
  image.ExpectPixels({
      {0, 2, 0xFF000203u},
      {15, 2, 0xFF000202u},  // wraps to column 2
      {0, 4, 0xFF000400u},
      {0, 6, 0xFF00060Du}  // sin ~ -1: shift -3, column 13
  });
  Image columns(4, 16);
  FillCoordinates(columns);
  TextureSineShiftColumns(columns.get(), 3, 4);
  EXPECT_EQ(columns.at(2, 0), 0xFF000302u);
}

TEST(MirrorTile, QuadrantsAndSizeLimits) {
  Image image(128, 64);
  FillCoordinates(image);
  TextureMirrorTile(image.get());
  EXPECT_EQ(image->width, 256);
  EXPECT_EQ(image->height, 128);
  image.ExpectPixels({{5, 7, 0xFF000705u},
                      {128 + 5, 7, 0xFF000700u | (127 - 5)},
                      {5, 64 + 7, 0xFF000005u | ((63 - 7) << 8)},
                      {128 + 5, 64 + 7, 0xFF000000u | ((63 - 7) << 8) | (127 - 5)}});
  // Seamless: the right edge meets the left edge with the same pixels.
  for (int y = 0; y < 128; ++y) ASSERT_EQ(image.at(255, y), image.at(0, y));
  Image tooWide(40000, 1);
  TextureMirrorTile(tooWide.get());
  EXPECT_EQ(tooWide->width, 40000);
}

TEST(Scatter, OffsetsDrawCountAndRadiusZero) {
  Image image(32, 32, 0xFF000000u);
  image.at(10, 10) = 0xFFFFFFFFu;
  crt::srand(8);
  const uint32_t before = crt::RandState();
  TextureScatter(image.get(), 0);
  EXPECT_EQ(DrawsBetween(before, crt::RandState()), 2 * 32 * 32);
  EXPECT_EQ(image.at(10, 10), 0xFFFFFFFFu);
  // r = 1: each pixel lands at offset -1 or 0 in each direction; replay the draws.
  Image lone(32, 32, 0xFF000000u);
  lone.at(10, 10) = 0xFFFFFFFFu;
  crt::srand(8);
  for (int i = 0; i < 2 * (10 * 32 + 10); ++i) crt::rand();
  const int a = crt::rand(), b = crt::rand();
  crt::srand(8);
  TextureScatter(lone.get(), 1);
  EXPECT_EQ(lone.at(10 + a % 2 - 1, 10 + b % 2 - 1), 0xFFFFFFFFu);
  // Offsets far beyond the image wrap into it: every pixel still holds one of the image's own.
  Image small(4, 3);
  FillCoordinates(small);
  crt::srand(8);
  TextureScatter(small.get(), 200);
  for (uint32_t i = 0; i < small.count(); ++i) {
    const uint32_t p = small->pixels[i];
    ASSERT_TRUE((p & 0xFF) < 4 && ((p >> 8) & 0xFF) < 3 && (p >> 16) == 0xFF00u) << std::hex << p;
  }
}

}  // namespace
