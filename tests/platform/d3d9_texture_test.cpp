// Textures and buffers of the Direct3D stand-in, sampled and read back.
#include <algorithm>
#include <cstring>

#include "tests/support/device_fixture.h"

namespace {

using testsupport::At;
using testsupport::ClipVertex;
using testsupport::kSize;

constexpr uint32_t kBlack = 0xFF000000, kWhite = 0xFFFFFFFF, kRed = 0xFFFF0000, kGreen = 0xFF00FF00,
                   kBlue = 0xFF0000FF;

class D3D9Texture : public testsupport::DeviceTest {
 protected:
  // One point per pixel (x, y) carrying its texture coordinate (u, v, w).
  void DrawPoints(const std::vector<testsupport::ScreenVertex>& points) {
    device_->SetVertexDeclaration(screenLayout_);
    ASSERT_EQ(
        device_->DrawPrimitiveUP(D3DPT_POINTLIST, points.size(), points.data(), sizeof points[0]),
        D3D_OK);
  }
  // Fills size x size texels of a locked rectangle with `colour`.
  static void Fill(const D3DLOCKED_RECT& locked, UINT size, uint32_t colour) {
    for (UINT y = 0; y < size; ++y)
      std::fill_n(
          reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(locked.pBits) + y * locked.Pitch), size,
          colour);
  }
};

TEST_F(D3D9Texture, FourByFourMipChainIsSampledAtTheLevelOfTheMinification) {
  IDirect3DTexture9* texture = Texture(std::vector<uint32_t>(16), 4, 4, 0);
  ASSERT_EQ(texture->levels, 3u);  // 4 x 4, 2 x 2, 1 x 1
  const uint32_t colours[3] = {kRed, kGreen, kBlue};
  for (UINT level = 0; level < 3; ++level) {
    D3DLOCKED_RECT locked;
    ASSERT_EQ(texture->LockRect(level, &locked, nullptr, 0), D3D_OK);
    Fill(locked, 4 >> level, colours[level]);
    ASSERT_EQ(texture->UnlockRect(level), D3D_OK);
  }
  device_->SetTexture(0, texture);
  device_->SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_POINT);
  Clear(kBlack);
  DrawRect(0, 0, 4, 4, kWhite);    // one texel per pixel: level 0
  DrawRect(10, 0, 12, 2, kWhite);  // two texels per pixel: level 1
  DrawRect(20, 0, 21, 1, kWhite);  // four: level 2
  device_->SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_NONE);
  DrawRect(30, 0, 31, 1, kWhite);  // without a MIP filter only level 0 is read
  ExpectPixels({{1, 1, kRed}, {11, 1, kGreen}, {20, 0, kBlue}, {30, 0, kRed}});
}

// Textures made with AUTOGENMIPMAP show the program one level and fill the rest from it: after
// an upload (2D, cube) and after being drawn into. Sampled four texels to a pixel (level 2).
TEST_F(D3D9Texture, GeneratedLevelsFollowLevelZero) {
  IDirect3DTexture9 *plain = nullptr, *target = nullptr, *refusedTexture = nullptr;
  IDirect3DCubeTexture9* cube = nullptr;
  IDirect3DVolumeTexture9* volume = nullptr;
  const DWORD usage = D3DUSAGE_AUTOGENMIPMAP;
  ASSERT_EQ(
      device_->CreateTexture(4, 4, 0, usage, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &plain, nullptr),
      D3D_OK);
  ASSERT_EQ(
      device_->CreateCubeTexture(4, 0, usage, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &cube, nullptr),
      D3D_OK);
  ASSERT_EQ(device_->CreateTexture(4, 4, 0, usage | D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8,
                                   D3DPOOL_DEFAULT, &target, nullptr),
            D3D_OK);
  owned_.insert(owned_.end(), {plain, cube, target});
  D3DLOCKED_RECT locked;
  EXPECT_EQ(plain->LockRect(1, &locked, nullptr, 0), D3DERR_INVALIDCALL);  // only level 0 shows
  for (auto [levels, pool] : {std::pair{2u, D3DPOOL_MANAGED}, {0u, D3DPOOL_SYSTEMMEM}})
    EXPECT_EQ(device_->CreateTexture(4, 4, levels, usage, D3DFMT_A8R8G8B8, pool, &refusedTexture,
                                     nullptr),
              D3DERR_INVALIDCALL);
  EXPECT_EQ(device_->CreateVolumeTexture(4, 4, 4, 0, usage, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED,
                                         &volume, nullptr),
            D3DERR_INVALIDCALL);
  ASSERT_EQ(plain->LockRect(0, &locked, nullptr, 0), D3D_OK);
  Fill(locked, 4, kRed);
  plain->UnlockRect(0);
  for (uint32_t f = 0; f < 6; ++f) {
    ASSERT_EQ(cube->LockRect(D3DCUBEMAP_FACES(f), 0, &locked, nullptr, 0), D3D_OK);
    Fill(locked, 4, kBlue);
    cube->UnlockRect(D3DCUBEMAP_FACES(f), 0);
  }
  IDirect3DSurface9 *back = nullptr, *level = nullptr;
  ASSERT_EQ(device_->GetRenderTarget(0, &back), D3D_OK);
  ASSERT_EQ(target->GetSurfaceLevel(0, &level), D3D_OK);
  device_->SetRenderTarget(0, level);
  Clear(kGreen);
  device_->SetRenderTarget(0, back);
  back->Release(), level->Release();
  Clear(kBlack);
  device_->SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_POINT);
  device_->SetTexture(0, plain);
  DrawRect(20, 0, 21, 1, kWhite);
  device_->SetTexture(0, target);
  DrawRect(30, 0, 31, 1, kWhite);
  // The cube: +X, the other two coordinates crossing the face's four texels in one pixel.
  device_->SetTexture(0, cube);
  const float l = 39.5f, r = 40.5f, t = -0.5f, b = 0.5f;
  const testsupport::ScreenVertex quad[6] = {
      {l, t, 0.5f, 1, kWhite, 1, -1, -1}, {r, t, 0.5f, 1, kWhite, 1, 1, -1},
      {l, b, 0.5f, 1, kWhite, 1, -1, 1},  {r, t, 0.5f, 1, kWhite, 1, 1, -1},
      {r, b, 0.5f, 1, kWhite, 1, 1, 1},   {l, b, 0.5f, 1, kWhite, 1, -1, 1}};
  ASSERT_EQ(device_->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, quad, sizeof quad[0]), D3D_OK);
  ExpectPixels({{20, 0, kRed}, {30, 0, kGreen}, {40, 0, kBlue}});
}

TEST_F(D3D9Texture, WrapRepeatsAndClampHoldsTheEdgeAndBothSurviveSetTexture) {
  IDirect3DTexture9* texture = Texture({kRed, kGreen}, 2, 1);
  Clear(kBlack);
  device_->SetTexture(0, texture);
  DrawRect(0, 0, 8, 1, kWhite, 0.5f, 2.0f);  // u 0..2 over 8 pixels: 2 pixels per texel
  device_->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
  // The sampler state belongs to the stage: it stays when the texture is set again.
  device_->SetTexture(0, nullptr);
  device_->SetTexture(0, texture);
  DrawRect(0, 1, 8, 2, kWhite, 0.5f, 2.0f);
  device_->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_MIRROR);  // red green green red
  DrawRect(0, 2, 8, 3, kWhite, 0.5f, 2.0f);
  std::vector<testsupport::PixelRow> rows;
  for (int x = 0; x < 8; ++x) {
    rows.push_back({x, 0, (x / 2) % 2 ? kGreen : kRed});
    rows.push_back({x, 1, x < 2 ? kRed : kGreen});
    rows.push_back({x, 2, x < 2 || x > 5 ? kRed : kGreen});
  }
  ExpectPixels(rows);
}

TEST_F(D3D9Texture, VolumeAndCubeTexturesAreLookedUpByTheirCoordinates) {
  IDirect3DVolumeTexture9* volume = nullptr;
  ASSERT_EQ(device_->CreateVolumeTexture(2, 2, 2, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &volume,
                                         nullptr),
            D3D_OK);
  owned_.push_back(volume);
  D3DLOCKED_BOX box;
  ASSERT_EQ(volume->LockBox(0, &box, nullptr, 0), D3D_OK);
  EXPECT_EQ(box.RowPitch, 8);
  EXPECT_EQ(box.SlicePitch, 16);
  uint32_t texels[8];  // texel (x, y, z) = (i & 1, i >> 1 & 1, i >> 2)
  for (uint32_t i = 0; i < 8; ++i)
    texels[i] = kBlack | (i & 1) * 0xFF0000 | (i >> 1 & 1) * 0xFF00 | (i >> 2) * 0xFF;
  std::memcpy(box.pBits, texels, sizeof texels);
  ASSERT_EQ(volume->UnlockBox(0), D3D_OK);
  device_->SetTexture(0, volume);
  Clear(kBlack);
  DrawPoints({{0, 0, 0.5f, 1, kWhite, 0.75f, 0.25f, 0.25f},
              {1, 0, 0.5f, 1, kWhite, 0.25f, 0.75f, 0.75f},
              {2, 0, 0.5f, 1, kWhite, 0.75f, 0.75f, 0.75f}});

  IDirect3DCubeTexture9* cube = nullptr;
  ASSERT_EQ(device_->CreateCubeTexture(2, 1, 0, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, &cube, nullptr),
            D3D_OK);
  owned_.push_back(cube);
  const uint32_t faces[6] = {0x00FF0000, 0x00800000, 0x0000FF00, 0x00008000,
                             0x000000FF, 0x00000080};  // alpha 0: X8R8G8B8 reads as opaque
  for (uint32_t f = 0; f < 6; ++f) {
    D3DLOCKED_RECT locked;
    ASSERT_EQ(cube->LockRect(D3DCUBEMAP_FACES(f), 0, &locked, nullptr, 0), D3D_OK);
    Fill(locked, 2, faces[f]);
    cube->UnlockRect(D3DCUBEMAP_FACES(f), 0);
  }
  device_->SetTexture(0, cube);
  DrawPoints({{0, 1, 0.5f, 1, kWhite, 1, 0, 0},
              {1, 1, 0.5f, 1, kWhite, 0, -1, 0},
              {2, 1, 0.5f, 1, kWhite, 0, 0, -1}});
  ExpectPixels({{0, 0, kRed},          // texel (1, 0, 0)
                {1, 0, 0xFF00FFFF},    // texel (0, 1, 1)
                {2, 0, kWhite},        // texel (1, 1, 1)
                {0, 1, kRed},          // +X
                {1, 1, 0xFF008000},    // -Y
                {2, 1, 0xFF000080}});  // -Z
}

TEST_F(D3D9Texture, ScreenSizedCopyUnderLinearFilteringLandsTexelForPixel) {
  std::vector<uint32_t> texels(kSize * kSize);
  for (int i = 0; i < kSize * kSize; ++i)
    texels[i] = kBlack | uint32_t((i * 2654435761u) >> 8 & 0xFFFFFF);
  device_->SetTexture(0, Texture(texels, kSize, kSize));
  device_->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
  device_->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
  // Texel centres land on pixel centres; half a pixel off, every pixel mixes neighbours.
  for (float offset : {0.0f, 0.5f}) {
    DrawRect(offset, offset, kSize + offset, kSize + offset, kWhite);
    const std::vector<uint32_t> image = Read();
    int exact = 0;
    for (int i = 0; i < kSize * kSize; ++i) exact += testsupport::Near(image[i], texels[i]) ? 1 : 0;
    EXPECT_TRUE(offset == 0.0f ? exact == kSize * kSize : exact < kSize * kSize / 4) << exact;
  }
}

// Copies `size` bytes into a vertex or index buffer.
template <typename Buffer>
void Upload(Buffer* buffer, const void* bytes, UINT size) {
  void* data = nullptr;
  ASSERT_EQ(buffer->Lock(0, size, &data, 0), D3D_OK);
  std::memcpy(data, bytes, size);
  buffer->Unlock();
}

// Drawing from buffers (the meshes' draws themselves are checked by the render suite): draws
// that would read past a buffer are refused and draw nothing: vertices beyond the end, an index
// reaching beyond it, a negative base, a vertex from memory shorter than its declaration.
TEST_F(D3D9Texture, DrawsAndLocksPastTheirBuffersAreRefused) {
  const ClipVertex quad[4] = {At(0, 0, kRed), At(64, 0, kRed), At(0, 64, kRed), At(64, 64, kRed)};
  const uint16_t indices[6] = {0, 1, 2, 2, 1, 3};
  IDirect3DVertexBuffer9* vb = nullptr;
  IDirect3DIndexBuffer9* ib = nullptr;
  ASSERT_EQ(device_->CreateVertexBuffer(sizeof quad, D3DUSAGE_WRITEONLY, 0, D3DPOOL_DEFAULT, &vb,
                                        nullptr),
            D3D_OK);
  ASSERT_EQ(device_->CreateIndexBuffer(sizeof indices, D3DUSAGE_WRITEONLY, D3DFMT_INDEX16,
                                       D3DPOOL_DEFAULT, &ib, nullptr),
            D3D_OK);
  Upload(vb, quad, sizeof quad);
  Upload(ib, indices, sizeof indices);
  void* data = nullptr;
  EXPECT_EQ(ib->Lock(4, sizeof indices, &data, 0), D3DERR_INVALIDCALL);
  Clear(kBlack);
  device_->SetVertexDeclaration(clipLayout_);
  device_->SetVertexShader(passVs_);
  device_->SetPixelShader(colourPs_);
  device_->SetStreamSource(0, vb, 0, sizeof quad[0]);
  device_->SetIndices(ib);
  EXPECT_EQ(device_->DrawPrimitive(D3DPT_TRIANGLESTRIP, 1, 2), D3DERR_INVALIDCALL);
  EXPECT_EQ(device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 1, 0, 4, 0, 2), D3DERR_INVALIDCALL);
  EXPECT_EQ(device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, -1, 0, 4, 0, 2), D3DERR_INVALIDCALL);
  EXPECT_EQ(device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 1, 2), D3DERR_INVALIDCALL);
  EXPECT_EQ(device_->DrawPrimitiveUP(D3DPT_POINTLIST, 1, quad, 12), D3DERR_INVALIDCALL);
  ExpectPixels({{32, 32, kBlack}});
  EXPECT_EQ(device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 0, 2), D3D_OK);
  ExpectPixels({{32, 32, kRed}});
  // Drawing from memory leaves stream 0 unset: the device drops its reference.
  DrawClip({At(0, 0, kRed), At(1, 0, kRed), At(0, 1, kRed)});
  device_->SetIndices(nullptr);
  EXPECT_EQ(vb->Release(), 0u);
  EXPECT_EQ(ib->Release(), 0u);
}

}  // namespace
