#include "texgen/row_pool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <vector>

namespace {

TEST(RowPool, EveryRowOnceForAnyRowAndThreadCount) {
  const int saved = TextureThreadCount();
  for (int threads : {1, 2, 3, 8, 0, 100}) {
    TextureSetThreadCount(threads);
    EXPECT_TRUE(TextureThreadCount() >= 1 && TextureThreadCount() <= 8) << threads;
    // Many jobs in a row of varied sizes: a worker must never run a job that has returned.
    for (int rows : {0, 1, 7, 8, 9, 64, 65, 257, 1000}) {
      std::vector<std::atomic<int>> visits(rows);
      ParallelRows(rows, [&](int first, int end) {
        ASSERT_LT(first, end);
        for (int y = first; y < end; ++y) visits[y].fetch_add(1);
      });
      for (int y = 0; y < rows; ++y) ASSERT_EQ(visits[y].load(), 1) << rows << " rows, row " << y;
    }
  }
  TextureSetThreadCount(saved);
}

}  // namespace
