// Every operation with extreme operands: image sizes 0, 1 and 65535, coordinates and lengths at
// the 16-bit limits, every mode value. Run under AddressSanitizer, any read or write outside an
// image fails the test; without it the checks still catch hangs and size corruption.

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "texgen/color_ops.h"
#include "texgen/drawing.h"
#include "texgen/filters.h"
#include "texgen/generators.h"
#include "texgen/noise.h"
#include "texgen/text.h"
#include "texgen/transforms.h"
#include "texgen_fixture.h"

namespace {

class Operands {
 public:
  explicit Operands(uint32_t seed) : engine_(seed) {}
  uint16_t U16() {
    static const uint16_t values[] = {0, 1, 2, 3, 255, 256, 32767, 32768, 65534, 65535};
    return values[engine_() % std::size(values)];
  }
  int16_t S16() { return static_cast<int16_t>(U16()); }
  uint8_t U8() {
    static const uint8_t values[] = {0, 1, 2, 3, 127, 128, 254, 255};
    return values[engine_() % std::size(values)];
  }
  uint8_t Mode() { return static_cast<uint8_t>(engine_() % 256); }
  float Fixed() {
    static const float values[] = {0.0f, 0.00390625f, 0.5f, 1.0f, 2.0f, 255.99609375f};
    return values[engine_() % std::size(values)];
  }
  uint32_t Color() { return static_cast<uint32_t>(engine_()); }
  bool Flag() { return engine_() & 1; }

 private:
  std::mt19937 engine_;
};

using Operation = void (*)(Texture* t, Texture* source, Operands& o);

struct NamedOperation {
  const char* call;
  Operation run;
};

void Cellular(Texture* t, Operands& o) {
  // Many points on a large image would take minutes: at most 255 points there.
  const uint32_t pixels = t->pixels ? TexturePixelCount(t) : 0;
  TextureCellular(t, pixels > 64 ? o.U8() : o.U16(), o.Mode(), o.U8());
}

void Convolve(Texture* t, Operands& o) {
  float k[9];
  for (float& w : k) w = o.Flag() ? o.Fixed() : -o.Fixed();
  TextureConvolve3x3(t, k, o.Flag());
}

void GradientMap(Texture* t, Operands& o) {
  uint32_t colors[6];
  uint8_t positions[6];
  for (int k = 0; k < 6; ++k) colors[k] = o.Color(), positions[k] = o.U8();
  TextureGradientMap(t, o.Mode(), colors, positions);
}

void Resize(Texture* t, Operands& o) {
  // Keep the images small enough to stay quick: one side at most 65535, the other tiny.
  const bool wide = o.Flag();
  TextureResize(t, wide ? o.U16() : o.U8(), wide ? o.U8() : o.U16(), o.Mode());
}

// A row of the table: the call as its name, run on the image t with a source s (sometimes
// null) and operand draws o.
// clang-format off
#define CALL(call) \
  {#call, [](Texture* t, [[maybe_unused]] Texture* s, [[maybe_unused]] Operands& o) { call; }}
// clang-format on

const NamedOperation kOperations[] = {
    CALL(TexturePutPixel(t, o.S16(), o.S16(), o.Color())),
    CALL(TextureDrawLine(t, o.S16(), o.S16(), o.S16(), o.S16(), o.Color())),
    CALL(TextureDrawHLine(t, o.S16(), o.S16(), o.U16(), o.Color())),
    CALL(TextureDrawVLine(t, o.S16(), o.S16(), o.U16(), o.Color())),
    CALL(TextureDrawRect(t, o.S16(), o.S16(), o.S16(), o.S16(), o.Color())),
    CALL(TextureFillRect(t, o.S16(), o.S16(), o.S16(), o.S16(), o.Color())),
    CALL(TextureDrawCircle(t, o.S16(), o.S16(), o.U16(), o.Color())),
    CALL(TextureFillCircle(t, o.S16(), o.S16(), o.U16(), o.Color())),
    CALL(TextureLinearGradient(t, o.U16(), o.U16(), o.U16(), o.U16(), o.Color(), o.Color())),
    CALL(TextureRadialGradient(t, o.U16(), o.U16(), o.U16(), o.Color(), o.Color())),
    CALL(TextureDrawBricks(t, o.U8(), o.U8(), o.U8())),
    CALL(TextureCopyRect(t, o.U16(), o.U16(), o.U16(), o.U16(), o.U16(), o.U16())),
    CALL(TextureCopyRectLine(t, o.U16(), o.U16(), o.U16(), o.U16(), o.U16(), o.U16(), o.U16())),
    CALL(TextureCopyRectGrid(t, o.U16(), o.U16(), o.U16(), o.U16(), o.U16(), o.U16(), o.U8(),
                             o.U8())),
    CALL(TextureBlend(t, s, o.Mode(), o.U8())),
    CALL(TextureCombineChannels(t, s, o.Mode())),
    CALL(TextureAddNoise(t, o.U8(), o.Flag(), o.Flag())),
    CALL(TextureNoiseLayer(t, o.Flag(), o.U16(), o.U16(), o.Fixed(), o.Fixed(), o.Mode() & 7)),
    CALL(TextureBlur3x3(t, o.Flag())),
    CALL(TextureClampToColor(t, o.Color())),
    CALL(TextureGrayscale(t)),
    CALL(TextureInvert(t)),
    CALL(TextureEmboss(t, o.U8())),
    CALL(TextureOctaveNoise(t)),
    CALL(TextureRandomBlendColor(t, o.U8(), o.Color())),
    CALL(TextureRandomAlpha0or255(t)),
    CALL(TextureRandomAlpha50or200(t)),
    CALL(TextureAlphaFromLuminance(t)),
    CALL(TextureSineShiftRows(t, o.U16(), o.U16())),
    CALL(TextureSineShiftColumns(t, o.U16(), o.U16())),
    CALL(TextureSineShiftBoth(t, o.U16(), o.U16())),
    CALL(TextureScatter(t, o.U8())),
    CALL(TextureAddColor(t, o.Color())),
    CALL(TextureSubtractColor(t, o.Color())),
    CALL(TextureScaleChannels(t, o.Fixed(), o.Fixed(), o.Fixed(), o.Fixed())),
    CALL(TextureVerticalBlur(t, o.U8())),
    CALL(TextureRotate(t, o.U16(), o.Flag())),
    CALL(TextureThresholdRecolor(t, o.U8(), o.Color())),
    CALL(Cellular(t, o)),
    CALL(TextureNormalMap(t)),
    CALL(TextureEdgeDetectStrong(t, o.Flag())),
    CALL(TextureEdgeDetect(t, o.Flag())),
    CALL(TextureSharpen(t, o.Flag())),
    CALL(TextureReliefUpLeft(t, o.Flag())),
    CALL(TextureReliefDownRight(t, o.Flag())),
    CALL(Convolve(t, o)),
    CALL(GradientMap(t, o)),
    CALL(TextureDrawGrid(t, o.U16(), o.U16(), o.U8(), o.Color())),
    CALL(Resize(t, o)),
    CALL(TextureMirrorTile(t)),
};

struct Shape {
  uint16_t width, height;
  uint8_t kind;
  bool renderTarget;
};

// Sizes 0, 1 and 65535, a cube and a volume, ones too large to hold (a 65535 cube would wrap a
// 32-bit size) and a render target.
const Shape kShapes[] = {{0, 0, 0, false},     {1, 1, 0, false},         {2, 3, 0, false},
                         {65535, 1, 0, false}, {1, 65535, 0, false},     {4, 0, 2, false},
                         {3, 3, 1, false},     {256, 256, 0, true},      {0, 5, 0, false},
                         {65535, 0, 2, false}, {65535, 65535, 1, false}, {4096, 4097, 0, false}};

Texture* MakeShape(const Shape& shape) {
  Texture* t = crt::AlignedNew<Texture>();
  TextureInit(t, shape.kind, shape.width, shape.height, shape.kind == 1 ? 3 : 0, 0,
              shape.renderTarget);
  return t;
}

// The record stays consistent: without pixels its size is 0; with them the block is exactly a
// 2D image or a volume, holds at least a cube's first face (the face every operation walks and
// the upload reads; a resized cube keeps only that face) and stays within the limit.
void ExpectConsistent(const Texture* t, const std::string& where) {
  const uint64_t face = uint64_t{t->width} * t->height * 4, size = t->byteSize;
  const bool fits = t->kind == kTextureKind2D       ? size == face
                    : t->kind == kTextureKindVolume ? size == face * t->depth
                                                    : size >= face;
  ASSERT_TRUE(t->pixels ? fits && size <= kTextureMaxBytes : size == 0) << where << ": " << size;
}

TEST(ExtremeOperands, EveryOperationOnEveryShape) {
  crt::srand(1);
  for (const NamedOperation& op : kOperations) {
    for (const Shape& shape : kShapes) {
      Operands operands(uint32_t(shape.width * 31 + shape.height + shape.kind));
      for (int trial = 0; trial < 12; ++trial) {
        Texture* texture = MakeShape(shape);
        Texture* source = MakeShape(kShapes[trial % std::size(kShapes)]);
        op.run(texture, trial % 3 == 0 ? nullptr : source, operands);
        ExpectConsistent(texture, std::string(op.call) + " " + std::to_string(shape.width) + "x" +
                                      std::to_string(shape.height));
        TextureDestroy(source);
        TextureDestroy(texture);
      }
    }
  }
}

TEST(ExtremeOperands, EveryModeValueAndPreset) {
  Texture* source = TextureCreateScratch(5, 4);
  for (int mode = 0; mode < 256; ++mode) {
    const uint8_t m = uint8_t(mode);
    Texture* t = TextureCreateScratch(5, 4);
    TextureBlend(t, source, m, 255);
    TextureCombineChannels(t, source, m);
    TextureResize(t, 7, 3, m);
    TextureNoiseLayer(t, true, 0, 0, 1.0f, 0.5f, m);
    TextureCellular(t, 3, m, m);
    const uint32_t keys[6] = {1, 2, 3, 4, 5, 6};
    const uint8_t positions[6] = {255, 0, 128, 128, 3, 250};
    TextureGradientMap(t, m, keys, positions);
    ExpectConsistent(t, "mode " + std::to_string(mode));
    TextureDestroy(t);
    Texture preset{};
    TextureInitPreset(&preset, mode);
    ExpectConsistent(&preset, "preset " + std::to_string(mode));
    TextureFreeImage(&preset);
  }
  TextureDestroy(source);
}

TEST(ExtremeOperands, TextAtLimits) {
  Texture* t = TextureCreateScratch(3, 2);
  TextureDrawText(t, "DejaVu Sans", 255, true, true, 65535, 0, 0xFFFFFFFFu, "Wg\n\n\nW");
  TextureDrawText(t, "DejaVu Sans", 1, false, false, 0, 0, 0xFFFFFFFFu, "a");
  TextureDrawText(t, "X", 40, false, false, 1, 1, 0xFFFFFFFFu, "\r\n&&\x01\xff");
  for (const Shape& shape : kShapes) {
    Texture* other = MakeShape(shape);
    TextureDrawText(other, "DejaVu Sans", 20, false, false, 0, 0, 0xFFFFFFFFu, "W");
    ExpectConsistent(other, "text");
    TextureDestroy(other);
  }
  TextureDestroy(t);
}

}  // namespace
