#pragma once
// Channel access for the 0xAARRGGBB pixel words of texgen/, and the integer helpers that keep
// every pixel address inside its image.

#include <algorithm>
#include <cstdint>

inline int PixelAlpha(uint32_t p) { return static_cast<int>(p >> 24); }
inline int PixelRed(uint32_t p) { return static_cast<int>((p >> 16) & 0xFF); }
inline int PixelGreen(uint32_t p) { return static_cast<int>((p >> 8) & 0xFF); }
inline int PixelBlue(uint32_t p) { return static_cast<int>(p & 0xFF); }
// Channel c of a pixel: 0 blue, 1 green, 2 red, 3 alpha (the byte order in memory).
inline int PixelChannel(uint32_t p, int c) { return static_cast<int>((p >> (8 * c)) & 0xFF); }

// Packs four channels, each already within 0..255.
inline uint32_t PixelPack(int a, int r, int g, int b) {
  return (static_cast<uint32_t>(a) << 24) | (static_cast<uint32_t>(r) << 16) |
         (static_cast<uint32_t>(g) << 8) | static_cast<uint32_t>(b);
}
// Replaces channel c (0 blue .. 3 alpha) of a pixel by v (0..255).
inline uint32_t PixelWithChannel(uint32_t p, int c, int v) {
  const int shift = 8 * c;
  return (p & ~(0xFFu << shift)) | (static_cast<uint32_t>(v) << shift);
}

inline int ClampByte(int v) { return std::clamp(v, 0, 255); }
inline float ClampByteF(float v) { return std::clamp(v, 0.0f, 255.0f); }

// a mod n taken to 0..n-1 for any sign of a (n > 0).
inline int FloorMod(int64_t a, int64_t n) {
  const int64_t r = a % n;
  return static_cast<int>(r < 0 ? r + n : r);
}
