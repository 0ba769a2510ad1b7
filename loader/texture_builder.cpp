// Opcode 1: one 2D texture, its operations in stream order, then upload and list 0.
#include "loader/builders.h"
#include "loader/scene_reader.h"
#include "platform/crt.h"
#include "render/device.h"
#include "render/texture_upload.h"
#include "texgen/color_ops.h"
#include "texgen/drawing.h"
#include "texgen/filters.h"
#include "texgen/generators.h"
#include "texgen/noise.h"
#include "texgen/text.h"
#include "texgen/texture.h"
#include "texgen/transforms.h"

namespace {

using R = SceneReader;

int16_t S16(R& r) { return static_cast<int16_t>(ReadU16(r)); }
uint16_t U16(R& r) { return static_cast<uint16_t>(ReadU16(r)); }
uint8_t U8(R& r) { return static_cast<uint8_t>(ReadByte(r)); }
bool Flag(R& r) { return ReadByte(r) != 0; }

// Four u16 corner operands x1, y1, x2, y2, as the drawing calls take them.
struct Corners {
  int16_t x1, y1, x2, y2;
};
Corners ReadCorners(R& r) {
  Corners c;
  c.x1 = S16(r);
  c.y1 = S16(r);
  c.x2 = S16(r);
  c.y2 = S16(r);
  return c;
}

// Ops 1 to 15: drawing primitives, gradients and rectangle copies. False for other ops.
bool ApplyDrawOp(R& r, Texture* t, uint32_t op) {
  switch (op) {
    case 1: {
      int16_t x = S16(r), y = S16(r);
      TexturePutPixel(t, x, y, ReadColor(r));
      return true;
    }
    case 2: {
      Corners c = ReadCorners(r);
      TextureDrawLine(t, c.x1, c.y1, c.x2, c.y2, ReadColor(r));
      return true;
    }
    case 3: {
      int16_t x = S16(r), y = S16(r);
      int n = ReadU16(r);
      TextureDrawHLine(t, x, y, n, ReadColor(r));
      return true;
    }
    case 4: {
      int16_t x = S16(r), y = S16(r);
      int n = ReadU16(r);
      TextureDrawVLine(t, x, y, n, ReadColor(r));
      return true;
    }
    case 5: {
      Corners c = ReadCorners(r);
      TextureDrawRect(t, c.x1, c.y1, c.x2, c.y2, ReadColor(r));
      return true;
    }
    case 6: {
      Corners c = ReadCorners(r);
      TextureFillRect(t, c.x1, c.y1, c.x2, c.y2, ReadColor(r));
      return true;
    }
    case 7: {
      int16_t x = S16(r), y = S16(r);
      uint16_t rad = U16(r);
      TextureDrawCircle(t, x, y, rad, ReadColor(r));
      return true;
    }
    case 8: {
      int16_t x = S16(r), y = S16(r);
      uint16_t rad = U16(r);
      TextureFillCircle(t, x, y, rad, ReadColor(r));
      return true;
    }
    case 9: {
      uint16_t x1 = U16(r), y1 = U16(r), x2 = U16(r), y2 = U16(r);
      uint32_t from = ReadColor(r);
      TextureLinearGradient(t, x1, y1, x2, y2, from, ReadColor(r));
      return true;
    }
    case 10: {
      uint16_t x = U16(r), y = U16(r), rad = U16(r);
      uint32_t inner = ReadColor(r);
      TextureRadialGradient(t, x, y, rad, inner, ReadColor(r));
      return true;
    }
    case 11: {
      uint8_t size = U8(r), contrast = U8(r);
      TextureDrawBricks(t, size, contrast, U8(r));
      return true;
    }
    case 12:  // three fixed8 and two colours: read and dropped
      for (int i = 0; i < 14; ++i) ReadByte(r);
      return true;
    case 13:
    case 14:
    case 15: {
      uint16_t v[8] = {};
      for (uint32_t i = 0; i < op - 7; ++i) v[i] = U16(r);  // 6, 7 or 8 values
      if (op == 13) TextureCopyRect(t, v[0], v[1], v[2], v[3], v[4], v[5]);
      if (op == 14) TextureCopyRectLine(t, v[0], v[1], v[2], v[3], v[4], v[5], v[6]);
      if (op == 15) TextureCopyRectGrid(t, v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7]);
      return true;
    }
    default: return false;
  }
}

// Ops 16 to 31: combinations, noise and per-pixel colour operations. False for other ops.
bool ApplyColorOp(R& r, Texture* t, uint32_t op) {
  switch (op) {
    case 16: {  // an unresolved source consumes its operands and does nothing
      Texture* source = ReadTextureRef(r);
      uint8_t mode = U8(r), factor = U8(r);
      if (source) TextureBlend(t, source, mode, factor);
      return true;
    }
    case 17: {
      Texture* source = ReadTextureRef(r);
      uint8_t mode = U8(r);
      if (source) TextureCombineChannels(t, source, mode);
      return true;
    }
    case 18: {
      uint16_t w = U16(r), h = U16(r);
      TextureResize(t, w, h, U8(r));
      return true;
    }
    case 19: {
      uint8_t amplitude = U8(r);
      bool perChannel = Flag(r);
      TextureAddNoise(t, amplitude, perChannel, Flag(r));
      return true;
    }
    case 20: {
      bool alpha = ReadByte(r) != 1;  // only 1 turns the alpha write off
      uint16_t x = U16(r), y = U16(r);
      float strength = ReadFixed8(r), persistence = ReadFixed8(r);
      TextureNoiseLayer(t, alpha, x, y, strength, persistence, U8(r));
      return true;
    }
    case 21: TextureBlur3x3(t, Flag(r)); return true;
    case 22: TextureClampToColor(t, ReadColor(r)); return true;
    case 23: TextureGrayscale(t); return true;
    case 24: TextureInvert(t); return true;
    case 25: TextureEmboss(t, U8(r)); return true;
    case 26: TextureOctaveNoise(t); return true;
    case 27: {
      uint8_t p = U8(r);
      TextureRandomBlendColor(t, p, ReadColor(r));
      return true;
    }
    case 28: TextureRandomAlpha0or255(t); return true;
    case 29: TextureRandomAlpha50or200(t); return true;
    case 30: TextureAlphaFromLuminance(t); return true;
    case 31: TextureMirrorTile(t); return true;
    default: return false;
  }
}

// Ops 32 to 45: geometric shifts, filters, thresholds and generators. False for other ops.
bool ApplyFilterOp(R& r, Texture* t, uint32_t op) {
  switch (op) {
    case 32:
    case 33:
    case 34: {
      uint16_t amplitude = U16(r), period = U16(r);
      if (op == 32) TextureSineShiftRows(t, amplitude, period);
      if (op == 33) TextureSineShiftColumns(t, amplitude, period);
      if (op == 34) TextureSineShiftBoth(t, amplitude, period);
      return true;
    }
    case 35: TextureScatter(t, U8(r)); return true;
    case 36: TextureAddColor(t, ReadColor(r)); return true;
    case 37: TextureSubtractColor(t, ReadColor(r)); return true;
    case 38: {
      float red = ReadFixed8(r), green = ReadFixed8(r), blue = ReadFixed8(r);
      TextureScaleChannels(t, red, green, blue, ReadFixed8(r));
      return true;
    }
    case 39: TextureVerticalBlur(t, U8(r)); return true;
    case 40: {
      uint16_t degrees = U16(r);
      TextureRotate(t, degrees, ReadByte(r) == 1);
      return true;
    }
    case 41: ReadByte(r); return true;
    case 42:
    case 43: {
      uint8_t threshold = U8(r);
      TextureThresholdRecolor(t, threshold, ReadColor(r));
      return true;
    }
    case 44: {
      uint16_t count = U16(r);
      uint8_t mode = U8(r);
      TextureCellular(t, count, mode, U8(r));
      return true;
    }
    case 45: TextureNormalMap(t); return true;
    default: return false;
  }
}

// Ops 46 to 54: text, 3x3 kernels, the gradient map and the grid. False for other ops.
bool ApplyKernelOp(R& r, Texture* t, uint32_t op) {
  switch (op) {
    case 46: {
      char* face = ReadString(r);
      uint8_t size = U8(r);
      bool bold = Flag(r), italic = Flag(r);
      uint16_t x = U16(r), y = U16(r);
      uint32_t color = ReadColor(r);
      char* text = ReadString(r);
      TextureDrawText(t, face, size, bold, italic, x, y, color, text);
      crt::AlignedFree(face);
      crt::AlignedFree(text);
      return true;
    }
    case 47: TextureEdgeDetectStrong(t, Flag(r)); return true;
    case 48: TextureEdgeDetect(t, Flag(r)); return true;
    case 49: TextureSharpen(t, Flag(r)); return true;
    case 50: TextureReliefUpLeft(t, Flag(r)); return true;
    case 51: TextureReliefDownRight(t, Flag(r)); return true;
    case 52: {
      float kernel[9];
      for (float& k : kernel) k = ReadFixed8(r);
      TextureConvolve3x3(t, kernel, Flag(r));
      return true;
    }
    case 53: {  // all six keys are always read, whatever the count says
      uint8_t count = U8(r);
      uint32_t colors[6];
      uint8_t positions[6];
      for (uint32_t& c : colors) c = ReadColor(r);
      for (uint8_t& p : positions) p = U8(r);
      TextureGradientMap(t, count, colors, positions);
      return true;
    }
    case 54: {
      uint16_t stepX = U16(r), stepY = U16(r);
      uint8_t thickness = U8(r);
      TextureDrawGrid(t, stepX, stepY, thickness, ReadColor(r));
      return true;
    }
    default: return false;
  }
}

}  // namespace

void BuildTexture(SceneReader& reader) {
  uint16_t width = U16(reader);
  uint16_t height = U16(reader);
  uint32_t linearFilter = ReadByte(reader);
  ReadByte(reader);  // no meaning
  uint8_t renderTarget = Flag(reader) ? 1 : 0;
  Texture* texture = crt::AlignedNew<Texture>();
  TextureInit2D(texture, width, height, linearFilter, renderTarget);
  for (;;) {
    uint32_t op = ReadByte(reader);
    SceneReaderTick(reader);
    if (op == 0 || reader.stopped) break;
    if (!ApplyDrawOp(reader, texture, op) && !ApplyColorOp(reader, texture, op) &&
        !ApplyFilterOp(reader, texture, op)) {
      ApplyKernelOp(reader, texture, op);  // any other op byte reads nothing
    }
  }
  // Without a Direct3D device (tools, tests) the image stays on the CPU.
  if (reader.device && reader.device->device) TextureUpload(texture, *reader.device);
  ListAppend(*reader.lists[kListTextures], texture);
}
