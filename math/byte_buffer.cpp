#include "math/byte_buffer.h"

#include <malloc.h>

#include <cstdlib>
#include <cstring>

namespace {

// Moves the block to one of `bytes` bytes; false, with the old block kept, when that fails.
bool Reallocate(ByteBuffer& buffer, size_t bytes) {
  auto* moved = static_cast<uint8_t*>(std::realloc(buffer.data, bytes));
  if (!moved) return false;
  buffer.data = moved;
  return true;
}

// size = n in a block that holds at least n bytes; bytes past the old size are zeroed.
void SetSize(ByteBuffer& buffer, uint32_t n) {
  if (n > buffer.size) std::memset(buffer.data + buffer.size, 0, n - buffer.size);
  buffer.size = n;
}

}  // namespace

void ByteBufferResize(ByteBuffer& buffer, uint32_t n) {
  if (n == 0) {
    ByteBufferFree(buffer);
    return;
  }
  if (n == buffer.size) return;
  if (Reallocate(buffer, n)) SetSize(buffer, n);
}

void ByteBufferGrow(ByteBuffer& buffer, uint32_t n) {
  if (n <= buffer.size) return;
  const size_t room = buffer.data ? malloc_usable_size(buffer.data) : 0;
  const size_t doubled = 2 * static_cast<size_t>(buffer.size);
  if (n > room && !Reallocate(buffer, n > doubled ? n : doubled)) return;
  SetSize(buffer, n);
}

void ByteBufferFree(ByteBuffer& buffer) {
  if (!buffer.data) return;
  std::free(buffer.data);
  buffer.data = nullptr;
  buffer.size = 0;
}
