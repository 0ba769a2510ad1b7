#pragma once
// Direct3D 9 stand-in over OpenGL 3.3 core: the types, constants and objects the system calls,
// with the platform's names and numeric values. Objects are plain records with non-virtual
// methods; every object is reference-counted: a Create or Get call hands out one reference,
// a Set call keeps one for as long as the object stays set, Release drops one and frees the
// object at zero. Surfaces of a texture share the texture's count.
//
// Conventions of the stand-in (what the picture depends on):
//  - colours are 32-bit words 0xAARRGGBB, stored in memory as bytes blue, green, red, alpha;
//  - row 0 of every surface is the top row of the picture; pitches are width x 4 bytes;
//  - depth runs 0 (near) to 1 (far); pixel centres sit at integer coordinates.

#include <cstdint>

#include "platform/win32.h"

using INT = int32_t;
using ULONG = uint32_t;
using FLOAT = float;
using D3DCOLOR = DWORD;

// Only null is accepted where the platform takes a rectangle, a region or a shared handle.
struct RECT;
struct RGNDATA;

// ---- Results ----------------------------------------------------------------------------
constexpr HRESULT D3D_OK = 0;
constexpr HRESULT D3DERR_INVALIDCALL = static_cast<HRESULT>(0x8876086Cu);
constexpr HRESULT D3DERR_NOTAVAILABLE = static_cast<HRESULT>(0x8876086Au);
constexpr HRESULT D3DERR_DEVICELOST = static_cast<HRESULT>(0x88760868u);
constexpr HRESULT D3DERR_OUTOFVIDEOMEMORY = static_cast<HRESULT>(0x8876017Cu);

constexpr UINT D3D_SDK_VERSION = 32;
constexpr UINT D3DADAPTER_DEFAULT = 0;

// ---- Enumerations -----------------------------------------------------------------------
enum D3DDEVTYPE : uint32_t { D3DDEVTYPE_HAL = 1, D3DDEVTYPE_REF = 2 };

enum D3DFORMAT : uint32_t {
  D3DFMT_UNKNOWN = 0,
  D3DFMT_A8R8G8B8 = 21,
  D3DFMT_X8R8G8B8 = 22,
  D3DFMT_R5G6B5 = 23,
  D3DFMT_D24S8 = 75,
  D3DFMT_D16 = 80,
  D3DFMT_INDEX16 = 101,
  D3DFMT_INDEX32 = 102,
  D3DFMT_A16B16G16R16F = 113,
};

enum D3DPOOL : uint32_t {
  D3DPOOL_DEFAULT = 0,
  D3DPOOL_MANAGED = 1,
  D3DPOOL_SYSTEMMEM = 2,
  D3DPOOL_SCRATCH = 3,
};

constexpr DWORD D3DUSAGE_RENDERTARGET = 0x1;
constexpr DWORD D3DUSAGE_DEPTHSTENCIL = 0x2;
constexpr DWORD D3DUSAGE_WRITEONLY = 0x8;
constexpr DWORD D3DUSAGE_DYNAMIC = 0x200;
constexpr DWORD D3DUSAGE_AUTOGENMIPMAP = 0x400;

constexpr DWORD D3DLOCK_READONLY = 0x10;
constexpr DWORD D3DLOCK_NOSYSLOCK = 0x800;
constexpr DWORD D3DLOCK_NOOVERWRITE = 0x1000;
constexpr DWORD D3DLOCK_DISCARD = 0x2000;

constexpr DWORD D3DCREATE_FPU_PRESERVE = 0x02;
constexpr DWORD D3DCREATE_HARDWARE_VERTEXPROCESSING = 0x40;

constexpr DWORD D3DCLEAR_TARGET = 0x1;
constexpr DWORD D3DCLEAR_ZBUFFER = 0x2;
constexpr DWORD D3DCLEAR_STENCIL = 0x4;

constexpr UINT D3DPRESENT_INTERVAL_DEFAULT = 0;
constexpr UINT D3DPRESENT_INTERVAL_IMMEDIATE = 0x80000000u;

constexpr DWORD D3DFVF_XYZRHW = 0x004;

enum D3DMULTISAMPLE_TYPE : uint32_t { D3DMULTISAMPLE_NONE = 0 };
enum D3DSWAPEFFECT : uint32_t {
  D3DSWAPEFFECT_DISCARD = 1,
  D3DSWAPEFFECT_FLIP = 2,
  D3DSWAPEFFECT_COPY = 3,
};

enum D3DRENDERSTATETYPE : uint32_t {
  D3DRS_ZENABLE = 7,
  D3DRS_FILLMODE = 8,
  D3DRS_SHADEMODE = 9,
  D3DRS_ZWRITEENABLE = 14,
  D3DRS_ALPHATESTENABLE = 15,
  D3DRS_LASTPIXEL = 16,
  D3DRS_SRCBLEND = 19,
  D3DRS_DESTBLEND = 20,
  D3DRS_CULLMODE = 22,
  D3DRS_ZFUNC = 23,
  D3DRS_ALPHAREF = 24,
  D3DRS_ALPHAFUNC = 25,
  D3DRS_DITHERENABLE = 26,
  D3DRS_ALPHABLENDENABLE = 27,
  D3DRS_FOGENABLE = 28,
  D3DRS_SPECULARENABLE = 29,
  D3DRS_FOGCOLOR = 34,
  D3DRS_FOGTABLEMODE = 35,
  D3DRS_FOGSTART = 36,
  D3DRS_FOGEND = 37,
  D3DRS_STENCILENABLE = 52,
  D3DRS_TEXTUREFACTOR = 60,
  D3DRS_CLIPPING = 136,
  D3DRS_LIGHTING = 137,
  D3DRS_AMBIENT = 139,
  D3DRS_COLORVERTEX = 141,
  D3DRS_POINTSIZE = 154,
  D3DRS_COLORWRITEENABLE = 168,
  D3DRS_BLENDOP = 171,
  D3DRS_SCISSORTESTENABLE = 174,
  D3DRS_SLOPESCALEDEPTHBIAS = 175,
  D3DRS_BLENDFACTOR = 193,
  D3DRS_DEPTHBIAS = 195,
  D3DRS_SEPARATEALPHABLENDENABLE = 206,
};

enum D3DZBUFFERTYPE : uint32_t { D3DZB_FALSE = 0, D3DZB_TRUE = 1 };
enum D3DBLEND : uint32_t {
  D3DBLEND_ZERO = 1,
  D3DBLEND_ONE = 2,
  D3DBLEND_SRCCOLOR = 3,
  D3DBLEND_INVSRCCOLOR = 4,
  D3DBLEND_SRCALPHA = 5,
  D3DBLEND_INVSRCALPHA = 6,
  D3DBLEND_DESTALPHA = 7,
  D3DBLEND_INVDESTALPHA = 8,
  D3DBLEND_DESTCOLOR = 9,
  D3DBLEND_INVDESTCOLOR = 10,
  D3DBLEND_SRCALPHASAT = 11,
  D3DBLEND_BOTHSRCALPHA = 12,
  D3DBLEND_BOTHINVSRCALPHA = 13,
  D3DBLEND_BLENDFACTOR = 14,
  D3DBLEND_INVBLENDFACTOR = 15,
};
enum D3DBLENDOP : uint32_t {
  D3DBLENDOP_ADD = 1,
  D3DBLENDOP_SUBTRACT = 2,
  D3DBLENDOP_REVSUBTRACT = 3,  // destination - source
  D3DBLENDOP_MIN = 4,
  D3DBLENDOP_MAX = 5,
};
enum D3DCMPFUNC : uint32_t {
  D3DCMP_NEVER = 1,
  D3DCMP_LESS = 2,
  D3DCMP_EQUAL = 3,
  D3DCMP_LESSEQUAL = 4,
  D3DCMP_GREATER = 5,
  D3DCMP_NOTEQUAL = 6,
  D3DCMP_GREATEREQUAL = 7,
  D3DCMP_ALWAYS = 8,
};
// Winding is judged on screen with y running downwards.
enum D3DCULL : uint32_t { D3DCULL_NONE = 1, D3DCULL_CW = 2, D3DCULL_CCW = 3 };
enum D3DFILLMODE : uint32_t { D3DFILL_POINT = 1, D3DFILL_WIREFRAME = 2, D3DFILL_SOLID = 3 };
enum D3DSHADEMODE : uint32_t { D3DSHADE_FLAT = 1, D3DSHADE_GOURAUD = 2 };

enum D3DSAMPLERSTATETYPE : uint32_t {
  D3DSAMP_ADDRESSU = 1,
  D3DSAMP_ADDRESSV = 2,
  D3DSAMP_ADDRESSW = 3,
  D3DSAMP_BORDERCOLOR = 4,
  D3DSAMP_MAGFILTER = 5,
  D3DSAMP_MINFILTER = 6,
  D3DSAMP_MIPFILTER = 7,
  D3DSAMP_MIPMAPLODBIAS = 8,
  D3DSAMP_MAXMIPLEVEL = 9,
  D3DSAMP_MAXANISOTROPY = 10,
};
enum D3DTEXTUREADDRESS : uint32_t {
  D3DTADDRESS_WRAP = 1,
  D3DTADDRESS_MIRROR = 2,
  D3DTADDRESS_CLAMP = 3,
  D3DTADDRESS_BORDER = 4,
  D3DTADDRESS_MIRRORONCE = 5,
};
enum D3DTEXTUREFILTERTYPE : uint32_t {
  D3DTEXF_NONE = 0,
  D3DTEXF_POINT = 1,
  D3DTEXF_LINEAR = 2,
  D3DTEXF_ANISOTROPIC = 3,
};
enum D3DTEXTURESTAGESTATETYPE : uint32_t {
  D3DTSS_COLOROP = 1,
  D3DTSS_COLORARG1 = 2,
  D3DTSS_COLORARG2 = 3,
  D3DTSS_ALPHAOP = 4,
  D3DTSS_ALPHAARG1 = 5,
  D3DTSS_ALPHAARG2 = 6,
  D3DTSS_TEXCOORDINDEX = 11,
};
enum D3DTEXTUREOP : uint32_t {
  D3DTOP_DISABLE = 1,
  D3DTOP_SELECTARG1 = 2,
  D3DTOP_SELECTARG2 = 3,
  D3DTOP_MODULATE = 4,
};
constexpr DWORD D3DTA_DIFFUSE = 0;
constexpr DWORD D3DTA_CURRENT = 1;
constexpr DWORD D3DTA_TEXTURE = 2;

enum D3DCUBEMAP_FACES : uint32_t {
  D3DCUBEMAP_FACE_POSITIVE_X = 0,
  D3DCUBEMAP_FACE_NEGATIVE_X = 1,
  D3DCUBEMAP_FACE_POSITIVE_Y = 2,
  D3DCUBEMAP_FACE_NEGATIVE_Y = 3,
  D3DCUBEMAP_FACE_POSITIVE_Z = 4,
  D3DCUBEMAP_FACE_NEGATIVE_Z = 5,
};

enum D3DPRIMITIVETYPE : uint32_t {
  D3DPT_POINTLIST = 1,
  D3DPT_LINELIST = 2,
  D3DPT_LINESTRIP = 3,
  D3DPT_TRIANGLELIST = 4,
  D3DPT_TRIANGLESTRIP = 5,
  D3DPT_TRIANGLEFAN = 6,
};

enum D3DDECLTYPE : uint8_t {
  D3DDECLTYPE_FLOAT1 = 0,  // FLOAT1..3 reach the shader padded to (x, 0, 0, 1)
  D3DDECLTYPE_FLOAT2 = 1,
  D3DDECLTYPE_FLOAT3 = 2,
  D3DDECLTYPE_FLOAT4 = 3,
  D3DDECLTYPE_D3DCOLOR = 4,  // word 0xAARRGGBB reaches the shader as (R, G, B, A) in 0..1
  D3DDECLTYPE_UBYTE4 = 5,
  D3DDECLTYPE_SHORT2 = 6,
  D3DDECLTYPE_UNUSED = 17,
};
enum D3DDECLMETHOD : uint8_t { D3DDECLMETHOD_DEFAULT = 0 };
enum D3DDECLUSAGE : uint8_t {
  D3DDECLUSAGE_POSITION = 0,
  D3DDECLUSAGE_BLENDWEIGHT = 1,
  D3DDECLUSAGE_BLENDINDICES = 2,
  D3DDECLUSAGE_NORMAL = 3,
  D3DDECLUSAGE_PSIZE = 4,
  D3DDECLUSAGE_TEXCOORD = 5,
  D3DDECLUSAGE_TANGENT = 6,
  D3DDECLUSAGE_BINORMAL = 7,
  D3DDECLUSAGE_TESSFACTOR = 8,
  D3DDECLUSAGE_POSITIONT = 9,  // pre-transformed: x, y in pixels, z depth 0..1, w = 1 / w
  D3DDECLUSAGE_COLOR = 10,
  D3DDECLUSAGE_FOG = 11,
  D3DDECLUSAGE_DEPTH = 12,
  D3DDECLUSAGE_SAMPLE = 13,
};

// ---- Records ----------------------------------------------------------------------------
struct D3DCAPS9 {
  D3DDEVTYPE DeviceType;
  UINT AdapterOrdinal;
  DWORD MaxTextureWidth, MaxTextureHeight, MaxVolumeExtent;
  DWORD MaxSimultaneousTextures;
  DWORD VertexShaderVersion;  // 0xFFFE0000 | major << 8 | minor
  DWORD MaxVertexShaderConst;
  DWORD PixelShaderVersion;  // 0xFFFF0000 | major << 8 | minor
};

struct D3DDISPLAYMODE {
  UINT Width, Height, RefreshRate;
  D3DFORMAT Format;
};

struct D3DPRESENT_PARAMETERS {
  UINT BackBufferWidth, BackBufferHeight;  // 0: the device window's client size
  D3DFORMAT BackBufferFormat;
  UINT BackBufferCount;
  D3DMULTISAMPLE_TYPE MultiSampleType;
  DWORD MultiSampleQuality;
  D3DSWAPEFFECT SwapEffect;
  HWND hDeviceWindow;
  BOOL Windowed;
  BOOL EnableAutoDepthStencil;
  D3DFORMAT AutoDepthStencilFormat;
  DWORD Flags;
  UINT FullScreen_RefreshRateInHz;
  UINT PresentationInterval;
};

struct D3DVIEWPORT9 {
  DWORD X, Y, Width, Height;  // pixels, Y from the top row
  float MinZ, MaxZ;
};

struct D3DCOLORVALUE {
  float r, g, b, a;
};
struct D3DMATERIAL9 {
  D3DCOLORVALUE Diffuse, Ambient, Specular, Emissive;
  float Power;
};

struct D3DRECT {
  LONG x1, y1, x2, y2;  // x2, y2 exclusive
};
struct D3DBOX {
  UINT Left, Top, Right, Bottom, Front, Back;
};
struct D3DLOCKED_RECT {
  INT Pitch;
  void* pBits;
};
struct D3DLOCKED_BOX {
  INT RowPitch, SlicePitch;
  void* pBits;
};

struct D3DVERTEXELEMENT9 {
  WORD Stream, Offset;
  BYTE Type, Method, Usage, UsageIndex;
};
// The element that closes a declaration.
constexpr D3DVERTEXELEMENT9 D3DDECL_END() { return {0xFF, 0, D3DDECLTYPE_UNUSED, 0, 0, 0}; }

// ---- Objects ----------------------------------------------------------------------------
struct IDirect3DDevice9;
struct IDirect3DSurface9;
struct D3D9DeviceState;  // the device's OpenGL side (stand-in internal)

// Bookkeeping shared by every object of the stand-in.
struct D3D9Object {
  // One more reference; returns the new count. Surfaces of a texture count on the texture.
  ULONG AddRef();
  // One reference less; the object is freed when none is left. Returns the new count.
  ULONG Release();

  uint32_t refs;          // references held by the program and by the device
  uint32_t deviceRefs;    // of which held by the device's Set calls
  uint32_t serial;        // creation number, for traces
  uint8_t kind;           // D3D9Kind (stand-in internal)
  uint8_t pool;           // D3DPOOL of a resource
  bool implicit;          // made by the device itself (back buffer): never counted as the program's
  D3D9Object* container;  // the texture that owns this surface, or null
  IDirect3DDevice9* device;
  D3D9Object* prevLive;
  D3D9Object* nextLive;
};

struct IDirect3DBaseTexture9 : D3D9Object {
  uint32_t glName;    // texture name; 0 once the device is gone
  uint32_t glTarget;  // GL_TEXTURE_2D, GL_TEXTURE_CUBE_MAP or GL_TEXTURE_3D
  UINT width, height, depth, levels;
  DWORD usage;
  D3DFORMAT format;
};

struct IDirect3DSurface9 : D3D9Object {
  // The whole surface (pRect null). READONLY on a lockable render target first waits until the
  // last draw into it has finished. Non-lockable render targets refuse.
  HRESULT LockRect(D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags);
  // Writable locks upload the surface again.
  HRESULT UnlockRect();

  uint32_t glTexture;  // the texture holding the pixels (the back buffer's too)
  uint32_t glFace;     // upload target: GL_TEXTURE_2D or a cube face
  UINT level, width, height;
  D3DFORMAT format;
  bool renderTarget, lockable, locked, lockReadOnly;
  uint8_t* pixels;  // CPU copy, width x height x 4 bytes (lockable surfaces)
  void* drawFence;  // GLsync of the last draw into a lockable render target
};

struct IDirect3DTexture9 : IDirect3DBaseTexture9 {
  // Level `level`'s surface, with one reference added (on the texture).
  HRESULT GetSurfaceLevel(UINT level, IDirect3DSurface9** surface);
  HRESULT LockRect(UINT level, D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags);
  HRESULT UnlockRect(UINT level);

  IDirect3DSurface9* surfaces;  // one per level
};

struct IDirect3DCubeTexture9 : IDirect3DBaseTexture9 {
  HRESULT LockRect(D3DCUBEMAP_FACES face, UINT level, D3DLOCKED_RECT* locked, const RECT* rect,
                   DWORD flags);
  HRESULT UnlockRect(D3DCUBEMAP_FACES face, UINT level);

  IDirect3DSurface9* surfaces;  // face-major: face x levels + level
};

struct IDirect3DVolumeTexture9 : IDirect3DBaseTexture9 {
  // The whole level (box null): rows width x 4 bytes apart, slices rows x height apart.
  HRESULT LockBox(UINT level, D3DLOCKED_BOX* locked, const D3DBOX* box, DWORD flags);
  HRESULT UnlockBox(UINT level);

  uint8_t** levelPixels;  // CPU copy of each level
  uint32_t lockedLevels;  // bit per locked level
};

struct D3D9Buffer : D3D9Object {
  // Bytes offset .. offset + size (size 0: to the end). DISCARD gives the buffer new storage so
  // the lock never waits for draws still reading the old contents.
  HRESULT Lock(UINT offset, UINT size, void** data, DWORD flags);
  // Uploads the range written under the lock.
  HRESULT Unlock();

  uint32_t glName;
  UINT length;
  DWORD usage;
  uint8_t* bytes;  // CPU copy
  UINT lockOffset, lockSize;
  bool locked, discard;
};
struct IDirect3DVertexBuffer9 : D3D9Buffer {
  DWORD fvf;
};
struct IDirect3DIndexBuffer9 : D3D9Buffer {
  D3DFORMAT format;  // INDEX16 or INDEX32
};

struct IDirect3DVertexDeclaration9 : D3D9Object {
  D3DVERTEXELEMENT9 elements[16];
  uint32_t count;
  bool pretransformed;  // has a POSITIONT element
};

struct IDirect3DVertexShader9 : D3D9Object {
  uint32_t glShader;
};
struct IDirect3DPixelShader9 : D3D9Object {
  uint32_t glShader;           // without the alpha test
  uint32_t glShaderAlphaTest;  // with it
  uint8_t samplerType[16];  // per stage: 0 unused, 2 2D, 3 cube, 4 volume
};

struct IDirect3DDevice9 : D3D9Object {
  // Presentation parameters as at creation. Fails with D3DERR_INVALIDCALL while a default-pool
  // resource the program made is alive. Otherwise the back buffer and depth take the window's
  // client size (or the given size) and every state returns to its default.
  HRESULT Reset(D3DPRESENT_PARAMETERS* parameters);
  HRESULT BeginScene();
  HRESULT EndScene();
  // Shows the whole back buffer in the device window (upright, stretched to the client area),
  // without waiting for the vertical retrace. The back buffer keeps its content.
  HRESULT Present(const RECT* source, const RECT* dest, HWND window, const RGNDATA* dirty);
  // Clears the rectangles (none: the whole viewport), always within the viewport.
  HRESULT Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR colour, float z,
                DWORD stencil);
  HRESULT SetViewport(const D3DVIEWPORT9* viewport);
  // The viewport now: the last one set, or the whole target after SetRenderTarget and Reset.
  HRESULT GetViewport(D3DVIEWPORT9* viewport);
  HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value);
  HRESULT SetMaterial(const D3DMATERIAL9* material);
  HRESULT SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value);
  HRESULT SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value);
  HRESULT SetTexture(DWORD stage, IDirect3DBaseTexture9* texture);
  // Index 0 only. Get adds a reference; Set keeps one and resets the viewport to the target.
  HRESULT GetRenderTarget(DWORD index, IDirect3DSurface9** surface);
  HRESULT SetRenderTarget(DWORD index, IDirect3DSurface9* surface);
  HRESULT CreateRenderTarget(UINT width, UINT height, D3DFORMAT format,
                             D3DMULTISAMPLE_TYPE multiSample, DWORD quality, BOOL lockable,
                             IDirect3DSurface9** surface, void** shared);
  // levels 0: the full chain down to 1 x 1. RENDERTARGET usage: one level, default pool.
  HRESULT CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format,
                        D3DPOOL pool, IDirect3DTexture9** texture, void** shared);
  HRESULT CreateCubeTexture(UINT edge, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                            IDirect3DCubeTexture9** texture, void** shared);
  HRESULT CreateVolumeTexture(UINT width, UINT height, UINT depth, UINT levels, DWORD usage,
                              D3DFORMAT format, D3DPOOL pool, IDirect3DVolumeTexture9** texture,
                              void** shared);
  HRESULT CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                             IDirect3DVertexBuffer9** buffer, void** shared);
  HRESULT CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                            IDirect3DIndexBuffer9** buffer, void** shared);
  HRESULT CreateVertexDeclaration(const D3DVERTEXELEMENT9* elements,
                                  IDirect3DVertexDeclaration9** declaration);
  // The token stream runs to its end token (0x0000FFFF). A stream the translator refuses, or
  // whose GLSL does not compile, fails with D3DERR_INVALIDCALL.
  HRESULT CreateVertexShader(const DWORD* tokens, IDirect3DVertexShader9** shader);
  HRESULT CreatePixelShader(const DWORD* tokens, IDirect3DPixelShader9** shader);
  HRESULT SetVertexDeclaration(IDirect3DVertexDeclaration9* declaration);
  // 0 or D3DFVF_XYZRHW (one float4 pre-transformed position).
  HRESULT SetFVF(DWORD fvf);
  HRESULT SetVertexShader(IDirect3DVertexShader9* shader);
  HRESULT SetPixelShader(IDirect3DPixelShader9* shader);
  // Registers start .. start + count - 1 (256 vertex, 32 pixel registers of four floats).
  HRESULT SetVertexShaderConstantF(UINT start, const float* data, UINT count);
  HRESULT SetPixelShaderConstantF(UINT start, const float* data, UINT count);
  HRESULT SetStreamSource(UINT stream, IDirect3DVertexBuffer9* buffer, UINT offset, UINT stride);
  HRESULT SetIndices(IDirect3DIndexBuffer9* buffer);
  HRESULT DrawPrimitive(D3DPRIMITIVETYPE type, UINT startVertex, UINT primitiveCount);
  HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE type, INT baseVertex, UINT minIndex,
                               UINT vertexCount, UINT startIndex, UINT primitiveCount);
  // Draws from memory; afterwards stream 0 is unset.
  HRESULT DrawPrimitiveUP(D3DPRIMITIVETYPE type, UINT primitiveCount, const void* vertices,
                          UINT stride);

  D3D9DeviceState* state;
};

struct IDirect3D9 : D3D9Object {
  // Pixel and vertex shader 2.0 (or what a test asks for).
  HRESULT GetDeviceCaps(UINT adapter, D3DDEVTYPE type, D3DCAPS9* caps);
  // Display modes of SDL's first display (X8R8G8B8 only), in SDL's order.
  UINT GetAdapterModeCount(UINT adapter, D3DFORMAT format);
  HRESULT EnumAdapterModes(UINT adapter, D3DFORMAT format, UINT mode, D3DDISPLAYMODE* out);
  // An OpenGL 3.3 core context on the device window's (else the focus window's) SDL window.
  // A back-buffer size of 0 takes the window's client size; the size taken is not written
  // back into `parameters`, so the same record serves every later Reset.
  HRESULT CreateDevice(UINT adapter, D3DDEVTYPE type, HWND focusWindow, DWORD flags,
                       D3DPRESENT_PARAMETERS* parameters, IDirect3DDevice9** device);
};

// Null when Direct3D cannot be offered (wrong SDK version, no video subsystem).
IDirect3D9* Direct3DCreate9(UINT sdkVersion);

using LPDIRECT3D9 = IDirect3D9*;
using LPDIRECT3DDEVICE9 = IDirect3DDevice9*;
using LPDIRECT3DTEXTURE9 = IDirect3DTexture9*;
using LPDIRECT3DSURFACE9 = IDirect3DSurface9*;
using LPDIRECT3DVERTEXBUFFER9 = IDirect3DVertexBuffer9*;
using LPDIRECT3DINDEXBUFFER9 = IDirect3DIndexBuffer9*;
