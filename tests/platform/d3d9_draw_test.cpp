// Drawing through the Direct3D stand-in, read back and compared with values worked out by hand.
#include <cstring>

#include "d3d9_test_support.h"

namespace {

using d3d9support::ClipVertex;
using d3d9support::kSize;
using d3d9support::Near;

class D3D9Draw : public d3d9support::DeviceTest {};

TEST_F(D3D9Draw, ClearOfAViewportLeavesTheRestUntouched) {
  ASSERT_EQ(device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF102030, 1.0f, 0), D3D_OK);
  D3DVIEWPORT9 vp = {8, 16, 20, 10, 0.0f, 1.0f};
  ASSERT_EQ(device_->SetViewport(&vp), D3D_OK);
  ASSERT_EQ(device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0x80FF0000, 1.0f, 0), D3D_OK);
  // A rectangle reaching out of the viewport is cut to it.
  const D3DRECT rect = {0, 0, 10, 20};
  ASSERT_EQ(device_->Clear(1, &rect, D3DCLEAR_TARGET, 0xFF00FF00, 1.0f, 0), D3D_OK);
  const std::vector<uint32_t> image = d3d9test::ReadBackBuffer(device_);
  ASSERT_EQ(image.size(), size_t{kSize * kSize});
  for (int y = 0; y < kSize; ++y) {
    for (int x = 0; x < kSize; ++x) {
      const bool inViewport = x >= 8 && x < 28 && y >= 16 && y < 26;
      const bool inRect = inViewport && x < 10 && y < 20;
      const uint32_t expected = inRect ? 0xFF00FF00 : inViewport ? 0x80FF0000 : 0xFF102030;
      ASSERT_EQ(Pixel(image, x, y), expected) << x << ", " << y;
    }
  }
}

TEST_F(D3D9Draw, PreTransformedRectangleCoversExactlyItsPixels) {
  device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
  DrawRect(10, 4, 30, 12, 0xFFFFFFFF);
  const std::vector<uint32_t> image = d3d9test::ReadBackBuffer(device_);
  for (int y = 0; y < kSize; ++y)
    for (int x = 0; x < kSize; ++x)
      ASSERT_EQ(Pixel(image, x, y),
                x >= 10 && x < 30 && y >= 4 && y < 12 ? 0xFFFFFFFFu : 0xFF000000u)
          << x << ", " << y;
}

}  // namespace
