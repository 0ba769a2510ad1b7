#pragma once
// Inside the Direct3D stand-in only: the device's OpenGL side, shared by the d3d9_*.cpp files.
//
// Orientation: everything renders upside down in GL (clip y negated), so GL row 0 of every
// colour target is the platform's top row; uploads and readbacks need no flip, and Present
// flips once on the way to the window.

#include <epoxy/gl.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <type_traits>
#include <unordered_map>

#include "platform/d3d9.h"

struct SDL_Window;

enum D3D9Kind : uint8_t {
  kKindDirect3D,
  kKindDevice,
  kKindTexture,
  kKindCubeTexture,
  kKindVolumeTexture,
  kKindSurface,
  kKindVertexBuffer,
  kKindIndexBuffer,
  kKindDeclaration,
  kKindVertexShader,
  kKindPixelShader,
};

constexpr int kMaxStages = 16;        // samplers a pixel shader 2.0 reads
constexpr int kMaxTextureStages = 8;  // stages with stage state
constexpr int kMaxStreams = 4;
constexpr int kVertexConstants = 256;
constexpr int kPixelConstants = 32;
constexpr int kRenderStates = 256;
constexpr int kSamplerStates = 14;
constexpr int kStageStates = 33;
constexpr UINT kMaxTextureSize = 8192;   // texels per side of a 2D, cube or render target
constexpr UINT kMaxVolumeExtent = 2048;  // texels per side of a volume

// ---- Objects: bookkeeping, trace, faults (d3d9_object.cpp) --------------------------------
// Links a new object (one reference, held by the caller) into the live list.
void D3D9ObjectInit(D3D9Object* object, D3D9Kind kind, IDirect3DDevice9* device, D3DPOOL pool);
// Unlinks the object; the caller frees it.
void D3D9ObjectUnlink(D3D9Object* object);
// The first live object (walk with nextLive).
D3D9Object* D3D9FirstLive();
// A reference held by the device's state (Set calls), and its release; null does nothing.
void D3D9BindRef(D3D9Object* object);
void D3D9UnbindRef(D3D9Object* object);
// Replaces a device-held reference: keeps `next`, drops `slot`'s old object.
template <class T>
void D3D9Rebind(T*& slot, T* next) {
  if (slot == next) return;
  D3D9BindRef(next);
  T* old = slot;
  slot = next;
  D3D9UnbindRef(old);
}

// The fault a test armed for this call (0 when none), and the trace line of the call.
HRESULT D3D9TakeFault(const char* call);
void D3D9ClearFaultsAndTrace();
bool D3D9Tracing();
void D3D9TraceLine(std::string line);
void D3D9TraceArg(std::string& line, const D3D9Object* object);
void D3D9TraceArg(std::string& line, const void* pointer);
void D3D9TraceArg(std::string& line, double value);
void D3D9TraceArg(std::string& line, long long value);
void D3D9TraceArg(std::string& line, unsigned long long value);
template <class T>
void D3D9TraceValue(std::string& line, T value) {
  if constexpr (std::is_pointer_v<T>) {
    D3D9TraceArg(line, value);  // objects by creation number, other pointers as "ptr"
  } else if constexpr (std::is_floating_point_v<T>) {
    D3D9TraceArg(line, static_cast<double>(value));
  } else if constexpr (std::is_signed_v<T>) {
    D3D9TraceArg(line, static_cast<long long>(value));
  } else {
    D3D9TraceArg(line, static_cast<unsigned long long>(value));
  }
}
// Entry of every traced call: records "Name(arg, arg)" when tracing and returns the armed fault.
template <class... Args>
HRESULT D3D9Enter(const char* call, Args... args) {
  if (D3D9Tracing()) {
    std::string line = call;
    line += '(';
    bool first = true;
    ((line += first ? "" : ", ", first = false, D3D9TraceValue(line, args)), ...);
    line += ')';
    D3D9TraceLine(std::move(line));
  }
  return D3D9TakeFault(call);
}

// Per-kind destruction, called when the last reference goes (or with the device).
void D3D9DestroyDirect3D(IDirect3D9* d3d);
void D3D9DestroyDevice(IDirect3DDevice9* device);
void D3D9DestroyResource(D3D9Object* object);
void D3D9DestroyShaderObject(D3D9Object* object);

// ---- GL call counting -------------------------------------------------------------------
extern uint64_t g_d3d9GlCalls;
// Every GL call the device makes goes through this, so the benchmark can count them.
#define HX_GL(call) (++g_d3d9GlCalls, call)

// ---- Device state -----------------------------------------------------------------------
struct D3D9StreamSource {
  IDirect3DVertexBuffer9* buffer;
  UINT offset, stride;
};

// Everything Reset returns to its default.
struct D3D9States {
  DWORD render[kRenderStates];
  DWORD sampler[kMaxStages][kSamplerStates];
  DWORD stage[kMaxTextureStages][kStageStates];
  IDirect3DBaseTexture9* textures[kMaxStages];
  D3DVIEWPORT9 viewport;
  D3DMATERIAL9 material;
  IDirect3DSurface9* renderTarget;
  IDirect3DVertexDeclaration9* declaration;
  DWORD fvf;
  IDirect3DVertexShader9* vertexShader;
  IDirect3DPixelShader9* pixelShader;
  D3D9StreamSource streams[kMaxStreams];
  IDirect3DIndexBuffer9* indices;
  float vertexConstants[kVertexConstants][4];
  float pixelConstants[kPixelConstants][4];
};

// A linked program of one (vertex, pixel) pair and what it last received.
struct D3D9Program {
  GLuint name;
  GLint vc, pc, posFixup, alphaFunc, alphaRef, viewport, pretransformed;
  GLint vcCount, pcCount;
  uint64_t vcSynced, pcSynced;  // constant-change stamps already uploaded
  float posFixupValue[2];
  float viewportValue[4];
  GLint alphaFuncValue;
  float alphaRefValue;
  uint8_t samplerType[kMaxStages];
};

// The GL state last set, so a draw only sends what changed.
struct D3D9Applied {
  bool valid;  // false: send everything at the next draw
  DWORD render[kRenderStates];
  D3DVIEWPORT9 viewport;
  GLuint colourTexture;
  UINT colourLevel;
  GLuint indexBuffer;
  GLuint arrayBuffer;
  UINT memoryStride;
  GLint scissor[4];
  bool scissorOn;
  bool masksStale;    // colour and depth write masks changed by a clear
  bool drawFboBound;  // false after Present bound the window's framebuffer
  bool opaqueTarget;  // the blend factors were sent for a target without alpha
  GLuint program;
  GLuint units[kMaxStages];  // texture bound per unit (of the type the program reads)
  GLenum activeUnit;         // GL_TEXTURE0 + unit last made active
  uint64_t samplerStamp[kMaxStages];
  uint64_t layoutStamp;
  uint32_t enabledAttributes;
};

struct D3D9DeviceState {
  SDL_Window* window;
  void* context;  // SDL_GLContext
  D3D9States s;
  D3D9Applied applied;
  bool inScene;

  IDirect3DSurface9* backBuffer;  // implicit, one level, GL texture
  GLuint depth;                   // the one depth-stencil renderbuffer
  UINT depthWidth, depthHeight;
  GLuint drawFbo, presentFbo, vao, streamBuffer;
  GLuint samplers[kMaxStages];
  uint64_t samplerStamp[kMaxStages];            // bumped when a stage's sampler state changes
  GLuint emptyStage[3];                         // 1 x 1 (0, 0, 0, 1) 2D, cube and volume
  IDirect3DVertexDeclaration9* fvfDeclaration;  // the XYZRHW layout, implicit

  uint64_t constantStamp;
  uint64_t vertexConstantStamp[kVertexConstants];
  uint64_t pixelConstantStamp[kPixelConstants];
  uint64_t lastVertexConstantStamp, lastPixelConstantStamp;
  uint64_t layoutStamp;  // bumped when declaration or streams change

  GLuint fixedVertexShader;
  // By alpha test (off, on), stage-0 kind (2D, cube, volume, none), coordinate set.
  GLuint defaultPixelShaders[2][4][8];
  std::unordered_map<uint64_t, D3D9Program> programs;
  D3D9Program* currentProgram;
  uint64_t currentProgramKey;
};

// ---- Helpers across files ---------------------------------------------------------------
// Makes the device's GL context current (cheap when it already is).
void D3D9MakeCurrent(IDirect3DDevice9* device);
// The state of the device whose context is current; null when none is.
D3D9DeviceState* D3D9CurrentState();
// Default values of every state.
void D3D9SetDefaultStates(D3D9States& s);
// Releases every reference the states hold (before Reset or destruction).
void D3D9UnbindAll(D3D9DeviceState& st);

// Resources (d3d9_resources.cpp).
bool D3D9InitSurface(IDirect3DSurface9* surface, IDirect3DDevice9* device, GLuint texture,
                     GLenum face, UINT level, UINT width, UINT height, bool renderTarget,
                     bool lockable);
// A GL texture of `levels` levels (GL_TEXTURE_MAX_LEVEL set so it is complete).
GLuint D3D9CreateGlTexture(GLenum target, UINT width, UINT height, UINT depth, UINT levels,
                           D3DFORMAT format);
// Grows the shared depth buffer to cover width x height.
void D3D9CoverDepth(D3D9DeviceState& st, UINT width, UINT height);
// Refills the levels below level 0 from level 0 when the surface is level 0 of a texture made
// with D3DUSAGE_AUTOGENMIPMAP (after an upload into it, or after drawing into it); else nothing.
void D3D9GenerateLevels(const IDirect3DSurface9* surface);
// Reads a texture level (or cube face) as 0xAARRGGBB words, GL row 0 first.
void D3D9ReadTexels(GLenum target, GLuint texture, GLenum face, UINT level, uint32_t* out);

// Drawing (d3d9_draw.cpp).
void D3D9ApplyFramebuffer(D3D9DeviceState& st);
void D3D9ForgetTexture(D3D9DeviceState& st, GLuint name);
void D3D9ForgetBuffer(D3D9DeviceState& st, GLuint name);

// Programs (d3d9_programs.cpp).
// The program of the bound shaders (or the device's own), linked on first use; null when the
// pair does not link.
D3D9Program* D3D9UseProgram(D3D9DeviceState& st);
void D3D9DeletePrograms(D3D9DeviceState& st);
// The alpha test of every pixel program (the device's default one and the translated ones),
// compiled in only where HX_ALPHA_TEST is defined: declares hx_alphaFunc and hx_alphaRef and
// `bool hx_alphaPasses(float alpha)`, which compares round(alpha x 255) with
// round(hx_alphaRef x 255) as the compare function says (1 NEVER .. 8 ALWAYS).
const char* D3D9AlphaTestGlsl();
// The statement that discards a pixel whose alpha (a GLSL expression) fails the test, under
// the same condition.
std::string D3D9AlphaTestDiscardGlsl(const char* alpha);
