#include "texgen/color_ops.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>

#include "texgen_fixture.h"

namespace {

using texgentest::DrawsBetween;
using texgentest::Image;

TEST(ColorLuminance, RoundingOfTermsAndOfTheSum) {
  EXPECT_EQ(LuminanceOfTerms(0xFFFFFFFFu), 255);  // 76 + 153 + 26 (ties to even)
  EXPECT_EQ(LuminanceOfTerms(0xFF010004u), 0);    // 0.3, 0, 0.4 each round to 0
  EXPECT_EQ(Luminance(0xFF010004u), 1);           // 0.7 rounded once
  EXPECT_EQ(Luminance(0x00FF0000u), 76);
  // ComputeLuminance weighs red 0.6 and green 0.3.
  EXPECT_EQ(ComputeLuminance(0x00FF0000u), 153);
  EXPECT_EQ(ComputeLuminance(0x0000FF00u), 76);
}

TEST(ColorLerp, EndsMiddleAndClampingOutsideTheRange) {
  // Outside 0..1 each channel stops at its limit instead of spilling into its neighbour.
  const struct {
    uint32_t a, b;
    float t;
    uint32_t expected;
  } rows[] = {
      {0x10203040u, 0xF0E0D0C0u, 0.0f, 0x10203040u}, {0x10203040u, 0xF0E0D0C0u, 1.0f, 0xF0E0D0C0u},
      {0x00000000u, 0xFF00FF02u, 0.5f, 0x80008001u},  // 127.5 -> 128, 1 -> 1
      {0x00000000u, 0x80808080u, 3.0f, 0xFFFFFFFFu}, {0x80808080u, 0xFFFFFFFFu, -2.0f, 0x00000000u},
      {0x80808080u, 0xFFFFFFFFu, NAN, 0x00000000u}};
  for (const auto& r : rows) EXPECT_EQ(LerpColor(r.a, r.b, r.t), r.expected) << r.t;
}

// One per-pixel colour operation on a row of pixels: the row before and after.
struct ColourRow {
  const char* what;
  std::function<void(Texture*)> op;
  std::vector<uint32_t> before, after;
};

TEST(ColorOps, PerPixelOperationsOnKnownPixels) {
  const ColourRow rows[] = {
      // Luminance 0, 0.3 -> 0, 0.5 -> 0 (ties to even), 0x0A -> 1: only above the threshold.
      {"threshold 255",
       [](Texture* t) { TextureThresholdRecolor(t, 255, 0x12345678u); },
       {0x7F000000u, 0x7F000003u, 0x7F000005u},
       {0x7F000000u, 0x7F000003u, 0x7F000005u}},
      {"threshold 0",
       [](Texture* t) { TextureThresholdRecolor(t, 0, 0x12345678u); },
       {0x7F000000u, 0x7F000003u, 0x7F00000Au},
       {0x7F000000u, 0x7F000003u, 0x7F345678u}},
      {"scale by 1",
       [](Texture* t) { TextureScaleChannels(t, 1, 1, 1, 1); },
       {0xC8646432u},
       {0xC8646432u}},
      // 200 x 2 -> 255, 100 x 2, 100 x 0.5, 50 x 1.5; green 3 x 0.5 = 1.5 rounds to even 2.
      {"scale",
       [](Texture* t) { TextureScaleChannels(t, 2.0f, 0.5f, 1.5f, 2.0f); },
       {0xC8646432u, 0x01020304u},
       {0xFFC8324Bu, 0x02040206u}},
      {"subtract",
       [](Texture* t) { TextureSubtractColor(t, 0x00202020u); },
       {0xFF101010u},
       {0xFF000000u}},
      {"add", [](Texture* t) { TextureAddColor(t, 0x01F0F0F0u); }, {0xFF202020u}, {0xFFFFFFFFu}},
      {"invert", TextureInvert, {0x40FF8000u}, {0x40007FFFu}},
      // 76 (76.5) + 77 (76.8) + 0, alpha kept.
      {"grayscale", TextureGrayscale, {0x40FF8000u, 0xFF010004u}, {0x40999999u, 0xFF000000u}},
      {"clamp",
       [](Texture* t) { TextureClampToColor(t, 0x00505050u); },
       {0x80A01060u},
       {0x80501050u}},
      {"alpha from luminance", TextureAlphaFromLuminance, {0x00FFFFFFu}, {0xFFFFFFFFu}},
  };
  for (const ColourRow& row : rows) {
    Image image(static_cast<uint16_t>(row.before.size()), 1);
    std::copy(row.before.begin(), row.before.end(), image->pixels);
    row.op(image.get());
    EXPECT_EQ(image.Pixels(), row.after) << row.what;
  }
}

TEST(ColorOps, RandomAlphaPatternsUseOneDrawPerPixelByParity) {
  Image image(64, 4, 0x11223344u);
  crt::srand(7);
  std::vector<int> draws;
  for (uint32_t i = 0; i < image.count(); ++i) draws.push_back(crt::rand());
  crt::srand(7);
  TextureRandomAlpha0or255(image.get());
  for (uint32_t i = 0; i < image.count(); ++i) {
    ASSERT_EQ(image->pixels[i], (draws[i] & 1 ? 0xFF000000u : 0u) | 0x223344u) << i;
  }
  crt::srand(7);
  TextureRandomAlpha50or200(image.get());
  for (uint32_t i = 0; i < image.count(); ++i) {
    ASSERT_EQ(image->pixels[i] >> 24, draws[i] & 1 ? 200u : 50u) << i;
  }
  crt::srand(7);
  for (int i = 0; i < 256; ++i) crt::rand();
  const uint32_t expected = crt::RandState();
  crt::srand(7);
  TextureRandomAlpha0or255(image.get());
  EXPECT_EQ(crt::RandState(), expected);
}

TEST(ColorOps, RandomBlendColorDrawsForEveryPixelWhateverTheProbability) {
  Image image(16, 16, 0x10204060u);
  crt::srand(3);
  const uint32_t before = crt::RandState();
  TextureRandomBlendColor(image.get(), 0, 0xFFFFFFFFu);
  EXPECT_EQ(DrawsBetween(before, crt::RandState()), 256);
  EXPECT_EQ(image.at(5, 5), 0x10204060u);
  TextureRandomBlendColor(image.get(), 255, 0xFFFFFFFFu);  // r mod 255 < 255 always
  for (uint32_t i = 0; i < image.count(); ++i) ASSERT_EQ(image->pixels[i], 0x878F9FAFu);
  // p = 128: exactly the pixels whose draw mod 255 is below 128 change.
  image.Fill(0x00000000u);
  crt::srand(11);
  std::vector<int> draws;
  for (int i = 0; i < 256; ++i) draws.push_back(crt::rand());
  crt::srand(11);
  TextureRandomBlendColor(image.get(), 128, 0x02040608u);
  for (int i = 0; i < 256; ++i) {
    ASSERT_EQ(image->pixels[i], draws[i] % 255 < 128 ? 0x01020304u : 0u) << i;
  }
}

TEST(ColorOps, AddNoiseDrawOrderAndAmplitudeLimits) {
  Image image(8, 8, 0x10101010u);
  crt::srand(5);
  uint32_t before = crt::RandState();
  TextureAddNoise(image.get(), 0, true, true);
  EXPECT_EQ(crt::RandState(), before);  // amplitude 0 draws nothing
  TextureAddNoise(image.get(), 1, false, false);
  EXPECT_EQ(DrawsBetween(before, crt::RandState()), 64);  // one per pixel, all 0
  before = crt::RandState();
  TextureAddNoise(image.get(), 1, true, true);
  EXPECT_EQ(DrawsBetween(before, crt::RandState()), 256);  // alpha, red, green, blue
  for (uint32_t i = 0; i < image.count(); ++i) ASSERT_EQ(image->pixels[i], 0x10101010u);

  // Grey noise: the grey draw comes first, then the alpha draw.
  crt::srand(9);
  const int grey = crt::rand() % 200, alpha = crt::rand() % 200;
  const int red = crt::rand() % 200, green = crt::rand() % 200, blue = crt::rand() % 200;
  Image one(1, 1, 0x80F01020u);
  crt::srand(9);
  TextureAddNoise(one.get(), 200, false, true);
  EXPECT_EQ(one.at(0, 0), (uint32_t(std::min(255, 0x80 + alpha)) << 24) |
                              (uint32_t(std::min(255, 0xF0 + grey)) << 16) |
                              (uint32_t(0x10 + grey) << 8) | uint32_t(0x20 + grey));
  // Coloured noise: alpha, then red, green and blue draws of their own.
  one.at(0, 0) = 0x80F01020u;
  crt::srand(9);
  crt::rand();
  TextureAddNoise(one.get(), 200, true, true);
  EXPECT_EQ(one.at(0, 0), (uint32_t(std::min(255, 0x80 + alpha)) << 24) |
                              (uint32_t(std::min(255, 0xF0 + red)) << 16) |
                              (uint32_t(std::min(255, 0x10 + green)) << 8) |
                              uint32_t(std::min(255, 0x20 + blue)));
}

TEST(ColorOps, AddNoiseFromTheInitialGeneratorState) {
  // The generator's first values are 41, 18467, 6334 and 26500: grey noise of amplitude 100
  // adds 41, 67, 34 and 0 to the first four pixels.
  Image image(4, 1, 0xFF101010u);
  crt::srand(1);
  TextureAddNoise(image.get(), 100, false, false);
  EXPECT_EQ(image.Pixels(),
            (std::vector<uint32_t>{0xFF393939u, 0xFF535353u, 0xFF323232u, 0xFF101010u}));
  // Coloured noise with alpha on one pixel: alpha 41, red 67, green 34, blue 0.
  Image one(1, 1, 0x10101010u);
  crt::srand(1);
  TextureAddNoise(one.get(), 100, true, true);
  EXPECT_EQ(one.at(0, 0), 0x39533210u);
}

TEST(ColorOps, BlendModesAndTheirPreconditions) {
  Image source(2, 1);
  source.at(0, 0) = 0x00C86432u;  // 200, 100, 50; its alpha is never read
  source.at(1, 0) = 0xFF000000u;
  auto blended = [&](uint8_t mode, uint8_t factor, uint32_t dest) {
    Image image(2, 1, dest);
    TextureBlend(image.get(), source.get(), mode, factor);
    return image.at(0, 0);
  };
  EXPECT_EQ(blended(0, 255, 0x11808080u), 0x11FFE4B2u);
  EXPECT_EQ(blended(1, 255, 0x11808080u), 0x11001C4Eu);
  EXPECT_EQ(blended(2, 255, 0x11808081u), 0x11A47259u);  // (129 + 50) / 2 = 89 truncated
  EXPECT_EQ(blended(3, 255, 0x11808080u), 0x11643219u);  // 200/255*128 = 100.4 -> 100
  // factor 128: s = round(200 * 128/255) = 100, round(100 * 0.50196) = 50, 25
  EXPECT_EQ(blended(0, 128, 0x00000000u), 0x00643219u);
  EXPECT_EQ(blended(4, 255, 0x11808080u), 0x11808080u);
  Image wrongSize(2, 2, 0x11808080u);
  TextureBlend(wrongSize.get(), source.get(), 0, 255);
  EXPECT_EQ(wrongSize.at(0, 0), 0x11808080u);
  TextureBlend(wrongSize.get(), nullptr, 0, 255);
  Texture target;
  TextureInit2D(&target, 2, 1, 0, 1);  // a render target has no pixels
  TextureBlend(wrongSize.get(), &target, 0, 255);
  TextureBlend(&target, source.get(), 0, 255);
  EXPECT_EQ(wrongSize.at(0, 0), 0x11808080u);
}

TEST(ColorOps, CombineChannelsOverTheOverlap) {
  Image source(2, 2, 0x80C86432u);
  source.at(1, 1) = 0x40102030u;
  Image image(3, 3, 0xFF010203u);
  TextureCombineChannels(image.get(), source.get(), 0);
  image.ExpectPixels({{0, 0, 0x80C86432u},
                      {1, 1, 0x40102030u},
                      {2, 0, 0xFF010203u},  // outside the 2 x 2 overlap
                      {0, 2, 0xFF010203u}});
  auto combined = [&](uint8_t mode) {
    Image dest(1, 1, 0xFF010203u);
    TextureCombineChannels(dest.get(), source.get(), mode);
    return dest.at(0, 0);
  };
  EXPECT_EQ(combined(1), 0xFFC86432u);
  EXPECT_EQ(combined(2), 0x80010203u);
  EXPECT_EQ(combined(3), 0x9B010203u);  // 0.6 * 200 + 0.3 * 100 + 0.1 * 50 = 155
  EXPECT_EQ(combined(4), 0xFF808080u);
  EXPECT_EQ(combined(5), 0xFF010203u);
  // A 128 x 128 source changes only the top-left quarter of a 256 x 256 image.
  Image big(256, 256, 0xFF000000u);
  Image small(128, 128, 0xFFFFFFFFu);
  TextureCombineChannels(big.get(), small.get(), 0);
  big.ExpectPixels({{127, 127, 0xFFFFFFFFu}, {128, 127, 0xFF000000u}, {127, 128, 0xFF000000u}});
  // The source's kind is tested, not the destination's.
  Texture volume;
  TextureInit(&volume, kTextureKindVolume, 2, 2, 2, 0, 0);
  TextureCombineChannels(big.get(), &volume, 0);
  EXPECT_EQ(big.at(0, 0), 0xFFFFFFFFu);
  TextureCombineChannels(&volume, small.get(), 0);
  EXPECT_EQ(volume.pixels[0], 0xFFFFFFFFu);
  EXPECT_EQ(volume.pixels[4], 0xFF000000u);  // second slice untouched
  TextureFreeImage(&volume);
}

TEST(ColorOps, VolumesAndRecordsWithoutPixelsAreLeftAlone) {
  Texture volume;
  TextureInit(&volume, kTextureKindVolume, 2, 2, 2, 0, 0);
  crt::srand(1);
  TextureInvert(&volume);
  TextureRandomAlpha0or255(&volume);
  TextureAddNoise(&volume, 10, true, true);
  EXPECT_EQ(crt::RandState(), 1u);
  EXPECT_EQ(volume.pixels[0], 0xFF000000u);
  TextureFreeImage(&volume);
  Texture target;
  TextureInit2D(&target, 64, 64, 0, 1);
  TextureGrayscale(&target);
  TextureRandomBlendColor(&target, 255, 0);
  EXPECT_EQ(crt::RandState(), 1u);
  // A cube changes only its first face.
  Texture cube;
  TextureInit(&cube, kTextureKindCube, 4, 0, 0, 0, 0);
  TextureInvert(&cube);
  EXPECT_EQ(cube.pixels[15], 0xFFFFFFFFu);
  EXPECT_EQ(cube.pixels[16], 0xFF000000u);
  TextureFreeImage(&cube);
}

}  // namespace
