#include <gtest/gtest.h>

#include <sys/resource.h>

#include <cstdlib>
#include <tuple>
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
  for (const Values& read : {forward, backward, indexed}) EXPECT_EQ(read, values);
  EXPECT_EQ(ListAt(list, static_cast<uint32_t>(values.size())), 0u);
  EXPECT_EQ(ListCount(list), values.size());
}

// Removal from every position, then an append: both chains stay whole and the ends usable.
TEST(List, RemoveFromEveryPositionThenAppend) {
  // {before, removed, after removal and an append of 7}; of a value stored twice the one nearer
  // the head goes.
  using Row = std::tuple<Values, uintptr_t, Values>;
  const Row rows[] = {{{1, 2, 3}, 2, {1, 3, 7}}, {{1, 2, 3}, 1, {2, 3, 7}},
                      {{1, 2, 3}, 3, {1, 2, 7}}, {{1, 2, 1}, 1, {2, 1, 7}},
                      {{1, 2}, 9, {1, 2, 7}},    {{5}, 5, {7}}};
  for (const auto& [before, removed, after] : rows) {
    List* list = ListCreate();
    for (uintptr_t v : before) ListAppend(*list, v);
    ListRemoveValue(*list, removed);
    ListAppend(*list, uintptr_t{7});
    ExpectChain(*list, after);
    ListClear(*list);
    ExpectChain(*list, {});
    ListAppend(*list, uintptr_t{3});
    ExpectChain(*list, {3});
    ListDestroy(list);
  }
  ListDestroy(nullptr);
}

std::vector<uint8_t> Bytes(const ByteBuffer& b) { return {b.data, b.data + b.size}; }

TEST(ByteBuffer, ShrinkKeepsThePrefixAndGrowthIsZeroFilled) {
  ByteBuffer buffer{};
  ByteBufferResize(buffer, 10);
  ASSERT_EQ(Bytes(buffer), std::vector<uint8_t>(10));
  for (uint8_t i = 0; i < 10; ++i) buffer.data[i] = i + 1;
  ByteBufferResize(buffer, 4);
  ByteBufferResize(buffer, 6);
  EXPECT_EQ(Bytes(buffer), (std::vector<uint8_t>{1, 2, 3, 4, 0, 0}));
  ByteBufferResize(buffer, 0);
  EXPECT_TRUE(buffer.data == nullptr && buffer.size == 0u);
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
        const rlimit cap = (rlimit{1ull << 30, 1ull << 30});  // 1 GiB; ( ) shield the macro
        setrlimit(RLIMIT_AS, &cap);
        ByteBufferResize(buffer, 0xFFFFFFF0u);
        std::_Exit(buffer.data == before && buffer.size == 8u && buffer.data[0] == 42 ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
#endif
}

}  // namespace
