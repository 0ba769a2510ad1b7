// Drawing with translated shaders: constants reach each program once they change, samplers
// read their stage (an empty stage opaque black), pre-transformed vertices under a bound vertex
// shader.

#include "tests/support/device_fixture.h"

namespace {

using testsupport::ClipVertex;

constexpr uint32_t kBlack = 0xFF000000, kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF;

// vs_1_1: dcl_position v0; mov oPos, v0; mov oD0, c<n>.
std::vector<DWORD> ConstantColourShader(DWORD n) {
  return {0xFFFE0101, 0x0000001F, 0x80000000, 0x900F0000,     0x00000001, 0xC00F0000,
          0x90E40000, 0x00000001, 0xD00F0000, 0xA0E40000 | n, 0x0000FFFF};
}

class D3D9Shader : public testsupport::DeviceTest {
 protected:
  IDirect3DVertexShader9* VertexShader(const DWORD* tokens) {
    IDirect3DVertexShader9* vs = nullptr;
    EXPECT_EQ(device_->CreateVertexShader(tokens, &vs), D3D_OK);
    owned_.push_back(vs);
    return vs;
  }
  IDirect3DPixelShader9* PixelShader(const DWORD* tokens) {
    IDirect3DPixelShader9* ps = nullptr;
    EXPECT_EQ(device_->CreatePixelShader(tokens, &ps), D3D_OK);
    owned_.push_back(ps);
    return ps;
  }
  // A quad over columns [x1, x2) of the whole height, through `vs` and `ps`.
  void DrawBand(IDirect3DVertexShader9* vs, IDirect3DPixelShader9* ps, int x1, int x2) {
    const float l = x1 / 32.0f - 1.0f, r = x2 / 32.0f - 1.0f;
    const ClipVertex quad[6] = {{l, 1, 0.5f, 0}, {r, 1, 0.5f, 0},  {l, -1, 0.5f, 0},
                                {r, 1, 0.5f, 0}, {r, -1, 0.5f, 0}, {l, -1, 0.5f, 0}};
    device_->SetVertexDeclaration(clipLayout_);
    device_->SetVertexShader(vs);
    device_->SetPixelShader(ps);
    ASSERT_EQ(device_->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, quad, sizeof(ClipVertex)), D3D_OK);
  }
  void SetConstant(UINT reg, float r, float g, float b) {
    const float value[4] = {r, g, b, 1};
    ASSERT_EQ(device_->SetVertexShaderConstantF(reg, value, 1), D3D_OK);
  }
};

TEST_F(D3D9Shader, ConstantsReachEveryProgramAfterTheyChange) {
  IDirect3DVertexShader9* first = VertexShader(ConstantColourShader(0).data());
  IDirect3DVertexShader9* second = VertexShader(ConstantColourShader(1).data());
  Clear(kBlack);
  SetConstant(0, 1, 0, 0);
  SetConstant(1, 0, 0, 1);
  DrawBand(first, colourPs_, 0, 16);    // red from c0
  DrawBand(second, colourPs_, 16, 32);  // blue from c1
  SetConstant(0, 0, 1, 0);
  DrawBand(second, colourPs_, 32, 48);  // c1 unchanged: still blue
  DrawBand(first, colourPs_, 48, 64);   // the first program sees the new c0
  ExpectPixels({{8, 30, kRed}, {24, 30, kBlue}, {40, 30, kBlue}, {56, 30, kGreen}});
}

// The creation calls get no length: the stream is walked by instructions, so a def constant
// whose bits equal the end token does not end it early.
TEST_F(D3D9Shader, DefConstantWithEndTokenBitsDoesNotCutTheStream) {
  // ps_1_1: def c0, (end-token bits), 1, 0, 1; def c1, 0, 1, 0, 1; mov r0, c1.
  const DWORD stream[] = {0xFFFF0101, 0x00000051, 0xA00F0000, 0x0000FFFF, 0x3F800000, 0x00000000,
                          0x3F800000, 0x00000051, 0xA00F0001, 0x00000000, 0x3F800000, 0x00000000,
                          0x3F800000, 0x00000001, 0x800F0000, 0xA0E40001, 0x0000FFFF};
  Clear(kBlack);
  DrawBand(VertexShader(ConstantColourShader(0).data()), PixelShader(stream), 0, 64);
  ExpectPixels({{32, 32, kGreen}});
}

TEST_F(D3D9Shader, PixelShaderSamplesItsStageAndAnEmptyStageReadsOpaqueBlack) {
  // vs_1_1: dcl_position v0; dcl_texcoord v1; mov oPos, v0; mov oT0, v1.
  const DWORD texcoordVs[] = {0xFFFE0101, 0x0000001F, 0x80000000, 0x900F0000, 0x0000001F,
                              0x80000005, 0x900F0001, 0x00000001, 0xC00F0000, 0x90E40000,
                              0x00000001, 0xE00F0000, 0x90E40001, 0x0000FFFF};
  // ps_2_0: dcl t0.xy; dcl_2d s0; texld r0, t0, s0; mov oC0, r0.
  DWORD samplePs[] = {0xFFFF0200, 0x0200001F, 0x80000000, 0xB0030000, 0x0200001F,
                      0x90000000, 0xA00F0800, 0x03000042, 0x800F0000, 0xB0E40000,
                      0xA0E40800, 0x02000001, 0x800F0800, 0x80E40000, 0x0000FFFF};
  const D3DVERTEXELEMENT9 elements[] = {{0, 0, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_POSITION, 0},
                                        {0, 12, D3DDECLTYPE_FLOAT2, 0, D3DDECLUSAGE_TEXCOORD, 0},
                                        D3DDECL_END()};
  IDirect3DVertexDeclaration9* layout = nullptr;
  ASSERT_EQ(device_->CreateVertexDeclaration(elements, &layout), D3D_OK);
  owned_.push_back(layout);
  Clear(kBlue);
  device_->SetVertexDeclaration(layout);
  device_->SetVertexShader(VertexShader(texcoordVs));
  device_->SetTexture(0, Texture({kRed, kGreen}, 2, 1));
  const auto drawHalf = [&](float left, DWORD sampler) {  // sampler: the declaration of s0
    const float quad[4][5] = {{left, 1, 0.5f, 0, 0},
                              {left + 1, 1, 0.5f, 1, 0},
                              {left, -1, 0.5f, 0, 1},
                              {left + 1, -1, 0.5f, 1, 1}};
    samplePs[5] = sampler;
    device_->SetPixelShader(PixelShader(samplePs));
    ASSERT_EQ(device_->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof quad[0]), D3D_OK);
  };
  drawHalf(-1.0f, 0x90000000);  // the left half textured
  ExpectPixels({{4, 30, kRed}, {28, 30, kGreen}});
  device_->SetTexture(0, nullptr);
  for (DWORD sampler : {0x90000000u, 0x98000000u, 0xA0000000u}) {  // 2D, cube, volume
    drawHalf(0.0f, sampler);
    ExpectPixels({{40, 30, kBlack}});
    Clear(kBlue);
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
