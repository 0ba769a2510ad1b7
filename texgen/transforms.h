#pragma once
// Geometric transforms and copies: pixels move, colours stay. Kinds 0 and 2 only (a cube's
// first face); a record without pixels is left alone. Pixel (x, y) is the word y * width + x.
// Single-precision arithmetic; rounding to nearest, ties to even; wrapped coordinates use a
// modulo taken to 0..size-1 for either sign.

#include <cstdint>

#include "texgen/texture.h"

// Copies columns x1..x2-1 of rows y1..y2-1 to (dx, dy), row by row and pixel by pixel in
// place, so overlapping copies read pixels already written (a smear). The rectangle is clipped
// to the image for both source and destination; an empty rectangle copies nothing.
void TextureCopyRect(Texture* texture, uint16_t x1, uint16_t y1, uint16_t x2, uint16_t y2,
                     uint16_t dx, uint16_t dy);
// TextureCopyRect to (x1 + k sx, y1 + k sy) for k = 0..(count & 255) - 1, the destination
// taken to 16 bits (so a step from 32768 up moves left or up).
void TextureCopyRectLine(Texture* texture, uint16_t x1, uint16_t y1, uint16_t x2, uint16_t y2,
                         uint16_t stepX, uint16_t stepY, uint16_t count);
// TextureCopyRect to (x1 + i sx, y1 + j sy), i over the columns (outer), j over the rows, each
// count's low 8 bits.
void TextureCopyRectGrid(Texture* texture, uint16_t x1, uint16_t y1, uint16_t x2, uint16_t y2,
                         uint16_t stepX, uint16_t stepY, uint16_t columns, uint16_t rows);
// Resamples to newWidth x newHeight, the source position of (x, y) being (x * width / newWidth,
// y * height / newHeight). Mode 0 nearest (column and row each limited to the image), 1
// bilinear around the rounded position (fractions -0.5..0.5, so it extrapolates where they are
// negative), 2 the same with the weights of the right and lower neighbours exchanged; channels
// rounded and limited to 0..255. Another mode, an image without pixels or a block too large for
// the record leaves the image unchanged. The only operation that changes the image's size.
void TextureResize(Texture* texture, uint16_t newWidth, uint16_t newHeight, uint8_t mode);
// Rotation about (width / 2, height / 2) by `degrees`: each pixel takes red, green and blue (and
// alpha with alphaFromSource) from the rotated source position, rounded and wrapped.
void TextureRotate(Texture* texture, uint16_t degrees, bool alphaFromSource);
// Row y shifts by s = round(sin(y * 3.1415 / period) * amplitude): pixel (x, y) = source
// ((x + s) mod width, y). Period 0 changes nothing.
void TextureSineShiftRows(Texture* texture, uint16_t amplitude, uint16_t period);
// Column x shifts by round(sin(x * 3.1415 / period) * amplitude) along y.
void TextureSineShiftColumns(Texture* texture, uint16_t amplitude, uint16_t period);
// Rows, then columns.
void TextureSineShiftBoth(Texture* texture, uint16_t amplitude, uint16_t period);
// Doubles the image into four mirrored quadrants (top left as it was, top right mirrored in x,
// bottom left in y, bottom right in both): the result tiles without seams. An image whose
// double would not fit 16-bit sizes is left unchanged.
void TextureMirrorTile(Texture* texture);
// Each pixel in memory order is written to ((a mod 2r) - r + x, (b mod 2r) - r + y), wrapped,
// for two draws a then b; later pixels read what earlier ones wrote. Radius 0 still draws two
// numbers per pixel but moves nothing.
void TextureScatter(Texture* texture, uint8_t radius);
