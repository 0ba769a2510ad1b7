// Direct3D stand-in: textures, surfaces, vertex and index buffers, and their locks. Every
// lockable resource keeps a CPU copy; a lock hands out the copy and the unlock uploads it.

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "platform/d3d9_internal.h"
#include "platform/testing_d3d9.h"

namespace {

// Uploads and creation bind textures on a unit no sampler stage uses, so the draw's record of
// what each stage unit holds stays true.
constexpr GLenum kUploadUnit = GL_TEXTURE0 + kMaxStages;

void BindForUpload(GLenum target, GLuint name) {
  if (D3D9DeviceState* st = D3D9CurrentState()) st->applied.activeUnit = kUploadUnit;
  HX_GL(glActiveTexture(kUploadUnit));
  HX_GL(glBindTexture(target, name));
}

bool ColourFormat(D3DFORMAT format) {
  return format == D3DFMT_A8R8G8B8 || format == D3DFMT_X8R8G8B8;
}

// Levels of a full chain down to 1 x 1 x 1.
UINT FullChain(UINT width, UINT height, UINT depth) {
  UINT levels = 1;
  for (UINT size = std::max({width, height, depth}); size > 1; size >>= 1) ++levels;
  return levels;
}

UINT LevelSize(UINT size, UINT level) { return std::max(1u, size >> level); }

GLenum ParentTarget(const IDirect3DSurface9* surface) {
  return surface->glFace == GL_TEXTURE_2D ? GL_TEXTURE_2D : GL_TEXTURE_CUBE_MAP;
}

// A texture's surfaces follow their texture's device (which goes null with the device).
IDirect3DDevice9* DeviceOf(const IDirect3DSurface9* surface) {
  return surface->container ? surface->container->device : surface->device;
}

void InitChild(IDirect3DSurface9* surface, IDirect3DBaseTexture9* texture) {
  surface->refs = 0;
  surface->kind = kKindSurface;
  surface->pool = texture->pool;
  surface->container = texture;
  surface->device = texture->device;
  surface->serial = texture->serial;
}

void FreeSurface(IDirect3DSurface9* surface) {
  if (surface->drawFence && DeviceOf(surface))
    HX_GL(glDeleteSync(static_cast<GLsync>(surface->drawFence)));
  surface->drawFence = nullptr;
  std::free(surface->pixels);
  surface->pixels = nullptr;
}

void DeleteTexture(D3D9Object* owner, GLuint name) {
  if (!owner->device || !name) return;
  D3D9MakeCurrent(owner->device);
  D3D9ForgetTexture(*owner->device->state, name);
  HX_GL(glDeleteTextures(1, &name));
}

// Shared start of the texture creators: checks and the common fields.
template <class T>
HRESULT NewTexture(IDirect3DDevice9* device, D3D9Kind kind, GLenum target, UINT w, UINT h, UINT d,
                   UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool, T** out) {
  const UINT limit = kind == kKindVolumeTexture ? kMaxVolumeExtent : kMaxTextureSize;
  if (!out || w == 0 || h == 0 || d == 0 || std::max({w, h, d}) > limit || !ColourFormat(format))
    return D3DERR_INVALIDCALL;
  const bool target2d = (usage & D3DUSAGE_RENDERTARGET) != 0;
  if (target2d && (kind != kKindTexture || pool != D3DPOOL_DEFAULT)) return D3DERR_INVALIDCALL;
  // Generated levels: 2D and cube textures outside system memory, asked for as 0 or 1 levels.
  const bool generated = (usage & D3DUSAGE_AUTOGENMIPMAP) != 0;
  if (generated && (kind == kKindVolumeTexture || pool == D3DPOOL_SYSTEMMEM || levels > 1))
    return D3DERR_INVALIDCALL;
  const UINT chain = FullChain(w, h, d);
  if (levels == 0 || levels > chain) levels = chain;
  D3D9MakeCurrent(device);
  T* texture = new T{};
  D3D9ObjectInit(texture, kind, device, pool);
  texture->glTarget = target;
  // The program sees only level 0 of a generated chain; GL holds the whole chain.
  texture->width = w, texture->height = h, texture->depth = d;
  texture->levels = generated ? 1 : levels;
  texture->usage = usage;
  texture->format = format;
  texture->glName = D3D9CreateGlTexture(target, w, h, d, generated ? chain : levels, format);
  if (target2d) D3D9CoverDepth(*device->state, w, h);
  *out = texture;
  return D3D_OK;
}

// Gives every face and level of a 2D or cube texture its surface.
// False when a CPU copy could not be allocated.
bool MakeSurfaces(IDirect3DBaseTexture9* texture, IDirect3DSurface9*& surfaces, UINT faces) {
  surfaces = new IDirect3DSurface9[faces * texture->levels]{};
  const bool target = (texture->usage & D3DUSAGE_RENDERTARGET) != 0;
  bool allocated = true;
  for (UINT face = 0; face < faces; ++face) {
    for (UINT level = 0; level < texture->levels; ++level) {
      IDirect3DSurface9* s = &surfaces[face * texture->levels + level];
      const GLenum glFace = faces == 1 ? GL_TEXTURE_2D : GL_TEXTURE_CUBE_MAP_POSITIVE_X + face;
      allocated &= D3D9InitSurface(s, texture->device, texture->glName, glFace, level,
                                   LevelSize(texture->width, level),
                                   LevelSize(texture->height, level), target, !target);
      s->format = texture->format;
      InitChild(s, texture);
    }
  }
  return allocated;
}

// Gives up a half-made texture: releases it and reports the memory shortage.
template <class T>
HRESULT OutOfMemory(T** texture) {
  (*texture)->Release();
  *texture = nullptr;
  return D3DERR_OUTOFVIDEOMEMORY;
}

void WaitForDraws(IDirect3DSurface9* surface) {
  if (!surface->drawFence) return;
  GLsync fence = static_cast<GLsync>(surface->drawFence);
  HX_GL(glClientWaitSync(fence, GL_SYNC_FLUSH_COMMANDS_BIT, 10'000'000'000ull));
  HX_GL(glDeleteSync(fence));
  surface->drawFence = nullptr;
}

}  // namespace

// ---- Shared helpers -------------------------------------------------------------------------

void D3D9GenerateLevels(const IDirect3DSurface9* surface) {
  const IDirect3DBaseTexture9* texture = static_cast<IDirect3DBaseTexture9*>(surface->container);
  if (!texture || !(texture->usage & D3DUSAGE_AUTOGENMIPMAP) || !texture->device) return;
  D3D9MakeCurrent(texture->device);
  BindForUpload(texture->glTarget, texture->glName);
  HX_GL(glGenerateMipmap(texture->glTarget));
}

GLuint D3D9CreateGlTexture(GLenum target, UINT width, UINT height, UINT depth, UINT levels,
                           D3DFORMAT format) {
  GLuint name = 0;
  HX_GL(glGenTextures(1, &name));
  BindForUpload(target, name);
  for (UINT level = 0; level < levels; ++level) {
    const GLsizei w = LevelSize(width, level), h = LevelSize(height, level);
    if (target == GL_TEXTURE_3D) {
      HX_GL(glTexImage3D(target, level, GL_RGBA8, w, h, LevelSize(depth, level), 0, GL_BGRA,
                         GL_UNSIGNED_BYTE, nullptr));
    } else if (target == GL_TEXTURE_CUBE_MAP) {
      for (GLenum face = 0; face < 6; ++face)
        HX_GL(glTexImage2D(GL_TEXTURE_CUBE_MAP_POSITIVE_X + face, level, GL_RGBA8, w, h, 0, GL_BGRA,
                           GL_UNSIGNED_BYTE, nullptr));
    } else {
      HX_GL(glTexImage2D(target, level, GL_RGBA8, w, h, 0, GL_BGRA, GL_UNSIGNED_BYTE, nullptr));
    }
  }
  HX_GL(glTexParameteri(target, GL_TEXTURE_BASE_LEVEL, 0));
  HX_GL(glTexParameteri(target, GL_TEXTURE_MAX_LEVEL, static_cast<GLint>(levels) - 1));
  if (format == D3DFMT_X8R8G8B8) HX_GL(glTexParameteri(target, GL_TEXTURE_SWIZZLE_A, GL_ONE));
  return name;
}

bool D3D9InitSurface(IDirect3DSurface9* surface, IDirect3DDevice9* device, GLuint texture,
                     GLenum face, UINT level, UINT width, UINT height, bool renderTarget,
                     bool lockable) {
  surface->device = device;
  surface->glTexture = texture;
  surface->glFace = face;
  surface->level = level;
  surface->width = width;
  surface->height = height;
  surface->format = D3DFMT_A8R8G8B8;
  surface->renderTarget = renderTarget;
  surface->lockable = lockable;
  surface->pixels = lockable ? static_cast<uint8_t*>(std::calloc(width * height, 4)) : nullptr;
  return !lockable || surface->pixels;
}

void D3D9CoverDepth(D3D9DeviceState& st, UINT width, UINT height) {
  if (width <= st.depthWidth && height <= st.depthHeight) return;
  st.depthWidth = std::max(st.depthWidth, width);
  st.depthHeight = std::max(st.depthHeight, height);
  HX_GL(glBindRenderbuffer(GL_RENDERBUFFER, st.depth));
  HX_GL(glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, st.depthWidth, st.depthHeight));
  HX_GL(glBindFramebuffer(GL_FRAMEBUFFER, st.drawFbo));
  HX_GL(glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER,
                                  st.depth));
  st.applied.valid = false;
}

void D3D9ReadTexels(GLenum target, GLuint texture, GLenum face, UINT level, uint32_t* out) {
  BindForUpload(target, texture);
  HX_GL(glGetTexImage(face, level, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, out));
}

// ---- Creation -------------------------------------------------------------------------------

HRESULT IDirect3DDevice9::CreateTexture(UINT width, UINT height, UINT levels, DWORD usage,
                                        D3DFORMAT format, D3DPOOL pool, IDirect3DTexture9** texture,
                                        void** shared) {
  if (HRESULT fault =
          D3D9Enter("CreateTexture", width, height, levels, usage, format, pool, shared))
    return fault;
  if (shared) return D3DERR_INVALIDCALL;
  HRESULT result = NewTexture(this, kKindTexture, GL_TEXTURE_2D, width, height, 1, levels, usage,
                              format, pool, texture);
  if (result == D3D_OK && !MakeSurfaces(*texture, (*texture)->surfaces, 1))
    return OutOfMemory(texture);
  return result;
}

HRESULT IDirect3DDevice9::CreateCubeTexture(UINT edge, UINT levels, DWORD usage, D3DFORMAT format,
                                            D3DPOOL pool, IDirect3DCubeTexture9** texture,
                                            void** shared) {
  if (HRESULT fault = D3D9Enter("CreateCubeTexture", edge, levels, usage, format, pool, shared))
    return fault;
  if (shared || (usage & D3DUSAGE_RENDERTARGET)) return D3DERR_INVALIDCALL;
  HRESULT result = NewTexture(this, kKindCubeTexture, GL_TEXTURE_CUBE_MAP, edge, edge, 1, levels,
                              usage, format, pool, texture);
  if (result == D3D_OK && !MakeSurfaces(*texture, (*texture)->surfaces, 6))
    return OutOfMemory(texture);
  return result;
}

HRESULT IDirect3DDevice9::CreateVolumeTexture(UINT width, UINT height, UINT depth, UINT levels,
                                              DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                              IDirect3DVolumeTexture9** texture, void** shared) {
  if (HRESULT fault = D3D9Enter("CreateVolumeTexture", width, height, depth, levels, usage, format,
                                pool, shared))
    return fault;
  if (shared || (usage & D3DUSAGE_RENDERTARGET)) return D3DERR_INVALIDCALL;
  HRESULT result = NewTexture(this, kKindVolumeTexture, GL_TEXTURE_3D, width, height, depth, levels,
                              usage, format, pool, texture);
  if (result != D3D_OK) return result;
  IDirect3DVolumeTexture9* t = *texture;
  t->levelPixels = new uint8_t* [t->levels] {};
  for (UINT level = 0; level < t->levels; ++level) {
    const size_t texels =
        size_t{LevelSize(width, level)} * LevelSize(height, level) * LevelSize(depth, level);
    t->levelPixels[level] = static_cast<uint8_t*>(std::calloc(texels, 4));
    if (!t->levelPixels[level]) return OutOfMemory(texture);
  }
  return D3D_OK;
}

HRESULT IDirect3DDevice9::CreateRenderTarget(UINT width, UINT height, D3DFORMAT format,
                                             D3DMULTISAMPLE_TYPE multiSample, DWORD quality,
                                             BOOL lockable, IDirect3DSurface9** surface,
                                             void** shared) {
  if (HRESULT fault = D3D9Enter("CreateRenderTarget", width, height, format, multiSample, quality,
                                lockable, shared))
    return fault;
  if (!surface || shared || width == 0 || height == 0 || width > kMaxTextureSize ||
      height > kMaxTextureSize || !ColourFormat(format) || multiSample != D3DMULTISAMPLE_NONE)
    return D3DERR_INVALIDCALL;
  D3D9MakeCurrent(this);
  auto* s = new IDirect3DSurface9{};
  GLuint texture = D3D9CreateGlTexture(GL_TEXTURE_2D, width, height, 1, 1, format);
  D3D9InitSurface(s, this, texture, GL_TEXTURE_2D, 0, width, height, true, lockable != FALSE);
  s->format = format;
  D3D9ObjectInit(s, kKindSurface, this, D3DPOOL_DEFAULT);
  D3D9CoverDepth(*state, width, height);
  *surface = s;
  return D3D_OK;
}

template <class T>
static HRESULT NewBuffer(IDirect3DDevice9* device, D3D9Kind kind, UINT length, DWORD usage,
                         D3DPOOL pool, T** out) {
  if (!out || length == 0) return D3DERR_INVALIDCALL;
  uint8_t* bytes = static_cast<uint8_t*>(std::calloc(length, 1));
  if (!bytes) return D3DERR_OUTOFVIDEOMEMORY;
  D3D9MakeCurrent(device);
  T* buffer = new T{};
  D3D9ObjectInit(buffer, kind, device, pool);
  buffer->length = length;
  buffer->usage = usage;
  buffer->bytes = bytes;
  HX_GL(glGenBuffers(1, &buffer->glName));
  HX_GL(glBindBuffer(GL_COPY_WRITE_BUFFER, buffer->glName));
  HX_GL(glBufferData(GL_COPY_WRITE_BUFFER, length, buffer->bytes,
                     (usage & D3DUSAGE_DYNAMIC) ? GL_DYNAMIC_DRAW : GL_STATIC_DRAW));
  *out = buffer;
  return D3D_OK;
}

HRESULT IDirect3DDevice9::CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                                             IDirect3DVertexBuffer9** buffer, void** shared) {
  if (HRESULT fault = D3D9Enter("CreateVertexBuffer", length, usage, fvf, pool, shared))
    return fault;
  if (shared) return D3DERR_INVALIDCALL;
  HRESULT result = NewBuffer(this, kKindVertexBuffer, length, usage, pool, buffer);
  if (result == D3D_OK) (*buffer)->fvf = fvf;
  return result;
}

HRESULT IDirect3DDevice9::CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format,
                                            D3DPOOL pool, IDirect3DIndexBuffer9** buffer,
                                            void** shared) {
  if (HRESULT fault = D3D9Enter("CreateIndexBuffer", length, usage, format, pool, shared))
    return fault;
  if (shared || (format != D3DFMT_INDEX16 && format != D3DFMT_INDEX32)) return D3DERR_INVALIDCALL;
  HRESULT result = NewBuffer(this, kKindIndexBuffer, length, usage, pool, buffer);
  if (result == D3D_OK) (*buffer)->format = format;
  return result;
}

// ---- Locks ----------------------------------------------------------------------------------

HRESULT IDirect3DSurface9::LockRect(D3DLOCKED_RECT* out, const RECT* rect, DWORD flags) {
  if (HRESULT fault = D3D9Enter("LockRect", this, rect, flags)) return fault;
  if (!out || rect || !DeviceOf(this) || !lockable || locked) return D3DERR_INVALIDCALL;
  if (renderTarget) {
    D3D9MakeCurrent(DeviceOf(this));
    WaitForDraws(this);
    D3D9ReadTexels(GL_TEXTURE_2D, glTexture, glFace, level, reinterpret_cast<uint32_t*>(pixels));
  }
  locked = true;
  lockReadOnly = (flags & D3DLOCK_READONLY) != 0;
  out->Pitch = static_cast<INT>(width * 4);
  out->pBits = pixels;
  return D3D_OK;
}

HRESULT IDirect3DSurface9::UnlockRect() {
  if (HRESULT fault = D3D9Enter("UnlockRect", this)) return fault;
  if (!locked) return D3DERR_INVALIDCALL;
  locked = false;
  if (lockReadOnly || !DeviceOf(this)) return D3D_OK;
  D3D9MakeCurrent(DeviceOf(this));
  BindForUpload(ParentTarget(this), glTexture);
  HX_GL(glTexSubImage2D(glFace, level, 0, 0, width, height, GL_BGRA, GL_UNSIGNED_BYTE, pixels));
  D3D9GenerateLevels(this);
  return D3D_OK;
}

HRESULT IDirect3DTexture9::GetSurfaceLevel(UINT level, IDirect3DSurface9** surface) {
  if (HRESULT fault = D3D9Enter("GetSurfaceLevel", this, level)) return fault;
  if (!surface || level >= levels) return D3DERR_INVALIDCALL;
  *surface = &surfaces[level];
  AddRef();
  return D3D_OK;
}

HRESULT IDirect3DTexture9::LockRect(UINT level, D3DLOCKED_RECT* out, const RECT* rect,
                                    DWORD flags) {
  if (level >= levels) return D3DERR_INVALIDCALL;
  return surfaces[level].LockRect(out, rect, flags);
}

HRESULT IDirect3DTexture9::UnlockRect(UINT level) {
  if (level >= levels) return D3DERR_INVALIDCALL;
  return surfaces[level].UnlockRect();
}

HRESULT IDirect3DCubeTexture9::LockRect(D3DCUBEMAP_FACES face, UINT level, D3DLOCKED_RECT* out,
                                        const RECT* rect, DWORD flags) {
  if (face > D3DCUBEMAP_FACE_NEGATIVE_Z || level >= levels) return D3DERR_INVALIDCALL;
  return surfaces[face * levels + level].LockRect(out, rect, flags);
}

HRESULT IDirect3DCubeTexture9::UnlockRect(D3DCUBEMAP_FACES face, UINT level) {
  if (face > D3DCUBEMAP_FACE_NEGATIVE_Z || level >= levels) return D3DERR_INVALIDCALL;
  return surfaces[face * levels + level].UnlockRect();
}

HRESULT IDirect3DVolumeTexture9::LockBox(UINT level, D3DLOCKED_BOX* out, const D3DBOX* box,
                                         DWORD flags) {
  if (HRESULT fault = D3D9Enter("LockBox", this, level, box, flags)) return fault;
  if (!out || box || !device || level >= levels || (lockedLevels >> level & 1))
    return D3DERR_INVALIDCALL;
  lockedLevels |= 1u << level;
  out->RowPitch = static_cast<INT>(LevelSize(width, level) * 4);
  out->SlicePitch = out->RowPitch * static_cast<INT>(LevelSize(height, level));
  out->pBits = levelPixels[level];
  return D3D_OK;
}

HRESULT IDirect3DVolumeTexture9::UnlockBox(UINT level) {
  if (HRESULT fault = D3D9Enter("UnlockBox", this, level)) return fault;
  if (level >= levels || !(lockedLevels >> level & 1)) return D3DERR_INVALIDCALL;
  lockedLevels &= ~(1u << level);
  if (!device) return D3D_OK;
  D3D9MakeCurrent(device);
  BindForUpload(GL_TEXTURE_3D, glName);
  HX_GL(glTexSubImage3D(GL_TEXTURE_3D, level, 0, 0, 0, LevelSize(width, level),
                        LevelSize(height, level), LevelSize(depth, level), GL_BGRA,
                        GL_UNSIGNED_BYTE, levelPixels[level]));
  return D3D_OK;
}

HRESULT D3D9Buffer::Lock(UINT offset, UINT size, void** data, DWORD flags) {
  if (HRESULT fault = D3D9Enter("Lock", this, offset, size, flags)) return fault;
  if (size == 0) size = offset < length ? length - offset : 0;
  if (!data || !device || offset >= length || size > length - offset) return D3DERR_INVALIDCALL;
  // Several locks before the unlock upload the span that covers them all.
  const UINT end = locked ? std::max(lockOffset + lockSize, offset + size) : offset + size;
  lockOffset = locked ? std::min(lockOffset, offset) : offset;
  lockSize = end - lockOffset;
  discard = (locked && discard) || (flags & D3DLOCK_DISCARD) != 0;
  locked = true;
  *data = bytes + offset;
  return D3D_OK;
}

HRESULT D3D9Buffer::Unlock() {
  if (HRESULT fault = D3D9Enter("Unlock", this)) return fault;
  if (!locked) return D3DERR_INVALIDCALL;
  locked = false;
  if (!device) return D3D_OK;
  D3D9MakeCurrent(device);
  HX_GL(glBindBuffer(GL_COPY_WRITE_BUFFER, glName));
  if (discard) {  // new storage: draws still reading the old contents do not hold us up
    HX_GL(glBufferData(GL_COPY_WRITE_BUFFER, length, bytes,
                       (usage & D3DUSAGE_DYNAMIC) ? GL_DYNAMIC_DRAW : GL_STATIC_DRAW));
  } else {
    HX_GL(glBufferSubData(GL_COPY_WRITE_BUFFER, lockOffset, lockSize, bytes + lockOffset));
  }
  discard = false;
  return D3D_OK;
}

// ---- Destruction ----------------------------------------------------------------------------

void D3D9DestroyResource(D3D9Object* object) {
  switch (object->kind) {
    case kKindTexture:
    case kKindCubeTexture: {
      auto* t = static_cast<IDirect3DBaseTexture9*>(object);
      IDirect3DSurface9* surfaces = object->kind == kKindTexture
                                        ? static_cast<IDirect3DTexture9*>(t)->surfaces
                                        : static_cast<IDirect3DCubeTexture9*>(t)->surfaces;
      const UINT count = t->levels * (object->kind == kKindTexture ? 1 : 6);
      for (UINT i = 0; i < count; ++i) FreeSurface(&surfaces[i]);
      DeleteTexture(t, t->glName);
      delete[] surfaces;
      D3D9ObjectUnlink(t);
      if (object->kind == kKindTexture)
        delete static_cast<IDirect3DTexture9*>(t);
      else
        delete static_cast<IDirect3DCubeTexture9*>(t);
      return;
    }
    case kKindVolumeTexture: {
      auto* t = static_cast<IDirect3DVolumeTexture9*>(object);
      for (UINT level = 0; level < t->levels; ++level) std::free(t->levelPixels[level]);
      delete[] t->levelPixels;
      DeleteTexture(t, t->glName);
      D3D9ObjectUnlink(t);
      delete t;
      return;
    }
    case kKindSurface: {
      auto* s = static_cast<IDirect3DSurface9*>(object);
      FreeSurface(s);
      DeleteTexture(s, s->glTexture);
      D3D9ObjectUnlink(s);
      delete s;
      return;
    }
    default: {  // vertex and index buffers
      auto* b = static_cast<D3D9Buffer*>(object);
      if (b->device) {
        D3D9MakeCurrent(b->device);
        D3D9ForgetBuffer(*b->device->state, b->glName);
        HX_GL(glDeleteBuffers(1, &b->glName));
      }
      std::free(b->bytes);
      D3D9ObjectUnlink(b);
      if (object->kind == kKindVertexBuffer)
        delete static_cast<IDirect3DVertexBuffer9*>(b);
      else
        delete static_cast<IDirect3DIndexBuffer9*>(b);
      return;
    }
  }
}

// ---- Readback -------------------------------------------------------------------------------

namespace d3d9test {

namespace {
std::vector<uint32_t> Read(const IDirect3DSurface9& s, GLenum target) {
  std::vector<uint32_t> texels(size_t{s.width} * s.height);
  if (!DeviceOf(&s)) return texels;
  D3D9MakeCurrent(DeviceOf(&s));
  HX_GL(glFinish());
  D3D9ReadTexels(target, s.glTexture, s.glFace, s.level, texels.data());
  if (s.format == D3DFMT_X8R8G8B8)
    for (uint32_t& t : texels) t |= 0xFF000000u;
  return texels;
}
}  // namespace

std::vector<uint32_t> ReadBackBuffer(IDirect3DDevice9* device) {
  return Read(*device->state->backBuffer, GL_TEXTURE_2D);
}
std::vector<uint32_t> ReadSurface(IDirect3DSurface9* surface) {
  return Read(*surface, ParentTarget(surface));
}
std::vector<uint32_t> ReadTextureLevel(IDirect3DTexture9* texture, UINT level) {
  return Read(texture->surfaces[level], GL_TEXTURE_2D);
}
std::vector<uint32_t> ReadCubeFace(IDirect3DCubeTexture9* texture, D3DCUBEMAP_FACES face,
                                   UINT level) {
  return Read(texture->surfaces[face * texture->levels + level], GL_TEXTURE_CUBE_MAP);
}

}  // namespace d3d9test
