#pragma once
// A 64 x 64 window with a Direct3D stand-in device, for the Shader and shader-mode tests.

#include <gtest/gtest.h>

#include "platform/d3d9.h"
#include "platform/testing.h"
#include "tests/support/d3d9_device.h"

#include <vector>

// The 56-byte model vertex the shader modes' declaration describes.
struct ModelVertex {
  float x, y, z;
  float nx, ny, nz;
  D3DCOLOR colour;
  float u, v;
  float tx, ty, tz;
  float unused[2];
};

class ShaderDeviceTest : public ::testing::Test {
 protected:
  static constexpr int kSize = 64;
  void SetUp() override;
  void TearDown() override;

  // A 1 x 1 managed texture holding one 0xAARRGGBB texel (released at tear-down).
  IDirect3DTexture9* Texture(uint32_t texel);
  // A 1 x 1 x 1 volume texture holding one texel (released at tear-down).
  IDirect3DVolumeTexture9* Volume(uint32_t texel);
  // Clears to opaque black and draws a quad over the whole target at depth z (with the
  // declaration and shaders already set); `corner` gives every vertex's other attributes.
  // Returns the back buffer, top row first.
  std::vector<uint32_t> DrawFullTarget(ModelVertex corner);

  std::vector<D3D9Object*> owned_;

  testsupport::D3D9Window base_;
  HWND window_ = nullptr;
  IDirect3D9* d3d_ = nullptr;
  IDirect3DDevice9* device_ = nullptr;
};
