#include "texgen/texture.h"

#include <gtest/gtest.h>

#include <cstring>

#include "platform/crt.h"

namespace {

TEST(TextureRecord, KindsSizesAndOpaqueBlackFill) {
  Texture cube;
  TextureInit(&cube, kTextureKindCube, 256, 0, 0, 1, 0);
  EXPECT_EQ(cube.height, 256);
  EXPECT_EQ(cube.byteSize, 1572864u);
  ASSERT_NE(cube.pixels, nullptr);
  EXPECT_EQ(cube.pixels[0], 0xFF000000u);
  EXPECT_EQ(cube.pixels[cube.byteSize / 4 - 1], 0xFF000000u);
  EXPECT_EQ(cube.linearFilter, 1u);
  EXPECT_EQ(cube.texture, nullptr);
  TextureFreeImage(&cube);

  Texture volume;
  TextureInit(&volume, kTextureKindVolume, 4, 5, 6, 0, 0);
  EXPECT_EQ(volume.byteSize, 4u * 5 * 6 * 4);
  TextureFreeImage(&volume);

  Texture other;
  TextureInit(&other, 7, 16, 16, 0, 0, 0);
  EXPECT_EQ(other.pixels, nullptr);
  EXPECT_EQ(other.byteSize, 0u);

  Texture target;
  TextureInit2D(&target, 512, 512, 1, 1);
  EXPECT_EQ(target.pixels, nullptr);
  EXPECT_EQ(target.byteSize, 0u);
  EXPECT_FALSE(TextureIsEditable(&target));
}

TEST(TextureRecord, SizesBeyondTheLimitGetNoPixels) {
  Texture cube;  // 65535^2 * 24 bytes would wrap a 32-bit size
  TextureInit(&cube, kTextureKindCube, 65535, 0, 0, 0, 0);
  EXPECT_EQ(cube.pixels, nullptr);
  EXPECT_EQ(cube.byteSize, 0u);
  Texture volume;
  TextureInit(&volume, kTextureKindVolume, 65535, 65535, 65535, 0, 0);
  EXPECT_EQ(volume.pixels, nullptr);
  Texture wide;
  TextureInitScratch(&wide, 65535, 1);
  ASSERT_NE(wide.pixels, nullptr);
  EXPECT_EQ(wide.byteSize, 65535u * 4);
  TextureFreeImage(&wide);
  Texture limit;  // exactly the limit, and one row more
  TextureInitScratch(&limit, 4096, 4096);
  EXPECT_EQ(limit.byteSize, kTextureMaxBytes);
  TextureFreeImage(&limit);
  TextureInitScratch(&limit, 4096, 4097);
  EXPECT_EQ(limit.pixels, nullptr);
}

TEST(TextureRecord, FreeImageFreesLinkedTargetAndKeepsFields) {
  Texture* texture = crt::AlignedNew<Texture>();
  TextureInitScratch(texture, 8, 8);
  texture->target = TextureCreateScratch(4, 4);
  texture->target->target = TextureCreateScratch(2, 2);
  uint32_t* pixels = texture->pixels;
  TextureFreeImage(texture);  // LeakSanitizer reports anything left behind
  EXPECT_EQ(texture->pixels, pixels);
  EXPECT_EQ(texture->width, 8);
  crt::AlignedDelete(texture);
}

TEST(TexturePresets, CubeVolumeAndFlatNormalMap) {
  Texture cube;
  TextureInitPreset(&cube, 0);
  EXPECT_EQ(cube.kind, kTextureKindCube);
  EXPECT_EQ(cube.width, 256);
  EXPECT_EQ(cube.height, 256);
  EXPECT_EQ(cube.byteSize, 256u * 256 * 24);
  TextureFreeImage(&cube);

  Texture volume;
  TextureInitPreset(&volume, 1);
  EXPECT_EQ(volume.clamp, 1);
  EXPECT_EQ(volume.kind, kTextureKindVolume);
  EXPECT_EQ(volume.pixels[(32 * 64 + 32) * 64 + 32], 0xFFFFFFFFu);
  EXPECT_EQ(volume.pixels[0], 0x00000000u);
  // Along the x axis the falloff is monotonic and symmetric about the centre.
  const uint32_t* row = volume.pixels + (32 * 64 + 32) * 64;
  for (int x = 33; x < 64; ++x) EXPECT_LE(row[x] & 0xFF, row[x - 1] & 0xFF) << x;
  for (int d = 1; d < 32; ++d) EXPECT_EQ(row[32 - d], row[32 + d]) << d;
  // Halfway out: v = 0.5, pow(0.25, 0.8) * 255 = 83.7 -> 84.
  EXPECT_EQ(row[48], 84u * 0x01010101u);
  TextureFreeImage(&volume);

  Texture flat;
  TextureInitPreset(&flat, 2);
  EXPECT_EQ(flat.linearFilter, 0u);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(flat.pixels[i], 0xFF7F7FFEu) << i;
  TextureFreeImage(&flat);

  Texture untouched;
  TextureInitScratch(&untouched, 3, 3);
  const Texture before = untouched;
  TextureInitPreset(&untouched, 3);
  TextureInitPreset(&untouched, 255);
  EXPECT_EQ(std::memcmp(&before, &untouched, sizeof(Texture)), 0);
  TextureFreeImage(&untouched);
}

TEST(TexturePresets, VolumeSphereIgnoresOtherKindsAndThinVolumes) {
  Texture flat;
  TextureInitScratch(&flat, 4, 4);
  TextureFillVolumeSphere(&flat);
  EXPECT_EQ(flat.pixels[5], 0xFF000000u);
  TextureFreeImage(&flat);
  Texture thin;  // a side of 1 has half size 0: no division by zero, image unchanged
  TextureInit(&thin, kTextureKindVolume, 4, 1, 4, 0, 0);
  TextureFillVolumeSphere(&thin);
  EXPECT_EQ(thin.pixels[3], 0xFF000000u);
  TextureFreeImage(&thin);
}

}  // namespace
