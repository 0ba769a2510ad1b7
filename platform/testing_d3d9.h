#pragma once
// Test hooks of the Direct3D stand-in: call trace, fault injection, reported capabilities and
// display modes, pixel readback and live-object counts. Included by tests only.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/d3d9.h"

namespace d3d9test {

// ---- Call trace -------------------------------------------------------------------------
// While on, every stand-in call appends one line "Name(arg, arg, ...)": integers in decimal,
// floats as %g, objects as #<creation number> (null as "null"), other pointers as "ptr";
// output pointers are left out. Examples: "SetRenderState(27, 1)", "SetTexture(0, #7)",
// "Clear(0, null, 3, 4278190080, 1, 0)". Turning it on clears it.
void SetTrace(bool on);
const std::vector<std::string>& Trace();
// Lines of the trace that start with `name(`.
std::vector<std::string> TraceOf(const std::string& name);
void ClearTrace();

// ---- Fault injection --------------------------------------------------------------------
// The next `count` calls named `call` (after `skip` successful ones) fail with `result`
// without doing anything. Direct3DCreate9 fails by returning null; GetAdapterModeCount by
// returning 0. Call names are the method names ("CreateTexture", "CreateDevice", ...).
void FailCall(const std::string& call, HRESULT result, int count = 1, int skip = 0);

// ---- Reported adapter -------------------------------------------------------------------
// GetDeviceCaps reports these shader versions instead of 2.0.
void SetShaderVersions(DWORD vertexShaderVersion, DWORD pixelShaderVersion);
// GetAdapterModeCount / EnumAdapterModes report these X8R8G8B8 modes instead of SDL's.
void SetAdapterModes(const std::vector<D3DDISPLAYMODE>& modes);
// Drops every fault, override and the trace.
void ResetHooks();

// ---- Readback (0xAARRGGBB words, top row first, width x height) -------------------------
std::vector<uint32_t> ReadBackBuffer(IDirect3DDevice9* device);
std::vector<uint32_t> ReadSurface(IDirect3DSurface9* surface);
std::vector<uint32_t> ReadTextureLevel(IDirect3DTexture9* texture, UINT level);
std::vector<uint32_t> ReadCubeFace(IDirect3DCubeTexture9* texture, D3DCUBEMAP_FACES face,
                                   UINT level);
// Present calls `hook` with its device before the back buffer reaches the window, so the hook
// may read the frame; null turns it off (ResetHooks leaves it).
void SetPresentHook(void (*hook)(IDirect3DDevice9* device));
// What the device window shows after Present (its client area, top row first).
std::vector<uint32_t> ReadWindow(IDirect3DDevice9* device, UINT* width, UINT* height);

// ---- Counts -----------------------------------------------------------------------------
// Live textures, surfaces and buffers the program made in `pool` (implicit ones excluded).
int LiveResources(D3DPOOL pool);
// Every live stand-in object (Direct3D, devices, resources, declarations, shaders).
int LiveObjects();
// A state as the device holds it now (to check defaults after Reset).
DWORD RenderState(IDirect3DDevice9* device, D3DRENDERSTATETYPE state);
DWORD SamplerState(IDirect3DDevice9* device, DWORD sampler, D3DSAMPLERSTATETYPE type);
D3DVIEWPORT9 Viewport(IDirect3DDevice9* device);
// GL calls the stand-in has made so far (the benchmark divides by draws).
uint64_t GlCalls();

}  // namespace d3d9test
