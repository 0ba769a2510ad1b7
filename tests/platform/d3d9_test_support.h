#pragma once
// Shared set-up of the Direct3D stand-in tests: a 64 x 64 window with a device, and vertex
// layouts for pre-transformed and pass-through drawing.

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/d3d9.h"
#include "platform/sdl_window.h"
#include "platform/testing_d3d9.h"
#include "shell/device_startup.h"
#include "tests/support/d3d9_device.h"

namespace d3d9support {

constexpr int kSize = 64;

// Pixel position (centres at integers), depth, 1/w, colour, three texture coordinates.
struct ScreenVertex {
  float x, y, z, rhw;
  D3DCOLOR colour;
  float u, v, w;
};
inline const D3DVERTEXELEMENT9 kScreenLayout[] = {
    {0, 0, D3DDECLTYPE_FLOAT4, 0, D3DDECLUSAGE_POSITIONT, 0},
    {0, 16, D3DDECLTYPE_D3DCOLOR, 0, D3DDECLUSAGE_COLOR, 0},
    {0, 20, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_TEXCOORD, 0},
    D3DDECL_END()};

// Clip-space position and colour, for the shaders below.
struct ClipVertex {
  float x, y, z;
  D3DCOLOR colour;
};
inline const D3DVERTEXELEMENT9 kClipLayout[] = {
    {0, 0, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_POSITION, 0},
    {0, 12, D3DDECLTYPE_D3DCOLOR, 0, D3DDECLUSAGE_COLOR, 0},
    D3DDECL_END()};

// vs_1_1: dcl_position v0; dcl_color v1; mov oPos, v0; mov oD0, v1.
inline const DWORD kPassVertexShader[] = {
    0xFFFE0101, 0x0000001F, 0x80000000, 0x900F0000, 0x0000001F, 0x8000000A, 0x900F0001,
    0x00000001, 0xC00F0000, 0x90E40000, 0x00000001, 0xD00F0000, 0x90E40001, 0x0000FFFF};
// ps_2_0: dcl v0; mov oC0, v0.
inline const DWORD kColourPixelShader[] = {0xFFFF0200, 0x0200001F, 0x80000000, 0x900F0000,
                                           0x02000001, 0x800F0800, 0x90E40000, 0x0000FFFF};

// A device on a 64 x 64 window; skipped without a display.
class DeviceTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Draws a pre-transformed rectangle [x1, x2) x [y1, y2) in pixels as two triangles, with
  // texture coordinates u 0..uMax, v 0..vMax across it.
  void DrawRect(float x1, float y1, float x2, float y2, D3DCOLOR colour, float z = 0.5f,
                float uMax = 1.0f, float vMax = 1.0f);
  // Draws vertices through the pass-through shaders as a triangle list (or `type`).
  void DrawClip(const std::vector<ClipVertex>& vertices,
                D3DPRIMITIVETYPE type = D3DPT_TRIANGLELIST);
  // One texture of w x h whose level 0 holds `texels` (top row first); full mip chain when
  // `levels` is 0.
  IDirect3DTexture9* MakeTexture(UINT w, UINT h, const std::vector<uint32_t>& texels,
                                 UINT levels = 1);
  uint32_t Pixel(const std::vector<uint32_t>& image, int x, int y, int width = kSize) {
    return image[y * width + x];
  }

  // Where the window opens (tests that read the screen keep clear of other tests' windows).
  int windowX_ = 0, windowY_ = 0;
  testsupport::D3D9Window base_;
  HWND window_ = nullptr;
  IDirect3D9* d3d_ = nullptr;
  IDirect3DDevice9* device_ = nullptr;
  IDirect3DVertexDeclaration9* screenLayout_ = nullptr;
  IDirect3DVertexDeclaration9* clipLayout_ = nullptr;
  IDirect3DVertexShader9* passVs_ = nullptr;
  IDirect3DPixelShader9* colourPs_ = nullptr;
};


// Channels of 0xAARRGGBB within `tolerance` of each other.
::testing::AssertionResult Near(uint32_t actual, uint32_t expected, int tolerance = 1);

}  // namespace d3d9support
