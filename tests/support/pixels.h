#pragma once
// One row runner for pixel checks: each row names a pixel of an image (0xAARRGGBB words, top
// row first) and the colour it must hold, each channel within a tolerance.

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <vector>

namespace testsupport {

struct PixelRow {
  int x, y;
  uint32_t colour;
};

// Channels of two 0xAARRGGBB words within `tolerance` (0..255) of each other.
::testing::AssertionResult Near(uint32_t actual, uint32_t expected, int tolerance = 1);

// Checks every row against `image` of `width` columns; failures name the row's pixel.
void ExpectPixels(const std::vector<uint32_t>& image, int width, const std::vector<PixelRow>& rows,
                  int tolerance = 0);

// The number of distinct colours (alpha ignored) among the pixels, counted up to `limit`.
size_t DistinctColours(const std::vector<uint32_t>& image, size_t limit);

// The number of pixels (x, y) of `image` where `where(x, y)` holds (everywhere when it is
// empty) that differ from `colour`.
int CountOther(const std::vector<uint32_t>& image, int width, uint32_t colour,
               const std::function<bool(int x, int y)>& where = {});

}  // namespace testsupport
