#include "platform/crt.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <tuple>

#include "platform/kernel32.h"

namespace {

// The generator's published sequences for seeds 1 and 0 (seed 0 is not remapped).
TEST(CrtRand, SequencesAfterSeeding) {
  crt::srand(1);
  for (int v : {41, 18467, 6334, 26500}) EXPECT_EQ(crt::rand(), v);
  crt::srand(0);
  for (int v : {38, 7719, 21238}) EXPECT_EQ(crt::rand(), v);
}

TEST(CrtRound, NearestTiesToEvenAndNanOrOutOfRangeGiveIntMin) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const std::tuple<double, int32_t, uint32_t> rows[] = {{0.5, 0, 0},
                                                        {1.5, 2, 2},
                                                        {2.5, 2, 2},
                                                        {-2.5, -2, 0xFFFFFFFE},
                                                        {-1.75, -2, 0xFFFFFFFE},
                                                        {2.4999999f, 2, 2},
                                                        {2147483647.0, INT32_MAX, 0x7FFFFFFF},
                                                        {3.0e9, INT32_MIN, 3000000000u},
                                                        {-3.0e9, INT32_MIN, 0u - 3000000000u},
                                                        {4294967296.0 + 7.0, INT32_MIN, 7},
                                                        {nan, INT32_MIN, 0}};
  for (auto [x, rounded, low32] : rows) {
    EXPECT_EQ(crt::RoundToInt(x), rounded) << x;
    EXPECT_EQ(crt::RoundToIntLow32(x), low32) << x;
  }
}

TEST(CrtAligned, BlocksAreAlignedAndZeroedAndFreeThroughTheirRawPointer) {
  for (size_t size : {1, 15, 16, 17, 447}) {
    auto* block = static_cast<unsigned char*>(crt::AlignedAlloc(size));
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(block) % 16, 0u);
    for (size_t b = 0; b < size; ++b) ASSERT_EQ(block[b], 0);
    crt::AlignedFree(block);  // a wrong raw pointer shows under AddressSanitizer
  }
  crt::AlignedFree(nullptr);
}

// The build must not contract a*b+c into a fused multiply-add: with a = 1 + 2^-12,
// a*a = 1 + 2^-11 + 2^-24 rounds to 1 + 2^-11 in float, so a*a - (1 + 2^-11) is exactly 0
// when computed as written, but 2^-24 when fused.
TEST(StrictFloatingPoint, NoFusedMultiplyAdd) {
  volatile float a = 1.0f + std::ldexp(1.0f, -12);
  volatile float c = 1.0f + std::ldexp(1.0f, -11);
  const float x = a, y = c;
  EXPECT_EQ(x * x - y, 0.0f);
}

TEST(Kernel32MulDiv, RoundsHalfAwayFromZeroWithWideIntermediate) {
  const int rows[][4] = {{12, 96, 72, 16},
                         {5, 1, 2, 3},
                         {-5, 1, 2, -3},
                         {7, 1, -2, -4},
                         {100000, 100000, 1000, 10000000},
                         {1, 1, 0, -1},
                         {INT32_MAX, 4, 1, -1}};
  for (const auto& r : rows) EXPECT_EQ(MulDiv(r[0], r[1], r[2]), r[3]) << r[0] << " " << r[1];
}

}  // namespace
