#pragma once
// The one Direct3D stand-in set-up the tests and the benchmarks share: a borderless window of
// a given size with a device on it (A8R8G8B8 back buffer, D24S8 depth, immediate present).

#include <cstdint>

#include "platform/d3d9.h"

namespace testsupport {

struct D3D9Window {
  const char* windowClass = nullptr;
  HWND window = nullptr;
  IDirect3D9* d3d = nullptr;
  IDirect3DDevice9* device = nullptr;
};

// Opens the window (shown when `show`) and the device; returns null, or what failed. A missing
// display is reported as "no display".
const char* OpenD3D9Window(D3D9Window& out, const char* windowClass, int x, int y, int width,
                           int height, bool show = true);
// Releases the device and the Direct3D object, destroys the window, unregisters its class.
void CloseD3D9Window(D3D9Window& w);

// A managed A8R8G8B8 texture of w x h whose level 0 holds `texels` (w * h words, top row
// first); a full mip chain when `levels` is 0. Null when creating or locking it fails.
IDirect3DTexture9* MakeTexture(IDirect3DDevice9* device, UINT w, UINT h, const uint32_t* texels,
                               UINT levels = 1);

}  // namespace testsupport
