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
