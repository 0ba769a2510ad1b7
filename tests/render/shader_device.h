#pragma once
// A 64 x 64 window with a Direct3D stand-in device, for the Shader and shader-mode tests.

#include <gtest/gtest.h>

#include "platform/d3d9.h"
#include "platform/testing.h"

class ShaderDeviceTest : public ::testing::Test {
 protected:
  static constexpr int kSize = 64;
  void SetUp() override;
  void TearDown() override;

  HWND window_ = nullptr;
  IDirect3D9* d3d_ = nullptr;
  IDirect3DDevice9* device_ = nullptr;
};
