#include "tests/support/d3d9_device.h"

#include <cstring>

#include "platform/sdl_window.h"
#include "shell/device_startup.h"

namespace testsupport {

const char* OpenD3D9Window(D3D9Window& out, const char* windowClass, int x, int y, int width,
                           int height, bool show) {
  if (!Win32InitVideo()) return "no display";
  out.windowClass = windowClass;
  WNDCLASSA c{};
  c.lpfnWndProc = DefWindowProcA;
  c.hInstance = GetModuleHandleA(nullptr);
  c.lpszClassName = windowClass;
  RegisterClassA(&c);
  out.window = CreateWindowExA(0, windowClass, "", WS_POPUP, x, y, width, height, nullptr, nullptr,
                               c.hInstance, nullptr);
  if (out.window == nullptr) return "CreateWindowExA failed";
  if (show) ShowWindow(out.window, SW_SHOWNORMAL);
  out.d3d = Direct3DCreate9(D3D_SDK_VERSION);
  if (out.d3d == nullptr) return "Direct3DCreate9 failed";
  D3DPRESENT_PARAMETERS p = DevicePresentParameters(out.window);
  if (out.d3d->CreateDevice(0, D3DDEVTYPE_HAL, out.window, D3DCREATE_HARDWARE_VERTEXPROCESSING, &p,
                            &out.device) != D3D_OK)
    return "CreateDevice failed";
  return nullptr;
}

void CloseD3D9Window(D3D9Window& w) {
  if (w.device) w.device->Release();
  if (w.d3d) w.d3d->Release();
  if (w.window) DestroyWindow(w.window);
  if (w.windowClass) UnregisterClassA(w.windowClass, GetModuleHandleA(nullptr));
  w = D3D9Window{};
}

IDirect3DTexture9* MakeTexture(IDirect3DDevice9* device, UINT w, UINT h, const uint32_t* texels,
                               UINT levels) {
  IDirect3DTexture9* texture = nullptr;
  if (device->CreateTexture(w, h, levels, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr) !=
      D3D_OK)
    return nullptr;
  D3DLOCKED_RECT locked;
  if (texture->LockRect(0, &locked, nullptr, 0) != D3D_OK) return texture->Release(), nullptr;
  for (UINT y = 0; y < h; ++y)
    std::memcpy(static_cast<uint8_t*>(locked.pBits) + y * locked.Pitch, texels + y * w, w * 4);
  texture->UnlockRect(0);
  return texture;
}

}  // namespace testsupport
