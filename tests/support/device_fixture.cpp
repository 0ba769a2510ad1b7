#include "tests/support/device_fixture.h"

#include "platform/sdl_window.h"

namespace testsupport {

namespace {
const D3DVERTEXELEMENT9 kScreenLayout[] = {{0, 0, D3DDECLTYPE_FLOAT4, 0, D3DDECLUSAGE_POSITIONT, 0},
                                           {0, 16, D3DDECLTYPE_D3DCOLOR, 0, D3DDECLUSAGE_COLOR, 0},
                                           {0, 20, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_TEXCOORD, 0},
                                           D3DDECL_END()};
const D3DVERTEXELEMENT9 kClipLayout[] = {{0, 0, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_POSITION, 0},
                                         {0, 12, D3DDECLTYPE_D3DCOLOR, 0, D3DDECLUSAGE_COLOR, 0},
                                         D3DDECL_END()};
}  // namespace

void DeviceTest::SetUp() {
  if (!Win32InitVideo()) GTEST_SKIP() << "no display";
  if (const char* error =
          OpenD3D9Window(base_, "devicetest", windowX_, windowY_, kSize, kSize, show_))
    FAIL() << error;
  window_ = base_.window;
  device_ = base_.device;
  ASSERT_EQ(device_->CreateVertexDeclaration(kScreenLayout, &screenLayout_), D3D_OK);
  ASSERT_EQ(device_->CreateVertexDeclaration(kClipLayout, &clipLayout_), D3D_OK);
  ASSERT_EQ(device_->CreateVertexShader(kPassVertexShader, &passVs_), D3D_OK);
  ASSERT_EQ(device_->CreatePixelShader(kColourPixelShader, &colourPs_), D3D_OK);
  owned_ = {screenLayout_, clipLayout_, passVs_, colourPs_};
  // Tests compare exact colours: culling off, no depth unless a test asks for it.
  device_->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  device_->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
  device_->BeginScene();
  TestCaptureMessageBoxes(true);
}

void DeviceTest::TearDown() {
  TestCaptureMessageBoxes(false);
  for (D3D9Object* o : owned_) o->Release();
  base_.device = device_;  // a test may have released the device itself
  CloseD3D9Window(base_);
  d3d9test::ResetHooks();
}

void DeviceTest::DrawRect(float x1, float y1, float x2, float y2, D3DCOLOR colour, float z,
                          float uMax, float vMax) {
  // Pixel centres sit at integers, so pixel x1's left edge is at x1 - 0.5.
  const float l = x1 - 0.5f, r = x2 - 0.5f, t = y1 - 0.5f, b = y2 - 0.5f;
  const ScreenVertex v[6] = {{l, t, z, 1, colour, 0, 0, 0},       {r, t, z, 1, colour, uMax, 0, 0},
                             {l, b, z, 1, colour, 0, vMax, 0},    {r, t, z, 1, colour, uMax, 0, 0},
                             {r, b, z, 1, colour, uMax, vMax, 0}, {l, b, z, 1, colour, 0, vMax, 0}};
  device_->SetVertexDeclaration(screenLayout_);
  ASSERT_EQ(device_->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, v, sizeof(ScreenVertex)), D3D_OK);
}

void DeviceTest::DrawClip(const std::vector<ClipVertex>& vertices, D3DPRIMITIVETYPE type) {
  device_->SetVertexDeclaration(clipLayout_);
  device_->SetVertexShader(passVs_);
  device_->SetPixelShader(colourPs_);
  const UINT n = static_cast<UINT>(vertices.size());
  const UINT primitives = type == D3DPT_TRIANGLELIST ? n / 3 : type == D3DPT_LINESTRIP ? n - 1 : n;
  ASSERT_EQ(device_->DrawPrimitiveUP(type, primitives, vertices.data(), sizeof(ClipVertex)),
            D3D_OK);
  device_->SetVertexShader(nullptr);
  device_->SetPixelShader(nullptr);
}

IDirect3DTexture9* DeviceTest::Texture(const std::vector<uint32_t>& texels, UINT w, UINT h,
                                       UINT levels) {
  IDirect3DTexture9* texture = MakeTexture(device_, w, h, texels.data(), levels);
  EXPECT_NE(texture, nullptr);
  if (texture) owned_.push_back(texture);
  return texture;
}

IDirect3DSurface9* DeviceTest::TargetSurface(UINT size, IDirect3DTexture9** texture) {
  IDirect3DTexture9* made = nullptr;
  IDirect3DSurface9* surface = nullptr;
  EXPECT_EQ(device_->CreateTexture(size, size, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8,
                                   D3DPOOL_DEFAULT, &made, nullptr),
            D3D_OK);
  if (made) made->GetSurfaceLevel(0, &surface), owned_.insert(owned_.end(), {surface, made});
  if (texture) *texture = made;
  return surface;
}

IDirect3DVolumeTexture9* DeviceTest::Volume(uint32_t texel) {
  IDirect3DVolumeTexture9* volume = nullptr;
  EXPECT_EQ(device_->CreateVolumeTexture(1, 1, 1, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &volume,
                                         nullptr),
            D3D_OK);
  D3DLOCKED_BOX locked;
  EXPECT_EQ(volume->LockBox(0, &locked, nullptr, 0), D3D_OK);
  *static_cast<uint32_t*>(locked.pBits) = texel;
  volume->UnlockBox(0);
  owned_.push_back(volume);
  return volume;
}

}  // namespace testsupport
