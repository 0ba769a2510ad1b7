// Drawing through the Direct3D stand-in, read back and compared with values worked out by hand.
#include <algorithm>
#include <cstring>

#include "d3d9_test_support.h"

namespace {

using d3d9support::ClipVertex;
using d3d9support::kSize;
using d3d9support::Near;

class D3D9Draw : public d3d9support::DeviceTest {};

TEST_F(D3D9Draw, ClearOfAViewportLeavesTheRestUntouched) {
  ASSERT_EQ(device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF102030, 1.0f, 0), D3D_OK);
  D3DVIEWPORT9 vp = {8, 16, 20, 10, 0.0f, 1.0f};
  ASSERT_EQ(device_->SetViewport(&vp), D3D_OK);
  ASSERT_EQ(device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0x80FF0000, 1.0f, 0), D3D_OK);
  // A rectangle reaching out of the viewport is cut to it.
  const D3DRECT rect = {0, 0, 10, 20};
  ASSERT_EQ(device_->Clear(1, &rect, D3DCLEAR_TARGET, 0xFF00FF00, 1.0f, 0), D3D_OK);
  const std::vector<uint32_t> image = d3d9test::ReadBackBuffer(device_);
  ASSERT_EQ(image.size(), size_t{kSize * kSize});
  for (int y = 0; y < kSize; ++y) {
    for (int x = 0; x < kSize; ++x) {
      const bool inViewport = x >= 8 && x < 28 && y >= 16 && y < 26;
      const bool inRect = inViewport && x < 10 && y < 20;
      const uint32_t expected = inRect ? 0xFF00FF00 : inViewport ? 0x80FF0000 : 0xFF102030;
      ASSERT_EQ(Pixel(image, x, y), expected) << x << ", " << y;
    }
  }
}

TEST_F(D3D9Draw, PreTransformedRectangleCoversExactlyItsPixels) {
  device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
  DrawRect(10, 4, 30, 12, 0xFFFFFFFF);
  const std::vector<uint32_t> image = d3d9test::ReadBackBuffer(device_);
  for (int y = 0; y < kSize; ++y)
    for (int x = 0; x < kSize; ++x)
      ASSERT_EQ(Pixel(image, x, y),
                x >= 10 && x < 30 && y >= 4 && y < 12 ? 0xFFFFFFFFu : 0xFF000000u)
          << x << ", " << y;
}

// Clip coordinates of the pixel centre (x, y) of the 64 x 64 back buffer.
ClipVertex At(float x, float y, D3DCOLOR colour, float z = 0.5f) {
  return {x / 32.0f - 1.0f, 1.0f - y / 32.0f, z, colour};
}

int CountLit(const std::vector<uint32_t>& image) {
  int lit = 0;
  for (uint32_t p : image) lit += p != 0xFF000000u;
  return lit;
}

TEST_F(D3D9Draw, TrianglesInSolidWireframeAndPointModesAndALineStrip) {
  const std::vector<ClipVertex> triangle = {At(8, 8, 0xFFFFFFFF), At(56, 8, 0xFFFFFFFF),
                                            At(8, 56, 0xFFFFFFFF)};
  device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
  DrawClip(triangle);
  std::vector<uint32_t> image = d3d9test::ReadBackBuffer(device_);
  EXPECT_EQ(Pixel(image, 20, 20), 0xFFFFFFFFu);  // inside
  EXPECT_EQ(Pixel(image, 8, 8), 0xFFFFFFFFu);    // the corner pixel's centre is on two edges
  EXPECT_EQ(Pixel(image, 40, 40), 0xFF000000u);  // beyond the long edge
  EXPECT_EQ(Pixel(image, 7, 20), 0xFF000000u);   // left of the left edge

  device_->SetRenderState(D3DRS_FILLMODE, D3DFILL_WIREFRAME);
  device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
  DrawClip(triangle);
  image = d3d9test::ReadBackBuffer(device_);
  EXPECT_EQ(Pixel(image, 30, 8), 0xFFFFFFFFu);   // top edge
  EXPECT_EQ(Pixel(image, 8, 30), 0xFFFFFFFFu);   // left edge
  EXPECT_EQ(Pixel(image, 20, 20), 0xFF000000u);  // the inside stays empty
  int inside = 0;
  for (int y = 12; y < 40; ++y)
    for (int x = 12; x < 52 - y; ++x) inside += Pixel(image, x, y) != 0xFF000000u;
  EXPECT_EQ(inside, 0);

  // A line strip around a rectangle lights its sides and nothing inside.
  device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
  DrawClip({At(10, 10, 0xFFFFFFFF), At(50, 10, 0xFFFFFFFF), At(50, 40, 0xFFFFFFFF),
            At(10, 40, 0xFFFFFFFF), At(10, 10, 0xFFFFFFFF)},
           D3DPT_LINESTRIP);
  image = d3d9test::ReadBackBuffer(device_);
  for (int x = 12; x < 48; ++x) {
    EXPECT_EQ(Pixel(image, x, 10), 0xFFFFFFFFu) << x;
    EXPECT_EQ(Pixel(image, x, 40), 0xFFFFFFFFu) << x;
  }
  for (int y = 12; y < 38; ++y) {
    EXPECT_EQ(Pixel(image, 10, y), 0xFFFFFFFFu) << y;
    EXPECT_EQ(Pixel(image, 50, y), 0xFFFFFFFFu) << y;
  }
  int enclosed = 0;
  for (int y = 12; y < 39; ++y)
    for (int x = 12; x < 49; ++x) enclosed += Pixel(image, x, y) != 0xFF000000u;
  EXPECT_EQ(enclosed, 0);

  // Points of 3 pixels: a 3 x 3 square centred on each vertex, nothing else.
  float three = 3.0f;
  DWORD bits;
  std::memcpy(&bits, &three, 4);
  device_->SetRenderState(D3DRS_POINTSIZE, bits);
  device_->SetRenderState(D3DRS_FILLMODE, D3DFILL_POINT);
  device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
  DrawClip(triangle);
  image = d3d9test::ReadBackBuffer(device_);
  EXPECT_EQ(CountLit(image), 27);
  for (int dy = -1; dy <= 1; ++dy) {
    for (int dx = -1; dx <= 1; ++dx) {
      EXPECT_EQ(Pixel(image, 8 + dx, 8 + dy), 0xFFFFFFFFu);
      EXPECT_EQ(Pixel(image, 56 + dx, 8 + dy), 0xFFFFFFFFu);
      EXPECT_EQ(Pixel(image, 8 + dx, 56 + dy), 0xFFFFFFFFu);
    }
  }
}

// One channel (0..1) of a blend factor, as the platform defines the factors.
float Factor(DWORD factor, int channel, const float s[4], const float d[4], const float k[4]) {
  const bool alpha = channel == 3;
  switch (factor) {
    case D3DBLEND_ZERO: return 0.0f;
    case D3DBLEND_ONE: return 1.0f;
    case D3DBLEND_SRCCOLOR: return s[channel];
    case D3DBLEND_INVSRCCOLOR: return 1.0f - s[channel];
    case D3DBLEND_SRCALPHA: return s[3];
    case D3DBLEND_INVSRCALPHA: return 1.0f - s[3];
    case D3DBLEND_DESTALPHA: return d[3];
    case D3DBLEND_INVDESTALPHA: return 1.0f - d[3];
    case D3DBLEND_DESTCOLOR: return d[channel];
    case D3DBLEND_INVDESTCOLOR: return 1.0f - d[channel];
    case D3DBLEND_SRCALPHASAT: return alpha ? 1.0f : std::min(s[3], 1.0f - d[3]);
    case D3DBLEND_BLENDFACTOR: return k[channel];
    case D3DBLEND_INVBLENDFACTOR: return 1.0f - k[channel];
    default: return -1.0f;
  }
}

void Unpack(uint32_t c, float out[4]) {  // r, g, b, a
  out[0] = ((c >> 16) & 0xFF) / 255.0f, out[1] = ((c >> 8) & 0xFF) / 255.0f;
  out[2] = (c & 0xFF) / 255.0f, out[3] = (c >> 24) / 255.0f;
}

uint32_t Blend(uint32_t src, uint32_t dst, uint32_t constant, DWORD sf, DWORD df, DWORD op) {
  float s[4], d[4], k[4];
  Unpack(src, s), Unpack(dst, d), Unpack(constant, k);
  if (sf == D3DBLEND_BOTHSRCALPHA) sf = D3DBLEND_SRCALPHA, df = D3DBLEND_INVSRCALPHA;
  if (sf == D3DBLEND_BOTHINVSRCALPHA) sf = D3DBLEND_INVSRCALPHA, df = D3DBLEND_SRCALPHA;
  uint32_t out = 0;
  const int shifts[4] = {16, 8, 0, 24};
  for (int c = 0; c < 4; ++c) {
    const float a = s[c] * Factor(sf, c, s, d, k), b = d[c] * Factor(df, c, s, d, k);
    float v = op == D3DBLENDOP_ADD           ? a + b
              : op == D3DBLENDOP_SUBTRACT    ? a - b
              : op == D3DBLENDOP_REVSUBTRACT ? b - a
              : op == D3DBLENDOP_MIN         ? std::min(s[c], d[c])
                                             : std::max(s[c], d[c]);
    v = std::clamp(v, 0.0f, 1.0f);
    out |= uint32_t(v * 255.0f + 0.5f) << shifts[c];
  }
  return out;
}

TEST_F(D3D9Draw, EveryBlendFactorAndOperationOnKnownColours) {
  const uint32_t dst = 0x80402010, src = 0x40C08040, constant = 0x80FF4000;
  struct Case {
    DWORD src, dst, op;
  };
  std::vector<Case> cases;
  for (DWORD f = D3DBLEND_ZERO; f <= D3DBLEND_INVBLENDFACTOR; ++f) {
    cases.push_back({f, D3DBLEND_ZERO, D3DBLENDOP_ADD});
    // The BOTH factors exist for the source only (they set both).
    if (f != D3DBLEND_BOTHSRCALPHA && f != D3DBLEND_BOTHINVSRCALPHA)
      cases.push_back({D3DBLEND_ONE, f, D3DBLENDOP_ADD});
  }
  for (DWORD op = D3DBLENDOP_ADD; op <= D3DBLENDOP_MAX; ++op)
    cases.push_back({D3DBLEND_SRCALPHA, D3DBLEND_ONE, op});
  cases.push_back({D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA, D3DBLENDOP_ADD});
  device_->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  device_->SetRenderState(D3DRS_BLENDFACTOR, constant);
  for (const Case& c : cases) {
    device_->SetRenderState(D3DRS_SRCBLEND, c.src);
    device_->SetRenderState(D3DRS_DESTBLEND, c.dst);
    device_->SetRenderState(D3DRS_BLENDOP, c.op);
    device_->Clear(0, nullptr, D3DCLEAR_TARGET, dst, 1.0f, 0);
    DrawClip({At(-1, -1, src), At(70, -1, src), At(-1, 70, src)});
    const uint32_t expected = Blend(src, dst, constant, c.src, c.dst, c.op);
    EXPECT_TRUE(Near(Pixel(d3d9test::ReadBackBuffer(device_), 4, 4), expected))
        << "source " << c.src << " destination " << c.dst << " operation " << c.op;
  }
}

// With the test off the same draws keep every pixel: the programs without the test draw.
TEST_F(D3D9Draw, AlphaTestAtEightKeepsEightAndAboveInBothPixelPrograms) {
  device_->SetRenderState(D3DRS_ALPHAREF, 8);
  device_->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);
  for (DWORD test : {TRUE, FALSE}) {
    device_->SetRenderState(D3DRS_ALPHATESTENABLE, test);
    device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    // Through a pixel shader: the vertex colour's alpha is tested.
    const DWORD alphas[3] = {7, 8, 9};
    for (int i = 0; i < 3; ++i) {
      const D3DCOLOR c = alphas[i] << 24 | 0xFFFFFF;
      const float x = 4.0f + 10 * i;
      DrawClip({At(x, 4, c), At(x + 6, 4, c), At(x, 10, c)});
    }
    // Through the default stage: the texture's alpha is tested.
    for (int i = 0; i < 3; ++i) {
      IDirect3DTexture9* texture = MakeTexture(1, 1, {alphas[i] << 24 | 0x00FF00});
      device_->SetTexture(0, texture);
      DrawRect(4.0f + 10 * i, 20, 10.0f + 10 * i, 26, 0xFFFFFFFF);
      device_->SetTexture(0, nullptr);
      texture->Release();
    }
    const std::vector<uint32_t> image = d3d9test::ReadBackBuffer(device_);
    EXPECT_EQ(Pixel(image, 5, 5), test ? 0xFF000000u : 0x07FFFFFFu);
    EXPECT_EQ(Pixel(image, 15, 5), 0x08FFFFFFu);
    EXPECT_EQ(Pixel(image, 25, 5), 0x09FFFFFFu);
    EXPECT_EQ(Pixel(image, 6, 22), test ? 0xFF000000u : 0x0700FF00u);
    EXPECT_EQ(Pixel(image, 16, 22), 0x0800FF00u);
    EXPECT_EQ(Pixel(image, 26, 22), 0x0900FF00u);
  }
}

TEST_F(D3D9Draw, CullingKeepsClockwiseAndDropsCounterClockwiseOnScreen) {
  const D3DCOLOR white = 0xFFFFFFFF;
  // (8, 8) -> (56, 8) -> (8, 56) runs clockwise with y downwards.
  const std::vector<ClipVertex> clockwise = {At(8, 8, white), At(56, 8, white), At(8, 56, white)};
  const std::vector<ClipVertex> counter = {At(8, 8, white), At(8, 56, white), At(56, 8, white)};
  struct Case {
    DWORD cull;
    bool clockwiseShown, counterShown;
  };
  for (const Case& c : {Case{D3DCULL_CCW, true, false}, Case{D3DCULL_CW, false, true},
                        Case{D3DCULL_NONE, true, true}}) {
    device_->SetRenderState(D3DRS_CULLMODE, c.cull);
    for (bool cw : {true, false}) {
      device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
      DrawClip(cw ? clockwise : counter);
      EXPECT_EQ(Pixel(d3d9test::ReadBackBuffer(device_), 20, 20) == white,
                cw ? c.clockwiseShown : c.counterShown)
          << "cull " << c.cull << (cw ? " clockwise" : " counter-clockwise") << " (shader)";
      // Pre-transformed vertices wind the same way.
      device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
      const d3d9support::ScreenVertex v[3] = {
          {8, 8, 0.5f, 1, white, 0, 0, 0},
          {cw ? 56.0f : 8.0f, cw ? 8.0f : 56.0f, 0.5f, 1, white, 0, 0, 0},
          {cw ? 8.0f : 56.0f, cw ? 56.0f : 8.0f, 0.5f, 1, white, 0, 0, 0}};
      device_->SetVertexDeclaration(screenLayout_);
      device_->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, v, sizeof v[0]);
      EXPECT_EQ(Pixel(d3d9test::ReadBackBuffer(device_), 20, 20) == white,
                cw ? c.clockwiseShown : c.counterShown)
          << "cull " << c.cull << (cw ? " clockwise" : " counter-clockwise") << " (screen)";
    }
  }
}

TEST_F(D3D9Draw, DepthWrittenIntoOneTargetRejectsAFartherTriangleInAnother) {
  // Targets larger than the back buffer: the one depth buffer grows to cover them.
  IDirect3DTexture9 *first = nullptr, *second = nullptr;
  for (IDirect3DTexture9** t : {&first, &second})
    ASSERT_EQ(device_->CreateTexture(128, 128, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8,
                                     D3DPOOL_DEFAULT, t, nullptr),
              D3D_OK);
  IDirect3DSurface9 *a = nullptr, *b = nullptr;
  first->GetSurfaceLevel(0, &a);
  second->GetSurfaceLevel(0, &b);
  device_->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
  device_->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESSEQUAL);
  device_->SetRenderTarget(0, a);
  device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
  DrawRect(0, 0, 128, 64, 0xFFFFFFFF, 0.3f);  // the top half at depth 0.3
  device_->SetRenderTarget(0, b);
  device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
  DrawRect(0, 0, 128, 128, 0xFFFF0000, 0.6f);  // farther: only the bottom half passes
  DrawRect(0, 0, 128, 32, 0xFF00FF00, 0.3f);   // equal depth passes LESSEQUAL
  const std::vector<uint32_t> image = d3d9test::ReadSurface(b);
  EXPECT_EQ(Pixel(image, 100, 10, 128), 0xFF00FF00u);
  EXPECT_EQ(Pixel(image, 100, 50, 128), 0xFF000000u);
  EXPECT_EQ(Pixel(image, 100, 100, 128), 0xFFFF0000u);
  EXPECT_EQ(Pixel(image, 10, 120, 128), 0xFFFF0000u);
  a->Release();
  b->Release();
  first->Release();
  second->Release();
}

TEST_F(D3D9Draw, DepthCompareFunctionsWriteMaskAndClearValue) {
  device_->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
  struct Case {
    DWORD func;
    bool nearer, equal, farther;  // drawn at depth 0.4, 0.5, 0.6 against a clear to 0.5
  };
  const Case cases[] = {
      {D3DCMP_NEVER, false, false, false},      {D3DCMP_LESS, true, false, false},
      {D3DCMP_EQUAL, false, true, false},       {D3DCMP_LESSEQUAL, true, true, false},
      {D3DCMP_GREATER, false, false, true},     {D3DCMP_NOTEQUAL, true, false, true},
      {D3DCMP_GREATEREQUAL, false, true, true}, {D3DCMP_ALWAYS, true, true, true}};
  for (const Case& c : cases) {
    device_->SetRenderState(D3DRS_ZFUNC, c.func);
    device_->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);  // each band meets the cleared depth
    device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 0.5f, 0);
    DrawRect(0, 0, 10, 10, 0xFFFFFFFF, 0.4f);
    DrawRect(10, 0, 20, 10, 0xFFFFFFFF, 0.5f);
    DrawRect(20, 0, 30, 10, 0xFFFFFFFF, 0.6f);
    const std::vector<uint32_t> image = d3d9test::ReadBackBuffer(device_);
    EXPECT_EQ(Pixel(image, 5, 5) == 0xFFFFFFFF, c.nearer) << "function " << c.func;
    EXPECT_EQ(Pixel(image, 15, 5) == 0xFFFFFFFF, c.equal) << "function " << c.func;
    EXPECT_EQ(Pixel(image, 25, 5) == 0xFFFFFFFF, c.farther) << "function " << c.func;
  }
  // With writes on, a near rectangle hides a later farther one; a colour-only clear keeps depth.
  device_->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESSEQUAL);
  device_->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
  device_->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
  DrawRect(0, 0, 10, 10, 0xFFFF0000, 0.2f);
  device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
  DrawRect(0, 0, 20, 10, 0xFF00FF00, 0.3f);
  const std::vector<uint32_t> image = d3d9test::ReadBackBuffer(device_);
  EXPECT_EQ(Pixel(image, 5, 5), 0xFF000000u);
  EXPECT_EQ(Pixel(image, 15, 5), 0xFF00FF00u);
}

// The window sits in a corner of the screen no other test uses, raised above the rest, so
// the X server's copy of it is the presented picture.
class D3D9Present : public d3d9support::DeviceTest {
 protected:
  D3D9Present() { windowX_ = 1180, windowY_ = 920; }
};

TEST_F(D3D9Present, PresentShowsTheBackBufferUprightAndKeepsIt) {
  device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF0000FF, 1.0f, 0);
  DrawRect(0, 0, kSize, 8, 0xFFFF0000);  // red band along the top
  device_->EndScene();
  // Each attempt raises the window and presents again; other tests' windows (or a display
  // mode they set) may briefly cover it. A frame that draws nothing shows the last picture.
  std::vector<uint32_t> shown;
  UINT w = 0, h = 0;
  for (int attempt = 0; attempt < 5; ++attempt) {
    SDL_RaiseWindow(Win32GetSdlWindow(window_));
    for (int i = 0; i < 10; ++i) {
      MSG msg;
      while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
      SDL_Delay(5);
    }
    ASSERT_EQ(device_->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    shown = d3d9test::ReadWindow(device_, &w, &h);
    if (shown.size() == size_t{kSize * kSize} && shown[2 * kSize + 5] == 0xFFFF0000u) break;
  }
  ASSERT_EQ(w, UINT{kSize});
  ASSERT_EQ(h, UINT{kSize});
  for (int y = 0; y < kSize; ++y)
    ASSERT_EQ(shown[y * kSize + 5], y < 8 ? 0xFFFF0000u : 0xFF0000FFu) << "row " << y;
  device_->BeginScene();
}

}  // namespace
