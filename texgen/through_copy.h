#pragma once
// Operations that read one image and write another of the same size: every output pixel is
// computed from the unchanged image into a temporary block (rows shared out over the row pool),
// which is then copied over the image and freed. No output pixel influences another.

#include <cstring>

#include "platform/crt.h"
#include "texgen/row_pool.h"
#include "texgen/texture.h"

// Every pixel (x, y) becomes newPixel(x, y), computed from the image as it was.
template <class NewPixel>
void TextureRewriteThroughCopy(Texture* texture, NewPixel&& newPixel) {
  const int width = texture->width;
  const size_t bytes = size_t{TexturePixelCount(texture)} * 4;
  auto* out = static_cast<uint32_t*>(crt::AlignedAlloc(bytes));
  ParallelRows(texture->height, [&](int firstRow, int endRow) {
    for (int y = firstRow; y < endRow; ++y) {
      uint32_t* row = out + size_t(y) * width;
      for (int x = 0; x < width; ++x) row[x] = newPixel(x, y);
    }
  });
  std::memcpy(texture->pixels, out, bytes);
  crt::AlignedFree(out);
}
