#pragma once
// A fixed pool of worker threads that splits the rows of an image operation. Each row is
// computed by exactly the same code whichever thread takes it, so the result is bit-identical
// for any thread count. Used only by operations that read one image and write another (or
// whose pixels are independent of each other); never re-entered.

#include <cstdint>

using RowBody = void (*)(void* context, int firstRow, int endRow);

// Calls body(context, first, end) over consecutive row ranges covering 0..rows-1, on the
// calling thread and the pool's workers; returns when every range is done.
void RunRows(int rows, RowBody body, void* context);

template <class Body>
void ParallelRows(int rows, Body&& body) {
  RunRows(
      rows, [](void* context, int first, int end) { (*static_cast<Body*>(context))(first, end); },
      const_cast<void*>(static_cast<const void*>(&body)));
}

// Number of threads that share the rows, the caller included (1 = everything on the caller).
// Starts at the machine's hardware concurrency, at most 8. Values below 1 count as 1.
void TextureSetThreadCount(int threads);
int TextureThreadCount();
