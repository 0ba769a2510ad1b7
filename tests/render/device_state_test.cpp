
#include <tuple>

#include "mesh/mesh.h"
#include "render/mesh_buffers.h"
#include "tests/support/render_fixture.h"

namespace rendertest {
namespace {

using DeviceStateTest = RenderTest;

TEST_F(DeviceStateTest, StateChangesReachTheirRenderStates) {
  const std::tuple<bool, uint32_t, D3DRENDERSTATETYPE, DWORD> switches[] = {
      {true, kSwitchBlending, D3DRS_ALPHABLENDENABLE, TRUE},
      {false, kSwitchBlending, D3DRS_ALPHABLENDENABLE, FALSE},
      {true, kSwitchDepthTest, D3DRS_ZENABLE, TRUE},
      {false, kSwitchDepthWrite, D3DRS_ZWRITEENABLE, FALSE},
      {true, kSwitchCulling, D3DRS_CULLMODE, D3DCULL_CCW},
      {false, kSwitchCulling, D3DRS_CULLMODE, D3DCULL_NONE},
      {true, kSwitchScissorTest, D3DRS_SCISSORTESTENABLE, TRUE}};
  for (auto [enable, id, state, value] : switches) {
    enable ? DeviceEnable(device_, id) : DeviceDisable(device_, id);
    EXPECT_EQ(d3d9test::RenderState(d3d(), state), value) << id << " " << enable;
  }
  // Fill modes 0 solid, 1 wireframe, 2 points of 3 pixels; 3 is none and changes nothing.
  const std::pair<uint32_t, DWORD> fills[] = {
      {1, D3DFILL_WIREFRAME}, {3, D3DFILL_WIREFRAME}, {2, D3DFILL_POINT}, {0, D3DFILL_SOLID}};
  for (auto [mode, fill] : fills) {
    DeviceSetFillMode(device_, mode);
    EXPECT_EQ(d3d9test::RenderState(d3d(), D3DRS_FILLMODE), fill) << mode;
  }
  DeviceSetBlendFunc(device_, D3DBLEND_ONE, D3DBLEND_INVSRCALPHA, D3DBLENDOP_REVSUBTRACT);
  DeviceSetAlphaTest(device_, 1);
  const std::pair<D3DRENDERSTATETYPE, DWORD> states[] = {
      {D3DRS_SRCBLEND, D3DBLEND_ONE},          {D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA},
      {D3DRS_BLENDOP, D3DBLENDOP_REVSUBTRACT}, {D3DRS_POINTSIZE, 0x40400000u},  // 3.0f
      {D3DRS_ALPHATESTENABLE, TRUE},           {D3DRS_ALPHAREF, 8},
      {D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL}};
  for (auto [state, value] : states) EXPECT_EQ(d3d9test::RenderState(d3d(), state), value) << state;
  DeviceSetAlphaTest(device_, 0);
  EXPECT_EQ(d3d9test::RenderState(d3d(), D3DRS_ALPHATESTENABLE), DWORD{FALSE});
}

// A resize rebuilds every default-pool resource: the frame targets at the new size, a script's
// render target at its own; the screen quad and mode 0 come back; the same size resets nothing.
TEST_F(DeviceStateTest, ResizeRebuildsEveryDefaultPoolResourceAtItsSize) {
  Texture* sceneTarget = TargetManagerCreateTarget(targets(), 32, 16);
  ASSERT_NE(sceneTarget, nullptr);
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
  EXPECT_EQ(DeviceGetWidth(device_) * 100 + DeviceGetHeight(device_), 8048u);
  EXPECT_EQ(device_.FrameTargetB->width, 80);
  EXPECT_EQ(device_.GlowTarget2->width * 100 + device_.GlowTarget2->height, 2012);
  EXPECT_TRUE(sceneTarget->texture && sceneTarget->texture->width == 32u);
  EXPECT_EQ(d3d9test::LiveResources(D3DPOOL_DEFAULT), defaultPool);
  EXPECT_NE(renderer().screenQuad->vertexBuffer, nullptr);
  EXPECT_EQ(renderer().shaders.currentMode, 0u);
  EXPECT_EQ(ShaderBoundPixel, renderer().shaders.pixelShaders[0]->pixelShader);
  EXPECT_EQ(ReadBack().size(), 80u * 48u);
  EXPECT_FALSE(resize());
  TargetManagerBeginScene(targets());
}

// Recreating a mesh's buffers with another dynamic flag replaces them without a leak; a failed
// creation leaves none; releasing twice is harmless and leaves nothing to lock.
TEST_F(DeviceStateTest, MeshBuffersAreReplacedAndReleasedWithoutALeak) {
  Mesh* mesh = MeshCreate(&device_, 0, 0);
  const int live = d3d9test::LiveResources(D3DPOOL_DEFAULT);
  for (uint8_t dynamic : {1, 0}) {
    MeshCreateVertexBuffer(10, *mesh, renderer(), dynamic);
    MeshCreateIndexBuffer(renderer(), *mesh, 6, dynamic);
    EXPECT_EQ(mesh->dynamic, dynamic);
    EXPECT_EQ(d3d9test::LiveResources(D3DPOOL_DEFAULT), live + 2);
  }
  d3d9test::FailCall("CreateVertexBuffer", D3DERR_OUTOFVIDEOMEMORY);
  MeshCreateVertexBuffer(4, *mesh, renderer(), 1);
  EXPECT_EQ(mesh->vertexBuffer, nullptr);
  for (int i = 0; i < 2; ++i) MeshReleaseVertexBuffer(*mesh), MeshReleaseIndexBuffer(*mesh);
  EXPECT_EQ(d3d9test::LiveResources(D3DPOOL_DEFAULT), live);
  EXPECT_EQ(MeshLockVertexBuffer(*mesh, 4), nullptr);
  EXPECT_EQ(MeshLockIndexBuffer(*mesh, 6), nullptr);
  MeshDestroy(mesh);
}

}  // namespace
}  // namespace rendertest
