#include "render/texture_upload.h"

#include <gtest/gtest.h>

#include <cstring>
#include <deque>

#include "platform/testing.h"
#include "render/screen_draw.h"
#include "tests/support/render_fixture.h"
#include "texgen/texture.h"

namespace rendertest {
namespace {

class TextureUploadTest : public RenderTest {
 protected:
  void TearDown() override {
    for (Texture& record : records_) {
      TextureRelease(&record, device_);
      TextureFreeImage(&record);
    }
    RenderTest::TearDown();
  }
  Texture* New(uint16_t kind, uint16_t w, uint16_t h, uint16_t d, uint8_t renderTarget = 0) {
    records_.emplace_back();
    TextureInit(&records_.back(), kind, w, h, d, 1, renderTarget);
    return &records_.back();
  }
  std::deque<Texture> records_;
};

TEST_F(TextureUploadTest, MipLevelsAreFlooredMeansOfTheirFourSources) {
  Texture* t = New(kTextureKind2D, 4, 4, 0);
  // Top-left 2 x 2 block: bytes 1, 1, 1, 2 in every channel; the rest distinct per block.
  const uint32_t block[4] = {0x01010101u, 0x40404040u, 0x80808080u, 0xFFFFFFFFu};
  for (uint32_t i = 0; i < 16; ++i) t->pixels[i] = block[(i / 8) * 2 + (i % 4) / 2];
  t->pixels[5] = 0x02020202u;
  t->pixels[2] = 0x00112233u;  // top-right block: one source differs per channel
  TextureUpload(t, device_);
  ASSERT_TRUE(t->uploaded);
  auto* image = static_cast<IDirect3DTexture9*>(t->texture);
  EXPECT_EQ(image->levels, 3u);
  std::vector<uint32_t> level0 = d3d9test::ReadTextureLevel(image, 0);
  EXPECT_EQ(level0, std::vector<uint32_t>(t->pixels, t->pixels + 16));
  std::vector<uint32_t> level1 = d3d9test::ReadTextureLevel(image, 1);
  ASSERT_EQ(level1.size(), 4u);
  EXPECT_EQ(level1[0], 0x01010101u);
  // (0x00 + 3 x 0x40) / 4 = 0x30, (0x11 + 0xC0) / 4 = 0x34, (0x22 + 0xC0) / 4 = 0x38, ...
  EXPECT_EQ(level1[1], 0x3034383Cu);
  EXPECT_EQ(level1[3], 0xFFFFFFFFu);
  std::vector<uint32_t> level2 = d3d9test::ReadTextureLevel(image, 2);
  ASSERT_EQ(level2.size(), 1u);
  // Each channel: floor((l1[0] + l1[1] + l1[2] + l1[3]) / 4) of level 1's bytes.
  for (int c = 0; c < 4; ++c) {
    int sum = Channel(level1[0], c) + Channel(level1[1], c) + Channel(level1[2], c) +
              Channel(level1[3], c);
    EXPECT_EQ(Channel(level2[0], c), sum / 4) << c;
  }
  EXPECT_EQ(ListCount(*device_.textures), 4u);  // three default images and this one
}

TEST_F(TextureUploadTest, WideTexturesFillLevelsUntilTheShortSideIsOne) {
  Texture* t = New(kTextureKind2D, 16, 4, 0);
  for (uint32_t i = 0; i < 64; ++i) t->pixels[i] = (i % 16 < 8) ? 0xFF000000u : 0xFFFFFFFFu;
  TextureUpload(t, device_);
  auto* image = static_cast<IDirect3DTexture9*>(t->texture);
  EXPECT_EQ(image->levels, 5u);
  std::vector<uint32_t> level2 = d3d9test::ReadTextureLevel(image, 2);
  ASSERT_EQ(level2.size(), 4u);
  EXPECT_EQ(level2[1], 0xFF000000u);
  EXPECT_EQ(level2[2], 0xFFFFFFFFu);
}

TEST_F(TextureUploadTest, CubesRepeatTheFirstFace) {
  Texture* cube = New(kTextureKindCube, 8, 8, 0);
  for (uint32_t i = 0; i < 64; ++i) cube->pixels[i] = 0xFF000000u | (i * 0x030201u);
  cube->pixels[64] = 0xFFFFFFFFu;  // second face in memory: never uploaded
  TextureUpload(cube, device_);
  ASSERT_TRUE(cube->uploaded);
  auto* texture = static_cast<IDirect3DCubeTexture9*>(cube->texture);
  std::vector<uint32_t> first = d3d9test::ReadCubeFace(texture, D3DCUBEMAP_FACE_POSITIVE_X, 0);
  ASSERT_EQ(first.size(), 64u);
  // X8R8G8B8: the colour bytes count, the fourth byte is unused by the format.
  for (uint32_t i = 0; i < 64; ++i)
    EXPECT_EQ(first[i] & 0x00FFFFFFu, (i * 0x030201u) & 0x00FFFFFFu) << i;
  for (uint32_t face = 1; face < 6; ++face)
    EXPECT_EQ(d3d9test::ReadCubeFace(texture, static_cast<D3DCUBEMAP_FACES>(face), 0), first);
}

TEST_F(TextureUploadTest, NonSquareCubesAndEmptyRecordsAreNotUploaded) {
  Texture* cube = New(kTextureKindCube, 8, 8, 0);
  cube->height = 4;
  Texture* empty = New(7, 8, 8, 0);
  uint32_t listed = ListCount(*device_.textures);
  TextureUpload(cube, device_);
  TextureUpload(empty, device_);
  EXPECT_FALSE(cube->uploaded);
  EXPECT_FALSE(empty->uploaded);
  EXPECT_EQ(ListCount(*device_.textures), listed);
}

TEST_F(TextureUploadTest, RenderTargetRecordsBindTheirLinkedTarget) {
  Texture* record = New(kTextureKind2D, 16, 8, 0, 1);
  uint32_t targetsBefore = ListCount(*targets().targets);
  TextureUpload(record, device_);
  ASSERT_NE(record->target, nullptr);
  EXPECT_EQ(record->texture, nullptr);
  EXPECT_EQ(ListCount(*targets().targets), targetsBefore + 1);
  // What is drawn into the linked target is what the record shows.
  TargetManagerSelect(targets(), record->target, 0);
  Fill(0xFFC08040u);
  TargetManagerSelect(targets(), nullptr, 0);
  RendererSetShaderMode(renderer().shaders, 12);
  TransformStateBeginOverlay(transform());
  RendererDrawScreenImage(renderer(), record, 1.0f, 1.0f);
  TransformStateEndOverlay(transform());
  EXPECT_EQ(BackPixel(30, 30), 0xFFC08040u);
  // The record's own flags decide filtering and addressing.
  record->clamp = 1;
  record->linearFilter = 0;
  TextureBind(device_, record, 2);
  EXPECT_EQ(d3d9test::SamplerState(d3d(), 2, D3DSAMP_ADDRESSV), DWORD{D3DTADDRESS_CLAMP});
  EXPECT_EQ(d3d9test::SamplerState(d3d(), 2, D3DSAMP_ADDRESSW), DWORD{D3DTADDRESS_CLAMP});
  EXPECT_EQ(d3d9test::SamplerState(d3d(), 2, D3DSAMP_MAGFILTER), DWORD{D3DTEXF_POINT});
  EXPECT_EQ(d3d9test::SamplerState(d3d(), 2, D3DSAMP_MINFILTER), DWORD{D3DTEXF_ANISOTROPIC});
  // A second upload gives the first target back.
  TextureUpload(record, device_);
  EXPECT_EQ(ListCount(*targets().targets), targetsBefore + 1);
  TextureRelease(record, device_);
  EXPECT_EQ(record->target, nullptr);
  EXPECT_EQ(ListCount(*targets().targets), targetsBefore);
}

TEST_F(TextureUploadTest, ReleaseAndReuploadKeepOneTexture) {
  Texture* t = New(kTextureKind2D, 4, 4, 0);
  int managed = d3d9test::LiveResources(D3DPOOL_MANAGED);
  TextureUpload(t, device_);
  TextureUpload(t, device_);
  EXPECT_EQ(d3d9test::LiveResources(D3DPOOL_MANAGED), managed + 1);
  uint32_t listed = ListCount(*device_.textures);
  TextureRelease(t, device_);
  EXPECT_EQ(t->texture, nullptr);
  EXPECT_FALSE(t->uploaded);
  EXPECT_EQ(ListCount(*device_.textures), listed - 1);
  EXPECT_EQ(d3d9test::LiveResources(D3DPOOL_MANAGED), managed);
}

}  // namespace
}  // namespace rendertest
