// Direct3D stand-in: the Direct3D object, its capabilities and display modes.

#include <optional>
#include <vector>

#include "platform/d3d9_internal.h"
#include "platform/sdl_window.h"
#include "platform/testing_d3d9.h"

namespace {

constexpr DWORD kVertexShader20 = 0xFFFE0200;
constexpr DWORD kPixelShader20 = 0xFFFF0200;

DWORD g_vertexShaderVersion = kVertexShader20;
DWORD g_pixelShaderVersion = kPixelShader20;
std::optional<std::vector<D3DDISPLAYMODE>> g_modes;

// The display's modes as SDL lists them, each offered as X8R8G8B8.
std::vector<D3DDISPLAYMODE> SdlModes() {
  std::vector<D3DDISPLAYMODE> modes;
  const int count = Win32DisplayModeCount();
  for (int i = 0; i < count; ++i) {
    Win32DisplayMode mode;
    if (!Win32GetDisplayMode(i, &mode)) continue;
    modes.push_back({static_cast<UINT>(mode.width), static_cast<UINT>(mode.height),
                     static_cast<UINT>(mode.refreshRate), D3DFMT_X8R8G8B8});
  }
  return modes;
}

std::vector<D3DDISPLAYMODE> Modes(D3DFORMAT format) {
  if (format != D3DFMT_X8R8G8B8) return {};
  return g_modes ? *g_modes : SdlModes();
}

}  // namespace

IDirect3D9* Direct3DCreate9(UINT sdkVersion) {
  if (D3D9Enter("Direct3DCreate9", sdkVersion) != D3D_OK || sdkVersion != D3D_SDK_VERSION)
    return nullptr;
  if (!Win32InitVideo()) return nullptr;  // Win32InitVideo has said why
  IDirect3D9* d3d = new IDirect3D9{};
  D3D9ObjectInit(d3d, kKindDirect3D, nullptr, D3DPOOL_DEFAULT);
  return d3d;
}

void D3D9DestroyDirect3D(IDirect3D9* d3d) {
  D3D9ObjectUnlink(d3d);
  delete d3d;
}

HRESULT IDirect3D9::GetDeviceCaps(UINT adapter, D3DDEVTYPE type, D3DCAPS9* caps) {
  if (HRESULT fault = D3D9Enter("GetDeviceCaps", adapter, type)) return fault;
  if (!caps || adapter != D3DADAPTER_DEFAULT) return D3DERR_INVALIDCALL;
  *caps = D3DCAPS9{};
  caps->DeviceType = type;
  caps->AdapterOrdinal = adapter;
  caps->MaxTextureWidth = caps->MaxTextureHeight = kMaxTextureSize;
  caps->MaxVolumeExtent = kMaxVolumeExtent;
  caps->MaxSimultaneousTextures = kMaxTextureStages;
  caps->VertexShaderVersion = g_vertexShaderVersion;
  caps->MaxVertexShaderConst = kVertexConstants;
  caps->PixelShaderVersion = g_pixelShaderVersion;
  return D3D_OK;
}

UINT IDirect3D9::GetAdapterModeCount(UINT adapter, D3DFORMAT format) {
  if (D3D9Enter("GetAdapterModeCount", adapter, format) != D3D_OK) return 0;
  return adapter == D3DADAPTER_DEFAULT ? static_cast<UINT>(Modes(format).size()) : 0;
}

HRESULT IDirect3D9::EnumAdapterModes(UINT adapter, D3DFORMAT format, UINT mode,
                                     D3DDISPLAYMODE* out) {
  if (HRESULT fault = D3D9Enter("EnumAdapterModes", adapter, format, mode)) return fault;
  const std::vector<D3DDISPLAYMODE> modes = Modes(format);
  if (!out || adapter != D3DADAPTER_DEFAULT || mode >= modes.size()) return D3DERR_INVALIDCALL;
  *out = modes[mode];
  return D3D_OK;
}

namespace d3d9test {

void SetShaderVersions(DWORD vertexShaderVersion, DWORD pixelShaderVersion) {
  g_vertexShaderVersion = vertexShaderVersion;
  g_pixelShaderVersion = pixelShaderVersion;
}

void SetAdapterModes(const std::vector<D3DDISPLAYMODE>& modes) { g_modes = modes; }

void ResetHooks() {
  g_vertexShaderVersion = kVertexShader20;
  g_pixelShaderVersion = kPixelShader20;
  g_modes.reset();
  D3D9ClearFaultsAndTrace();
}

}  // namespace d3d9test
