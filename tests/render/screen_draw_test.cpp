#include "render/screen_draw.h"

#include <algorithm>

#include "tests/support/render_fixture.h"

namespace rendertest {
namespace {

class ScreenDrawTest : public RenderTest {
 protected:
  void SetUp() override {
    RenderTest::SetUp();
    if (IsSkipped()) return;
    RendererSetShaderMode(renderer().shaders, 12);
    TransformStateBeginOverlay(transform());
  }
  // Stage 0 filters linearly, as the frame leaves it for the target quads.
  void LinearFilters() {
    for (auto type : {D3DSAMP_MINFILTER, D3DSAMP_MAGFILTER})
      d3d()->SetSamplerState(0, type, D3DTEXF_LINEAR);
  }
};

// The zoomed quad shows the middle band, top row at the top, and leaves depth and blending
// off with the blend operation at add; the u extent and v scale stretch part of an image;
// blended images use their alpha and blending (render targets take the same quad: the next
// test shows them upright).
TEST_F(ScreenDrawTest, QuadsShowTheirPartOfTheImageUpright) {
  Texture* rows = Image(1, 4, {kRed, kGreen, kBlue, kWhite});
  RendererDrawScreenQuad(renderer(), kWhite, rows, 1.0f, 1.0f, 1.0f, 0.5f, D3DBLEND_SRCALPHA,
                         D3DBLEND_INVSRCALPHA, D3DBLENDOP_ADD, 1);
  ExpectBack({{5, 2, kGreen}, {60, 30, kGreen}, {5, 34, kBlue}, {60, 62, kBlue}});
  EXPECT_EQ(d3d9test::RenderState(d3d(), D3DRS_ALPHABLENDENABLE), DWORD{FALSE});
  EXPECT_EQ(d3d9test::RenderState(d3d(), D3DRS_ZENABLE), DWORD{FALSE});
  EXPECT_EQ(d3d9test::RenderState(d3d(), D3DRS_BLENDOP), DWORD{D3DBLENDOP_ADD});
  RendererDrawScreenImage(renderer(), Image(4, 1, {kRed, kGreen, kBlue, kWhite}), 0.5f, 1.0f);
  ExpectBack({{5, 10, kRed}, {40, 10, kGreen}});
  RendererDrawScreenImage(renderer(), rows, 1.0f, 0.5f);
  ExpectBack({{5, 10, kRed}, {5, 50, kGreen}});
  // A blended image adds sat(sample x alpha) with ONE, ONE: 0x20 + 0x20.
  Fill(0xFF202020u);
  RendererDrawScreenImageBlend(renderer(), Image(1, 1, {0xFF404040u}), 1.0f, 1.0f, 0.5f,
                               D3DBLEND_ONE, D3DBLEND_ONE, D3DBLENDOP_ADD);
  EXPECT_NEAR(Channel(BackPixel(32, 32), 0), 0x40, 1);
}

// Each pixel of A distinct (red 4x, green 4y): a copy onto C of the same size is texel for
// texel exact (no blur, no last row or column wrapped into the first); the letterbox band at
// zoom 0.5 shows A's own middle rows; the quarter-size G1 averages the middle of each 4 x 4
// block (red 16i + 6), also in row and column 0.
TEST_F(ScreenDrawTest, TargetQuadsMeetTexelCentresWithoutBlurOrWrap) {
  LinearFilters();
  TargetManagerSelect(targets(), device_.FrameTargetA, 0);
  for (uint32_t y = 0; y < kSize; ++y)
    for (uint32_t x = 0; x < kSize; ++x)
      DeviceSetViewport(device_, x, y, 1, 1), Fill(0xFF000000u | x << 18 | y << 10);
  const std::vector<uint32_t> a = ReadTarget(device_.FrameTargetA);
  TargetManagerCopyCurrent(targets(), device_.FrameTargetC, 1.0f, 1);
  EXPECT_EQ(ReadTarget(device_.FrameTargetC), a);
  TargetManagerSelect(targets(), nullptr, 0);
  DeviceSetViewport(device_, 0, kSize / 4, kSize, kSize / 2);
  RendererDrawScreenTarget(renderer(), device_.FrameTargetA, 0.5f, 0, 1.0f);
  const std::vector<uint32_t> back = ReadBack();
  EXPECT_TRUE(std::equal(a.begin() + kSize * kSize / 4, a.begin() + kSize * kSize * 3 / 4,
                         back.begin() + kSize * kSize / 4));
  TargetManagerSelect(targets(), device_.GlowTarget1, 1);
  RendererDrawScreenTarget(renderer(), device_.FrameTargetA, 1.0f, 0, 1.0f);
  const std::vector<uint32_t> g1 = ReadTarget(device_.GlowTarget1);
  for (uint32_t i = 0; i < kSize / 4; ++i)
    EXPECT_TRUE(testsupport::Near(g1[i * (kSize / 4 + 1)], 0xFF000000u | (16 * i + 6) * 0x010100u))
        << i;
}

// G1 black with a white last row and column: neither its quad up to full size nor glow taps
// up and left from its first row and column take the opposite edge into the back buffer's.
TEST_F(ScreenDrawTest, TargetQuadsAndGlowTapsTakeNothingFromTheOppositeEdge) {
  const uint32_t q = kSize / 4;
  LinearFilters();
  TargetManagerSelect(targets(), device_.GlowTarget1, 1);
  DeviceSetViewport(device_, 0, q - 1, q, 1), Fill(kWhite);
  DeviceSetViewport(device_, q - 1, 0, 1, q), Fill(kWhite);
  TargetManagerSelect(targets(), nullptr, 0);
  const auto edges = [](int x, int y) {
    return (x == 0 || y == 0) && x < int(kSize / 2) && y < int(kSize / 2);
  };
  const float back[4] = {0, -1.0f / q, -2.0f / q, -3.0f / q};
  for (int pass = 0; pass < 2; ++pass) {
    Fill(0xFF000000u);
    if (pass == 0) RendererDrawScreenTarget(renderer(), device_.GlowTarget1, 1.0f, 1, 1.0f);
    if (pass == 1) RendererDrawGlowPass(renderer(), device_.GlowTarget1, back, back);
    EXPECT_EQ(testsupport::CountOther(ReadBack(), kSize, 0xFF000000u, edges), 0) << pass;
  }
}

// The glow pass's tap weights and the chain of reductions and blurs through the three glow
// targets are held by the production's reference frames.

}  // namespace
}  // namespace rendertest
