#pragma once
// Pattern generators: octave noise from enlarged random images, a cellular pattern around
// random feature points, linear and radial gradients and the gradient map. Kinds 0 and 2 only
// (a cube's first face); a record without pixels is left alone and draws nothing.
// Single-precision arithmetic; rounding to nearest, ties to even.

#include <cstdint>

#include "texgen/texture.h"

// A feature point of the cellular pattern.
struct CellPoint {
  int32_t x;       // column
  int32_t y;       // row
  uint32_t color;  // 0xAARRGGBB
};

// For d = 2, 4, 6, 8: a square scratch of side width / d gets grey noise of amplitude 128 / d
// (one draw per scratch pixel), is resized bilinearly to the image's size and added to it.
void TextureOctaveNoise(Texture* texture);

// n points drawn as x = rand mod width, y = rand mod height (then, when `colored`, red, green
// and blue = rand & 255 each; otherwise white). Per pixel, wrapped distances to the points give
// F1 (the smallest) and F2 (F1's value before its last decrease), both starting at D = width +
// height; factor by mode: 0 F1^2/D, 1 1 - F1^2/D, 2 (F2 - F1)^2/D, 3 F1 F2/D, each limited to
// 0..1; the pixel becomes alpha 255 and the nearest point's colour times the factor, rounded.
// With 0 points nothing changes; with an unknown mode the points are still drawn (the random
// sequence advances as for a known mode) and the image is left unchanged.
void TextureCellular(Texture* texture, uint16_t count, uint8_t mode, uint8_t colored);

// t = ((x - x1) dx + (y - y1) dy) / (dx^2 + dy^2) limited to 0..1; pixel = LerpColor(c1, c2, t).
// Equal end points fill with colour 1.
void TextureLinearGradient(Texture* texture, uint16_t x1, uint16_t y1, uint16_t x2, uint16_t y2,
                           uint32_t color1, uint32_t color2);
// t = min(1, distance to the centre / radius); pixel = LerpColor(c1, c2, t). Radius 0 fills
// with colour 1.
void TextureRadialGradient(Texture* texture, uint16_t cx, uint16_t cy, uint16_t radius,
                           uint32_t color1, uint32_t color2);
// Grayscale, then each gray level g is recoloured between the nearest keys at or below and at
// or above it (later keys win ties; a missing key is transparent black at 0 or 255). Uses the
// first min(count, 6) keys; fewer than 2 keys change nothing.
void TextureGradientMap(Texture* texture, uint8_t count, const uint32_t colors[6],
                        const uint8_t positions[6]);
