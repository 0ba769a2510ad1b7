// Direct3D stand-in: the device's Set and Get calls. They only record; drawing sends what
// changed to GL.

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "platform/d3d9_internal.h"
#include "platform/testing_d3d9.h"

namespace {

// Copies `count` registers from `data` into `registers` at `start` and stamps them changed.
HRESULT StoreConstants(D3D9DeviceState& st, float (*registers)[4], uint64_t* stamps, uint64_t& last,
                       UINT limit, UINT start, const float* data, UINT count) {
  if (!data || start > limit || count > limit - start) return D3DERR_INVALIDCALL;
  if (count == 0) return D3D_OK;
  std::memcpy(registers[start], data, count * 4 * sizeof(float));
  last = ++st.constantStamp;
  std::fill(stamps + start, stamps + start + count, last);
  return D3D_OK;
}

}  // namespace

HRESULT IDirect3DDevice9::SetViewport(const D3DVIEWPORT9* viewport) {
  if (HRESULT fault =
          D3D9Enter("SetViewport", viewport ? viewport->X : 0, viewport ? viewport->Y : 0,
                    viewport ? viewport->Width : 0, viewport ? viewport->Height : 0))
    return fault;
  if (!viewport) return D3DERR_INVALIDCALL;
  // A viewport may reach past the target (drawing and clears clip to it); its far edges must
  // stay within the signed 32-bit range, so no field is negative and no sum wraps.
  constexpr uint64_t kLimit = INT32_MAX;
  if (viewport->Width == 0 || viewport->Height == 0 ||
      uint64_t{viewport->X} + viewport->Width > kLimit ||
      uint64_t{viewport->Y} + viewport->Height > kLimit)
    return D3DERR_INVALIDCALL;
  state->s.viewport = *viewport;
  return D3D_OK;
}

HRESULT IDirect3DDevice9::GetViewport(D3DVIEWPORT9* viewport) {
  if (HRESULT fault = D3D9Enter("GetViewport")) return fault;
  if (!viewport) return D3DERR_INVALIDCALL;
  *viewport = state->s.viewport;
  return D3D_OK;
}

HRESULT IDirect3DDevice9::SetRenderState(D3DRENDERSTATETYPE type, DWORD value) {
  if (HRESULT fault = D3D9Enter("SetRenderState", type, value)) return fault;
  if (type >= kRenderStates) return D3DERR_INVALIDCALL;
  state->s.render[type] = value;
  return D3D_OK;
}

HRESULT IDirect3DDevice9::SetMaterial(const D3DMATERIAL9* material) {
  if (HRESULT fault = D3D9Enter("SetMaterial", material)) return fault;
  if (!material) return D3DERR_INVALIDCALL;
  state->s.material = *material;
  return D3D_OK;
}

HRESULT IDirect3DDevice9::SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) {
  if (HRESULT fault = D3D9Enter("SetSamplerState", sampler, type, value)) return fault;
  if (sampler >= kMaxStages || type >= kSamplerStates) return D3DERR_INVALIDCALL;
  DWORD& slot = state->s.sampler[sampler][type];
  if (slot != value) ++state->samplerStamp[sampler];
  slot = value;
  return D3D_OK;
}

HRESULT IDirect3DDevice9::SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type,
                                               DWORD value) {
  if (HRESULT fault = D3D9Enter("SetTextureStageState", stage, type, value)) return fault;
  if (stage >= kMaxTextureStages || type >= kStageStates) return D3DERR_INVALIDCALL;
  state->s.stage[stage][type] = value;
  return D3D_OK;
}

HRESULT IDirect3DDevice9::SetTexture(DWORD stage, IDirect3DBaseTexture9* texture) {
  if (HRESULT fault = D3D9Enter("SetTexture", stage, texture)) return fault;
  if (stage >= kMaxStages || (texture && texture->device != this)) return D3DERR_INVALIDCALL;
  D3D9Rebind(state->s.textures[stage], texture);
  return D3D_OK;
}

HRESULT IDirect3DDevice9::GetRenderTarget(DWORD index, IDirect3DSurface9** surface) {
  if (HRESULT fault = D3D9Enter("GetRenderTarget", index)) return fault;
  if (!surface || index != 0) return D3DERR_INVALIDCALL;
  *surface = state->s.renderTarget;
  (*surface)->AddRef();
  return D3D_OK;
}

HRESULT IDirect3DDevice9::SetRenderTarget(DWORD index, IDirect3DSurface9* surface) {
  if (HRESULT fault = D3D9Enter("SetRenderTarget", index, surface)) return fault;
  if (index != 0 || !surface || !surface->renderTarget || surface->device != this)
    return D3DERR_INVALIDCALL;
  D3D9Rebind(state->s.renderTarget, surface);
  state->s.viewport = {0, 0, surface->width, surface->height, 0.0f, 1.0f};
  return D3D_OK;
}

HRESULT IDirect3DDevice9::SetVertexDeclaration(IDirect3DVertexDeclaration9* declaration) {
  if (HRESULT fault = D3D9Enter("SetVertexDeclaration", declaration)) return fault;
  D3D9Rebind(state->s.declaration, declaration);
  state->s.fvf = 0;
  ++state->layoutStamp;
  return D3D_OK;
}

HRESULT IDirect3DDevice9::SetFVF(DWORD fvf) {
  if (HRESULT fault = D3D9Enter("SetFVF", fvf)) return fault;
  if (fvf != 0 && fvf != D3DFVF_XYZRHW) return D3DERR_INVALIDCALL;
  // The FVF and the declaration are one state: setting an FVF replaces the declaration.
  if (fvf == D3DFVF_XYZRHW) {
    D3D9Rebind(state->s.declaration, state->fvfDeclaration);
    ++state->layoutStamp;
  }
  state->s.fvf = fvf;
  return D3D_OK;
}

HRESULT IDirect3DDevice9::SetVertexShader(IDirect3DVertexShader9* shader) {
  if (HRESULT fault = D3D9Enter("SetVertexShader", shader)) return fault;
  D3D9Rebind(state->s.vertexShader, shader);
  return D3D_OK;
}

HRESULT IDirect3DDevice9::SetPixelShader(IDirect3DPixelShader9* shader) {
  if (HRESULT fault = D3D9Enter("SetPixelShader", shader)) return fault;
  D3D9Rebind(state->s.pixelShader, shader);
  return D3D_OK;
}

HRESULT IDirect3DDevice9::SetVertexShaderConstantF(UINT start, const float* data, UINT count) {
  if (HRESULT fault = D3D9Enter("SetVertexShaderConstantF", start, data, count)) return fault;
  D3D9DeviceState& st = *state;
  return StoreConstants(st, st.s.vertexConstants, st.vertexConstantStamp,
                        st.lastVertexConstantStamp, kVertexConstants, start, data, count);
}

HRESULT IDirect3DDevice9::SetPixelShaderConstantF(UINT start, const float* data, UINT count) {
  if (HRESULT fault = D3D9Enter("SetPixelShaderConstantF", start, data, count)) return fault;
  D3D9DeviceState& st = *state;
  return StoreConstants(st, st.s.pixelConstants, st.pixelConstantStamp, st.lastPixelConstantStamp,
                        kPixelConstants, start, data, count);
}

HRESULT IDirect3DDevice9::SetStreamSource(UINT stream, IDirect3DVertexBuffer9* buffer, UINT offset,
                                          UINT stride) {
  if (HRESULT fault = D3D9Enter("SetStreamSource", stream, buffer, offset, stride)) return fault;
  if (stream >= kMaxStreams) return D3DERR_INVALIDCALL;
  D3D9StreamSource& source = state->s.streams[stream];
  D3D9Rebind(source.buffer, buffer);
  source.offset = offset;
  source.stride = stride;
  ++state->layoutStamp;
  return D3D_OK;
}

HRESULT IDirect3DDevice9::SetIndices(IDirect3DIndexBuffer9* buffer) {
  if (HRESULT fault = D3D9Enter("SetIndices", buffer)) return fault;
  D3D9Rebind(state->s.indices, buffer);
  return D3D_OK;
}

namespace d3d9test {

DWORD RenderState(IDirect3DDevice9* device, D3DRENDERSTATETYPE type) {
  return device->state->s.render[type];
}
DWORD SamplerState(IDirect3DDevice9* device, DWORD sampler, D3DSAMPLERSTATETYPE type) {
  return device->state->s.sampler[sampler][type];
}
D3DVIEWPORT9 Viewport(IDirect3DDevice9* device) { return device->state->s.viewport; }

}  // namespace d3d9test
