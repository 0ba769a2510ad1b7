#pragma once
// A display mode offered by the setup dialog: one entry of the Device's mode list.

#include <cstdint>

struct DisplayMode {
  char text[64];          // "<width> x <height> x 32", zero-terminated
  uint32_t width;         // pixels
  uint32_t height;        // pixels
  uint32_t bitsPerPixel;  // always 32
};

// A mode of width x height at 32 bits per pixel on the aligned heap, its text filled in
// (800 x 600 reads "800 x 600 x 32"). Freed with crt::AlignedDelete.
DisplayMode* DisplayModeCreate(uint32_t width, uint32_t height);
