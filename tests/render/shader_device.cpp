#include "render/shader_device.h"

#include "platform/sdl_window.h"
#include "render/shader.h"

void ShaderDeviceTest::SetUp() {
  ShaderForgetBound();
  if (!Win32InitVideo()) GTEST_SKIP() << "no display";
  if (const char* error = testsupport::OpenD3D9Window(base_, "shadertest", 0, 0, kSize, kSize,
                                                      /*show=*/false))
    FAIL() << error;
  window_ = base_.window;
  d3d_ = base_.d3d;
  device_ = base_.device;
  device_->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  device_->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
  TestCaptureMessageBoxes(true);
}

void ShaderDeviceTest::TearDown() {
  TestCaptureMessageBoxes(false);
  for (D3D9Object* object : owned_) object->Release();
  testsupport::CloseD3D9Window(base_);
  d3d9test::ResetHooks();
  ShaderForgetBound();
}

IDirect3DTexture9* ShaderDeviceTest::Texture(uint32_t texel) {
  IDirect3DTexture9* texture = testsupport::MakeTexture(device_, 1, 1, &texel);
  EXPECT_NE(texture, nullptr);
  if (texture) owned_.push_back(texture);
  return texture;
}

IDirect3DVolumeTexture9* ShaderDeviceTest::Volume(uint32_t texel) {
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

std::vector<uint32_t> ShaderDeviceTest::DrawFullTarget(ModelVertex corner) {
  ModelVertex quad[4];
  for (int i = 0; i < 4; ++i) {
    quad[i] = corner;
    quad[i].x = i % 2 ? 1.0f : -1.0f;
    quad[i].y = i / 2 ? 1.0f : -1.0f;
  }
  device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1, 0);
  device_->BeginScene();
  EXPECT_EQ(device_->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(ModelVertex)), D3D_OK);
  device_->EndScene();
  return d3d9test::ReadBackBuffer(device_);
}
