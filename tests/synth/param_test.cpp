#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <set>
#include <string>

#include "synth/param.h"

namespace {

struct ParamTable {
  Param* params = ParamTableCreate();
  ~ParamTable() { ParamTableDestroy(params); }
  Param* operator[](int i) { return &params[i]; }
};

TEST(ParamRangeTable, EveryParameterHasAnOrderedRangeAndAUniqueName) {
  std::set<std::string> names;
  for (int i = 0; i < kParamCount; ++i) {
    EXPECT_LT(kParamRanges[i].min, kParamRanges[i].max) << "parameter " << i;
    EXPECT_TRUE(names.insert(kParamRanges[i].name).second) << kParamRanges[i].name;
  }
}

TEST(ParamRangeTable, BlockBoundariesSitAtTheirIndices) {
  // The first and last entry of each block: a shifted row would move one of these.
  struct Expect {
    int index;
    float min, max;
  };
  const Expect cases[] = {
      {0, -20, 20},      {5, 1, 9},      {6, 0, 11},      {17, 0, 2},     {19, 1, 10},
      {20, 0.01f, 0.5f}, {32, -8, 8},    {33, -12, 12},   {39, 0, 4},     {40, 0, 2},
      {78, -8, 8},       {85, 0, 4},     {86, 0, 2},      {94, 0, 3},     {96, 40, 300},
      {98, 1, 32},       {101, 1, 16},   {136, 0, 13},    {138, 0, 8},    {148, 0, 13},
      {151, 0, 1},       {177, 4, 100},  {178, 0.1f, 1},  {192, -20, 20}, {193, 0, 1},
      {203, 0.1f, 5},    {206, 5, 50},   {209, 0.01f, 5}, {213, 0, 10},   {221, 0, 1000},
      {231, -20, 20},    {235, -20, 20}, {236, 0, 4},     {239, 0, 2},    {241, 0, 2},
      {242, 0, 1},
  };
  for (const Expect& e : cases) {
    EXPECT_EQ(kParamRanges[e.index].min, e.min) << "parameter " << e.index;
    EXPECT_EQ(kParamRanges[e.index].max, e.max) << "parameter " << e.index;
  }
}

TEST(Param, FreshTableReadsEveryMinimum) {
  ParamTable t;
  for (int i = 0; i < kParamCount; ++i) EXPECT_EQ(ParamGet(t[i]), kParamRanges[i].min) << i;
}

TEST(Param, NormalisedValuesOutsideTheRangeAreHeldAtItsEnds) {
  ParamTable t;
  t[177]->norm = 1.5f;
  EXPECT_EQ(ParamGet(t[177]), 100.0f);
  t[177]->norm = -0.2f;
  EXPECT_EQ(ParamGet(t[177]), 4.0f);
  t[177]->norm = 0.5f;
  EXPECT_EQ(ParamGet(t[177]), 52.0f);
}

TEST(Param, IntegerReadsRoundHalfUpAndFloorNegatives) {
  ParamTable t;
  Param* octave = t[32];  // -8..8
  const struct {
    float norm;
    int expected;
  } octaves[] = {{0.43f, -2}, {0.50f, 0}, {0.56f, 1}, {0.37f, -3}, {NAN, INT32_MIN}};
  for (const auto& c : octaves) {
    octave->norm = c.norm;
    EXPECT_EQ(ParamGetInt(octave), c.expected) << "norm " << c.norm;
  }
  EXPECT_EQ(ParamGetInt(t[5]), 1);  // unison copies at norm 0
  t[2]->norm = 0.13f;               // polyphony 1..16
  EXPECT_FLOAT_EQ(ParamGet(t[2]), 2.95f);
  EXPECT_EQ(ParamGetInt(t[2]), 3);
}

TEST(Param, RoundHalfUp) {
  const struct {
    float x, expected;
  } cases[] = {{2.5f, 3},    {2.49f, 2},  {0.0f, 0},   {-0.12f, -1}, {-1.12f, -2},
               {-2.08f, -3}, {-1.7f, -2}, {-2.0f, -2}, {-0.5f, -1},  {7.0f, 7}};
  for (const auto& c : cases) EXPECT_EQ(RoundHalfUp(c.x), c.expected) << c.x;
}

TEST(Param, SetStoresTheClampedNormalisedValue) {
  ParamTable t;
  ParamSet(t[221], 1500.0f);
  EXPECT_EQ(t[221]->norm, 1.0f);
  ParamSet(t[221], -3.0f);
  EXPECT_EQ(t[221]->norm, 0.0f);
  ParamSet(t[221], 250.0f);
  EXPECT_EQ(t[221]->norm, 0.25f);
  EXPECT_EQ(ParamGetInt(t[221]), 250);
  ParamSet(t[32], -2.0f);
  EXPECT_EQ(ParamGetInt(t[32]), -2);
}

}  // namespace
