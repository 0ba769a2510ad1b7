#include "texgen/generators.h"

#include <cmath>
#include <tuple>

#include "texgen_fixture.h"

namespace {

// The pattern straight from its definition: every point's wrapped distance, F1 and F2 in point
// order, the factor of the mode.
uint32_t ReferenceCell(const std::vector<CellPoint>& points, int x, int y, int w, int h, int mode) {
  auto wrap = [](int d, int size) { return std::min(std::abs(d), size - std::abs(d)); };
  const float d = float(w + h);
  float f1 = d, f2 = d;
  size_t nearest = 0;
  for (size_t p = 0; p < points.size(); ++p) {
    const int dx = wrap(points[p].x - x, w), dy = wrap(points[p].y - y, h);
    const float dist = std::sqrt(float(dx * dx + dy * dy));
    if (dist < f1) f2 = f1, f1 = dist, nearest = p;
  }
  const float factors[4] = {f1 * f1 / d, 1.0f - f1 * f1 / d, (f2 - f1) * (f2 - f1) / d,
                            f1 * f2 / d};
  const float factor = std::clamp(factors[mode], 0.0f, 1.0f);
  const uint32_t c = points[nearest].color;
  auto s = [&](int shift) {
    return uint32_t(crt::RoundToInt(float((c >> shift) & 0xFF) * factor));
  };
  return 0xFF000000u | s(16) << 16 | s(8) << 8 | s(0);
}

TEST(Cellular, MatchesTheDefinitionInEveryMode) {
  // 30,000 points cover the 40 columns' distance table in more than one pass; 2 points make
  // F2 the distance to the first point where the second is nearer. Uncoloured points are white.
  for (auto [w, h, n, colored] : {std::tuple{40, 3, 30000, 1}, std::tuple{41, 40, 2, 0}}) {
    for (int mode = 0; mode < 4; ++mode) {
      crt::srand(99);
      std::vector<CellPoint> points(n);
      for (CellPoint& p : points) {
        p.x = crt::rand() % w;
        p.y = crt::rand() % h;
        p.color = colored ? 0xFF000000u : 0xFFFFFFFFu;
        for (int shift = 16; colored && shift >= 0; shift -= 8)
          p.color |= uint32_t(crt::rand() & 255) << shift;
      }
      Image image(w, h);
      crt::srand(99);
      TextureCellular(image.get(), n, uint8_t(mode), colored);
      for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
          ASSERT_EQ(image.at(x, y), ReferenceCell(points, x, y, w, h, mode))
              << "mode " << mode << " at " << x << "," << y;
        }
      }
    }
  }
}

}  // namespace
