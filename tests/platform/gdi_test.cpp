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

}  // namespace
