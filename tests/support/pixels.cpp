#include "tests/support/pixels.h"

#include <cstdlib>
#include <set>

namespace testsupport {

::testing::AssertionResult Near(uint32_t actual, uint32_t expected, int tolerance) {
  for (int shift = 0; shift < 32; shift += 8) {
    const int a = (actual >> shift) & 0xFF, e = (expected >> shift) & 0xFF;
    if (std::abs(a - e) > tolerance)
      return ::testing::AssertionFailure()
             << std::hex << "0x" << actual << " is not within " << std::dec << tolerance << " of 0x"
             << std::hex << expected;
  }
  return ::testing::AssertionSuccess();
}

void ExpectPixels(const std::vector<uint32_t>& image, int width, const std::vector<PixelRow>& rows,
                  int tolerance) {
  for (const PixelRow& row : rows) {
    const size_t at = size_t(row.y) * width + row.x;
    ASSERT_LT(at, image.size()) << "pixel " << row.x << ", " << row.y << " outside the image";
    EXPECT_TRUE(Near(image[at], row.colour, tolerance)) << "pixel " << row.x << ", " << row.y;
  }
}

size_t DistinctColours(const std::vector<uint32_t>& image, size_t limit) {
  std::set<uint32_t> seen;
  for (size_t i = 0; i < image.size() && seen.size() < limit; ++i)
    seen.insert(image[i] & 0xFFFFFFu);
  return seen.size();
}

int CountOther(const std::vector<uint32_t>& image, int width, uint32_t colour,
               const std::function<bool(int x, int y)>& where) {
  int n = 0;
  for (size_t i = 0; i < image.size(); ++i)
    n += (!where || where(int(i % width), int(i / width))) && image[i] != colour;
  return n;
}

}  // namespace testsupport
