#include "render/renderer.h"

#include <gtest/gtest.h>

#include <tuple>

#include "math/byte_buffer.h"
#include "mesh/material.h"
#include "mesh/mesh.h"
#include "tests/support/render_fixture.h"

namespace rendertest {
namespace {

// Identity world, view and projection: the mesh's positions are clip coordinates. Each draw
// clears to black first; the pixels read are those of the left and the right half.
class RendererTest : public RenderTest {
 protected:
  void SetUp() override {
    RenderTest::SetUp();
    if (IsSkipped()) return;
    MaterialInit(plain_);
    MaterialInit(red_);
    red_.diffuse = Image(1, 1, {kRed});
    MatrixInit(*transform().projection);
    MatrixInit(*transform().view);
    TransformStateLoadIdentity(transform());
    DeviceDisable(device_, kSwitchDepthTest);
    DeviceDisable(device_, kSwitchCulling);
  }
  void Draw(uint32_t mode, Mesh* mesh, uint8_t alternate = 0, Material* override = nullptr) {
    Fill(0xFF000000u);
    RendererSetShaderMode(renderer().shaders, mode);
    RendererDrawMesh(renderer(), *mesh, alternate, override);
  }
  uint32_t Left() { return BackPixel(10, 32); }
  uint32_t Right() { return BackPixel(50, 32); }

  Material plain_;
  Material red_;
};

// Runs draw with their own textures (the white image without one), an override replaces every
// run's material, a run without a material draws with a new material's values, a mesh without
// runs draws nothing.
TEST_F(RendererTest, RunsDrawWithTheirOwnTexturesOrTheDefaults) {
  Mesh* mesh = HalvesMesh(&red_, &plain_);
  Draw(1, mesh);
  EXPECT_EQ(Left(), kRed);
  EXPECT_EQ(Right(), kWhite);
  Draw(1, mesh, 0, &red_);
  EXPECT_EQ(Right(), kRed);
  Mesh* absent = HalvesMesh(&red_, nullptr);
  Draw(1, absent);
  EXPECT_EQ(Right(), kWhite);
  ByteBufferFree(absent->runs);
  Draw(1, absent);
  EXPECT_EQ(Left(), 0xFF000000u);
}

// Clip z 0.5 halfway between fog start and end: the fog colour at alpha one half.
TEST_F(RendererTest, FogColourAndRangeReachTheFogPass) {
  DeviceSetFog(device_, 0xFF102030u, 0.25f, 0.75f);
  Draw(14, HalvesMesh(&plain_, &plain_));
  EXPECT_TRUE(testsupport::Near(Right(), 0x00102030u | uint32_t(Byte(0.5)) << 24));
}

// Mode 10 looks its texture up at (normal . c8, normal . c9); c0 is the light's ambient colour
// with the alternate flag, the (black) diffuse colour without.
TEST_F(RendererTest, InverseTransposedRowsSurviveTheFogColour) {
  Material quadrants;
  MaterialInit(quadrants);
  quadrants.diffuse = Image(2, 2, {kRed, kGreen, kBlue, 0xFFFFFF00u});
  Mesh* mesh = HalvesMesh(&quadrants, &quadrants, Vec3{0.75f, 0.25f, 0.0f});
  DeviceSetFog(device_, 0xFF000000u, 0.0f, 1.0f);
  RendererLight light{};
  light.range = 10.0f;
  for (float& c : light.ambient) c = 1.0f;
  RendererSetLight(renderer(), light);
  Draw(10, mesh, 1);
  EXPECT_EQ(Left(), kGreen);  // (0.75, 0.25): the top-right texel
  Draw(10, mesh, 0);
  EXPECT_EQ(Left() & 0x00FFFFFFu, 0u);
}

// Lit modes pick the pixel shader by the material's maps: specular, normal map only, none.
TEST_F(RendererTest, LitModesChooseThePixelShaderByTheMaterialsMaps) {
  Material normalOnly, specular;
  MaterialInit(normalOnly);
  MaterialInit(specular);
  normalOnly.normalMap = Image(1, 1, {0xFF7F7FFEu});
  specular.specular = Image(1, 1, {kWhite});
  const std::tuple<uint32_t, Material*, uint32_t> cases[] = {
      {2, &specular, 2},   {2, &normalOnly, 3}, {2, &plain_, 4},  {7, &specular, 7},
      {7, &normalOnly, 9}, {7, &plain_, 8},     {5, &specular, 5}};
  for (auto [mode, material, pixelMode] : cases) {
    Draw(mode, HalvesMesh(material, material));
    EXPECT_EQ(ShaderBoundPixel, renderer().shaders.pixelShaders[pixelMode]->pixelShader)
        << mode << " " << pixelMode;
    EXPECT_EQ(ShaderBoundVertex, renderer().shaders.vertexShaders[mode]->vertexShader);
  }
}

TEST_F(RendererTest, RefractingMaterialsSampleTheScreenCopy) {
  TargetManagerSelect(targets(), device_.FrameTargetC, 0);
  Fill(0xFF3060C0u);
  TargetManagerSelect(targets(), nullptr, 0);
  Material glass;
  MaterialInit(glass);
  glass.refraction = 1;
  glass.distortionScale = 0.0f;
  Draw(13, HalvesMesh(&glass, &glass));
  EXPECT_EQ(Left(), 0xFF3060C0u);
  EXPECT_EQ(Right(), 0xFF3060C0u);
}

}  // namespace
}  // namespace rendertest
