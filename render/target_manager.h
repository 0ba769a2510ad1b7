#pragma once
// TargetManager: owner of every colour render target (Texture records whose Direct3D texture
// is a one-level A8R8G8B8 render-target texture in the default pool), the one place where the
// device's colour target is switched, and the frame end: a fence that keeps the CPU at most two
// frames ahead of the graphics card, EndScene and Present. One per Device; main thread only.
//
// A Direct3D scene is assumed open whenever Select, CopyCurrent or EndFrame is called; every
// switch of target closes and reopens it.

#include <cstdint>

#include "math/list.h"
#include "platform/d3d9.h"

struct Device;
struct Texture;

constexpr uint32_t kLatencyTargetCount = 3;

struct TargetManager {
  List* targets;                                    // Texture records handed out; owned
  Texture* current;                                 // the colour target now; null: the back buffer
  IDirect3DSurface9* savedBackBuffer;               // held only while a render target is current
  IDirect3DSurface9* latency[kLatencyTargetCount];  // lockable 2 x 2 fence surfaces; null if gone
  uint32_t ring;  // 0..2: the latency target this frame draws into
  IDirect3DDevice9* device;
  Device* owner;  // reaches the Renderer for copies and the fence
};

// Constructs in place: three latency targets, empty list, back buffer current, ring 0.
TargetManager* TargetManagerInit(TargetManager* manager, IDirect3DDevice9* device, Device* owner);
// Releases the latency targets and every listed record (texture, image, record), then the list.
void TargetManagerCleanup(TargetManager& manager);
// A new render-target record of width x height pixels (linear filter), cleared to transparent
// black once. Null, and nothing listed, when a side is 0 or the texture cannot be created.
Texture* TargetManagerCreateTarget(TargetManager& manager, uint32_t width, uint32_t height);
// Unlists the record and frees its texture, image and the record itself. Null does nothing.
void TargetManagerDestroyTarget(TargetManager& manager, Texture* record);
// Clears the record's texture to transparent black. The colour target set now is put back
// (its viewport becomes its whole area again, as after any switch).
void TargetManagerClearTarget(TargetManager& manager, Texture* record);
// Makes the record (null: the back buffer) the colour target. Nothing at all when it is
// current already. Otherwise EndScene, unbinds texture stages 0-3 (a texture is never
// sampled while it is the target), SetRenderTarget (the viewport becomes the whole target),
// BeginScene, and with `clear` on a render target a colour-only clear to 0x00000000.
void TargetManagerSelect(TargetManager& manager, Texture* record, uint8_t clear);
void TargetManagerBeginScene(TargetManager& manager);
// The fence (read-only lock of the latency target drawn two frames ago, one triangle into this
// frame's), the ring advance, EndScene and Present. Leaves the current target as it was.
void TargetManagerEndFrame(TargetManager& manager);
// Before a device reset: releases the latency targets and every listed record's texture.
void TargetManagerRelease(TargetManager& manager);
// After a device reset: new latency targets, and every listed record's texture again at the
// record's own size (cleared once).
void TargetManagerRestore(TargetManager& manager);
// When a render target is current: Select(destination, clear), draws the source additively at
// `zoom` (RendererDrawScreenTarget, alpha 1), Select(source). With the back buffer current:
// nothing.
void TargetManagerCopyCurrent(TargetManager& manager, Texture* destination, float zoom,
                              uint8_t clear);
