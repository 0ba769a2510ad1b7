#include "texgen/color_ops.h"

#include <algorithm>
#include <cstring>

#include "platform/crt.h"
#include "texgen/pixel.h"

namespace {

// A double weight times a channel, the product rounded once to float.
inline float Weighted(double weight, int channel) { return static_cast<float>(weight * channel); }

// Applies `newPixel(old)` to every pixel of an editable image, in memory order.
template <class NewPixel>
void ForEachPixel(Texture* texture, NewPixel&& newPixel) {
  if (!TextureIsEditable(texture)) return;
  uint32_t* p = texture->pixels;
  const uint32_t count = TexturePixelCount(texture);
  for (uint32_t i = 0; i < count; ++i) p[i] = newPixel(p[i]);
}

// Applies `channelOp(channel, colourChannel)` to the four channels of every pixel.
template <class ChannelOp>
void CombineWithColor(Texture* texture, uint32_t color, ChannelOp&& channelOp) {
  ForEachPixel(texture, [&](uint32_t p) {
    uint32_t out = 0;
    for (int c = 0; c < 4; ++c) {
      out |= static_cast<uint32_t>(channelOp(PixelChannel(p, c), PixelChannel(color, c)))
             << (8 * c);
    }
    return out;
  });
}

// Each of the four channels becomes (channel + colour's channel) / 2, truncated.
inline uint32_t AverageWithColor(uint32_t p, uint32_t color) {
  uint32_t out = 0;
  for (int c = 0; c < 4; ++c) {
    out |= static_cast<uint32_t>((PixelChannel(p, c) + PixelChannel(color, c)) / 2) << (8 * c);
  }
  return out;
}

inline uint32_t WithRgb(uint32_t p, int r, int g, int b) {
  return PixelPack(PixelAlpha(p), r, g, b);
}

// One draw of noise of amplitude a: 0..a-1.
inline int NoiseDraw(int amplitude) { return crt::rand() % amplitude; }

}  // namespace

int Luminance(uint32_t p) {
  const float sum =
      Weighted(0.3, PixelRed(p)) + Weighted(0.6, PixelGreen(p)) + Weighted(0.1, PixelBlue(p));
  return std::min(crt::RoundToInt(sum), 255);
}

int LuminanceOfTerms(uint32_t p) {
  return crt::RoundToInt(Weighted(0.3, PixelRed(p))) +
         crt::RoundToInt(Weighted(0.6, PixelGreen(p))) +
         crt::RoundToInt(Weighted(0.1, PixelBlue(p)));
}

int ComputeLuminance(uint32_t p) {
  const float sum =
      Weighted(0.6, PixelRed(p)) + Weighted(0.3, PixelGreen(p)) + Weighted(0.1, PixelBlue(p));
  return std::min(crt::RoundToInt(sum), 255);
}

uint32_t LerpColor(uint32_t a, uint32_t b, float t) {
  uint32_t out = 0;
  for (int c = 0; c < 4; ++c) {
    const float ca = static_cast<float>(PixelChannel(a, c));
    const float cb = static_cast<float>(PixelChannel(b, c));
    const float v = ca + (cb - ca) * t;
    const int rounded = v == v ? crt::RoundToInt(ClampByteF(v)) : 0;  // NaN t: channel 0
    out |= static_cast<uint32_t>(rounded) << (8 * c);
  }
  return out;
}

void TextureThresholdRecolor(Texture* texture, uint8_t threshold, uint32_t color) {
  ForEachPixel(texture, [&](uint32_t p) {
    if (Luminance(p) <= threshold) return p;
    return WithRgb(p, PixelRed(color), PixelGreen(color), PixelBlue(color));
  });
}

void TextureScaleChannels(Texture* texture, float red, float green, float blue, float alpha) {
  const float factors[4] = {blue, green, red, alpha};
  ForEachPixel(texture, [&](uint32_t p) {
    uint32_t out = 0;
    for (int c = 0; c < 4; ++c) {
      const float v = static_cast<float>(PixelChannel(p, c)) * factors[c];
      out |= static_cast<uint32_t>(crt::RoundToInt(ClampByteF(v))) << (8 * c);
    }
    return out;
  });
}

void TextureAddColor(Texture* texture, uint32_t color) {
  CombineWithColor(texture, color, [](int c, int k) { return std::min(255, c + k); });
}

void TextureSubtractColor(Texture* texture, uint32_t color) {
  CombineWithColor(texture, color, [](int c, int k) { return std::max(0, c - k); });
}

void TextureRandomAlpha0or255(Texture* texture) {
  ForEachPixel(texture,
               [](uint32_t p) { return PixelWithChannel(p, 3, (crt::rand() & 1) ? 255 : 0); });
}

void TextureRandomAlpha50or200(Texture* texture) {
  ForEachPixel(texture,
               [](uint32_t p) { return PixelWithChannel(p, 3, (crt::rand() & 1) ? 200 : 50); });
}

void TextureRandomBlendColor(Texture* texture, uint8_t probability, uint32_t color) {
  ForEachPixel(texture, [&](uint32_t p) {
    return crt::rand() % 255 < probability ? AverageWithColor(p, color) : p;
  });
}

void TextureAlphaFromLuminance(Texture* texture) {
  ForEachPixel(texture, [](uint32_t p) { return PixelWithChannel(p, 3, Luminance(p)); });
}

void TextureInvert(Texture* texture) {
  ForEachPixel(texture, [](uint32_t p) { return p ^ 0x00FFFFFFu; });
}

void TextureGrayscale(Texture* texture) {
  ForEachPixel(texture, [](uint32_t p) {
    const int g = std::min(255, LuminanceOfTerms(p));
    return WithRgb(p, g, g, g);
  });
}

void TextureClampToColor(Texture* texture, uint32_t color) {
  ForEachPixel(texture, [&](uint32_t p) {
    return WithRgb(p, std::min(PixelRed(p), PixelRed(color)),
                   std::min(PixelGreen(p), PixelGreen(color)),
                   std::min(PixelBlue(p), PixelBlue(color)));
  });
}

void TextureAddNoise(Texture* texture, uint8_t amplitude, bool perChannel, bool alpha) {
  if (amplitude == 0) return;
  const int a = amplitude;
  ForEachPixel(texture, [&](uint32_t p) {
    int alphaValue = PixelAlpha(p), r, g, b;
    if (!perChannel) {
      const int n = NoiseDraw(a);
      if (alpha) alphaValue = std::min(255, alphaValue + NoiseDraw(a));
      r = PixelRed(p) + n, g = PixelGreen(p) + n, b = PixelBlue(p) + n;
    } else {
      if (alpha) alphaValue = std::min(255, alphaValue + NoiseDraw(a));
      r = PixelRed(p) + NoiseDraw(a);
      g = PixelGreen(p) + NoiseDraw(a);
      b = PixelBlue(p) + NoiseDraw(a);
    }
    return PixelPack(alphaValue, std::min(r, 255), std::min(g, 255), std::min(b, 255));
  });
}

namespace {

int BlendChannel(int mode, int channel, int s) {
  const float inv255 = 1.0f / 255.0f;
  switch (mode) {
    case 0:
      return std::min(255, channel + s);
    case 1:
      return std::max(0, channel - s);
    case 2:
      return (channel + s) / 2;
    default:
      return crt::RoundToInt(static_cast<float>(s) * inv255 * static_cast<float>(channel));
  }
}

}  // namespace

void TextureBlend(Texture* texture, const Texture* source, uint8_t mode, uint8_t factor) {
  if (!TextureIsEditable(texture) || !source || !source->pixels || mode > 3) return;
  if (source->width != texture->width || source->height != texture->height) return;
  const float f = static_cast<float>(factor) * (1.0f / 255.0f);
  const uint32_t* src = source->pixels;
  uint32_t* dst = texture->pixels;
  const uint32_t count = TexturePixelCount(texture);
  for (uint32_t i = 0; i < count; ++i) {
    uint32_t out = dst[i];
    for (int c = 0; c < 3; ++c) {
      const int s = crt::RoundToInt(static_cast<float>(PixelChannel(src[i], c)) * f);
      out = PixelWithChannel(out, c, BlendChannel(mode, PixelChannel(dst[i], c), s));
    }
    dst[i] = out;
  }
}

namespace {

uint32_t CombinePixel(int mode, uint32_t d, uint32_t s) {
  switch (mode) {
    case 1:
      return (d & 0xFF000000u) | (s & 0x00FFFFFFu);
    case 2:
      return (s & 0xFF000000u) | (d & 0x00FFFFFFu);
    case 3:
      return PixelWithChannel(d, 3, ComputeLuminance(s));
    default: {
      const int a = PixelAlpha(s);
      return WithRgb(d, a, a, a);
    }
  }
}

}  // namespace

void TextureCombineChannels(Texture* texture, const Texture* source, uint8_t mode) {
  if (!texture || !texture->pixels || !TextureIsEditable(source) || mode > 4) return;
  const int columns = std::min(texture->width, source->width);
  const int rows = std::min(texture->height, source->height);
  for (int y = 0; y < rows; ++y) {
    uint32_t* d = texture->pixels + static_cast<size_t>(y) * texture->width;
    const uint32_t* s = source->pixels + static_cast<size_t>(y) * source->width;
    if (mode == 0) {
      std::memmove(d, s, static_cast<size_t>(columns) * 4);
      continue;
    }
    for (int x = 0; x < columns; ++x) d[x] = CombinePixel(mode, d[x], s[x]);
  }
}
