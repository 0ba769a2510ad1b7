#include "shell/display_mode.h"

#include <cstdio>

#include "platform/crt.h"

DisplayMode* DisplayModeCreate(uint32_t width, uint32_t height) {
  DisplayMode* mode = crt::AlignedNew<DisplayMode>();
  std::snprintf(mode->text, sizeof mode->text, "%u x %u x 32", width, height);
  mode->width = width;
  mode->height = height;
  mode->bitsPerPixel = 32;
  return mode;
}
