#pragma once
// Per-pixel colour operations: each pixel rewritten from its own value, a colour, a random draw
// or the matching pixel of a second image. Every operation walks width x height pixels in
// memory order (a cube's first face), does nothing on a volume unless said otherwise, and does
// nothing on a record without pixels. Colours are 0xAARRGGBB words. Single-precision
// arithmetic; rounding to nearest, ties to even. Random draws come from crt::rand, one per
// pixel and channel as stated, in memory order.

#include <cstdint>

#include "texgen/texture.h"

// Luminance weights 0.3 red + 0.6 green + 0.1 blue, the sum rounded once; 0..255.
int Luminance(uint32_t pixel);
// The same weights with each term rounded by itself before the sum, not limited (0..255 for
// byte channels; 0xFF010004 gives 0, where one rounding of 0.7 would give 1).
int LuminanceOfTerms(uint32_t pixel);
// min(255, round(0.6 red + 0.3 green + 0.1 blue)): note the exchanged red and green weights.
int ComputeLuminance(uint32_t pixel);
// Per channel round(a + (b - a) * t), limited to 0..255, packed as 0xAARRGGBB. t is 0..1 at
// every caller; values outside give the nearer colour's extreme instead of spilling into the
// neighbouring channel.
uint32_t LerpColor(uint32_t a, uint32_t b, float t);

// Red, green and blue become the colour's where Luminance > threshold (strictly).
void TextureThresholdRecolor(Texture* texture, uint8_t threshold, uint32_t color);
// Each channel (alpha too) becomes round(channel * factor) limited to 0..255.
void TextureScaleChannels(Texture* texture, float red, float green, float blue, float alpha);
// Saturating add / subtract of each of the four channels.
void TextureAddColor(Texture* texture, uint32_t color);
void TextureSubtractColor(Texture* texture, uint32_t color);
// One draw r per pixel: alpha 255 when r is odd, 0 when even (50or200: 200 and 50).
void TextureRandomAlpha0or255(Texture* texture);
void TextureRandomAlpha50or200(Texture* texture);
// One draw r per pixel; when r mod 255 < p every channel becomes (channel + colour's) / 2.
void TextureRandomBlendColor(Texture* texture, uint8_t p, uint32_t color);
// Alpha becomes Luminance.
void TextureAlphaFromLuminance(Texture* texture);
// Red, green and blue become 255 - channel.
void TextureInvert(Texture* texture);
// Red, green and blue become min(255, LuminanceOfTerms).
void TextureGrayscale(Texture* texture);
// Red, green and blue become min(channel, colour's channel).
void TextureClampToColor(Texture* texture, uint32_t color);
// Additive noise of amplitude a (draws r mod a, 0..a-1): grey noise takes one draw per pixel
// (and one more for alpha with `alpha`, after it); coloured noise draws alpha (with `alpha`),
// then red, green and blue. Channels saturate at 255. a = 0 draws nothing.
void TextureAddNoise(Texture* texture, uint8_t amplitude, bool perChannel, bool alpha);
// s = round(source channel * factor / 255) for red, green and blue; mode 0 add (saturating),
// 1 subtract (saturating), 2 average (truncated), 3 multiply round(s / 255 * channel); other
// modes nothing. Needs a 2D or cube destination and a source of exactly its size; alpha kept.
void TextureBlend(Texture* texture, const Texture* source, uint8_t mode, uint8_t factor);
// Over the top-left overlap of both images: mode 0 copy all four channels, 1 red, green and
// blue from the source, 2 alpha from the source, 3 alpha = ComputeLuminance(source),
// 4 red, green and blue = source alpha; other modes nothing. Tests the source's kind.
void TextureCombineChannels(Texture* texture, const Texture* source, uint8_t mode);
