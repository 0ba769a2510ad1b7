#include "texgen/generators.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/crt.h"
#include "texgen/color_ops.h"
#include "texgen/pixel.h"
#include "texgen/row_pool.h"
#include "texgen/transforms.h"

void TextureOctaveNoise(Texture* texture) {
  if (!TextureIsEditable(texture)) return;
  for (int d = 2; d <= 8; d += 2) {
    const uint16_t side = static_cast<uint16_t>(texture->width / d);
    Texture* scratch = TextureCreateScratch(side, side);
    TextureAddNoise(scratch, static_cast<uint8_t>(128 / d), false, false);
    TextureResize(scratch, texture->width, texture->height, 1);
    TextureBlend(texture, scratch, 0, 255);
    TextureDestroy(scratch);
  }
}

// ---- Cellular pattern ------------------------------------------------------------------

namespace {

std::vector<CellPoint> DrawCellPoints(int count, int width, int height, bool colored) {
  std::vector<CellPoint> points(count);
  for (CellPoint& p : points) {
    p.x = crt::rand() % width;
    p.y = crt::rand() % height;
    p.color = 0xFFFFFFFFu;
    if (!colored) continue;
    const int r = crt::rand() & 255, g = crt::rand() & 255, b = crt::rand() & 255;
    p.color = PixelPack(255, r, g, b);
  }
  return points;
}

// The squared distance along an axis of `size` pixels, wrapping around the image.
inline int32_t WrappedSquare(int a, int b, int size) {
  int d = std::abs(a - b);
  if (d > size / 2) d = size - d;
  return d * d;
}

float CellularFactor(int mode, float f1, float f2, float d) {
  float v;
  switch (mode) {
    case 0:
      v = f1 * f1 / d;
      break;
    case 1:
      v = 1.0f - std::clamp(f1 * f1 / d, 0.0f, 1.0f);
      break;
    case 2:
      v = (f2 - f1) * (f2 - f1) / d;
      break;
    default:
      v = f1 * f2 / d;
      break;
  }
  return std::clamp(v, 0.0f, 1.0f);
}

}  // namespace

void TextureCellular(Texture* texture, uint16_t count, uint8_t mode, uint8_t colored) {
  if (!TextureIsEditable(texture) || count == 0) return;
  const int width = texture->width, height = texture->height;
  const std::vector<CellPoint> points = DrawCellPoints(count, width, height, colored != 0);
  if (mode > 3) return;
  const float d = static_cast<float>(width + height);
  uint32_t* pixels = texture->pixels;
  ParallelRows(height, [&](int firstRow, int endRow) {
    std::vector<int32_t> dy2(points.size());
    for (int y = firstRow; y < endRow; ++y) {
      for (size_t p = 0; p < points.size(); ++p) dy2[p] = WrappedSquare(points[p].y, y, height);
      for (int x = 0; x < width; ++x) {
        float f1 = d, f2 = d;
        size_t nearest = 0;
        for (size_t p = 0; p < points.size(); ++p) {
          const float squared = static_cast<float>(WrappedSquare(points[p].x, x, width) + dy2[p]);
          // sqrt is monotonic and exact at squares: a squared distance at or above f1^2 can
          // never give a distance below f1, so only the rest pay for the square root.
          if (double{squared} >= double{f1} * double{f1}) continue;
          const float dist = std::sqrt(squared);
          if (!(dist < f1)) continue;
          f2 = f1;
          f1 = dist;
          nearest = p;
        }
        const float factor = CellularFactor(mode, f1, f2, d);
        const uint32_t c = points[nearest].color;
        auto scaled = [&](int channel) {
          return crt::RoundToInt(static_cast<float>(channel) * factor);
        };
        pixels[size_t(y) * width + x] =
            PixelPack(255, scaled(PixelRed(c)), scaled(PixelGreen(c)), scaled(PixelBlue(c)));
      }
    }
  });
}

// ---- Gradients --------------------------------------------------------------------------

namespace {

// Writes LerpColor(c1, c2, t(x, y)) into every pixel, rows shared out over the pool.
template <class Parameter>
void FillGradient(Texture* texture, uint32_t c1, uint32_t c2, Parameter&& t) {
  const int width = texture->width;
  uint32_t* pixels = texture->pixels;
  ParallelRows(texture->height, [&](int firstRow, int endRow) {
    for (int y = firstRow; y < endRow; ++y) {
      for (int x = 0; x < width; ++x) pixels[size_t(y) * width + x] = LerpColor(c1, c2, t(x, y));
    }
  });
}

}  // namespace

void TextureLinearGradient(Texture* texture, uint16_t x1, uint16_t y1, uint16_t x2, uint16_t y2,
                           uint32_t color1, uint32_t color2) {
  if (!TextureIsEditable(texture)) return;
  const int64_t dx = int64_t{x2} - x1, dy = int64_t{y2} - y1;
  if (dx == 0 && dy == 0) {
    FillGradient(texture, color1, color1, [](int, int) { return 0.0f; });
    return;
  }
  const float r = 1.0f / std::sqrt(static_cast<float>(dx * dx + dy * dy));
  FillGradient(texture, color1, color2, [&](int x, int y) {
    const float dot = static_cast<float>((x - int64_t{x1}) * dx + (y - int64_t{y1}) * dy);
    return std::clamp(dot * r * r, 0.0f, 1.0f);
  });
}

void TextureRadialGradient(Texture* texture, uint16_t cx, uint16_t cy, uint16_t radius,
                           uint32_t color1, uint32_t color2) {
  if (!TextureIsEditable(texture)) return;
  if (radius == 0) {
    FillGradient(texture, color1, color1, [](int, int) { return 0.0f; });
    return;
  }
  const float inverse = 1.0f / static_cast<float>(radius);
  FillGradient(texture, color1, color2, [&](int x, int y) {
    const int64_t dx = x - int64_t{cx}, dy = y - int64_t{cy};
    return std::min(1.0f, std::sqrt(static_cast<float>(dx * dx + dy * dy)) * inverse);
  });
}

namespace {

struct GradientKey {
  int position;
  uint32_t color;
};

// The colour of gray level g between the nearest keys below and above it.
uint32_t GradientMapColor(int g, const GradientKey* keys, int n) {
  GradientKey lower{0, 0}, upper{255, 0};
  int lowerPos = -1, upperPos = 256;
  for (int k = 0; k < n; ++k) {
    const int pos = keys[k].position;
    if (pos <= g && pos >= lowerPos) lowerPos = pos, lower = keys[k];
    if (pos >= g && pos <= upperPos) upperPos = pos, upper = keys[k];
  }
  if (lower.position == upper.position) return lower.color;
  const float t =
      static_cast<float>(g - lower.position) / static_cast<float>(upper.position - lower.position);
  return LerpColor(lower.color, upper.color, t);
}

}  // namespace

void TextureGradientMap(Texture* texture, uint8_t count, const uint32_t colors[6],
                        const uint8_t positions[6]) {
  if (!TextureIsEditable(texture) || count < 2) return;
  const int n = std::min<int>(count, 6);
  GradientKey keys[6];
  for (int k = 0; k < n; ++k) keys[k] = {positions[k], colors[k]};
  TextureGrayscale(texture);
  uint32_t table[256];
  for (int g = 0; g < 256; ++g) table[g] = GradientMapColor(g, keys, n);
  uint32_t* pixels = texture->pixels;
  const uint32_t total = TexturePixelCount(texture);
  for (uint32_t i = 0; i < total; ++i) pixels[i] = table[PixelRed(pixels[i])];
}
