#include <gtest/gtest.h>

#include <sys/resource.h>

#include <cstdlib>
#include <cstring>

#include "math/byte_buffer.h"
#include "math/list.h"

namespace {

// Walks the chain both ways and checks it against the expected values and the count.
void ExpectChain(const List& list, std::initializer_list<uintptr_t> values) {
  ASSERT_EQ(ListCount(list), values.size());
  const ListNode* node = list.first;
  const ListNode* prev = nullptr;
  for (uintptr_t v : values) {
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(node->value, v);
    EXPECT_EQ(node->prev, prev);
    prev = node;
    node = node->next;
  }
  EXPECT_EQ(node, nullptr);
  if (values.size() > 0)
    EXPECT_EQ(list.last, prev);
  else
    EXPECT_EQ(list.first, nullptr);
}

TEST(List, AppendIndexAndOutOfRange) {
  List* list = ListCreate();
  EXPECT_EQ(ListAt(*list, 0), 0u);
  ListAppend(*list, uintptr_t{10});
  ListAppend(*list, uintptr_t{20});
  ListAppend(*list, uintptr_t{30});
  ExpectChain(*list, {10, 20, 30});
  EXPECT_EQ(ListAt(*list, 1), 20u);
  EXPECT_EQ(ListAt(*list, 3), 0u);  // index == count
  int object = 5;
  ListAppend(*list, &object);
  EXPECT_EQ(ListAtAs<int>(*list, 3), &object);
  ListDestroy(list);
}

TEST(List, RemoveEachPositionClearAndAppendAgain) {
  List* list = ListCreate();
  for (uintptr_t v : {1, 2, 3, 4, 5, 1}) ListAppend(*list, v);
  const ListNode* tail = list->last;
  ListRemoveValue(*list, uintptr_t{3});  // middle
  ExpectChain(*list, {1, 2, 4, 5, 1});
  ListRemoveValue(*list, uintptr_t{1});  // stored twice: the one nearer the head
  ExpectChain(*list, {2, 4, 5, 1});
  EXPECT_EQ(list->last, tail);
  ListRemoveValue(*list, uintptr_t{1});  // last of several
  ListRemoveValue(*list, uintptr_t{2});  // first of several
  ListRemoveValue(*list, uintptr_t{9});  // absent
  ExpectChain(*list, {4, 5});
  ListRemoveValue(*list, uintptr_t{4});
  ListRemoveValue(*list, uintptr_t{5});  // the only node
  ExpectChain(*list, {});
  ListAppend(*list, uintptr_t{8});
  ExpectChain(*list, {8});
  ListAppend(*list, uintptr_t{9});
  ListClear(*list);
  ExpectChain(*list, {});
  ListAppend(*list, uintptr_t{3});
  ExpectChain(*list, {3});
  ListDestroy(list);
  ListDestroy(nullptr);
}

TEST(ByteBuffer, GrowShrinkGrowZeroFilledAndFree) {
  ByteBuffer buffer{};
  ByteBufferResize(buffer, 10);
  ASSERT_NE(buffer.data, nullptr);
  ASSERT_EQ(buffer.size, 10u);
  for (int i = 0; i < 10; ++i) EXPECT_EQ(buffer.data[i], 0);
  for (int i = 0; i < 10; ++i) buffer.data[i] = static_cast<uint8_t>(i + 1);
  ByteBufferResize(buffer, 4);
  ASSERT_EQ(buffer.size, 4u);
  ByteBufferResize(buffer, 10);
  ByteBufferResize(buffer, 10);  // same size: nothing
  const uint8_t expected[10] = {1, 2, 3, 4, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(std::memcmp(buffer.data, expected, 10), 0);
  ByteBufferResize(buffer, 0);
  EXPECT_EQ(buffer.data, nullptr);
  EXPECT_EQ(buffer.size, 0u);
  ByteBufferFree(buffer);  // already empty
  EXPECT_EQ(buffer.data, nullptr);
}

// Runs in a child process whose address space is capped, so the 4 GiB reallocation really
// fails. (AddressSanitizer reserves terabytes of shadow memory, so it cannot run with a cap.)
TEST(ByteBuffer, FailedGrowthKeepsTheOldBlock) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "an address-space cap cannot be combined with AddressSanitizer";
#else
  EXPECT_EXIT(
      {
        ByteBuffer buffer{};
        ByteBufferResize(buffer, 8);
        buffer.data[0] = 42;
        uint8_t* before = buffer.data;
        rlimit cap{};
        getrlimit(RLIMIT_AS, &cap);
        cap.rlim_cur = 1ull << 30;  // 1 GiB
        setrlimit(RLIMIT_AS, &cap);
        ByteBufferResize(buffer, 0xFFFFFFF0u);
        const bool kept = buffer.data == before && buffer.size == 8u && buffer.data[0] == 42;
        std::_Exit(kept ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
#endif
}

}  // namespace
