#include "render/target_manager.h"

#include "platform/crt.h"
#include "render/device.h"
#include "render/renderer.h"
#include "render/screen_draw.h"
#include "texgen/texture.h"

namespace {

constexpr DWORD kTextureStages = 4;

void CreateLatencyTargets(TargetManager& manager) {
  for (IDirect3DSurface9*& target : manager.latency) {
    target = nullptr;
    manager.device->CreateRenderTarget(2, 2, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_NONE, 0, TRUE, &target,
                                       nullptr);
  }
}

void ReleaseSurface(IDirect3DSurface9*& surface) {
  if (surface) surface->Release();
  surface = nullptr;
}

void ReleaseTexture(Texture* record) {
  if (record->texture) record->texture->Release();
  record->texture = nullptr;
}

IDirect3DTexture9* TargetTexture(Texture* record) {
  return static_cast<IDirect3DTexture9*>(record->texture);
}

// Creates the record's one-level render-target texture at its own size; false on failure.
bool CreateTargetTexture(TargetManager& manager, Texture* record) {
  IDirect3DTexture9* texture = nullptr;
  HRESULT result =
      manager.device->CreateTexture(record->width, record->height, 1, D3DUSAGE_RENDERTARGET,
                                    D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &texture, nullptr);
  record->texture = result == D3D_OK ? texture : nullptr;
  if (!record->texture) return false;
  // A new target starts transparent black instead of whatever its memory held.
  TargetManagerClearTarget(manager, record);
  return true;
}

void FreeRecord(Texture* record) {
  ReleaseTexture(record);
  TextureFreeImage(record);
  crt::AlignedDelete(record);
}

}  // namespace

void TargetManagerClearTarget(TargetManager& manager, Texture* record) {
  if (!record->texture) return;
  IDirect3DSurface9* previous = nullptr;
  IDirect3DSurface9* surface = nullptr;
  manager.device->GetRenderTarget(0, &previous);
  if (TargetTexture(record)->GetSurfaceLevel(0, &surface) != D3D_OK)
    return ReleaseSurface(previous);
  manager.device->SetRenderTarget(0, surface);
  manager.device->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
  manager.device->SetRenderTarget(0, previous);
  ReleaseSurface(surface);
  ReleaseSurface(previous);
}

TargetManager* TargetManagerInit(TargetManager* manager, IDirect3DDevice9* device, Device* owner) {
  manager->device = device;
  CreateLatencyTargets(*manager);
  manager->targets = ListCreate();
  manager->current = nullptr;
  manager->savedBackBuffer = nullptr;
  manager->ring = 0;
  manager->owner = owner;
  return manager;
}

void TargetManagerCleanup(TargetManager& manager) {
  for (IDirect3DSurface9*& target : manager.latency) ReleaseSurface(target);
  for (Texture* target : ListItems<Texture>(*manager.targets)) FreeRecord(target);
  ListDestroy(manager.targets);
  manager.targets = nullptr;
  ReleaseSurface(manager.savedBackBuffer);
}

Texture* TargetManagerCreateTarget(TargetManager& manager, uint32_t width, uint32_t height) {
  // Sizes are kept in 16 bits for the rebuild after a reset; a side of 0 or one that does not
  // fit makes no target.
  if (width == 0 || height == 0 || width > 0xFFFF || height > 0xFFFF) return nullptr;
  Texture* record = crt::AlignedNew<Texture>();
  TextureInit2DFiltered(record, static_cast<uint16_t>(width), static_cast<uint16_t>(height), 1);
  if (!CreateTargetTexture(manager, record)) {
    FreeRecord(record);
    return nullptr;
  }
  ListAppend(*manager.targets, record);
  return record;
}

void TargetManagerDestroyTarget(TargetManager& manager, Texture* record) {
  if (!record) return;
  if (manager.current == record) TargetManagerSelect(manager, nullptr, 0);
  ListRemoveValue(*manager.targets, record);
  FreeRecord(record);
}

void TargetManagerSelect(TargetManager& manager, Texture* record, uint8_t clear) {
  if (record == manager.current) return;
  IDirect3DDevice9* device = manager.device;
  device->EndScene();
  if (!manager.current) device->GetRenderTarget(0, &manager.savedBackBuffer);
  IDirect3DSurface9* surface = nullptr;
  if (!record) {
    surface = manager.savedBackBuffer;
    manager.savedBackBuffer = nullptr;
  } else {
    // A texture is never sampled while it is drawn into.
    for (DWORD stage = 0; stage < kTextureStages; ++stage) device->SetTexture(stage, nullptr);
    if (record->texture) TargetTexture(record)->GetSurfaceLevel(0, &surface);
  }
  if (surface) device->SetRenderTarget(0, surface);
  ReleaseSurface(surface);
  device->BeginScene();
  if (record && clear) device->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
  manager.current = record;
}

void TargetManagerBeginScene(TargetManager& manager) { manager.device->BeginScene(); }

void TargetManagerEndFrame(TargetManager& manager) {
  IDirect3DDevice9* device = manager.device;
  uint32_t next = manager.ring == 2 ? 0 : manager.ring + 1;
  IDirect3DSurface9* kept = nullptr;
  device->GetRenderTarget(0, &kept);
  if (IDirect3DSurface9* fence = manager.latency[next]) {
    // Drawn into two frames ago: the lock returns once the card has finished that frame.
    D3DLOCKED_RECT locked;
    if (fence->LockRect(&locked, nullptr, D3DLOCK_READONLY) == D3D_OK) fence->UnlockRect();
  }
  // Without its latency target (its creation failed) the frame draws no fence triangle, but
  // leaves the same states behind.
  IDirect3DSurface9* drawn = manager.latency[manager.ring];
  if (drawn) device->SetRenderTarget(0, drawn);
  device->SetRenderState(D3DRS_ZENABLE, FALSE);
  RendererResetShaderMode(manager.owner->renderer->shaders);
  static const float kTriangle[12] = {0, 0, 0, 1, 0, 1, 0, 1, 1, 0, 0, 1};
  device->SetFVF(D3DFVF_XYZRHW);
  if (drawn) device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, kTriangle, 16);
  device->SetFVF(0);
  device->SetRenderState(D3DRS_ZENABLE, TRUE);
  if (drawn) device->SetRenderTarget(0, kept);
  ReleaseSurface(kept);
  manager.ring = next;
  device->EndScene();
  device->Present(nullptr, nullptr, nullptr, nullptr);
}

void TargetManagerRelease(TargetManager& manager) {
  for (IDirect3DSurface9*& target : manager.latency) ReleaseSurface(target);
  for (Texture* target : ListItems<Texture>(*manager.targets)) ReleaseTexture(target);
}

void TargetManagerRestore(TargetManager& manager) {
  CreateLatencyTargets(manager);
  for (Texture* target : ListItems<Texture>(*manager.targets)) {
    CreateTargetTexture(manager, target);
  }
}

void TargetManagerCopyCurrent(TargetManager& manager, Texture* destination, float zoom,
                              uint8_t clear) {
  Texture* source = manager.current;
  if (!source) return;
  TargetManagerSelect(manager, destination, clear);
  RendererDrawScreenTarget(*manager.owner->renderer, source, zoom, 1, 1.0f);
  TargetManagerSelect(manager, source, 0);
}
