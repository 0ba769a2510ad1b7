#pragma once
// Filters: each output pixel from the unchanged neighbours of its source pixel. Every filter
// reads the image, writes a temporary block of the same size and copies it back, so no output
// pixel influences another. Kinds 0 and 2 only (a cube's first face); a record without pixels
// is left alone. Single-precision arithmetic; rounding to nearest, ties to even.

#include "texgen/texture.h"

// Trailing vertical blur: channel = min(255, sum over k = 0..r-1 of channel(x, y - k) / (r + k)),
// each division an integer division, rows above the top wrapping to the bottom (any r).
// Red, green and blue only; r = 0 gives black, r = 1 leaves the image as it is.
void TextureVerticalBlur(Texture* texture, uint8_t radius);

// Grey emboss from the image taken as one array of N pixels (neighbour of i at offset d is
// (i + d) mod N): v = ((lum(i-1) - lum(i+1)) * 0.25 + (lum(i+w) - lum(i-w)) * 0.25) *
// (strength * 0.02) + 127, limited to 0..255 and rounded into red, green and blue; alpha kept.
// lum is the sum of the separately rounded terms 0.3 red, 0.6 green, 0.1 blue (0..255).
void TextureEmboss(Texture* texture, uint8_t strength);

// 3 x 3 convolution; kernel[r * 3 + c] weighs the pixel at row offset r - 1, column offset c - 1.
// Taps outside the image are skipped (no wrap, no renormalisation). Each channel's sum is
// limited to 0..255 and rounded; alpha likewise when `alpha` is set, kept otherwise.
void TextureConvolve3x3(Texture* texture, const float kernel[9], bool alpha);
void TextureBlur3x3(Texture* texture, bool alpha);           // .05 .1 .05 / .1 .4 .1 / ...
void TextureEdgeDetectStrong(Texture* texture, bool alpha);  // -0.375 around, 1 centre
void TextureEdgeDetect(Texture* texture, bool alpha);        // -0.125 around, 1 centre
void TextureSharpen(Texture* texture, bool alpha);           // -1 cross, 5 centre
void TextureReliefUpLeft(Texture* texture, bool alpha);      // -0.5 top left, 1 centre
void TextureReliefDownRight(Texture* texture, bool alpha);   // 1 centre, -0.5 bottom right

// Tangent-space normal map of the grayscale heights (blue / 255) with linear neighbours as in
// TextureEmboss: nx = (l - r) + 0.5 ((ul - ur) + (dl - dr)), ny = (d - u) + 0.5 ((dl - ul) +
// (dr - ur)); red = 127 (nx + 1), green = 127 (ny + 1), blue = 127 (2 - |(nx, ny)|), each
// rounded and limited to 0..255; alpha 255. A flat image gives 0xFF7F7FFE everywhere.
void TextureNormalMap(Texture* texture);
