#include "synth/block.h"

#include <cstdint>
#include <cstring>

float FlushDenormal(float x) {
  uint32_t bits;
  std::memcpy(&bits, &x, sizeof bits);
  return (bits & 0x7F800000u) == 0 ? 0.0f : x;
}
