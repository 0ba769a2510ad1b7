#pragma once
// An owned test image over a Texture record, and small helpers for the texgen suites.

#include <cstdint>
#include <vector>

#include "platform/crt.h"
#include "support/test_support.h"
#include "tests/support/pixels.h"
#include "texgen/texture.h"

namespace texgentest {

class Image {
 public:
  Image(uint16_t width, uint16_t height, uint32_t fill = 0xFF000000u)
      : texture_(TextureCreateScratch(width, height)) {
    for (uint32_t i = 0; i < TexturePixelCount(texture_); ++i) texture_->pixels[i] = fill;
  }
  ~Image() { TextureDestroy(texture_); }
  Image(const Image&) = delete;
  Image& operator=(const Image&) = delete;

  Texture* operator->() const { return texture_; }
  Texture* get() const { return texture_; }
  uint32_t& at(int x, int y) { return texture_->pixels[size_t(y) * texture_->width + x]; }
  std::vector<uint32_t> Pixels() const {
    return std::vector<uint32_t>(texture_->pixels, texture_->pixels + TexturePixelCount(texture_));
  }
  uint64_t Hash(const char* name) const {
    return testsupport::HashAndMaybeWrite(name, texture_->width, texture_->height,
                                          texture_->pixels);
  }

 private:
  Texture* texture_;
};

// A repeatable pattern with every channel varying: (x * 37 + y * 11 + c * 53) & 255.
inline void FillPattern(Image& image) {
  for (int y = 0; y < image->height; ++y) {
    for (int x = 0; x < image->width; ++x) {
      uint32_t p = 0;
      for (int c = 0; c < 4; ++c) p |= uint32_t((x * 37 + y * 11 + c * 53) & 255) << (8 * c);
      image.at(x, y) = p;
    }
  }
}

}  // namespace texgentest
