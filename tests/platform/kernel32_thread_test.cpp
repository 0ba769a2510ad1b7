#include <gtest/gtest.h>

#include <atomic>

#include "platform/kernel32.h"
#include "platform/testing_win32.h"

namespace {

struct Counter {
  std::atomic<int> value{0};
  std::atomic<bool> release{false};
};

DWORD CountToThousand(LPVOID parameter) {
  auto* counter = static_cast<Counter*>(parameter);
  for (int i = 0; i < 1000; ++i) counter->value.fetch_add(1, std::memory_order_relaxed);
  return 7;
}

DWORD WaitForRelease(LPVOID parameter) {
  auto* counter = static_cast<Counter*>(parameter);
  while (!counter->release.load()) Sleep(1);
  counter->value = 1;
  return 0;
}

TEST(Kernel32Thread, WaitInfiniteJoinsTheThreadAfterItsWorkIsDone) {
  Counter counter;
  DWORD id = 0;
  HANDLE thread = CreateThread(nullptr, 0, CountToThousand, &counter, 0, &id);
  ASSERT_NE(thread, nullptr);
  EXPECT_NE(id, 0u);
  EXPECT_TRUE(SetThreadPriority(thread, THREAD_PRIORITY_TIME_CRITICAL));
  EXPECT_EQ(WaitForSingleObject(thread, INFINITE), WAIT_OBJECT_0);
  EXPECT_EQ(counter.value.load(), 1000);
  // Waiting again on a finished thread returns at once.
  EXPECT_EQ(WaitForSingleObject(thread, 0), WAIT_OBJECT_0);
  EXPECT_TRUE(CloseHandle(thread));
}

TEST(Kernel32Thread, TimedWaitTimesOutWhileTheThreadRuns) {
  Counter counter;
  HANDLE thread = CreateThread(nullptr, 0, WaitForRelease, &counter, 0, nullptr);
  ASSERT_NE(thread, nullptr);
  EXPECT_EQ(WaitForSingleObject(thread, 5), WAIT_TIMEOUT);
  EXPECT_EQ(counter.value.load(), 0);
  counter.release = true;
  EXPECT_EQ(WaitForSingleObject(thread, INFINITE), WAIT_OBJECT_0);
  EXPECT_EQ(counter.value.load(), 1);
  EXPECT_TRUE(CloseHandle(thread));
}

TEST(Kernel32Thread, ClosedOrUnknownHandlesAreRefusedWithoutHarm) {
  Counter counter;
  HANDLE thread = CreateThread(nullptr, 0, CountToThousand, &counter, 0, nullptr);
  ASSERT_NE(thread, nullptr);
  ASSERT_EQ(WaitForSingleObject(thread, INFINITE), WAIT_OBJECT_0);
  ASSERT_TRUE(CloseHandle(thread));
  EXPECT_FALSE(CloseHandle(thread));
  EXPECT_EQ(WaitForSingleObject(thread, INFINITE), WAIT_FAILED);
  EXPECT_FALSE(SetThreadPriority(thread, THREAD_PRIORITY_TIME_CRITICAL));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  EXPECT_FALSE(CloseHandle(nullptr));
}

TEST(Kernel32Thread, HandleClosedWhileRunningLetsTheThreadFinish) {
  Counter counter;
  HANDLE thread = CreateThread(nullptr, 0, WaitForRelease, &counter, 0, nullptr);
  ASSERT_NE(thread, nullptr);
  EXPECT_TRUE(CloseHandle(thread));
  counter.release = true;
  while (counter.value.load() == 0) Sleep(1);
  EXPECT_EQ(counter.value.load(), 1);
}

TEST(Kernel32Thread, RefusedStartsGiveNullAndAnInjectedFailureToo) {
  Counter counter;
  EXPECT_EQ(CreateThread(nullptr, 0, nullptr, &counter, 0, nullptr), nullptr);
  EXPECT_EQ(CreateThread(nullptr, 0, CountToThousand, &counter, 4, nullptr), nullptr);
  TestWin32FailCall("CreateThread");
  EXPECT_EQ(CreateThread(nullptr, 0, CountToThousand, &counter, 0, nullptr), nullptr);
  TestWin32ClearFaults();
  EXPECT_EQ(counter.value.load(), 0);
}

TEST(Kernel32Thread, LastErrorIsKeptPerThread) {
  SetLastError(1234);
  Counter counter;
  HANDLE thread = CreateThread(
      nullptr, 0,
      [](LPVOID parameter) -> DWORD {
        SetLastError(99);
        static_cast<Counter*>(parameter)->value = static_cast<int>(GetLastError());
        return 0;
      },
      &counter, 0, nullptr);
  ASSERT_NE(thread, nullptr);
  WaitForSingleObject(thread, INFINITE);
  CloseHandle(thread);
  EXPECT_EQ(counter.value.load(), 99);
  EXPECT_EQ(GetLastError(), 1234u);
}

}  // namespace
