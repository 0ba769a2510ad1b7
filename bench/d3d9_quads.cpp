// Direct3D stand-in throughput: per frame, 1,000 textured, alpha-blended quads drawn from
// memory into a 1280 x 720 render target, which is then copied onto the back buffer and
// presented. Prints frames per second and the GL calls each draw costs, once with the state
// unchanged between draws and once with the texture switched on every draw.
// Run under a display (Xvfb with Mesa's software OpenGL in CI).

#include <chrono>
#include <cstdio>
#include <vector>

#include "platform/d3d9.h"
#include "platform/testing_d3d9.h"
#include "tests/support/d3d9_device.h"

namespace {

constexpr int kWidth = 1280, kHeight = 720, kQuads = 1000;

struct Vertex {
  float x, y, z, rhw;
  D3DCOLOR colour;
  float u, v;
};
const D3DVERTEXELEMENT9 kLayout[] = {{0, 0, D3DDECLTYPE_FLOAT4, 0, D3DDECLUSAGE_POSITIONT, 0},
                                     {0, 16, D3DDECLTYPE_D3DCOLOR, 0, D3DDECLUSAGE_COLOR, 0},
                                     {0, 20, D3DDECLTYPE_FLOAT2, 0, D3DDECLUSAGE_TEXCOORD, 0},
                                     D3DDECL_END()};

void Quad(Vertex out[4], float x, float y, float size, D3DCOLOR colour) {
  out[0] = {x, y, 0.5f, 1, colour, 0, 0};
  out[1] = {x + size, y, 0.5f, 1, colour, 1, 0};
  out[2] = {x, y + size, 0.5f, 1, colour, 0, 1};
  out[3] = {x + size, y + size, 0.5f, 1, colour, 1, 1};
}

IDirect3DTexture9* PatternTexture(IDirect3DDevice9* device, uint32_t tint) {
  std::vector<uint32_t> texels(64 * 64);
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) texels[y * 64 + x] = ((x ^ y) & 8) ? tint : 0x80FFFFFF;
  return testsupport::MakeTexture(device, 64, 64, texels.data(), 0);
}

struct Scene {
  IDirect3DDevice9* device;
  IDirect3DVertexDeclaration9* layout;
  IDirect3DTexture9* target;
  IDirect3DSurface9 *targetSurface, *back;
  IDirect3DTexture9* textures[2];
  std::vector<Vertex> quads;
};

// One frame; returns the number of draw calls.
int Frame(Scene& s, bool switchTextures, int frame) {
  IDirect3DDevice9* d = s.device;
  d->BeginScene();
  d->SetRenderTarget(0, s.targetSurface);
  d->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF202020, 1.0f, 0);
  d->SetVertexDeclaration(s.layout);
  d->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
  d->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
  d->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
  d->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
  d->SetTexture(0, s.textures[0]);
  for (int i = 0; i < kQuads; ++i) {
    if (switchTextures) d->SetTexture(0, s.textures[(i + frame) & 1]);
    d->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, &s.quads[i * 4], sizeof(Vertex));
  }
  d->SetRenderTarget(0, s.back);
  d->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
  d->SetTexture(0, s.target);
  Vertex screen[4];
  Quad(screen, -0.5f, -0.5f, kWidth, 0xFFFFFFFF);
  for (int i = 2; i < 4; ++i) screen[i].y = kHeight - 0.5f;
  d->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, screen, sizeof(Vertex));
  d->SetTexture(0, nullptr);
  d->EndScene();
  d->Present(nullptr, nullptr, nullptr, nullptr);
  return kQuads + 1;
}

void Measure(Scene& s, bool switchTextures, const char* label) {
  Frame(s, switchTextures, 0);  // warm-up: programs linked, storage allocated
  const uint64_t callsBefore = d3d9test::GlCalls();
  const auto start = std::chrono::steady_clock::now();
  int frames = 0, draws = 0;
  double seconds = 0.0;
  while (seconds < 2.0 || frames < 3) {
    draws += Frame(s, switchTextures, ++frames);
    seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  }
  const double calls = double(d3d9test::GlCalls() - callsBefore);
  std::printf("%-34s %8.2f frames/s  %8.0f draws/s  %6.2f GL calls/draw\n", label, frames / seconds,
              draws / seconds, calls / draws);
}

}  // namespace

int main() {
  testsupport::D3D9Window w;
  if (const char* error = testsupport::OpenD3D9Window(w, "bench", 0, 0, kWidth, kHeight)) {
    std::fprintf(stderr, "%s\n", error);
    return 1;
  }
  Scene s{};
  s.device = w.device;
  s.device->CreateVertexDeclaration(kLayout, &s.layout);
  s.device->CreateTexture(kWidth, kHeight, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8,
                          D3DPOOL_DEFAULT, &s.target, nullptr);
  s.target->GetSurfaceLevel(0, &s.targetSurface);
  s.device->GetRenderTarget(0, &s.back);
  s.textures[0] = PatternTexture(s.device, 0xC0FF8000);
  s.textures[1] = PatternTexture(s.device, 0xC00080FF);
  s.quads.resize(kQuads * 4);
  for (int i = 0; i < kQuads; ++i)
    Quad(&s.quads[i * 4], float((i * 37) % (kWidth - 64)), float((i * 53) % (kHeight - 64)), 64,
         0xFFFFFFFF);

  std::printf("%d textured, blended 64 x 64 quads into %d x %d, copied and presented\n", kQuads,
              kWidth, kHeight);
  Measure(s, false, "same texture for every quad");
  Measure(s, true, "texture switched on every quad");

  for (D3D9Object* o : {static_cast<D3D9Object*>(s.targetSurface), static_cast<D3D9Object*>(s.back),
                        static_cast<D3D9Object*>(s.target), static_cast<D3D9Object*>(s.textures[0]),
                        static_cast<D3D9Object*>(s.textures[1]), static_cast<D3D9Object*>(s.layout)})
    o->Release();
  testsupport::CloseD3D9Window(w);
  return 0;
}
