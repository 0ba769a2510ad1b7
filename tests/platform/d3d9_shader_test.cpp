// Drawing with translated shaders: constants reach each program once they change, samplers
// read their stage (an empty stage opaque black), pre-transformed vertices under a bound vertex
// shader.

#include "tests/support/device_fixture.h"
#include "tools/shaderasm/shader_asm.h"

namespace {

constexpr uint32_t kBlack = 0xFF000000, kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF;

std::vector<DWORD> Assemble(const std::string& text) {
  std::vector<uint32_t> tokens;
  std::string error;
  EXPECT_TRUE(AssembleShader(text, tokens, error)) << error;
  return {tokens.begin(), tokens.end()};
}

class D3D9Shader : public testsupport::DeviceTest {
 protected:
  // vs_1_1 writing constant c<n> as the colour; released at tear-down.
  IDirect3DVertexShader9* ConstantColour(int n) {
    IDirect3DVertexShader9* vs = nullptr;
    const std::string text = "vs_1_1\ndcl_position v0\nmov oPos, v0\nmov oD0, c";
    EXPECT_EQ(device_->CreateVertexShader(Assemble(text + std::to_string(n)).data(), &vs), D3D_OK);
    owned_.push_back(vs);
    return vs;
  }
  // Binds a pixel shader of `tokens`; released at tear-down.
  void BindPixelShader(const std::vector<DWORD>& tokens) {
    IDirect3DPixelShader9* ps = nullptr;
    ASSERT_EQ(device_->CreatePixelShader(tokens.data(), &ps), D3D_OK);
    owned_.push_back(ps);
    device_->SetPixelShader(ps);
  }
  // A quad over columns [x1, x2) of the whole height through `vs`, coloured by its oD0.
  void DrawBand(IDirect3DVertexShader9* vs, int x1, int x2) {
    using testsupport::At;
    const testsupport::ClipVertex quad[4] = {At(x1, 0, 0), At(x2, 0, 0), At(x1, 64, 0),
                                             At(x2, 64, 0)};
    device_->SetVertexDeclaration(clipLayout_);
    device_->SetVertexShader(vs);
    device_->SetPixelShader(colourPs_);
    ASSERT_EQ(device_->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof quad[0]), D3D_OK);
  }
  void SetConstant(UINT reg, float r, float g, float b) {
    const float value[4] = {r, g, b, 1};
    ASSERT_EQ(device_->SetVertexShaderConstantF(reg, value, 1), D3D_OK);
  }
};

TEST_F(D3D9Shader, ConstantsReachEveryProgramAfterTheyChange) {
  IDirect3DVertexShader9 *first = ConstantColour(0), *second = ConstantColour(1);
  Clear(kBlack);
  SetConstant(0, 1, 0, 0);
  SetConstant(1, 0, 0, 1);
  DrawBand(first, 0, 16);    // red from c0
  DrawBand(second, 16, 32);  // blue from c1
  SetConstant(0, 0, 1, 0);
  DrawBand(second, 32, 48);  // c1 unchanged: still blue
  DrawBand(first, 48, 64);   // the first program sees the new c0
  ExpectPixels({{8, 30, kRed}, {24, 30, kBlue}, {40, 30, kBlue}, {56, 30, kGreen}});
}

// Pixel shaders under pre-transformed rectangles. The creation calls get no length: the stream
// is walked by instructions, so a def constant whose bits equal the end token does not end it.
TEST_F(D3D9Shader, DefConstantWithEndTokenBitsDoesNotCutTheStream) {
  // ps_1_1: def c0, (end-token bits), 1, 0, 1; def c1, 0, 1, 0, 1; mov r0, c1.
  BindPixelShader({0xFFFF0101, 0x00000051, 0xA00F0000, 0x0000FFFF, 0x3F800000, 0x00000000,
                   0x3F800000, 0x00000051, 0xA00F0001, 0x00000000, 0x3F800000, 0x00000000,
                   0x3F800000, 0x00000001, 0x800F0000, 0xA0E40001, 0x0000FFFF});
  Clear(kBlack);
  DrawRect(0, 0, 64, 64, kBlack);
  ExpectPixels({{32, 32, kGreen}});
}

TEST_F(D3D9Shader, PixelShaderSamplesItsStageAndAnEmptyStageReadsOpaqueBlack) {
  const auto sample = [&](const std::string& kind, float x1) {  // kind: the declaration of s0
    BindPixelShader(
        Assemble("ps_2_0\ndcl t0.xy\ndcl_" + kind + " s0\ntexld r0, t0, s0\nmov oC0, r0"));
    DrawRect(x1, 0, x1 + 32, 64, kBlue);
  };
  Clear(kBlue);
  device_->SetTexture(0, Texture({kRed, kGreen}, 2, 1));
  sample("2d", 0);  // the left half textured
  ExpectPixels({{4, 30, kRed}, {28, 30, kGreen}});
  device_->SetTexture(0, nullptr);
  for (const char* kind : {"2d", "cube", "volume"}) {
    Clear(kBlue);
    sample(kind, 32);
    ExpectPixels({{40, 30, kBlack}});
  }
}

TEST_F(D3D9Shader, PreTransformedVerticesBypassTheBoundVertexShader) {
  // As at the end of a frame: the mode's shaders stay bound, the FVF says pre-transformed.
  Clear(kBlack);
  device_->SetVertexShader(passVs_);
  device_->SetPixelShader(colourPs_);
  ASSERT_EQ(device_->SetFVF(D3DFVF_XYZRHW), D3D_OK);
  const float triangle[3][4] = {{-0.5f, -0.5f, 0, 1}, {-0.5f, 3.5f, 0, 1}, {3.5f, -0.5f, 0, 1}};
  ASSERT_EQ(device_->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, triangle, 16), D3D_OK);
  // The missing vertex colour reads white; only the corner triangle of pixels is touched.
  ExpectPixels({{0, 0, 0xFFFFFFFF}, {1, 1, 0xFFFFFFFF}, {3, 3, kBlack}, {32, 32, kBlack}});
}

}  // namespace
