#pragma once
// The Direct3D device fixture of the platform and render suites: a 64 x 64 window with a
// device, vertex layouts for pre-transformed and pass-through drawing, and owned textures.
#include "platform/testing.h"
#include "tests/support/d3d9_device.h"
#include "tests/support/pixels.h"

namespace testsupport {

constexpr int kSize = 64;

// Pixel position (centres at integers), depth, 1/w, colour, three texture coordinates.
struct ScreenVertex {
  float x, y, z, rhw;
  D3DCOLOR colour;
  float u, v, w;
};

// Clip-space position and colour, drawn by the pass-through shaders.
struct ClipVertex {
  float x, y, z;
  D3DCOLOR colour;
};

// Clip coordinates of the pixel centre (x, y) of the 64 x 64 back buffer.
inline ClipVertex At(float x, float y, D3DCOLOR colour, float z = 0.5f) {
  return {x / 32.0f - 1.0f, 1.0f - y / 32.0f, z, colour};
}

// vs_1_1: dcl_position v0; dcl_color v1; mov oPos, v0; mov oD0, v1.
inline const DWORD kPassVertexShader[] = {
    0xFFFE0101, 0x0000001F, 0x80000000, 0x900F0000, 0x0000001F, 0x8000000A, 0x900F0001,
    0x00000001, 0xC00F0000, 0x90E40000, 0x00000001, 0xD00F0000, 0x90E40001, 0x0000FFFF};
// ps_2_0: dcl v0; mov oC0, v0.
inline const DWORD kColourPixelShader[] = {0xFFFF0200, 0x0200001F, 0x80000000, 0x900F0000,
                                           0x02000001, 0x800F0800, 0x90E40000, 0x0000FFFF};

// A device on a 64 x 64 window, in a scene, culling and depth off; skipped without a display.
class DeviceTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // A pre-transformed rectangle over pixels [x1, x2) x [y1, y2) as two triangles, with
  // texture coordinates u 0..uMax, v 0..vMax across it.
  void DrawRect(float x1, float y1, float x2, float y2, D3DCOLOR colour, float z = 0.5f,
                float uMax = 1.0f, float vMax = 1.0f);
  // Vertices through the pass-through shaders as a triangle list (or `type`).
  void DrawClip(const std::vector<ClipVertex>& vertices,
                D3DPRIMITIVETYPE type = D3DPT_TRIANGLELIST);
  void Clear(D3DCOLOR colour) { device_->Clear(0, nullptr, D3DCLEAR_TARGET, colour, 1.0f, 0); }
  std::vector<uint32_t> Read() { return d3d9test::ReadBackBuffer(device_); }
  void ExpectPixels(const std::vector<PixelRow>& rows, int tolerance = 0) {
    testsupport::ExpectPixels(Read(), kSize, rows, tolerance);
  }
  // A managed w x h texture whose level 0 holds `texels` (top row first), a full mip chain
  // when `levels` is 0; a 1 x 1 x 1 volume of one texel. Both released at tear-down.
  IDirect3DTexture9* Texture(const std::vector<uint32_t>& texels, UINT w = 1, UINT h = 1,
                             UINT levels = 1);
  IDirect3DVolumeTexture9* Volume(uint32_t texel);
  // Level 0 of a size x size A8R8G8B8 render-target texture (stored in `*texture` when given);
  // both released at tear-down.
  IDirect3DSurface9* TargetSurface(UINT size, IDirect3DTexture9** texture = nullptr);

  // Where the window opens and whether it shows (tests that read the screen keep clear of
  // other tests' windows).
  int windowX_ = 0, windowY_ = 0;
  bool show_ = true;
  D3D9Window base_;
  HWND window_ = nullptr;
  IDirect3DDevice9* device_ = nullptr;
  IDirect3DVertexDeclaration9 *screenLayout_ = nullptr, *clipLayout_ = nullptr;
  IDirect3DVertexShader9* passVs_ = nullptr;
  IDirect3DPixelShader9* colourPs_ = nullptr;
  std::vector<D3D9Object*> owned_;
};

}  // namespace testsupport
