// The test helper that hashes images and writes them as PNG: the hash covers the size and every
// pixel, and the PNG is a valid file whose stored blocks give back the pixels.

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "support/test_support.h"

namespace {

uint32_t BigEndian(const std::vector<uint8_t>& d, size_t at) {
  return (uint32_t(d[at]) << 24) | (uint32_t(d[at + 1]) << 16) | (uint32_t(d[at + 2]) << 8) |
         d[at + 3];
}

TEST(ImageHash, CoversSizeAndEveryPixel) {
  const uint32_t pixels[6] = {1, 2, 3, 4, 5, 6};
  const uint64_t base = testsupport::ImageHash(3, 2, pixels);
  EXPECT_NE(base, testsupport::ImageHash(2, 3, pixels));
  uint32_t changed[6] = {1, 2, 3, 4, 5, 7};
  EXPECT_NE(base, testsupport::ImageHash(3, 2, changed));
  changed[5] = 6;
  EXPECT_EQ(base, testsupport::ImageHash(3, 2, changed));
  // FNV-1a of the 24 bytes 03 00 00 00 02 00 00 00 01 00 00 00 ... 06 00 00 00.
  std::vector<uint8_t> bytes = {3, 0, 0, 0, 2, 0, 0, 0};
  for (uint32_t p : pixels) bytes.insert(bytes.end(), {uint8_t(p), 0, 0, 0});
  EXPECT_EQ(base, testsupport::Fnv1a64(bytes.data(), bytes.size()));
}

TEST(ImageHash, ChecksumsMatchKnownValues) {
  const uint8_t text[] = "123456789";
  EXPECT_EQ(testsupport::Crc32(text, 9), 0xCBF43926u);
  EXPECT_EQ(testsupport::Adler32(text, 9), 0x091E01DEu);
}

TEST(ImagePng, ChunksChecksumsAndStoredPixels) {
  // Wide enough that the raw rows need two stored blocks (more than 65,535 bytes).
  const uint32_t width = 130, height = 130;
  std::vector<uint32_t> pixels(width * height);
  for (uint32_t i = 0; i < pixels.size(); ++i) pixels[i] = i * 2654435761u;
  const std::string path = ::testing::TempDir() + "halvex_png_test.png";
  ASSERT_TRUE(testsupport::WritePng(path.c_str(), width, height, pixels.data()));
  std::ifstream in(path, std::ios::binary);
  const std::vector<uint8_t> d((std::istreambuf_iterator<char>(in)), {});
  std::remove(path.c_str());
  ASSERT_GT(d.size(), 8u);
  EXPECT_EQ(std::vector<uint8_t>(d.begin(), d.begin() + 8),
            (std::vector<uint8_t>{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'}));
  std::vector<uint8_t> zlib;
  std::vector<std::string> types;
  for (size_t at = 8; at + 12 <= d.size();) {
    const uint32_t length = BigEndian(d, at);
    const std::string type(d.begin() + at + 4, d.begin() + at + 8);
    types.push_back(type);
    ASSERT_EQ(testsupport::Crc32(&d[at + 4], length + 4), BigEndian(d, at + 8 + length)) << type;
    if (type == "IHDR") {
      EXPECT_EQ(BigEndian(d, at + 8), width);
      EXPECT_EQ(BigEndian(d, at + 12), height);
      EXPECT_EQ(d[at + 16], 8);
      EXPECT_EQ(d[at + 17], 6);
    }
    if (type == "IDAT") zlib.insert(zlib.end(), d.begin() + at + 8, d.begin() + at + 8 + length);
    at += 12 + length;
  }
  EXPECT_EQ(types, (std::vector<std::string>{"IHDR", "IDAT", "IEND"}));
  // Inflate the stored blocks.
  ASSERT_EQ(zlib[0], 0x78);
  std::vector<uint8_t> raw;
  size_t at = 2;
  int blocks = 0;
  for (bool last = false; !last; ++blocks) {
    last = zlib[at] & 1;
    ASSERT_EQ(zlib[at] & 6, 0);  // stored
    const size_t length = zlib[at + 1] | (zlib[at + 2] << 8);
    ASSERT_EQ(length ^ 0xFFFF, size_t(zlib[at + 3] | (zlib[at + 4] << 8)));
    raw.insert(raw.end(), zlib.begin() + at + 5, zlib.begin() + at + 5 + length);
    at += 5 + length;
  }
  EXPECT_EQ(blocks, 2);
  EXPECT_EQ(BigEndian(zlib, at), testsupport::Adler32(raw.data(), raw.size()));
  ASSERT_EQ(raw.size(), (width * 4 + 1) * height);
  for (uint32_t y = 0; y < height; ++y) {
    ASSERT_EQ(raw[y * (width * 4 + 1)], 0);
    for (uint32_t x = 0; x < width; ++x) {
      const uint8_t* rgba = &raw[y * (width * 4 + 1) + 1 + x * 4];
      const uint32_t p = pixels[y * width + x];
      ASSERT_EQ(uint32_t(rgba[0] << 16 | rgba[1] << 8 | rgba[2] | uint32_t(rgba[3]) << 24), p);
    }
  }
  EXPECT_FALSE(testsupport::WritePng("/nonexistent-folder/x.png", 1, 1, pixels.data()));
}

}  // namespace
