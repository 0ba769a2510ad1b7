#pragma once
// GDI stand-in over FreeType and fontconfig: device contexts, fonts chosen by face name,
// weight and italic (fontconfig picks the nearest installed face), 96 dots per inch, and text
// measured and drawn with grey antialiasing into 32-bit device-independent bitmaps.
//
// Only what the texture generator's text operation calls is here. Text is drawn top-left in
// the rectangle, broken only at the text's own line breaks (CR, LF or CR LF), in opaque mode:
// each line's cell is filled with the background colour and the glyphs blended over it by
// their coverage. '&' is drawn as it stands (DT_NOPREFIX behaviour, whatever the flags).

#include "platform/win32.h"

using COLORREF = DWORD;  // 0x00BBGGRR

struct RECT {
  LONG left;
  LONG top;
  LONG right;
  LONG bottom;
};

struct BITMAPINFOHEADER {
  DWORD biSize;
  LONG biWidth;
  LONG biHeight;  // negative: rows top to bottom
  WORD biPlanes;
  WORD biBitCount;
  DWORD biCompression;
  DWORD biSizeImage;
  LONG biXPelsPerMeter;
  LONG biYPelsPerMeter;
  DWORD biClrUsed;
  DWORD biClrImportant;
};
static_assert(sizeof(BITMAPINFOHEADER) == 40);

struct RGBQUAD {
  BYTE rgbBlue;
  BYTE rgbGreen;
  BYTE rgbRed;
  BYTE rgbReserved;
};

struct BITMAPINFO {
  BITMAPINFOHEADER bmiHeader;
  RGBQUAD bmiColors[1];
};

// A device context (the screen or a memory context) and a GDI object (font or bitmap).
struct DeviceContextRecord;
struct GdiObjectRecord;
using HDC = DeviceContextRecord*;
using HGDIOBJ = GdiObjectRecord*;
using HFONT = HGDIOBJ;
using HBITMAP = HGDIOBJ;

constexpr int LOGPIXELSX = 88;
constexpr int LOGPIXELSY = 90;
constexpr int FW_NORMAL = 400;
constexpr int FW_BOLD = 700;
constexpr DWORD DEFAULT_CHARSET = 1;
constexpr DWORD OUT_DEFAULT_PRECIS = 0;
constexpr DWORD CLIP_DEFAULT_PRECIS = 0;
constexpr DWORD ANTIALIASED_QUALITY = 4;
constexpr DWORD VARIABLE_PITCH = 2;
constexpr DWORD FF_DONTCARE = 0;
constexpr UINT DT_TOP = 0x0000;
constexpr UINT DT_LEFT = 0x0000;
constexpr UINT DT_CALCRECT = 0x0400;
constexpr UINT DT_NOPREFIX = 0x0800;
constexpr DWORD CBM_INIT = 4;
constexpr UINT DIB_RGB_COLORS = 0;
constexpr DWORD BI_RGB = 0;

// The screen's device context for a null window (any window gives the same); ReleaseDC
// returns 1 for it.
HDC GetDC(HWND window);
int ReleaseDC(HWND window, HDC dc);
// A memory context with the stock font and a 1 x 1 stock bitmap selected; DeleteDC frees it.
HDC CreateCompatibleDC(HDC dc);
BOOL DeleteDC(HDC dc);
// LOGPIXELSX and LOGPIXELSY: 96. Other indexes: 0.
int GetDeviceCaps(HDC dc, int index);

// A font of the nearest installed face: height < 0 asks for an em of -height pixels, > 0 for a
// cell (ascent + descent) of height pixels, 0 for the default 16-pixel em. Weight 100..900
// (FW_BOLD 700), italic nonzero for an italic or oblique face; width, escapement, orientation,
// underline, strike-out, character set, precisions, quality and pitch are accepted and not
// used (text is always grey-antialiased). Null when no face can be loaded.
HFONT CreateFontA(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                  DWORD underline, DWORD strikeOut, DWORD charSet, DWORD outPrecision,
                  DWORD clipPrecision, DWORD quality, DWORD pitchAndFamily, LPCSTR faceName);
// Selects a font or a bitmap into the context and returns the object of that kind that was
// selected before (null for a bad handle).
HGDIOBJ SelectObject(HDC dc, HGDIOBJ object);
// Frees a font or bitmap. Fails (FALSE) for a stock object or one still selected somewhere.
BOOL DeleteObject(HGDIOBJ object);
// Return the previous colour.
COLORREF SetTextColor(HDC dc, COLORREF color);
COLORREF SetBkColor(HDC dc, COLORREF color);

// Measures (DT_CALCRECT: right = left + widest line, bottom = top + lines x line height; nothing
// drawn) or draws `count` characters of text (-1: up to the terminating zero) into the
// selected bitmap, clipped to the rectangle and the bitmap. Returns the text's height in
// pixels, 0 on failure.
int DrawTextA(HDC dc, LPCSTR text, int count, RECT* rect, UINT format);

// A 32-bit bitmap of the header's size (negative height: top-down rows); with CBM_INIT its
// pixels are copied from `bits`, laid out as the header says. Only 32-bit BI_RGB headers are
// accepted; null otherwise or when the size is 0 or above 2^31 bytes.
HBITMAP CreateDIBitmap(HDC dc, const BITMAPINFOHEADER* header, DWORD init, const void* bits,
                       const BITMAPINFO* info, UINT usage);
// Copies rows start..start+lines-1 of the bitmap into `bits` in the 32-bit layout of the
// header (negative height: top-down). Returns the number of rows copied, 0 on failure.
int GetDIBits(HDC dc, HBITMAP bitmap, UINT start, UINT lines, void* bits, BITMAPINFO* info,
              UINT usage);
