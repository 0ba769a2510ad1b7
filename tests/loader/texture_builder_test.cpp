#include "loader_test_util.h"
#include "texgen/color_ops.h"
#include "texgen/drawing.h"
#include "texgen/filters.h"
#include "texgen/generators.h"
#include "texgen/noise.h"
#include "texgen/text.h"
#include "texgen/transforms.h"

namespace {

using loadertest::ReaderPtr;
using loadertest::RunScript;

Texture* TextureAt(const ReaderPtr& reader, uint32_t index) {
  return loadertest::At<Texture>(reader, kListTextures, index);
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

// Each row's operation line, run after the prologue, draws what the direct call does: every op
// code reaches its own operation with its operands. Noise
// layer: only a first byte of 1 turns the alpha write off; rotate: only 1 takes alpha from the
// source. Sub-ops 12 and 41 read and drop their operands, 43 is 42, 99 and 200 are ignored.
TEST(TextureBuilderTest, OperandsReachTheOperationsInStreamOrder) {
  static const float kernel[9] = {0, 0.25f, 0, 0.25f, 0, 0.25f, 0, 0.25f, 0};
  static const uint32_t colors[6] = {0xFF000000, 0xFFFF0000, 0xFFFFFF00, 0, 0, 0};
  static const uint8_t positions[6] = {0, 100, 255, 0, 0, 0};
  const std::pair<const char*, void (*)(Texture*)> rows[] = {
      {"radial_gradient 9 20 11 0xFFFFFFFF 0x00000000",
       [](auto t) { TextureRadialGradient(t, 9, 20, 11, 0xFFFFFFFF, 0x00000000); }},
      {"line 1 30 29 2 0xFFFF0000", [](auto t) { TextureDrawLine(t, 1, 30, 29, 2, 0xFFFF0000); }},
      {"copy_rect_grid 0 0 4 3 9 7 3 2",
       [](auto t) { TextureCopyRectGrid(t, 0, 0, 4, 3, 9, 7, 3, 2); }},
      {"scale_channels 0.5 1.25 2 0.75",
       [](auto t) { TextureScaleChannels(t, 0.5f, 1.25f, 2.0f, 0.75f); }},
      {"convolve 0 0.25 0 0.25 0 0.25 0 0.25 0 1",
       [](auto t) { TextureConvolve3x3(t, kernel, true); }},
      {"gradient_map 3 0xFF000000 0xFFFF0000 0xFFFFFF00 0x00000000 0x00000000 0x00000000 0 100 "
       "255 0 0 0",
       [](auto t) { TextureGradientMap(t, 3, colors, positions); }},
      {"grid 5 7 1 0xFF0000FF", [](auto t) { TextureDrawGrid(t, 5, 7, 1, 0xFF0000FF); }},
      {"sine_shift_columns 3 11", [](auto t) { TextureSineShiftColumns(t, 3, 11); }},
      {"hline 2 3 9 0xFFABCDEF", [](auto t) { TextureDrawHLine(t, 2, 3, 9, 0xFFABCDEF); }},
      {"vline 4 1 12 0xFF123456", [](auto t) { TextureDrawVLine(t, 4, 1, 12, 0xFF123456); }},
      {"noise_layer 1 3 4 1.5 0.5 1\n rotate 30 1",
       [](auto t) {
         TextureNoiseLayer(t, false, 3, 4, 1.5f, 0.5f, 1), TextureRotate(t, 30, true);
       }},
      {"noise_layer 2 3 4 1.5 0.5 1\n rotate 30 2",
       [](auto t) {
         TextureNoiseLayer(t, true, 3, 4, 1.5f, 0.5f, 1), TextureRotate(t, 30, false);
       }},
      {"pixel 3 4 0xFF00FF00", [](auto t) { TexturePutPixel(t, 3, 4, 0xFF00FF00); }},
      {"rect 2 3 20 25 0xFFFF00FF", [](auto t) { TextureDrawRect(t, 2, 3, 20, 25, 0xFFFF00FF); }},
      {"circle 16 16 9 0xFF0000FF", [](auto t) { TextureDrawCircle(t, 16, 16, 9, 0xFF0000FF); }},
      {"fill_circle 16 16 9 0xFF0000FF",
       [](auto t) { TextureFillCircle(t, 16, 16, 9, 0xFF0000FF); }},
      {"bricks 8 40 2\n sine_shift_rows 3 11",
       [](auto t) { TextureDrawBricks(t, 8, 40, 2), TextureSineShiftRows(t, 3, 11); }},
      {"copy_rect 0 0 4 3 9 7", [](auto t) { TextureCopyRect(t, 0, 0, 4, 3, 9, 7); }},
      {"copy_rect_line 0 0 4 3 9 7 3", [](auto t) { TextureCopyRectLine(t, 0, 0, 4, 3, 9, 7, 3); }},
      {"resize 16 8 1", [](auto t) { TextureResize(t, 16, 8, 1); }},
      {"add_noise 40 1 0", [](auto t) { TextureAddNoise(t, 40, true, false); }},
      {"random_alpha_50_200\n blur 1",
       [](auto t) { TextureRandomAlpha50or200(t), TextureBlur3x3(t, true); }},
      {"clamp_to_color 0x80808080", [](auto t) { TextureClampToColor(t, 0x80808080); }},
      {"grayscale\n emboss 3", [](auto t) { TextureGrayscale(t), TextureEmboss(t, 3); }},
      {"random_alpha_0_255\n invert",
       [](auto t) { TextureRandomAlpha0or255(t), TextureInvert(t); }},
      {"octave_noise\n mirror_tile", [](auto t) { TextureOctaveNoise(t), TextureMirrorTile(t); }},
      {"random_blend_color 100 0xFF00FFFF",
       [](auto t) { TextureRandomBlendColor(t, 100, 0xFF00FFFF); }},
      {"alpha_from_luminance\n normal_map",
       [](auto t) { TextureAlphaFromLuminance(t), TextureNormalMap(t); }},
      {"sine_shift_both 3 11", [](auto t) { TextureSineShiftBoth(t, 3, 11); }},
      {"scatter 2\n vertical_blur 2",
       [](auto t) { TextureScatter(t, 2), TextureVerticalBlur(t, 2); }},
      {"add_color 0x00102030", [](auto t) { TextureAddColor(t, 0x00102030); }},
      {"subtract_color 0x00102030", [](auto t) { TextureSubtractColor(t, 0x00102030); }},
      {"threshold_recolor 100 0xFF00FFFF",
       [](auto t) { TextureThresholdRecolor(t, 100, 0xFF00FFFF); }},
      {"cellular 5 1 1", [](auto t) { TextureCellular(t, 5, 1, 1); }},
      {"text \"Sans\" 12 1 0 2 3 0xFFFF8000 \"Hi\"",
       [](auto t) { TextureDrawText(t, "Sans", 12, true, false, 2, 3, 0xFFFF8000, "Hi"); }},
      {"edge_detect_strong 1", [](auto t) { TextureEdgeDetectStrong(t, true); }},
      {"edge_detect 0", [](auto t) { TextureEdgeDetect(t, false); }},
      {"sharpen 1", [](auto t) { TextureSharpen(t, true); }},
      {"relief_up_left 0", [](auto t) { TextureReliefUpLeft(t, false); }},
      {"relief_down_right 1", [](auto t) { TextureReliefDownRight(t, true); }},
      {"unused12 1 2 3 0x11223344 0x55667788\n unused41 9\n byte 99\n byte 200\n"
       " threshold_recolor_b 100 0xFF00FFFF",
       [](auto t) { TextureThresholdRecolor(t, 100, 0xFF00FFFF); }}};
  for (const auto& [line, op] : rows) {
    crt::srand(5);
    ReaderPtr r = RunScript(std::string(kPrologue) + " " + line + "\nend\n");
    Texture* expected = Reference();
    crt::srand(5);
    op(expected);
    EXPECT_EQ(Pixels(TextureAt(r, 0)), Pixels(expected)) << line;
    TextureDestroy(expected);
  }
}

// Sources are earlier textures (unresolved ones and the texture itself do nothing); a header
// without linear filtering and a render target without pixels. Materials: header fields,
// texture slots (an unresolved one leaves the slot).
TEST(TextureBuilderTest, SourcesTargetsAndMaterials) {
  ReaderPtr r = RunScript(
      std::string(kPrologue) + "end\n" +
      "texture b 32 32 1 0 0\n fill_rect 0 0 31 31 0xFF204060\n"
      " blend t 1 128\n combine_channels @1 2\n blend - 1 200\n blend @5 0 0\nend\n"
      "texture empty 8 4 0 0 0\nend\ntexture target 64 64 1 0 1\nend\n"
      "material full 2 0.5\n diffuse t\n normal b\n specular t\n diffuse -\n byte 9\nend\n");
  Texture* expected = TextureCreateScratch(32, 32);
  expected->linearFilter = 1;
  TextureFillRect(expected, 0, 0, 31, 31, 0xFF204060);
  TextureBlend(expected, TextureAt(r, 0), 1, 128);
  EXPECT_EQ(Pixels(TextureAt(r, 1)), Pixels(expected));
  TextureDestroy(expected);
  const Texture* empty = TextureAt(r, 2);
  EXPECT_TRUE(empty->width == 8 && empty->height == 4 && empty->linearFilter == 0);
  EXPECT_EQ(Pixels(empty), std::vector<uint32_t>(32, 0xFF000000));
  EXPECT_TRUE(TextureAt(r, 3)->renderTarget == 1 && TextureAt(r, 3)->pixels == nullptr);
  const Material* full = ListAtAs<Material>(*r->lists[kListMaterials], 0);
  EXPECT_TRUE(full->refraction == 1 && full->distortionScale == 0.5f);
  EXPECT_TRUE(full->diffuse == TextureAt(r, 0) && full->normalMap == TextureAt(r, 1) &&
              full->specular == TextureAt(r, 0));
}

}  // namespace
