#include "render/target_manager.h"

#include <gtest/gtest.h>

#include "platform/testing.h"
#include "render/screen_draw.h"
#include "render_fixture.h"
#include "texgen/texture.h"

namespace rendertest {
namespace {

class TargetManagerTest : public RenderTest {
 protected:
  // Lines of the trace naming `call`.
  static size_t Count(const char* call) { return d3d9test::TraceOf(call).size(); }
};

TEST_F(TargetManagerTest, SelectingTheCurrentTargetDoesNothing) {
  d3d9test::SetTrace(true);
  TargetManagerSelect(targets(), nullptr, 1);
  EXPECT_TRUE(d3d9test::Trace().empty());
  TargetManagerSelect(targets(), device_.FrameTargetA, 0);
  Fill(0xFF123456u);
  d3d9test::ClearTrace();
  TargetManagerSelect(targets(), device_.FrameTargetA, 1);
  EXPECT_EQ(Count("Clear"), 0u);
  EXPECT_EQ(ReadTarget(device_.FrameTargetA)[0], 0xFF123456u);
}

TEST_F(TargetManagerTest, SelectClearsOnlyRenderTargetsAndOnlyTheirColour) {
  Fill(0xFF808080u);  // the back buffer
  TargetManagerSelect(targets(), device_.FrameTargetA, 0);
  Fill(0xFF00FF00u);
  TargetManagerSelect(targets(), device_.FrameTargetB, 0);
  TargetManagerSelect(targets(), device_.FrameTargetA, 1);
  EXPECT_EQ(ReadTarget(device_.FrameTargetA)[5], 0x00000000u);
  d3d9test::SetTrace(true);
  TargetManagerSelect(targets(), nullptr, 1);
  EXPECT_EQ(Count("Clear"), 0u);
  EXPECT_EQ(ReadBack()[5], 0xFF808080u);
  // The switch closes and reopens the scene around the target change.
  const std::vector<std::string>& trace = d3d9test::Trace();
  ASSERT_GE(trace.size(), 3u);
  EXPECT_EQ(trace.front(), "EndScene()");
  EXPECT_EQ(trace.back(), "BeginScene()");
}

TEST_F(TargetManagerTest, BackBufferReferenceIsHeldOnlyWhileAwayFromIt) {
  int objects = d3d9test::LiveObjects();
  TargetManagerSelect(targets(), device_.FrameTargetA, 0);
  EXPECT_NE(targets().savedBackBuffer, nullptr);
  IDirect3DSurface9* saved = targets().savedBackBuffer;
  TargetManagerSelect(targets(), device_.FrameTargetB, 0);
  TargetManagerSelect(targets(), device_.GlowTarget1, 0);
  EXPECT_EQ(targets().savedBackBuffer, saved);
  TargetManagerSelect(targets(), nullptr, 0);
  EXPECT_EQ(targets().savedBackBuffer, nullptr);
  EXPECT_EQ(d3d9test::LiveObjects(), objects);
  // Drawing now reaches the back buffer again.
  Fill(0xFF0000FFu);
  EXPECT_EQ(ReadBack()[0], 0xFF0000FFu);
}

TEST_F(TargetManagerTest, ATargetIsUnboundFromEveryStageBeforeItIsDrawnInto) {
  d3d9test::SetTrace(true);
  TargetManagerSelect(targets(), device_.FrameTargetC, 0);
  for (const char* line : {"SetTexture(0, null)", "SetTexture(1, null)", "SetTexture(2, null)",
                           "SetTexture(3, null)"}) {
    EXPECT_NE(std::find(d3d9test::Trace().begin(), d3d9test::Trace().end(), line),
              d3d9test::Trace().end())
        << line;
  }
}

TEST_F(TargetManagerTest, NewTargetsStartClearAndFailuresListNothing) {
  Texture* target = TargetManagerCreateTarget(targets(), 8, 4);
  ASSERT_NE(target, nullptr);
  EXPECT_EQ(target->linearFilter, 1u);
  std::vector<uint32_t> pixels = ReadTarget(target);
  ASSERT_EQ(pixels.size(), 32u);
  for (uint32_t p : pixels) EXPECT_EQ(p, 0u);
  uint32_t count = ListCount(*targets().targets);

  d3d9test::FailCall("CreateTexture", D3DERR_OUTOFVIDEOMEMORY);
  EXPECT_EQ(TargetManagerCreateTarget(targets(), 8, 4), nullptr);
  EXPECT_EQ(TargetManagerCreateTarget(targets(), 0, 4), nullptr);
  EXPECT_EQ(TargetManagerCreateTarget(targets(), 70000, 4), nullptr);
  EXPECT_EQ(ListCount(*targets().targets), count);

  TargetManagerDestroyTarget(targets(), target);
  EXPECT_EQ(ListCount(*targets().targets), count - 1);
}

TEST_F(TargetManagerTest, FrameEndAdvancesTheRingAndPresentsFromTheSameTarget) {
  Fill(0xFF00FF00u);
  d3d9test::SetTrace(true);
  for (uint32_t frame = 0; frame < 4; ++frame) {
    EXPECT_EQ(targets().ring, frame % 3);
    TargetManagerEndFrame(targets());
    TargetManagerBeginScene(targets());
  }
  EXPECT_EQ(targets().ring, 1u);
  EXPECT_EQ(Count("Present"), 4u);
  EXPECT_EQ(Count("DrawPrimitiveUP"), 4u);
  // The fence draws into a latency target with depth off and puts the target back.
  EXPECT_EQ(ReadBack()[0], 0xFF00FF00u);
  EXPECT_EQ(d3d9test::RenderState(d3d(), D3DRS_ZENABLE), static_cast<DWORD>(TRUE));
  EXPECT_EQ(d3d9test::ReadSurface(targets().latency[0])[0] & 0x00FFFFFFu, 0u);
  EXPECT_EQ(targets().current, nullptr);
}

TEST_F(TargetManagerTest, MissingLatencyTargetsSkipOnlyTheirFence) {
  TargetManagerRelease(targets());
  d3d9test::FailCall("CreateRenderTarget", D3DERR_OUTOFVIDEOMEMORY, 1, 1);
  TargetManagerRestore(targets());
  ASSERT_EQ(targets().latency[1], nullptr);
  ASSERT_NE(targets().latency[2], nullptr);
  Fill(0xFF00FF00u);
  d3d9test::SetTrace(true);
  for (int frame = 0; frame < 3; ++frame) {
    RendererSetShaderMode(renderer().shaders, 12);
    TargetManagerEndFrame(targets());
    EXPECT_EQ(renderer().shaders.currentMode, 0u);
    EXPECT_EQ(d3d9test::RenderState(d3d(), D3DRS_ZENABLE), DWORD{TRUE});
    TargetManagerBeginScene(targets());
  }
  EXPECT_EQ(targets().ring, 0u);
  EXPECT_EQ(Count("DrawPrimitiveUP"), 2u);
  EXPECT_EQ(Count("Present"), 3u);
  // No fence triangle lands in the back buffer's corner.
  EXPECT_EQ(ReadBack()[0], 0xFF00FF00u);
}

TEST_F(TargetManagerTest, ReleaseAndRestoreRebuildEveryTargetAtItsOwnSize) {
  Texture* odd = TargetManagerCreateTarget(targets(), 24, 10);
  int before = d3d9test::LiveResources(D3DPOOL_DEFAULT);
  TargetManagerRelease(targets());
  EXPECT_EQ(odd->texture, nullptr);
  EXPECT_EQ(d3d9test::LiveResources(D3DPOOL_DEFAULT), before - 10);  // 3 fences + 7 targets
  TargetManagerRestore(targets());
  EXPECT_EQ(d3d9test::LiveResources(D3DPOOL_DEFAULT), before);
  ASSERT_NE(odd->texture, nullptr);
  EXPECT_EQ(odd->texture->width, 24u);
  EXPECT_EQ(odd->texture->height, 10u);
  EXPECT_EQ(device_.FrameTargetA->texture->width, kSize);
}

TEST_F(TargetManagerTest, CopyCurrentAddsTheTargetIntoTheDestination) {
  RendererSetShaderMode(renderer().shaders, 12);
  TransformStateBeginOverlay(transform());
  d3d9test::SetTrace(true);
  TargetManagerCopyCurrent(targets(), device_.FrameTargetC, 1.0f, 1);
  EXPECT_TRUE(d3d9test::Trace().empty());  // the back buffer is current: nothing

  TargetManagerSelect(targets(), device_.FrameTargetB, 0);
  Fill(0xFF402010u);
  TargetManagerSelect(targets(), device_.FrameTargetC, 0);
  Fill(0xFF010203u);
  TargetManagerSelect(targets(), device_.FrameTargetB, 0);
  TargetManagerCopyCurrent(targets(), device_.FrameTargetC, 1.0f, 0);
  EXPECT_EQ(targets().current, device_.FrameTargetB);
  EXPECT_EQ(ReadTarget(device_.FrameTargetC)[kSize * 10 + 10], 0xFF412213u);
  // With the clear flag the destination becomes an exact copy.
  TargetManagerCopyCurrent(targets(), device_.FrameTargetC, 1.0f, 1);
  EXPECT_EQ(ReadTarget(device_.FrameTargetC)[kSize * 40 + 50], 0xFF402010u);
  TransformStateEndOverlay(transform());
}

}  // namespace
}  // namespace rendertest
