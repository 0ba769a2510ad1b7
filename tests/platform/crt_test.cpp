#include "platform/crt.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>

namespace {

TEST(CrtRand, SequenceFromInitialStateAndAfterSeed) {
  crt::srand(1);
  EXPECT_EQ(crt::rand(), 41);
  EXPECT_EQ(crt::rand(), 18467);
  EXPECT_EQ(crt::rand(), 6334);
  EXPECT_EQ(crt::rand(), 26500);
  crt::srand(0);
  EXPECT_EQ(crt::rand(), 38);
  EXPECT_EQ(crt::rand(), 7719);
}

TEST(CrtRand, ValuesStayInFifteenBitsAndStateAdvancesByTheLcg) {
  crt::srand(12345);
  for (int i = 0; i < 10000; ++i) {
    const uint32_t before = crt::RandState();
    const int v = crt::rand();
    ASSERT_GE(v, 0);
    ASSERT_LE(v, crt::kRandMax);
    ASSERT_EQ(crt::RandState(), before * 214013u + 2531011u);
  }
}

TEST(CrtItoa, DecimalAndOtherRadixes) {
  char buffer[40];
  EXPECT_STREQ(crt::_itoa(0, buffer, 10), "0");
  EXPECT_STREQ(crt::_itoa(1280, buffer, 10), "1280");
  EXPECT_STREQ(crt::_itoa(-45, buffer, 10), "-45");
  EXPECT_STREQ(crt::_itoa(INT32_MIN, buffer, 10), "-2147483648");
  EXPECT_STREQ(crt::_itoa(255, buffer, 16), "ff");
  EXPECT_STREQ(crt::_itoa(-1, buffer, 16), "ffffffff");
  EXPECT_STREQ(crt::_itoa(5, buffer, 2), "101");
}

TEST(CrtRound, NearestTiesToEven) {
  EXPECT_EQ(crt::RoundToInt(0.5), 0);
  EXPECT_EQ(crt::RoundToInt(1.5), 2);
  EXPECT_EQ(crt::RoundToInt(2.5), 2);
  EXPECT_EQ(crt::RoundToInt(-2.5), -2);
  EXPECT_EQ(crt::RoundToInt(-0.5f), 0);
  EXPECT_EQ(crt::RoundToInt(2.4999999f), 2);
  EXPECT_EQ(crt::RoundToInt(-1.75), -2);
}

TEST(CrtRound, NanAndOutOfRangeGiveIntMin) {
  EXPECT_EQ(crt::RoundToInt(std::numeric_limits<double>::quiet_NaN()), INT32_MIN);
  EXPECT_EQ(crt::RoundToInt(3.0e9), INT32_MIN);
  EXPECT_EQ(crt::RoundToInt(-3.0e9), INT32_MIN);
  EXPECT_EQ(crt::RoundToInt(std::numeric_limits<float>::infinity()), INT32_MIN);
  EXPECT_EQ(crt::RoundToInt(2147483647.0), INT32_MAX);
}

TEST(CrtRound, Low32KeepsTheLowHalfOfTheSixtyFourBitResult) {
  EXPECT_EQ(crt::RoundToIntLow32(4294967296.0 + 7.0), 7u);
  EXPECT_EQ(crt::RoundToIntLow32(-1.0), 0xFFFFFFFFu);
  EXPECT_EQ(crt::RoundToIntLow32(3.0e9), 3000000000u);
  EXPECT_EQ(crt::RoundToIntLow32(2.5), 2u);
  EXPECT_EQ(crt::RoundToIntLow32(std::numeric_limits<double>::quiet_NaN()), 0u);
}

TEST(CrtAligned, BlocksAreAlignedZeroedAndKeepTheirRawPointer) {
  void* blocks[64];
  for (size_t i = 0; i < 64; ++i) {
    blocks[i] = crt::AlignedAlloc(i * 7 + 1);
    ASSERT_NE(blocks[i], nullptr);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(blocks[i]) % 16, 0u);
    const auto* bytes = static_cast<const unsigned char*>(blocks[i]);
    for (size_t b = 0; b < i * 7 + 1; ++b) ASSERT_EQ(bytes[b], 0);
  }
  // Freeing goes through the stored raw pointer; AddressSanitizer catches a wrong one.
  for (void* block : blocks) crt::AlignedFree(block);
  crt::AlignedFree(nullptr);
}

TEST(CrtAligned, NewAndDeleteConstructAndDestroy) {
  struct Counted {
    int* destroyed;
    ~Counted() { ++*destroyed; }
  };
  int destroyed = 0;
  Counted* one = crt::AlignedNew<Counted>(&destroyed);
  crt::AlignedDelete(one);
  EXPECT_EQ(destroyed, 1);
  float* values = crt::AlignedNewArray<float>(5);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(values[i], 0.0f);
  crt::AlignedDeleteArray(values, 5);
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

}  // namespace

#include "platform/kernel32.h"

namespace {

TEST(Kernel32MulDiv, RoundsHalfAwayFromZeroWithWideIntermediate) {
  EXPECT_EQ(MulDiv(12, 96, 72), 16);
  EXPECT_EQ(MulDiv(5, 1, 2), 3);    // 2.5 -> 3
  EXPECT_EQ(MulDiv(-5, 1, 2), -3);  // -2.5 -> -3
  EXPECT_EQ(MulDiv(7, 1, -2), -4);
  EXPECT_EQ(MulDiv(100000, 100000, 1000), 10000000);  // product beyond 32 bits
  EXPECT_EQ(MulDiv(1, 1, 0), -1);
  EXPECT_EQ(MulDiv(INT32_MAX, 4, 1), -1);  // result does not fit
}

}  // namespace
