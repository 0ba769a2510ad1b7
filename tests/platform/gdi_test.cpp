// Fonts, text measuring and bitmaps of the GDI stand-in, as the texture text drawing uses them
// (the drawn pixels themselves are checked by the texture generator's text tests).
#include "platform/gdi.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/testing_gdi.h"

namespace {

HFONT Font(int weight, bool italic, const char* face) {
  return CreateFontA(-20, 0, 0, 0, weight, italic, 0, 0, DEFAULT_CHARSET, 0, 0, ANTIALIASED_QUALITY,
                     VARIABLE_PITCH, face);
}

// A negative height asks for the em in pixels; the face, weight and slant pick the file, an
// unknown face the nearest installed one.
TEST(GdiFonts, FaceWeightSlantAndSizeFollowTheRequest) {
  const int before = GdiLiveObjectCount();
  const std::pair<HFONT, const char*> rows[] = {
      {Font(FW_NORMAL, false, "Liberation Serif"), "LiberationSerif-Regular"},
      {Font(FW_BOLD, true, "DejaVu Sans"), "DejaVuSans-BoldOblique"},
      {Font(FW_NORMAL, false, "No Such Face 123"), ""}};
  for (auto [font, file] : rows) {
    ASSERT_NE(font, nullptr) << file;
    EXPECT_NE(GdiFontFile(font).find(file), std::string::npos);
    EXPECT_EQ(GdiFontEmPixels(font), 20);
    EXPECT_TRUE(DeleteObject(font));
  }
  EXPECT_EQ(GdiLiveObjectCount(), before);
}

// Measuring: LF, CR LF and CR each start a line; the width is the widest line's; '&' is drawn
// as itself. Text is drawn into top-down 32-bit bitmaps; other depths and sizes past the limit
// are refused.
TEST(GdiText, MeasureCountsLinesAndBitmapsRoundTripTopDown) {
  HDC dc = CreateCompatibleDC(nullptr);
  HFONT font = Font(FW_NORMAL, false, "DejaVu Sans");
  HGDIOBJ old = SelectObject(dc, font);
  const auto measure = [&](const char* text) {
    RECT r{0, 0, 0, 0};
    DrawTextA(dc, text, -1, &r, DT_CALCRECT | DT_NOPREFIX);
    return std::make_pair(r.right, r.bottom);
  };
  const auto [width, height] = measure("Hello");
  EXPECT_TRUE(width > 30 && height >= 20 && height <= 30) << width << " x " << height;
  EXPECT_GT(measure("Hello, world").first, width);
  for (const char* twoLines : {"Hello\nHi", "Hello\r\nHi", "Hi\rHello", "Hello\n"})
    EXPECT_EQ(measure(twoLines), std::make_pair(width, 2 * height)) << twoLines;
  EXPECT_GT(measure("a&b").first, measure("ab").first);
  EXPECT_TRUE(DeleteObject(SelectObject(dc, old)));
  const std::vector<uint32_t> rows = {1, 2, 3, 4, 5, 6};
  BITMAPINFO info{{40, 3, -2, 1, 32, BI_RGB, 0, 0, 0, 0, 0}, {}};
  HBITMAP bitmap = CreateDIBitmap(dc, &info.bmiHeader, CBM_INIT, rows.data(), &info, 0);
  ASSERT_NE(bitmap, nullptr);
  std::vector<uint32_t> out(6);
  EXPECT_EQ(GetDIBits(dc, bitmap, 0, 9, out.data(), &info, DIB_RGB_COLORS), 2);  // 2 lines only
  EXPECT_EQ(out, rows);
  EXPECT_EQ(GetDIBits(dc, bitmap, 2, 1, out.data(), &info, DIB_RGB_COLORS), 0);
  BITMAPINFO wrong = info, huge = info;
  wrong.bmiHeader.biBitCount = 24;
  EXPECT_EQ(GetDIBits(dc, bitmap, 0, 2, out.data(), &wrong, DIB_RGB_COLORS), 0);
  EXPECT_EQ(CreateDIBitmap(dc, &wrong.bmiHeader, CBM_INIT, rows.data(), &wrong, 0), nullptr);
  huge.bmiHeader.biWidth = 65535, huge.bmiHeader.biHeight = -65535;
  EXPECT_EQ(CreateDIBitmap(dc, &huge.bmiHeader, 0, nullptr, &huge, 0), nullptr);
  EXPECT_TRUE(DeleteObject(bitmap));
  EXPECT_TRUE(DeleteDC(dc));
}

// Text in a colour over a background (COLORREF 0x00BBGGRR, DIB pixel 0x00RRGGBB): every pixel
// is the blend (back x (255 - c) + text x c + 127) / 255 of each channel for one coverage c.
TEST(GdiText, ColouredTextBlendsByCoverageRoundedToNearest) {
  const uint32_t back = 0x204060, text = 0x1080F0;
  const auto blend = [&](int c) {
    uint32_t out = 0;
    for (int s = 0; s < 24; s += 8)
      out |= (((back >> s) & 0xFF) * (255 - c) + ((text >> s) & 0xFF) * c + 127) / 255 << s;
    return out;
  };
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ oldFont = SelectObject(dc, Font(FW_NORMAL, false, "DejaVu Sans"));
  BITMAPINFO info{{40, 48, -32, 1, 32, BI_RGB, 0, 0, 0, 0, 0}, {}};
  std::vector<uint32_t> pixels(48 * 32, 0xFF000000 | back);
  HBITMAP bitmap = CreateDIBitmap(dc, &info.bmiHeader, CBM_INIT, pixels.data(), &info, 0);
  HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
  SetTextColor(dc, 0x00F08010);
  SetBkColor(dc, 0x00604020);
  RECT area{0, 0, 48, 32};
  DrawTextA(dc, "Ag", -1, &area, DT_NOPREFIX);
  ASSERT_EQ(GetDIBits(dc, bitmap, 0, 32, pixels.data(), &info, DIB_RGB_COLORS), 32);
  int coverage[3] = {};  // none, partial, full
  for (uint32_t p : pixels) {
    int c = 0;
    while (c < 256 && blend(c) != (p & 0xFFFFFF)) ++c;
    ASSERT_LT(c, 256) << std::hex << p;
    ++coverage[c == 0 ? 0 : c < 255 ? 1 : 2];
  }
  EXPECT_TRUE(coverage[0] > 0 && coverage[1] > 0 && coverage[2] > 0);
  SelectObject(dc, oldBitmap);
  EXPECT_TRUE(DeleteObject(bitmap) && DeleteObject(SelectObject(dc, oldFont)) && DeleteDC(dc));
}

}  // namespace
