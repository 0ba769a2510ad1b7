// Fixed recipes of operations on 256 x 256 images from a known crt::rand state. Each recipe's
// image hash and the generator state after it are stored, so any change of a result or of the
// number of random draws shows. HALVEX_PNG_DIR=<folder> writes each image for a look.
#include <tuple>

#include "texgen/color_ops.h"
#include "texgen/drawing.h"
#include "texgen/filters.h"
#include "texgen/generators.h"
#include "texgen/noise.h"
#include "texgen/row_pool.h"
#include "texgen/transforms.h"
#include "texgen_fixture.h"

namespace {

void Marble(Texture* t) {
  TextureNoiseLayer(t, false, 3, 7, 1.0f, 0.5f, 3);
  const uint32_t colors[6] = {0xFF101830u, 0xFF4060A0u, 0xFFE0E8F0u, 0xFF203040u, 0, 0};
  const uint8_t positions[6] = {0, 90, 180, 255, 0, 0};
  TextureGradientMap(t, 4, colors, positions);
}

void Cells(Texture* t) {
  TextureCellular(t, 64, 0, 1);
  TextureBlur3x3(t, false);
  TextureNormalMap(t);
}

void Bricks(Texture* t) {
  TextureFillRect(t, 0, 0, 255, 255, 0xFF8A4A30u);
  TextureAddNoise(t, 40, true, false);
  TextureDrawBricks(t, 32, 120, 3);
  TextureEmboss(t, 60);
}

void Octaves(Texture* t) {
  TextureOctaveNoise(t);
  TextureGrayscale(t);
  TextureThresholdRecolor(t, 140, 0xFFFFC000u);
  TextureVerticalBlur(t, 6);
}

void Shapes(Texture* t) {
  TextureLinearGradient(t, 0, 0, 255, 128, 0xFF000040u, 0xFF40C0FFu);
  TextureRadialGradient(t, 128, 128, 100, 0x80FFFFFFu, 0x00000000u);
  TextureFillCircle(t, 60, 190, 40, 0xFFFF4040u);
  TextureDrawCircle(t, 200, 60, 70, 0xFF40FF40u);
  TextureDrawLine(t, 0, 255, 255, 0, 0xFFFFFFFFu);
  TextureDrawRect(t, 20, 20, 100, 80, 0xFFFFFF00u);
  TextureDrawGrid(t, 32, 64, 2, 0x80000000u);
  TextureDrawHLine(t, -10, 250, 300, 0xFF00FFFFu);
  TextureDrawVLine(t, 250, -10, 300, 0xFFFF00FFu);
}

void Moves(Texture* t) {
  TextureLinearGradient(t, 0, 0, 255, 255, 0xFF0000FFu, 0xFFFF0000u);
  TextureDrawGrid(t, 16, 16, 1, 0xFFFFFFFFu);
  TextureRotate(t, 30, false);
  TextureSineShiftBoth(t, 9, 40);
  TextureCopyRectGrid(t, 0, 0, 32, 32, 64, 64, 4, 4);
  TextureCopyRectLine(t, 10, 10, 50, 50, 20, 5, 5);
  TextureResize(t, 128, 128, 0);
  TextureMirrorTile(t);
}

void Scattered(Texture* t) {
  TextureRadialGradient(t, 128, 128, 128, 0xFFFFFFFFu, 0xFF000000u);
  TextureRandomAlpha0or255(t);
  TextureScatter(t, 5);
  TextureRandomAlpha50or200(t);
  TextureRandomBlendColor(t, 60, 0xFF00FF00u);
  TextureAlphaFromLuminance(t);
}

void Resampled(Texture* t) {
  Image small(32, 32);
  TextureAddNoise(small.get(), 255, true, true);
  Image copy(32, 32);
  TextureCombineChannels(copy.get(), small.get(), 0);
  TextureResize(small.get(), 256, 256, 1);
  TextureResize(copy.get(), 256, 256, 2);
  TextureCombineChannels(t, small.get(), 1);
  TextureBlend(t, copy.get(), 3, 200);
  TextureCombineChannels(t, copy.get(), 3);
}

void Colours(Texture* t) {
  TextureLinearGradient(t, 0, 0, 255, 0, 0xFF000000u, 0xFFFFFFFFu);
  TextureAddColor(t, 0x00301000u);
  TextureSubtractColor(t, 0x00002040u);
  TextureClampToColor(t, 0x00E0F0FFu);
  TextureAddNoise(t, 16, false, true);
  TextureSharpen(t, false);
  const float kernel[9] = {0.25f, 0, -0.25f, 0.5f, 0, -0.5f, 0.25f, 0, -0.25f};
  TextureConvolve3x3(t, kernel, false);
  TextureReliefDownRight(t, true);
  TextureEdgeDetectStrong(t, false);
}

// The operations no other recipe runs.
void Remaining(Texture* t) {
  TextureCellular(t, 25, 1, 1);
  TextureEdgeDetect(t, false);
  TextureNoiseLayer(t, true, 9, 900, 0.25f, 0.5f, 0);
  TextureSineShiftRows(t, 7, 30);
  TextureSineShiftColumns(t, 5, 50);
  TextureRotate(t, 45, true);
  TextureReliefUpLeft(t, false);
  TextureCopyRect(t, 0, 0, 100, 100, 120, 140);
  for (int16_t i = 0; i < 200; i += 3) TexturePutPixel(t, i, int16_t(i / 2), 0xFFFF00FFu);
}

// Name, recipe, generator seed, image hash and generator state after.
const std::tuple<const char*, void (*)(Texture*), uint32_t, uint64_t, uint32_t> kRecipes[] = {
    {"marble", Marble, 1, 0x9e88cead72df9c50ull, 0x1u},
    {"cells", Cells, 11, 0x7545f4a8939b85f6ull, 0xaef0a64bu},
    {"bricks", Bricks, 13, 0x20316aad201e2e60ull, 0x3fc7000du},
    {"octaves", Octaves, 14, 0x10d711f4ea05d9beull, 0x4c477212u},
    {"shapes", Shapes, 15, 0xc76523f978df8a53ull, 0xfu},
    {"moves", Moves, 16, 0x1e2437d0f24edcdull, 0x10u},
    {"scattered", Scattered, 17, 0x922653c56cdea614ull, 0x82b10011u},
    {"resampled", Resampled, 18, 0x6917c265a5367663ull, 0x8d0b1012u},
    {"colours", Colours, 19, 0x232e57fdef996197ull, 0x5b4a0013u},
    {"remaining", Remaining, 20, 0x10616d0438e01ed5ull, 0xa16efe53u},
};

// Every thread count, an odd split of the rows included, gives the stored images.
TEST(GoldenRecipes, ImagesAndRandomStatesMatchTheStoredValuesAtAnyThreadCount) {
  for (int count : {1, 5, TextureThreadCount()}) {
    TextureSetThreadCount(count);
    for (auto [name, run, seed, expected, stateAfter] : kRecipes) {
      crt::srand(seed);
      Image image(256, 256);
      run(image.get());
      const uint64_t hash = testsupport::HashAndMaybeWrite(name, 256, 256, image->pixels);
      EXPECT_EQ(hash, expected) << name << std::hex << " 0x" << hash << " " << count;
      EXPECT_EQ(crt::RandState(), stateAfter) << name << " " << count;
    }
  }
}

}  // namespace
