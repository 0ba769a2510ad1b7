#pragma once
// The flat figure's two byte tables (unsigned, read-only): 69 points (X, Y) in 138 bytes,
// six zero bytes, then 65 triangles (i, j, k) of point numbers 0 to 68 in 195 bytes. X runs
// from 0 to 250 and Y from 0 to 212.

#include <cstddef>
#include <cstdint>

constexpr uint32_t kFlatFigurePointCount = 69;
constexpr uint32_t kFlatFigureTriangleCount = 65;
// Byte offset of the triangle table: after the points and the six zero bytes.
constexpr size_t kFlatFigureTriangleOffset = kFlatFigurePointCount * 2 + 6;
constexpr size_t kFlatFigureTableBytes = kFlatFigureTriangleOffset + kFlatFigureTriangleCount * 3;

extern const uint8_t kFlatFigureTables[kFlatFigureTableBytes];
