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
