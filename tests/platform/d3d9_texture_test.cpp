// Textures, render targets, locks and buffers of the Direct3D stand-in, sampled and read back.
#include <algorithm>
#include <cstring>

#include "tests/support/device_fixture.h"

namespace {

using testsupport::ClipVertex;
using testsupport::kSize;

constexpr uint32_t kBlack = 0xFF000000, kWhite = 0xFFFFFFFF, kRed = 0xFFFF0000, kGreen = 0xFF00FF00,
                   kBlue = 0xFF0000FF;

class D3D9Texture : public testsupport::DeviceTest {
 protected:
  // The pixel (x, y), every corner carrying the texture coordinate (u, v, w).
  void DrawAt(float x, float y, float u, float v, float w) {
    const float l = x - 0.5f, r = x + 0.5f, t = y - 0.5f, b = y + 0.5f;
    const testsupport::ScreenVertex quad[4] = {{l, t, 0.5f, 1, kWhite, u, v, w},
                                               {r, t, 0.5f, 1, kWhite, u, v, w},
                                               {l, b, 0.5f, 1, kWhite, u, v, w},
                                               {r, b, 0.5f, 1, kWhite, u, v, w}};
    device_->SetVertexDeclaration(screenLayout_);
    ASSERT_EQ(device_->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof quad[0]), D3D_OK);
  }
  // Fills w x h texels, rows `pitch` bytes apart, with `colour`.
  static void Fill(void* bits, INT pitch, UINT w, UINT h, uint32_t colour) {
    for (UINT y = 0; y < h; ++y)
      for (UINT x = 0; x < w; ++x)
        std::memcpy(static_cast<uint8_t*>(bits) + y * pitch + x * 4, &colour, 4);
  }
};

TEST_F(D3D9Texture, FourByFourMipChainIsSampledAtTheLevelOfTheMinification) {
  IDirect3DTexture9* texture = Texture(std::vector<uint32_t>(16), 4, 4, 0);
  ASSERT_EQ(texture->levels, 3u);  // 4 x 4, 2 x 2, 1 x 1
  const uint32_t colours[3] = {kRed, kGreen, kBlue};
  for (UINT level = 0; level < 3; ++level) {
    D3DLOCKED_RECT locked;
    ASSERT_EQ(texture->LockRect(level, &locked, nullptr, 0), D3D_OK);
    Fill(locked.pBits, locked.Pitch, 4 >> level, 4 >> level, colours[level]);
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
  std::vector<testsupport::PixelRow> rows;
  for (int x = 0; x < 8; ++x) {
    rows.push_back({x, 0, (x / 2) % 2 ? kGreen : kRed});
    rows.push_back({x, 1, x < 2 ? kRed : kGreen});
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
  for (uint32_t i = 0; i < 8; ++i) {  // texel (x, y, z) = (i & 1, i >> 1 & 1, i >> 2)
    const uint32_t texel =
        kBlack | (i & 1 ? 0xFF0000 : 0) | (i & 2 ? 0xFF00 : 0) | (i & 4 ? 0xFF : 0);
    std::memcpy(static_cast<uint8_t*>(box.pBits) + i * 4, &texel, 4);
  }
  ASSERT_EQ(volume->UnlockBox(0), D3D_OK);
  device_->SetTexture(0, volume);
  Clear(kBlack);
  DrawAt(0, 0, 0.75f, 0.25f, 0.25f);
  DrawAt(1, 0, 0.25f, 0.75f, 0.75f);
  DrawAt(2, 0, 0.75f, 0.75f, 0.75f);

  IDirect3DCubeTexture9* cube = nullptr;
  ASSERT_EQ(device_->CreateCubeTexture(2, 1, 0, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, &cube, nullptr),
            D3D_OK);
  owned_.push_back(cube);
  const uint32_t faces[6] = {0x00FF0000, 0x00800000, 0x0000FF00, 0x00008000,
                             0x000000FF, 0x00000080};  // alpha 0: X8R8G8B8 reads as opaque
  for (uint32_t f = 0; f < 6; ++f) {
    D3DLOCKED_RECT locked;
    ASSERT_EQ(cube->LockRect(D3DCUBEMAP_FACES(f), 0, &locked, nullptr, 0), D3D_OK);
    Fill(locked.pBits, locked.Pitch, 2, 2, faces[f]);
    cube->UnlockRect(D3DCUBEMAP_FACES(f), 0);
  }
  device_->SetTexture(0, cube);
  DrawAt(0, 1, 1, 0, 0);
  DrawAt(1, 1, 0, -1, 0);
  DrawAt(2, 1, 0, 0, -1);
  ExpectPixels({{0, 0, kRed},          // texel (1, 0, 0)
                {1, 0, 0xFF00FFFF},    // texel (0, 1, 1)
                {2, 0, kWhite},        // texel (1, 1, 1)
                {0, 1, kRed},          // +X
                {1, 1, 0xFF008000},    // -Y
                {2, 1, 0xFF000080}});  // -Z
}

TEST_F(D3D9Texture, RenderTargetTextureDrawnIntoThenSampled) {
  IDirect3DTexture9* target = nullptr;
  IDirect3DSurface9 *surface = TargetSurface(16, &target), *back = nullptr;
  ASSERT_NE(surface, nullptr);
  device_->GetRenderTarget(0, &back);
  owned_.push_back(back);
  D3DVIEWPORT9 small = {0, 0, 8, 8, 0, 1};
  device_->SetViewport(&small);
  ASSERT_EQ(device_->SetRenderTarget(0, surface), D3D_OK);
  EXPECT_EQ(d3d9test::Viewport(device_).Width, 16u);  // a set target makes the viewport whole
  Clear(kBlue);
  DrawRect(0, 0, 16, 8, 0xFFFFFF00);  // top half yellow
  device_->SetRenderTarget(0, back);
  EXPECT_EQ(d3d9test::Viewport(device_).Height, UINT{kSize});
  D3DLOCKED_RECT locked;  // a render-target texture cannot be locked
  EXPECT_EQ(target->LockRect(0, &locked, nullptr, D3DLOCK_READONLY), D3DERR_INVALIDCALL);
  device_->SetTexture(0, target);
  DrawRect(0, 0, kSize, kSize, kWhite);
  ExpectPixels({{10, 10, 0xFFFFFF00}, {10, 50, kBlue}});
  device_->SetTexture(0, nullptr);
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

TEST_F(D3D9Texture, ReadOnlyLockOfALockableTargetReturnsItsFinishedDrawing) {
  IDirect3DSurface9 *fence = nullptr, *back = nullptr;
  ASSERT_EQ(device_->CreateRenderTarget(2, 2, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_NONE, 0, TRUE, &fence,
                                        nullptr),
            D3D_OK);
  device_->GetRenderTarget(0, &back);
  owned_.insert(owned_.end(), {back, fence});
  D3DLOCKED_RECT locked;
  ASSERT_EQ(fence->LockRect(&locked, nullptr, D3DLOCK_READONLY), D3D_OK);  // never drawn
  EXPECT_EQ(fence->LockRect(&locked, nullptr, D3DLOCK_READONLY), D3DERR_INVALIDCALL);
  fence->UnlockRect();
  device_->SetRenderTarget(0, fence);
  device_->SetFVF(D3DFVF_XYZRHW);
  const float triangle[3][4] = {{-1, -1, 0, 1}, {-1, 4, 0, 1}, {4, -1, 0, 1}};
  device_->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, triangle, 16);
  device_->SetRenderTarget(0, back);
  ASSERT_EQ(fence->LockRect(&locked, nullptr, D3DLOCK_READONLY), D3D_OK);
  EXPECT_EQ(locked.Pitch, 8);
  const auto* texels = static_cast<const uint32_t*>(locked.pBits);
  EXPECT_EQ(std::vector<uint32_t>(texels, texels + 4), std::vector<uint32_t>(4, kWhite));
  EXPECT_EQ(fence->UnlockRect(), D3D_OK);
  EXPECT_EQ(fence->UnlockRect(), D3DERR_INVALIDCALL);
}

TEST_F(D3D9Texture, BuffersDrawIndexedAndFromStreamsAndDiscardLocksReplaceTheContents) {
  // Two quads covering the left and the right half of the screen.
  const ClipVertex quads[8] = {{-1, 1, 0.5f, kRed},   {0, 1, 0.5f, kRed},   {-1, -1, 0.5f, kRed},
                               {0, -1, 0.5f, kRed},   {0, 1, 0.5f, kGreen}, {1, 1, 0.5f, kGreen},
                               {0, -1, 0.5f, kGreen}, {1, -1, 0.5f, kGreen}};
  const uint16_t indices[6] = {0, 1, 2, 2, 1, 3};
  IDirect3DVertexBuffer9* vb = nullptr;
  IDirect3DIndexBuffer9* ib = nullptr;
  ASSERT_EQ(device_->CreateVertexBuffer(sizeof quads, D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY, 0,
                                        D3DPOOL_DEFAULT, &vb, nullptr),
            D3D_OK);
  ASSERT_EQ(device_->CreateIndexBuffer(sizeof indices, D3DUSAGE_WRITEONLY, D3DFMT_INDEX16,
                                       D3DPOOL_DEFAULT, &ib, nullptr),
            D3D_OK);
  void* data = nullptr;
  ASSERT_EQ(vb->Lock(0, 0, &data, 0), D3D_OK);
  std::memcpy(data, quads, sizeof quads);
  vb->Unlock();
  ASSERT_EQ(ib->Lock(0, sizeof indices, &data, 0), D3D_OK);
  std::memcpy(data, indices, sizeof indices);
  ib->Unlock();
  EXPECT_EQ(ib->Lock(4, sizeof indices, &data, 0), D3DERR_INVALIDCALL);  // past the end

  Clear(kBlack);
  device_->SetVertexDeclaration(clipLayout_);
  device_->SetVertexShader(passVs_);
  device_->SetPixelShader(colourPs_);
  device_->SetStreamSource(0, vb, 0, sizeof quads[0]);
  device_->SetIndices(ib);
  ASSERT_EQ(device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 4, 0, 4, 0, 2), D3D_OK);  // right
  ExpectPixels({{10, 30, kBlack}, {50, 30, kGreen}});
  ASSERT_EQ(device_->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2), D3D_OK);  // left
  ExpectPixels({{10, 30, kRed}});

  // Every vertex blue under a discard lock, the right quad drawn through a stream offset.
  ASSERT_EQ(vb->Lock(0, 0, &data, D3DLOCK_DISCARD), D3D_OK);
  for (int i = 0; i < 8; ++i) static_cast<ClipVertex*>(data)[i].colour = kBlue;
  vb->Unlock();
  device_->SetStreamSource(0, vb, 4 * sizeof quads[0], sizeof quads[0]);
  ASSERT_EQ(device_->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2), D3D_OK);
  ExpectPixels({{10, 30, kRed}, {50, 30, kBlue}});

  // Draws that would read past a buffer are refused: vertices beyond the end, an index
  // reaching beyond it, a negative base, a vertex from memory shorter than its declaration.
  EXPECT_EQ(device_->DrawPrimitive(D3DPT_TRIANGLESTRIP, 1, 2), D3DERR_INVALIDCALL);
  device_->SetStreamSource(0, vb, 0, sizeof quads[0]);
  EXPECT_EQ(device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 5, 0, 4, 0, 2), D3DERR_INVALIDCALL);
  EXPECT_EQ(device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, -1, 0, 4, 0, 2), D3DERR_INVALIDCALL);
  EXPECT_EQ(device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 1, 2), D3DERR_INVALIDCALL);
  EXPECT_EQ(device_->DrawPrimitiveUP(D3DPT_POINTLIST, 1, quads, 12), D3DERR_INVALIDCALL);
  ExpectPixels({{50, 30, kBlue}});  // nothing drawn

  // Drawing from memory leaves stream 0 unset: the device drops its reference.
  DrawClip({{-1, 1, 0.5f, kRed}, {1, 1, 0.5f, kRed}, {-1, -1, 0.5f, kRed}});
  device_->SetIndices(nullptr);
  EXPECT_EQ(vb->Release(), 0u);
  EXPECT_EQ(ib->Release(), 0u);
}

}  // namespace
