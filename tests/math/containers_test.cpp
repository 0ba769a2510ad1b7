#include <gtest/gtest.h>

#include <sys/resource.h>

#include <cstdlib>
#include <vector>

#include "math/byte_buffer.h"
#include "math/list.h"

namespace {

using Values = std::vector<uintptr_t>;

// The chain read forwards, backwards and by index must each give `values` (an index past the
// end reads 0), and the count must agree.
void ExpectChain(const List& list, const Values& values) {
  Values forward, backward, indexed;
  for (const ListNode* n = list.first; n; n = n->next) forward.push_back(n->value);
  for (const ListNode* n = list.first ? list.last : nullptr; n; n = n->prev)
    backward.insert(backward.begin(), n->value);
  for (uint32_t i = 0; i < values.size(); ++i) indexed.push_back(ListAt(list, i));
  EXPECT_EQ(forward, values);
  EXPECT_EQ(backward, values);
  EXPECT_EQ(indexed, values);
  EXPECT_EQ(ListAt(list, static_cast<uint32_t>(values.size())), 0u);
  EXPECT_EQ(ListCount(list), values.size());
}

// Removal from every position, then an append: both chains stay whole and the ends usable.
TEST(List, RemoveFromEveryPositionThenAppend) {
  const struct {
    Values before;
    uintptr_t removed;
    Values after;
  } rows[] = {
      {{1, 2, 3}, 2, {1, 3, 7}},
      {{1, 2, 3}, 1, {2, 3, 7}},
      {{1, 2, 3}, 3, {1, 2, 7}},
      {{1, 2, 1}, 1, {2, 1, 7}},  // stored twice: the one nearer the head goes
      {{1, 2}, 9, {1, 2, 7}},
      {{5}, 5, {7}},
  };
  for (const auto& r : rows) {
    List* list = ListCreate();
    for (uintptr_t v : r.before) ListAppend(*list, v);
    ListRemoveValue(*list, r.removed);
    ListAppend(*list, uintptr_t{7});
    ExpectChain(*list, r.after);
    ListClear(*list);
    ExpectChain(*list, {});
    ListAppend(*list, uintptr_t{3});
    ExpectChain(*list, {3});
    ListDestroy(list);
  }
  ListDestroy(nullptr);
}

TEST(ByteBuffer, ShrinkKeepsThePrefixAndGrowthIsZeroFilled) {
  ByteBuffer buffer{};
  ByteBufferResize(buffer, 10);
  ASSERT_EQ(std::vector<uint8_t>(buffer.data, buffer.data + buffer.size), std::vector<uint8_t>(10));
  for (uint8_t i = 0; i < 10; ++i) buffer.data[i] = i + 1;
  ByteBufferResize(buffer, 4);
  ByteBufferResize(buffer, 6);
  EXPECT_EQ(std::vector<uint8_t>(buffer.data, buffer.data + buffer.size),
            (std::vector<uint8_t>{1, 2, 3, 4, 0, 0}));
  ByteBufferResize(buffer, 0);
  EXPECT_EQ(buffer.data, nullptr);
  EXPECT_EQ(buffer.size, 0u);
  ByteBufferFree(buffer);  // already empty
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
