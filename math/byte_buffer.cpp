#include "math/byte_buffer.h"

#include <cstdlib>
#include <cstring>

void ByteBufferResize(ByteBuffer& buffer, uint32_t n) {
  if (n == 0) {
    ByteBufferFree(buffer);
    return;
  }
  if (n == buffer.size) return;
  auto* grown = static_cast<uint8_t*>(std::realloc(buffer.data, n));
  if (!grown) return;  // keep the old block rather than lose it
  if (n > buffer.size) std::memset(grown + buffer.size, 0, n - buffer.size);
  buffer.data = grown;
  buffer.size = n;
}

void ByteBufferFree(ByteBuffer& buffer) {
  if (!buffer.data) return;
  std::free(buffer.data);
  buffer.data = nullptr;
  buffer.size = 0;
}
