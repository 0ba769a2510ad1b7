// The Direct3D device: refused requests, reference counts and Reset.
#include <tuple>

#include "shell/device_startup.h"
#include "tests/support/device_fixture.h"

namespace {

class D3D9Device : public testsupport::DeviceTest {};

TEST_F(D3D9Device, RefusesTexturesItCannotMakeAndLeavesNothingBehind) {
  const int before = d3d9test::LiveResources(D3DPOOL_MANAGED);
  const std::tuple<UINT, UINT, UINT, DWORD, D3DFORMAT> rows[] = {
      {0, 8, 0, 0, D3DFMT_A8R8G8B8},
      {8193, 8, 0, 0, D3DFMT_A8R8G8B8},
      {8, 8, 0, 0, D3DFMT_D24S8},
      {8, 8, 0, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8},  // targets live in DEFAULT
      {8, 8, 4096, 0, D3DFMT_A8R8G8B8}};
  for (const auto& [w, h, d, usage, format] : rows) {
    IDirect3DTexture9* texture = nullptr;
    IDirect3DVolumeTexture9* volume = nullptr;
    const HRESULT result =
        d ? device_->CreateVolumeTexture(w, h, d, 1, usage, format, D3DPOOL_MANAGED, &volume,
                                         nullptr)
          : device_->CreateTexture(w, h, 1, usage, format, D3DPOOL_MANAGED, &texture, nullptr);
    EXPECT_EQ(result, D3DERR_INVALIDCALL) << w << " x " << h << " x " << d;
  }
  EXPECT_EQ(d3d9test::LiveResources(D3DPOOL_MANAGED), before);
}

// The counts are the program's own: the device's bindings keep objects alive without showing.
TEST_F(D3D9Device, ReferenceCountsAreTheProgramsAndBoundObjectsLiveUntilUnbound) {
  IDirect3DTexture9* texture = nullptr;
  ASSERT_EQ(device_->CreateTexture(16, 16, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8,
                                   D3DPOOL_DEFAULT, &texture, nullptr),
            D3D_OK);
  IDirect3DIndexBuffer9* indices = nullptr;
  ASSERT_EQ(device_->CreateIndexBuffer(6, 0, D3DFMT_INDEX16, D3DPOOL_DEFAULT, &indices, nullptr),
            D3D_OK);
  IDirect3DSurface9 *back = nullptr, *target = nullptr, *level = nullptr;
  ASSERT_EQ(device_->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back), D3D_OK);
  ASSERT_EQ(device_->GetRenderTarget(0, &target), D3D_OK);
  ASSERT_EQ(target, back);
  ASSERT_EQ(texture->GetSurfaceLevel(0, &level), D3D_OK);
  device_->SetIndices(indices);
  device_->SetTexture(3, texture);
  const std::pair<ULONG, ULONG> rows[] = {
      {back->Release(), 1},  // while it is the render target
      {target->Release(), 0},
      {(device_->SetRenderTarget(0, level), level->Release()), 1},  // counts on its texture
      {texture->Release(), 0},   // while set as render target and as texture
      {indices->Release(), 0}};  // while set
  for (const auto& [got, want] : rows) EXPECT_EQ(got, want);
  EXPECT_EQ(d3d9test::LiveResources(D3DPOOL_DEFAULT), 2);
  device_->SetIndices(nullptr);
  device_->SetTexture(3, nullptr);
  EXPECT_EQ(d3d9test::LiveResources(D3DPOOL_DEFAULT), 1);  // still the render target
  ASSERT_EQ(device_->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back), D3D_OK);
  device_->SetRenderTarget(0, back);
  EXPECT_EQ(d3d9test::LiveResources(D3DPOOL_DEFAULT), 0);
  EXPECT_EQ(back->Release(), 0u);
}

TEST_F(D3D9Device, ResetRefusesWhileADefaultPoolResourceLivesThenRestoresDefaults) {
  IDirect3DTexture9* target = nullptr;
  ASSERT_EQ(device_->CreateTexture(16, 16, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8,
                                   D3DPOOL_DEFAULT, &target, nullptr),
            D3D_OK);
  const uint32_t white = 0xFFFFFFFF;
  IDirect3DTexture9* managed = testsupport::MakeTexture(device_, 1, 1, &white);
  IDirect3DVertexBuffer9* buffer = nullptr;
  ASSERT_EQ(
      device_->CreateVertexBuffer(64, D3DUSAGE_WRITEONLY, 0, D3DPOOL_DEFAULT, &buffer, nullptr),
      D3D_OK);
  device_->SetStreamSource(0, buffer, 0, 16);
  device_->SetTexture(1, managed);
  device_->SetRenderState(D3DRS_FILLMODE, D3DFILL_WIREFRAME);
  device_->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  device_->SetSamplerState(2, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
  D3DPRESENT_PARAMETERS p = DevicePresentParameters(window_);
  EXPECT_EQ(device_->Reset(&p), D3DERR_INVALIDCALL);
  target->Release();
  EXPECT_EQ(device_->Reset(&p), D3DERR_INVALIDCALL);  // the buffer is still the program's
  buffer->Release();                                  // only the device's stream holds it now
  ASSERT_EQ(device_->Reset(&p), D3D_OK);
  EXPECT_EQ(d3d9test::LiveResources(D3DPOOL_DEFAULT), 0);  // the stream let go of the buffer
  EXPECT_EQ(managed->Release(), 0u);                       // the stage let go of the texture
  const std::pair<D3DRENDERSTATETYPE, DWORD> defaults[] = {{D3DRS_FILLMODE, D3DFILL_SOLID},
                                                           {D3DRS_ALPHABLENDENABLE, FALSE},
                                                           {D3DRS_ZENABLE, D3DZB_TRUE},
                                                           {D3DRS_CULLMODE, D3DCULL_CCW}};
  for (auto [state, value] : defaults) EXPECT_EQ(d3d9test::RenderState(device_, state), value);
  EXPECT_EQ(d3d9test::SamplerState(device_, 2, D3DSAMP_ADDRESSU), DWORD{D3DTADDRESS_WRAP});
}

TEST_F(D3D9Device, SettersAndShaderCreationCheckTheirRanges) {
  const float registers[8] = {};
  EXPECT_EQ(device_->SetVertexShaderConstantF(254, registers, 2), D3D_OK);
  EXPECT_EQ(device_->SetVertexShaderConstantF(255, registers, 2), D3DERR_INVALIDCALL);
  EXPECT_EQ(device_->SetPixelShaderConstantF(30, registers, 2), D3D_OK);
  EXPECT_EQ(device_->SetPixelShaderConstantF(31, registers, 2), D3DERR_INVALIDCALL);
  EXPECT_EQ(device_->SetSamplerState(16, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR), D3DERR_INVALIDCALL);
  const std::pair<D3DVIEWPORT9, HRESULT> viewports[] = {
      {{60, 0, 8, 8, 0.0f, 1.0f}, D3D_OK},  // past the target's edge: draws clip
      {{0xFFFFFFF0u, 0, 0x20, 8, 0.0f, 1.0f}, D3DERR_INVALIDCALL},  // X + Width wraps
      {{0, 0x80000000u, 8, 8, 0.0f, 1.0f}, D3DERR_INVALIDCALL},     // Y negative
      {{0, 0, 8, 0, 0.0f, 1.0f}, D3DERR_INVALIDCALL}};
  for (auto [viewport, result] : viewports) EXPECT_EQ(device_->SetViewport(&viewport), result);
  EXPECT_EQ(device_->SetFVF(0x142), D3DERR_INVALIDCALL);  // only pre-transformed positions
  EXPECT_EQ(device_->BeginScene(), D3DERR_INVALIDCALL);   // already in one
  EXPECT_EQ(device_->EndScene(), D3D_OK);
  EXPECT_EQ(device_->EndScene(), D3DERR_INVALIDCALL);
  const DWORD shaderModel3[] = {0xFFFF0300, 0x0000FFFF};
  IDirect3DPixelShader9* ps = nullptr;
  EXPECT_EQ(device_->CreatePixelShader(shaderModel3, &ps), D3DERR_INVALIDCALL);
  EXPECT_EQ(ps, nullptr);
  IDirect3DVertexShader9* vs = nullptr;
  EXPECT_EQ(device_->CreateVertexShader(testsupport::kColourPixelShader, &vs), D3DERR_INVALIDCALL);
}

TEST_F(D3D9Device, ObjectsLeftAliveLoseTheirDeviceSafely) {
  const uint32_t texels[4] = {1, 2, 3, 4};
  IDirect3DTexture9* texture = testsupport::MakeTexture(device_, 2, 2, texels);
  device_->SetTexture(0, texture);
  EXPECT_EQ(device_->Release(), 0u);
  device_ = nullptr;
  D3DLOCKED_RECT locked;
  EXPECT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3DERR_INVALIDCALL);
  EXPECT_EQ(texture->Release(), 0u);
  EXPECT_EQ(d3d9test::LiveResources(D3DPOOL_MANAGED), 0);
}

}  // namespace
