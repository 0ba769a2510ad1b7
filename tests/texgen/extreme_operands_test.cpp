// Every operation with extreme operands: image sizes 0, 1 and 65535, coordinates and lengths at
// the 16-bit limits, every mode value. Run under AddressSanitizer, any read or write outside an
// image fails the test; without it the checks still catch hangs and size corruption.

#include <gtest/gtest.h>

#include <functional>
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

using Operation = std::function<void(Texture*, Texture* source, Operands&)>;

struct NamedOperation {
  const char* name;
  Operation run;
};

std::vector<NamedOperation> AllOperations() {
  return {
      {"PutPixel",
       [](Texture* t, Texture*, Operands& o) { TexturePutPixel(t, o.S16(), o.S16(), o.Color()); }},
      {"DrawLine",
       [](Texture* t, Texture*, Operands& o) {
         TextureDrawLine(t, o.S16(), o.S16(), o.S16(), o.S16(), o.Color());
       }},
      {"DrawHLine", [](Texture* t, Texture*,
                       Operands& o) { TextureDrawHLine(t, o.S16(), o.S16(), o.U16(), o.Color()); }},
      {"DrawVLine", [](Texture* t, Texture*,
                       Operands& o) { TextureDrawVLine(t, o.S16(), o.S16(), o.U16(), o.Color()); }},
      {"DrawRect",
       [](Texture* t, Texture*, Operands& o) {
         TextureDrawRect(t, o.S16(), o.S16(), o.S16(), o.S16(), o.Color());
       }},
      {"FillRect",
       [](Texture* t, Texture*, Operands& o) {
         TextureFillRect(t, o.S16(), o.S16(), o.S16(), o.S16(), o.Color());
       }},
      {"DrawCircle",
       [](Texture* t, Texture*, Operands& o) {
         TextureDrawCircle(t, o.S16(), o.S16(), o.U16(), o.Color());
       }},
      {"FillCircle",
       [](Texture* t, Texture*, Operands& o) {
         TextureFillCircle(t, o.S16(), o.S16(), o.U16(), o.Color());
       }},
      {"LinearGradient",
       [](Texture* t, Texture*, Operands& o) {
         TextureLinearGradient(t, o.U16(), o.U16(), o.U16(), o.U16(), o.Color(), o.Color());
       }},
      {"RadialGradient",
       [](Texture* t, Texture*, Operands& o) {
         TextureRadialGradient(t, o.U16(), o.U16(), o.U16(), o.Color(), o.Color());
       }},
      {"DrawBricks",
       [](Texture* t, Texture*, Operands& o) { TextureDrawBricks(t, o.U8(), o.U8(), o.U8()); }},
      {"CopyRect",
       [](Texture* t, Texture*, Operands& o) {
         TextureCopyRect(t, o.U16(), o.U16(), o.U16(), o.U16(), o.U16(), o.U16());
       }},
      {"CopyRectLine",
       [](Texture* t, Texture*, Operands& o) {
         TextureCopyRectLine(t, o.U16(), o.U16(), o.U16(), o.U16(), o.U16(), o.U16(), o.U16());
       }},
      {"CopyRectGrid",
       [](Texture* t, Texture*, Operands& o) {
         TextureCopyRectGrid(t, o.U16(), o.U16(), o.U16(), o.U16(), o.U16(), o.U16(), o.U8(),
                             o.U8());
       }},
      {"Blend", [](Texture* t, Texture* s, Operands& o) { TextureBlend(t, s, o.Mode(), o.U8()); }},
      {"CombineChannels",
       [](Texture* t, Texture* s, Operands& o) { TextureCombineChannels(t, s, o.Mode()); }},
      {"AddNoise",
       [](Texture* t, Texture*, Operands& o) { TextureAddNoise(t, o.U8(), o.Flag(), o.Flag()); }},
      {"NoiseLayer",
       [](Texture* t, Texture*, Operands& o) {
         TextureNoiseLayer(t, o.Flag(), o.U16(), o.U16(), o.Fixed(), o.Fixed(), o.Mode() & 7);
       }},
      {"Blur3x3", [](Texture* t, Texture*, Operands& o) { TextureBlur3x3(t, o.Flag()); }},
      {"ClampToColor",
       [](Texture* t, Texture*, Operands& o) { TextureClampToColor(t, o.Color()); }},
      {"Grayscale", [](Texture* t, Texture*, Operands&) { TextureGrayscale(t); }},
      {"Invert", [](Texture* t, Texture*, Operands&) { TextureInvert(t); }},
      {"Emboss", [](Texture* t, Texture*, Operands& o) { TextureEmboss(t, o.U8()); }},
      {"OctaveNoise", [](Texture* t, Texture*, Operands&) { TextureOctaveNoise(t); }},
      {"RandomBlendColor",
       [](Texture* t, Texture*, Operands& o) { TextureRandomBlendColor(t, o.U8(), o.Color()); }},
      {"RandomAlpha0or255", [](Texture* t, Texture*, Operands&) { TextureRandomAlpha0or255(t); }},
      {"RandomAlpha50or200", [](Texture* t, Texture*, Operands&) { TextureRandomAlpha50or200(t); }},
      {"AlphaFromLuminance", [](Texture* t, Texture*, Operands&) { TextureAlphaFromLuminance(t); }},
      {"SineShiftRows",
       [](Texture* t, Texture*, Operands& o) { TextureSineShiftRows(t, o.U16(), o.U16()); }},
      {"SineShiftColumns",
       [](Texture* t, Texture*, Operands& o) { TextureSineShiftColumns(t, o.U16(), o.U16()); }},
      {"SineShiftBoth",
       [](Texture* t, Texture*, Operands& o) { TextureSineShiftBoth(t, o.U16(), o.U16()); }},
      {"Scatter", [](Texture* t, Texture*, Operands& o) { TextureScatter(t, o.U8()); }},
      {"AddColor", [](Texture* t, Texture*, Operands& o) { TextureAddColor(t, o.Color()); }},
      {"SubtractColor",
       [](Texture* t, Texture*, Operands& o) { TextureSubtractColor(t, o.Color()); }},
      {"ScaleChannels",
       [](Texture* t, Texture*, Operands& o) {
         TextureScaleChannels(t, o.Fixed(), o.Fixed(), o.Fixed(), o.Fixed());
       }},
      {"VerticalBlur", [](Texture* t, Texture*, Operands& o) { TextureVerticalBlur(t, o.U8()); }},
      {"Rotate", [](Texture* t, Texture*, Operands& o) { TextureRotate(t, o.U16(), o.Flag()); }},
      {"ThresholdRecolor",
       [](Texture* t, Texture*, Operands& o) { TextureThresholdRecolor(t, o.U8(), o.Color()); }},
      {"Cellular",
       [](Texture* t, Texture*, Operands& o) {
         const uint32_t pixels = t->pixels ? TexturePixelCount(t) : 0;
         TextureCellular(t, pixels > 64 ? o.U8() : o.U16(), o.Mode(), o.U8());
       }},
      {"NormalMap", [](Texture* t, Texture*, Operands&) { TextureNormalMap(t); }},
      {"EdgeDetectStrong",
       [](Texture* t, Texture*, Operands& o) { TextureEdgeDetectStrong(t, o.Flag()); }},
      {"EdgeDetect", [](Texture* t, Texture*, Operands& o) { TextureEdgeDetect(t, o.Flag()); }},
      {"Sharpen", [](Texture* t, Texture*, Operands& o) { TextureSharpen(t, o.Flag()); }},
      {"ReliefUpLeft", [](Texture* t, Texture*, Operands& o) { TextureReliefUpLeft(t, o.Flag()); }},
      {"ReliefDownRight",
       [](Texture* t, Texture*, Operands& o) { TextureReliefDownRight(t, o.Flag()); }},
      {"Convolve3x3",
       [](Texture* t, Texture*, Operands& o) {
         float k[9];
         for (float& w : k) w = o.Flag() ? o.Fixed() : -o.Fixed();
         TextureConvolve3x3(t, k, o.Flag());
       }},
      {"GradientMap",
       [](Texture* t, Texture*, Operands& o) {
         uint32_t colors[6];
         uint8_t positions[6];
         for (int k = 0; k < 6; ++k) colors[k] = o.Color(), positions[k] = o.U8();
         TextureGradientMap(t, o.Mode(), colors, positions);
       }},
      {"DrawGrid", [](Texture* t, Texture*,
                      Operands& o) { TextureDrawGrid(t, o.U16(), o.U16(), o.U8(), o.Color()); }},
      {"Resize",
       [](Texture* t, Texture*, Operands& o) {
         // Keep the images small enough to stay quick: one side at most 65535, the other tiny.
         const bool wide = o.Flag();
         TextureResize(t, wide ? o.U16() : o.U8(), wide ? o.U8() : o.U16(), o.Mode());
       }},
      {"MirrorTile", [](Texture* t, Texture*, Operands&) { TextureMirrorTile(t); }},
  };
}

struct Shape {
  uint16_t width, height;
  uint8_t kind;
  bool renderTarget;
};

const Shape kShapes[] = {{0, 0, 0, false},     {1, 1, 0, false},     {2, 3, 0, false},
                         {65535, 1, 0, false}, {1, 65535, 0, false}, {4, 0, 2, false},
                         {3, 3, 1, false},     {256, 256, 0, true},  {0, 5, 0, false}};

Texture* MakeShape(const Shape& shape) {
  Texture* t = crt::AlignedNew<Texture>();
  TextureInit(t, shape.kind, shape.width, shape.height, shape.kind == 1 ? 3 : 0, 0,
              shape.renderTarget);
  return t;
}

// The record stays consistent: a block exactly as large as its size says.
void ExpectConsistent(const Texture* t, const std::string& where) {
  if (!t->pixels) return;
  if (t->kind == kTextureKind2D) {
    ASSERT_EQ(uint64_t{t->byteSize}, uint64_t{t->width} * t->height * 4) << where;
  }
}

TEST(ExtremeOperands, EveryOperationOnEveryShape) {
  crt::srand(1);
  for (const NamedOperation& op : AllOperations()) {
    for (const Shape& shape : kShapes) {
      Operands operands(uint32_t(shape.width * 31 + shape.height + shape.kind));
      for (int trial = 0; trial < 12; ++trial) {
        Texture* texture = MakeShape(shape);
        Texture* source = MakeShape(kShapes[trial % std::size(kShapes)]);
        op.run(texture, trial % 3 == 0 ? nullptr : source, operands);
        ExpectConsistent(texture, std::string(op.name) + " " + std::to_string(shape.width) + "x" +
                                      std::to_string(shape.height));
        TextureDestroy(source);
        TextureDestroy(texture);
      }
    }
  }
}

TEST(ExtremeOperands, EveryModeValue) {
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
  }
  TextureDestroy(source);
  for (uint32_t preset = 0; preset < 256; preset += 51) {
    Texture t{};
    TextureInitPreset(&t, preset);
    TextureFreeImage(&t);
  }
}

TEST(ExtremeOperands, TextAtLimits) {
  Texture* t = TextureCreateScratch(3, 2);
  TextureDrawText(t, "DejaVu Sans", 255, true, true, 65535, 0, 0xFFFFFFFFu, "Wg\n\n\nW");
  TextureDrawText(t, "DejaVu Sans", 1, false, false, 0, 0, 0xFFFFFFFFu, "a");
  TextureDrawText(t, "X", 40, false, false, 1, 1, 0xFFFFFFFFu, "\r\n&&\x01\xff");
  Texture volume;
  TextureInit(&volume, kTextureKindVolume, 8, 8, 2, 0, 0);
  TextureDrawText(&volume, "DejaVu Sans", 20, false, false, 0, 0, 0xFFFFFFFFu, "W");
  TextureFreeImage(&volume);
  Texture target;
  TextureInit2D(&target, 64, 64, 0, 1);
  TextureDrawText(&target, "DejaVu Sans", 20, false, false, 0, 0, 0xFFFFFFFFu, "W");
  EXPECT_EQ(target.pixels, nullptr);
  // Wider than 65,535 pixels at twice the size: the rendering is cut, the visible part drawn.
  Texture* wide = TextureCreateScratch(512, 512);
  TextureDrawText(wide, "DejaVu Sans", 255, false, false, 0, 0, 0xFFFFFFFFu,
                  std::string(120, 'W').c_str());
  int inked = 0;
  for (uint32_t i = 0; i < TexturePixelCount(wide); ++i) inked += wide->pixels[i] != 0xFF000000u;
  EXPECT_GT(inked, 1000);
  TextureDestroy(wide);
  TextureDestroy(t);
}

}  // namespace
