// Meshes drawn by the renderer: run textures and defaults, the fog pass, the alternate light
// constants. Which pixel shader a lit mode takes for a material is held by the production frames.
#include <utility>

#include "math/byte_buffer.h"
#include "mesh/material.h"
#include "mesh/mesh.h"
#include "tests/support/render_fixture.h"

namespace rendertest {
namespace {

// Identity world, view and projection: the mesh's positions are clip coordinates.
class RendererTest : public RenderTest {
 protected:
  void SetUp() override {
    RenderTest::SetUp();
    if (IsSkipped()) return;
    MaterialInit(plain_);
    red_ = plain_;
    red_.diffuse = Image(1, 1, {kRed});
    TransformStateSetOrtho2D(transform(), 2.0, 2.0);  // identity view and projection
    TransformStateLoadIdentity(transform());
    DeviceDisable(device_, kSwitchDepthTest);
    DeviceDisable(device_, kSwitchCulling);
  }
  // Draws the mesh in `mode` over opaque black; returns a pixel of the left and the right half.
  std::pair<uint32_t, uint32_t> Draw(uint32_t mode, Mesh* mesh, uint8_t alternate = 0,
                                     Material* override = nullptr) {
    Fill(0xFF000000u);
    RendererSetShaderMode(renderer().shaders, mode);
    RendererDrawMesh(renderer(), *mesh, alternate, override);
    return {BackPixel(10, 32), BackPixel(50, 32)};
  }

  Material plain_, red_;
};

// Runs draw with their own textures (the white image without one), an override replaces every
// run's material, a run without a material draws with a new material's values, a mesh without
// runs draws nothing. A refracting material samples the screen copy (target C).
TEST_F(RendererTest, RunsDrawWithTheirOwnTexturesOrTheDefaults) {
  Mesh* mesh = HalvesMesh(&red_, &plain_);
  EXPECT_EQ(Draw(1, mesh), std::pair(kRed, kWhite));
  EXPECT_EQ(Draw(1, mesh, 0, &red_), std::pair(kRed, kRed));
  Mesh* absent = HalvesMesh(&red_, nullptr);
  EXPECT_EQ(Draw(1, absent).second, kWhite);
  ByteBufferFree(absent->runs);
  EXPECT_EQ(Draw(1, absent).first, 0xFF000000u);

  TargetManagerSelect(targets(), device_.FrameTargetC, 0);
  Fill(0xFF3060C0u);
  TargetManagerSelect(targets(), nullptr, 0);
  Material glass = plain_;
  glass.refraction = 1;
  glass.distortionScale = 0.0f;
  EXPECT_EQ(Draw(13, HalvesMesh(&glass, &glass)).first, 0xFF3060C0u);
}

// Clip z 0.5 halfway between fog start and end: the fog colour at alpha one half. Mode 10
// looks its texture up at (normal . c8, normal . c9), rows the fog colour must leave alone;
// c0 is the light's ambient colour with the alternate flag, the (black) diffuse without.
TEST_F(RendererTest, FogReachesItsPassAndLeavesTheInverseTransposedRows) {
  DeviceSetFog(device_, 0xFF102030u, 0.25f, 0.75f);
  const uint32_t fogged = Draw(14, HalvesMesh(&plain_, &plain_)).second;
  EXPECT_TRUE(testsupport::Near(fogged, 0x00102030u | uint32_t(Byte(0.5)) << 24));
  Material quadrants = plain_;
  quadrants.diffuse = Image(2, 2, {kRed, kGreen, kBlue, 0xFFFFFF00u});
  Mesh* mesh = HalvesMesh(&quadrants, &quadrants, Vec3{0.75f, 0.25f, 0.0f});
  RendererLight light{};
  light.range = 10.0f;
  for (float& c : light.ambient) c = 1.0f;
  RendererSetLight(renderer(), light);
  EXPECT_EQ(Draw(10, mesh, 1).first, kGreen);  // (0.75, 0.25): the top-right texel
  EXPECT_EQ(Draw(10, mesh, 0).first & 0x00FFFFFFu, 0u);
}

}  // namespace
}  // namespace rendertest
