#include <gtest/gtest.h>

#include "loader/scene_reader.h"

namespace {

TEST(LoadingBarTest, PercentRoundsAndClamps) {
  EXPECT_EQ(LoadingBarPercent(1, 345), 0u);  // 0.29 %
  EXPECT_EQ(LoadingBarPercent(1, 199), 1u);  // 0.5025 %
  EXPECT_EQ(LoadingBarPercent(1, 200), 0u);  // exactly 0.5, ties to even
  EXPECT_EQ(LoadingBarPercent(3, 200), 2u);  // 1.5 -> 2
  EXPECT_EQ(LoadingBarPercent(345, 345), 100u);
  EXPECT_EQ(LoadingBarPercent(346, 345), 100u);
  EXPECT_EQ(LoadingBarPercent(1684, 345), 100u);
  EXPECT_EQ(LoadingBarPercent(0xFFFFFFFFu, 1), 100u);  // beyond the integer range
  EXPECT_EQ(LoadingBarPercent(0, 0), 100u);            // nothing expected: full
  EXPECT_EQ(LoadingBarPercent(7, 0), 100u);
}

TEST(LoadingBarTest, FrameAndBarAroundTheCentre) {
  LoadingBarRects r = LoadingBarLayout(640, 480, 37);
  EXPECT_EQ(r.frame[0], 320 - 52);
  EXPECT_EQ(r.frame[1], 240 - 7);
  EXPECT_EQ(r.frame[2], 320 + 52);
  EXPECT_EQ(r.frame[3], 240 + 7);
  EXPECT_EQ(r.bar[0], 270);
  EXPECT_EQ(r.bar[1], 235);
  EXPECT_EQ(r.bar[2], 307);
  EXPECT_EQ(r.bar[3], 245);
  LoadingBarRects odd = LoadingBarLayout(641, 481, 250);
  EXPECT_EQ(odd.frame[0], 320 - 52);  // (641 - 1) / 2
  EXPECT_EQ(odd.frame[1], 240 - 7);
  EXPECT_EQ(odd.bar[2] - odd.bar[0], 100);  // never wider than the frame's inside
}

}  // namespace
