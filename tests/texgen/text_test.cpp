#include "texgen/text.h"

#include <gtest/gtest.h>

#include "platform/testing_gdi.h"
#include "texgen_fixture.h"

namespace {

using texgentest::Image;

constexpr uint32_t kBackground = 0x12345678u;

struct InkCount {
  int solid = 0, edge = 0, untouched = 0, other = 0;
};

// Classifies pixels drawn in opaque pure red over kBackground: solid red, edge (red and alpha
// scaled down together by the same coverage), untouched, or anything else.
InkCount ClassifyRed(Image& image) {
  InkCount count;
  for (uint32_t i = 0; i < image.count(); ++i) {
    const uint32_t p = image->pixels[i];
    const uint32_t a = p >> 24, r = (p >> 16) & 0xFF;
    if (p == kBackground) {
      ++count.untouched;
    } else if (p == 0xFFFF0000u) {
      ++count.solid;
    } else if ((p & 0xFFFF) == 0 && r > 0 && r < 255 && a == r) {
      ++count.edge;
    } else {
      ++count.other;
    }
  }
  return count;
}

TEST(DrawText, RedTextOverUntouchedBackgroundWithSoftEdges) {
  const int objects = GdiLiveObjectCount(), dcs = GdiLiveDcCount();
  Image image(160, 48, kBackground);
  TextureDrawText(image.get(), "DejaVu Sans", 16, true, false, 4, 4, 0xFFFF0000u, "Halo");
  const InkCount ink = ClassifyRed(image);
  EXPECT_GT(ink.solid, 30);
  EXPECT_GT(ink.edge, 10);
  EXPECT_EQ(ink.other, 0);
  EXPECT_GT(ink.untouched, 160 * 48 / 2);
  image.ExpectPixels({{0, 0, kBackground},  // left of and above the origin
                      {159, 47, kBackground}});
  EXPECT_EQ(GdiLiveObjectCount(), objects);  // font and bitmap freed
  EXPECT_EQ(GdiLiveDcCount(), dcs);
}

TEST(DrawText, WhiteOnBlackHalfSizeBoxFilter) {
  // The text is rendered at twice the size and reduced: its extent in the texture is half the
  // measured extent of a font of em MulDiv(2 size, 96, 72).
  Image image(200, 60, 0xFF000000u);
  TextureDrawText(image.get(), "Liberation Sans", 12, false, false, 0, 0, 0xFFFFFFFFu, "Wide");
  HDC dc = CreateCompatibleDC(nullptr);
  HFONT font = CreateFontA(-32, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0,
                           ANTIALIASED_QUALITY, VARIABLE_PITCH, "Liberation Sans");
  HGDIOBJ old = SelectObject(dc, font);
  const RECT extent = MeasureText(dc, "Wide");
  SelectObject(dc, old);
  DeleteObject(font);
  DeleteDC(dc);
  int right = -1, bottom = -1;
  for (int y = 0; y < 60; ++y) {
    for (int x = 0; x < 200; ++x) {
      const uint32_t p = image.at(x, y);
      if (p == 0xFF000000u) continue;
      right = std::max(right, x), bottom = std::max(bottom, y);
      // White text: alpha equals each colour channel (the grey level).
      ASSERT_EQ(p >> 24, p & 0xFF);
      ASSERT_EQ((p >> 8) & 0xFF, p & 0xFF);
    }
  }
  EXPECT_GT(right, extent.right / 2 - 8);
  EXPECT_LT(right, extent.right / 2);
  EXPECT_LT(bottom, extent.bottom / 2);
}

TEST(DrawText, CutAtTheRightAndBottomEdgesNotWrapped) {
  Image image(64, 32, kBackground);
  TextureDrawText(image.get(), "DejaVu Sans", 20, false, false, 50, 20, 0xFFFFFFFFu, "MMMM");
  // Nothing appears in the next rows at the left, as a wrapped line would put it.
  const std::vector<uint32_t> pixels = image.Pixels();
  EXPECT_EQ(testsupport::CountOther(pixels, 64, kBackground, [](int x, int) { return x < 50; }), 0);
  EXPECT_GT(testsupport::CountOther(pixels, 64, kBackground,
                                    [](int x, int y) { return x >= 50 && y >= 20; }),
            0);
  // Origins beyond the image draw nothing and read nothing outside it.
  Image far(8, 8, kBackground);
  TextureDrawText(far.get(), "DejaVu Sans", 20, false, false, 65535, 65535, 0xFFFFFFFFu, "M");
  TextureDrawText(far.get(), "DejaVu Sans", 20, false, false, 8, 0, 0xFFFFFFFFu, "M");
  EXPECT_EQ(far.Pixels(), std::vector<uint32_t>(64, kBackground));
}

TEST(DrawText, EmptyStringsFailuresAndLineBreaks) {
  Image image(64, 64, kBackground);
  TextureDrawText(image.get(), "", 20, false, false, 0, 0, 0xFFFFFFFFu, "Text");
  TextureDrawText(image.get(), "DejaVu Sans", 20, false, false, 0, 0, 0xFFFFFFFFu, "");
  TextureDrawText(image.get(), nullptr, 20, false, false, 0, 0, 0xFFFFFFFFu, "Text");
  GdiFailNextCreateDIBitmap(1);
  TextureDrawText(image.get(), "DejaVu Sans", 10, false, false, 0, 0, 0xFFFFFFFFu, "Text");
  EXPECT_EQ(image.Pixels(), std::vector<uint32_t>(64 * 64, kBackground));
  // Two lines: ink in both halves.
  TextureDrawText(image.get(), "DejaVu Sans", 8, false, true, 0, 0, 0xFFFFFFFFu, "ab\ncd");
  bool top = false, second = false;
  for (int x = 0; x < 64; ++x) {
    for (int y = 0; y < 6; ++y) top |= image.at(x, y) != kBackground;
    for (int y = 12; y < 20; ++y) second |= image.at(x, y) != kBackground;
  }
  EXPECT_TRUE(top);
  EXPECT_TRUE(second);
}

}  // namespace
