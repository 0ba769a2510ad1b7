#include <gtest/gtest.h>

#include <atomic>

#include "platform/kernel32.h"

namespace {

struct Counter {
  std::atomic<int> value{0};
  std::atomic<bool> release{false};
};

DWORD CountAfterRelease(LPVOID parameter) {
  auto* counter = static_cast<Counter*>(parameter);
  while (!counter->release.load()) Sleep(1);
  for (int i = 0; i < 1000; ++i) counter->value.fetch_add(1, std::memory_order_relaxed);
  return 0;
}

TEST(Kernel32Thread, TimedWaitTimesOutWhileRunningAndInfiniteWaitJoins) {
  Counter counter;
  HANDLE thread = CreateThread(nullptr, 0, CountAfterRelease, &counter, 0, nullptr);
  ASSERT_NE(thread, nullptr);
  EXPECT_TRUE(SetThreadPriority(thread, THREAD_PRIORITY_TIME_CRITICAL));
  EXPECT_EQ(WaitForSingleObject(thread, 5), WAIT_TIMEOUT);
  counter.release = true;
  EXPECT_EQ(WaitForSingleObject(thread, INFINITE), WAIT_OBJECT_0);
  EXPECT_EQ(counter.value.load(), 1000);
  EXPECT_EQ(WaitForSingleObject(thread, 0), WAIT_OBJECT_0);  // finished: at once
  EXPECT_TRUE(CloseHandle(thread));
  // A closed handle is refused without harm.
  EXPECT_FALSE(CloseHandle(thread));
  EXPECT_EQ(WaitForSingleObject(thread, INFINITE), WAIT_FAILED);
  EXPECT_FALSE(SetThreadPriority(thread, THREAD_PRIORITY_TIME_CRITICAL));
}

TEST(Kernel32Thread, HandleClosedWhileRunningLetsTheThreadFinishAndBadStartsGiveNull) {
  Counter counter;
  HANDLE thread = CreateThread(nullptr, 0, CountAfterRelease, &counter, 0, nullptr);
  ASSERT_NE(thread, nullptr);
  EXPECT_TRUE(CloseHandle(thread));
  counter.release = true;
  while (counter.value.load() < 1000) Sleep(1);
  EXPECT_EQ(CreateThread(nullptr, 0, nullptr, &counter, 0, nullptr), nullptr);
  EXPECT_EQ(CreateThread(nullptr, 0, CountAfterRelease, &counter, 4, nullptr), nullptr);
}

}  // namespace
