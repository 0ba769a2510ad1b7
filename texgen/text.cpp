#include "texgen/text.h"

#include <algorithm>

#include "platform/crt.h"
#include "platform/kernel32.h"
#include "texgen/pixel.h"

namespace {

constexpr int kMaxExtent = 0xFFFF;

// The header of a top-down 32-bit image of the texture's size.
BITMAPINFO TextureBitmapInfo(const Texture* texture) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = texture->width;
  info.bmiHeader.biHeight = -static_cast<LONG>(texture->height);
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  return info;
}

// The four scratch pixels of block (i, j) reduced to one pixel coloured by `scale` (the
// colour's channels / 255); false when the block is black.
bool ReduceBlock(const Texture* scratch, int i, int j, const float scale[4], uint32_t* out) {
  const uint32_t* top = scratch->pixels + size_t(2 * j) * scratch->width + 2 * i;
  const uint32_t* bottom = top + scratch->width;
  int sum[3] = {0, 0, 0};  // blue, green, red
  for (int c = 0; c < 3; ++c) {
    sum[c] = (PixelChannel(top[0], c) + PixelChannel(top[1], c) + PixelChannel(bottom[0], c) +
              PixelChannel(bottom[1], c)) /
             4;
  }
  if (sum[0] == 0 && sum[1] == 0 && sum[2] == 0) return false;
  const int alpha = (sum[0] + sum[1] + sum[2]) / 3;
  const int values[4] = {sum[0], sum[1], sum[2], alpha};
  uint32_t pixel = 0;
  for (int c = 0; c < 4; ++c) {
    const int v = crt::RoundToInt(static_cast<float>(values[c]) * scale[c]);
    pixel |= static_cast<uint32_t>(std::min(v, 255)) << (8 * c);
  }
  *out = pixel;
  return true;
}

void WriteReduced(Texture* texture, const Texture* scratch, int x, int y, uint32_t color) {
  const float inv255 = 1.0f / 255.0f;
  float scale[4];
  for (int c = 0; c < 4; ++c) scale[c] = static_cast<float>(PixelChannel(color, c)) * inv255;
  const int rows = std::min(scratch->height / 2, texture->height - y);
  const int columns = std::min(scratch->width / 2, texture->width - x);
  for (int j = 0; j < rows; ++j) {
    uint32_t* target = texture->pixels + size_t(y + j) * texture->width + x;
    for (int i = 0; i < columns; ++i) ReduceBlock(scratch, i, j, scale, &target[i]);
  }
}

}  // namespace

RECT MeasureText(HDC dc, const char* text) {
  RECT extent{0, 0, 0, 0};
  DrawTextA(dc, text, -1, &extent, DT_CALCRECT | DT_NOPREFIX);
  return extent;
}

void TextureGdiDrawText(HDC dc, Texture* texture, const char* text) {
  if (!texture->pixels || TexturePixelCount(texture) == 0) return;
  BITMAPINFO info = TextureBitmapInfo(texture);
  HBITMAP bitmap =
      CreateDIBitmap(dc, &info.bmiHeader, CBM_INIT, texture->pixels, &info, DIB_RGB_COLORS);
  if (!bitmap) return;
  HGDIOBJ previous = SelectObject(dc, bitmap);
  SetTextColor(dc, 0x00FFFFFF);
  SetBkColor(dc, 0);
  RECT area{0, 0, texture->width, texture->height};
  DrawTextA(dc, text, -1, &area, DT_NOPREFIX);
  // A failed read-back leaves the pixels as they were.
  GetDIBits(dc, bitmap, 0, texture->height, texture->pixels, &info, DIB_RGB_COLORS);
  SelectObject(dc, previous);
  DeleteObject(bitmap);
}

void TextureDrawText(Texture* texture, const char* face, uint8_t size, bool bold, bool italic,
                     uint16_t x, uint16_t y, uint32_t color, const char* text) {
  if (!texture || !texture->pixels || !face || !text || !*face || !*text) return;
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  ReleaseDC(nullptr, screen);
  const int dpi = GetDeviceCaps(dc, LOGPIXELSY);
  const int h = MulDiv(2 * size, dpi, 72);
  HFONT font = CreateFontA(-h, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, italic ? 1 : 0, 0, 0,
                           DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                           ANTIALIASED_QUALITY, VARIABLE_PITCH | FF_DONTCARE, face);
  HGDIOBJ previousFont = SelectObject(dc, font);
  const RECT extent = MeasureText(dc, text);
  // Cut to 16-bit sizes, then to the largest image a record may hold (keeping the rows).
  const int h2 = std::clamp<int>(extent.bottom, 0, kMaxExtent);
  const int64_t widest = h2 ? static_cast<int64_t>(kTextureMaxBytes / 4 / h2) : kMaxExtent;
  const int w2 =
      static_cast<int>(std::clamp<int64_t>(extent.right, 0, std::min<int64_t>(widest, kMaxExtent)));
  Texture* scratch = TextureCreateScratch(static_cast<uint16_t>(w2), static_cast<uint16_t>(h2));
  TextureGdiDrawText(dc, scratch, text);
  if (scratch->pixels) WriteReduced(texture, scratch, x, y, color);
  TextureDestroy(scratch);
  if (font) {
    SelectObject(dc, previousFont);
    DeleteObject(font);
  }
  DeleteDC(dc);
}
