#include "d3d9_test_support.h"

#include <cstdlib>
#include <cstring>

#include "platform/sdl_window.h"

namespace d3d9support {

void DeviceTest::SetUp() {
  if (!Win32InitVideo()) GTEST_SKIP() << "no display";
  if (const char* error =
          testsupport::OpenD3D9Window(base_, "d3d9test", windowX_, windowY_, kSize, kSize))
    FAIL() << error;
  window_ = base_.window;
  d3d_ = base_.d3d;
  device_ = base_.device;
  ASSERT_EQ(device_->CreateVertexDeclaration(kScreenLayout, &screenLayout_), D3D_OK);
  ASSERT_EQ(device_->CreateVertexDeclaration(kClipLayout, &clipLayout_), D3D_OK);
  ASSERT_EQ(device_->CreateVertexShader(kPassVertexShader, &passVs_), D3D_OK);
  ASSERT_EQ(device_->CreatePixelShader(kColourPixelShader, &colourPs_), D3D_OK);
  // Tests compare exact colours: culling off, no depth unless a test asks for it.
  device_->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  device_->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
  device_->BeginScene();
}

void DeviceTest::TearDown() {
  for (D3D9Object* o : std::initializer_list<D3D9Object*>{screenLayout_, clipLayout_, passVs_,
                                                          colourPs_})
    if (o) o->Release();
  base_.device = device_;  // a test may have released the device itself
  testsupport::CloseD3D9Window(base_);
  d3d9test::ResetHooks();
}

void DeviceTest::DrawRect(float x1, float y1, float x2, float y2, D3DCOLOR colour, float z,
                          float uMax, float vMax) {
  // Pixel centres sit at integers, so the edges of pixels x1 .. x2 - 1 are at x1 - 0.5 and
  // x2 - 0.5.
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
  UINT primitives = type == D3DPT_TRIANGLELIST ? vertices.size() / 3
                    : type == D3DPT_LINESTRIP  ? vertices.size() - 1
                                               : vertices.size();
  ASSERT_EQ(device_->DrawPrimitiveUP(type, primitives, vertices.data(), sizeof(ClipVertex)),
            D3D_OK);
  device_->SetVertexShader(nullptr);
  device_->SetPixelShader(nullptr);
}

IDirect3DTexture9* DeviceTest::MakeTexture(UINT w, UINT h, const std::vector<uint32_t>& texels,
                                           UINT levels) {
  EXPECT_GE(texels.size(), size_t{w} * h);
  IDirect3DTexture9* texture = testsupport::MakeTexture(device_, w, h, texels.data(), levels);
  EXPECT_NE(texture, nullptr);
  return texture;
}

::testing::AssertionResult Near(uint32_t actual, uint32_t expected, int tolerance) {
  for (int shift = 0; shift < 32; shift += 8) {
    const int a = (actual >> shift) & 0xFF, e = (expected >> shift) & 0xFF;
    if (std::abs(a - e) > tolerance)
      return ::testing::AssertionFailure()
             << std::hex << "0x" << actual << " is not within " << std::dec << tolerance << " of 0x"
             << std::hex << expected;
  }
  return ::testing::AssertionSuccess();
}

}  // namespace d3d9support
