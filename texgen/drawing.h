#pragma once
// Drawing primitives: every shape goes through one clipped pixel write, so any coordinates are
// safe. Coordinates are signed 16-bit (operands from 32768 up act as negative), points computed
// inside an operation are taken to 16 bits the same way, and colours are written as they are,
// alpha included (drawing replaces, it does not blend). The shapes do nothing on a volume or a
// record without pixels. Single-precision arithmetic; rounding to nearest, ties to even.

#include <cstdint>

#include "texgen/texture.h"

// Writes the colour at (x, y) when it lies inside the image (any kind with pixels).
void TexturePutPixel(Texture* texture, int16_t x, int16_t y, uint32_t color);
// Line with both end points, stepping by the error term err = dx - dy.
void TextureDrawLine(Texture* texture, int16_t x1, int16_t y1, int16_t x2, int16_t y2,
                     uint32_t color);
// (x + k, y) for k = 0..length: length + 1 pixels; a negative length draws nothing.
void TextureDrawHLine(Texture* texture, int16_t x, int16_t y, int length, uint32_t color);
// (x, y + k) for k = 0..length.
void TextureDrawVLine(Texture* texture, int16_t x, int16_t y, int length, uint32_t color);
// Outline and filled rectangle, both corners included, corners in either order.
void TextureDrawRect(Texture* texture, int16_t x1, int16_t y1, int16_t x2, int16_t y2,
                     uint32_t color);
void TextureFillRect(Texture* texture, int16_t x1, int16_t y1, int16_t x2, int16_t y2,
                     uint32_t color);
// Outline as a polygon of lines at angle steps of 0.01 rad; filled as horizontal spans at
// steps of 0.005 rad from the bottom row (cy + r) to the top row (cy - r).
void TextureDrawCircle(Texture* texture, int16_t cx, int16_t cy, uint16_t radius, uint32_t color);
void TextureFillCircle(Texture* texture, int16_t cx, int16_t cy, uint16_t radius, uint32_t color);
// Bands `size` rows tall of bricks 2 size wide, offset by half a brick from band to band, with
// `bevel` rows and columns of light gray 127 + contrast / 2 at their top and left and dark gray
// 127 - contrast / 2 at their bottom and right. Size 0 draws nothing.
void TextureDrawBricks(Texture* texture, uint8_t size, uint8_t contrast, uint8_t bevel);
// Lines `thickness` wide at every multiple of the steps, centred on them and wrapping around
// the edges so the grid tiles. A step of 0 draws no lines in its direction.
void TextureDrawGrid(Texture* texture, uint16_t stepX, uint16_t stepY, uint8_t thickness,
                     uint32_t color);
