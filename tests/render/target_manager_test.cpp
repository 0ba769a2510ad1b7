#include "tests/support/render_fixture.h"

namespace rendertest {
namespace {

using TargetManagerTest = RenderTest;

// Selecting a render target clears its colour when asked, unless it is current already; the
// back buffer is never cleared by a select. The back buffer's reference is held only while
// away from it.
TEST_F(TargetManagerTest, SelectClearsOnlyANewlySelectedRenderTarget) {
  const int objects = d3d9test::LiveObjects();
  Fill(0xFF808080u);
  TargetManagerSelect(targets(), device_.FrameTargetA, 0);
  EXPECT_NE(targets().savedBackBuffer, nullptr);
  Fill(0xFF123456u);
  TargetManagerSelect(targets(), device_.FrameTargetA, 1);
  EXPECT_EQ(ReadTarget(device_.FrameTargetA)[5], 0xFF123456u);
  TargetManagerSelect(targets(), device_.FrameTargetB, 0);
  TargetManagerSelect(targets(), device_.FrameTargetA, 1);
  EXPECT_EQ(ReadTarget(device_.FrameTargetA)[5], 0x00000000u);
  TargetManagerSelect(targets(), nullptr, 1);
  EXPECT_EQ(d3d9test::LiveObjects(), objects);
  EXPECT_EQ(BackPixel(5, 0), 0xFF808080u);
}

TEST_F(TargetManagerTest, NewTargetsStartClearAndFailuresListNothing) {
  Texture* target = TargetManagerCreateTarget(targets(), 8, 4);
  ASSERT_TRUE(target && target->linearFilter == 1u);
  EXPECT_EQ(ReadTarget(target), std::vector<uint32_t>(32, 0u));
  const uint32_t count = ListCount(*targets().targets);
  d3d9test::FailCall("CreateTexture", D3DERR_OUTOFVIDEOMEMORY);
  for (uint32_t width : {8u, 0u, 70000u})
    EXPECT_EQ(TargetManagerCreateTarget(targets(), width, 4), nullptr) << width;
  EXPECT_EQ(ListCount(*targets().targets), count);
  TargetManagerDestroyTarget(targets(), target);
  EXPECT_EQ(ListCount(*targets().targets), count - 1);
}

// The frame end presents, advances the ring of three latency fences and leaves depth on and
// mode 0; a fence that could not be made is skipped, and no fence triangle lands in the picture.
TEST_F(TargetManagerTest, FrameEndAdvancesTheRingAndSkipsMissingFences) {
  TargetManagerRelease(targets());
  d3d9test::FailCall("CreateRenderTarget", D3DERR_OUTOFVIDEOMEMORY, 1, 1);
  TargetManagerRestore(targets());
  ASSERT_EQ(targets().latency[1], nullptr);
  Fill(0xFF00FF00u);
  const uint32_t first = targets().ring;
  for (uint32_t frame = 0; frame < 4; ++frame) {
    EXPECT_EQ(targets().ring, (first + frame) % 3);
    RendererSetShaderMode(renderer().shaders, 12);
    TargetManagerEndFrame(targets());
    EXPECT_EQ(renderer().shaders.currentMode, 0u);
    EXPECT_EQ(d3d9test::RenderState(d3d(), D3DRS_ZENABLE), DWORD{TRUE});
    TargetManagerBeginScene(targets());
  }
  EXPECT_EQ(BackPixel(0, 0), 0xFF00FF00u);
}

TEST_F(TargetManagerTest, CopyCurrentAddsTheTargetIntoTheDestination) {
  RendererSetShaderMode(renderer().shaders, 12);  // the copy draws the screen quad
  TransformStateBeginOverlay(transform());
  TargetManagerSelect(targets(), device_.FrameTargetC, 0);
  Fill(0xFF010203u);
  TargetManagerSelect(targets(), nullptr, 0);
  Fill(0xFF402010u);
  TargetManagerCopyCurrent(targets(), device_.FrameTargetC, 1.0f, 1);  // back buffer: nothing
  EXPECT_EQ(ReadTarget(device_.FrameTargetC)[10 * kSize + 10], 0xFF010203u);

  TargetManagerSelect(targets(), device_.FrameTargetB, 0);
  Fill(0xFF402010u);
  TargetManagerCopyCurrent(targets(), device_.FrameTargetC, 1.0f, 0);
  EXPECT_EQ(targets().current, device_.FrameTargetB);
  EXPECT_EQ(ReadTarget(device_.FrameTargetC)[10 * kSize + 10], 0xFF412213u);
  // With the clear flag the destination becomes an exact copy.
  TargetManagerCopyCurrent(targets(), device_.FrameTargetC, 1.0f, 1);
  EXPECT_EQ(ReadTarget(device_.FrameTargetC)[40 * kSize + 50], 0xFF402010u);
}

}  // namespace
}  // namespace rendertest
