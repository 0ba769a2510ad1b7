#pragma once
// Text drawn with a GDI font: rendered white on black at twice the requested size, reduced by a
// 2 x 2 box filter and written into the image in a colour, which gives smooth edges and an
// alpha channel for overlays. Writes any kind with pixels (a volume's first slice).

#include <cstdint>

#include "platform/gdi.h"
#include "texgen/texture.h"

// The text's extent in pixels (right = width, bottom = height) in the context's font.
RECT MeasureText(HDC dc, const char* text);
// Draws the text top-left into the texture's pixels: a bitmap made from the pixels, the text
// drawn white on black in opaque mode, and the rows read back. Nothing changes when the bitmap
// cannot be made or read.
void TextureGdiDrawText(HDC dc, Texture* texture, const char* text);
// Renders `text` in the nearest installed face to `face` with an em of MulDiv(2 size, 96, 72)
// pixels (bold weight 700, italic) and writes it at (x, y): each 2 x 2 block of the rendering
// gives R, G, B (truncated means) and A = (R + G + B) / 3; blocks with R = G = B = 0 leave the
// target pixel as it was, others become R, G, B, A times the colour's channels / 255 (rounded,
// at most 255). Targets past the right or bottom edge are cut. An empty face name or text
// changes nothing; a text extent above 65,535 pixels, or one whose rendering would exceed
// kTextureMaxBytes, is cut on the right and at the bottom.
void TextureDrawText(Texture* texture, const char* face, uint8_t size, bool bold, bool italic,
                     uint16_t x, uint16_t y, uint32_t color, const char* text);
