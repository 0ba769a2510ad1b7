#include "texgen/transforms.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/crt.h"
#include "texgen/color_ops.h"
#include "texgen/pixel.h"
#include "texgen/row_pool.h"
#include "texgen/through_copy.h"

// ---- Rectangle copies ---------------------------------------------------------------------

void TextureCopyRect(Texture* texture, uint16_t x1, uint16_t y1, uint16_t x2, uint16_t y2,
                     uint16_t dx, uint16_t dy) {
  if (!TextureIsEditable(texture)) return;
  const int width = texture->width, height = texture->height;
  const int w = std::min({int{x2} - x1, width - x1, width - dx});
  const int h = std::min({int{y2} - y1, height - y1, height - dy});
  uint32_t* p = texture->pixels;
  for (int r = 0; r < h; ++r) {
    uint32_t* dst = p + size_t(dy + r) * width + dx;
    const uint32_t* src = p + size_t(y1 + r) * width + x1;
    for (int c = 0; c < w; ++c) dst[c] = src[c];  // one at a time: overlaps smear
  }
}

void TextureCopyRectLine(Texture* texture, uint16_t x1, uint16_t y1, uint16_t x2, uint16_t y2,
                         uint16_t stepX, uint16_t stepY, uint16_t count) {
  for (int k = 0; k < (count & 0xFF); ++k) {
    TextureCopyRect(texture, x1, y1, x2, y2, static_cast<uint16_t>(x1 + k * stepX),
                    static_cast<uint16_t>(y1 + k * stepY));
  }
}

void TextureCopyRectGrid(Texture* texture, uint16_t x1, uint16_t y1, uint16_t x2, uint16_t y2,
                         uint16_t stepX, uint16_t stepY, uint16_t columns, uint16_t rows) {
  for (int i = 0; i < (columns & 0xFF); ++i) {
    for (int j = 0; j < (rows & 0xFF); ++j) {
      TextureCopyRect(texture, x1, y1, x2, y2, static_cast<uint16_t>(x1 + i * stepX),
                      static_cast<uint16_t>(y1 + j * stepY));
    }
  }
}

// ---- Resize -------------------------------------------------------------------------------

namespace {

struct ResizeSource {
  const uint32_t* pixels;
  int width, height;
  uint32_t At(int x, int y) const { return pixels[size_t(y) * width + x]; }
};

uint32_t ResampleNearest(const ResizeSource& s, float fx, float fy) {
  const int i = std::clamp(crt::RoundToInt(fx), 0, s.width - 1);
  const int j = std::clamp(crt::RoundToInt(fy), 0, s.height - 1);
  return s.At(i, j);
}

// Modes 1 and 2: the four pixels right of and below the rounded position, weighted by the
// signed fractions; mode 2 exchanges the weights of the right and lower neighbours.
uint32_t ResampleBilinear(const ResizeSource& s, float fx, float fy, bool exchanged) {
  const int ri = crt::RoundToInt(fx), rj = crt::RoundToInt(fy);
  const int i = std::clamp(ri, 0, s.width - 1), j = std::clamp(rj, 0, s.height - 1);
  const int i1 = std::min(i + 1, s.width - 1), j1 = std::min(j + 1, s.height - 1);
  const float tx = fx - static_cast<float>(ri), ty = fy - static_cast<float>(rj);
  const uint32_t p00 = s.At(i, j), p10 = s.At(i1, j), p01 = s.At(i, j1), p11 = s.At(i1, j1);
  uint32_t out = 0;
  for (int c = 0; c < 4; ++c) {
    const float a = static_cast<float>(PixelChannel(p00, c));
    const float b = static_cast<float>(PixelChannel(p10, c));
    const float d = static_cast<float>(PixelChannel(p01, c));
    const float e = static_cast<float>(PixelChannel(p11, c));
    const float v =
        exchanged ? a * (1.0f - tx) * (1.0f - ty) + d * tx * (1.0f - ty) + b * (1.0f - tx) * ty +
                        e * tx * ty
                  : (a * (1.0f - tx) + b * tx) * (1.0f - ty) + (d * (1.0f - tx) + e * tx) * ty;
    out |= static_cast<uint32_t>(crt::RoundToInt(ClampByteF(v))) << (8 * c);
  }
  return out;
}

}  // namespace

void TextureResize(Texture* texture, uint16_t newWidth, uint16_t newHeight, uint8_t mode) {
  if (!TextureIsEditable(texture) || mode > 2) return;
  const uint64_t bytes = uint64_t{newWidth} * newHeight * 4;
  if (bytes > kTextureMaxBytes) return;
  const ResizeSource src{texture->pixels, texture->width, texture->height};
  const float sx = static_cast<float>(newWidth) / static_cast<float>(src.width);
  const float sy = static_cast<float>(newHeight) / static_cast<float>(src.height);
  const float inverseSx = 1.0f / sx;
  auto* out = static_cast<uint32_t*>(crt::AlignedAlloc(bytes));
  ParallelRows(newHeight, [&](int firstRow, int endRow) {
    for (int y = firstRow; y < endRow; ++y) {
      const float fy = static_cast<float>(y) / sy;
      for (int x = 0; x < newWidth; ++x) {
        const float fx = static_cast<float>(x) * inverseSx;
        out[size_t(y) * newWidth + x] =
            mode == 0 ? ResampleNearest(src, fx, fy) : ResampleBilinear(src, fx, fy, mode == 2);
      }
    }
  });
  crt::AlignedFree(texture->pixels);
  texture->pixels = out;
  texture->width = newWidth;
  texture->height = newHeight;
  texture->byteSize = static_cast<uint32_t>(bytes);
}

// ---- Moves through a copy -----------------------------------------------------------------

namespace {

// A rotated source coordinate: one size added below 0 or taken off at or above the size,
// then rounded and wrapped into 0..size-1.
int WrapRotated(float v, int size) {
  const float fsize = static_cast<float>(size);
  if (v < 0.0f) v = v + fsize;
  if (v >= fsize) v = v - fsize;
  return FloorMod(crt::RoundToInt(v), size);
}

// The shift of line n: round(sin(n * 3.1415 / period) * amplitude).
int SineShift(int n, uint16_t amplitude, uint16_t period) {
  const float angle = static_cast<float>(n * 3.1415) / static_cast<float>(period);
  return crt::RoundToInt(std::sin(angle) * static_cast<float>(amplitude));
}

}  // namespace

void TextureRotate(Texture* texture, uint16_t degrees, bool alphaFromSource) {
  if (!TextureIsEditable(texture)) return;
  const int width = texture->width, height = texture->height;
  const int cx = width / 2, cy = height / 2;
  const float a = static_cast<float>(degrees) * 0.017453292519943295f;
  const float s = std::sin(a), c = std::cos(a);
  const uint32_t* src = texture->pixels;
  TextureRewriteThroughCopy(texture, [&](int x, int y) {
    const float dx = static_cast<float>(x - cx), dy = static_cast<float>(y - cy);
    const int sx = WrapRotated(dx * c - dy * s + static_cast<float>(cx), width);
    const int sy = WrapRotated(dx * s + dy * c + static_cast<float>(cy), height);
    const uint32_t from = src[size_t(sy) * width + sx];
    const uint32_t own = src[size_t(y) * width + x];
    return alphaFromSource ? from : (own & 0xFF000000u) | (from & 0x00FFFFFFu);
  });
}

void TextureSineShiftRows(Texture* texture, uint16_t amplitude, uint16_t period) {
  if (!TextureIsEditable(texture) || period == 0) return;
  const int width = texture->width;
  const uint32_t* src = texture->pixels;
  TextureRewriteThroughCopy(texture, [&](int x, int y) {
    return src[size_t(y) * width + FloorMod(int64_t{x} + SineShift(y, amplitude, period), width)];
  });
}

void TextureSineShiftColumns(Texture* texture, uint16_t amplitude, uint16_t period) {
  if (!TextureIsEditable(texture) || period == 0) return;
  const int width = texture->width, height = texture->height;
  const uint32_t* src = texture->pixels;
  TextureRewriteThroughCopy(texture, [&](int x, int y) {
    return src[size_t(FloorMod(int64_t{y} + SineShift(x, amplitude, period), height)) * width + x];
  });
}

void TextureSineShiftBoth(Texture* texture, uint16_t amplitude, uint16_t period) {
  TextureSineShiftRows(texture, amplitude, period);
  TextureSineShiftColumns(texture, amplitude, period);
}

// ---- Mirror tile and scatter ----------------------------------------------------------------

void TextureMirrorTile(Texture* texture) {
  if (!TextureIsEditable(texture)) return;
  const int w = texture->width, h = texture->height;
  if (2 * w > 0xFFFF || 2 * h > 0xFFFF || uint64_t(4) * w * h * 4 > kTextureMaxBytes) return;
  Texture* scratch = TextureCreateScratch(static_cast<uint16_t>(w), static_cast<uint16_t>(h));
  TextureCombineChannels(scratch, texture, 0);
  TextureResize(texture, static_cast<uint16_t>(2 * w), static_cast<uint16_t>(2 * h), 0);
  const uint32_t* s = scratch->pixels;
  uint32_t* p = texture->pixels;
  const size_t stride = size_t(2) * w;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) p[size_t(y) * stride + x] = s[size_t(y) * w + x];
    for (int x = 0; x < w; ++x) p[size_t(y) * stride + w + x] = s[size_t(y) * w + (w - 1 - x)];
  }
  for (int y = 0; y < h; ++y) {
    const uint32_t* mirroredRow = s + size_t(h - 1 - y) * w;
    for (int x = 0; x < w; ++x) p[size_t(h + y) * stride + x] = mirroredRow[x];
    for (int x = 0; x < w; ++x) p[size_t(h + y) * stride + w + x] = mirroredRow[w - 1 - x];
  }
  TextureDestroy(scratch);
}

void TextureScatter(Texture* texture, uint8_t radius) {
  if (!TextureIsEditable(texture)) return;
  const int width = texture->width, height = texture->height, r = radius;
  uint32_t* p = texture->pixels;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const int a = crt::rand();
      const int b = crt::rand();
      if (r == 0) continue;
      const int tx = FloorMod(a % (2 * r) - r + x, width);
      const int ty = FloorMod(b % (2 * r) - r + y, height);
      p[size_t(ty) * width + tx] = p[size_t(y) * width + x];
    }
  }
}
