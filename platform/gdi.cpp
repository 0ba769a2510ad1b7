#include "platform/gdi.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "platform/testing_gdi.h"

// ---- Records ------------------------------------------------------------------------------

struct GdiObjectRecord {
  enum Kind { kFont, kBitmap } kind = kFont;
  bool stock = false;
  int selectedCount = 0;
  // Font.
  FT_Face face = nullptr;
  std::string file;
  int emPixels = 0;
  int ascent = 0;   // pixels above the baseline in a line cell
  int descent = 0;  // pixels below it
  bool emboldenGlyphs = false;
  bool slantGlyphs = false;
  // Bitmap: top-down rows of 0xAARRGGBB words.
  int width = 0, height = 0;
  std::vector<uint32_t> pixels;
};

struct DeviceContextRecord {
  bool screen = false;
  HGDIOBJ font = nullptr;
  HGDIOBJ bitmap = nullptr;
  COLORREF textColor = 0x000000;
  COLORREF backColor = 0xFFFFFF;
};

namespace {

constexpr int kDotsPerInch = 96;
constexpr int kDefaultEmPixels = 16;
constexpr int64_t kMaxBitmapBytes = int64_t{1} << 31;

DeviceContextRecord ScreenDc() {
  DeviceContextRecord dc;
  dc.screen = true;
  return dc;
}

struct GdiState {
  FT_Library library = nullptr;
  DeviceContextRecord screen = ScreenDc();
  HGDIOBJ stockFont = nullptr;
  HGDIOBJ stockBitmap = nullptr;
  int liveObjects = 0;
  int liveDcs = 0;
  int failCreateDIBitmap = 0;
};

GdiState& State() {
  static GdiState state;
  return state;
}

GdiObjectRecord* NewObject(GdiObjectRecord::Kind kind) {
  auto* object = new GdiObjectRecord;
  object->kind = kind;
  return object;
}

FT_Library Library() {
  GdiState& s = State();
  if (!s.library && FT_Init_FreeType(&s.library) != 0) s.library = nullptr;
  return s.library;
}

// ---- Fonts --------------------------------------------------------------------------------

// The nearest installed face for a family, weight and slant, as fontconfig matches it.
struct FaceChoice {
  std::string file;
  int index = 0;
  bool embolden = false;
  bool slant = false;
};

bool ChooseFace(const char* family, int weight, bool italic, FaceChoice* choice) {
  if (!FcInit()) return false;
  FcPattern* pattern = FcPatternCreate();
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family));
  FcPatternAddInteger(pattern, FC_WEIGHT, FcWeightFromOpenType(std::clamp(weight, 1, 1000)));
  FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result;
  FcPattern* match = FcFontMatch(nullptr, pattern, &result);
  FcPatternDestroy(pattern);
  if (!match) return false;
  FcChar8* file = nullptr;
  bool found = FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch;
  if (found) {
    choice->file = reinterpret_cast<const char*>(file);
    FcPatternGetInteger(match, FC_INDEX, 0, &choice->index);
    FcBool embolden = FcFalse;
    FcPatternGetBool(match, FC_EMBOLDEN, 0, &embolden);
    choice->embolden = embolden;
    int slant = FC_SLANT_ROMAN;
    FcPatternGetInteger(match, FC_SLANT, 0, &slant);
    choice->slant = italic && slant == FC_SLANT_ROMAN;
  }
  FcPatternDestroy(match);
  return found;
}

int CeilPixels(FT_Pos value26_6) { return static_cast<int>((value26_6 + 63) >> 6); }

// Em size for a requested height: < 0 the em itself, > 0 the cell height, 0 the default.
int EmForHeight(FT_Face face, int height) {
  if (height < 0) return -height;
  if (height == 0) return kDefaultEmPixels;
  const TT_OS2* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
  const int cell = os2 ? os2->usWinAscent + os2->usWinDescent : face->ascender - face->descender;
  if (cell <= 0) return height;
  return std::max(1, static_cast<int>(int64_t{height} * face->units_per_EM / cell));
}

// Line-cell ascent and descent in pixels at the face's current size.
void SetCellMetrics(GdiObjectRecord* font) {
  FT_Face face = font->face;
  const TT_OS2* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
  if (os2 && face->units_per_EM) {
    const int64_t em = font->emPixels, units = face->units_per_EM;
    font->ascent = static_cast<int>((os2->usWinAscent * em + units - 1) / units);
    font->descent = static_cast<int>((os2->usWinDescent * em + units - 1) / units);
    return;
  }
  font->ascent = CeilPixels(face->size->metrics.ascender);
  font->descent = CeilPixels(-face->size->metrics.descender);
}

HGDIOBJ NewFont(const char* family, int height, int weight, bool italic) {
  FaceChoice choice;
  FT_Library library = Library();
  if (!library || !ChooseFace(family, weight, italic, &choice)) return nullptr;
  FT_Face face = nullptr;
  if (FT_New_Face(library, choice.file.c_str(), choice.index, &face) != 0) return nullptr;
  auto* font = NewObject(GdiObjectRecord::kFont);
  font->face = face;
  font->file = choice.file;
  font->emPixels = std::clamp(EmForHeight(face, height), 1, 0xFFFF);
  font->emboldenGlyphs = choice.embolden;
  font->slantGlyphs = choice.slant;
  FT_Set_Pixel_Sizes(face, 0, font->emPixels);
  SetCellMetrics(font);
  return font;
}

HGDIOBJ StockFont() {
  GdiState& s = State();
  if (!s.stockFont) {
    s.stockFont = NewFont("DejaVu Sans", -kDefaultEmPixels, FW_NORMAL, false);
    if (s.stockFont) s.stockFont->stock = true;
  }
  return s.stockFont;
}

HGDIOBJ StockBitmap() {
  GdiState& s = State();
  if (!s.stockBitmap) {
    s.stockBitmap = NewObject(GdiObjectRecord::kBitmap);
    s.stockBitmap->stock = true;
    s.stockBitmap->width = s.stockBitmap->height = 1;
    s.stockBitmap->pixels.assign(1, 0);
  }
  return s.stockBitmap;
}

// Loads (and, with `render`, rasterises) the glyph of a character into the face's slot.
bool LoadGlyph(const GdiObjectRecord* font, unsigned char character, bool render) {
  FT_Face face = font->face;
  // Text is single-byte; bytes map to the same code points (Latin-1).
  if (FT_Load_Char(face, character, FT_LOAD_DEFAULT | FT_LOAD_NO_BITMAP) != 0) return false;
  if (font->emboldenGlyphs) FT_GlyphSlot_Embolden(face->glyph);
  if (font->slantGlyphs) FT_GlyphSlot_Oblique(face->glyph);
  return !render || FT_Render_Glyph(face->glyph, FT_RENDER_MODE_NORMAL) == 0;
}

int AdvancePixels(const GdiObjectRecord* font) {
  return static_cast<int>((font->face->glyph->advance.x + 32) >> 6);
}

// ---- Text layout --------------------------------------------------------------------------

struct TextLine {
  const char* start;
  int length;
};

// Splits at CR, LF and CR LF; an empty text is one empty line.
std::vector<TextLine> SplitLines(const char* text, int count) {
  std::vector<TextLine> lines;
  int begin = 0;
  for (int i = 0; i <= count; ++i) {
    if (i < count && text[i] != '\r' && text[i] != '\n') continue;
    lines.push_back({text + begin, i - begin});
    if (i + 1 < count && text[i] == '\r' && text[i + 1] == '\n') ++i;
    begin = i + 1;
  }
  return lines;
}

int LineWidth(const GdiObjectRecord* font, const TextLine& line) {
  int width = 0;
  for (int i = 0; i < line.length; ++i) {
    if (LoadGlyph(font, static_cast<unsigned char>(line.start[i]), false)) {
      width += AdvancePixels(font);
    }
  }
  return width;
}

// The 0x00RRGGBB word of a COLORREF (0x00BBGGRR).
uint32_t DibColor(COLORREF c) { return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF); }

// Blends `color` over the pixel by coverage 0..255, keeping the pixel's top byte.
uint32_t BlendCoverage(uint32_t pixel, uint32_t color, int coverage) {
  uint32_t out = pixel & 0xFF000000u;
  for (int shift = 0; shift < 24; shift += 8) {
    const int under = (pixel >> shift) & 0xFF, over = (color >> shift) & 0xFF;
    out |= static_cast<uint32_t>((under * (255 - coverage) + over * coverage + 127) / 255) << shift;
  }
  return out;
}

struct ClipBox {
  int left, top, right, bottom;  // right and bottom exclusive
  bool Contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
};

void DrawGlyphBitmap(GdiObjectRecord* bitmap, const FT_Bitmap& glyph, int left, int top,
                     uint32_t color, const ClipBox& clip) {
  for (unsigned row = 0; row < glyph.rows; ++row) {
    const unsigned char* coverage = glyph.buffer + static_cast<int64_t>(row) * glyph.pitch;
    const int y = top + static_cast<int>(row);
    for (unsigned col = 0; col < glyph.width; ++col) {
      const int x = left + static_cast<int>(col);
      if (coverage[col] == 0 || !clip.Contains(x, y)) continue;
      uint32_t& pixel = bitmap->pixels[static_cast<size_t>(y) * bitmap->width + x];
      pixel = BlendCoverage(pixel, color, coverage[col]);
    }
  }
}

// Draws one line in opaque mode: its cell filled with the background, then the glyphs.
void DrawLine(const DeviceContextRecord* dc, const TextLine& line, int x, int top,
              const ClipBox& clip) {
  GdiObjectRecord* font = dc->font;
  GdiObjectRecord* bitmap = dc->bitmap;
  const int cellBottom = top + font->ascent + font->descent;
  const int cellRight = x + LineWidth(font, line);
  const uint32_t back = DibColor(dc->backColor), text = DibColor(dc->textColor);
  for (int y = std::max(top, clip.top); y < std::min(cellBottom, clip.bottom); ++y) {
    for (int px = std::max(x, clip.left); px < std::min(cellRight, clip.right); ++px) {
      uint32_t& pixel = bitmap->pixels[static_cast<size_t>(y) * bitmap->width + px];
      pixel = (pixel & 0xFF000000u) | back;
    }
  }
  int pen = x;
  for (int i = 0; i < line.length; ++i) {
    if (!LoadGlyph(font, static_cast<unsigned char>(line.start[i]), true)) continue;
    const FT_GlyphSlot slot = font->face->glyph;
    DrawGlyphBitmap(bitmap, slot->bitmap, pen + slot->bitmap_left,
                    top + font->ascent - slot->bitmap_top, text, clip);
    pen += AdvancePixels(font);
  }
}

bool ValidDc(HDC dc) { return dc != nullptr; }

void Unselect(HGDIOBJ object) {
  if (object) --object->selectedCount;
}

}  // namespace

// ---- Device contexts ----------------------------------------------------------------------

HDC GetDC(HWND) {
  DeviceContextRecord& screen = State().screen;
  if (!screen.font && (screen.font = StockFont())) ++screen.font->selectedCount;
  return &screen;
}

int ReleaseDC(HWND, HDC dc) { return dc == &State().screen ? 1 : 0; }

HDC CreateCompatibleDC(HDC) {
  auto* dc = new DeviceContextRecord;
  dc->font = StockFont();
  dc->bitmap = StockBitmap();
  if (dc->font) ++dc->font->selectedCount;
  ++dc->bitmap->selectedCount;
  ++State().liveDcs;
  return dc;
}

BOOL DeleteDC(HDC dc) {
  if (!ValidDc(dc) || dc->screen) return FALSE;
  Unselect(dc->font);
  Unselect(dc->bitmap);
  delete dc;
  --State().liveDcs;
  return TRUE;
}

int GetDeviceCaps(HDC, int index) {
  return index == LOGPIXELSX || index == LOGPIXELSY ? kDotsPerInch : 0;
}

// ---- Objects ------------------------------------------------------------------------------

HFONT CreateFontA(int height, int, int, int, int weight, DWORD italic, DWORD, DWORD, DWORD, DWORD,
                  DWORD, DWORD, DWORD, LPCSTR faceName) {
  HGDIOBJ font =
      NewFont(faceName ? faceName : "", height, weight ? weight : FW_NORMAL, italic != 0);
  if (font) ++State().liveObjects;
  return font;
}

HGDIOBJ SelectObject(HDC dc, HGDIOBJ object) {
  if (!ValidDc(dc) || !object) return nullptr;
  HGDIOBJ& slot = object->kind == GdiObjectRecord::kFont ? dc->font : dc->bitmap;
  HGDIOBJ previous = slot;
  Unselect(previous);
  slot = object;
  ++object->selectedCount;
  return previous;
}

BOOL DeleteObject(HGDIOBJ object) {
  if (!object || object->stock || object->selectedCount > 0) return FALSE;
  if (object->face) FT_Done_Face(object->face);
  delete object;
  --State().liveObjects;
  return TRUE;
}

COLORREF SetTextColor(HDC dc, COLORREF color) {
  if (!ValidDc(dc)) return 0xFFFFFFFF;
  return std::exchange(dc->textColor, color & 0x00FFFFFF);
}

COLORREF SetBkColor(HDC dc, COLORREF color) {
  if (!ValidDc(dc)) return 0xFFFFFFFF;
  return std::exchange(dc->backColor, color & 0x00FFFFFF);
}

// ---- Text ---------------------------------------------------------------------------------

int DrawTextA(HDC dc, LPCSTR text, int count, RECT* rect, UINT format) {
  if (!ValidDc(dc) || !dc->font || !text || !rect) return 0;
  if (count < 0) count = static_cast<int>(std::strlen(text));
  const std::vector<TextLine> lines = SplitLines(text, count);
  const int lineHeight = dc->font->ascent + dc->font->descent;
  const int height = static_cast<int>(lines.size()) * lineHeight;
  if (format & DT_CALCRECT) {
    int widest = 0;
    for (const TextLine& line : lines) widest = std::max(widest, LineWidth(dc->font, line));
    rect->right = rect->left + widest;
    rect->bottom = rect->top + height;
    return height;
  }
  const GdiObjectRecord* bitmap = dc->bitmap;
  if (!bitmap) return height;  // the screen context has no bitmap to draw into
  const ClipBox clip{std::max<int>(rect->left, 0), std::max<int>(rect->top, 0),
                     std::min<int>(rect->right, bitmap->width),
                     std::min<int>(rect->bottom, bitmap->height)};
  for (size_t i = 0; i < lines.size(); ++i) {
    DrawLine(dc, lines[i], rect->left, rect->top + static_cast<int>(i) * lineHeight, clip);
  }
  return height;
}

// ---- Device-independent bitmaps -----------------------------------------------------------

namespace {

bool Is32BitRgb(const BITMAPINFOHEADER* h) {
  return h && h->biBitCount == 32 && h->biCompression == BI_RGB && h->biWidth > 0 &&
         h->biHeight != 0;
}

// The bitmap row stored at DIB row r (the r-th row in memory).
int BitmapRowOfDibRow(const BITMAPINFOHEADER* h, int height, int r) {
  return h->biHeight < 0 ? r : height - 1 - r;
}

}  // namespace

HBITMAP CreateDIBitmap(HDC dc, const BITMAPINFOHEADER* header, DWORD init, const void* bits,
                       const BITMAPINFO*, UINT) {
  GdiState& s = State();
  if (s.failCreateDIBitmap > 0) {
    --s.failCreateDIBitmap;
    return nullptr;
  }
  if (!ValidDc(dc) || !Is32BitRgb(header)) return nullptr;
  const int width = header->biWidth;
  const int height = header->biHeight < 0 ? -header->biHeight : header->biHeight;
  if (int64_t{width} * height * 4 > kMaxBitmapBytes) return nullptr;
  auto* bitmap = NewObject(GdiObjectRecord::kBitmap);
  bitmap->width = width;
  bitmap->height = height;
  bitmap->pixels.assign(static_cast<size_t>(width) * height, 0);
  if ((init & CBM_INIT) && bits) {
    const auto* source = static_cast<const uint32_t*>(bits);
    for (int r = 0; r < height; ++r) {
      std::memcpy(
          &bitmap->pixels[static_cast<size_t>(BitmapRowOfDibRow(header, height, r)) * width],
          source + static_cast<size_t>(r) * width, static_cast<size_t>(width) * 4);
    }
  }
  ++s.liveObjects;
  return bitmap;
}

int GetDIBits(HDC dc, HBITMAP bitmap, UINT start, UINT lines, void* bits, BITMAPINFO* info, UINT) {
  if (!ValidDc(dc) || !bitmap || bitmap->kind != GdiObjectRecord::kBitmap || !bits || !info) {
    return 0;
  }
  const BITMAPINFOHEADER* header = &info->bmiHeader;
  if (!Is32BitRgb(header) || header->biWidth != bitmap->width) return 0;
  const int height = bitmap->height;
  if (start >= static_cast<UINT>(height)) return 0;
  const int rows = static_cast<int>(std::min<UINT>(lines, height - start));
  auto* out = static_cast<uint32_t*>(bits);
  for (int k = 0; k < rows; ++k) {
    const int bitmapRow = BitmapRowOfDibRow(header, height, static_cast<int>(start) + k);
    std::memcpy(out + static_cast<size_t>(k) * bitmap->width,
                &bitmap->pixels[static_cast<size_t>(bitmapRow) * bitmap->width],
                static_cast<size_t>(bitmap->width) * 4);
  }
  return rows;
}

// ---- Test hooks ---------------------------------------------------------------------------

int GdiLiveObjectCount() { return State().liveObjects; }
int GdiLiveDcCount() { return State().liveDcs; }
std::string GdiFontFile(HFONT font) {
  return font && font->kind == GdiObjectRecord::kFont ? font->file : std::string();
}
int GdiFontEmPixels(HFONT font) {
  return font && font->kind == GdiObjectRecord::kFont ? font->emPixels : 0;
}
void GdiFailNextCreateDIBitmap(int n) { State().failCreateDIBitmap = n; }
