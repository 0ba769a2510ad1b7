#include "platform/crt.h"

#include <cstdlib>
#include <cstring>

namespace crt {

namespace {
uint32_t g_randState = 1;
}

int rand() {
  g_randState = g_randState * 214013u + 2531011u;
  return static_cast<int>((g_randState >> 16) & 0x7FFF);
}

void srand(uint32_t seed) { g_randState = seed; }

uint32_t RandState() { return g_randState; }

char* _itoa(int value, char* buffer, int radix) {
  if (radix < 2 || radix > 36) {
    buffer[0] = '\0';
    return buffer;
  }
  const bool negative = radix == 10 && value < 0;
  // Work on the unsigned magnitude so INT32_MIN needs no special case.
  uint32_t magnitude = negative ? 0u - static_cast<uint32_t>(value) : static_cast<uint32_t>(value);
  char digits[33];
  int n = 0;
  do {
    const uint32_t d = magnitude % static_cast<uint32_t>(radix);
    digits[n++] = static_cast<char>(d < 10 ? '0' + d : 'a' + d - 10);
    magnitude /= static_cast<uint32_t>(radix);
  } while (magnitude != 0);
  char* out = buffer;
  if (negative) *out++ = '-';
  while (n > 0) *out++ = digits[--n];
  *out = '\0';
  return buffer;
}

void* AlignedAlloc(size_t bytes) {
  constexpr size_t kAlign = 16;
  // Room for the block, the stored raw pointer and the worst-case alignment gap.
  void* raw = std::calloc(1, bytes + sizeof(void*) + kAlign - 1);
  if (!raw) return nullptr;
  const uintptr_t first = reinterpret_cast<uintptr_t>(raw) + sizeof(void*);
  const uintptr_t aligned = (first + kAlign - 1) & ~(uintptr_t{kAlign} - 1);
  std::memcpy(reinterpret_cast<void*>(aligned - sizeof(void*)), &raw, sizeof(void*));
  return reinterpret_cast<void*>(aligned);
}

void AlignedFree(void* block) {
  if (!block) return;
  void* raw;
  std::memcpy(&raw, static_cast<char*>(block) - sizeof(void*), sizeof(void*));
  std::free(raw);
}

}  // namespace crt
