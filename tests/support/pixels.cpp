#include "tests/support/pixels.h"

#include <algorithm>
#include <cstdlib>

namespace testsupport {

::testing::AssertionResult Near(uint32_t actual, uint32_t expected, int tolerance) {
  for (int shift = 0; shift < 32; shift += 8) {
    const int a = (actual >> shift) & 0xFF, e = (expected >> shift) & 0xFF;
    if (std::abs(a - e) > tolerance)
      return ::testing::AssertionFailure() << std::hex << "0x" << actual << " is not within "
                                           << std::dec << tolerance << " of 0x" << std::hex
                                           << expected;
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

int CountOther(const std::vector<uint32_t>& image, uint32_t colour) {
  return static_cast<int>(image.size() - std::count(image.begin(), image.end(), colour));
}

}  // namespace testsupport
