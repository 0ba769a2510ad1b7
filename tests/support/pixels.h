#pragma once
// One row runner for pixel checks: each row names a pixel of an image (0xAARRGGBB words, top
// row first) and the colour it must hold, each channel within a tolerance.

#include <gtest/gtest.h>

#include <cstdint>
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

// The number of pixels of `image` that differ from `colour`.
int CountOther(const std::vector<uint32_t>& image, uint32_t colour);

}  // namespace testsupport
