#include <gtest/gtest.h>

#include <vector>

#include "loader_test_util.h"
#include "mesh/material.h"
#include "platform/crt.h"
#include "texgen/color_ops.h"
#include "texgen/drawing.h"
#include "texgen/filters.h"
#include "texgen/generators.h"
#include "texgen/noise.h"
#include "texgen/texture.h"
#include "texgen/transforms.h"

namespace {

using loadertest::ReaderPtr;
using loadertest::RunScript;

Texture* TextureAt(const ReaderPtr& reader, uint32_t index) {
  return ListAtAs<Texture>(*reader->lists[kListTextures], index);
}

std::vector<uint32_t> Pixels(const Texture* t) {
  return std::vector<uint32_t>(t->pixels, t->pixels + TexturePixelCount(t));
}

// A 32 x 32 image with the same starting pattern as the script's first two ops.
Texture* Reference() {
  Texture* t = TextureCreateScratch(32, 32);
  t->linearFilter = 1;
  TextureLinearGradient(t, 0, 0, 31, 7, 0xFF102030, 0x80F0E0D0);
  TextureFillRect(t, 3, 5, 20, 9, 0xFF00FF00);
  return t;
}
const char kPrologue[] =
    "texture t 32 32 1 77 0\n"
    " linear_gradient 0 0 31 7 0xFF102030 0x80F0E0D0\n"
    " fill_rect 3 5 20 9 0xFF00FF00\n";

TEST(TextureBuilderTest, OperandsReachTheOperationsInStreamOrder) {
  ReaderPtr r = RunScript(std::string(kPrologue) +
                          " radial_gradient 9 20 11 0xFFFFFFFF 0x00000000\n"
                          " line 1 30 29 2 0xFFFF0000\n"
                          " copy_rect_grid 0 0 4 3 9 7 3 2\n"
                          " scale_channels 0.5 1.25 2 0.75\n"
                          " convolve 0 0.25 0 0.25 0 0.25 0 0.25 0 1\n"
                          " gradient_map 3 0xFF000000 0xFFFF0000 0xFFFFFF00 0x00000000 "
                          "0x00000000 0x00000000 0 100 255 0 0 0\n"
                          " grid 5 7 1 0xFF0000FF\n"
                          " sine_shift_columns 3 11\n"
                          " hline 2 3 9 0xFFABCDEF\n"
                          " vline 4 1 12 0xFF123456\n"
                          "end\n");
  Texture* expected = Reference();
  TextureRadialGradient(expected, 9, 20, 11, 0xFFFFFFFF, 0x00000000);
  TextureDrawLine(expected, 1, 30, 29, 2, 0xFFFF0000);
  TextureCopyRectGrid(expected, 0, 0, 4, 3, 9, 7, 3, 2);
  TextureScaleChannels(expected, 0.5f, 1.25f, 2.0f, 0.75f);
  const float kernel[9] = {0, 0.25f, 0, 0.25f, 0, 0.25f, 0, 0.25f, 0};
  TextureConvolve3x3(expected, kernel, true);
  const uint32_t colors[6] = {0xFF000000, 0xFFFF0000, 0xFFFFFF00, 0, 0, 0};
  const uint8_t positions[6] = {0, 100, 255, 0, 0, 0};
  TextureGradientMap(expected, 3, colors, positions);
  TextureDrawGrid(expected, 5, 7, 1, 0xFF0000FF);
  TextureSineShiftColumns(expected, 3, 11);
  TextureDrawHLine(expected, 2, 3, 9, 0xFFABCDEF);
  TextureDrawVLine(expected, 4, 1, 12, 0xFF123456);
  Texture* built = TextureAt(r, 0);
  EXPECT_EQ(Pixels(built), Pixels(expected));
  EXPECT_EQ(built->linearFilter, 1u);
  EXPECT_EQ(built->renderTarget, 0);
  TextureDestroy(expected);
}

TEST(TextureBuilderTest, FlagOperandsFollowTheirOwnRules) {
  // noise layer: only a first byte of 1 turns the alpha write off; rotate: only 1 takes alpha
  // from the source
  for (int alphaByte : {0, 1, 2}) {
    crt::srand(5);
    ReaderPtr r = RunScript(std::string(kPrologue) + " noise_layer " + std::to_string(alphaByte) +
                            " 3 4 1.5 0.5 1\n rotate 30 " + std::to_string(alphaByte) + "\nend\n");
    Texture* expected = Reference();
    crt::srand(5);
    TextureNoiseLayer(expected, alphaByte != 1, 3, 4, 1.5f, 0.5f, 1);
    TextureRotate(expected, 30, alphaByte == 1);
    EXPECT_EQ(Pixels(TextureAt(r, 0)), Pixels(expected)) << alphaByte;
    TextureDestroy(expected);
  }
}

TEST(TextureBuilderTest, SkippedOpsChangeNothing) {
  // 12 and 41 read and drop their operands; 43 is 42; 99 and 200 are ignored bytes
  ReaderPtr r =
      RunScript(std::string(kPrologue) +
                " unused12 1 2 3 0x11223344 0x55667788\n unused41 9\n byte 99\n byte 200\n"
                " threshold_recolor_b 100 0xFF00FFFF\nend\n" +
                "texture u 32 32 1 0 0\n"
                " linear_gradient 0 0 31 7 0xFF102030 0x80F0E0D0\n"
                " fill_rect 3 5 20 9 0xFF00FF00\n threshold_recolor 100 0xFF00FFFF\nend\n");
  EXPECT_EQ(Pixels(TextureAt(r, 0)), Pixels(TextureAt(r, 1)));
  Texture* plain = Reference();
  TextureThresholdRecolor(plain, 100, 0xFF00FFFF);
  EXPECT_EQ(Pixels(TextureAt(r, 1)), Pixels(plain));
  TextureDestroy(plain);
}

TEST(TextureBuilderTest, SourcesAreEarlierTexturesAndUnresolvedOnesDoNothing) {
  ReaderPtr r =
      RunScript(std::string(kPrologue) + "end\n" +
                "texture b 32 32 1 0 0\n fill_rect 0 0 31 31 0xFF204060\n"
                " blend t 1 128\n combine_channels @1 2\n blend - 1 200\n blend @5 0 0\nend\n"
                "texture empty 8 4 0 0 0\nend\n"
                "texture target 64 64 1 0 1\nend\n");
  ASSERT_EQ(ListCount(*r->lists[kListTextures]), 4u);
  Texture* expected = TextureCreateScratch(32, 32);
  expected->linearFilter = 1;
  TextureFillRect(expected, 0, 0, 31, 31, 0xFF204060);
  TextureBlend(expected, TextureAt(r, 0), 1, 128);
  EXPECT_EQ(Pixels(TextureAt(r, 1)), Pixels(expected));
  Texture* empty = TextureAt(r, 2);
  EXPECT_EQ(empty->width, 8);
  EXPECT_EQ(empty->height, 4);
  EXPECT_EQ(empty->linearFilter, 0u);
  EXPECT_EQ(Pixels(empty), std::vector<uint32_t>(32, 0xFF000000));
  Texture* target = TextureAt(r, 3);
  EXPECT_EQ(target->renderTarget, 1);
  EXPECT_EQ(target->pixels, nullptr);
  TextureDestroy(expected);
}

TEST(MaterialBuilderTest, HeaderAndTextureSlots) {
  ReaderPtr r = RunScript(
      "texture a 4 4 1 0 0\nend\ntexture b 4 4 1 0 0\nend\n"
      "material plain 0 1\nend\n"
      "material full 2 0.5\n diffuse a\n normal b\n specular a\n diffuse -\n byte 9\nend\n");
  Material* plain = ListAtAs<Material>(*r->lists[kListMaterials], 0);
  EXPECT_EQ(plain->diffuse, nullptr);
  EXPECT_EQ(plain->refraction, 0);
  EXPECT_EQ(plain->distortionScale, 1.0f);
  EXPECT_EQ(plain->specularPower, 8.0f);
  Material* full = ListAtAs<Material>(*r->lists[kListMaterials], 1);
  EXPECT_EQ(full->refraction, 1);
  EXPECT_EQ(full->distortionScale, 0.5f);
  EXPECT_EQ(full->diffuse, TextureAt(r, 0));  // the unresolved diffuse left it as it was
  EXPECT_EQ(full->normalMap, TextureAt(r, 1));
  EXPECT_EQ(full->specular, TextureAt(r, 0));
}

}  // namespace
