// Shader modes on the Direct3D stand-in: creation from the table, mode changes, refused
// shaders, and drawing with a mode's constants.

#include <vector>

#include "render/shader_device.h"
#include "render/shader_mode.h"

namespace {

class ShaderModes : public ShaderDeviceTest {
 protected:
  void TearDown() override {
    if (created_) RendererFreeShaders(shaders_);
    ShaderDeviceTest::TearDown();
  }
  void Create(const ShaderTableEntry* table = ShaderTable) {
    RendererCreateShaders(shaders_, device_, table);
    created_ = true;
  }
  RendererShaders shaders_{};
  bool created_ = false;
};

TEST_F(ShaderModes, EveryModeGetsItsShadersAndFreeingReleasesThem) {
  const int live = d3d9test::LiveObjects();
  Create();
  EXPECT_TRUE(TestCapturedMessageBoxes().empty());
  for (uint32_t mode = 0; mode < kShaderModeCount; ++mode) {
    EXPECT_NE(shaders_.vertexShaders[mode]->vertexShader, nullptr) << mode;
    EXPECT_NE(shaders_.vertexShaders[mode]->declaration, nullptr) << mode;
    EXPECT_NE(shaders_.pixelShaders[mode]->pixelShader, nullptr) << mode;
  }
  RendererFreeShaders(shaders_);
  created_ = false;
  EXPECT_EQ(d3d9test::LiveObjects(), live);
}

// Modes above 14 are ignored; a reset binds mode 0's shaders, also after the bound-shader
// memory was forgotten (as after a device reset).
TEST_F(ShaderModes, ModesAbove14AreIgnoredAndResetBindsModeZero) {
  Create();
  for (uint32_t mode : {9u, 15u, 0xFFFFFFFFu}) RendererSetShaderMode(shaders_, mode);
  EXPECT_EQ(shaders_.currentMode, 9u);
  RendererSetShaderMode(shaders_, 14);
  ShaderForgetBound();
  RendererResetShaderMode(shaders_);
  EXPECT_EQ(shaders_.currentMode, 0u);
  EXPECT_EQ(ShaderBoundVertex, shaders_.vertexShaders[0]->vertexShader);
  EXPECT_EQ(ShaderBoundPixel, shaders_.pixelShaders[0]->pixelShader);
}

TEST_F(ShaderModes, RefusedShadersShowOneMessageBoxEachAndStartUpGoesOn) {
  // A pixel stream the translator refuses (unknown opcode), used by two modes.
  alignas(16) static const uint32_t kBroken[] = {0xFFFF0200, 0x02000099, 0x800F0800, 0x80E40000,
                                                 0x0000FFFF};
  std::vector<ShaderTableEntry> table(ShaderTable, ShaderTable + 31);
  table[1] = {0, 2, kBroken, sizeof kBroken, 0};
  table[3] = {1, 2, kBroken, sizeof kBroken, 0};
  Create(table.data());
  const std::vector<TestMessageBox> boxes = TestCapturedMessageBoxes();
  ASSERT_EQ(boxes.size(), 2u);
  for (const TestMessageBox& box : boxes) {
    EXPECT_EQ(box.text, "Could not create a shader");
    EXPECT_EQ(box.caption, "Halvex Shader Error!");
    EXPECT_EQ(box.type, MB_ICONINFORMATION);
  }
  EXPECT_EQ(shaders_.pixelShaders[0]->pixelShader, nullptr);
  EXPECT_EQ(shaders_.pixelShaders[1]->pixelShader, nullptr);
  for (uint32_t mode = 2; mode < kShaderModeCount; ++mode)
    EXPECT_NE(shaders_.pixelShaders[mode]->pixelShader, nullptr) << mode;
  // A mode whose shader failed binds null.
  ShaderBind(*shaders_.pixelShaders[2]);
  ShaderBind(*shaders_.pixelShaders[0]);
  EXPECT_EQ(ShaderBoundPixel, nullptr);
}

TEST_F(ShaderModes, DeviceFailureOfOneCreationShowsOneMessageBox) {
  d3d9test::FailCall("CreateVertexShader", D3DERR_INVALIDCALL, 1, 4);
  Create();
  EXPECT_EQ(TestCapturedMessageBoxes().size(), 1u);
  EXPECT_EQ(shaders_.vertexShaders[3]->vertexShader, nullptr);  // the fifth vertex entry
  EXPECT_NE(shaders_.vertexShaders[3]->declaration, nullptr);
  EXPECT_NE(shaders_.vertexShaders[4]->vertexShader, nullptr);
}

// Mode 12 through the stand-in: c0-c3 from a matrix (rows in memory order) place the quad
// in the top-right quarter; pixel c0 from an alpha-first colour tints it.
TEST_F(ShaderModes, ScreenQuadModeDrawsWithMatrixAndColourConstants) {
  Create();
  RendererSetShaderMode(shaders_, 12);
  Shader& vs = *shaders_.vertexShaders[12];
  Shader& ps = *shaders_.pixelShaders[12];
  ShaderApplyDeclaration(vs);
  ShaderBind(vs);
  ShaderBind(ps);
  const Matrix wvp = {{0.5f, 0, 0, 0.5f, 0, 0.5f, 0, 0.5f, 0, 0, 1, 0, 0, 0, 0, 1}};
  ShaderSetMatrix(vs, 0, wvp);
  const float colour[4] = {1.0f, 0.5f, 0.25f, 2.0f};  // alpha, red, green, blue
  ShaderSetColour(colour, ps, 0);
  ModelVertex corner{};
  corner.colour = 0xFF80FF40;
  device_->SetTexture(0, Texture({0xFFFFFFFF}));  // as the renderer binds its white image
  const std::vector<uint32_t> image = DrawFullTarget(corner);
  // sat(white * (0.5, 0.25, 2, 1)) * (0x80, 0xFF, 0x40, 0xFF).
  const uint32_t drawn = 0xFF404040, black = 0xFF000000;
  testsupport::ExpectPixels(image, kSize,
                            {{48, 16, drawn},
                             {32, 0, drawn},
                             {63, 31, drawn},
                             {16, 16, black},
                             {48, 48, black},
                             {63, 32, black},
                             {31, 0, black}},
                            1);
}

}  // namespace
