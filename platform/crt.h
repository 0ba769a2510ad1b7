#pragma once
// C runtime stand-in: the parts of the platform's C runtime whose exact behaviour the system
// depends on. Names that would clash with the host's C library live in namespace crt.

#include <emmintrin.h>

#include <cstddef>
#include <cstdint>
#include <new>
#include <utility>

namespace crt {

// ---- Random numbers ---------------------------------------------------------------------
// The classic 15-bit linear congruential generator, one process-wide sequence:
//   state = state * 214013 + 2531011 (mod 2^32);  value = (state >> 16) & 0x7FFF  (0..32767)
// The initial state is 1, so the first values are 41, 18467, 6334, 26500.
// Not thread-safe: drawn only on the main thread (and by the synthesizer's table build).
constexpr int kRandMax = 0x7FFF;
int rand();
void srand(uint32_t seed);
// The raw generator state, for tests that check how many draws an operation took.
uint32_t RandState();

// The one float-to-int conversion: the x86 conversion instruction under the default rounding
// mode. Rounds to nearest, ties to even (0.5 -> 0, 1.5 -> 2, 2.5 -> 2, -2.5 -> -2).
// NaN and values outside the 32-bit range give INT32_MIN (0x80000000).
// Takes a double so that float inputs (converted exactly) and double inputs share one rule.
inline int32_t RoundToInt(double x) { return _mm_cvtsd_si32(_mm_set_sd(x)); }

// Rounds to a 64-bit integer (nearest, ties to even) and keeps the low 32 bits, as a
// conversion to a 64-bit integer stored into a 32-bit field does. NaN and values outside the
// 64-bit range give 0 (the low half of INT64_MIN).
inline uint32_t RoundToIntLow32(double x) {
  return static_cast<uint32_t>(static_cast<uint64_t>(_mm_cvtsd_si64(_mm_set_sd(x))));
}

// ---- Aligned allocation -----------------------------------------------------------------
// Every heap record of the system lives in a 16-byte aligned, zero-filled block. The raw
// pointer from the heap is stored in the pointer-sized word just before the returned address,
// and AlignedFree reads it back. AlignedFree(nullptr) does nothing.
void* AlignedAlloc(size_t bytes);
void AlignedFree(void* block);

// Allocates an aligned block for one T and constructs it (value-initialised, or from args).
template <class T, class... Args>
T* AlignedNew(Args&&... args) {
  return new (AlignedAlloc(sizeof(T))) T{std::forward<Args>(args)...};
}
// Destroys and frees what AlignedNew made. Null does nothing.
template <class T>
void AlignedDelete(T* object) {
  if (!object) return;
  object->~T();
  AlignedFree(object);
}

// An array of `count` value-initialised T in one aligned block (a plain block of elements;
// its owner knows the length).
template <class T>
T* AlignedNewArray(size_t count) {
  T* items = static_cast<T*>(AlignedAlloc(sizeof(T) * (count ? count : 1)));
  for (size_t i = 0; i < count; ++i) new (items + i) T{};
  return items;
}
template <class T>
void AlignedDeleteArray(T* items, size_t count) {
  if (!items) return;
  for (size_t i = 0; i < count; ++i) items[i].~T();
  AlignedFree(items);
}

}  // namespace crt
