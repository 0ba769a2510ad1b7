// Drawing through the Direct3D stand-in (fixed-function and translated pixel shaders), read back
// and compared with values worked out by hand.
#include <algorithm>
#include <array>

#include "platform/sdl_window.h"
#include "tests/platform/shader_harness.h"
#include "tests/support/device_fixture.h"

namespace {

using testsupport::At;
using testsupport::ClipVertex;
using testsupport::kSize;

constexpr uint32_t kBlack = 0xFF000000, kWhite = 0xFFFFFFFF, kRed = 0xFFFF0000, kGreen = 0xFF00FF00,
                   kBlue = 0xFF0000FF;

struct Box {
  int x1, y1, x2, y2;  // pixels [x1, x2) x [y1, y2)
};

class D3D9Draw : public testsupport::DeviceTest {
 protected:
  // Pixels inside any of `boxes` (outside all of them when `inside` is false) that are not
  // `colour`.
  int Other(uint32_t colour, const std::vector<Box>& boxes, bool inside = true) {
    return testsupport::CountOther(Read(), kSize, colour, [&](int x, int y) {
      return inside == std::any_of(boxes.begin(), boxes.end(), [&](Box b) {
               return x >= b.x1 && x < b.x2 && y >= b.y1 && y < b.y2;
             });
    });
  }
  // Binds a pixel shader of `tokens`; released at tear-down.
  void BindPixelShader(const std::vector<DWORD>& tokens) {
    IDirect3DPixelShader9* ps = nullptr;
    ASSERT_EQ(device_->CreatePixelShader(tokens.data(), &ps), D3D_OK);
    owned_.push_back(ps);
    device_->SetPixelShader(ps);
  }
};

TEST_F(D3D9Draw, ClearOfAViewportAndAPreTransformedRectangleCoverExactlyTheirPixels) {
  Clear(0xFF102030);
  D3DVIEWPORT9 vp = {8, 16, 20, 10, 0.0f, 1.0f};
  ASSERT_EQ(device_->SetViewport(&vp), D3D_OK);
  Clear(0x80FF0000);
  const D3DRECT rect = {0, 0, 10, 20};  // reaches out of the viewport: cut to it
  ASSERT_EQ(device_->Clear(1, &rect, D3DCLEAR_TARGET, kGreen, 1.0f, 0), D3D_OK);
  EXPECT_EQ(Other(kGreen, {{8, 16, 10, 20}}), 0);
  EXPECT_EQ(Other(0x80FF0000, {{10, 16, 28, 26}, {8, 20, 10, 26}}), 0);
  EXPECT_EQ(Other(0xFF102030, {{8, 16, 28, 26}}, false), 0);
  // An empty list clears nothing; a count without a list clears the whole viewport.
  ASSERT_EQ(device_->Clear(0, &rect, D3DCLEAR_TARGET, kBlue, 1.0f, 0), D3D_OK);
  EXPECT_EQ(Other(kGreen, {{8, 16, 10, 20}}), 0);
  ASSERT_EQ(device_->Clear(1, nullptr, D3DCLEAR_TARGET, kBlue, 1.0f, 0), D3D_OK);
  EXPECT_EQ(Other(kBlue, {{8, 16, 28, 26}}), 0);
  EXPECT_EQ(Other(0xFF102030, {{8, 16, 28, 26}}, false), 0);
  vp = {0, 0, kSize, kSize, 0.0f, 1.0f};
  device_->SetViewport(&vp);
  Clear(kBlack);
  DrawRect(10, 4, 30, 12, kWhite);
  EXPECT_EQ(Other(kWhite, {{10, 4, 30, 12}}), 0);
  EXPECT_EQ(Other(kBlack, {{10, 4, 30, 12}}, false), 0);
  // A viewport reaching past the target: a triangle over all of it is clipped to the target.
  vp = {48, 40, 32, 32, 0.0f, 1.0f};
  ASSERT_EQ(device_->SetViewport(&vp), D3D_OK);
  DrawClip({{-1, 1, 0.5f, kWhite}, {3, 1, 0.5f, kWhite}, {-1, -3, 0.5f, kWhite}});
  EXPECT_EQ(Other(kWhite, {{48, 40, 64, 64}}), 0);
  EXPECT_EQ(Other(kBlack, {{48, 40, 64, 64}, {10, 4, 30, 12}}, false), 0);
  // One larger than the target draws as the whole target: +-0.5 lands on the middle half.
  vp = {0, 0, 3 * kSize, 2 * kSize, 0.0f, 1.0f};
  ASSERT_EQ(device_->SetViewport(&vp), D3D_OK);
  Clear(kBlack);
  DrawClip({At(16, 16, kRed), At(48, 16, kRed), At(16, 48, kRed), At(48, 16, kRed),
            At(48, 48, kRed), At(16, 48, kRed)});  // clip x and y at -0.5 and 0.5
  EXPECT_EQ(Other(kRed, {{16, 16, 48, 48}}), 0);
  EXPECT_EQ(Other(kBlack, {{16, 16, 48, 48}}, false), 0);
}

TEST_F(D3D9Draw, TrianglesInSolidWireframeAndPointModes) {
  const std::vector<ClipVertex> triangle = {At(8, 8, kWhite), At(56, 8, kWhite), At(8, 56, kWhite)};
  Clear(kBlack);
  DrawClip(triangle);
  // Inside, the corner pixel (its centre on two edges), beyond the long edge, left of the left.
  ExpectPixels({{20, 20, kWhite}, {8, 8, kWhite}, {40, 40, kBlack}, {7, 20, kBlack}});
  device_->SetRenderState(D3DRS_FILLMODE, D3DFILL_WIREFRAME);
  Clear(kBlack);
  DrawClip(triangle);
  ExpectPixels({{30, 8, kWhite}, {8, 30, kWhite}});
  EXPECT_EQ(Other(kBlack, {{12, 12, 32, 20}, {12, 20, 24, 36}}), 0);
  // Points of 3 pixels: a 3 x 3 square centred on each vertex, nothing else.
  device_->SetRenderState(D3DRS_POINTSIZE, 0x40400000);  // 3.0f
  device_->SetRenderState(D3DRS_FILLMODE, D3DFILL_POINT);
  Clear(kBlack);
  DrawClip(triangle);
  const std::vector<Box> squares = {{7, 7, 10, 10}, {55, 7, 58, 10}, {7, 55, 10, 58}};
  EXPECT_EQ(Other(kWhite, squares), 0);
  EXPECT_EQ(Other(kBlack, squares, false), 0);
}

// `src` blended over `dst` as defined, each channel (c: 0 blue, 1 green, 2 red, 3 alpha) in
// 0..1: the factors indexed by their D3DBLEND value, the operation by its D3DBLENDOP value.
uint32_t Blend(uint32_t src, uint32_t dst, uint32_t constant, DWORD sf, DWORD df, DWORD op) {
  if (sf == D3DBLEND_BOTHSRCALPHA) sf = D3DBLEND_SRCALPHA, df = D3DBLEND_INVSRCALPHA;
  if (sf == D3DBLEND_BOTHINVSRCALPHA) sf = D3DBLEND_INVSRCALPHA, df = D3DBLEND_SRCALPHA;
  const auto unit = [](uint32_t word, int c) { return (word >> (8 * c) & 0xFF) / 255.0f; };
  const float sa = unit(src, 3), da = unit(dst, 3);
  uint32_t out = 0;
  for (int c = 0; c < 4; ++c) {
    const float s = unit(src, c), d = unit(dst, c), k = unit(constant, c);
    const float f[16] = {0,      0,  1,      s,    1 - s, sa,
                         1 - sa, da, 1 - da, d,    1 - d, c == 3 ? 1 : std::min(sa, 1 - da),
                         0,      0,  k,      1 - k};
    const float a = s * f[sf], b = d * f[df];
    const float v[6] = {0, a + b, a - b, b - a, std::min(s, d), std::max(s, d)};
    out |= uint32_t(std::clamp(v[op], 0.0f, 1.0f) * 255.0f + 0.5f) << (8 * c);
  }
  return out;
}

// The screen effects take their factors and operation from the production's data: every one
// must blend as defined.
TEST_F(D3D9Draw, EveryBlendFactorAndOperationOnKnownColours) {
  const uint32_t dst = 0x80402010, src = 0x40C08040, constant = 0x80FF4000;
  std::vector<std::array<DWORD, 3>> cases;  // source, destination, operation
  for (DWORD f = D3DBLEND_ZERO; f <= D3DBLEND_INVBLENDFACTOR; ++f) {
    cases.push_back({f, D3DBLEND_ZERO, D3DBLENDOP_ADD});
    // The BOTH factors exist for the source only (they set both).
    if (f != D3DBLEND_BOTHSRCALPHA && f != D3DBLEND_BOTHINVSRCALPHA)
      cases.push_back({D3DBLEND_ONE, f, D3DBLENDOP_ADD});
  }
  for (DWORD op = D3DBLENDOP_ADD; op <= D3DBLENDOP_MAX; ++op)
    cases.push_back({D3DBLEND_SRCALPHA, D3DBLEND_ONE, op});
  device_->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  device_->SetRenderState(D3DRS_BLENDFACTOR, constant);
  for (const auto& [sf, df, op] : cases) {
    device_->SetRenderState(D3DRS_SRCBLEND, sf);
    device_->SetRenderState(D3DRS_DESTBLEND, df);
    device_->SetRenderState(D3DRS_BLENDOP, op);
    Clear(dst);
    DrawRect(0, 0, 8, 8, src);
    SCOPED_TRACE(testing::Message() << "source " << sf << " destination " << df << " op " << op);
    ExpectPixels({{4, 4, Blend(src, dst, constant, sf, df, op)}}, 1);
  }
}

// With the test off the same draws keep every pixel: the programs without the test draw.
TEST_F(D3D9Draw, AlphaTestAtEightKeepsEightAndAboveInBothPixelPrograms) {
  device_->SetRenderState(D3DRS_ALPHAREF, 8);
  device_->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);
  for (DWORD test : {TRUE, FALSE}) {
    device_->SetRenderState(D3DRS_ALPHATESTENABLE, test);
    Clear(kBlack);
    std::vector<testsupport::PixelRow> rows;
    for (uint32_t alpha : {7u, 8u, 9u}) {
      const int x = 4 + 10 * (alpha - 7);
      // Through a pixel shader the vertex colour's alpha is tested, through the default stage
      // the texture's, or the vertex colour's when the stage has no texture.
      const D3DCOLOR c = alpha << 24 | 0xFFFFFF, texel = alpha << 24 | 0x00FF00;
      DrawClip({At(x, 4, c), At(x + 6, 4, c), At(x, 10, c)});
      device_->SetTexture(0, Texture({texel}));
      DrawRect(x, 20, x + 6, 26, kWhite);
      device_->SetTexture(0, nullptr);
      DrawRect(x, 40, x + 6, 46, c);
      const bool kept = !test || alpha >= 8;
      for (auto [y, colour] : {std::pair{5, c}, {22, texel}, {42, c}})
        rows.push_back({x + 1, y, kept ? colour : kBlack});
    }
    ExpectPixels(rows);
  }
}

TEST_F(D3D9Draw, DepthWrittenIntoOneTargetRejectsAFartherTriangleInAnother) {
  // Targets larger than the back buffer: the one depth buffer grows to cover them.
  IDirect3DSurface9* surfaces[2] = {TargetSurface(128), TargetSurface(128)};
  ASSERT_TRUE(surfaces[0] && surfaces[1]);
  device_->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
  device_->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESSEQUAL);
  device_->SetRenderTarget(0, surfaces[0]);
  device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kBlack, 1.0f, 0);
  DrawRect(0, 0, 128, 64, kWhite, 0.3f);  // the top half at depth 0.3
  device_->SetRenderTarget(0, surfaces[1]);
  Clear(kBlack);                          // colour only: the depth stays
  DrawRect(0, 0, 128, 128, kRed, 0.6f);   // farther: only the bottom half passes
  DrawRect(0, 0, 128, 32, kGreen, 0.3f);  // equal depth passes LESSEQUAL
  device_->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
  DrawRect(0, 96, 64, 128, kWhite, 0.8f);  // behind the red written at 0.6: hidden
  DrawRect(64, 96, 128, 128, kGreen, 0.5f);
  DrawRect(64, 96, 128, 128, kWhite, 0.55f);  // the green at 0.5 was not written
  testsupport::ExpectPixels(
      d3d9test::ReadSurface(surfaces[1]), 128,
      {{100, 10, kGreen}, {100, 50, kBlack}, {100, 80, kRed}, {10, 120, kRed}, {100, 120, kWhite}});
  // A vertex program's depth 0.45 in the right half lands between the 0.3 and the 0.6 written.
  DrawClip({{0, 1, 0.45f, kBlue}, {3, 1, 0.45f, kBlue}, {0, -3, 0.45f, kBlue}});
  testsupport::ExpectPixels(d3d9test::ReadSurface(surfaces[1]), 128,
                            {{100, 10, kGreen}, {100, 80, kBlue}, {10, 120, kRed}});
}

// Pixel shaders under pre-transformed rectangles. The creation calls get no length: the stream
// is walked by instructions, so a def constant whose bits equal the end token does not end it.
TEST_F(D3D9Draw, DefConstantWithEndTokenBitsDoesNotCutTheStream) {
  // ps_1_1: def c0, (end-token bits), 1, 0, 1; def c1, 0, 1, 0, 1; mov r0, c1.
  BindPixelShader({0xFFFF0101, 0x00000051, 0xA00F0000, 0x0000FFFF, 0x3F800000, 0x00000000,
                   0x3F800000, 0x00000051, 0xA00F0001, 0x00000000, 0x3F800000, 0x00000000,
                   0x3F800000, 0x00000001, 0x800F0000, 0xA0E40001, 0x0000FFFF});
  Clear(kBlack);
  DrawRect(0, 0, 64, 64, kBlack);
  ExpectPixels({{32, 32, kGreen}});
}

TEST_F(D3D9Draw, PixelShaderSamplesItsStageAndAnEmptyStageReadsOpaqueBlack) {
  const char* kinds[] = {"2d", "2d", "cube", "volume"};  // the declarations of s0
  device_->SetTexture(0, Texture({kRed}));               // for the first draw only
  for (int i = 0; i < 4; ++i) {
    BindPixelShader(Assembled(std::string("ps_2_0\ndcl t0.xy\ndcl_") + kinds[i] +
                              " s0\ntexld r0, t0, s0\nmov oC0, r0"));
    Clear(kBlue);
    DrawRect(0, 0, 8, 8, kBlue);
    ExpectPixels({{4, 4, i == 0 ? kRed : kBlack}});
    device_->SetTexture(0, nullptr);
  }
}

TEST_F(D3D9Draw, PreTransformedVerticesBypassTheBoundVertexShader) {
  // As at the end of a frame: the mode's shaders stay bound, the FVF says pre-transformed.
  Clear(kBlack);
  device_->SetVertexShader(passVs_);
  device_->SetPixelShader(colourPs_);
  ASSERT_EQ(device_->SetFVF(D3DFVF_XYZRHW), D3D_OK);
  const float triangle[3][4] = {{-0.5f, -0.5f, 0, 1}, {-0.5f, 3.5f, 0, 1}, {3.5f, -0.5f, 0, 1}};
  ASSERT_EQ(device_->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, triangle, 16), D3D_OK);
  // The missing vertex colour reads white; only the corner triangle of pixels is touched.
  ExpectPixels({{0, 0, 0xFFFFFFFF}, {1, 1, 0xFFFFFFFF}, {3, 3, kBlack}, {32, 32, kBlack}});
}

// The window sits in a corner of the screen no other test uses, raised above the rest, so
// the X server's copy of it is the presented picture.
class D3D9Present : public testsupport::DeviceTest {
 protected:
  D3D9Present() { windowX_ = 1180, windowY_ = 920; }
};

TEST_F(D3D9Present, PresentShowsTheBackBufferUprightAndKeepsIt) {
  Clear(0xFF0000FF);
  DrawRect(0, 0, kSize, 8, kRed);  // red band along the top
  device_->EndScene();
  // Each attempt raises the window and presents again; other tests' windows (or a display
  // mode they set) may briefly cover it. A frame that draws nothing shows the last picture.
  std::vector<uint32_t> shown;
  UINT w = 0, h = 0;
  for (int attempt = 0; attempt < 5; ++attempt) {
    SDL_RaiseWindow(Win32GetSdlWindow(window_));
    for (int i = 0; i < 10; ++i, SDL_Delay(5))
      for (MSG msg; PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE);) DispatchMessageA(&msg);
    ASSERT_EQ(device_->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    shown = d3d9test::ReadWindow(device_, &w, &h);
    if (shown.size() == size_t{kSize * kSize} && shown[2 * kSize + 5] == kRed) break;
  }
  ASSERT_EQ(std::make_pair(w, h), std::make_pair(UINT{kSize}, UINT{kSize}));
  for (int y = 0; y < kSize; ++y)
    ASSERT_EQ(shown[y * kSize + 5], y < 8 ? kRed : 0xFF0000FFu) << "row " << y;
  device_->BeginScene();
}

}  // namespace
