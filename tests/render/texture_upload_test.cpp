#include "render/texture_upload.h"

#include <deque>

#include "render/screen_draw.h"
#include "tests/support/render_fixture.h"

namespace rendertest {
namespace {

class TextureUploadTest : public RenderTest {
 protected:
  void TearDown() override {
    for (Texture& record : records_) TextureRelease(&record, device_), TextureFreeImage(&record);
    RenderTest::TearDown();
  }
  Texture* New(uint16_t kind, uint16_t w, uint16_t h, uint8_t renderTarget = 0) {
    TextureInit(&records_.emplace_back(), kind, w, h, 0, 1, renderTarget);
    return &records_.back();
  }
  std::deque<Texture> records_;
};

// Each level's channel is the floored mean of its four sources; a non-square texture has its
// levels down to 1 x 1. Uploading again keeps one texture, releasing frees it and unlists it.
TEST_F(TextureUploadTest, MipLevelsAreFlooredMeansOfTheirFourSources) {
  Texture* t = New(kTextureKind2D, 4, 4);
  // Top-left 2 x 2 block: bytes 1, 1, 1, 2 in every channel; the rest distinct per block.
  const uint32_t block[4] = {0x01010101u, 0x40404040u, 0x80808080u, 0xFFFFFFFFu};
  for (uint32_t i = 0; i < 16; ++i) t->pixels[i] = block[(i / 8) * 2 + (i % 4) / 2];
  t->pixels[5] = 0x02020202u;
  t->pixels[2] = 0x00112233u;  // top-right block: one source differs per channel
  const int managed = d3d9test::LiveResources(D3DPOOL_MANAGED);
  const auto level = [t](uint32_t i) {
    return d3d9test::ReadTextureLevel(static_cast<IDirect3DTexture9*>(t->texture), i);
  };
  TextureUpload(t, device_);
  TextureUpload(t, device_);
  EXPECT_EQ(d3d9test::LiveResources(D3DPOOL_MANAGED), managed + 1);
  EXPECT_EQ(level(0), std::vector<uint32_t>(t->pixels, t->pixels + 16));
  // (0x00 + 3 x 0x40) / 4 = 0x30, (0x11 + 0xC0) / 4 = 0x34, (0x22 + 0xC0) / 4 = 0x38, ...
  EXPECT_EQ(level(1), (std::vector<uint32_t>{0x01010101u, 0x3034383Cu, 0x80808080u, ~0u}));
  EXPECT_EQ(level(2), (std::vector<uint32_t>{0x6C6D6E6Fu}));
  EXPECT_EQ(ListCount(*device_.textures), 4u);  // three default images and this one
  TextureRelease(t, device_);
  EXPECT_TRUE(!t->uploaded && ListCount(*device_.textures) == 3u);
  EXPECT_EQ(d3d9test::LiveResources(D3DPOOL_MANAGED), managed);

  Texture* wide = New(kTextureKind2D, 16, 4);
  TextureUpload(wide, device_);
  EXPECT_EQ(static_cast<IDirect3DTexture9*>(wide->texture)->levels, 5u);  // down to 1 x 1
}

// A cube's six faces all show its first face, opaque (X8R8G8B8: the fourth byte is unused); a
// non-square cube and a record of an unknown kind are not uploaded.
TEST_F(TextureUploadTest, CubesRepeatTheFirstFaceAndMalformedRecordsAreNotUploaded) {
  Texture* cube = New(kTextureKindCube, 8, 8);
  std::vector<uint32_t> first(64);
  for (uint32_t i = 0; i < 64; ++i) first[i] = 0xFF000000u | (cube->pixels[i] = i * 0x030201u);
  cube->pixels[64] = 0xFFFFFFFFu;  // second face in memory: never uploaded
  TextureUpload(cube, device_);
  ASSERT_TRUE(cube->uploaded);
  auto* texture = static_cast<IDirect3DCubeTexture9*>(cube->texture);
  for (uint32_t face = 0; face < 6; ++face)
    EXPECT_EQ(d3d9test::ReadCubeFace(texture, D3DCUBEMAP_FACES(face), 0), first) << face;

  Texture* oblong = New(kTextureKindCube, 8, 8);
  oblong->height = 4;
  Texture* unknown = New(7, 8, 8);
  const uint32_t listed = ListCount(*device_.textures);
  TextureUpload(oblong, device_);
  TextureUpload(unknown, device_);
  EXPECT_FALSE(oblong->uploaded || unknown->uploaded);
  EXPECT_EQ(ListCount(*device_.textures), listed);
}

// A render-target record shows what is drawn into its linked target; its own flags decide
// filtering and addressing; a second upload gives the first target back, as does releasing.
TEST_F(TextureUploadTest, RenderTargetRecordsBindTheirLinkedTarget) {
  Texture* record = New(kTextureKind2D, 16, 8, 1);
  const uint32_t targetsBefore = ListCount(*targets().targets);
  TextureUpload(record, device_);
  ASSERT_NE(record->target, nullptr);
  TargetManagerSelect(targets(), record->target, 0);
  Fill(0xFFC08040u);
  TargetManagerSelect(targets(), nullptr, 0);
  RendererSetShaderMode(renderer().shaders, 12);
  TransformStateBeginOverlay(transform());
  RendererDrawScreenImage(renderer(), record, 1.0f, 1.0f);
  EXPECT_EQ(BackPixel(30, 30), 0xFFC08040u);
  record->clamp = 1;
  record->linearFilter = 0;
  TextureBind(device_, record, 2);
  EXPECT_EQ(d3d9test::SamplerState(d3d(), 2, D3DSAMP_ADDRESSV), DWORD{D3DTADDRESS_CLAMP});
  EXPECT_EQ(d3d9test::SamplerState(d3d(), 2, D3DSAMP_ADDRESSW), DWORD{D3DTADDRESS_CLAMP});
  EXPECT_EQ(d3d9test::SamplerState(d3d(), 2, D3DSAMP_MAGFILTER), DWORD{D3DTEXF_POINT});
  EXPECT_EQ(d3d9test::SamplerState(d3d(), 2, D3DSAMP_MINFILTER), DWORD{D3DTEXF_ANISOTROPIC});
  TextureUpload(record, device_);
  EXPECT_EQ(ListCount(*targets().targets), targetsBefore + 1);
  TextureRelease(record, device_);
  EXPECT_EQ(record->target, nullptr);
  EXPECT_EQ(ListCount(*targets().targets), targetsBefore);
}

}  // namespace
}  // namespace rendertest
