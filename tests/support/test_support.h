#pragma once
// Helpers shared by the test suites.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace testsupport {

// FNV-1a, 64 bits, over a byte range; chain calls by passing the previous result as `seed`.
// Golden-output tests store these hashes so any change of result shows.
constexpr uint64_t kFnvOffset = 0xcbf29ce484222325ull;
uint64_t Fnv1a64(const void* bytes, size_t count, uint64_t seed = kFnvOffset);

// FNV-1a 64 of an image: its width and height as 32-bit little-endian words, then its pixel
// words (0xAARRGGBB) in memory order, each little-endian. Golden tests store these.
uint64_t ImageHash(uint32_t width, uint32_t height, const uint32_t* pixels);

// Writes an 0xAARRGGBB image as an 8-bit RGBA PNG, or RGB without `alpha`. Returns false when
// the file cannot be written.
bool WritePng(const char* path, uint32_t width, uint32_t height, const uint32_t* pixels,
              bool alpha = true);

// ImageHash, and when the environment variable HALVEX_PNG_DIR names a folder, also writes the
// image there as <name>.png so a person can look at it.
uint64_t HashAndMaybeWrite(const char* name, uint32_t width, uint32_t height,
                           const uint32_t* pixels);

// The largest difference of red, green or blue between two 0xAARRGGBB words (alpha ignored).
inline int ColourDifference(uint32_t a, uint32_t b) {
  int most = 0;
  for (int shift = 0; shift < 24; shift += 8)
    most = std::max(most, std::abs(int(a >> shift & 0xFF) - int(b >> shift & 0xFF)));
  return most;
}

// The number of crt::rand draws between two generator states (the generator steps
// state * 214013 + 2531011), or -1 when it takes more than `limit`.
inline int64_t DrawsBetween(uint32_t before, uint32_t after, int64_t limit = 1 << 24) {
  uint32_t state = before;
  for (int64_t n = 0; n <= limit; ++n) {
    if (state == after) return n;
    state = state * 214013u + 2531011u;
  }
  return -1;
}

}  // namespace testsupport
