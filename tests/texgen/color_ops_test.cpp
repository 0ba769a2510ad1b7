#include "texgen/color_ops.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "texgen_fixture.h"

namespace {

using texgentest::Image;

TEST(ColorLuminance, RoundingOfTermsAndOfTheSumAndLerpClamping) {
  EXPECT_EQ(LuminanceOfTerms(0xFFFFFFFFu), 255);  // 76 + 153 + 26 (ties to even)
  EXPECT_EQ(LuminanceOfTerms(0xFF010004u), 0);    // 0.3, 0, 0.4 each round to 0
  EXPECT_EQ(Luminance(0xFF010004u), 1);           // 0.7 rounded once
  EXPECT_EQ(ComputeLuminance(0x00FF0000u), 153);  // red weighs 0.6, green 0.3
  EXPECT_EQ(ComputeLuminance(0x0000FF00u), 76);
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

// An operation with its operands bound, applied to the image.
template <class F, class... A>
std::function<void(Texture*)> Bind(F op, A... operands) {
  return [=](Texture* t) { op(t, operands...); };
}

// Blend and channel combination against a 1 x 1 source of red 200, green 100, blue 50 and
// alpha 0x80 (blending never reads the source's alpha).
const uint32_t kSource = 0x80C86432u;
std::function<void(Texture*)> BlendWith(uint8_t mode, uint8_t factor) {
  return [=](Texture* t) { TextureBlend(t, Image(1, 1, kSource).get(), mode, factor); };
}
std::function<void(Texture*)> CombineWith(uint8_t mode) {
  return [=](Texture* t) { TextureCombineChannels(t, Image(1, 1, kSource).get(), mode); };
}

// One colour operation on a row of pixels from generator seed 1 (first draws 41, 18467, 6334,
// 26500): the row before and after, and the number of crt::rand draws it takes.
struct ColourRow {
  const char* what;
  std::function<void(Texture*)> op;
  std::vector<uint32_t> before, after;
  int draws;
};

const ColourRow kColourRows[] = {
    // Luminance 0, 0.3 -> 0, 0.5 -> 0 (ties to even), 0x0A -> 1: only above the threshold.
    {"threshold 255",
     Bind(TextureThresholdRecolor, 255, 0x12345678u),
     {0x7F000000u, 0x7F000003u, 0x7F000005u},
     {0x7F000000u, 0x7F000003u, 0x7F000005u},
     0},
    {"threshold 0",
     Bind(TextureThresholdRecolor, 0, 0x12345678u),
     {0x7F000000u, 0x7F000003u, 0x7F00000Au},
     {0x7F000000u, 0x7F000003u, 0x7F345678u},
     0},
    {"scale by 1",
     Bind(TextureScaleChannels, 1.0f, 1.0f, 1.0f, 1.0f),
     {0xC8646432u},
     {0xC8646432u},
     0},
    // 200 x 2 -> 255, 100 x 2, 100 x 0.5, 50 x 1.5; green 3 x 0.5 = 1.5 rounds to even 2.
    {"scale",
     Bind(TextureScaleChannels, 2.0f, 0.5f, 1.5f, 2.0f),
     {0xC8646432u, 0x01020304u},
     {0xFFC8324Bu, 0x02040206u},
     0},
    {"subtract", Bind(TextureSubtractColor, 0x00202020u), {0xFF101010u}, {0xFF000000u}, 0},
    {"add", Bind(TextureAddColor, 0x01F0F0F0u), {0xFF202020u}, {0xFFFFFFFFu}, 0},
    {"invert", TextureInvert, {0x40FF8000u}, {0x40007FFFu}, 0},
    // 76 (76.5) + 77 (76.8) + 0, alpha kept.
    {"grayscale", TextureGrayscale, {0x40FF8000u, 0xFF010004u}, {0x40999999u, 0xFF000000u}, 0},
    {"clamp", Bind(TextureClampToColor, 0x00505050u), {0x80A01060u}, {0x80501050u}, 0},
    {"alpha from luminance", TextureAlphaFromLuminance, {0x00FFFFFFu}, {0xFFFFFFFFu}, 0},
    // Odd draws give the high alpha.
    {"random alpha 0 or 255",
     TextureRandomAlpha0or255,
     std::vector<uint32_t>(4, 0x11223344u),
     {0xFF223344u, 0xFF223344u, 0x00223344u, 0x00223344u},
     4},
    {"random alpha 50 or 200",
     TextureRandomAlpha50or200,
     std::vector<uint32_t>(4, 0x11223344u),
     {0xC8223344u, 0xC8223344u, 0x32223344u, 0x32223344u},
     4},
    // Draws mod 255 are 41, 107, 214, 235: below 128 the pixel moves halfway to the colour.
    {"random blend 128",
     Bind(TextureRandomBlendColor, 128, 0x02040608u),
     std::vector<uint32_t>(4, 0u),
     {0x01020304u, 0x01020304u, 0u, 0u},
     4},
    {"random blend 0",
     Bind(TextureRandomBlendColor, 0, 0xFFFFFFFFu),
     {0x10204060u},
     {0x10204060u},
     1},
    {"random blend 255",
     Bind(TextureRandomBlendColor, 255, 0xFFFFFFFFu),
     {0x10204060u},
     {0x878F9FAFu},
     1},
    {"noise 0", Bind(TextureAddNoise, 0, true, true), {0x10101010u}, {0x10101010u}, 0},
    {"noise 1", Bind(TextureAddNoise, 1, true, true), {0x10101010u}, {0x10101010u}, 4},
    // Grey noise draws % 100: 41, 67, 34, 0.
    {"grey noise",
     Bind(TextureAddNoise, 100, false, false),
     std::vector<uint32_t>(4, 0xFF101010u),
     {0xFF393939u, 0xFF535353u, 0xFF323232u, 0xFF101010u},
     4},
    // Grey first (41), then alpha (67); red stops at 255.
    {"grey noise with alpha",
     Bind(TextureAddNoise, 100, false, true),
     {0x80F01020u},
     {0xC3FF3949u},
     2},
    // Alpha 41, red 67, green 34, blue 0.
    {"coloured noise with alpha",
     Bind(TextureAddNoise, 100, true, true),
     {0x10101010u},
     {0x39533210u},
     4},
    {"blend add", BlendWith(0, 255), {0x11808080u}, {0x11FFE4B2u}, 0},
    {"blend subtract", BlendWith(1, 255), {0x11808080u}, {0x11001C4Eu}, 0},
    {"blend average", BlendWith(2, 255), {0x11808081u}, {0x11A47259u}, 0},   // 179 / 2 -> 89
    {"blend multiply", BlendWith(3, 255), {0x11808080u}, {0x11643219u}, 0},  // 100.4 -> 100
    // s = round(200 * 128 / 255) = 100, round(100 * 0.50196) = 50, 25.
    {"blend factor 128", BlendWith(0, 128), {0x00000000u}, {0x00643219u}, 0},
    {"blend mode 4", BlendWith(4, 255), {0x11808080u}, {0x11808080u}, 0},
    {"blend other size", BlendWith(0, 255), {1u, 2u}, {1u, 2u}, 0},
    // Only the 1 x 1 overlap changes.
    {"combine copy", CombineWith(0), {0xFF010203u, 0xFF010203u}, {kSource, 0xFF010203u}, 0},
    {"combine colour", CombineWith(1), {0xFF010203u}, {0xFFC86432u}, 0},
    {"combine alpha", CombineWith(2), {0xFF010203u}, {0x80010203u}, 0},
    // 0.6 * 200 + 0.3 * 100 + 0.1 * 50 = 155.
    {"combine alpha from luminance", CombineWith(3), {0xFF010203u}, {0x9B010203u}, 0},
    {"combine alpha to grey", CombineWith(4), {0xFF010203u}, {0xFF808080u}, 0},
    {"combine mode 5", CombineWith(5), {0xFF010203u}, {0xFF010203u}, 0},
};

TEST(ColorOps, KnownPixelsAndDrawCounts) {
  for (const ColourRow& row : kColourRows) {
    Image image(static_cast<uint16_t>(row.before.size()), 1);
    std::copy(row.before.begin(), row.before.end(), image->pixels);
    crt::srand(1);
    row.op(image.get());
    EXPECT_EQ(image.Pixels(), row.after) << row.what;
    EXPECT_EQ(testsupport::DrawsBetween(1, crt::RandState()), row.draws) << row.what;
  }
}

}  // namespace
