// Drawing with translated shaders: constants reach each program once they change, samplers
// read their stage (an empty stage white), the stage-0 coordinate set of the default pixel
// program, and pre-transformed vertices under a bound vertex shader.
#include <cstring>

#include "d3d9_test_support.h"

namespace {

using d3d9support::ClipVertex;
using d3d9support::kSize;

// vs_1_1: dcl_position v0; mov oPos, v0; mov oD0, c<n>.
std::vector<DWORD> ConstantColourShader(DWORD n) {
  return {0xFFFE0101, 0x0000001F, 0x80000000, 0x900F0000,     0x00000001, 0xC00F0000,
          0x90E40000, 0x00000001, 0xD00F0000, 0xA0E40000 | n, 0x0000FFFF};
}

// vs_1_1: dcl_position v0; dcl_texcoord v1; mov oPos, v0; mov oT0, v1.
const DWORD kTexcoordVertexShader[] = {0xFFFE0101, 0x0000001F, 0x80000000, 0x900F0000, 0x0000001F,
                                       0x80000005, 0x900F0001, 0x00000001, 0xC00F0000, 0x90E40000,
                                       0x00000001, 0xE00F0000, 0x90E40001, 0x0000FFFF};
// ps_2_0: dcl t0.xy; dcl_2d s0; texld r0, t0, s0; mov oC0, r0.
const DWORD kSamplePixelShader[] = {0xFFFF0200, 0x0200001F, 0x80000000, 0xB0030000, 0x0200001F,
                                    0x90000000, 0xA00F0800, 0x03000042, 0x800F0000, 0xB0E40000,
                                    0xA0E40800, 0x02000001, 0x800F0800, 0x80E40000, 0x0000FFFF};

struct TexturedVertex {
  float x, y, z, u, v;
};
const D3DVERTEXELEMENT9 kTexturedLayout[] = {
    {0, 0, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_POSITION, 0},
    {0, 12, D3DDECLTYPE_FLOAT2, 0, D3DDECLUSAGE_TEXCOORD, 0},
    D3DDECL_END()};

class D3D9Shader : public d3d9support::DeviceTest {
 protected:
  // A quad over columns [x1, x2) of the whole height, in clip space.
  std::vector<ClipVertex> Band(int x1, int x2) {
    const float l = x1 / 32.0f - 1.0f, r = x2 / 32.0f - 1.0f;
    return {{l, 1, 0.5f, 0}, {r, 1, 0.5f, 0},  {l, -1, 0.5f, 0},
            {r, 1, 0.5f, 0}, {r, -1, 0.5f, 0}, {l, -1, 0.5f, 0}};
  }
  void DrawWith(IDirect3DVertexShader9* vs, const std::vector<ClipVertex>& vertices) {
    device_->SetVertexDeclaration(clipLayout_);
    device_->SetVertexShader(vs);
    device_->SetPixelShader(colourPs_);
    ASSERT_EQ(device_->DrawPrimitiveUP(D3DPT_TRIANGLELIST, vertices.size() / 3, vertices.data(),
                                       sizeof(ClipVertex)),
              D3D_OK);
  }
  void SetConstant(UINT reg, float r, float g, float b, float a) {
    const float value[4] = {r, g, b, a};
    ASSERT_EQ(device_->SetVertexShaderConstantF(reg, value, 1), D3D_OK);
  }
};

TEST_F(D3D9Shader, ConstantsReachEveryProgramAfterTheyChange) {
  IDirect3DVertexShader9 *first = nullptr, *second = nullptr;
  ASSERT_EQ(device_->CreateVertexShader(ConstantColourShader(0).data(), &first), D3D_OK);
  ASSERT_EQ(device_->CreateVertexShader(ConstantColourShader(1).data(), &second), D3D_OK);
  device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
  SetConstant(0, 1, 0, 0, 1);
  SetConstant(1, 0, 0, 1, 1);
  DrawWith(first, Band(0, 16));    // red from c0
  DrawWith(second, Band(16, 32));  // blue from c1
  SetConstant(0, 0, 1, 0, 1);
  DrawWith(second, Band(32, 48));  // c1 unchanged: still blue
  DrawWith(first, Band(48, 64));   // the first program sees the new c0
  const std::vector<uint32_t> image = d3d9test::ReadBackBuffer(device_);
  EXPECT_EQ(Pixel(image, 8, 30), 0xFFFF0000u);
  EXPECT_EQ(Pixel(image, 24, 30), 0xFF0000FFu);
  EXPECT_EQ(Pixel(image, 40, 30), 0xFF0000FFu);
  EXPECT_EQ(Pixel(image, 56, 30), 0xFF00FF00u);
  device_->SetVertexShader(nullptr);
  device_->SetPixelShader(nullptr);
  first->Release();
  second->Release();
}

TEST_F(D3D9Shader, PixelShaderSamplesItsStageAndAnEmptyStageReadsWhite) {
  IDirect3DVertexShader9* vs = nullptr;
  IDirect3DPixelShader9* ps = nullptr;
  IDirect3DVertexDeclaration9* layout = nullptr;
  ASSERT_EQ(device_->CreateVertexShader(kTexcoordVertexShader, &vs), D3D_OK);
  ASSERT_EQ(device_->CreatePixelShader(kSamplePixelShader, &ps), D3D_OK);
  ASSERT_EQ(device_->CreateVertexDeclaration(kTexturedLayout, &layout), D3D_OK);
  IDirect3DTexture9* texture = MakeTexture(2, 1, {0xFFFF0000, 0xFF00FF00});
  const TexturedVertex left[4] = {
      {-1, 1, 0.5f, 0, 0}, {0, 1, 0.5f, 1, 0}, {-1, -1, 0.5f, 0, 1}, {0, -1, 0.5f, 1, 1}};
  TexturedVertex right[4];
  std::memcpy(right, left, sizeof left);
  for (TexturedVertex& v : right) v.x += 1.0f;
  device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
  device_->SetVertexDeclaration(layout);
  device_->SetVertexShader(vs);
  device_->SetPixelShader(ps);
  device_->SetTexture(0, texture);
  ASSERT_EQ(device_->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, left, sizeof left[0]), D3D_OK);
  device_->SetTexture(0, nullptr);
  ASSERT_EQ(device_->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, right, sizeof right[0]), D3D_OK);
  const std::vector<uint32_t> image = d3d9test::ReadBackBuffer(device_);
  EXPECT_EQ(Pixel(image, 4, 30), 0xFFFF0000u);
  EXPECT_EQ(Pixel(image, 28, 30), 0xFF00FF00u);
  EXPECT_EQ(Pixel(image, 40, 30), 0xFFFFFFFFu);
  device_->SetVertexShader(nullptr);
  device_->SetPixelShader(nullptr);
  device_->SetVertexDeclaration(nullptr);
  texture->Release();
  layout->Release();
  ps->Release();
  vs->Release();
}

TEST_F(D3D9Shader, DefaultStageReadsTheCoordinateSetItsStageNames) {
  struct TwoSets {
    float x, y, z, rhw;
    float u0, v0, u1, v1;
  };
  const D3DVERTEXELEMENT9 layout[] = {{0, 0, D3DDECLTYPE_FLOAT4, 0, D3DDECLUSAGE_POSITIONT, 0},
                                      {0, 16, D3DDECLTYPE_FLOAT2, 0, D3DDECLUSAGE_TEXCOORD, 0},
                                      {0, 24, D3DDECLTYPE_FLOAT2, 0, D3DDECLUSAGE_TEXCOORD, 1},
                                      D3DDECL_END()};
  IDirect3DVertexDeclaration9* declaration = nullptr;
  ASSERT_EQ(device_->CreateVertexDeclaration(layout, &declaration), D3D_OK);
  IDirect3DTexture9* texture = MakeTexture(2, 1, {0xFFFF0000, 0xFF00FF00});
  // Set 0 points at the red texel, set 1 at the green one.
  const TwoSets quad[4] = {{-0.5f, -0.5f, 0.5f, 1, 0.25f, 0.5f, 0.75f, 0.5f},
                           {7.5f, -0.5f, 0.5f, 1, 0.25f, 0.5f, 0.75f, 0.5f},
                           {-0.5f, 7.5f, 0.5f, 1, 0.25f, 0.5f, 0.75f, 0.5f},
                           {7.5f, 7.5f, 0.5f, 1, 0.25f, 0.5f, 0.75f, 0.5f}};
  device_->SetVertexDeclaration(declaration);
  device_->SetTexture(0, texture);
  device_->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof quad[0]);
  EXPECT_EQ(Pixel(d3d9test::ReadBackBuffer(device_), 3, 3), 0xFFFF0000u);
  device_->SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, 1);
  device_->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof quad[0]);
  EXPECT_EQ(Pixel(d3d9test::ReadBackBuffer(device_), 3, 3), 0xFF00FF00u);
  device_->SetTexture(0, nullptr);
  device_->SetVertexDeclaration(nullptr);
  texture->Release();
  declaration->Release();
}

TEST_F(D3D9Shader, PreTransformedVerticesBypassTheBoundVertexShader) {
  // As at the end of a frame: the mode's shaders stay bound, the FVF says pre-transformed.
  device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
  device_->SetVertexShader(passVs_);
  device_->SetPixelShader(colourPs_);
  ASSERT_EQ(device_->SetFVF(D3DFVF_XYZRHW), D3D_OK);
  const float triangle[3][4] = {{-0.5f, -0.5f, 0, 1}, {-0.5f, 3.5f, 0, 1}, {3.5f, -0.5f, 0, 1}};
  ASSERT_EQ(device_->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, triangle, 16), D3D_OK);
  device_->SetFVF(0);
  const std::vector<uint32_t> image = d3d9test::ReadBackBuffer(device_);
  // The missing vertex colour reads white; only the corner triangle of pixels is touched.
  EXPECT_EQ(Pixel(image, 0, 0), 0xFFFFFFFFu);
  EXPECT_EQ(Pixel(image, 1, 1), 0xFFFFFFFFu);
  EXPECT_EQ(Pixel(image, 3, 3), 0xFF000000u);
  EXPECT_EQ(Pixel(image, 32, 32), 0xFF000000u);
  device_->SetVertexShader(nullptr);
  device_->SetPixelShader(nullptr);
}

}  // namespace
