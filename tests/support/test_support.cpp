#include "support/test_support.h"

#include <algorithm>

namespace testsupport {

uint64_t Fnv1a64(const void* bytes, size_t count, uint64_t seed) {
  const auto* p = static_cast<const uint8_t*>(bytes);
  uint64_t h = seed;
  for (size_t i = 0; i < count; ++i) {
    h ^= p[i];
    h *= 0x100000001b3ull;
  }
  return h;
}

}  // namespace testsupport

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace testsupport {

namespace {

// CRC-32 with the PNG and zlib polynomial 0xEDB88320.
uint32_t Crc32(const uint8_t* bytes, size_t count) {
  uint32_t crc = 0xFFFFFFFFu;
  for (size_t i = 0; i < count; ++i) {
    crc ^= bytes[i];
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

uint32_t Adler32(const uint8_t* bytes, size_t count) {
  uint32_t a = 1, b = 0;
  for (size_t i = 0; i < count; ++i) {
    a = (a + bytes[i]) % 65521;
    b = (b + a) % 65521;
  }
  return (b << 16) | a;
}

void PutBigEndian(std::vector<uint8_t>& out, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(v >> shift));
}

void PutChunk(std::vector<uint8_t>& file, const char type[4], const std::vector<uint8_t>& data) {
  PutBigEndian(file, static_cast<uint32_t>(data.size()));
  std::vector<uint8_t> typed(type, type + 4);
  typed.insert(typed.end(), data.begin(), data.end());
  file.insert(file.end(), typed.begin(), typed.end());
  PutBigEndian(file, Crc32(typed.data(), typed.size()));
}

// A zlib stream of stored (uncompressed) deflate blocks of at most 65,535 bytes each.
std::vector<uint8_t> StoredZlib(const std::vector<uint8_t>& raw) {
  std::vector<uint8_t> out = {0x78, 0x01};
  size_t offset = 0;
  do {
    const size_t length = std::min<size_t>(raw.size() - offset, 0xFFFF);
    const bool final = offset + length == raw.size();
    out.push_back(final ? 1 : 0);
    out.push_back(static_cast<uint8_t>(length));
    out.push_back(static_cast<uint8_t>(length >> 8));
    out.push_back(static_cast<uint8_t>(~length));
    out.push_back(static_cast<uint8_t>(~length >> 8));
    out.insert(out.end(), raw.begin() + offset, raw.begin() + offset + length);
    offset += length;
  } while (offset < raw.size());
  PutBigEndian(out, Adler32(raw.data(), raw.size()));
  return out;
}

}  // namespace

uint64_t ImageHash(uint32_t width, uint32_t height, const uint32_t* pixels) {
  const uint32_t size[2] = {width, height};
  uint64_t h = kFnvOffset;
  for (uint32_t v : size) {
    const uint8_t bytes[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
    h = Fnv1a64(bytes, 4, h);
  }
  for (size_t i = 0; i < size_t{width} * height; ++i) {
    const uint32_t p = pixels[i];
    const uint8_t bytes[4] = {uint8_t(p), uint8_t(p >> 8), uint8_t(p >> 16), uint8_t(p >> 24)};
    h = Fnv1a64(bytes, 4, h);
  }
  return h;
}

bool WritePng(const char* path, uint32_t width, uint32_t height, const uint32_t* pixels) {
  std::vector<uint8_t> header;
  PutBigEndian(header, width);
  PutBigEndian(header, height);
  header.insert(header.end(), {8, 6, 0, 0, 0});  // 8 bits, RGBA, deflate, no filter, no interlace
  std::vector<uint8_t> raw;
  raw.reserve((size_t{width} * 4 + 1) * height);
  for (size_t y = 0; y < height; ++y) {
    raw.push_back(0);  // filter: none
    for (size_t x = 0; x < width; ++x) {
      const uint32_t p = pixels[y * width + x];
      raw.insert(raw.end(), {uint8_t(p >> 16), uint8_t(p >> 8), uint8_t(p), uint8_t(p >> 24)});
    }
  }
  std::vector<uint8_t> file = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  PutChunk(file, "IHDR", header);
  PutChunk(file, "IDAT", StoredZlib(raw));
  PutChunk(file, "IEND", {});
  FILE* out = std::fopen(path, "wb");
  if (!out) return false;
  const bool written = std::fwrite(file.data(), 1, file.size(), out) == file.size();
  return std::fclose(out) == 0 && written;
}

uint64_t HashAndMaybeWrite(const char* name, uint32_t width, uint32_t height,
                           const uint32_t* pixels) {
  if (const char* dir = std::getenv("HALVEX_PNG_DIR")) {
    const std::string path = std::string(dir) + "/" + name + ".png";
    if (!WritePng(path.c_str(), width, height, pixels)) {
      std::fprintf(stderr, "could not write %s\n", path.c_str());
    }
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
