#include "render/target_manager.h"

#include <gtest/gtest.h>

#include "platform/testing.h"
#include "render/screen_draw.h"
#include "tests/support/render_fixture.h"
#include "texgen/texture.h"

namespace rendertest {
namespace {

class TargetManagerTest : public RenderTest {
 protected:
  uint32_t TargetPixel(const Texture* target, uint32_t x, uint32_t y) {
    return ReadTarget(target)[y * target->width + x];
  }
};

// Selecting a render target clears its colour when asked, unless it is current already; the
// back buffer is never cleared by a select. The back buffer's reference is held only while
// away from it.
TEST_F(TargetManagerTest, SelectClearsOnlyANewlySelectedRenderTarget) {
  const int objects = d3d9test::LiveObjects();
  Fill(0xFF808080u);
  TargetManagerSelect(targets(), device_.FrameTargetA, 0);
  IDirect3DSurface9* saved = targets().savedBackBuffer;
  EXPECT_NE(saved, nullptr);
  Fill(0xFF123456u);
  TargetManagerSelect(targets(), device_.FrameTargetA, 1);
  EXPECT_EQ(TargetPixel(device_.FrameTargetA, 5, 0), 0xFF123456u);
  TargetManagerSelect(targets(), device_.FrameTargetB, 0);
  TargetManagerSelect(targets(), device_.FrameTargetA, 1);
  EXPECT_EQ(TargetPixel(device_.FrameTargetA, 5, 0), 0x00000000u);
  EXPECT_EQ(targets().savedBackBuffer, saved);
  TargetManagerSelect(targets(), nullptr, 1);
  EXPECT_EQ(targets().savedBackBuffer, nullptr);
  EXPECT_EQ(d3d9test::LiveObjects(), objects);
  EXPECT_EQ(BackPixel(5, 0), 0xFF808080u);
}

TEST_F(TargetManagerTest, NewTargetsStartClearAndFailuresListNothing) {
  Texture* target = TargetManagerCreateTarget(targets(), 8, 4);
  ASSERT_NE(target, nullptr);
  EXPECT_EQ(target->linearFilter, 1u);
  EXPECT_EQ(ReadTarget(target), std::vector<uint32_t>(32, 0u));
  const uint32_t count = ListCount(*targets().targets);
  d3d9test::FailCall("CreateTexture", D3DERR_OUTOFVIDEOMEMORY);
  EXPECT_EQ(TargetManagerCreateTarget(targets(), 8, 4), nullptr);
  EXPECT_EQ(TargetManagerCreateTarget(targets(), 0, 4), nullptr);
  EXPECT_EQ(TargetManagerCreateTarget(targets(), 70000, 4), nullptr);
  EXPECT_EQ(ListCount(*targets().targets), count);
  TargetManagerDestroyTarget(targets(), target);
  EXPECT_EQ(ListCount(*targets().targets), count - 1);
}

// The frame end presents, advances the ring of three latency fences and leaves the back buffer
// current with depth on and mode 0; a fence that could not be made is skipped, and no fence
// triangle lands in the picture.
TEST_F(TargetManagerTest, FrameEndAdvancesTheRingAndSkipsMissingFences) {
  for (bool missing : {false, true}) {
    if (missing) {
      TargetManagerRelease(targets());
      d3d9test::FailCall("CreateRenderTarget", D3DERR_OUTOFVIDEOMEMORY, 1, 1);
      TargetManagerRestore(targets());
      ASSERT_EQ(targets().latency[1], nullptr);
    }
    Fill(0xFF00FF00u);
    const uint32_t first = targets().ring;
    for (uint32_t frame = 0; frame < 4; ++frame) {
      EXPECT_EQ(targets().ring, (first + frame) % 3);
      RendererSetShaderMode(renderer().shaders, 12);
      TargetManagerEndFrame(targets());
      EXPECT_EQ(renderer().shaders.currentMode, 0u);
      EXPECT_EQ(d3d9test::RenderState(d3d(), D3DRS_ZENABLE), DWORD{TRUE});
      EXPECT_EQ(targets().current, nullptr);
      TargetManagerBeginScene(targets());
    }
    EXPECT_EQ(BackPixel(0, 0), 0xFF00FF00u);
  }
}

TEST_F(TargetManagerTest, CopyCurrentAddsTheTargetIntoTheDestination) {
  RendererSetShaderMode(renderer().shaders, 12);
  TransformStateBeginOverlay(transform());
  TargetManagerSelect(targets(), device_.FrameTargetC, 0);
  Fill(0xFF010203u);
  TargetManagerSelect(targets(), nullptr, 0);
  Fill(0xFF402010u);
  TargetManagerCopyCurrent(targets(), device_.FrameTargetC, 1.0f, 1);  // back buffer: nothing
  EXPECT_EQ(TargetPixel(device_.FrameTargetC, 10, 10), 0xFF010203u);

  TargetManagerSelect(targets(), device_.FrameTargetB, 0);
  Fill(0xFF402010u);
  TargetManagerCopyCurrent(targets(), device_.FrameTargetC, 1.0f, 0);
  EXPECT_EQ(targets().current, device_.FrameTargetB);
  EXPECT_EQ(TargetPixel(device_.FrameTargetC, 10, 10), 0xFF412213u);
  // With the clear flag the destination becomes an exact copy.
  TargetManagerCopyCurrent(targets(), device_.FrameTargetC, 1.0f, 1);
  EXPECT_EQ(TargetPixel(device_.FrameTargetC, 50, 40), 0xFF402010u);
  TransformStateEndOverlay(transform());
}

}  // namespace
}  // namespace rendertest
