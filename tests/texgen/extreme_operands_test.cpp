// Every operation with extreme operands: image sizes 0, 1 and 65535, coordinates and lengths at
// the 16-bit limits, every mode value. Run under AddressSanitizer, any read or write outside an
// image fails the test; without it the checks still catch hangs and size corruption.
#include <array>
#include <random>
#include <tuple>

#include "texgen/color_ops.h"
#include "texgen/drawing.h"
#include "texgen/filters.h"
#include "texgen/generators.h"
#include "texgen/noise.h"
#include "texgen/text.h"
#include "texgen/transforms.h"
#include "texgen_fixture.h"

namespace {

// Operands drawn by parameter type: 16-bit values and lengths at their limits, 8-bit values and
// modes at theirs, non-negative fixed-point factors, any colour, arrays of those, and the source
// image (sometimes null).
struct Operands {
  auto Pick(auto... v) { return std::array{v...}[engine() % sizeof...(v)]; }
  uint16_t Next(uint16_t) { return Pick(0, 1, 2, 3, 255, 256, 32767, 32768, 65534, 65535); }
  int16_t Next(int16_t) { return static_cast<int16_t>(Next(uint16_t{})); }
  int Next(int) { return Next(uint16_t{}); }
  uint8_t Next(uint8_t) { return Pick(0, 1, 2, 3, 127, 128, 254, 255); }
  float Next(float) { return Pick(0.0f, 0.00390625f, 0.5f, 1.0f, 2.0f, 255.99609375f); }
  uint32_t Next(uint32_t) { return static_cast<uint32_t>(engine()); }
  bool Next(bool) { return engine() & 1; }
  const Texture* Next(const Texture*) { return source; }
  const uint32_t* Next(const uint32_t*) { return Fill(colors); }
  const uint8_t* Next(const uint8_t*) { return Fill(positions); }
  const float* Next(const float*) {
    for (float& w : kernel) w = Next(bool{}) ? Next(w) : -Next(w);
    return kernel;
  }
  template <class T, size_t N>
  T* Fill(T (&values)[N]) {
    for (T& v : values) v = Next(T{});
    return values;
  }

  std::mt19937 engine;
  const Texture* source = nullptr;
  uint32_t colors[6]{};
  uint8_t positions[6]{};
  float kernel[9]{};
};

// Calls the operation with each operand drawn for its parameter's type, left to right.
template <class... P>
void Call(void (*operation)(Texture*, P...), Texture* t, Operands& o) {
  std::apply([&](P... operands) { operation(t, operands...); }, std::tuple<P...>{o.Next(P{})...});
}

using Operation = void (*)(Texture* t, Operands& o);
using Operations = std::vector<std::pair<const char*, Operation>>;
Operations Rows(auto... rows) { return {rows...}; }
template <auto operation>
std::pair<const char*, Operation> Row(const char* name) {
  return {name, [](Texture* t, Operands& o) { Call(operation, t, o); }};
}
#define OP(name) Row<Texture##name>(#name)

// Many points on a large image would take minutes: at most 255 points there. Modes here are
// mostly unknown ones, which only draw the points.
void Cellular(Texture* t, uint16_t count, uint8_t smallCount, uint32_t mode, uint8_t colored) {
  TextureCellular(t, t->pixels && TexturePixelCount(t) > 64 ? smallCount : count, uint8_t(mode),
                  colored);
}

// Keep the images small enough to stay quick: one side at most 65535, the other tiny, and the
// modes mostly unknown ones.
void Resize(Texture* t, bool wide, uint16_t large, uint8_t small, uint32_t mode) {
  TextureResize(t, wide ? large : small, wide ? small : large, uint8_t(mode));
}

// At most 255 x 255 copies keep the run short.
void CopyRectGrid(Texture* t, uint16_t x1, uint16_t y1, uint16_t x2, uint16_t y2, uint16_t stepX,
                  uint16_t stepY, uint8_t columns, uint8_t rows) {
  TextureCopyRectGrid(t, x1, y1, x2, y2, stepX, stepY, columns, rows);
}

// Text with control characters, in a face that may not exist; sizes below 32 keep it quick.
void Text(Texture* t, uint8_t size, bool italic, uint16_t x, uint16_t y, uint32_t color) {
  TextureDrawText(t, italic ? "X" : "DejaVu Sans", size % 32, !italic, italic, x, y, color,
                  "W\n&\x01\xff");
}

const Operations kOperations = Rows(
    OP(PutPixel), OP(DrawLine), OP(DrawHLine), OP(DrawVLine), OP(DrawRect), OP(FillRect),
    OP(DrawCircle), OP(FillCircle), OP(DrawGrid), OP(DrawBricks), OP(LinearGradient),
    OP(RadialGradient), OP(GradientMap), Row<Cellular>("Cellular"), OP(OctaveNoise), OP(NoiseLayer),
    OP(AddNoise), OP(Blend), OP(CombineChannels), OP(RandomBlendColor), OP(ScaleChannels),
    OP(ThresholdRecolor), OP(Grayscale), OP(Invert), OP(RandomAlpha0or255), OP(RandomAlpha50or200),
    OP(AlphaFromLuminance), OP(ClampToColor), OP(AddColor), OP(SubtractColor), OP(Blur3x3),
    OP(EdgeDetectStrong), OP(EdgeDetect), OP(Sharpen), OP(ReliefUpLeft), OP(ReliefDownRight),
    OP(Emboss), OP(VerticalBlur), OP(Convolve3x3), OP(NormalMap), OP(CopyRect), OP(CopyRectLine),
    Row<CopyRectGrid>("CopyRectGrid"), OP(Rotate), OP(SineShiftRows), OP(SineShiftColumns),
    OP(SineShiftBoth), OP(MirrorTile), OP(Scatter), Row<Resize>("Resize"), Row<Text>("DrawText"));

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

Image MakeShape(const Shape& shape) {
  Image t(crt::AlignedNew<Texture>());
  TextureInit(t.get(), shape.kind, shape.width, shape.height, shape.kind == 1 ? 3 : 0, 0,
              shape.renderTarget);
  return t;
}

// The record stays consistent: without pixels its size is 0; with them the block is exactly a
// 2D image or a volume, holds at least a cube's first face (the face every operation walks and
// the upload reads; a resized cube keeps only that face) and stays within the limit.
void ExpectConsistent(const Texture* t, const char* what, int number) {
  const uint64_t face = uint64_t{t->width} * t->height * 4, size = t->byteSize;
  const bool fits = t->kind == kTextureKind2D       ? size == face
                    : t->kind == kTextureKindVolume ? size == face * t->depth
                                                    : size >= face;
  ASSERT_TRUE(t->pixels ? fits && size <= kTextureMaxBytes : size == 0)
      << what << " " << number << ": " << size;
}

TEST(ExtremeOperands, EveryOperationOnEveryShape) {
  crt::srand(1);
  for (auto [call, run] : kOperations) {
    for (const Shape& shape : kShapes) {
      Operands o{std::mt19937(uint32_t(shape.width * 31 + shape.height + shape.kind))};
      for (size_t trial = 0; trial < std::size(kShapes); ++trial) {
        const Image texture = MakeShape(shape), source = MakeShape(kShapes[trial]);
        o.source = trial % 3 == 0 ? nullptr : source.get();
        run(texture.get(), o);
        ExpectConsistent(texture.get(), call, int(&shape - kShapes));  // the shape's row
      }
    }
  }
}

// Blend and channel combination modes are checked pixel by pixel with the colour operations.
TEST(ExtremeOperands, EveryModeValueAndPreset) {
  const uint32_t keys[6] = {1, 2, 3, 4, 5, 6};
  const uint8_t positions[6] = {255, 0, 128, 128, 3, 250};
  for (int m = 0; m < 256; ++m) {
    const Image t(5, 4);
    TextureResize(t.get(), 7, 3, m);
    TextureNoiseLayer(t.get(), true, 0, 0, 1.0f, 0.5f, m);
    TextureCellular(t.get(), 3, m, m);
    TextureGradientMap(t.get(), m, keys, positions);
    ExpectConsistent(t.get(), "mode", m);
    Texture preset{};
    TextureInitPreset(&preset, m);
    ExpectConsistent(&preset, "preset", m);
    TextureFreeImage(&preset);
  }
}

}  // namespace
