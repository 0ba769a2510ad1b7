// The Direct3D object and the device: adapter queries, refused requests, reference counts and
// Reset.
#include "platform/sdl_window.h"
#include "platform/testing_win32.h"
#include "shell/device_startup.h"
#include "tests/support/device_fixture.h"

namespace {

// What start-up asks of the adapter: shader model 2 and the X8R8G8B8 display modes.
TEST(D3D9Adapter, ReportsPixelShaderTwoAndTheDisplaysModes) {
  if (!Win32InitVideo()) GTEST_SKIP() << "no display";
  IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
  ASSERT_NE(d3d, nullptr);
  D3DCAPS9 caps{};
  ASSERT_EQ(d3d->GetDeviceCaps(0, D3DDEVTYPE_HAL, &caps), D3D_OK);
  EXPECT_EQ(caps.PixelShaderVersion, 0xFFFF0200u);
  EXPECT_EQ(caps.VertexShaderVersion, 0xFFFE0200u);
  // Other tests may change the display's mode meanwhile: only the modes' form is checked.
  ASSERT_GE(d3d->GetAdapterModeCount(0, D3DFMT_X8R8G8B8), 1u);
  D3DDISPLAYMODE mode{};
  ASSERT_EQ(d3d->EnumAdapterModes(0, D3DFMT_X8R8G8B8, 0, &mode), D3D_OK);
  EXPECT_EQ(mode.Format, D3DFMT_X8R8G8B8);
  EXPECT_GT(mode.Width * mode.Height, 0u);
  EXPECT_EQ(d3d->Release(), 0u);
  EXPECT_EQ(d3d9test::LiveObjects(), 0);
}

class D3D9Device : public testsupport::DeviceTest {};

TEST_F(D3D9Device, RefusesTexturesItCannotMakeAndLeavesNothingBehind) {
  const int before = d3d9test::LiveResources(D3DPOOL_MANAGED);
  const struct {
    UINT w, h, d;
    DWORD usage;
    D3DFORMAT format;
  } rows[] = {{0, 8, 0, 0, D3DFMT_A8R8G8B8},
              {8193, 8, 0, 0, D3DFMT_A8R8G8B8},
              {8, 8, 0, 0, D3DFMT_D24S8},
              {8, 8, 0, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8},  // targets live in DEFAULT
              {8, 8, 4096, 0, D3DFMT_A8R8G8B8}};
  for (const auto& r : rows) {
    IDirect3DTexture9* texture = nullptr;
    IDirect3DVolumeTexture9* volume = nullptr;
    const HRESULT result = r.d ? device_->CreateVolumeTexture(r.w, r.h, r.d, 1, r.usage, r.format,
                                                              D3DPOOL_MANAGED, &volume, nullptr)
                               : device_->CreateTexture(r.w, r.h, 1, r.usage, r.format,
                                                        D3DPOOL_MANAGED, &texture, nullptr);
    EXPECT_EQ(result, D3DERR_INVALIDCALL) << r.w << " x " << r.h << " x " << r.d;
  }
  EXPECT_EQ(d3d9test::LiveResources(D3DPOOL_MANAGED), before);
}

TEST_F(D3D9Device, ReferenceCountsReturnToTheirStartAfterTargetRoundTrips) {
  IDirect3DTexture9* texture = nullptr;
  ASSERT_EQ(device_->CreateTexture(16, 16, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8,
                                   D3DPOOL_DEFAULT, &texture, nullptr),
            D3D_OK);
  IDirect3DSurface9* back = nullptr;
  ASSERT_EQ(device_->GetRenderTarget(0, &back), D3D_OK);
  const ULONG backStart = back->AddRef() - 1;
  back->Release();
  for (int round = 0; round < 3; ++round) {
    IDirect3DSurface9* level = nullptr;
    ASSERT_EQ(texture->GetSurfaceLevel(0, &level), D3D_OK);
    EXPECT_EQ(texture->AddRef(), 3u);  // the surface counts on its texture
    texture->Release();
    ASSERT_EQ(device_->SetRenderTarget(0, level), D3D_OK);
    EXPECT_EQ(level->Release(), 2u);  // the device holds the target
    ASSERT_EQ(device_->SetRenderTarget(0, back), D3D_OK);
    EXPECT_EQ(texture->AddRef(), 2u);
    texture->Release();
  }
  EXPECT_EQ(back->Release(), backStart - 1);
  // A texture released while set lives until it is unset.
  device_->SetTexture(3, texture);
  EXPECT_EQ(texture->Release(), 1u);
  EXPECT_EQ(d3d9test::LiveResources(D3DPOOL_DEFAULT), 1);
  device_->SetTexture(3, nullptr);
  EXPECT_EQ(d3d9test::LiveResources(D3DPOOL_DEFAULT), 0);
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
  TestInjectResize(window_, 80, 48);
  ASSERT_EQ(device_->Reset(&p), D3D_OK);
  EXPECT_EQ(d3d9test::LiveResources(D3DPOOL_DEFAULT), 0);  // the stream let go of the buffer
  EXPECT_EQ(managed->Release(), 0u);                       // the stage let go of the texture
  const struct {
    D3DRENDERSTATETYPE state;
    DWORD value;
  } defaults[] = {{D3DRS_FILLMODE, D3DFILL_SOLID},
                  {D3DRS_ALPHABLENDENABLE, FALSE},
                  {D3DRS_ZENABLE, D3DZB_TRUE},
                  {D3DRS_CULLMODE, D3DCULL_CCW}};
  for (const auto& d : defaults) EXPECT_EQ(d3d9test::RenderState(device_, d.state), d.value);
  EXPECT_EQ(d3d9test::SamplerState(device_, 2, D3DSAMP_ADDRESSU), DWORD{D3DTADDRESS_WRAP});
  // The back buffer and the viewport take the window's new size.
  EXPECT_EQ(d3d9test::Viewport(device_).Width, 80u);
  device_->BeginScene();
  Clear(0xFF123456);
  EXPECT_EQ(Read(), std::vector<uint32_t>(80 * 48, 0xFF123456));
}

TEST_F(D3D9Device, SettersAndShaderCreationCheckTheirRanges) {
  const float registers[8] = {};
  EXPECT_EQ(device_->SetVertexShaderConstantF(254, registers, 2), D3D_OK);
  EXPECT_EQ(device_->SetVertexShaderConstantF(255, registers, 2), D3DERR_INVALIDCALL);
  EXPECT_EQ(device_->SetPixelShaderConstantF(30, registers, 2), D3D_OK);
  EXPECT_EQ(device_->SetPixelShaderConstantF(31, registers, 2), D3DERR_INVALIDCALL);
  EXPECT_EQ(device_->SetSamplerState(16, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR), D3DERR_INVALIDCALL);
  const struct {
    D3DVIEWPORT9 viewport;
    HRESULT result;
  } viewports[] = {{{60, 0, 8, 8, 0.0f, 1.0f}, D3D_OK},  // past the target's edge: draws clip
                   {{0xFFFFFFF0u, 0, 0x20, 8, 0.0f, 1.0f}, D3DERR_INVALIDCALL},  // X + Width wraps
                   {{0, 0x80000000u, 8, 8, 0.0f, 1.0f}, D3DERR_INVALIDCALL},     // Y negative
                   {{0, 0, 8, 0, 0.0f, 1.0f}, D3DERR_INVALIDCALL}};
  for (const auto& v : viewports) EXPECT_EQ(device_->SetViewport(&v.viewport), v.result);
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
