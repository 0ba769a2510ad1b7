#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "loader/scene_reader.h"

namespace {

// Percent of ticks done, rounded to nearest (ties to even) and clamped to 100; nothing
// expected is full.
TEST(LoadingBarTest, PercentRoundsAndClamps) {
  const struct {
    uint32_t ticks, expected, percent;
  } rows[] = {{1, 345, 0},     {1, 199, 1},     {1, 200, 0},      {3, 200, 2},
              {345, 345, 100}, {346, 345, 100}, {1684, 345, 100}, {0xFFFFFFFFu, 1, 100},
              {0, 0, 100},     {7, 0, 100}};
  for (const auto& row : rows)
    EXPECT_EQ(LoadingBarPercent(row.ticks, row.expected), row.percent)
        << row.ticks << " of " << row.expected;
}

// The frame is 104 x 14 around the centre (rounded down), the bar inside it as wide as the
// percent and never wider than the frame's inside.
TEST(LoadingBarTest, FrameAndBarAroundTheCentre) {
  for (auto [width, height, percent, barRight] :
       {std::tuple{640u, 480u, 37u, 307}, {641u, 481u, 250u, 370}}) {
    const LoadingBarRects r = LoadingBarLayout(width, height, percent);
    EXPECT_EQ(std::vector<int>(r.frame, r.frame + 4), (std::vector<int>{268, 233, 372, 247}));
    EXPECT_EQ(std::vector<int>(r.bar, r.bar + 4), (std::vector<int>{270, 235, barRight, 245}));
  }
}

}  // namespace
