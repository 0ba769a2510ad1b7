#include "platform/gdi.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/testing_gdi.h"

namespace {

// A memory context with a font and a 32-bit bitmap selected; everything freed on scope exit.
class TextCanvas {
 public:
  TextCanvas(int width, int height, const char* face, int emPixels, int weight = FW_NORMAL,
             bool italic = false)
      : width_(width), height_(height), pixels_(size_t(width) * height, 0xFF000000u) {
    HDC screen = GetDC(nullptr);
    dc_ = CreateCompatibleDC(screen);
    ReleaseDC(nullptr, screen);
    font_ =
        CreateFontA(-emPixels, 0, 0, 0, weight, italic, 0, 0, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                    CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, VARIABLE_PITCH | FF_DONTCARE, face);
    oldFont_ = SelectObject(dc_, font_);
    info_.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info_.bmiHeader.biWidth = width;
    info_.bmiHeader.biHeight = -height;
    info_.bmiHeader.biPlanes = 1;
    info_.bmiHeader.biBitCount = 32;
    info_.bmiHeader.biCompression = BI_RGB;
    bitmap_ =
        CreateDIBitmap(dc_, &info_.bmiHeader, CBM_INIT, pixels_.data(), &info_, DIB_RGB_COLORS);
    oldBitmap_ = SelectObject(dc_, bitmap_);
    SetTextColor(dc_, 0x00FFFFFF);
    SetBkColor(dc_, 0);
  }
  ~TextCanvas() {
    SelectObject(dc_, oldBitmap_);
    SelectObject(dc_, oldFont_);
    EXPECT_TRUE(DeleteObject(bitmap_));
    EXPECT_TRUE(DeleteObject(font_));
    EXPECT_TRUE(DeleteDC(dc_));
  }
  HDC dc() const { return dc_; }
  RECT Measure(const char* text) {
    RECT r{0, 0, 0, 0};
    DrawTextA(dc_, text, -1, &r, DT_CALCRECT | DT_NOPREFIX);
    return r;
  }
  const std::vector<uint32_t>& Draw(const char* text, RECT area) {
    DrawTextA(dc_, text, -1, &area, DT_NOPREFIX);
    EXPECT_EQ(GetDIBits(dc_, bitmap_, 0, height_, pixels_.data(), &info_, DIB_RGB_COLORS), height_);
    return pixels_;
  }
  uint32_t At(int x, int y) const { return pixels_[size_t(y) * width_ + x] & 0xFFFFFF; }
  // The rightmost column holding any non-black pixel, -1 when none does.
  int InkRight() const {
    int right = -1;
    for (size_t i = 0; i < pixels_.size(); ++i)
      if (pixels_[i] & 0xFFFFFF) right = std::max(right, int(i % width_));
    return right;
  }

 private:
  int width_, height_;
  std::vector<uint32_t> pixels_;
  BITMAPINFO info_{};
  HDC dc_;
  HFONT font_;
  HGDIOBJ oldFont_, bitmap_, oldBitmap_;
};

TEST(GdiFonts, FaceWeightSlantAndSizeFollowTheRequest) {
  const int before = GdiLiveObjectCount();
  HDC dc = CreateCompatibleDC(GetDC(nullptr));
  EXPECT_EQ(GetDeviceCaps(dc, LOGPIXELSY), 96);
  HFONT regular = CreateFontA(-20, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0,
                              ANTIALIASED_QUALITY, VARIABLE_PITCH, "Liberation Serif");
  HFONT boldItalic = CreateFontA(-20, 0, 0, 0, FW_BOLD, 1, 0, 0, DEFAULT_CHARSET, 0, 0,
                                 ANTIALIASED_QUALITY, VARIABLE_PITCH, "DejaVu Sans");
  HFONT unknown = CreateFontA(30, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0,
                              ANTIALIASED_QUALITY, VARIABLE_PITCH, "No Such Face 123");
  ASSERT_NE(regular, nullptr);
  ASSERT_NE(boldItalic, nullptr);
  ASSERT_NE(unknown, nullptr);  // the nearest installed face
  EXPECT_NE(GdiFontFile(regular).find("LiberationSerif-Regular"), std::string::npos);
  EXPECT_NE(GdiFontFile(boldItalic).find("DejaVuSans-BoldOblique"), std::string::npos);
  EXPECT_EQ(GdiFontEmPixels(regular), 20);
  // A positive height asks for the cell, so the em is smaller.
  EXPECT_LT(GdiFontEmPixels(unknown), 30);
  EXPECT_GT(GdiFontEmPixels(unknown), 20);
  EXPECT_EQ(GdiLiveObjectCount(), before + 3);
  EXPECT_TRUE(DeleteObject(regular));
  EXPECT_TRUE(DeleteObject(boldItalic));
  EXPECT_TRUE(DeleteObject(unknown));
  EXPECT_TRUE(DeleteDC(dc));
  EXPECT_EQ(GdiLiveObjectCount(), before);
}

TEST(GdiText, MeasureGrowsWithTextLinesAndBreaks) {
  TextCanvas canvas(8, 8, "DejaVu Sans", 20);
  const RECT one = canvas.Measure("Hello");
  EXPECT_GT(one.right, 30);
  EXPECT_GE(one.bottom, 20);
  EXPECT_LE(one.bottom, 30);
  const RECT longer = canvas.Measure("Hello, world");
  EXPECT_GT(longer.right, one.right);
  EXPECT_EQ(longer.bottom, one.bottom);
  // Line breaks: LF, CR LF and CR each start a new line; the width is the widest line.
  for (const char* twoLines : {"Hello\nHi", "Hello\r\nHi", "Hi\rHello", "Hello\n"}) {
    EXPECT_EQ(canvas.Measure(twoLines).bottom, 2 * one.bottom) << twoLines;
    EXPECT_EQ(canvas.Measure(twoLines).right, one.right) << twoLines;
  }
  // '&' is an ordinary character.
  EXPECT_GT(canvas.Measure("a&b").right, canvas.Measure("ab").right);
  RECT offset{10, 20, 0, 0};
  DrawTextA(canvas.dc(), "Hello", -1, &offset, DT_CALCRECT);
  EXPECT_EQ(std::make_pair(offset.right, offset.bottom),
            std::make_pair(10 + one.right, 20 + one.bottom));
  RECT counted{0, 0, 0, 0};
  DrawTextA(canvas.dc(), "Hello, world", 5, &counted, DT_CALCRECT);
  EXPECT_EQ(counted.right, one.right);
}

TEST(GdiText, DrawsWhiteGreyEdgesOpaqueCellAndClipsToTheRectangle) {
  TextCanvas canvas(120, 40, "DejaVu Sans", 24);
  SetBkColor(canvas.dc(), 0x00102030);  // a visible background: the cell is filled with it
  const RECT extent = canvas.Measure("Hi");
  canvas.Draw("Hi", RECT{0, 0, 120, 40});
  int white = 0, grey = 0;
  for (int y = 0; y < extent.bottom; ++y) {
    for (int x = 0; x < extent.right; ++x) {
      const uint32_t p = canvas.At(x, y);
      white += p == 0xFFFFFF;
      const uint32_t r = p >> 16, g = (p >> 8) & 0xFF, b = p & 0xFF;
      grey += p != 0xFFFFFF && p != 0x302010 && r > 0x30 && g > 0x20 && b > 0x10;
    }
  }
  EXPECT_GT(white, 20);                           // solid stems
  EXPECT_GT(grey, 2);                             // antialiased edges
  EXPECT_EQ(canvas.At(extent.right + 2, 5), 0u);  // outside the cell: untouched
  EXPECT_EQ(canvas.At(1, extent.bottom + 2), 0u);
  EXPECT_EQ(canvas.At(extent.right - 1, 1), 0x302010u);  // cell corner: background (BGR)

  TextCanvas clipped(120, 40, "DejaVu Sans", 24);
  clipped.Draw("Hi", RECT{0, 0, 6, 40});
  EXPECT_LE(clipped.InkRight(), 5);
  EXPECT_GE(clipped.InkRight(), 0);
}

// Text is drawn into top-down 32-bit bitmaps; other depths and sizes past the limit are refused.
TEST(GdiBitmaps, TopDownRoundTripAndBadHeaders) {
  HDC dc = CreateCompatibleDC(nullptr);
  const std::vector<uint32_t> rows = {1, 2, 3, 4, 5, 6};
  BITMAPINFO info{};
  info.bmiHeader = {40, 3, -2, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  HBITMAP bitmap = CreateDIBitmap(dc, &info.bmiHeader, CBM_INIT, rows.data(), &info, 0);
  ASSERT_NE(bitmap, nullptr);
  std::vector<uint32_t> out(6);
  EXPECT_EQ(GetDIBits(dc, bitmap, 0, 9, out.data(), &info, DIB_RGB_COLORS), 2);  // 2 lines only
  EXPECT_EQ(out, rows);
  EXPECT_EQ(GetDIBits(dc, bitmap, 2, 1, out.data(), &info, DIB_RGB_COLORS), 0);
  BITMAPINFO wrong = info;
  wrong.bmiHeader.biBitCount = 24;
  EXPECT_EQ(GetDIBits(dc, bitmap, 0, 2, out.data(), &wrong, DIB_RGB_COLORS), 0);
  EXPECT_EQ(CreateDIBitmap(dc, &wrong.bmiHeader, CBM_INIT, rows.data(), &wrong, 0), nullptr);
  BITMAPINFO huge = info;
  huge.bmiHeader.biWidth = 65535;
  huge.bmiHeader.biHeight = -65535;
  EXPECT_EQ(CreateDIBitmap(dc, &huge.bmiHeader, 0, nullptr, &huge, 0), nullptr);
  EXPECT_TRUE(DeleteObject(bitmap));
  EXPECT_TRUE(DeleteDC(dc));
}

}  // namespace
