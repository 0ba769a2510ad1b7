#include "render/shader_device.h"

#include "render/shader.h"

void ShaderDeviceTest::SetUp() {
  ShaderForgetBound();
  DeviceTest::SetUp();
  if (device_) device_->EndScene();  // each draw below makes its own scene
}

void ShaderDeviceTest::TearDown() {
  DeviceTest::TearDown();
  ShaderForgetBound();
}

std::vector<uint32_t> ShaderDeviceTest::DrawFullTarget(ModelVertex corner) {
  ModelVertex quad[4];
  for (int i = 0; i < 4; ++i) {
    quad[i] = corner;
    quad[i].x = i % 2 ? 1.0f : -1.0f;
    quad[i].y = i / 2 ? 1.0f : -1.0f;
  }
  Clear(0xFF000000);
  device_->BeginScene();
  EXPECT_EQ(device_->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(ModelVertex)), D3D_OK);
  device_->EndScene();
  return Read();
}
