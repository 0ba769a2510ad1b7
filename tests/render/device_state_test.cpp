#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "mesh/mesh.h"
#include "platform/testing.h"
#include "render/renderer.h"
#include "render/texture_upload.h"
#include "tests/support/render_fixture.h"
#include "texgen/texture.h"

namespace rendertest {
namespace {

class DeviceStateTest : public RenderTest {};

DWORD FloatBits(float f) {
  DWORD bits;
  std::memcpy(&bits, &f, sizeof bits);
  return bits;
}

// Each row: a state change, then the render state it must leave on the device.
TEST_F(DeviceStateTest, StateChangesReachTheirRenderStates) {
  struct Row {
    std::function<void(Device&)> change;
    D3DRENDERSTATETYPE state;
    DWORD value;
  };
  const auto blend = [](Device& d) {
    DeviceSetBlendFunc(d, D3DBLEND_ONE, D3DBLEND_INVSRCALPHA, D3DBLENDOP_REVSUBTRACT);
  };
  const Row rows[] = {
      {[](Device& d) { DeviceEnable(d, kSwitchBlending); }, D3DRS_ALPHABLENDENABLE, TRUE},
      {[](Device& d) { DeviceDisable(d, kSwitchBlending); }, D3DRS_ALPHABLENDENABLE, FALSE},
      {[](Device& d) { DeviceEnable(d, kSwitchDepthTest); }, D3DRS_ZENABLE, TRUE},
      {[](Device& d) { DeviceDisable(d, kSwitchDepthWrite); }, D3DRS_ZWRITEENABLE, FALSE},
      {[](Device& d) { DeviceEnable(d, kSwitchCulling); }, D3DRS_CULLMODE, D3DCULL_CCW},
      {[](Device& d) { DeviceDisable(d, kSwitchCulling); }, D3DRS_CULLMODE, D3DCULL_NONE},
      {[](Device& d) { DeviceEnable(d, kSwitchScissorTest); }, D3DRS_SCISSORTESTENABLE, TRUE},
      {[](Device& d) { DeviceEnable(d, 8); }, D3DRS_SCISSORTESTENABLE, TRUE},  // no switch
      {[](Device& d) { DeviceDisable(d, kSwitchDepthBias); }, D3DRS_DEPTHBIAS, 0},
      {blend, D3DRS_SRCBLEND, D3DBLEND_ONE},
      {blend, D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA},
      {blend, D3DRS_BLENDOP, D3DBLENDOP_REVSUBTRACT},
      {[](Device& d) { DeviceSetFillMode(d, 2); }, D3DRS_FILLMODE, D3DFILL_POINT},
      {[](Device& d) { DeviceSetFillMode(d, 2); }, D3DRS_POINTSIZE, FloatBits(3.0f)},
      {[](Device& d) { DeviceSetFillMode(d, 3); }, D3DRS_FILLMODE, D3DFILL_POINT},  // no mode
      {[](Device& d) { DeviceSetFillMode(d, 1); }, D3DRS_FILLMODE, D3DFILL_WIREFRAME},
      {[](Device& d) { DeviceSetFillMode(d, 0); }, D3DRS_FILLMODE, D3DFILL_SOLID},
      {[](Device& d) { DeviceSetAlphaTest(d, 1); }, D3DRS_ALPHAREF, 8},
      {[](Device& d) { DeviceSetAlphaTest(d, 1); }, D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL},
      {[](Device& d) { DeviceSetAlphaTest(d, 0); }, D3DRS_ALPHATESTENABLE, FALSE},
  };
  for (size_t i = 0; i < std::size(rows); ++i) {
    rows[i].change(device_);
    EXPECT_EQ(d3d9test::RenderState(d3d(), rows[i].state), rows[i].value) << "row " << i;
  }
}

TEST_F(DeviceStateTest, ResizeRebuildsEveryDefaultPoolResourceAtItsSize) {
  Texture sceneTarget;
  TextureInit2D(&sceneTarget, 32, 16, 1, 1);
  TextureUpload(&sceneTarget, device_);
  ASSERT_NE(sceneTarget.target, nullptr);
  TargetManagerEndFrame(targets());
  const int defaultPool = d3d9test::LiveResources(D3DPOOL_DEFAULT);
  auto resize = [&] {
    TestInjectResize(device_.window, 80, 48);
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
    return DeviceHandleResize(device_);
  };
  RendererSetShaderMode(renderer().shaders, 12);
  ASSERT_TRUE(resize());
  EXPECT_EQ(DeviceGetWidth(device_), 80u);
  EXPECT_EQ(DeviceGetHeight(device_), 48u);
  EXPECT_EQ(device_.FrameTargetB->width, 80);
  EXPECT_EQ(device_.GlowTarget2->width, 20);
  EXPECT_EQ(device_.GlowTarget2->height, 12);
  // The script's render target keeps its own size and has a texture again.
  ASSERT_NE(sceneTarget.target->texture, nullptr);
  EXPECT_EQ(sceneTarget.target->texture->width, 32u);
  EXPECT_EQ(d3d9test::LiveResources(D3DPOOL_DEFAULT), defaultPool);
  EXPECT_NE(renderer().screenQuad->vertexBuffer, nullptr);
  EXPECT_EQ(renderer().shaders.currentMode, 0u);
  EXPECT_EQ(ShaderBoundPixel, renderer().shaders.pixelShaders[0]->pixelShader);
  EXPECT_EQ(ReadBack().size(), 80u * 48u);
  EXPECT_FALSE(resize()) << "the same size again resets nothing";

  TargetManagerBeginScene(targets());
  TextureRelease(&sceneTarget, device_);
  TextureFreeImage(&sceneTarget);
}

}  // namespace
}  // namespace rendertest
