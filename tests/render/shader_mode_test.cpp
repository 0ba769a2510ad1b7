// Shaders and shader modes on the Direct3D stand-in: creation from the table, the bound
// cache, mode changes, failures, constants, and drawing with a mode.

#include <cstring>

#include "render/shader_device.h"
#include "render/shader_mode.h"

namespace {

std::string Object(const void* object) {
  return "#" + std::to_string(static_cast<const D3D9Object*>(object)->serial);
}

class ShaderModes : public ShaderDeviceTest {
 protected:
  void SetUp() override {
    ShaderDeviceTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    liveBefore_ = d3d9test::LiveObjects();
  }
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
  int liveBefore_ = 0;
};

TEST_F(ShaderModes, CreatesEveryModeFromTheTableInItsOrder) {
  d3d9test::SetTrace(true);
  Create();
  std::vector<std::string> creates;
  for (const std::string& line : d3d9test::Trace())
    if (line.rfind("Create", 0) == 0) creates.push_back(line.substr(0, line.find('(')));
  std::vector<std::string> expected;
  for (int i = 0; i < 15; ++i)
    expected.insert(expected.end(),
                    {"CreateVertexShader", "CreateVertexDeclaration", "CreatePixelShader"});
  EXPECT_EQ(creates, expected);
  EXPECT_TRUE(TestCapturedMessageBoxes().empty());
  EXPECT_EQ(shaders_.currentMode, 0u);
  for (uint32_t mode = 0; mode < kShaderModeCount; ++mode) {
    const Shader& v = *shaders_.vertexShaders[mode];
    const Shader& p = *shaders_.pixelShaders[mode];
    EXPECT_EQ(v.kind, 1u);
    EXPECT_EQ(p.kind, 2u);
    ASSERT_NE(v.vertexShader, nullptr);
    ASSERT_NE(v.declaration, nullptr);
    ASSERT_NE(p.pixelShader, nullptr);
    EXPECT_EQ(v.pixelShader, nullptr);
    EXPECT_EQ(p.vertexShader, nullptr);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(v.tokens) % 16, 0u);
    // Every mode owns its own objects, even where modes share a program.
    for (uint32_t other = 0; other < mode; ++other) {
      EXPECT_NE(v.vertexShader, shaders_.vertexShaders[other]->vertexShader);
      EXPECT_NE(v.declaration, shaders_.vertexShaders[other]->declaration);
      EXPECT_NE(p.pixelShader, shaders_.pixelShaders[other]->pixelShader);
      EXPECT_NE(v.tokens, shaders_.vertexShaders[other]->tokens);
    }
  }
  // The copies hold the table's streams (modes 2 and 3 share V4).
  const ShaderTableEntry& v4 = ShaderTable[4];
  ASSERT_EQ(v4.mode, 2u);
  EXPECT_EQ(0, std::memcmp(shaders_.vertexShaders[3]->tokens, v4.tokens, v4.size));
  RendererFreeShaders(shaders_);
  created_ = false;
  EXPECT_EQ(d3d9test::LiveObjects(), liveBefore_);
}

TEST_F(ShaderModes, BindSkipsTheBoundShaderAndUnbindSkipsWhenNothingIsBound) {
  Create();
  d3d9test::SetTrace(true);
  Shader& vs2 = *shaders_.vertexShaders[2];
  Shader& vs3 = *shaders_.vertexShaders[3];
  Shader& ps5 = *shaders_.pixelShaders[5];
  ShaderUnbind(ps5);  // nothing bound: no call
  ShaderBind(vs2);
  ShaderBind(vs3);  // same stream, other object: a second call
  ShaderBind(vs3);  // already bound: none
  ShaderBind(ps5);
  ShaderBind(ps5);
  ShaderUnbind(ps5);
  ShaderUnbind(ps5);
  ShaderUnbind(vs2);  // unbinds whatever vertex shader is bound
  EXPECT_EQ(d3d9test::TraceOf("SetVertexShader"),
            (std::vector<std::string>{"SetVertexShader(" + Object(vs2.vertexShader) + ")",
                                      "SetVertexShader(" + Object(vs3.vertexShader) + ")",
                                      "SetVertexShader(null)"}));
  EXPECT_EQ(d3d9test::TraceOf("SetPixelShader"),
            (std::vector<std::string>{"SetPixelShader(" + Object(ps5.pixelShader) + ")",
                                      "SetPixelShader(null)"}));
  // After a device reset the cache is emptied, so the next bind reaches the device again.
  ShaderBind(vs2);
  ShaderForgetBound();
  d3d9test::ClearTrace();
  ShaderBind(vs2);
  EXPECT_EQ(d3d9test::TraceOf("SetVertexShader").size(), 1u);
}

TEST_F(ShaderModes, ModeChangesIgnoreModesAbove14AndResetBindsModeZero) {
  Create();
  RendererSetShaderMode(shaders_, 9);
  RendererSetShaderMode(shaders_, 15);
  EXPECT_EQ(shaders_.currentMode, 9u);
  RendererSetShaderMode(shaders_, 0xFFFFFFFFu);
  EXPECT_EQ(shaders_.currentMode, 9u);
  RendererSetShaderMode(shaders_, 14);
  EXPECT_EQ(shaders_.currentMode, 14u);
  d3d9test::SetTrace(true);
  RendererResetShaderMode(shaders_);
  EXPECT_EQ(shaders_.currentMode, 0u);
  const Shader& vs = *shaders_.vertexShaders[0];
  EXPECT_EQ(d3d9test::Trace(),
            (std::vector<std::string>{
                "SetVertexDeclaration(" + Object(vs.declaration) + ")",
                "SetVertexShader(" + Object(vs.vertexShader) + ")",
                "SetPixelShader(" + Object(shaders_.pixelShaders[0]->pixelShader) + ")"}));
  d3d9test::ClearTrace();
  RendererResetShaderMode(shaders_);  // the declaration is set again, the shaders are not
  EXPECT_EQ(d3d9test::Trace().size(), 1u);
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
  d3d9test::SetTrace(true);
  ShaderBind(*shaders_.pixelShaders[2]);
  ShaderBind(*shaders_.pixelShaders[0]);
  EXPECT_EQ(d3d9test::TraceOf("SetPixelShader").back(), "SetPixelShader(null)");
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
  ASSERT_EQ(image.size(), static_cast<size_t>(kSize * kSize));
  // sat(white * (0.5, 0.25, 2, 1)) * (0x80, 0xFF, 0x40, 0xFF).
  const uint32_t drawn = image[16 * kSize + 48];
  EXPECT_NEAR((drawn >> 16) & 0xFF, 64, 1);
  EXPECT_NEAR((drawn >> 8) & 0xFF, 64, 1);
  EXPECT_NEAR(drawn & 0xFF, 64, 1);
  EXPECT_EQ(drawn >> 24, 0xFFu);
  EXPECT_EQ(image[16 * kSize + 16], 0xFF000000u);  // top-left quarter untouched
  EXPECT_EQ(image[48 * kSize + 48], 0xFF000000u);  // bottom-right quarter untouched
  EXPECT_EQ(image[0 * kSize + 32], drawn);         // the quarter's corners
  EXPECT_EQ(image[31 * kSize + 63], drawn);
  EXPECT_EQ(image[32 * kSize + 63], 0xFF000000u);
  EXPECT_EQ(image[0 * kSize + 31], 0xFF000000u);
}

// The kind of the Shader chooses vertex or pixel constants; the register is the caller's.
TEST_F(ShaderModes, ConstantsGoToTheRegistersOfTheShadersKind) {
  Create();
  d3d9test::SetTrace(true);
  Shader& vs = *shaders_.vertexShaders[5];
  Shader& ps = *shaders_.pixelShaders[9];
  ShaderSetRegister4(Vec4{1, 2, 3, 4}, vs);
  Matrix m;
  MatrixSetIdentity(m);
  ShaderSetMatrix(vs, 12, m);
  ShaderSetFloat4(ps, 2, 8, 1, 1, 1);
  const float colour[4] = {1, 0, 0, 0};
  ShaderSetColour(colour, vs, 16);
  EXPECT_EQ(d3d9test::Trace(),
            (std::vector<std::string>{
                "SetVertexShaderConstantF(4, ptr, 1)", "SetVertexShaderConstantF(12, ptr, 4)",
                "SetPixelShaderConstantF(2, ptr, 1)", "SetVertexShaderConstantF(16, ptr, 1)"}));
}

}  // namespace
