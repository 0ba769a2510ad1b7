#include "texgen/filters.h"

#include <cmath>

#include "platform/crt.h"
#include "texgen/color_ops.h"
#include "texgen/pixel.h"
#include "texgen/through_copy.h"

namespace {

// The pixel at linear offset d from index i, the image taken as one array of `count` words.
inline uint32_t LinearNeighbour(const uint32_t* pixels, uint32_t count, uint32_t i, int64_t d) {
  return pixels[FloorMod(int64_t{i} + d, count)];
}

}  // namespace

void TextureVerticalBlur(Texture* texture, uint8_t radius) {
  if (!TextureIsEditable(texture)) return;
  const uint32_t* src = texture->pixels;
  const int width = texture->width, height = texture->height, r = radius;
  TextureRewriteThroughCopy(texture, [&](int x, int y) {
    const uint32_t i = static_cast<uint32_t>(y) * width + x;
    int red = 0, green = 0, blue = 0;
    for (int k = 0; k < r; ++k) {
      const uint32_t p = src[static_cast<uint32_t>(FloorMod(y - k, height)) * width + x];
      red += PixelRed(p) / (r + k);
      green += PixelGreen(p) / (r + k);
      blue += PixelBlue(p) / (r + k);
    }
    return PixelPack(PixelAlpha(src[i]), std::min(red, 255), std::min(green, 255),
                     std::min(blue, 255));
  });
}

void TextureEmboss(Texture* texture, uint8_t strength) {
  if (!TextureIsEditable(texture)) return;
  const uint32_t* src = texture->pixels;
  const uint32_t count = TexturePixelCount(texture);
  const int64_t w = texture->width;
  const float scale = static_cast<float>(strength) * 0.02f;
  TextureRewriteThroughCopy(texture, [&](int x, int y) {
    const uint32_t i = static_cast<uint32_t>(y * w + x);
    auto lum = [&](int64_t d) {
      return static_cast<float>(LuminanceOfTerms(LinearNeighbour(src, count, i, d)));
    };
    const float v = ((lum(-1) - lum(1)) * 0.25f + (lum(w) - lum(-w)) * 0.25f) * scale + 127.0f;
    const int c = crt::RoundToInt(ClampByteF(v));
    return PixelPack(PixelAlpha(src[i]), c, c, c);
  });
}

void TextureConvolve3x3(Texture* texture, const float kernel[9], bool alpha) {
  if (!TextureIsEditable(texture)) return;
  const uint32_t* src = texture->pixels;
  const int width = texture->width, height = texture->height;
  const int channels = alpha ? 4 : 3;
  TextureRewriteThroughCopy(texture, [&](int x, int y) {
    const uint32_t i = static_cast<uint32_t>(y) * width + x;
    float sum[4] = {0.0f, 0.0f, 0.0f, 0.0f};  // blue, green, red, alpha
    for (int r = 0; r < 3; ++r) {
      const int ty = y + r - 1;
      if (ty < 0 || ty >= height) continue;
      for (int c = 0; c < 3; ++c) {
        const int tx = x + c - 1;
        if (tx < 0 || tx >= width) continue;
        const uint32_t p = src[static_cast<uint32_t>(ty) * width + tx];
        const float weight = kernel[r * 3 + c];
        for (int ch = 0; ch < 4; ++ch) sum[ch] += static_cast<float>(PixelChannel(p, ch)) * weight;
      }
    }
    uint32_t out = src[i];
    for (int ch = 0; ch < channels; ++ch) {
      out = PixelWithChannel(out, ch, crt::RoundToInt(ClampByteF(sum[ch])));
    }
    return out;
  });
}

void TextureBlur3x3(Texture* texture, bool alpha) {
  static const float k[9] = {0.05f, 0.1f, 0.05f, 0.1f, 0.4f, 0.1f, 0.05f, 0.1f, 0.05f};
  TextureConvolve3x3(texture, k, alpha);
}

void TextureEdgeDetectStrong(Texture* texture, bool alpha) {
  static const float k[9] = {-0.375f, -0.375f, -0.375f, -0.375f, 1.0f,
                             -0.375f, -0.375f, -0.375f, -0.375f};
  TextureConvolve3x3(texture, k, alpha);
}

void TextureEdgeDetect(Texture* texture, bool alpha) {
  static const float k[9] = {-0.125f, -0.125f, -0.125f, -0.125f, 1.0f,
                             -0.125f, -0.125f, -0.125f, -0.125f};
  TextureConvolve3x3(texture, k, alpha);
}

void TextureSharpen(Texture* texture, bool alpha) {
  static const float k[9] = {0.0f, -1.0f, 0.0f, -1.0f, 5.0f, -1.0f, 0.0f, -1.0f, 0.0f};
  TextureConvolve3x3(texture, k, alpha);
}

void TextureReliefUpLeft(Texture* texture, bool alpha) {
  static const float k[9] = {-0.5f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0f, 0.0f};
  TextureConvolve3x3(texture, k, alpha);
}

void TextureReliefDownRight(Texture* texture, bool alpha) {
  static const float k[9] = {0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0f, -0.5f};
  TextureConvolve3x3(texture, k, alpha);
}

void TextureNormalMap(Texture* texture) {
  if (!TextureIsEditable(texture)) return;
  TextureGrayscale(texture);
  const uint32_t* src = texture->pixels;
  const uint32_t count = TexturePixelCount(texture);
  const int64_t w = texture->width;
  const float inv255 = 1.0f / 255.0f;
  TextureRewriteThroughCopy(texture, [&](int x, int y) {
    const uint32_t i = static_cast<uint32_t>(y * w + x);
    auto h = [&](int64_t d) {
      return static_cast<float>(PixelBlue(LinearNeighbour(src, count, i, d))) * inv255;
    };
    const float c = h(0), l = h(-1), r = h(1), u = h(-w), d = h(w);
    const float ul = h(-w - 1), ur = h(-w + 1), dl = h(w - 1), dr = h(w + 1);
    const float nx =
        (l - c) + (c - r) + 0.5f * ((ul - c) + (c - dr)) + 0.5f * (c - ur) + 0.5f * (dl - c);
    const float ny =
        (d - c) + (c - u) + 0.5f * ((c - ul) + (dr - c)) + 0.5f * (c - ur) + 0.5f * (dl - c);
    const int red = -crt::RoundToInt((nx + 1.0f) * -127.0f);
    const int green = -crt::RoundToInt((ny + 1.0f) * -127.0f);
    const int blue = -crt::RoundToInt(((1.0f - std::sqrt(nx * nx + ny * ny)) + 1.0f) * -127.0f);
    return PixelPack(255, ClampByte(red), ClampByte(green), ClampByte(blue));
  });
}
