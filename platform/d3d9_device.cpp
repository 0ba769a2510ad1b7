// Direct3D stand-in: device creation, reset, scenes, Present and Clear over an OpenGL 3.3
// core context on the device window.

#include <SDL2/SDL.h>
#include <SDL2/SDL_syswm.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <cstring>

#include "platform/d3d9_internal.h"
#include "platform/sdl_window.h"
#include "platform/testing_d3d9.h"

namespace {

IDirect3DDevice9* g_currentDevice = nullptr;

DWORD FloatBits(float value) {
  DWORD bits;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

// The back buffer's size: the presentation parameters', or the window's drawable area.
void BackBufferSize(const D3DPRESENT_PARAMETERS& p, SDL_Window* window, UINT& w, UINT& h) {
  int dw = 0, dh = 0;
  SDL_GL_GetDrawableSize(window, &dw, &dh);
  w = p.BackBufferWidth ? p.BackBufferWidth : static_cast<UINT>(std::max(dw, 1));
  h = p.BackBufferHeight ? p.BackBufferHeight : static_cast<UINT>(std::max(dh, 1));
}

// (Re)sizes the back buffer's texture and the depth buffer to w x h.
void SizeBackBuffer(D3D9DeviceState& st, UINT w, UINT h) {
  IDirect3DSurface9* back = st.backBuffer;
  back->width = w;
  back->height = h;
  HX_GL(glBindTexture(GL_TEXTURE_2D, back->glTexture));
  HX_GL(glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, w, h, 0, GL_BGRA, GL_UNSIGNED_BYTE, nullptr));
  st.depthWidth = st.depthHeight = 0;
  D3D9CoverDepth(st, w, h);
  HX_GL(glBindFramebuffer(GL_FRAMEBUFFER, st.presentFbo));
  HX_GL(glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, back->glTexture,
                               0));
  st.applied.valid = false;
}

// A 1 x 1 texture of (0, 0, 0, 1): what a sampler reads from a stage with nothing bound.
GLuint EmptyStageTexture(GLenum target) {
  const uint32_t texel = 0xFF000000;
  GLuint name = D3D9CreateGlTexture(target, 1, 1, 1, 1, D3DFMT_A8R8G8B8);
  if (target == GL_TEXTURE_3D) {
    HX_GL(glTexSubImage3D(target, 0, 0, 0, 0, 1, 1, 1, GL_BGRA, GL_UNSIGNED_BYTE, &texel));
  } else if (target == GL_TEXTURE_CUBE_MAP) {
    for (GLenum f = 0; f < 6; ++f)
      HX_GL(glTexSubImage2D(GL_TEXTURE_CUBE_MAP_POSITIVE_X + f, 0, 0, 0, 1, 1, GL_BGRA,
                            GL_UNSIGNED_BYTE, &texel));
  } else {
    HX_GL(glTexSubImage2D(target, 0, 0, 0, 1, 1, GL_BGRA, GL_UNSIGNED_BYTE, &texel));
  }
  return name;
}

void CreateGlObjects(D3D9DeviceState& st) {
  HX_GL(glGenVertexArrays(1, &st.vao));
  HX_GL(glBindVertexArray(st.vao));
  HX_GL(glGenBuffers(1, &st.streamBuffer));
  HX_GL(glGenFramebuffers(1, &st.drawFbo));
  HX_GL(glGenFramebuffers(1, &st.presentFbo));
  HX_GL(glGenRenderbuffers(1, &st.depth));
  HX_GL(glGenSamplers(kMaxStages, st.samplers));
  for (int unit = 0; unit < kMaxStages; ++unit) HX_GL(glBindSampler(unit, st.samplers[unit]));
  st.emptyStage[0] = EmptyStageTexture(GL_TEXTURE_2D);
  st.emptyStage[1] = EmptyStageTexture(GL_TEXTURE_CUBE_MAP);
  st.emptyStage[2] = EmptyStageTexture(GL_TEXTURE_3D);
  HX_GL(glPixelStorei(GL_PACK_ALIGNMENT, 4));
  HX_GL(glPixelStorei(GL_UNPACK_ALIGNMENT, 4));
}

void DeleteGlObjects(D3D9DeviceState& st) {
  D3D9DeletePrograms(st);
  HX_GL(glDeleteVertexArrays(1, &st.vao));
  HX_GL(glDeleteBuffers(1, &st.streamBuffer));
  HX_GL(glDeleteFramebuffers(1, &st.drawFbo));
  HX_GL(glDeleteFramebuffers(1, &st.presentFbo));
  HX_GL(glDeleteRenderbuffers(1, &st.depth));
  HX_GL(glDeleteSamplers(kMaxStages, st.samplers));
  HX_GL(glDeleteTextures(3, st.emptyStage));
}

IDirect3DVertexDeclaration9* PretransformedDeclaration(IDirect3DDevice9* device) {
  auto* declaration = new IDirect3DVertexDeclaration9{};
  D3D9ObjectInit(declaration, kKindDeclaration, device, D3DPOOL_DEFAULT);
  declaration->implicit = true;
  declaration->refs = 0;
  declaration->elements[0] = {0, 0, D3DDECLTYPE_FLOAT4, 0, D3DDECLUSAGE_POSITIONT, 0};
  declaration->count = 1;
  declaration->pretransformed = true;
  return declaration;
}

IDirect3DSurface9* CreateBackBuffer(IDirect3DDevice9* device) {
  auto* back = new IDirect3DSurface9{};
  GLuint texture = D3D9CreateGlTexture(GL_TEXTURE_2D, 1, 1, 1, 1, D3DFMT_A8R8G8B8);
  D3D9InitSurface(back, device, texture, GL_TEXTURE_2D, 0, 1, 1, true, false);
  D3D9ObjectInit(back, kKindSurface, device, D3DPOOL_DEFAULT);
  back->implicit = true;
  back->refs = 0;
  return back;
}

// The device's live objects lose their GL side when the device goes: later calls on them fail
// and their Release only frees memory.
void OrphanObjects(IDirect3DDevice9* device) {
  for (D3D9Object* o = D3D9FirstLive(); o; o = o->nextLive)
    if (o->device == device) o->device = nullptr;
}

bool ProgramResourceAlive(IDirect3DDevice9* device) {
  for (D3D9Object* o = D3D9FirstLive(); o; o = o->nextLive) {
    const bool resource = o->kind >= kKindTexture && o->kind <= kKindIndexBuffer;
    if (o->device == device && resource && !o->implicit && o->pool == D3DPOOL_DEFAULT &&
        o->refs > 0)
      return true;
  }
  return false;
}

// Returns every state to its default with the back buffer as render target.
void RestoreDefaults(IDirect3DDevice9* device) {
  D3D9DeviceState& st = *device->state;
  D3D9SetDefaultStates(st.s);
  st.s.viewport = {0, 0, st.backBuffer->width, st.backBuffer->height, 0.0f, 1.0f};
  D3D9Rebind(st.s.renderTarget, st.backBuffer);
  ++st.constantStamp;
  std::fill(std::begin(st.vertexConstantStamp), std::end(st.vertexConstantStamp), st.constantStamp);
  std::fill(std::begin(st.pixelConstantStamp), std::end(st.pixelConstantStamp), st.constantStamp);
  st.lastVertexConstantStamp = st.lastPixelConstantStamp = st.constantStamp;
  ++st.layoutStamp;
  for (uint64_t& stamp : st.samplerStamp) ++stamp;
  st.applied.valid = false;
}

}  // namespace

void D3D9MakeCurrent(IDirect3DDevice9* device) {
  if (g_currentDevice == device) return;
  SDL_GL_MakeCurrent(device->state->window, device->state->context);
  g_currentDevice = device;
}

D3D9DeviceState* D3D9CurrentState() { return g_currentDevice ? g_currentDevice->state : nullptr; }

void D3D9SetDefaultStates(D3D9States& s) {
  s = D3D9States{};
  DWORD* r = s.render;
  r[D3DRS_ZENABLE] = D3DZB_TRUE;
  r[D3DRS_FILLMODE] = D3DFILL_SOLID;
  r[D3DRS_SHADEMODE] = D3DSHADE_GOURAUD;
  r[D3DRS_ZWRITEENABLE] = TRUE;
  r[D3DRS_LASTPIXEL] = TRUE;
  r[D3DRS_SRCBLEND] = D3DBLEND_ONE;
  r[D3DRS_DESTBLEND] = D3DBLEND_ZERO;
  r[D3DRS_CULLMODE] = D3DCULL_CCW;
  r[D3DRS_ZFUNC] = D3DCMP_LESSEQUAL;
  r[D3DRS_ALPHAFUNC] = D3DCMP_ALWAYS;
  r[D3DRS_FOGEND] = FloatBits(1.0f);
  r[D3DRS_TEXTUREFACTOR] = 0xFFFFFFFF;
  r[D3DRS_CLIPPING] = TRUE;
  r[D3DRS_LIGHTING] = TRUE;
  r[D3DRS_COLORVERTEX] = TRUE;
  r[D3DRS_POINTSIZE] = FloatBits(1.0f);
  r[D3DRS_COLORWRITEENABLE] = 0xF;
  r[D3DRS_BLENDOP] = D3DBLENDOP_ADD;
  r[D3DRS_BLENDFACTOR] = 0xFFFFFFFF;
  for (auto& sampler : s.sampler) {
    sampler[D3DSAMP_ADDRESSU] = sampler[D3DSAMP_ADDRESSV] = sampler[D3DSAMP_ADDRESSW] =
        D3DTADDRESS_WRAP;
    sampler[D3DSAMP_MAGFILTER] = sampler[D3DSAMP_MINFILTER] = D3DTEXF_POINT;
    sampler[D3DSAMP_MIPFILTER] = D3DTEXF_NONE;
    sampler[D3DSAMP_MAXANISOTROPY] = 1;
  }
  for (DWORD stage = 0; stage < kMaxTextureStages; ++stage) {
    DWORD* t = s.stage[stage];
    t[D3DTSS_COLOROP] = stage == 0 ? D3DTOP_MODULATE : D3DTOP_DISABLE;
    t[D3DTSS_ALPHAOP] = stage == 0 ? D3DTOP_SELECTARG1 : D3DTOP_DISABLE;
    t[D3DTSS_COLORARG1] = t[D3DTSS_ALPHAARG1] = D3DTA_TEXTURE;
    t[D3DTSS_COLORARG2] = t[D3DTSS_ALPHAARG2] = D3DTA_CURRENT;
    t[D3DTSS_TEXCOORDINDEX] = stage;
  }
}

void D3D9UnbindAll(D3D9DeviceState& st) {
  D3D9States& s = st.s;
  for (auto& texture : s.textures) D3D9Rebind<IDirect3DBaseTexture9>(texture, nullptr);
  for (auto& stream : s.streams) D3D9Rebind<IDirect3DVertexBuffer9>(stream.buffer, nullptr);
  D3D9Rebind<IDirect3DIndexBuffer9>(s.indices, nullptr);
  D3D9Rebind<IDirect3DVertexDeclaration9>(s.declaration, nullptr);
  D3D9Rebind<IDirect3DVertexShader9>(s.vertexShader, nullptr);
  D3D9Rebind<IDirect3DPixelShader9>(s.pixelShader, nullptr);
  D3D9Rebind<IDirect3DSurface9>(s.renderTarget, nullptr);
}

HRESULT IDirect3D9::CreateDevice(UINT adapter, D3DDEVTYPE type, HWND focusWindow, DWORD flags,
                                 D3DPRESENT_PARAMETERS* parameters, IDirect3DDevice9** out) {
  if (HRESULT fault = D3D9Enter("CreateDevice", adapter, type, focusWindow, flags)) return fault;
  if (!parameters || !out || adapter != D3DADAPTER_DEFAULT) return D3DERR_INVALIDCALL;
  *out = nullptr;
  HWND handle = parameters->hDeviceWindow ? parameters->hDeviceWindow : focusWindow;
  // The window stays open for the context until the device goes, even past DestroyWindow.
  SDL_Window* window = Win32RetainSdlWindow(handle);
  if (!window) return D3DERR_INVALIDCALL;
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
  SDL_GLContext context = SDL_GL_CreateContext(window);
  g_currentDevice = nullptr;  // the new context is current now
  if (!context || epoxy_gl_version() < 33) {
    std::fprintf(stderr, "Direct3D: no OpenGL 3.3 context: %s\n", SDL_GetError());
    if (context) SDL_GL_DeleteContext(context);
    Win32ReleaseSdlWindow(window);
    return D3DERR_NOTAVAILABLE;
  }
  auto* device = new IDirect3DDevice9{};
  D3D9ObjectInit(device, kKindDevice, nullptr, D3DPOOL_DEFAULT);
  device->device = device;
  device->state = new D3D9DeviceState{};
  D3D9DeviceState& st = *device->state;
  st.window = window;
  st.context = context;
  D3D9MakeCurrent(device);
  SDL_GL_SetSwapInterval(0);
  CreateGlObjects(st);
  st.backBuffer = CreateBackBuffer(device);
  st.fvfDeclaration = PretransformedDeclaration(device);
  UINT w, h;
  BackBufferSize(*parameters, window, w, h);
  SizeBackBuffer(st, w, h);
  RestoreDefaults(device);
  *out = device;
  return D3D_OK;
}

void D3D9DestroyDevice(IDirect3DDevice9* device) {
  D3D9DeviceState& st = *device->state;
  D3D9MakeCurrent(device);
  D3D9UnbindAll(st);
  D3D9DestroyResource(st.backBuffer);
  D3D9DestroyShaderObject(st.fvfDeclaration);
  DeleteGlObjects(st);
  OrphanObjects(device);
  SDL_GL_MakeCurrent(st.window, nullptr);
  SDL_GL_DeleteContext(st.context);
  Win32ReleaseSdlWindow(st.window);
  g_currentDevice = nullptr;
  D3D9ObjectUnlink(device);
  delete device->state;
  delete device;
}

HRESULT IDirect3DDevice9::Reset(D3DPRESENT_PARAMETERS* parameters) {
  if (HRESULT fault = D3D9Enter("Reset", parameters)) return fault;
  if (!parameters || ProgramResourceAlive(this)) return D3DERR_INVALIDCALL;
  D3D9DeviceState& st = *state;
  D3D9MakeCurrent(this);
  st.inScene = false;
  D3D9UnbindAll(st);
  UINT w, h;
  BackBufferSize(*parameters, st.window, w, h);
  SizeBackBuffer(st, w, h);
  RestoreDefaults(this);
  return D3D_OK;
}

HRESULT IDirect3DDevice9::BeginScene() {
  if (HRESULT fault = D3D9Enter("BeginScene")) return fault;
  if (state->inScene) return D3DERR_INVALIDCALL;
  state->inScene = true;
  return D3D_OK;
}

HRESULT IDirect3DDevice9::EndScene() {
  if (HRESULT fault = D3D9Enter("EndScene")) return fault;
  if (!state->inScene) return D3DERR_INVALIDCALL;
  state->inScene = false;
  return D3D_OK;
}

namespace {
// The test hook Present calls first (null: none).
void (*g_presentHook)(IDirect3DDevice9* device) = nullptr;
}  // namespace

HRESULT IDirect3DDevice9::Present(const RECT* source, const RECT* dest, HWND window,
                                  const RGNDATA* dirty) {
  if (HRESULT fault = D3D9Enter("Present", source, dest, window, dirty)) return fault;
  if (source || dest || dirty) return D3DERR_INVALIDCALL;
  if (g_presentHook) g_presentHook(this);
  D3D9DeviceState& st = *state;
  D3D9MakeCurrent(this);
  int ww = 0, wh = 0;
  SDL_GL_GetDrawableSize(st.window, &ww, &wh);
  const GLint bw = static_cast<GLint>(st.backBuffer->width);
  const GLint bh = static_cast<GLint>(st.backBuffer->height);
  HX_GL(glDisable(GL_SCISSOR_TEST));
  HX_GL(glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE));
  st.applied.masksStale = true;
  HX_GL(glBindFramebuffer(GL_READ_FRAMEBUFFER, st.presentFbo));
  HX_GL(glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0));
  // GL row 0 of the back buffer is the top row; the window's row 0 is its bottom row.
  HX_GL(glBlitFramebuffer(0, 0, bw, bh, 0, wh, ww, 0, GL_COLOR_BUFFER_BIT,
                          bw == ww && bh == wh ? GL_NEAREST : GL_LINEAR));
  SDL_GL_SwapWindow(st.window);
  st.applied.scissorOn = false;
  st.applied.drawFboBound = false;
  return D3D_OK;
}

namespace {

// The area of `r` inside the viewport and the target, as GL x, y, width, height (y from the
// top row, as GL rows run).
bool ClipToViewport(const D3D9DeviceState& st, D3DRECT r, GLint out[4]) {
  const D3DVIEWPORT9& vp = st.s.viewport;
  const LONG x1 = std::max<LONG>(r.x1, vp.X), y1 = std::max<LONG>(r.y1, vp.Y);
  LONG x2 = std::min<LONG>(r.x2, vp.X + vp.Width), y2 = std::min<LONG>(r.y2, vp.Y + vp.Height);
  x2 = std::min<LONG>(x2, st.s.renderTarget->width);
  y2 = std::min<LONG>(y2, st.s.renderTarget->height);
  if (x2 <= x1 || y2 <= y1) return false;
  out[0] = x1, out[1] = y1, out[2] = x2 - x1, out[3] = y2 - y1;
  return true;
}

}  // namespace

HRESULT IDirect3DDevice9::Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR colour,
                                float z, DWORD stencil) {
  if (HRESULT fault = D3D9Enter("Clear", count, rects, flags, colour, z, stencil)) return fault;
  if (z < 0.0f || z > 1.0f) return D3DERR_INVALIDCALL;
  // The list decides: an empty list clears nothing, no list clears the viewport (whatever
  // the count says).
  if (rects && count == 0) return D3D_OK;
  D3D9DeviceState& st = *state;
  D3D9MakeCurrent(this);
  D3D9ApplyFramebuffer(st);
  GLbitfield mask = 0;
  if (flags & D3DCLEAR_TARGET) {
    mask |= GL_COLOR_BUFFER_BIT;
    HX_GL(glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE));
    HX_GL(glClearColor(((colour >> 16) & 0xFF) / 255.0f, ((colour >> 8) & 0xFF) / 255.0f,
                       (colour & 0xFF) / 255.0f, (colour >> 24) / 255.0f));
  }
  if (flags & D3DCLEAR_ZBUFFER) {
    mask |= GL_DEPTH_BUFFER_BIT;
    HX_GL(glDepthMask(GL_TRUE));
    HX_GL(glClearDepth(z));
  }
  if (flags & D3DCLEAR_STENCIL) {
    mask |= GL_STENCIL_BUFFER_BIT;
    HX_GL(glStencilMask(0xFF));
    HX_GL(glClearStencil(static_cast<GLint>(stencil & 0xFF)));
  }
  st.applied.masksStale = true;
  st.applied.scissorOn = true;
  HX_GL(glEnable(GL_SCISSOR_TEST));
  const D3DRECT whole = {0, 0, 0x7FFFFFFF, 0x7FFFFFFF};
  for (DWORD i = 0; i < (rects ? count : 1); ++i) {
    GLint box[4];
    if (!ClipToViewport(st, rects ? rects[i] : whole, box)) continue;
    HX_GL(glScissor(box[0], box[1], box[2], box[3]));
    std::copy(box, box + 4, st.applied.scissor);
    if (mask) HX_GL(glClear(mask));
  }
  return D3D_OK;
}

namespace d3d9test {

void SetPresentHook(void (*hook)(IDirect3DDevice9* device)) { g_presentHook = hook; }

std::vector<uint32_t> ReadWindow(IDirect3DDevice9* device, UINT* width, UINT* height) {
  D3D9DeviceState& st = *device->state;
  D3D9MakeCurrent(device);
  HX_GL(glFinish());
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  int w = 0, h = 0;
  SDL_GetWindowSize(st.window, &w, &h);
  std::vector<uint32_t> pixels;
  if (!SDL_GetWindowWMInfo(st.window, &info) || info.subsystem != SDL_SYSWM_X11) return pixels;
  // What the display shows: the X server's copy of the window.
  // A window the display cannot show whole (off screen after a mode change) gives nothing.
  Display* display = info.info.x11.display;
  XSync(display, False);
  XErrorHandler previous = XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
  XImage* image = XGetImage(display, info.info.x11.window, 0, 0, w, h, AllPlanes, ZPixmap);
  XSync(display, False);
  XSetErrorHandler(previous);
  if (!image) return pixels;
  pixels.resize(size_t(w) * h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      pixels[size_t(y) * w + x] = 0xFF000000u | (XGetPixel(image, x, y) & 0xFFFFFF);
  XDestroyImage(image);
  *width = w, *height = h;
  return pixels;
}

}  // namespace d3d9test
