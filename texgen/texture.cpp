#include "texgen/texture.h"

#include <cmath>

#include "platform/crt.h"
#include "texgen/filters.h"

namespace {

constexpr uint32_t kOpaqueBlack = 0xFF000000u;

// Byte size by kind in 64 bits; 0 for unknown kinds and for blocks above the limit.
uint64_t ImageBytes(uint32_t kind, uint64_t width, uint64_t height, uint64_t depth) {
  uint64_t bytes = 0;
  if (kind == kTextureKind2D) bytes = width * height * 4;
  if (kind == kTextureKindVolume) bytes = width * height * depth * 4;
  if (kind == kTextureKindCube) bytes = width * width * 24;
  return bytes <= kTextureMaxBytes ? bytes : 0;
}

}  // namespace

void TextureInit(Texture* texture, uint16_t kind, uint16_t width, uint16_t height, uint16_t depth,
                 uint32_t linearFilter, uint8_t renderTarget) {
  texture->width = width;
  texture->height = kind == kTextureKindCube ? width : height;
  texture->depth = depth;
  texture->uploaded = 0;
  texture->renderTarget = renderTarget;
  texture->linearFilter = linearFilter;
  texture->kind = kind;
  texture->texture = nullptr;
  texture->byteSize = 0;
  texture->clamp = 0;
  texture->pixels = nullptr;
  texture->target = nullptr;
  if (renderTarget) return;
  texture->byteSize = static_cast<uint32_t>(ImageBytes(kind, width, height, depth));
  if (texture->byteSize == 0) return;
  const size_t words = texture->byteSize / 4;
  texture->pixels = static_cast<uint32_t*>(crt::AlignedAlloc(texture->byteSize));
  for (size_t i = 0; i < words; ++i) texture->pixels[i] = kOpaqueBlack;
}

Texture* TextureInit2D(Texture* texture, uint16_t width, uint16_t height, uint32_t linearFilter,
                       uint8_t renderTarget) {
  TextureInit(texture, kTextureKind2D, width, height, 0, linearFilter, renderTarget);
  return texture;
}

Texture* TextureInitScratch(Texture* texture, uint16_t width, uint16_t height) {
  return TextureInit2D(texture, width, height, 0, 0);
}

Texture* TextureInit2DFiltered(Texture* texture, uint16_t width, uint16_t height,
                               uint32_t linearFilter) {
  return TextureInit2D(texture, width, height, linearFilter, 0);
}

Texture* TextureInitPreset(Texture* texture, uint32_t preset) {
  switch (preset) {
    case 0:
      TextureInit(texture, kTextureKindCube, 256, 256, 0, 1, 0);
      break;
    case 1:
      TextureInit(texture, kTextureKindVolume, 64, 64, 64, 1, 0);
      TextureFillVolumeSphere(texture);
      texture->clamp = 1;
      break;
    case 2:
      TextureInit(texture, kTextureKind2D, 4, 4, 0, 0, 0);
      TextureNormalMap(texture);
      break;
    default:
      break;
  }
  return texture;
}

void TextureFreeImage(Texture* texture) {
  if (texture->target) {
    TextureFreeImage(texture->target);
    crt::AlignedDelete(texture->target);
  }
  crt::AlignedFree(texture->pixels);
}

void TextureFillVolumeSphere(Texture* texture) {
  if (texture->kind != kTextureKindVolume || !texture->pixels) return;
  const int halfX = texture->width / 2, halfY = texture->height / 2, halfZ = texture->depth / 2;
  if (halfX == 0 || halfY == 0 || halfZ == 0) return;
  const float hx = static_cast<float>(halfX), hy = static_cast<float>(halfY);
  const float hz = static_cast<float>(halfZ);
  const float invHx = 1.0f / hx;
  const double exponent = static_cast<double>(0.8f);
  uint32_t* voxel = texture->pixels;
  for (int z = 0; z < texture->depth; ++z) {
    const float dz = (static_cast<float>(z) - hz) / hz;
    for (int y = 0; y < texture->height; ++y) {
      const float dy = (static_cast<float>(y) - hy) / hy;
      for (int x = 0; x < texture->width; ++x) {
        const float dx = (static_cast<float>(x) - hx) * invHx;
        float v = 1.0f - std::sqrt(dx * dx + dy * dy + dz * dz);
        if (v < 0.0f) v = 0.0f;
        const float value =
            static_cast<float>(std::pow(static_cast<double>(v * v), exponent)) * 255.0f;
        *voxel++ = static_cast<uint32_t>(crt::RoundToInt(value)) * 0x01010101u;
      }
    }
  }
}

Texture* TextureCreateScratch(uint16_t width, uint16_t height) {
  return TextureInitScratch(crt::AlignedNew<Texture>(), width, height);
}

void TextureDestroy(Texture* texture) {
  if (!texture) return;
  TextureFreeImage(texture);
  crt::AlignedDelete(texture);
}

bool TextureIsEditable(const Texture* texture) {
  return texture && texture->pixels && TexturePixelCount(texture) != 0 &&
         (texture->kind == kTextureKind2D || texture->kind == kTextureKindCube);
}
