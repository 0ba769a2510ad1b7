#include "texgen/color_ops.h"

#include <cmath>
#include <tuple>

#include "texgen_fixture.h"

namespace {

TEST(ColorOps, LerpStopsEachChannelAtItsLimit) {
  // Outside 0..1 a channel stops at its limit instead of spilling into its neighbour.
  const std::tuple<uint32_t, uint32_t, float, uint32_t> rows[] = {
      {0x00000000u, 0xFF00FF02u, 0.5f, 0x80008001u},  // 127.5 -> 128, 1 -> 1
      {0x00000000u, 0x80808080u, 3.0f, 0xFFFFFFFFu},
      {0x80808080u, 0xFFFFFFFFu, -2.0f, 0x00000000u},
      {0x80808080u, 0xFFFFFFFFu, NAN, 0x00000000u}};
  for (auto [a, b, t, expected] : rows) EXPECT_EQ(LerpColor(a, b, t), expected) << t;
}

// An operation with its operands bound, applied to the image.
template <class F, class... A>
std::function<void(Texture*)> Bind(F op, A... operands) {
  return [=](Texture* t) { op(t, operands...); };
}

// The source of blends and channel combinations: 1 x 1, red 200, green 100, blue 50 and alpha
// 0x80 (blending never reads the source's alpha).
const uint32_t kSource = 0x80C86432u;
Texture* Source() {
  static const Image source(1, 1, kSource);
  return source.get();
}

// One colour operation on a row of `width` pixels from generator seed 1 (first draws 41, 18467,
// 6334, 26500): the number of crt::rand draws it takes, the pixels before, then after.
struct ColourRow {
  const char* what;
  std::function<void(Texture*)> op;
  int draws, width;
  uint32_t pixels[8];
};

const ColourRow kColourRows[] = {
    // Luminance 0, 0.3 + 0.4 rounded once -> 1, 0.5 -> 0 (ties to even), 0x0A -> 1: only above
    // the threshold.
    {"threshold", Bind(TextureThresholdRecolor, 0, 0x12345678u), 0, 4, 0x7F000000u, 0x7F010004u,
     0x7F000005u, 0x7F00000Au, 0x7F000000u, 0x7F345678u, 0x7F000005u, 0x7F345678u},
    // 200 x 2 -> 255, 100 x 2, 100 x 0.5, 50 x 1.5; green 3 x 0.5 = 1.5 rounds to even 2.
    {"scale", Bind(TextureScaleChannels, 2.0f, 0.5f, 1.5f, 2.0f), 0, 2, 0xC8646432u, 0x01020304u,
     0xFFC8324Bu, 0x02040206u},
    {"subtract", Bind(TextureSubtractColor, 0x00202020u), 0, 1, 0xFF101010u, 0xFF000000u},
    {"add", Bind(TextureAddColor, 0x01F0F0F0u), 0, 1, 0xFF202020u, 0xFFFFFFFFu},
    {"invert", TextureInvert, 0, 1, 0x40FF8000u, 0x40007FFFu},
    // Terms rounded apiece (ties to even): 76 (76.5) + 77 (76.8) + 0, and 0.3 + 0 + 0.4 -> 0;
    // alpha kept.
    {"grayscale", TextureGrayscale, 0, 2, 0x40FF8000u, 0xFF010004u, 0x40999999u, 0xFF000000u},
    {"clamp", Bind(TextureClampToColor, 0x00505050u), 0, 1, 0x80A01060u, 0x80501050u},
    {"alpha from luminance", TextureAlphaFromLuminance, 0, 1, 0x00FFFFFFu, 0xFFFFFFFFu},
    // Odd draws give the high alpha.
    {"random alpha 0 or 255", TextureRandomAlpha0or255, 4, 4, 0x11223344u, 0x11223344u, 0x11223344u,
     0x11223344u, 0xFF223344u, 0xFF223344u, 0x00223344u, 0x00223344u},
    // Draws mod 255 are 41, 107, 214, 235: below 128 the pixel moves halfway to the colour.
    {"random blend 128", Bind(TextureRandomBlendColor, 128, 0x02040608u), 4, 4, 0, 0, 0, 0,
     0x01020304u, 0x01020304u, 0, 0},
    {"random blend 255", Bind(TextureRandomBlendColor, 255, 0xFFFFFFFFu), 1, 1, 0x10204060u,
     0x878F9FAFu},
    {"noise 0", Bind(TextureAddNoise, 0, true, true), 0, 1, 0x10101010u, 0x10101010u},
    // Grey first (41), then alpha (67); red stops at 255.
    {"grey noise with alpha", Bind(TextureAddNoise, 100, false, true), 2, 1, 0x80F01020u,
     0xC3FF3949u},
    // Alpha 41, red 67, green 34, blue 0.
    {"coloured noise with alpha", Bind(TextureAddNoise, 100, true, true), 4, 1, 0x10101010u,
     0x39533210u},
    {"blend add", Bind(TextureBlend, Source(), 0, 255), 0, 1, 0x11808080u, 0x11FFE4B2u},
    {"blend subtract", Bind(TextureBlend, Source(), 1, 255), 0, 1, 0x11808080u, 0x11001C4Eu},
    // 179 / 2 -> 89
    {"blend average", Bind(TextureBlend, Source(), 2, 255), 0, 1, 0x11808081u, 0x11A47259u},
    // 100.4 -> 100
    {"blend multiply", Bind(TextureBlend, Source(), 3, 255), 0, 1, 0x11808080u, 0x11643219u},
    // s = round(200 * 128 / 255) = 100, round(100 * 0.50196) = 50, 25.
    {"blend factor 128", Bind(TextureBlend, Source(), 0, 128), 0, 1, 0, 0x00643219u},
    {"blend mode 4", Bind(TextureBlend, Source(), 4, 255), 0, 1, 0x11808080u, 0x11808080u},
    {"blend other size", Bind(TextureBlend, Source(), 0, 255), 0, 2, 1, 2, 1, 2},
    // Only the 1 x 1 overlap changes.
    {"combine copy", Bind(TextureCombineChannels, Source(), 0), 0, 2, 0xFF010203u, 0xFF010203u,
     kSource, 0xFF010203u},
    {"combine colour", Bind(TextureCombineChannels, Source(), 1), 0, 1, 0xFF010203u, 0xFFC86432u},
    {"combine alpha", Bind(TextureCombineChannels, Source(), 2), 0, 1, 0xFF010203u, 0x80010203u},
    // 0.6 * 200 + 0.3 * 100 + 0.1 * 50 = 155.
    {"combine alpha from luminance", Bind(TextureCombineChannels, Source(), 3), 0, 1, 0xFF010203u,
     0x9B010203u},
    {"combine alpha to grey", Bind(TextureCombineChannels, Source(), 4), 0, 1, 0xFF010203u,
     0xFF808080u},
    {"combine mode 5", Bind(TextureCombineChannels, Source(), 5), 0, 1, 0xFF010203u, 0xFF010203u},
};

TEST(ColorOps, KnownPixelsAndDrawCounts) {
  for (const ColourRow& row : kColourRows) {
    Image image(uint16_t(row.width), 1);
    std::copy_n(row.pixels, row.width, image->pixels);
    crt::srand(1);
    row.op(image.get());
    const uint32_t* after = row.pixels + row.width;
    EXPECT_EQ(image.Pixels(), std::vector<uint32_t>(after, after + row.width)) << row.what;
    EXPECT_EQ(testsupport::DrawsBetween(1, crt::RandState()), row.draws) << row.what;
  }
}

}  // namespace
