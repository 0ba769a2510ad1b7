#include "render/screen_draw.h"

#include <gtest/gtest.h>

#include "platform/testing.h"
#include "render/mesh_buffers.h"
#include "tests/support/render_fixture.h"
#include "texgen/texture.h"

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
  void TearDown() override {
    if (device_.device) TransformStateEndOverlay(transform());
    RenderTest::TearDown();
  }
  // Fills a render target in four quadrants: top-left, top-right, bottom-left, bottom-right.
  void FillQuadrants(Texture* target, const uint32_t colours[4]) {
    TargetManagerSelect(targets(), target, 0);
    uint32_t w = target->width / 2, h = target->height / 2;
    for (uint32_t i = 0; i < 4; ++i) {
      DeviceSetViewport(device_, (i % 2) * w, (i / 2) * h, w, h);
      Fill(colours[i]);
    }
    TargetManagerSelect(targets(), nullptr, 0);
  }
};

TEST_F(ScreenDrawTest, QuadZoomShowsTheMiddleBandTopRowAtTheTop) {
  Texture* rows = Image(1, 4, {kRed, kGreen, kBlue, kWhite});
  RendererDrawScreenQuad(renderer(), kWhite, rows, 1.0f, 1.0f, 1.0f, 0.5f, D3DBLEND_SRCALPHA,
                         D3DBLEND_INVSRCALPHA, D3DBLENDOP_ADD, 1);
  ExpectBack({{5, 2, kGreen}, {60, 30, kGreen}, {5, 34, kBlue}, {60, 62, kBlue}});
  // The quad leaves depth and blending off, the blend operation at add, stage 0 empty.
  EXPECT_EQ(d3d9test::RenderState(d3d(), D3DRS_ALPHABLENDENABLE), DWORD{FALSE});
  EXPECT_EQ(d3d9test::RenderState(d3d(), D3DRS_ZENABLE), DWORD{FALSE});
  EXPECT_EQ(d3d9test::RenderState(d3d(), D3DRS_BLENDOP), DWORD{D3DBLENDOP_ADD});
}

TEST_F(ScreenDrawTest, UExtentAndVScaleStretchPartOfTheImage) {
  Texture* columns = Image(4, 1, {kRed, kGreen, kBlue, kWhite});
  RendererDrawScreenImage(renderer(), columns, 0.5f, 1.0f);
  ExpectBack({{5, 10, kRed}, {40, 10, kGreen}});
  Texture* rows = Image(1, 4, {kRed, kGreen, kBlue, kWhite});
  RendererDrawScreenImage(renderer(), rows, 1.0f, 0.5f);
  ExpectBack({{5, 10, kRed}, {5, 50, kGreen}});
}

TEST_F(ScreenDrawTest, FadeBlendsItsColourByItsAlpha) {
  Fill(kWhite);
  RendererDrawScreenFade(renderer(), 0x80000000u);
  // Source-alpha blending of alpha a over white: colour 1 - a, alpha a x a + (1 - a).
  const double a = 128.0 / 255.0;
  ExpectBack({{32, 32, uint32_t(Byte(a * a + 1 - a)) << 24 | uint32_t(Byte(1 - a)) * 0x010101u}},
             1);
  Fill(0xFF000000u);
  RendererDrawScreenFade(renderer(), 0xFF20C040u);
  EXPECT_EQ(BackPixel(32, 32), 0xFF20C040u);
}

TEST_F(ScreenDrawTest, BlendedImagesUseTheirAlphaAndBlending) {
  Fill(0xFF202020u);
  Texture* grey = Image(1, 1, {0xFF404040u});
  RendererDrawScreenImageBlend(renderer(), grey, 1.0f, 1.0f, 0.5f, D3DBLEND_ONE, D3DBLEND_ONE,
                               D3DBLENDOP_ADD);
  // sat(sample x 0.5) added: 0x20 + 0x20.
  EXPECT_NEAR(Channel(BackPixel(32, 32), 0), 0x40, 1);
}

TEST_F(ScreenDrawTest, TargetQuadsHonourZoomAndAdditiveFlag) {
  const uint32_t colours[4] = {kRed, kGreen, kBlue, kWhite};
  FillQuadrants(device_.FrameTargetA, colours);
  RendererDrawScreenTarget(renderer(), device_.FrameTargetA, 1.0f, 0, 1.0f);
  ExpectBack({{5, 5, kRed}, {60, 5, kGreen}, {5, 60, kBlue}});
  Fill(0xFF000010u);
  RendererDrawScreenTarget(renderer(), device_.FrameTargetA, 1.0f, 1, 1.0f);
  EXPECT_EQ(BackPixel(5, 5), 0xFFFF0010u);
}

TEST_F(ScreenDrawTest, RectanglesUsePixelsWithRowZeroAtTheBottom) {
  Fill(0xFF000000u);
  RendererDrawFilledRect(renderer(), 8, 4, 24, 12);
  ExpectBack({{10, kSize - 1 - 6, kWhite},
              {30, kSize - 1 - 6, 0xFF000000u},
              {10, kSize - 1 - 20, 0xFF000000u}});
  EXPECT_EQ(ShaderBoundPixel, nullptr);  // white comes from the vertex colour

  Fill(0xFF000000u);
  RendererDrawRectOutline(renderer(), 20, 20, 40, 40);
  const int lit = kSize * kSize - testsupport::CountOther(ReadBack(), kSize, kWhite);
  EXPECT_GT(lit, 60);  // four sides of about 20 pixels
  EXPECT_LT(lit, 90);
  EXPECT_EQ(BackPixel(30, kSize - 1 - 30), 0xFF000000u);  // the inside stays empty
}

TEST_F(ScreenDrawTest, GlowPassAddsWeightedTapsWithTheScreenQuadUpright) {
  TransformStateEndOverlay(transform());
  const uint32_t colours[4] = {0xFF800000u, 0xFF008000u, 0xFF000080u, 0xFF808080u};
  FillQuadrants(device_.FrameTargetB, colours);
  Fill(0x00000000u);
  int pushed = transform().index;
  const float zero[4] = {0, 0, 0, 0};
  RendererDrawGlowPass(renderer(), device_.FrameTargetB, zero, zero);
  EXPECT_EQ(transform().index, pushed);
  EXPECT_EQ(renderer().shaders.currentMode, 12u);
  EXPECT_EQ(d3d9test::RenderState(d3d(), D3DRS_CULLMODE), DWORD{D3DCULL_CCW});
  // Weights 0.25 + 0.12 + 0.06 + 0.03 = 0.46 of each channel, in the right quadrant.
  int expected = Byte(0.46 * 128.0 / 255.0);
  const uint32_t e = expected, alpha = uint32_t(Byte(0.46)) << 24;
  ExpectBack({{5, 5, alpha | e << 16},
              {60, 5, alpha | e << 8},
              {5, 60, alpha | e},
              {60, 60, alpha | e * 0x010101u}},
             1);
  TransformStateBeginOverlay(transform());
}

TEST_F(ScreenDrawTest, GlowChainBlursIntoTheThirdTargetAndReturnsToTheFinalOne) {
  TargetManagerSelect(targets(), device_.FrameTargetA, 0);
  Fill(0xFF404040u);
  RenderGlow(device_, nullptr);
  EXPECT_EQ(targets().current, nullptr);
  EXPECT_EQ(renderer().shaders.currentMode, 12u);
  // A uniform layer of g = 0x40 / 255 and alpha 1:
  //   G1 = g, alpha 1;  G2 = (g x 0.5) x 0.5 + 2 x 0.46 g, alpha 0.25 + 0.92 (saturated);
  //   G3 = (G2 x 0.5) x 0.5 + 2 x 0.46 G2.
  double g = 64.0 / 255.0;
  double g2 = g * 0.25 + 0.92 * g;
  double g3 = g2 * 0.25 + 0.92 * g2;
  std::vector<uint32_t> glow = ReadTarget(device_.GlowTarget3);
  ASSERT_EQ(glow.size(), (kSize / 4) * (kSize / 4));
  uint32_t centre = glow[8 * (kSize / 4) + 8];
  EXPECT_NEAR(Channel(centre, 0), Byte(g3), 3);
  EXPECT_NEAR(Channel(centre, 2), Byte(g3), 3);
  EXPECT_EQ(Channel(centre, 3), 255);
}

TEST_F(ScreenDrawTest, GlowChainWithoutGlowTargetsOnlySelectsTheFinalTarget) {
  TargetManagerDestroyTarget(targets(), device_.GlowTarget2);
  device_.GlowTarget2 = nullptr;
  RenderGlow(device_, device_.FrameTargetB);
  EXPECT_EQ(targets().current, device_.FrameTargetB);
  TargetManagerSelect(targets(), nullptr, 0);
}

}  // namespace
}  // namespace rendertest
