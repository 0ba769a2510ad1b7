#include "support/test_support.h"

namespace testsupport {

uint64_t Fnv1a64(const void* bytes, size_t count, uint64_t seed) {
  const auto* p = static_cast<const uint8_t*>(bytes);
  uint64_t h = seed;
  for (size_t i = 0; i < count; ++i) {
    h ^= p[i];
    h *= 0x100000001b3ull;
  }
  return h;
}

}  // namespace testsupport
