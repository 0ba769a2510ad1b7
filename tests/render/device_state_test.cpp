#include <gtest/gtest.h>

#include <cstring>

#include "mesh/mesh.h"
#include "platform/testing.h"
#include "render/renderer.h"
#include "render/texture_upload.h"
#include "render_fixture.h"
#include "texgen/texture.h"

namespace rendertest {
namespace {

using d3d9test::RenderState;

class DeviceStateTest : public RenderTest {};

TEST_F(DeviceStateTest, SwitchesToggleTheirRenderStates) {
  struct Case {
    uint32_t id;
    D3DRENDERSTATETYPE state;
    DWORD on, off;
  };
  const Case cases[] = {{1, D3DRS_ALPHABLENDENABLE, TRUE, FALSE},
                        {3, D3DRS_ZENABLE, TRUE, FALSE},
                        {4, D3DRS_ZWRITEENABLE, TRUE, FALSE},
                        {6, D3DRS_CULLMODE, D3DCULL_CCW, D3DCULL_NONE},
                        {7, D3DRS_SCISSORTESTENABLE, TRUE, FALSE}};
  for (const Case& c : cases) {
    DeviceEnable(device_, c.id);
    EXPECT_EQ(RenderState(d3d(), c.state), c.on) << c.id;
    DeviceDisable(device_, c.id);
    EXPECT_EQ(RenderState(d3d(), c.state), c.off) << c.id;
  }
}

TEST_F(DeviceStateTest, SwitchesWithoutARenderStateChangeNothingOrTheirOwnStates) {
  d3d9test::SetTrace(true);
  for (uint32_t id : {0u, 2u, 5u, 8u, 200u}) DeviceEnable(device_, id);
  for (uint32_t id : {2u, 8u, 200u}) DeviceDisable(device_, id);
  EXPECT_TRUE(d3d9test::Trace().empty());

  DeviceDisable(device_, 5);
  DeviceDisable(device_, 0);
  const std::vector<std::string> expected = {"SetRenderState(175, 0)", "SetRenderState(195, 0)",
                                             "SetTexture(0, null)",    "SetTexture(1, null)",
                                             "SetTexture(2, null)",    "SetTexture(3, null)"};
  EXPECT_EQ(d3d9test::Trace(), expected);
}

TEST_F(DeviceStateTest, BlendFillModeAndAlphaTestSetStatesInOrder) {
  d3d9test::SetTrace(true);
  DeviceSetBlendFunc(device_, D3DBLEND_ONE, D3DBLEND_INVSRCALPHA, D3DBLENDOP_REVSUBTRACT);
  DeviceSetFillMode(device_, 2);
  DeviceSetFillMode(device_, 3);
  DeviceSetAlphaTest(device_, 1);
  DeviceSetAlphaTest(device_, 0);
  DeviceSetFillMode(device_, 1);
  DeviceSetFillMode(device_, 0);
  const std::vector<std::string> expected = {"SetRenderState(19, 2)",
                                             "SetRenderState(20, 6)",
                                             "SetRenderState(171, 3)",
                                             "SetRenderState(154, 1077936128)",  // 3.0f
                                             "SetRenderState(8, 1)",
                                             "SetRenderState(24, 8)",
                                             "SetRenderState(15, 1)",
                                             "SetRenderState(25, 7)",
                                             "SetRenderState(15, 0)",
                                             "SetRenderState(8, 2)",
                                             "SetRenderState(8, 3)"};
  EXPECT_EQ(d3d9test::Trace(), expected);
}

TEST_F(DeviceStateTest, ClearAndViewportReachThePixels) {
  Fill(0xFF000000u);
  DeviceSetViewport(device_, 16, 8, 32, 16);
  D3DVIEWPORT9 viewport = d3d9test::Viewport(d3d());
  EXPECT_EQ(viewport.X, 16u);
  EXPECT_EQ(viewport.Height, 16u);
  EXPECT_EQ(viewport.MaxZ, 1.0f);
  // The clear covers the viewport only.
  Fill(0xFF20A040u);
  std::vector<uint32_t> pixels = ReadBack();
  EXPECT_EQ(pixels[10 * kSize + 20], 0xFF20A040u);
  EXPECT_EQ(pixels[2 * kSize + 2], 0xFF000000u);
  EXPECT_EQ(pixels[30 * kSize + 20], 0xFF000000u);
}

TEST_F(DeviceStateTest, FrameTargetsTakeFullAndQuarterSizes) {
  DeviceReleaseFrameTargets(device_);
  EXPECT_EQ(device_.FrameTargetA, nullptr);
  EXPECT_EQ(device_.GlowTarget3, nullptr);
  EXPECT_EQ(ListCount(*targets().targets), 0u);

  DeviceCreateFrameTargets(device_, 802, 601);
  for (Texture* full : {device_.FrameTargetA, device_.FrameTargetB, device_.FrameTargetC}) {
    ASSERT_NE(full, nullptr);
    EXPECT_EQ(full->width, 802);
    EXPECT_EQ(full->height, 601);
  }
  for (Texture* glow : {device_.GlowTarget1, device_.GlowTarget2, device_.GlowTarget3}) {
    ASSERT_NE(glow, nullptr);
    EXPECT_EQ(glow->width, 200);
    EXPECT_EQ(glow->height, 150);
  }
  // Created C, B, A, then the glow targets.
  EXPECT_EQ(ListAtAs<Texture>(*targets().targets, 0), device_.FrameTargetC);
  EXPECT_EQ(ListAtAs<Texture>(*targets().targets, 2), device_.FrameTargetA);
  EXPECT_EQ(ListAtAs<Texture>(*targets().targets, 5), device_.GlowTarget3);
}

TEST_F(DeviceStateTest, GlowTargetsBelowOnePixelAreNotCreated) {
  DeviceReleaseFrameTargets(device_);
  DeviceCreateFrameTargets(device_, 3, 40);
  EXPECT_NE(device_.FrameTargetA, nullptr);
  EXPECT_EQ(device_.GlowTarget1, nullptr);
  EXPECT_EQ(device_.GlowTarget3, nullptr);
  EXPECT_EQ(ListCount(*targets().targets), 3u);
  DeviceReleaseFrameTargets(device_);
  EXPECT_EQ(ListCount(*targets().targets), 0u);
}

TEST_F(DeviceStateTest, ResizeRebuildsEveryDefaultPoolResourceAtItsSize) {
  Texture sceneTarget;
  TextureInit2D(&sceneTarget, 32, 16, 1, 1);
  TextureUpload(&sceneTarget, device_);
  ASSERT_NE(sceneTarget.target, nullptr);
  TargetManagerEndFrame(targets());
  int defaultPool = d3d9test::LiveResources(D3DPOOL_DEFAULT);

  TestInjectResize(device_.window, 80, 48);
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
  RendererSetShaderMode(renderer().shaders, 12);
  ASSERT_TRUE(DeviceHandleResize(device_));

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
  std::vector<uint32_t> pixels = ReadBack();
  ASSERT_EQ(pixels.size(), 80u * 48u);
  EXPECT_EQ(pixels[47 * 80 + 79], 0xFF000000u);
  // The same size again raises the flag but resets nothing.
  TestInjectResize(device_.window, 80, 48);
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
  EXPECT_FALSE(DeviceHandleResize(device_));
  EXPECT_FALSE(DeviceHandleResize(device_));

  TargetManagerBeginScene(targets());
  TextureRelease(&sceneTarget, device_);
  TextureFreeImage(&sceneTarget);
}

}  // namespace
}  // namespace rendertest
