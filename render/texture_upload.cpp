#include "render/texture_upload.h"

#include <cstring>

#include "math/list.h"
#include "render/device.h"
#include "render/target_manager.h"
#include "texgen/texture.h"

namespace {

constexpr uint32_t kCubeFaces = 6;
constexpr uint32_t kBytesPerTexel = 4;

uint8_t* Row(const D3DLOCKED_RECT& locked, uint32_t y) {
  return static_cast<uint8_t*>(locked.pBits) + static_cast<size_t>(y) * locked.Pitch;
}

bool UploadCube(Texture* texture, IDirect3DDevice9* device) {
  if (texture->width != texture->height || !texture->pixels) return false;
  IDirect3DCubeTexture9* cube = nullptr;
  if (device->CreateCubeTexture(texture->width, 1, 0, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, &cube,
                                nullptr) != D3D_OK) {
    return false;
  }
  texture->texture = cube;
  // Every face shows the first face's image.
  for (uint32_t face = 0; face < kCubeFaces; ++face) {
    TextureFillCubeFace(texture, static_cast<D3DCUBEMAP_FACES>(face), texture->pixels);
  }
  return true;
}

bool Upload2D(Texture* texture, IDirect3DDevice9* device) {
  IDirect3DTexture9* image = nullptr;
  if (!texture->pixels ||
      device->CreateTexture(texture->width, texture->height, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED,
                            &image, nullptr) != D3D_OK) {
    return false;
  }
  texture->texture = image;
  D3DLOCKED_RECT locked;
  if (image->LockRect(0, &locked, nullptr, 0) != D3D_OK) return true;
  for (uint32_t y = 0; y < texture->height; ++y) {
    std::memcpy(Row(locked, y), texture->pixels + static_cast<size_t>(y) * texture->width,
                size_t{texture->width} * kBytesPerTexel);
  }
  TextureBuildMips(texture, locked, 1);
  image->UnlockRect(0);
  return true;
}

bool UploadVolume(Texture* texture, IDirect3DDevice9* device) {
  IDirect3DVolumeTexture9* volume = nullptr;
  if (!texture->pixels ||
      device->CreateVolumeTexture(texture->width, texture->height, texture->depth, 1, 0,
                                  D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &volume, nullptr) != D3D_OK) {
    return false;
  }
  texture->texture = volume;
  D3DLOCKED_BOX locked;
  if (volume->LockBox(0, &locked, nullptr, 0) != D3D_OK) return true;
  const uint32_t* source = texture->pixels;
  for (uint32_t z = 0; z < texture->depth; ++z) {
    for (uint32_t y = 0; y < texture->height; ++y) {
      uint8_t* row = static_cast<uint8_t*>(locked.pBits) + size_t{z} * locked.SlicePitch +
                     size_t{y} * locked.RowPitch;
      std::memcpy(row, source, size_t{texture->width} * kBytesPerTexel);
      source += texture->width;
    }
  }
  volume->UnlockBox(0);
  return true;
}

bool UploadTarget(Texture* texture, Device& device) {
  texture->target =
      TargetManagerCreateTarget(*device.targetManager, texture->width, texture->height);
  return texture->target != nullptr;
}

bool UploadByKind(Texture* texture, Device& device) {
  switch (texture->kind) {
    case kTextureKindCube: return UploadCube(texture, device.device);
    case kTextureKind2D:
      return texture->renderTarget ? UploadTarget(texture, device)
                                   : Upload2D(texture, device.device);
    case kTextureKindVolume: return UploadVolume(texture, device.device);
    default: return false;
  }
}

}  // namespace

void TextureUpload(Texture* texture, Device& device) {
  if (texture->uploaded) TextureRelease(texture, device);
  if (!UploadByKind(texture, device)) return;
  texture->uploaded = 1;
  ListAppend(*device.textures, texture);
}

void TextureRelease(Texture* texture, Device& device) {
  if (!texture->uploaded) return;
  if (texture->renderTarget) {
    TargetManagerDestroyTarget(*device.targetManager, texture->target);
    texture->target = nullptr;
  } else {
    TextureBind(device, nullptr, 0);
    if (texture->texture) texture->texture->Release();
    texture->texture = nullptr;
  }
  texture->uploaded = 0;
  ListRemoveValue(*device.textures, texture);
}

void TextureBind(Device& device, Texture* texture, uint32_t stage) {
  IDirect3DDevice9* d3d = device.device;
  if (!texture) {
    d3d->SetTexture(stage, nullptr);
    return;
  }
  Texture* source = texture->renderTarget ? texture->target : texture;
  d3d->SetTexture(stage, source ? source->texture : nullptr);
  TextureApplyFilters(device, texture, stage);
  DWORD address = texture->clamp ? D3DTADDRESS_CLAMP : D3DTADDRESS_WRAP;
  d3d->SetSamplerState(stage, D3DSAMP_ADDRESSU, address);
  d3d->SetSamplerState(stage, D3DSAMP_ADDRESSV, address);
  d3d->SetSamplerState(stage, D3DSAMP_ADDRESSW, address);
}

void TextureApplyFilters(Device& device, const Texture* texture, uint32_t stage) {
  IDirect3DDevice9* d3d = device.device;
  d3d->SetSamplerState(stage, D3DSAMP_MAGFILTER,
                       texture->linearFilter ? D3DTEXF_LINEAR : D3DTEXF_POINT);
  d3d->SetSamplerState(stage, D3DSAMP_MINFILTER, D3DTEXF_ANISOTROPIC);
  d3d->SetSamplerState(stage, D3DSAMP_MIPFILTER, D3DTEXF_LINEAR);
}

void TextureBuildMips(Texture* texture, const D3DLOCKED_RECT& previous, uint32_t level) {
  // Sides are 16-bit: from level 16 on the scale exceeds every side.
  if (level >= 16) return;
  uint32_t scale = 1u << level;
  if (scale > texture->width || scale > texture->height) return;
  auto* image = static_cast<IDirect3DTexture9*>(texture->texture);
  D3DLOCKED_RECT locked;
  if (image->LockRect(level, &locked, nullptr, 0) != D3D_OK) return;
  uint32_t width = texture->width / scale;
  uint32_t height = texture->height / scale;
  for (uint32_t y = 0; y < height; ++y) {
    const uint8_t* above = Row(previous, 2 * y);
    const uint8_t* below = Row(previous, 2 * y + 1);
    uint8_t* out = Row(locked, y);
    for (uint32_t byte = 0; byte < width * kBytesPerTexel; ++byte) {
      uint32_t left = (byte / kBytesPerTexel) * 2 * kBytesPerTexel + byte % kBytesPerTexel;
      uint32_t sum =
          above[left] + above[left + kBytesPerTexel] + below[left] + below[left + kBytesPerTexel];
      out[byte] = static_cast<uint8_t>(sum / 4);
    }
  }
  TextureBuildMips(texture, locked, level + 1);
  image->UnlockRect(level);
}

void TextureFillCubeFace(Texture* texture, D3DCUBEMAP_FACES face, const uint32_t* pixels) {
  auto* cube = static_cast<IDirect3DCubeTexture9*>(texture->texture);
  D3DLOCKED_RECT locked;
  if (cube->LockRect(face, 0, &locked, nullptr, 0) != D3D_OK) return;
  uint32_t edge = texture->width;
  for (uint32_t y = 0; y < edge; ++y) {
    auto* out = reinterpret_cast<uint32_t*>(Row(locked, y));
    // Bytes blue, green, red copied; byte 3 (alpha) written 0.
    for (uint32_t x = 0; x < edge; ++x) out[x] = pixels[size_t{y} * edge + x] & 0x00FFFFFFu;
  }
  cube->UnlockRect(face, 0);
}
