#pragma once
// Growable byte block embedded by value in its owner (mesh vertex and face arrays, material
// index runs). The block lives on the C heap (malloc/realloc/free). An owner starts it zeroed
// (data null, size 0); bytes added by growth are zero.

#include <cstdint>

struct ByteBuffer {
  uint8_t* data;  // null when empty
  uint32_t size;  // bytes
};

// Resizes the block to n bytes: 0 frees it; a larger size zero-fills the new bytes; a smaller
// one keeps the first n. When the reallocation fails the old block and size are kept.
void ByteBufferResize(ByteBuffer& buffer, uint32_t n);
// Grows the size to n bytes (nothing when n is not above it), the new bytes zero. The block
// moves only when it has no room for n, and then to max(n, 2 x size) bytes, so a buffer
// grown piece by piece costs amortised constant time per byte. For private work buffers; a
// failed reallocation keeps the old block and size.
void ByteBufferGrow(ByteBuffer& buffer, uint32_t n);
// Frees the block: data null, size 0. Nothing when already empty.
void ByteBufferFree(ByteBuffer& buffer);
