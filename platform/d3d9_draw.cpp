// Direct3D stand-in: drawing. Each draw sends GL only what changed since the last one:
// render states by group, the viewport, the program and its constants, the textures and
// samplers of the stages the program reads, and the vertex layout.

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <initializer_list>

#include "platform/d3d9_internal.h"
#include "platform/shader_translate.h"

namespace {

float BitsFloat(DWORD bits) {
  float value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

GLenum BlendFactor(DWORD blend) {
  switch (blend) {
    case D3DBLEND_ZERO: return GL_ZERO;
    case D3DBLEND_SRCCOLOR: return GL_SRC_COLOR;
    case D3DBLEND_INVSRCCOLOR: return GL_ONE_MINUS_SRC_COLOR;
    case D3DBLEND_SRCALPHA: return GL_SRC_ALPHA;
    case D3DBLEND_INVSRCALPHA: return GL_ONE_MINUS_SRC_ALPHA;
    case D3DBLEND_DESTALPHA: return GL_DST_ALPHA;
    case D3DBLEND_INVDESTALPHA: return GL_ONE_MINUS_DST_ALPHA;
    case D3DBLEND_DESTCOLOR: return GL_DST_COLOR;
    case D3DBLEND_INVDESTCOLOR: return GL_ONE_MINUS_DST_COLOR;
    case D3DBLEND_SRCALPHASAT: return GL_SRC_ALPHA_SATURATE;
    case D3DBLEND_BLENDFACTOR: return GL_CONSTANT_COLOR;
    case D3DBLEND_INVBLENDFACTOR: return GL_ONE_MINUS_CONSTANT_COLOR;
    default: return GL_ONE;
  }
}

// A target without alpha (X8R8G8B8) reads as alpha 1, so the factors of the destination alpha
// are constants there: DESTALPHA is ONE, INVDESTALPHA and SRCALPHASAT (min(As, 1 - Ad)) ZERO.
DWORD OpaqueTargetFactor(DWORD blend) {
  if (blend == D3DBLEND_DESTALPHA) return D3DBLEND_ONE;
  if (blend == D3DBLEND_INVDESTALPHA || blend == D3DBLEND_SRCALPHASAT) return D3DBLEND_ZERO;
  return blend;
}

GLenum BlendEquation(DWORD op) {
  switch (op) {
    case D3DBLENDOP_SUBTRACT: return GL_FUNC_SUBTRACT;
    case D3DBLENDOP_REVSUBTRACT: return GL_FUNC_REVERSE_SUBTRACT;
    case D3DBLENDOP_MIN: return GL_MIN;
    case D3DBLENDOP_MAX: return GL_MAX;
    default: return GL_FUNC_ADD;
  }
}

GLenum CompareFunction(DWORD func) {
  static const GLenum kFunctions[] = {GL_NEVER,   GL_LESS,     GL_EQUAL,  GL_LEQUAL,
                                      GL_GREATER, GL_NOTEQUAL, GL_GEQUAL, GL_ALWAYS};
  return func >= 1 && func <= 8 ? kFunctions[func - 1] : GL_ALWAYS;
}

GLint AddressMode(DWORD mode) {
  switch (mode) {
    case D3DTADDRESS_MIRROR: return GL_MIRRORED_REPEAT;
    case D3DTADDRESS_CLAMP: return GL_CLAMP_TO_EDGE;
    case D3DTADDRESS_BORDER: return GL_CLAMP_TO_BORDER;
    default: return GL_REPEAT;
  }
}

// MIN filter POINT or LINEAR (ANISOTROPIC counts as LINEAR at anisotropy 1) with the MIP filter.
GLint MinFilter(DWORD min, DWORD mip) {
  const bool linear = min >= D3DTEXF_LINEAR;
  if (mip == D3DTEXF_NONE) return linear ? GL_LINEAR : GL_NEAREST;
  if (mip == D3DTEXF_POINT) return linear ? GL_LINEAR_MIPMAP_NEAREST : GL_NEAREST_MIPMAP_NEAREST;
  return linear ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_LINEAR;
}

// True when any of the states differs from what GL has; records them as sent.
bool Changed(D3D9DeviceState& st, std::initializer_list<D3DRENDERSTATETYPE> states) {
  bool changed = !st.applied.valid;
  for (D3DRENDERSTATETYPE s : states) {
    changed |= st.applied.render[s] != st.s.render[s];
    st.applied.render[s] = st.s.render[s];
  }
  return changed;
}

void Toggle(GLenum capability, bool on) {
  if (on)
    HX_GL(glEnable(capability));
  else
    HX_GL(glDisable(capability));
}

void ApplyBlend(D3D9DeviceState& st) {
  const DWORD* r = st.s.render;
  if (Changed(st, {D3DRS_ALPHABLENDENABLE})) Toggle(GL_BLEND, r[D3DRS_ALPHABLENDENABLE] != 0);
  const bool opaque = st.s.renderTarget->format == D3DFMT_X8R8G8B8;
  if (Changed(st, {D3DRS_SRCBLEND, D3DRS_DESTBLEND}) || st.applied.opaqueTarget != opaque) {
    DWORD src = r[D3DRS_SRCBLEND], dst = r[D3DRS_DESTBLEND];
    // The BOTH factors set source and destination together.
    if (src == D3DBLEND_BOTHSRCALPHA) src = D3DBLEND_SRCALPHA, dst = D3DBLEND_INVSRCALPHA;
    if (src == D3DBLEND_BOTHINVSRCALPHA) src = D3DBLEND_INVSRCALPHA, dst = D3DBLEND_SRCALPHA;
    if (opaque) src = OpaqueTargetFactor(src), dst = OpaqueTargetFactor(dst);
    HX_GL(glBlendFunc(BlendFactor(src), BlendFactor(dst)));
  }
  st.applied.opaqueTarget = opaque;
  if (Changed(st, {D3DRS_BLENDOP})) HX_GL(glBlendEquation(BlendEquation(r[D3DRS_BLENDOP])));
  if (Changed(st, {D3DRS_BLENDFACTOR})) {
    const DWORD c = r[D3DRS_BLENDFACTOR];
    HX_GL(glBlendColor(((c >> 16) & 0xFF) / 255.0f, ((c >> 8) & 0xFF) / 255.0f, (c & 0xFF) / 255.0f,
                       (c >> 24) / 255.0f));
  }
}

void ApplyDepthAndMasks(D3D9DeviceState& st) {
  const DWORD* r = st.s.render;
  if (Changed(st, {D3DRS_ZENABLE})) Toggle(GL_DEPTH_TEST, r[D3DRS_ZENABLE] != D3DZB_FALSE);
  if (Changed(st, {D3DRS_ZFUNC})) HX_GL(glDepthFunc(CompareFunction(r[D3DRS_ZFUNC])));
  const bool masks = st.applied.masksStale;
  st.applied.masksStale = false;
  if (Changed(st, {D3DRS_ZWRITEENABLE}) || masks)
    HX_GL(glDepthMask(r[D3DRS_ZWRITEENABLE] ? GL_TRUE : GL_FALSE));
  if (Changed(st, {D3DRS_COLORWRITEENABLE}) || masks) {
    const DWORD m = r[D3DRS_COLORWRITEENABLE];
    HX_GL(glColorMask((m & 1) != 0, (m & 2) != 0, (m & 4) != 0, (m & 8) != 0));
  }
  if (Changed(st, {D3DRS_DEPTHBIAS, D3DRS_SLOPESCALEDEPTHBIAS})) {
    const float bias = BitsFloat(r[D3DRS_DEPTHBIAS]);
    const float slope = BitsFloat(r[D3DRS_SLOPESCALEDEPTHBIAS]);
    const bool on = bias != 0.0f || slope != 0.0f;
    for (GLenum mode : {GL_POLYGON_OFFSET_FILL, GL_POLYGON_OFFSET_LINE, GL_POLYGON_OFFSET_POINT})
      Toggle(mode, on);
    // The bias is in depth units (0..1); GL counts steps of the 24-bit depth buffer.
    if (on) HX_GL(glPolygonOffset(slope, bias * 16777216.0f));
  }
}

void ApplyRaster(D3D9DeviceState& st) {
  const DWORD* r = st.s.render;
  if (Changed(st, {D3DRS_CULLMODE})) {
    // GL rows run from the top, so a triangle clockwise on the platform's screen is
    // counter-clockwise (front-facing) to GL.
    const DWORD cull = r[D3DRS_CULLMODE];
    Toggle(GL_CULL_FACE, cull == D3DCULL_CW || cull == D3DCULL_CCW);
    if (cull == D3DCULL_CW || cull == D3DCULL_CCW)
      HX_GL(glCullFace(cull == D3DCULL_CW ? GL_FRONT : GL_BACK));
  }
  if (Changed(st, {D3DRS_FILLMODE})) {
    const DWORD fill = r[D3DRS_FILLMODE];
    HX_GL(glPolygonMode(GL_FRONT_AND_BACK, fill == D3DFILL_POINT       ? GL_POINT
                                           : fill == D3DFILL_WIREFRAME ? GL_LINE
                                                                       : GL_FILL));
  }
  if (Changed(st, {D3DRS_POINTSIZE}))
    HX_GL(glPointSize(std::max(1.0f, BitsFloat(r[D3DRS_POINTSIZE]))));
}

// Scissor: the whole target when the test is on (no scissor rectangle is ever set).
void ApplyScissorAndViewport(D3D9DeviceState& st) {
  D3D9Applied& a = st.applied;
  const bool on = st.s.render[D3DRS_SCISSORTESTENABLE] != 0;
  const GLint rect[4] = {0, 0, static_cast<GLint>(st.s.renderTarget->width),
                         static_cast<GLint>(st.s.renderTarget->height)};
  if (!a.valid || a.scissorOn != on) Toggle(GL_SCISSOR_TEST, on);
  if (on && (!a.valid || a.scissorOn != on || !std::equal(rect, rect + 4, a.scissor))) {
    HX_GL(glScissor(rect[0], rect[1], rect[2], rect[3]));
    std::copy(rect, rect + 4, a.scissor);
  }
  a.scissorOn = on;
  const D3DVIEWPORT9& vp = st.s.viewport;
  if (!a.valid || std::memcmp(&vp, &a.viewport, sizeof vp) != 0) {
    HX_GL(glViewport(vp.X, vp.Y, vp.Width, vp.Height));
    HX_GL(glDepthRange(vp.MinZ, vp.MaxZ));
    a.viewport = vp;
  }
}

void BindArrayBuffer(D3D9Applied& a, GLuint buffer) {
  if (a.arrayBuffer == buffer) return;
  HX_GL(glBindBuffer(GL_ARRAY_BUFFER, buffer));
  a.arrayBuffer = buffer;
}

void SyncConstants(GLint location, GLint count, const float (*registers)[4], const uint64_t* stamps,
                   uint64_t last, uint64_t& synced) {
  if (location >= 0 && synced < last) {
    GLint first = -1, end = 0;
    for (GLint i = 0; i < count; ++i) {
      if (stamps[i] <= synced) continue;
      if (first < 0) first = i;
      end = i + 1;
    }
    if (first >= 0) HX_GL(glUniform4fv(location + first, end - first, registers[first]));
  }
  synced = last;
}

void ApplyUniforms(D3D9DeviceState& st, D3D9Program& p) {
  const DWORD* r = st.s.render;
  SyncConstants(p.vc, p.vcCount, st.s.vertexConstants, st.vertexConstantStamp,
                st.lastVertexConstantStamp, p.vcSynced);
  SyncConstants(p.pc, p.pcCount, st.s.pixelConstants, st.pixelConstantStamp,
                st.lastPixelConstantStamp, p.pcSynced);
  const D3DVIEWPORT9& vp = st.s.viewport;
  // Half a pixel right and down in clip units: the platform's pixel centres sit at integers.
  const float fixup[2] = {1.0f / vp.Width, 1.0f / vp.Height};
  if (p.posFixup >= 0 && std::memcmp(fixup, p.posFixupValue, sizeof fixup) != 0) {
    HX_GL(glUniform4f(p.posFixup, fixup[0], fixup[1], 0.0f, 0.0f));
    std::memcpy(p.posFixupValue, fixup, sizeof fixup);
  }
  const float view[4] = {float(vp.X), float(vp.Y), float(vp.Width), float(vp.Height)};
  if (p.viewport >= 0 && std::memcmp(view, p.viewportValue, sizeof view) != 0) {
    HX_GL(glUniform4fv(p.viewport, 1, view));
    std::memcpy(p.viewportValue, view, sizeof view);
  }
  const GLint func = r[D3DRS_ALPHATESTENABLE] ? static_cast<GLint>(r[D3DRS_ALPHAFUNC]) : 8;
  const float ref = (r[D3DRS_ALPHAREF] & 0xFF) / 255.0f;
  if (p.alphaFunc >= 0 && func != p.alphaFuncValue) {
    HX_GL(glUniform1i(p.alphaFunc, func));
    p.alphaFuncValue = func;
  }
  if (p.alphaRef >= 0 && ref != p.alphaRefValue) {
    HX_GL(glUniform1f(p.alphaRef, ref));
    p.alphaRefValue = ref;
  }
}

void ApplySampler(D3D9DeviceState& st, int stage) {
  const DWORD* s = st.s.sampler[stage];
  const GLuint sampler = st.samplers[stage];
  HX_GL(glSamplerParameteri(sampler, GL_TEXTURE_WRAP_S, AddressMode(s[D3DSAMP_ADDRESSU])));
  HX_GL(glSamplerParameteri(sampler, GL_TEXTURE_WRAP_T, AddressMode(s[D3DSAMP_ADDRESSV])));
  HX_GL(glSamplerParameteri(sampler, GL_TEXTURE_WRAP_R, AddressMode(s[D3DSAMP_ADDRESSW])));
  HX_GL(glSamplerParameteri(sampler, GL_TEXTURE_MAG_FILTER,
                            s[D3DSAMP_MAGFILTER] >= D3DTEXF_LINEAR ? GL_LINEAR : GL_NEAREST));
  HX_GL(glSamplerParameteri(sampler, GL_TEXTURE_MIN_FILTER,
                            MinFilter(s[D3DSAMP_MINFILTER], s[D3DSAMP_MIPFILTER])));
  const DWORD c = s[D3DSAMP_BORDERCOLOR];
  const float border[4] = {((c >> 16) & 0xFF) / 255.0f, ((c >> 8) & 0xFF) / 255.0f,
                           (c & 0xFF) / 255.0f, (c >> 24) / 255.0f};
  HX_GL(glSamplerParameterfv(sampler, GL_TEXTURE_BORDER_COLOR, border));
}

// Binds, for every stage the program samples, the stage's texture when its type matches the
// program's sampler, else the empty-stage texture of that type (reads (0, 0, 0, 1)).
void ApplyTextures(D3D9DeviceState& st, const D3D9Program& p) {
  static const GLenum kTargets[] = {GL_TEXTURE_2D, GL_TEXTURE_CUBE_MAP, GL_TEXTURE_3D};
  D3D9Applied& a = st.applied;
  for (int stage = 0; stage < kMaxStages; ++stage) {
    const int type = p.samplerType[stage];
    if (type < 2 || type > 4) continue;
    const GLenum target = kTargets[type - 2];
    const IDirect3DBaseTexture9* t = st.s.textures[stage];
    const GLuint name = t && t->glTarget == target ? t->glName : st.emptyStage[type - 2];
    if (!a.valid || a.units[stage] != name) {
      const GLenum unit = GL_TEXTURE0 + static_cast<GLenum>(stage);
      if (!a.valid || a.activeUnit != unit) HX_GL(glActiveTexture(unit));
      a.activeUnit = unit;
      HX_GL(glBindTexture(target, name));
      a.units[stage] = name;
    }
    if (!a.valid || a.samplerStamp[stage] != st.samplerStamp[stage]) {
      ApplySampler(st, stage);
      a.samplerStamp[stage] = st.samplerStamp[stage];
    }
  }
}

struct AttributeFormat {
  GLint size;
  GLenum type;
  GLboolean normalized;
};

AttributeFormat FormatOf(BYTE type) {
  switch (type) {
    case D3DDECLTYPE_FLOAT1: return {1, GL_FLOAT, GL_FALSE};
    case D3DDECLTYPE_FLOAT2: return {2, GL_FLOAT, GL_FALSE};
    case D3DDECLTYPE_FLOAT3: return {3, GL_FLOAT, GL_FALSE};
    case D3DDECLTYPE_D3DCOLOR: return {GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE};
    case D3DDECLTYPE_UBYTE4: return {4, GL_UNSIGNED_BYTE, GL_FALSE};
    case D3DDECLTYPE_SHORT2: return {2, GL_SHORT, GL_FALSE};
    default: return {4, GL_FLOAT, GL_FALSE};
  }
}

// Points the attributes of the declaration at the stream buffers (or, for a draw from memory,
// at the device's stream buffer, which holds stream 0).
void ApplyLayout(D3D9DeviceState& st, bool fromMemory, UINT memoryStride) {
  D3D9Applied& a = st.applied;
  const uint64_t stamp = st.layoutStamp * 2 + (fromMemory ? 1 : 0);
  if (a.valid && a.layoutStamp == stamp && (!fromMemory || memoryStride == a.memoryStride)) return;
  a.layoutStamp = stamp;
  a.memoryStride = memoryStride;
  uint32_t enabled = 0;
  const IDirect3DVertexDeclaration9& d = *st.s.declaration;
  for (uint32_t i = 0; i < d.count; ++i) {
    const D3DVERTEXELEMENT9& e = d.elements[i];
    const int location = ShaderAttributeLocation(e.Usage, e.UsageIndex);
    const D3D9StreamSource& source = st.s.streams[e.Stream];
    if (location < 0 || (fromMemory ? e.Stream != 0 : !source.buffer)) continue;
    const GLuint buffer = fromMemory ? st.streamBuffer : source.buffer->glName;
    const UINT stride = fromMemory ? memoryStride : source.stride;
    const uintptr_t offset = (fromMemory ? 0 : source.offset) + e.Offset;
    const AttributeFormat f = FormatOf(e.Type);
    BindArrayBuffer(a, buffer);
    HX_GL(glVertexAttribPointer(location, f.size, f.type, f.normalized, stride,
                                reinterpret_cast<const void*>(offset)));
    enabled |= 1u << location;
  }
  for (int location = 0; location < 16; ++location) {
    const uint32_t bit = 1u << location;
    if (a.valid && (a.enabledAttributes & bit) == (enabled & bit)) continue;
    if (enabled & bit) {
      HX_GL(glEnableVertexAttribArray(location));
    } else {
      HX_GL(glDisableVertexAttribArray(location));
      // A missing diffuse colour reads white, as the platform supplies it (an array draw may
      // leave the current value undefined, so it is set again).
      if (location == 2) HX_GL(glVertexAttrib4f(2, 1.0f, 1.0f, 1.0f, 1.0f));
    }
  }
  a.enabledAttributes = enabled;
}

GLenum PrimitiveMode(D3DPRIMITIVETYPE type, UINT primitives, GLsizei& vertices) {
  switch (type) {
    case D3DPT_POINTLIST: vertices = primitives; return GL_POINTS;
    case D3DPT_LINELIST: vertices = primitives * 2; return GL_LINES;
    case D3DPT_LINESTRIP: vertices = primitives + 1; return GL_LINE_STRIP;
    case D3DPT_TRIANGLELIST: vertices = primitives * 3; return GL_TRIANGLES;
    case D3DPT_TRIANGLESTRIP: vertices = primitives + 2; return GL_TRIANGLE_STRIP;
    case D3DPT_TRIANGLEFAN: vertices = primitives + 2; return GL_TRIANGLE_FAN;
    default: vertices = 0; return GL_POINTS;
  }
}

// Bytes an element of the declaration type occupies in its stream.
UINT ElementBytes(BYTE type) {
  static const UINT kBytes[] = {4, 8, 12, 16, 4, 4, 4};
  return type <= D3DDECLTYPE_SHORT2 ? kBytes[type] : 0;
}

// True when every attribute of vertices first .. last lies inside its stream's buffer (from
// memory: inside one vertex of `memoryStride` bytes), so no draw reads past its data.
bool StreamsHold(const D3D9DeviceState& st, int64_t first, int64_t last, UINT memoryStride) {
  const IDirect3DVertexDeclaration9* d = st.s.declaration;
  if (!d || first < 0) return false;
  for (uint32_t i = 0; i < d->count; ++i) {
    const D3DVERTEXELEMENT9& e = d->elements[i];
    if (ShaderAttributeLocation(e.Usage, e.UsageIndex) < 0) continue;
    const int64_t elementEnd = int64_t{e.Offset} + ElementBytes(e.Type);
    if (memoryStride) {
      if (e.Stream == 0 && elementEnd > memoryStride) return false;
      continue;
    }
    const D3D9StreamSource& source = st.s.streams[e.Stream];
    if (!source.buffer) continue;  // the attribute is off and reads its default
    if (int64_t{source.offset} + last * source.stride + elementEnd > source.buffer->length)
      return false;
  }
  return true;
}

// Smallest and largest index of `count` indices from `start` (the buffer's CPU copy).
void IndexRange(const IDirect3DIndexBuffer9& indices, UINT start, GLsizei count, int64_t& low,
                int64_t& high) {
  low = INT64_MAX, high = -1;
  for (GLsizei i = 0; i < count; ++i) {
    uint32_t index;
    if (indices.format == D3DFMT_INDEX32) {
      std::memcpy(&index, indices.bytes + (size_t{start} + i) * 4, 4);
    } else {
      uint16_t index16;
      std::memcpy(&index16, indices.bytes + (size_t{start} + i) * 2, 2);
      index = index16;
    }
    low = std::min<int64_t>(low, index), high = std::max<int64_t>(high, index);
  }
}

// Everything a draw needs before the draw call; false when nothing can be drawn.
bool Prepare(IDirect3DDevice9* device, bool fromMemory, UINT memoryStride) {
  D3D9DeviceState& st = *device->state;
  if (!st.s.declaration) return false;
  D3D9MakeCurrent(device);
  D3D9ApplyFramebuffer(st);
  ApplyBlend(st);
  ApplyDepthAndMasks(st);
  ApplyRaster(st);
  ApplyScissorAndViewport(st);
  D3D9Program* program = D3D9UseProgram(st);
  if (!program) return false;
  if (!st.applied.valid || st.applied.program != program->name) {
    HX_GL(glUseProgram(program->name));
    st.applied.program = program->name;
  }
  ApplyUniforms(st, *program);
  ApplyTextures(st, *program);
  ApplyLayout(st, fromMemory, memoryStride);
  st.applied.valid = true;
  return true;
}

// A lockable target remembers its last draw, so a read-only lock can wait for it.
void Finish(D3D9DeviceState& st) {
  IDirect3DSurface9* target = st.s.renderTarget;
  if (!target->lockable) return;
  if (target->drawFence) HX_GL(glDeleteSync(static_cast<GLsync>(target->drawFence)));
  target->drawFence = HX_GL(glFenceSync(GL_SYNC_GPU_COMMANDS_COMPLETE, 0));
}

}  // namespace

void D3D9ApplyFramebuffer(D3D9DeviceState& st) {
  D3D9Applied& a = st.applied;
  if (!a.valid || !a.drawFboBound) {
    HX_GL(glBindFramebuffer(GL_FRAMEBUFFER, st.drawFbo));
    a.drawFboBound = true;
  }
  const IDirect3DSurface9* rt = st.s.renderTarget;
  if (!a.valid || a.colourTexture != rt->glTexture || a.colourLevel != rt->level) {
    HX_GL(glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, rt->glFace, rt->glTexture,
                                 rt->level));
    a.colourTexture = rt->glTexture;
    a.colourLevel = rt->level;
  }
}

void D3D9ForgetTexture(D3D9DeviceState& st, GLuint name) {
  for (GLuint& unit : st.applied.units)
    if (unit == name) unit = 0;
  if (st.applied.colourTexture == name) st.applied.colourTexture = 0;
}

void D3D9ForgetBuffer(D3D9DeviceState& st, GLuint name) {
  if (st.applied.indexBuffer == name) st.applied.indexBuffer = 0;
  if (st.applied.arrayBuffer == name) st.applied.arrayBuffer = 0;
  ++st.layoutStamp;
}

HRESULT IDirect3DDevice9::DrawPrimitive(D3DPRIMITIVETYPE type, UINT startVertex,
                                        UINT primitiveCount) {
  if (HRESULT fault = D3D9Enter("DrawPrimitive", type, startVertex, primitiveCount)) return fault;
  GLsizei vertices = 0;
  const GLenum mode = PrimitiveMode(type, primitiveCount, vertices);
  if (vertices == 0) return primitiveCount ? D3DERR_INVALIDCALL : D3D_OK;
  if (!StreamsHold(*state, startVertex, int64_t{startVertex} + vertices - 1, 0) ||
      !Prepare(this, false, 0))
    return D3DERR_INVALIDCALL;
  HX_GL(glDrawArrays(mode, startVertex, vertices));
  Finish(*state);
  return D3D_OK;
}

HRESULT IDirect3DDevice9::DrawIndexedPrimitive(D3DPRIMITIVETYPE type, INT baseVertex, UINT minIndex,
                                               UINT vertexCount, UINT startIndex,
                                               UINT primitiveCount) {
  if (HRESULT fault = D3D9Enter("DrawIndexedPrimitive", type, baseVertex, minIndex, vertexCount,
                                startIndex, primitiveCount))
    return fault;
  GLsizei count = 0;
  const GLenum mode = PrimitiveMode(type, primitiveCount, count);
  IDirect3DIndexBuffer9* indices = state->s.indices;
  if (count == 0) return primitiveCount ? D3DERR_INVALIDCALL : D3D_OK;
  const UINT size = indices && indices->format == D3DFMT_INDEX32 ? 4 : 2;
  if (!indices || (int64_t{startIndex} + count) * size > indices->length) return D3DERR_INVALIDCALL;
  int64_t low, high;
  IndexRange(*indices, startIndex, count, low, high);
  if (!StreamsHold(*state, baseVertex + low, baseVertex + high, 0) || !Prepare(this, false, 0))
    return D3DERR_INVALIDCALL;
  D3D9Applied& a = state->applied;
  if (a.indexBuffer != indices->glName) {
    HX_GL(glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, indices->glName));
    a.indexBuffer = indices->glName;
  }
  HX_GL(glDrawElementsBaseVertex(mode, count, size == 4 ? GL_UNSIGNED_INT : GL_UNSIGNED_SHORT,
                                 reinterpret_cast<const void*>(uintptr_t{startIndex} * size),
                                 baseVertex));
  Finish(*state);
  return D3D_OK;
}

HRESULT IDirect3DDevice9::DrawPrimitiveUP(D3DPRIMITIVETYPE type, UINT primitiveCount,
                                          const void* vertices, UINT stride) {
  if (HRESULT fault = D3D9Enter("DrawPrimitiveUP", type, primitiveCount, vertices, stride))
    return fault;
  GLsizei count = 0;
  const GLenum mode = PrimitiveMode(type, primitiveCount, count);
  if (count == 0) return primitiveCount ? D3DERR_INVALIDCALL : D3D_OK;
  if (!vertices || stride == 0) return D3DERR_INVALIDCALL;
  D3D9DeviceState& st = *state;
  if (!StreamsHold(st, 0, count - 1, stride)) return D3DERR_INVALIDCALL;
  // Stream 0 is unset by a draw from memory.
  if (st.s.streams[0].buffer) {
    D3D9Rebind<IDirect3DVertexBuffer9>(st.s.streams[0].buffer, nullptr);
    st.s.streams[0].offset = st.s.streams[0].stride = 0;
    ++st.layoutStamp;
  }
  D3D9MakeCurrent(this);
  BindArrayBuffer(st.applied, st.streamBuffer);
  HX_GL(glBufferData(GL_ARRAY_BUFFER, GLsizeiptr{count} * stride, vertices, GL_STREAM_DRAW));
  if (!Prepare(this, true, stride)) return D3DERR_INVALIDCALL;
  HX_GL(glDrawArrays(mode, 0, count));
  Finish(st);
  return D3D_OK;
}
