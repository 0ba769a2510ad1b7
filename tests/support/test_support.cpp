#include "support/test_support.h"

#include <png.h>

#include <bit>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

// Hashes and PNG rows take the pixel words' bytes as they lie in memory: B, G, R, A.
static_assert(std::endian::native == std::endian::little);

namespace testsupport {

uint64_t Fnv1a64(const void* bytes, size_t count, uint64_t seed) {
  const auto* p = static_cast<const uint8_t*>(bytes);
  uint64_t h = seed;
  for (size_t i = 0; i < count; ++i) h = (h ^ p[i]) * 0x100000001b3ull;
  return h;
}

uint64_t ImageHash(uint32_t width, uint32_t height, const uint32_t* pixels) {
  const uint32_t size[2] = {width, height};
  return Fnv1a64(pixels, size_t{width} * height * 4, Fnv1a64(size, sizeof size));
}

bool WritePng(const char* path, uint32_t width, uint32_t height, const uint32_t* pixels,
              bool alpha) {
  std::vector<uint8_t> bgr;  // the colour bytes alone when alpha is left out
  for (size_t i = 0; !alpha && i < size_t{width} * height; ++i)
    bgr.insert(bgr.end(), {uint8_t(pixels[i]), uint8_t(pixels[i] >> 8), uint8_t(pixels[i] >> 16)});
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = width;
  image.height = height;
  image.format = alpha ? PNG_FORMAT_BGRA : PNG_FORMAT_BGR;
  const void* data = alpha ? static_cast<const void*>(pixels) : bgr.data();
  const bool written = png_image_write_to_file(&image, path, 0, data, 0, nullptr) != 0;
  png_image_free(&image);
  return written;
}

uint64_t HashAndMaybeWrite(const char* name, uint32_t width, uint32_t height,
                           const uint32_t* pixels) {
  if (const char* dir = std::getenv("HALVEX_PNG_DIR")) {
    const std::string path = std::string(dir) + "/" + name + ".png";
    if (!WritePng(path.c_str(), width, height, pixels))
      std::fprintf(stderr, "could not write %s\n", path.c_str());
  }
  return ImageHash(width, height, pixels);
}

}  // namespace testsupport

// Under the leak checker, leaks are looked for once every test has run, while the process is
// whole: at exit the software GL driver's own exit handler tears its threads down, and the
// checker's suspension of every thread can crash on one that is half gone.
#if defined(__SANITIZE_ADDRESS__)
#include <gtest/gtest.h>
#include <sanitizer/lsan_interface.h>

namespace {

class LeakCheckAfterTheTests : public ::testing::Environment {
 public:
  void TearDown() override { __lsan_do_leak_check(); }
};

const ::testing::Environment* const kLeakCheck =
    ::testing::AddGlobalTestEnvironment(new LeakCheckAfterTheTests);

}  // namespace
#endif
