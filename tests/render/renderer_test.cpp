#include "render/renderer.h"

#include <gtest/gtest.h>

#include "math/byte_buffer.h"
#include "mesh/material.h"
#include "mesh/mesh.h"
#include "tests/support/render_fixture.h"

namespace rendertest {
namespace {

class RendererTest : public RenderTest {
 protected:
  void SetUp() override {
    RenderTest::SetUp();
    if (IsSkipped()) return;
    MaterialInit(plain_);
    MaterialInit(red_);
    red_.diffuse = Image(1, 1, {kRed});
    // Identity world, view and projection: the mesh's positions are clip coordinates.
    MatrixInit(*transform().projection);
    MatrixInit(*transform().view);
    TransformStateLoadIdentity(transform());
    DeviceDisable(device_, 3);
    DeviceDisable(device_, 6);
    Fill(0xFF000000u);
  }
  void Draw(uint32_t mode, Mesh* mesh, uint8_t alternate = 0, Material* override = nullptr) {
    RendererSetShaderMode(renderer().shaders, mode);
    RendererDrawMesh(renderer(), *mesh, alternate, override);
  }
  uint32_t Left() { return BackPixel(10, 32); }
  uint32_t Right() { return BackPixel(50, 32); }

  Material plain_;
  Material red_;
};

TEST_F(RendererTest, RunsDrawWithTheirOwnTexturesOrTheDefaults) {
  Mesh* mesh = HalvesMesh(&red_, &plain_);
  Draw(1, mesh);
  EXPECT_EQ(Left(), kRed);
  EXPECT_EQ(Right(), 0xFFFFFFFFu);  // no diffuse texture: the white image

  Fill(0xFF000000u);
  Draw(1, mesh, 0, &red_);  // the override replaces both runs' materials
  EXPECT_EQ(Right(), kRed);

  // A run without a material draws with a new material's values.
  Mesh* absent = HalvesMesh(&red_, nullptr);
  Fill(0xFF000000u);
  Draw(1, absent);
  EXPECT_EQ(Right(), 0xFFFFFFFFu);

  // A mesh without runs draws nothing.
  ByteBufferFree(absent->runs);
  Fill(0xFF000000u);
  Draw(1, absent);
  EXPECT_EQ(Left(), 0xFF000000u);
}

TEST_F(RendererTest, FogColourAndRangeReachTheFogPass) {
  Mesh* mesh = HalvesMesh(&plain_, &plain_);
  DeviceSetFog(device_, 0xFF336699u, 0.0f, 1.0f);
  Draw(14, mesh);
  // Clip z 0.5 between fog start 0 and end 1: alpha one half.
  uint32_t pixel = Left();
  EXPECT_EQ(pixel & 0x00FFFFFFu, 0x00336699u);
  EXPECT_NEAR(Channel(pixel, 3), Byte(0.5), 1);

  DeviceSetFog(device_, 0xFF102030u, 0.25f, 0.75f);
  Draw(14, mesh);
  EXPECT_EQ(Right() & 0x00FFFFFFu, 0x00102030u);
  EXPECT_NEAR(Channel(Right(), 3), Byte(0.5), 1);
}

TEST_F(RendererTest, InverseTransposedRowsSurviveTheFogColour) {
  // Mode 10 looks its texture up at (normal . c8, normal . c9); c0 is the light's ambient
  // colour with the alternate flag.
  Material quadrants;
  MaterialInit(quadrants);
  quadrants.diffuse = Image(2, 2, {kRed, kGreen, kBlue, kYellow});
  Mesh* mesh = HalvesMesh(&quadrants, &quadrants, Vec3{0.75f, 0.25f, 0.0f});
  DeviceSetFog(device_, 0xFF000000u, 0.0f, 1.0f);
  RendererLight light{};
  light.range = 10.0f;
  for (float& c : light.ambient) c = 1.0f;
  RendererSetLight(renderer(), light);
  Draw(10, mesh, 1);
  EXPECT_EQ(Left(), kGreen);  // (0.75, 0.25): the top-right texel
  // Without the flag the (black) diffuse colour is used.
  Draw(10, mesh, 0);
  EXPECT_EQ(Left() & 0x00FFFFFFu, 0u);
}

TEST_F(RendererTest, LitModesChooseThePixelShaderByTheMaterialsMaps) {
  Material normalOnly;
  MaterialInit(normalOnly);
  normalOnly.normalMap = Image(1, 1, {0xFF7F7FFEu});
  Material specular;
  MaterialInit(specular);
  specular.specular = Image(1, 1, {0xFFFFFFFFu});
  struct Case {
    uint32_t mode;
    Material* material;
    uint32_t pixelMode;
  };
  const Case cases[] = {{2, &specular, 2}, {2, &normalOnly, 3}, {2, &plain_, 4},
                        {7, &specular, 7}, {7, &normalOnly, 9}, {7, &plain_, 8},
                        {5, &specular, 5}};
  for (const Case& c : cases) {
    Mesh* mesh = HalvesMesh(c.material, c.material);
    Draw(c.mode, mesh);
    EXPECT_EQ(ShaderBoundPixel, renderer().shaders.pixelShaders[c.pixelMode]->pixelShader)
        << c.mode << " " << c.pixelMode;
    EXPECT_EQ(ShaderBoundVertex, renderer().shaders.vertexShaders[c.mode]->vertexShader);
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
  Mesh* mesh = HalvesMesh(&glass, &glass);
  Draw(13, mesh);
  EXPECT_EQ(Left(), 0xFF3060C0u);
  EXPECT_EQ(Right(), 0xFF3060C0u);
}

}  // namespace
}  // namespace rendertest
