#include "texgen/drawing.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>

#include "platform/crt.h"
#include "texgen/pixel.h"

namespace {

bool CanDraw(const Texture* texture) { return TextureIsEditable(texture); }

// Fills columns lo..hi (inclusive, image coordinates) of row y, clipped to the image.
void FillSpanClipped(Texture* texture, int lo, int hi, int y, uint32_t color) {
  if (y < 0 || y >= texture->height) return;
  lo = std::max(lo, 0);
  hi = std::min(hi, texture->width - 1);
  uint32_t* row = texture->pixels + size_t(y) * texture->width;
  for (int x = lo; x <= hi; ++x) row[x] = color;
}

// Calls span(lo, hi) for the 16-bit values start, start + 1, ..., start + length taken to
// signed 16 bits: one interval, or two when the run passes 32767 and continues at -32768.
template <class Span>
void ForEachWrappedRun(int start, int length, Span&& span) {
  if (length < 0) return;
  const int end = start + std::min(length, 0xFFFF);
  span(start, std::min(end, 0x7FFF));
  if (end > 0x7FFF) span(-0x8000, end - 0x10000);
}

}  // namespace

void TexturePutPixel(Texture* texture, int16_t x, int16_t y, uint32_t color) {
  if (!texture || !texture->pixels) return;
  if (x < 0 || y < 0 || x >= texture->width || y >= texture->height) return;
  texture->pixels[size_t(y) * texture->width + x] = color;
}

void TextureDrawLine(Texture* texture, int16_t x1, int16_t y1, int16_t x2, int16_t y2,
                     uint32_t color) {
  if (!CanDraw(texture)) return;
  const int dx = std::abs(x2 - x1), dy = std::abs(y2 - y1);
  const int sx = (x2 > x1) - (x2 < x1), sy = (y2 > y1) - (y2 < y1);
  int err = dx - dy, x = x1, y = y1;
  // Each step moves x or y towards the end point, so dx + dy steps always reach it; the bound
  // only guards the loop.
  for (int steps = 0; steps <= dx + dy; ++steps) {
    TexturePutPixel(texture, static_cast<int16_t>(x), static_cast<int16_t>(y), color);
    if (x == x2 && y == y2) return;
    if (err >= 0) {
      x += sx;
      err -= dy;
      if (err < 0) y += sy, err += dx;
    } else {
      y += sy;
      err += dx;
    }
  }
}

void TextureDrawHLine(Texture* texture, int16_t x, int16_t y, int length, uint32_t color) {
  if (!CanDraw(texture)) return;
  ForEachWrappedRun(x, length, [&](int lo, int hi) { FillSpanClipped(texture, lo, hi, y, color); });
}

void TextureDrawVLine(Texture* texture, int16_t x, int16_t y, int length, uint32_t color) {
  if (!CanDraw(texture) || x < 0 || x >= texture->width) return;
  ForEachWrappedRun(y, length, [&](int lo, int hi) {
    for (int r = std::max(lo, 0); r <= std::min(hi, texture->height - 1); ++r) {
      texture->pixels[size_t(r) * texture->width + x] = color;
    }
  });
}

void TextureDrawRect(Texture* texture, int16_t x1, int16_t y1, int16_t x2, int16_t y2,
                     uint32_t color) {
  if (!CanDraw(texture)) return;
  if (x1 > x2) std::swap(x1, x2);
  if (y1 > y2) std::swap(y1, y2);
  TextureDrawVLine(texture, x1, y1, y2 - y1, color);
  TextureDrawVLine(texture, x2, y1, y2 - y1, color);
  FillSpanClipped(texture, x1, x2, y1, color);
  FillSpanClipped(texture, x1, x2, y2, color);
}

void TextureFillRect(Texture* texture, int16_t x1, int16_t y1, int16_t x2, int16_t y2,
                     uint32_t color) {
  if (!CanDraw(texture)) return;
  if (x1 > x2) std::swap(x1, x2);
  if (y1 > y2) std::swap(y1, y2);
  const int top = std::max<int>(y1, 0), bottom = std::min<int>(y2, texture->height - 1);
  for (int y = top; y <= bottom; ++y) FillSpanClipped(texture, x1, x2, y, color);
}

void TextureFillCircle(Texture* texture, int16_t cx, int16_t cy, uint16_t radius, uint32_t color) {
  if (!CanDraw(texture)) return;
  const float x = cx, y = cy, r = radius;
  for (float a = 0.0f; double{a} <= 3.14159; a += 0.005f) {
    const int left = crt::RoundToInt(x + r * std::sin(-a));
    const int right = crt::RoundToInt(x + r * std::sin(a));
    const int row = crt::RoundToInt(y + r * std::cos(a));
    TextureDrawHLine(texture, static_cast<int16_t>(left), static_cast<int16_t>(row), right - left,
                     color);
  }
}

void TextureDrawCircle(Texture* texture, int16_t cx, int16_t cy, uint16_t radius, uint32_t color) {
  if (!CanDraw(texture)) return;
  const float x = cx, y = cy, r = radius;
  float px = x, py = y + r;
  for (float a = 0.0f; double{a} <= 6.28318; a += 0.01f) {
    const float nx = x + r * std::sin(a), ny = y + r * std::cos(a);
    TextureDrawLine(texture, static_cast<int16_t>(crt::RoundToInt(px)),
                    static_cast<int16_t>(crt::RoundToInt(py)),
                    static_cast<int16_t>(crt::RoundToInt(nx)),
                    static_cast<int16_t>(crt::RoundToInt(ny)), color);
    px = nx;
    py = ny;
  }
}

void TextureDrawBricks(Texture* texture, uint8_t size, uint8_t contrast, uint8_t bevel) {
  if (!CanDraw(texture) || size == 0) return;
  const uint32_t light = 0xFF000000u + uint32_t(127 + contrast / 2) * 0x010101u;
  const uint32_t dark = 0xFF000000u + uint32_t(127 - contrast / 2) * 0x010101u;
  const int width = texture->width, height = texture->height, s = size;
  for (int k = 0, top = 0; top < height; ++k, top += s) {
    for (int i = 0; i < bevel; ++i) {
      TextureDrawHLine(texture, 0, static_cast<int16_t>(top + i), width, light);
      TextureDrawHLine(texture, 0, static_cast<int16_t>(top - 1 - i), width, dark);
    }
    for (int left = (k & 1) ? s : 0; left < width; left += 2 * s) {
      for (int i = 0; i < bevel; ++i) {
        const int length = s - 2 * i - 1;
        TextureDrawVLine(texture, static_cast<int16_t>(left + i), static_cast<int16_t>(top + i),
                         length, light);
        TextureDrawVLine(texture, static_cast<int16_t>(left + 2 * s - 1 - i),
                         static_cast<int16_t>(top + i), length, dark);
      }
    }
  }
}

void TextureDrawGrid(Texture* texture, uint16_t stepX, uint16_t stepY, uint8_t thickness,
                     uint32_t color) {
  if (!CanDraw(texture)) return;
  const int width = texture->width, height = texture->height;
  const int half = thickness / 2, rest = thickness - half;
  for (int x = 0; stepX != 0 && x < width; x += stepX) {
    for (int c = x - half; c < x + rest; ++c) {
      TextureDrawVLine(texture, static_cast<int16_t>(FloorMod(c, width)), 0, height, color);
    }
  }
  for (int y = 0; stepY != 0 && y < height; y += stepY) {
    for (int r = y - half; r < y + rest; ++r) {
      TextureDrawHLine(texture, 0, static_cast<int16_t>(FloorMod(r, height)), width, color);
    }
  }
}
