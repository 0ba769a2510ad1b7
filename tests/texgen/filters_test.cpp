#include "texgen/filters.h"

#include <gtest/gtest.h>

#include "texgen_fixture.h"

namespace {

using texgentest::Image;

TEST(VerticalBlur, RadiusZeroOneTwoAndWrapping) {
  Image image(4, 4, 0x80787878u);  // gray 120
  TextureVerticalBlur(image.get(), 1);
  EXPECT_EQ(image.at(2, 2), 0x80787878u);
  TextureVerticalBlur(image.get(), 2);
  EXPECT_EQ(image.at(2, 2), 0x80646464u);  // 120 / 2 + 120 / 3 = 60 + 40
  TextureVerticalBlur(image.get(), 0);
  EXPECT_EQ(image.at(2, 2), 0x80000000u);
  // The rows above the top wrap to the bottom: a bright bottom row reaches row 0.
  Image edge(1, 4, 0xFF000000u);
  edge.at(0, 3) = 0xFFC0C0C0u;
  TextureVerticalBlur(edge.get(), 2);
  edge.ExpectPixels({
      {0, 0, 0xFF404040u},  // 0 / 2 + 192 / 3
      {0, 1, 0xFF000000u},
      {0, 3, 0xFF606060u}  // 192 / 2 + 0 / 3
  });
  // A radius above the height wraps more than once without leaving the image.
  Image tall(2, 3, 0xFFFFFFFFu);
  TextureVerticalBlur(tall.get(), 200);
  uint32_t sum = 0;
  for (int k = 0; k < 200; ++k) sum += 255 / (200 + k);
  EXPECT_EQ(tall.at(1, 1), 0xFF000000u | std::min(sum, 255u) * 0x010101u);
}

TEST(Emboss, UniformIsMidGrayAndSlopesShadeOneWay) {
  Image image(8, 8, 0x33A0B0C0u);
  TextureEmboss(image.get(), 255);
  for (uint32_t i = 0; i < image.count(); ++i) ASSERT_EQ(image->pixels[i], 0x337F7F7Fu);
  // A bright pixel in the middle: its left neighbour gets lum(left) - lum(right) < 0.
  Image dot(8, 8, 0xFF000000u);
  dot.at(4, 4) = 0xFFFFFFFFu;
  TextureEmboss(dot.get(), 100);
  // v = (0 - 255) * 0.25 * 2 + 127 = -0.5 -> limited to 0.
  dot.ExpectPixels({{3, 4, 0xFF000000u},
                    {5, 4, 0xFFFEFEFEu},  // 127.5 + 127 = 254.5 rounds to even 254
                    {4, 3, 0xFFFEFEFEu},  // the pixel above sees it as "down"
                    {4, 4, 0xFF7F7F7Fu}});
  // Linear neighbours: the first pixel of row 5 has the last pixel of row 4 on its left.
  Image wrap(8, 8, 0xFF000000u);
  wrap.at(7, 4) = 0xFFFFFFFFu;
  TextureEmboss(wrap.get(), 100);
  EXPECT_EQ(wrap.at(0, 5), 0xFFFEFEFEu);
}

TEST(Convolve, UniformImagesBordersAndAlpha) {
  Image image(6, 5, 0x64646464u);  // 100 in every channel
  TextureBlur3x3(image.get(), false);
  image.ExpectPixels({
      {2, 2, 0x64646464u},
      {0, 0, 0x64414141u},  // 0.65 * 100 = 65 at a corner, alpha kept
      {2, 0, 0x64505050u}   // 0.8 along an edge
  });
  Image edges(6, 5, 0x64646464u);
  TextureEdgeDetect(edges.get(), false);
  EXPECT_EQ(edges.at(3, 2), 0x64000000u);
  Image edgesAlpha(6, 5, 0x64646464u);
  TextureEdgeDetect(edgesAlpha.get(), true);
  edgesAlpha.ExpectPixels({
      {3, 2, 0x00000000u}, {0, 0, 0x3E3E3E3Eu}  // 100 - 3 * 12.5 = 62.5 -> 62
  });
  Image sharp(6, 5, 0x64646464u);
  TextureSharpen(sharp.get(), true);
  sharp.ExpectPixels({
      {3, 2, 0x64646464u}, {0, 0, 0xFFFFFFFFu}  // (5 - 2) * 100, limited, alpha too
  });
  Image relief(3, 3, 0x64646464u);
  TextureReliefUpLeft(relief.get(), false);
  relief.ExpectPixels({
      {1, 1, 0x64323232u}, {0, 0, 0x64646464u}  // its upper-left tap is outside
  });
  Image reliefDown(3, 3, 0x64646464u);
  TextureReliefDownRight(reliefDown.get(), false);
  reliefDown.ExpectPixels({{2, 2, 0x64646464u}, {1, 1, 0x64323232u}});
  // The general kernel: a shift right by one pixel.
  const float shift[9] = {0, 0, 0, 1, 0, 0, 0, 0, 0};
  Image ramp(4, 1);
  for (int x = 0; x < 4; ++x) ramp.at(x, 0) = 0x01010101u * uint32_t(10 * (x + 1));
  TextureConvolve3x3(ramp.get(), shift, true);
  EXPECT_EQ(ramp.Pixels(), (std::vector<uint32_t>{0, 0x0A0A0A0Au, 0x14141414u, 0x1E1E1E1Eu}));
}

TEST(NormalMap, FlatSlopesAndClampedChannels) {
  Image flat(8, 8, 0x80402010u);
  TextureNormalMap(flat.get());
  for (uint32_t i = 0; i < flat.count(); ++i) ASSERT_EQ(flat->pixels[i], 0xFF7F7FFEu);
  // A gentle ramp in x: heights x / 255 step by 1/255 (gray levels 0, 1, 2, ...).
  Image ramp(16, 4);
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 16; ++x) ramp.at(x, y) = 0xFF000000u | uint32_t(x * 10) * 0x010101u;
  }
  TextureNormalMap(ramp.get());
  // Interior: the gray levels are round(0.3 v) + round(0.6 v) + round(0.1 v) of v = 10 x.
  const uint32_t p = ramp.at(5, 1);
  EXPECT_EQ(p >> 24, 0xFFu);
  EXPECT_LT((p >> 16) & 0xFF, 127u);  // rising to the right: nx < 0
  EXPECT_EQ((p >> 8) & 0xFF, 127u);   // no slope in y
  // A hard vertical edge (1 on the left, 0 on the right) has nx = 2: red would be 381; it is
  // limited to 255 instead of carrying into alpha.
  Image edge(8, 4, 0xFF000000u);
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 4; ++x) edge.at(x, y) = 0xFFFFFFFFu;
  }
  TextureNormalMap(edge.get());
  edge.ExpectPixels({{4, 1, 0xFFFF7F00u},  // blue: 127 (2 - 2) = 0
                     {3, 1, 0xFFFF7F00u}});
}

TEST(Filters, RecordsWithoutPixelsAndVolumesAreLeftAlone) {
  Texture volume;
  TextureInit(&volume, kTextureKindVolume, 4, 4, 4, 0, 0);
  TextureNormalMap(&volume);
  TextureBlur3x3(&volume, true);
  TextureVerticalBlur(&volume, 0);
  EXPECT_EQ(volume.pixels[5], 0xFF000000u);
  TextureFreeImage(&volume);
  Texture target;
  TextureInit2D(&target, 4, 4, 0, 1);
  TextureEmboss(&target, 3);
  TextureSharpen(&target, true);
  EXPECT_EQ(target.pixels, nullptr);
}

}  // namespace
