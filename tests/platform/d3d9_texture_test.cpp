// Textures, render targets, locks and buffers of the Direct3D stand-in, sampled and read back.
#include <algorithm>
#include <cstring>

#include "d3d9_test_support.h"

namespace {

using d3d9support::kSize;
using d3d9support::Near;
using d3d9support::ScreenVertex;

class D3D9Texture : public d3d9support::DeviceTest {
 protected:
  // A pre-transformed rectangle whose every corner carries the texture coordinate (u, v, w).
  void DrawAt(float x1, float y1, float x2, float y2, float u, float v, float w) {
    const float l = x1 - 0.5f, r = x2 - 0.5f, t = y1 - 0.5f, b = y2 - 0.5f;
    const D3DCOLOR c = 0xFFFFFFFF;
    const ScreenVertex quad[4] = {{l, t, 0.5f, 1, c, u, v, w},
                                  {r, t, 0.5f, 1, c, u, v, w},
                                  {l, b, 0.5f, 1, c, u, v, w},
                                  {r, b, 0.5f, 1, c, u, v, w}};
    device_->SetVertexDeclaration(screenLayout_);
    ASSERT_EQ(device_->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof quad[0]), D3D_OK);
  }
  void Fill(IDirect3DTexture9* texture, UINT level, uint32_t colour) {
    D3DLOCKED_RECT locked;
    ASSERT_EQ(texture->LockRect(level, &locked, nullptr, 0), D3D_OK);
    const UINT w = std::max(1u, texture->width >> level),
               h = std::max(1u, texture->height >> level);
    for (UINT y = 0; y < h; ++y)
      for (UINT x = 0; x < w; ++x)
        std::memcpy(static_cast<uint8_t*>(locked.pBits) + y * locked.Pitch + x * 4, &colour, 4);
    ASSERT_EQ(texture->UnlockRect(level), D3D_OK);
  }
};

TEST_F(D3D9Texture, FourByFourMipChainIsSampledAtTheLevelOfTheMinification) {
  IDirect3DTexture9* texture = nullptr;
  ASSERT_EQ(device_->CreateTexture(4, 4, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr),
            D3D_OK);
  ASSERT_EQ(texture->levels, 3u);  // 4 x 4, 2 x 2, 1 x 1
  Fill(texture, 0, 0xFFFF0000);
  Fill(texture, 1, 0xFF00FF00);
  Fill(texture, 2, 0xFF0000FF);
  EXPECT_EQ(d3d9test::ReadTextureLevel(texture, 1), std::vector<uint32_t>(4, 0xFF00FF00));
  device_->SetTexture(0, texture);
  device_->SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_POINT);
  device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
  DrawRect(0, 0, 4, 4, 0xFFFFFFFF);    // one texel per pixel: level 0
  DrawRect(10, 0, 12, 2, 0xFFFFFFFF);  // two texels per pixel: level 1
  DrawRect(20, 0, 21, 1, 0xFFFFFFFF);  // four: level 2
  std::vector<uint32_t> image = d3d9test::ReadBackBuffer(device_);
  EXPECT_EQ(Pixel(image, 1, 1), 0xFFFF0000u);
  EXPECT_EQ(Pixel(image, 11, 1), 0xFF00FF00u);
  EXPECT_EQ(Pixel(image, 20, 0), 0xFF0000FFu);
  // Without a MIP filter only level 0 is read.
  device_->SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_NONE);
  DrawRect(30, 0, 31, 1, 0xFFFFFFFF);
  image = d3d9test::ReadBackBuffer(device_);
  EXPECT_EQ(Pixel(image, 30, 0), 0xFFFF0000u);
  device_->SetTexture(0, nullptr);
  texture->Release();
}

TEST_F(D3D9Texture, WrapRepeatsAndClampHoldsTheEdgeAndBothSurviveSetTexture) {
  IDirect3DTexture9* texture = MakeTexture(2, 1, {0xFFFF0000, 0xFF00FF00});
  device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
  device_->SetTexture(0, texture);
  DrawRect(0, 0, 8, 1, 0xFFFFFFFF, 0.5f, 2.0f);  // u 0..2 over 8 pixels: 2 pixels per texel
  device_->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
  // The sampler state belongs to the stage: it stays when the texture is set again.
  device_->SetTexture(0, nullptr);
  device_->SetTexture(0, texture);
  DrawRect(0, 1, 8, 2, 0xFFFFFFFF, 0.5f, 2.0f);
  const std::vector<uint32_t> image = d3d9test::ReadBackBuffer(device_);
  const uint32_t r = 0xFFFF0000, g = 0xFF00FF00;
  const uint32_t wrap[8] = {r, r, g, g, r, r, g, g}, clamp[8] = {r, r, g, g, g, g, g, g};
  for (int x = 0; x < 8; ++x) {
    EXPECT_EQ(Pixel(image, x, 0), wrap[x]) << x;
    EXPECT_EQ(Pixel(image, x, 1), clamp[x]) << x;
  }
  device_->SetTexture(0, nullptr);
  texture->Release();
}

TEST_F(D3D9Texture, VolumeAndCubeTexturesAreLookedUpByTheirCoordinates) {
  IDirect3DVolumeTexture9* volume = nullptr;
  ASSERT_EQ(device_->CreateVolumeTexture(2, 2, 2, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &volume,
                                         nullptr),
            D3D_OK);
  D3DLOCKED_BOX box;
  ASSERT_EQ(volume->LockBox(0, &box, nullptr, 0), D3D_OK);
  EXPECT_EQ(box.RowPitch, 8);
  EXPECT_EQ(box.SlicePitch, 16);
  for (uint32_t z = 0; z < 2; ++z)
    for (uint32_t y = 0; y < 2; ++y)
      for (uint32_t x = 0; x < 2; ++x) {
        const uint32_t texel = 0xFF000000u | (x ? 0xFF0000 : 0) | (y ? 0xFF00 : 0) | (z ? 0xFF : 0);
        std::memcpy(
            static_cast<uint8_t*>(box.pBits) + z * box.SlicePitch + y * box.RowPitch + x * 4,
            &texel, 4);
      }
  ASSERT_EQ(volume->UnlockBox(0), D3D_OK);
  EXPECT_EQ(volume->UnlockBox(0), D3DERR_INVALIDCALL);  // not locked
  EXPECT_EQ(volume->LockBox(40, &box, nullptr, 0), D3DERR_INVALIDCALL);
  EXPECT_EQ(volume->UnlockBox(40), D3DERR_INVALIDCALL);
  device_->SetTexture(0, volume);
  device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
  DrawAt(0, 0, 1, 1, 0.75f, 0.25f, 0.25f);
  DrawAt(1, 0, 2, 1, 0.25f, 0.75f, 0.75f);
  DrawAt(2, 0, 3, 1, 0.75f, 0.75f, 0.75f);

  IDirect3DCubeTexture9* cube = nullptr;
  ASSERT_EQ(device_->CreateCubeTexture(2, 1, 0, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, &cube, nullptr),
            D3D_OK);
  const uint32_t faces[6] = {0x00FF0000, 0x00800000, 0x0000FF00, 0x00008000,
                             0x000000FF, 0x00000080};  // alpha 0: X8R8G8B8 reads as opaque
  for (uint32_t f = 0; f < 6; ++f) {
    D3DLOCKED_RECT locked;
    ASSERT_EQ(cube->LockRect(D3DCUBEMAP_FACES(f), 0, &locked, nullptr, 0), D3D_OK);
    for (int i = 0; i < 4; ++i)
      std::memcpy(static_cast<uint8_t*>(locked.pBits) + (i / 2) * locked.Pitch + (i % 2) * 4,
                  &faces[f], 4);
    cube->UnlockRect(D3DCUBEMAP_FACES(f), 0);
  }
  EXPECT_EQ(d3d9test::ReadCubeFace(cube, D3DCUBEMAP_FACE_NEGATIVE_Y, 0),
            std::vector<uint32_t>(4, 0xFF008000));
  device_->SetTexture(0, cube);
  DrawAt(0, 1, 1, 2, 1, 0, 0);
  DrawAt(1, 1, 2, 2, 0, -1, 0);
  DrawAt(2, 1, 3, 2, 0, 0, -1);
  const std::vector<uint32_t> image = d3d9test::ReadBackBuffer(device_);
  EXPECT_EQ(Pixel(image, 0, 0), 0xFFFF0000u);  // texel (1, 0, 0)
  EXPECT_EQ(Pixel(image, 1, 0), 0xFF00FFFFu);  // texel (0, 1, 1)
  EXPECT_EQ(Pixel(image, 2, 0), 0xFFFFFFFFu);  // texel (1, 1, 1)
  EXPECT_EQ(Pixel(image, 0, 1), 0xFFFF0000u);  // +X
  EXPECT_EQ(Pixel(image, 1, 1), 0xFF008000u);  // -Y
  EXPECT_EQ(Pixel(image, 2, 1), 0xFF000080u);  // -Z
  device_->SetTexture(0, nullptr);
  volume->Release();
  cube->Release();
}

TEST_F(D3D9Texture, RenderTargetTextureDrawnIntoThenSampled) {
  IDirect3DTexture9* target = nullptr;
  ASSERT_EQ(device_->CreateTexture(16, 16, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8,
                                   D3DPOOL_DEFAULT, &target, nullptr),
            D3D_OK);
  IDirect3DSurface9 *surface = nullptr, *back = nullptr;
  ASSERT_EQ(target->GetSurfaceLevel(0, &surface), D3D_OK);
  device_->GetRenderTarget(0, &back);
  D3DVIEWPORT9 small = {0, 0, 8, 8, 0, 1};
  device_->SetViewport(&small);
  ASSERT_EQ(device_->SetRenderTarget(0, surface), D3D_OK);
  // Setting a target makes the viewport the whole target.
  EXPECT_EQ(d3d9test::Viewport(device_).Width, 16u);
  EXPECT_EQ(d3d9test::Viewport(device_).Height, 16u);
  device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF0000FF, 1.0f, 0);
  DrawRect(0, 0, 16, 8, 0xFFFFFF00);  // top half yellow
  device_->SetRenderTarget(0, back);
  EXPECT_EQ(d3d9test::Viewport(device_).Width, UINT{kSize});
  // A render-target texture cannot be locked.
  D3DLOCKED_RECT locked;
  EXPECT_EQ(target->LockRect(0, &locked, nullptr, D3DLOCK_READONLY), D3DERR_INVALIDCALL);
  device_->SetTexture(0, target);
  DrawRect(0, 0, kSize, kSize, 0xFFFFFFFF);
  const std::vector<uint32_t> image = d3d9test::ReadBackBuffer(device_);
  EXPECT_EQ(Pixel(image, 10, 10), 0xFFFFFF00u);
  EXPECT_EQ(Pixel(image, 10, 50), 0xFF0000FFu);
  device_->SetTexture(0, nullptr);
  surface->Release();
  back->Release();
  target->Release();
}

TEST_F(D3D9Texture, ScreenSizedCopyUnderLinearFilteringLandsTexelForPixel) {
  std::vector<uint32_t> texels(kSize * kSize);
  for (int i = 0; i < kSize * kSize; ++i)
    texels[i] = 0xFF000000u | uint32_t((i * 2654435761u) >> 8 & 0xFFFFFF);
  IDirect3DTexture9* texture = MakeTexture(kSize, kSize, texels);
  device_->SetTexture(0, texture);
  device_->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
  device_->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
  // Pixel edges sit half a pixel before the centres: the quad from -0.5 to 63.5 maps texel
  // centres onto pixel centres.
  DrawRect(0, 0, kSize, kSize, 0xFFFFFFFF);
  std::vector<uint32_t> image = d3d9test::ReadBackBuffer(device_);
  int exact = 0;
  for (int i = 0; i < kSize * kSize; ++i) exact += Near(image[i], texels[i], 1) ? 1 : 0;
  EXPECT_EQ(exact, kSize * kSize);
  // Half a pixel off, every pixel mixes neighbouring texels.
  DrawRect(0.5f, 0.5f, kSize + 0.5f, kSize + 0.5f, 0xFFFFFFFF);
  image = d3d9test::ReadBackBuffer(device_);
  exact = 0;
  for (int i = 0; i < kSize * kSize; ++i) exact += Near(image[i], texels[i], 1) ? 1 : 0;
  EXPECT_LT(exact, kSize * kSize / 4);
  device_->SetTexture(0, nullptr);
  texture->Release();
}

TEST_F(D3D9Texture, ReadOnlyLockOfALockableTargetReturnsItsFinishedDrawing) {
  IDirect3DSurface9 *fence = nullptr, *back = nullptr;
  ASSERT_EQ(device_->CreateRenderTarget(2, 2, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_NONE, 0, TRUE, &fence,
                                        nullptr),
            D3D_OK);
  device_->GetRenderTarget(0, &back);
  D3DLOCKED_RECT locked;
  ASSERT_EQ(fence->LockRect(&locked, nullptr, D3DLOCK_READONLY), D3D_OK);  // never drawn
  EXPECT_EQ(fence->LockRect(&locked, nullptr, D3DLOCK_READONLY), D3DERR_INVALIDCALL);
  fence->UnlockRect();
  device_->SetRenderTarget(0, fence);
  device_->SetFVF(D3DFVF_XYZRHW);
  const float triangle[3][4] = {{-1, -1, 0, 1}, {-1, 4, 0, 1}, {4, -1, 0, 1}};
  device_->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, triangle, 16);
  device_->SetFVF(0);
  device_->SetRenderTarget(0, back);
  ASSERT_EQ(fence->LockRect(&locked, nullptr, D3DLOCK_READONLY), D3D_OK);
  EXPECT_EQ(locked.Pitch, 8);
  const uint32_t* texels = static_cast<const uint32_t*>(locked.pBits);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(texels[i], 0xFFFFFFFFu) << i;  // white: no texture
  EXPECT_EQ(fence->UnlockRect(), D3D_OK);
  EXPECT_EQ(fence->UnlockRect(), D3DERR_INVALIDCALL);
  back->Release();
  fence->Release();
}

TEST_F(D3D9Texture, BuffersDrawIndexedAndFromStreamsAndDiscardLocksReplaceTheContents) {
  const D3DCOLOR red = 0xFFFF0000, green = 0xFF00FF00;
  // Two quads covering the left and the right half of the screen.
  const d3d9support::ClipVertex quads[8] = {
      {-1, 1, 0.5f, red},  {0, 1, 0.5f, red},   {-1, -1, 0.5f, red},  {0, -1, 0.5f, red},
      {0, 1, 0.5f, green}, {1, 1, 0.5f, green}, {0, -1, 0.5f, green}, {1, -1, 0.5f, green}};
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

  device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
  device_->SetVertexDeclaration(clipLayout_);
  device_->SetVertexShader(passVs_);
  device_->SetPixelShader(colourPs_);
  device_->SetStreamSource(0, vb, 0, sizeof quads[0]);
  device_->SetIndices(ib);
  ASSERT_EQ(device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 4, 0, 4, 0, 2), D3D_OK);  // right
  std::vector<uint32_t> image = d3d9test::ReadBackBuffer(device_);
  EXPECT_EQ(Pixel(image, 10, 30), 0xFF000000u);
  EXPECT_EQ(Pixel(image, 50, 30), green);
  ASSERT_EQ(device_->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2), D3D_OK);  // left
  EXPECT_EQ(Pixel(d3d9test::ReadBackBuffer(device_), 10, 30), red);

  // Rewrite every vertex blue under a discard lock, then draw the right quad through a stream
  // offset of four vertices.
  ASSERT_EQ(vb->Lock(0, 0, &data, D3DLOCK_DISCARD), D3D_OK);
  auto* vertices = static_cast<d3d9support::ClipVertex*>(data);
  for (int i = 0; i < 8; ++i) vertices[i].colour = 0xFF0000FF;
  vb->Unlock();
  device_->SetStreamSource(0, vb, 4 * sizeof quads[0], sizeof quads[0]);
  ASSERT_EQ(device_->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2), D3D_OK);
  image = d3d9test::ReadBackBuffer(device_);
  EXPECT_EQ(Pixel(image, 10, 30), red);
  EXPECT_EQ(Pixel(image, 50, 30), 0xFF0000FFu);

  // Draws that would read past a buffer are refused: vertices beyond the end, an index
  // reaching beyond it, a negative base, a vertex from memory shorter than its declaration.
  EXPECT_EQ(device_->DrawPrimitive(D3DPT_TRIANGLESTRIP, 1, 2), D3DERR_INVALIDCALL);
  device_->SetStreamSource(0, vb, 0, sizeof quads[0]);
  EXPECT_EQ(device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 5, 0, 4, 0, 2), D3DERR_INVALIDCALL);
  EXPECT_EQ(device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, -1, 0, 4, 0, 2), D3DERR_INVALIDCALL);
  EXPECT_EQ(device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 1, 2), D3DERR_INVALIDCALL);
  EXPECT_EQ(device_->DrawPrimitiveUP(D3DPT_POINTLIST, 1, quads, 12), D3DERR_INVALIDCALL);
  EXPECT_EQ(Pixel(d3d9test::ReadBackBuffer(device_), 50, 30), 0xFF0000FFu);  // nothing drawn

  // Drawing from memory leaves stream 0 unset: the device drops its reference.
  const ULONG held = vb->AddRef() - 1;
  vb->Release();
  DrawClip({{-1, 1, 0.5f, red}, {1, 1, 0.5f, red}, {-1, -1, 0.5f, red}});
  EXPECT_EQ(vb->AddRef(), held);
  vb->Release();
  device_->SetIndices(nullptr);
  EXPECT_EQ(vb->Release(), 0u);
  EXPECT_EQ(ib->Release(), 0u);
}

}  // namespace
