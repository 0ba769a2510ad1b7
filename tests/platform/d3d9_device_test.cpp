// The Direct3D object and the device: adapter queries, failures a test can force, reference
// counts, Reset and the call trace.
#include "d3d9_test_support.h"
#include "platform/testing_win32.h"

namespace {

using d3d9support::kSize;

class D3D9Adapter : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!Win32InitVideo()) GTEST_SKIP() << "no display";
  }
  void TearDown() override { d3d9test::ResetHooks(); }
};

TEST_F(D3D9Adapter, CapabilitiesAndModesAsReportedOrOverridden) {
  IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
  ASSERT_NE(d3d, nullptr);
  D3DCAPS9 caps{};
  ASSERT_EQ(d3d->GetDeviceCaps(0, D3DDEVTYPE_HAL, &caps), D3D_OK);
  EXPECT_EQ(caps.PixelShaderVersion, 0xFFFF0200u);
  EXPECT_EQ(caps.VertexShaderVersion, 0xFFFE0200u);
  // The display's own modes (other tests may change the display's mode meanwhile, so only
  // their form is checked).
  const UINT count = d3d->GetAdapterModeCount(0, D3DFMT_X8R8G8B8);
  ASSERT_GE(count, 1u);
  D3DDISPLAYMODE first{};
  ASSERT_EQ(d3d->EnumAdapterModes(0, D3DFMT_X8R8G8B8, 0, &first), D3D_OK);
  EXPECT_EQ(first.Format, D3DFMT_X8R8G8B8);
  EXPECT_GT(first.Width, 0u);
  EXPECT_GT(first.Height, 0u);
  EXPECT_EQ(d3d->GetAdapterModeCount(0, D3DFMT_A8R8G8B8), 0u);
  D3DDISPLAYMODE mode{};
  EXPECT_EQ(d3d->EnumAdapterModes(0, D3DFMT_X8R8G8B8, 0x7FFFFFFF, &mode), D3DERR_INVALIDCALL);

  d3d9test::SetShaderVersions(0xFFFE0101, 0xFFFF0104);
  d3d9test::SetAdapterModes({{640, 480, 60, D3DFMT_X8R8G8B8}, {800, 600, 75, D3DFMT_X8R8G8B8}});
  ASSERT_EQ(d3d->GetDeviceCaps(0, D3DDEVTYPE_HAL, &caps), D3D_OK);
  EXPECT_EQ(caps.PixelShaderVersion, 0xFFFF0104u);
  ASSERT_EQ(d3d->GetAdapterModeCount(0, D3DFMT_X8R8G8B8), 2u);
  ASSERT_EQ(d3d->EnumAdapterModes(0, D3DFMT_X8R8G8B8, 1, &mode), D3D_OK);
  EXPECT_EQ(mode.Width, 800u);
  EXPECT_EQ(mode.RefreshRate, 75u);
  d3d9test::SetAdapterModes({});
  EXPECT_EQ(d3d->GetAdapterModeCount(0, D3DFMT_X8R8G8B8), 0u);
  EXPECT_EQ(d3d->Release(), 0u);
}

TEST_F(D3D9Adapter, InjectedFailuresReachTheCaller) {
  d3d9test::FailCall("Direct3DCreate9", D3DERR_NOTAVAILABLE);
  EXPECT_EQ(Direct3DCreate9(D3D_SDK_VERSION), nullptr);
  EXPECT_EQ(Direct3DCreate9(31), nullptr);  // only the one SDK version
  IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
  ASSERT_NE(d3d, nullptr);
  // The second call fails, the first and third succeed.
  d3d9test::FailCall("GetDeviceCaps", D3DERR_INVALIDCALL, 1, 1);
  D3DCAPS9 caps{};
  EXPECT_EQ(d3d->GetDeviceCaps(0, D3DDEVTYPE_HAL, &caps), D3D_OK);
  EXPECT_EQ(d3d->GetDeviceCaps(0, D3DDEVTYPE_HAL, &caps), D3DERR_INVALIDCALL);
  EXPECT_EQ(d3d->GetDeviceCaps(0, D3DDEVTYPE_HAL, &caps), D3D_OK);
  d3d9test::FailCall("GetAdapterModeCount", D3DERR_NOTAVAILABLE);
  EXPECT_EQ(d3d->GetAdapterModeCount(0, D3DFMT_X8R8G8B8), 0u);
  d3d9test::FailCall("CreateDevice", D3DERR_NOTAVAILABLE);
  D3DPRESENT_PARAMETERS p = DevicePresentParameters(nullptr);
  IDirect3DDevice9* device = nullptr;
  EXPECT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, 0, &p, &device), D3DERR_NOTAVAILABLE);
  EXPECT_EQ(device, nullptr);
  // Without a window there is nothing to draw on.
  EXPECT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, 0, &p, &device), D3DERR_INVALIDCALL);
  EXPECT_EQ(d3d9test::LiveObjects(), 1);
  d3d->Release();
  EXPECT_EQ(d3d9test::LiveObjects(), 0);
}

class D3D9Device : public d3d9support::DeviceTest {};

TEST_F(D3D9Device, CreateTextureFailureLeavesNothingBehind) {
  const int before = d3d9test::LiveResources(D3DPOOL_MANAGED);
  d3d9test::FailCall("CreateTexture", D3DERR_OUTOFVIDEOMEMORY);
  IDirect3DTexture9* texture = nullptr;
  EXPECT_EQ(device_->CreateTexture(8, 8, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr),
            D3DERR_OUTOFVIDEOMEMORY);
  EXPECT_EQ(d3d9test::LiveResources(D3DPOOL_MANAGED), before);
  // Sizes and formats the device cannot make are refused.
  EXPECT_EQ(device_->CreateTexture(0, 8, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(device_->CreateTexture(8, 8, 1, 0, D3DFMT_D24S8, D3DPOOL_MANAGED, &texture, nullptr),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(
      device_->CreateTexture(8193, 8, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr),
      D3DERR_INVALIDCALL);
  IDirect3DVolumeTexture9* volume = nullptr;
  EXPECT_EQ(device_->CreateVolumeTexture(8, 8, 4096, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED,
                                         &volume, nullptr),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(device_->CreateTexture(8, 8, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED,
                                   &texture, nullptr),
            D3DERR_INVALIDCALL);
  ASSERT_EQ(device_->CreateTexture(8, 8, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr),
            D3D_OK);
  EXPECT_EQ(d3d9test::LiveResources(D3DPOOL_MANAGED), before + 1);
  texture->Release();
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
  const ULONG textureStart = texture->AddRef() - 1;
  texture->Release();
  EXPECT_EQ(textureStart, 1u);

  for (int round = 0; round < 3; ++round) {
    IDirect3DSurface9* level = nullptr;
    ASSERT_EQ(texture->GetSurfaceLevel(0, &level), D3D_OK);
    EXPECT_EQ(texture->AddRef(), textureStart + 2);  // the surface counts on its texture
    texture->Release();
    ASSERT_EQ(device_->SetRenderTarget(0, level), D3D_OK);
    EXPECT_EQ(level->Release(), textureStart + 1);  // the device holds the target
    IDirect3DSurface9* current = nullptr;
    device_->GetRenderTarget(0, &current);
    EXPECT_EQ(current, level);
    current->Release();
    ASSERT_EQ(device_->SetRenderTarget(0, back), D3D_OK);
    EXPECT_EQ(texture->AddRef(), textureStart + 1);
    texture->Release();
  }
  EXPECT_EQ(back->AddRef(), backStart + 1);
  back->Release();
  EXPECT_EQ(back->Release(), backStart - 1);
  // Set calls keep a reference: a texture released while set lives until it is unset.
  device_->SetTexture(3, texture);
  EXPECT_EQ(texture->Release(), 1u);
  EXPECT_EQ(d3d9test::LiveResources(D3DPOOL_DEFAULT), 1);
  device_->SetTexture(3, nullptr);
  EXPECT_EQ(d3d9test::LiveResources(D3DPOOL_DEFAULT), 0);
}

TEST_F(D3D9Device, ResetRefusesWhileADefaultPoolResourceLivesThenRestoresDefaults) {
  IDirect3DTexture9 *target = nullptr, *managed = nullptr;
  ASSERT_EQ(device_->CreateTexture(16, 16, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8,
                                   D3DPOOL_DEFAULT, &target, nullptr),
            D3D_OK);
  ASSERT_EQ(device_->CreateTexture(4, 4, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &managed, nullptr),
            D3D_OK);
  IDirect3DVertexBuffer9* buffer = nullptr;
  ASSERT_EQ(
      device_->CreateVertexBuffer(64, D3DUSAGE_WRITEONLY, 0, D3DPOOL_DEFAULT, &buffer, nullptr),
      D3D_OK);
  device_->SetStreamSource(0, buffer, 0, 16);
  device_->SetTexture(1, managed);
  device_->SetRenderState(D3DRS_FILLMODE, D3DFILL_WIREFRAME);
  device_->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  device_->SetSamplerState(2, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
  D3DVIEWPORT9 vp = {4, 4, 8, 8, 0.0f, 1.0f};
  device_->SetViewport(&vp);
  D3DPRESENT_PARAMETERS p = DevicePresentParameters(window_);

  EXPECT_EQ(device_->Reset(&p), D3DERR_INVALIDCALL);
  target->Release();
  EXPECT_EQ(device_->Reset(&p), D3DERR_INVALIDCALL);  // the buffer is still the program's
  buffer->Release();                                  // only the device's stream holds it now
  TestInjectResize(window_, 80, 48);
  ASSERT_EQ(device_->Reset(&p), D3D_OK);

  EXPECT_EQ(d3d9test::LiveResources(D3DPOOL_DEFAULT), 0);  // the stream let go of the buffer
  EXPECT_EQ(d3d9test::LiveResources(D3DPOOL_MANAGED), 1);  // managed textures survive
  EXPECT_EQ(managed->Release(), 0u);                       // the stage let go of it
  EXPECT_EQ(d3d9test::RenderState(device_, D3DRS_FILLMODE), DWORD{D3DFILL_SOLID});
  EXPECT_EQ(d3d9test::RenderState(device_, D3DRS_ALPHABLENDENABLE), DWORD{FALSE});
  EXPECT_EQ(d3d9test::RenderState(device_, D3DRS_ZENABLE), DWORD{D3DZB_TRUE});
  EXPECT_EQ(d3d9test::RenderState(device_, D3DRS_CULLMODE), DWORD{D3DCULL_CCW});
  EXPECT_EQ(d3d9test::SamplerState(device_, 2, D3DSAMP_ADDRESSU), DWORD{D3DTADDRESS_WRAP});
  // The back buffer and the viewport take the window's new size.
  const D3DVIEWPORT9 after = d3d9test::Viewport(device_);
  EXPECT_EQ(after.X, 0u);
  EXPECT_EQ(after.Width, 80u);
  EXPECT_EQ(after.Height, 48u);
  device_->BeginScene();
  device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF123456, 1.0f, 0);
  EXPECT_EQ(d3d9test::ReadBackBuffer(device_), std::vector<uint32_t>(80 * 48, 0xFF123456));
}

TEST_F(D3D9Device, TraceRecordsCallsWithTheirArguments) {
  IDirect3DTexture9* texture = MakeTexture(1, 1, {0xFFFFFFFF});
  d3d9test::SetTrace(true);
  device_->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  device_->SetTexture(0, texture);
  device_->SetTexture(0, nullptr);
  device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
  const std::string id = "#" + std::to_string(texture->serial);
  const std::vector<std::string> expected = {"SetRenderState(27, 1)", "SetTexture(0, " + id + ")",
                                             "SetTexture(0, null)",
                                             "Clear(0, null, 3, 4278190080, 1, 0)"};
  EXPECT_EQ(d3d9test::Trace(), expected);
  EXPECT_EQ(d3d9test::TraceOf("SetTexture").size(), 2u);
  texture->Release();
}

TEST_F(D3D9Device, SettersCheckTheirRanges) {
  const float registers[8] = {};
  EXPECT_EQ(device_->SetVertexShaderConstantF(254, registers, 2), D3D_OK);
  EXPECT_EQ(device_->SetVertexShaderConstantF(255, registers, 2), D3DERR_INVALIDCALL);
  EXPECT_EQ(device_->SetPixelShaderConstantF(30, registers, 2), D3D_OK);
  EXPECT_EQ(device_->SetPixelShaderConstantF(31, registers, 2), D3DERR_INVALIDCALL);
  EXPECT_EQ(device_->SetPixelShaderConstantF(0, nullptr, 1), D3DERR_INVALIDCALL);
  D3DMATERIAL9 material{};
  EXPECT_EQ(device_->SetMaterial(&material), D3D_OK);
  EXPECT_EQ(device_->SetMaterial(nullptr), D3DERR_INVALIDCALL);
  EXPECT_EQ(device_->SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, 0), D3D_OK);
  EXPECT_EQ(device_->SetTextureStageState(8, D3DTSS_TEXCOORDINDEX, 0), D3DERR_INVALIDCALL);
  EXPECT_EQ(device_->SetSamplerState(16, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR), D3DERR_INVALIDCALL);
  D3DVIEWPORT9 outside = {60, 0, 8, 8, 0.0f, 1.0f};
  EXPECT_EQ(device_->SetViewport(&outside), D3DERR_INVALIDCALL);
  D3DVIEWPORT9 wrapping = {0xFFFFFFF0u, 0, 0x20, 8, 0.0f, 1.0f};  // X + Width wraps in 32 bits
  EXPECT_EQ(device_->SetViewport(&wrapping), D3DERR_INVALIDCALL);
  EXPECT_EQ(device_->SetFVF(0x142), D3DERR_INVALIDCALL);  // only pre-transformed positions
  EXPECT_EQ(device_->EndScene(), D3D_OK);
  EXPECT_EQ(device_->EndScene(), D3DERR_INVALIDCALL);
  EXPECT_EQ(device_->BeginScene(), D3D_OK);
  EXPECT_EQ(device_->BeginScene(), D3DERR_INVALIDCALL);
  // A stream the translator refuses makes no shader.
  const DWORD shaderModel3[] = {0xFFFF0300, 0x0000FFFF};
  IDirect3DPixelShader9* ps = nullptr;
  EXPECT_EQ(device_->CreatePixelShader(shaderModel3, &ps), D3DERR_INVALIDCALL);
  EXPECT_EQ(ps, nullptr);
  IDirect3DVertexShader9* vs = nullptr;
  EXPECT_EQ(device_->CreateVertexShader(d3d9support::kColourPixelShader, &vs), D3DERR_INVALIDCALL);
}

TEST_F(D3D9Device, ObjectsLeftAliveLoseTheirDeviceSafely) {
  IDirect3DTexture9* texture = MakeTexture(2, 2, {1, 2, 3, 4});
  device_->SetTexture(0, texture);
  EXPECT_EQ(device_->Release(), 0u);
  device_ = nullptr;
  D3DLOCKED_RECT locked;
  EXPECT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3DERR_INVALIDCALL);
  EXPECT_EQ(texture->Release(), 0u);
  EXPECT_EQ(d3d9test::LiveResources(D3DPOOL_MANAGED), 0);
}

}  // namespace
