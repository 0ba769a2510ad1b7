#include "texgen/generators.h"

#include <algorithm>
#include <climits>
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

namespace {

// The nearest point of one pixel and the distances F1 and F2, over the points in order.
struct Nearest {
  float f1, f2;
  size_t point;
};

// columnSquares[p] is the squared wrapped column distance of point p; rowSquares[p] the row's.
Nearest FindNearest(const int32_t* columnSquares, const int32_t* rowSquares, size_t count,
                    float d) {
  Nearest n{d, d, 0};
  // The integer squared distance of the nearest point so far. A point at or beyond it cannot
  // pass the strict test (int-to-float rounding and sqrt are both monotonic), so only nearer
  // points pay for the conversion and the square root; the test itself stays the exact float
  // comparison of the distances.
  int32_t nearestSquared = INT32_MAX;
  for (size_t p = 0; p < count; ++p) {
    const int32_t squared = columnSquares[p] + rowSquares[p];
    if (squared >= nearestSquared) continue;
    const float dist = std::sqrt(static_cast<float>(squared));
    if (!(dist < n.f1)) continue;
    n.f2 = n.f1;
    n.f1 = dist;
    n.point = p;
    nearestSquared = squared;
  }
  return n;
}

// Squared wrapped distances of every point to `columns` consecutive columns (or rows) from
// `first`, laid out [column][point].
void FillSquares(const std::vector<CellPoint>& points, bool rows, int first, int columns, int size,
                 int32_t* out) {
  for (int c = 0; c < columns; ++c) {
    for (size_t p = 0; p < points.size(); ++p) {
      *out++ = WrappedSquare(rows ? points[p].y : points[p].x, first + c, size);
    }
  }
}

// Columns per pass, so that the table of squared column distances stays near 4 MB.
constexpr size_t kSquareTableEntries = size_t{1} << 20;

}  // namespace

void TextureCellular(Texture* texture, uint16_t count, uint8_t mode, uint8_t colored) {
  if (!TextureIsEditable(texture) || count == 0) return;
  const int width = texture->width, height = texture->height;
  const std::vector<CellPoint> points = DrawCellPoints(count, width, height, colored != 0);
  if (mode > 3) return;
  const float d = static_cast<float>(width + height);
  const int tile = static_cast<int>(std::clamp<size_t>(kSquareTableEntries / count, 1, width));
  std::vector<int32_t> columnSquares(size_t(tile) * count);
  uint32_t* pixels = texture->pixels;
  for (int first = 0; first < width; first += tile) {
    const int columns = std::min(tile, width - first);
    FillSquares(points, false, first, columns, width, columnSquares.data());
    ParallelRows(height, [&](int firstRow, int endRow) {
      std::vector<int32_t> rowSquares(count);
      for (int y = firstRow; y < endRow; ++y) {
        FillSquares(points, true, y, 1, height, rowSquares.data());
        for (int c = 0; c < columns; ++c) {
          const Nearest n =
              FindNearest(&columnSquares[size_t(c) * count], rowSquares.data(), count, d);
          const float factor = CellularFactor(mode, n.f1, n.f2, d);
          const uint32_t color = points[n.point].color;
          auto scaled = [&](int channel) {
            return crt::RoundToInt(static_cast<float>(channel) * factor);
          };
          pixels[size_t(y) * width + first + c] = PixelPack(
              255, scaled(PixelRed(color)), scaled(PixelGreen(color)), scaled(PixelBlue(color)));
        }
      }
    });
  }
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
