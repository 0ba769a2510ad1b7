#pragma once
// Value noise: a hash of integer lattice points, cosine interpolation between them, a sum of
// sixteen octaves, and the noise layer that brightens an image with it. Deterministic: nothing
// here draws random numbers. Single-precision arithmetic; lattice cells are formed by rounding
// to nearest (ties to even), not by flooring, so a sample jumps where a coordinate crosses a
// half-integer.

#include <cstdint>

#include "texgen/texture.h"

// n = j * 57 + i; n ^= n << 13; v = (n * (n * n * 15731 + 789221) + 1376312589) & 0x7FFFFFFF in
// wrapping 32-bit arithmetic; returns 1 - v * 2^-30, in -1..1.
float HashLattice2D(int32_t i, int32_t j);
// f = (1 - cos(t * pi)) * 0.5; returns a * (1 - f) + b * f.
float InterpolateCosine(float a, float b, float t);
// Cosine interpolation of the hashes of the four lattice points around the cell of
// (round(x), round(y)), with fractions x - round(x) and y - round(y) in -0.5..0.5.
float SampleValueNoise2D(float x, float y);
// Sixteen octaves at (x, y) * 5e-6: frequency 1, 3, 9, ..., amplitude 1, p, p^2, ...
float SampleFractalNoise(float x, float y, float persistence);

// Adds fractal noise to every pixel. With X = xOffset + column and Y = yOffset + row and
// N(s, o) = SampleFractalNoise((X + o) * s, (Y + o) * s, persistence):
//   mode 0: v = N(2000, 0)
//   mode 1: v = 0.25 N(4000, 100) + 0.5 N(2000, 0) + 0.125 N(8000, 200) + 0.0625 N(16000, 300)
//   mode 2: the same sum of |N|;  mode 3: v = sin(16 * (mode 2 sum) + 0.0625 * column)
// then v = clamp(128 + 128 v, 0, 255) * strength; red, green and blue (and alpha when `alpha` is
// set) become round(min(255, channel + v)). Other modes change nothing. Lattice cells and
// cosine weights are computed once per column and once per row; the result is bit-identical to
// evaluating SampleFractalNoise per pixel.
void TextureNoiseLayer(Texture* texture, bool alpha, uint16_t xOffset, uint16_t yOffset,
                       float strength, float persistence, uint8_t mode);
