#include "shell/device_startup.h"

#include "mesh/trig_tables.h"
#include "platform/crt.h"
#include "platform/d3d9.h"
#include "render/mesh_buffers.h"
#include "render/renderer.h"
#include "render/shader.h"
#include "render/target_manager.h"
#include "render/transform_state.h"

namespace {

constexpr LPCSTR kWindowClass = "w";
constexpr LPCSTR kWindowTitle = "Halvex v2";
// Pixel shader 2.0 as the capabilities report it: 0xFFFF0000 | major << 8 | minor.
constexpr DWORD kPixelShader20 = 0xFFFF0200;
constexpr uint32_t kMinModeWidth = 640;
constexpr uint32_t kMinModeHeight = 480;

// What the window procedure learnt from the last WM_SIZE, read by WindowPollResize.
struct WindowSizeState {
  uint16_t width;   // client width, pixels
  uint16_t height;  // client height, pixels
  uint8_t resized;  // raised by a non-zero size, lowered by the poll
};
WindowSizeState g_windowSize{};

void ShowError(LPCSTR text) { MessageBoxA(nullptr, text, "Error", MB_ICONERROR); }

}  // namespace

D3DPRESENT_PARAMETERS DevicePresentParameters(HWND window) {
  D3DPRESENT_PARAMETERS parameters{};
  parameters.BackBufferFormat = D3DFMT_A8R8G8B8;
  parameters.MultiSampleType = D3DMULTISAMPLE_NONE;
  parameters.SwapEffect = D3DSWAPEFFECT_FLIP;
  parameters.hDeviceWindow = window;
  parameters.Windowed = TRUE;
  parameters.EnableAutoDepthStencil = TRUE;
  parameters.AutoDepthStencilFormat = D3DFMT_D24S8;
  parameters.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
  return parameters;
}

namespace {

// Shows the box, releases the Direct3D object and reports failure.
bool FailDirect3D(Device& device, LPCSTR text) {
  ShowError(text);
  device.d3d->Release();
  device.d3d = nullptr;
  return false;
}

// A mode is offered only when no listed mode shares its width or its height, so refresh-rate
// variants of one size and sizes sharing one side with an earlier mode fall away.
bool SharesASide(const List& modes, uint32_t width, uint32_t height) {
  for (const DisplayMode* mode : ListItems<const DisplayMode>(modes)) {
    if (mode->width == width || mode->height == height) return true;
  }
  return false;
}

void ListDisplayModes(Device& device, UINT count) {
  for (UINT i = 0; i < count; ++i) {
    D3DDISPLAYMODE mode{};
    device.d3d->EnumAdapterModes(D3DADAPTER_DEFAULT, D3DFMT_X8R8G8B8, i, &mode);
    if (mode.Width < kMinModeWidth || mode.Height < kMinModeHeight) continue;
    if (SharesASide(*device.modes, mode.Width, mode.Height)) continue;
    ListAppend(*device.modes, DisplayModeCreate(mode.Width, mode.Height));
  }
}

// Full screen: the display switches to width x height at 32 bits per pixel.
void ChangeDisplayMode(uint32_t width, uint32_t height) {
  DEVMODEA mode{};
  mode.dmSize = sizeof mode;
  mode.dmBitsPerPel = 32;
  mode.dmPelsWidth = width;
  mode.dmPelsHeight = height;
  mode.dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT;
  ChangeDisplaySettingsA(&mode, CDS_FULLSCREEN);
}

HWND OpenWindow(HINSTANCE instance, uint32_t width, uint32_t height, uint8_t fullScreen) {
  DWORD style = WS_POPUP;
  int outerWidth = static_cast<int>(width);
  int outerHeight = static_cast<int>(height);
  if (fullScreen) {
    ChangeDisplayMode(width, height);
  } else {
    style = WS_OVERLAPPEDWINDOW;
    outerWidth += 2 * GetSystemMetrics(SM_CXFRAME);
    outerHeight += 2 * GetSystemMetrics(SM_CYFRAME) + GetSystemMetrics(SM_CYCAPTION);
  }
  return CreateWindowExA(0, kWindowClass, "", style, 0, 0, outerWidth, outerHeight, nullptr,
                         nullptr, instance, nullptr);
}

// Shows the box and undoes what window creation did so far.
bool FailWindow(Device& device, LPCSTR text) {
  ShowError(text);
  DeviceDestroyWindow(device, 0);
  return false;
}

// The states every later draw starts from: depth test LESSEQUAL on, blending off with the
// classic alpha factors, Gouraud shading, fixed-function lighting off; the material is white
// with a black ambient and emissive part and power 128.
void SetDefaultStates(IDirect3DDevice9& d3dDevice) {
  d3dDevice.SetRenderState(D3DRS_ZFUNC, D3DCMP_LESSEQUAL);
  d3dDevice.SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
  d3dDevice.SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
  d3dDevice.SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  d3dDevice.SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
  d3dDevice.SetRenderState(D3DRS_SHADEMODE, D3DSHADE_GOURAUD);
  d3dDevice.SetRenderState(D3DRS_AMBIENT, 0xFFFFFFFF);
  d3dDevice.SetRenderState(D3DRS_LIGHTING, FALSE);
  D3DMATERIAL9 material{};
  material.Diffuse = {1.0f, 1.0f, 1.0f, 1.0f};
  material.Ambient = {0.0f, 0.0f, 0.0f, 1.0f};
  material.Specular = {1.0f, 1.0f, 1.0f, 1.0f};
  material.Emissive = {0.0f, 0.0f, 0.0f, 1.0f};
  material.Power = 128.0f;
  d3dDevice.SetMaterial(&material);
}

// Finishes and frees a state object made at start-up; its field becomes absent.
template <class T>
void FreeStateObject(T*& object, void (*cleanup)(T&)) {
  if (object == nullptr) return;
  cleanup(*object);
  crt::AlignedDelete(object);
  object = nullptr;
}

}  // namespace

// ---- Construction and Direct3D -------------------------------------------------------------

Device* DeviceInit(Device* device) {
  *device = Device{};
  device->modes = ListCreate();
  device->textures = ListCreate();
  device->fogStart = 0.0f;
  device->fogEnd = 100.0f;
  device->fogColor = 0xFFFFFFFF;
  return device;
}

bool DeviceCreateDirect3D(Device& device) {
  device.d3d = Direct3DCreate9(D3D_SDK_VERSION);
  if (device.d3d == nullptr) {
    ShowError("Could not create D3D object!");
    return false;
  }
  D3DCAPS9 caps{};
  if (device.d3d->GetDeviceCaps(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, &caps) != D3D_OK) {
    return FailDirect3D(device, "Could not get graphics card capabilities!");
  }
  if (caps.PixelShaderVersion < kPixelShader20) {
    return FailDirect3D(device, "You need at least a shader model 2.0 compatible graphics card!");
  }
  const UINT count = device.d3d->GetAdapterModeCount(D3DADAPTER_DEFAULT, D3DFMT_X8R8G8B8);
  if (count == 0) {
    return FailDirect3D(device, "Your graphics card doesn't support the X8R8G8B8 format!");
  }
  ListDisplayModes(device, count);
  return true;
}

// ---- Start-up and shutdown ------------------------------------------------------------------

bool DeviceStartUp(Device& device, uint32_t width, uint32_t height, uint8_t fullScreen) {
  if (!DeviceCreateWindow(device, width, height, fullScreen)) return false;
  device.height = static_cast<uint16_t>(height);
  device.width = static_cast<uint16_t>(width);
  SetDefaultStates(*device.device);
  device.transformState = TransformStateInit(crt::AlignedNew<TransformState>(), &device);
  device.targetManager =
      TargetManagerInit(crt::AlignedNew<TargetManager>(), device.device, &device);
  // A shader that fails shows its own box; start-up goes on without it.
  device.renderer = RendererInit(crt::AlignedNew<Renderer>(), &device, device.device);
  DeviceCreateFrameTargets(device, width, height);
  TrigTablesCreate();
  // Picks up a client area that came out smaller than asked for.
  DeviceHandleResize(device);
  return true;
}

void DeviceShutDown(Device& device) {
  if (device.targetManager != nullptr) DeviceReleaseFrameTargets(device);
  FreeStateObject(device.renderer, RendererCleanup);
  FreeStateObject(device.targetManager, TargetManagerCleanup);
  FreeStateObject(device.transformState, TransformStateCleanup);
  DeviceDestroyWindow(device, 0);
  TrigTablesDestroy();
}

// ---- Window and device -----------------------------------------------------------------------

bool DeviceCreateWindow(Device& device, uint32_t width, uint32_t height, uint8_t fullScreen) {
  const HINSTANCE instance = GetModuleHandleA(nullptr);
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(IDC_ARROW));
  windowClass.lpszClassName = kWindowClass;
  RegisterClassA(&windowClass);

  device.fullScreen = fullScreen;
  device.window = OpenWindow(instance, width, height, fullScreen);
  if (device.window == nullptr) return FailWindow(device, "Could not create window!");

  // No FPU_PRESERVE: the main thread computes in single precision from here on.
  D3DPRESENT_PARAMETERS parameters = DevicePresentParameters(device.window);
  if (device.d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, device.window,
                               D3DCREATE_HARDWARE_VERTEXPROCESSING, &parameters,
                               &device.device) != D3D_OK) {
    device.device = nullptr;
    return FailWindow(device, "Could not create D3D device!");
  }
  if (fullScreen) ShowCursor(FALSE);
  ShowWindow(device.window, SW_SHOWNORMAL);
  UpdateWindow(device.window);
  DeviceSetWindowTitle(device);
  return true;
}

void DeviceSetWindowTitle(Device& device) { SetWindowTextA(device.window, kWindowTitle); }

void DeviceReset(Device& device) {
  D3DPRESENT_PARAMETERS parameters = DevicePresentParameters(device.window);
  device.device->Reset(&parameters);
}

void DeviceDestroyWindow(Device& device, uint8_t windowGone) {
  if (device.window != nullptr) {
    if (device.d3d != nullptr) {
      if (device.device != nullptr) device.device->Release();
      device.device = nullptr;
      device.d3d->Release();
      device.d3d = nullptr;
    }
    if (!windowGone) DestroyWindow(device.window);
    device.window = nullptr;
  }
  if (device.fullScreen) {
    ChangeDisplaySettingsA(nullptr, 0);
    ShowCursor(TRUE);
  }
  if (!UnregisterClassA(kWindowClass, GetModuleHandleA(nullptr))) {
    MessageBoxA(nullptr, "Could Not Unregister Class.", "SHUTDOWN ERROR", MB_ICONERROR);
  }
}

// ---- Window procedure ------------------------------------------------------------------------

LRESULT WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_DESTROY: PostQuitMessage(0); return 0;
    case WM_SIZE:
      // A minimised window reports 0 x 0: recorded, but no resize is raised.
      g_windowSize.width = LOWORD(static_cast<uintptr_t>(lParam));
      g_windowSize.height = HIWORD(static_cast<uintptr_t>(lParam));
      if (g_windowSize.width != 0 && g_windowSize.height != 0) g_windowSize.resized = 1;
      return 0;
    case WM_KEYDOWN:
      if (wParam == VK_ESCAPE) DestroyWindow(window);
      return 0;
    default: return DefWindowProcA(window, message, wParam, lParam);
  }
}

bool WindowPollResize(uint32_t& width, uint32_t& height) {
  if (!g_windowSize.resized) return false;
  g_windowSize.resized = 0;
  if (g_windowSize.width == width && g_windowSize.height == height) return false;
  width = g_windowSize.width;
  height = g_windowSize.height;
  return true;
}

bool DeviceHandleResize(Device& device) {
  uint32_t width = device.width;
  uint32_t height = device.height;
  if (!WindowPollResize(width, height)) return false;
  device.width = width;
  device.height = height;
  Renderer& renderer = *device.renderer;
  DeviceReleaseFrameTargets(device);
  TargetManagerRelease(*device.targetManager);
  RendererReleaseMeshes(renderer);
  RendererReleaseScreenQuad(renderer);
  DeviceReset(device);
  // Reset unbinds every shader: the bound cache must not claim otherwise.
  ShaderForgetBound();
  RendererCreateScreenQuad(renderer);
  RendererRestoreMeshes(renderer);
  TargetManagerRestore(*device.targetManager);
  DeviceCreateFrameTargets(device, width, height);
  DeviceClear(device, 0xFF000000u);
  RendererResetShaderMode(renderer.shaders);
  return true;
}
