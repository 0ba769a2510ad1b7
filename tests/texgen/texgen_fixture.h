#pragma once
// An owned test image over a Texture record for the texgen suites: a new scratch image, or a
// record allocated for TextureDestroy.
#include <algorithm>
#include <memory>

#include "platform/crt.h"
#include "support/test_support.h"
#include "tests/support/pixels.h"
#include "texgen/texture.h"

class Image : public std::unique_ptr<Texture, void (*)(Texture*)> {
 public:
  Image(uint16_t width, uint16_t height, uint32_t fill = 0xFF000000u)
      : unique_ptr(TextureCreateScratch(width, height), TextureDestroy) {
    std::fill_n(get()->pixels, TexturePixelCount(get()), fill);
  }
  explicit Image(Texture* texture) : unique_ptr(texture, TextureDestroy) {}
  uint32_t& at(int x, int y) const { return get()->pixels[size_t(y) * get()->width + x]; }
  std::vector<uint32_t> Pixels() const {
    std::vector<uint32_t> pixels(TexturePixelCount(get()));
    std::copy_n(get()->pixels, pixels.size(), pixels.data());
    return pixels;
  }
};
