#pragma once
// The device fixture of the Shader and shader-mode tests: the shared one, hidden, with the
// bound-shader memory cleared around each test.

#include "tests/support/device_fixture.h"

// The 56-byte model vertex the shader modes' declaration describes.
struct ModelVertex {
  float x, y, z;
  float nx, ny, nz;
  D3DCOLOR colour;
  float u, v;
  float tx, ty, tz;
  float unused[2];
};

class ShaderDeviceTest : public testsupport::DeviceTest {
 protected:
  static constexpr int kSize = testsupport::kSize;
  ShaderDeviceTest() { show_ = false; }
  void SetUp() override;
  void TearDown() override;
  // Clears to opaque black and draws a quad over the whole target (with the declaration and
  // shaders already set); `corner` gives every vertex's other attributes. Returns the back
  // buffer, top row first.
  std::vector<uint32_t> DrawFullTarget(ModelVertex corner);
};
