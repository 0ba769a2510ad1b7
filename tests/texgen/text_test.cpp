#include "texgen/text.h"

#include <string>

#include "platform/testing_gdi.h"
#include "texgen_fixture.h"

namespace {

constexpr uint32_t kBackground = 0x12345678u;

// Pixels of `image` inside columns x0..x1-1 and rows y0..y1-1 that differ from `paper`.
int Ink(const Image& image, int x0, int y0, int x1, int y1, uint32_t paper = kBackground) {
  return testsupport::CountOther(image.Pixels(), image->width, paper, [&](int x, int y) {
    return x >= x0 && x < x1 && y >= y0 && y < y1;
  });
}

// Each pixel is untouched, solid red, or an edge: red and alpha scaled by one coverage. The text
// is rendered at twice the size and reduced: its extent in the texture is half the measured
// extent of a font of em MulDiv(2 size, 96, 72).
TEST(DrawText, RedTextWithSoftEdgesAtHalfTheRenderedSize) {
  const int objects = GdiLiveObjectCount(), dcs = GdiLiveDcCount();
  Image image(160, 48, kBackground);
  TextureDrawText(image.get(), "Liberation Sans", 12, false, false, 4, 4, 0xFFFF0000u, "Wide");
  EXPECT_EQ(GdiLiveObjectCount(), objects);  // font and bitmap freed
  EXPECT_EQ(GdiLiveDcCount(), dcs);
  int solid = 0, edge = 0;
  for (uint32_t p : image.Pixels()) {
    const uint32_t a = p >> 24, r = (p >> 16) & 0xFF;
    solid += p == 0xFFFF0000u;
    edge += (p & 0xFFFF) == 0 && r > 0 && r < 255 && a == r;
    ASSERT_TRUE(p == kBackground || p == 0xFFFF0000u || ((p & 0xFFFF) == 0 && a == r))
        << std::hex << p;
  }
  EXPECT_GT(solid, 10);
  EXPECT_GT(edge, 10);
  HDC dc = CreateCompatibleDC(nullptr);
  HFONT font = CreateFontA(-32, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0,
                           ANTIALIASED_QUALITY, VARIABLE_PITCH, "Liberation Sans");
  HGDIOBJ old = SelectObject(dc, font);
  const RECT extent = MeasureText(dc, "Wide");
  DeleteObject(SelectObject(dc, old));
  DeleteDC(dc);
  EXPECT_EQ(Ink(image, 0, 0, 160, 4) + Ink(image, 0, 0, 4, 48), 0);  // above and left of the origin
  EXPECT_GT(Ink(image, 4 + extent.right / 2 - 8, 0, 160, 48), 0);
  EXPECT_EQ(Ink(image, 4 + extent.right / 2, 0, 160, 48), 0);
  EXPECT_EQ(Ink(image, 0, 4 + extent.bottom / 2, 160, 48), 0);
}

TEST(DrawText, CutAtTheEdgesNotWrappedAndNothingOnFailure) {
  // Origins beyond the image, empty strings and failures draw nothing.
  Image image(64, 32, kBackground);
  TextureDrawText(image.get(), "DejaVu Sans", 255, true, true, 65535, 0, 0xFFFFFFFFu, "Wg\n\nW");
  TextureDrawText(image.get(), "DejaVu Sans", 20, false, false, 64, 0, 0xFFFFFFFFu, "M");
  TextureDrawText(image.get(), "", 20, false, false, 0, 0, 0xFFFFFFFFu, "Text");
  TextureDrawText(image.get(), "DejaVu Sans", 20, false, false, 0, 0, 0xFFFFFFFFu, "");
  TextureDrawText(image.get(), nullptr, 20, false, false, 0, 0, 0xFFFFFFFFu, "Text");
  GdiFailNextCreateDIBitmap(1);
  TextureDrawText(image.get(), "DejaVu Sans", 10, false, false, 0, 0, 0xFFFFFFFFu, "Text");
  EXPECT_EQ(Ink(image, 0, 0, 64, 32), 0);
  TextureDrawText(image.get(), "DejaVu Sans", 20, false, false, 50, 20, 0xFFFFFFFFu, "MMMM");
  EXPECT_EQ(Ink(image, 0, 0, 50, 32), 0);  // a wrapped line would reach the left
  EXPECT_GT(Ink(image, 50, 20, 64, 32), 0);
  // Two lines: ink in both.
  TextureDrawText(image.get(), "DejaVu Sans", 8, false, true, 0, 0, 0xFFFFFFFFu, "ab\ncd");
  EXPECT_GT(Ink(image, 0, 0, 64, 6), 0);
  EXPECT_GT(Ink(image, 0, 12, 64, 20), 0);
  // Wider than 65,535 pixels at twice the size: the rendering is cut, the visible part drawn.
  Image wide(512, 512, kBackground);
  TextureDrawText(wide.get(), "DejaVu Sans", 255, false, false, 0, 0, 0xFFFFFFFFu,
                  std::string(120, 'W').c_str());
  EXPECT_GT(Ink(wide, 0, 0, 512, 512), 1000);
}

}  // namespace
