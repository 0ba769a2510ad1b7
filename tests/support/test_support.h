#pragma once
// Helpers shared by the test suites.

#include <cstddef>
#include <cstdint>

namespace testsupport {

// FNV-1a, 64 bits, over a byte range; chain calls by passing the previous result as `seed`.
// Golden-output tests store these hashes so any change of result shows.
constexpr uint64_t kFnvOffset = 0xcbf29ce484222325ull;
uint64_t Fnv1a64(const void* bytes, size_t count, uint64_t seed = kFnvOffset);

}  // namespace testsupport
