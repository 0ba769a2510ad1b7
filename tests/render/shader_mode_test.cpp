// Shader modes on the Direct3D stand-in: creation from the table, mode changes, refused
// shaders, and every mode drawn over the whole target with 1 x 1 textures so each sample is
// known; the pixel read back is compared with the mode's vertex and pixel formulas computed
// here at that pixel's position (8-bit target, 2 levels).
#include "render/shader_mode.h"

#include <algorithm>
#include <cmath>

#include "render/shader.h"
#include "tests/support/device_fixture.h"

namespace {

using testsupport::kSize;

// Four floats, laid out as one constant register.
struct F4 {
  float x, y, z, w;
  F4 operator+(F4 o) const { return {x + o.x, y + o.y, z + o.z, w + o.w}; }
  F4 operator-(F4 o) const { return {x - o.x, y - o.y, z - o.z, w - o.w}; }
  F4 operator*(F4 o) const { return {x * o.x, y * o.y, z * o.z, w * o.w}; }
  F4 operator*(float f) const { return {x * f, y * f, z * f, w * f}; }
  // Each component clamped to lo..hi.
  F4 Clamp(float lo, float hi) const {
    return {std::clamp(x, lo, hi), std::clamp(y, lo, hi), std::clamp(z, lo, hi),
            std::clamp(w, lo, hi)};
  }
};
F4 Unpack(uint32_t argb) {
  return F4{float((argb >> 16) & 0xFF), float((argb >> 8) & 0xFF), float(argb & 0xFF),
            float(argb >> 24)} *
         (1 / 255.0f);
}
float Sat(float v) { return std::clamp(v, 0.0f, 1.0f); }
float Dot3(F4 a, F4 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
F4 Normalize(F4 v) { return v * (1 / std::sqrt(Dot3(v, v))); }

// The 0xAARRGGBB word of a colour, each channel saturated and rounded to 8 bits.
uint32_t Pack(F4 c) {
  const auto byte = [](float v) { return static_cast<uint32_t>(std::lround(Sat(v) * 255)); };
  return byte(c.w) << 24 | byte(c.x) << 16 | byte(c.y) << 8 | byte(c.z);
}

// Textures by stage: diffuse, normal map, attenuation (or a 2D texture), specular map.
constexpr uint32_t kDiffuse = 0xC0C08040, kNormalMap = 0xFF9966E0, kAttenuation = 0xFFC08040;
constexpr uint32_t kStage2 = 0x40102030, kSpecular = 0xFFFF8040;
constexpr D3DCOLOR kVertexColour = 0xC080FF40;
// Normal, tangent and their binormal T x N.
constexpr F4 kN = {0.6f, 0, 0.8f, 1}, kT = {0.8f, 0, -0.6f, 1}, kB = {0, -1, 0, 0};
constexpr F4 kLight = {3, 4, -5, 1}, kRange = {1 / 16.0f, 0.5f, 1, 0}, kEye = {-2, 1, 6, 1};
constexpr F4 kFog = {0.2f, 2.5f, 0, 0}, kFogColour = {0.2f, 0.4f, 0.6f, 1};
constexpr F4 kPixel[4] = {
    {0.9f, 0.8f, 0.7f, 0.6f}, {1, 0.5f, 0.25f, 1}, {8, 1, 1, 1}, {0.1f, 0.2f, 0.3f, 0.4f}};
constexpr float kDepth = 0.4f;

bool IsLit(uint32_t mode) { return (mode >= 2 && mode <= 4) || (mode >= 7 && mode <= 9); }

// The lit colour of modes 2 to 4 and 7 to 9 at object-space position p.
F4 LitColour(F4 p, bool normalMap, bool specularMap) {
  const F4 l3 = kLight - p, e3 = kEye - p, d = Unpack(kDiffuse);
  const F4 lt = {Dot3(l3, kT), Dot3(l3, kB), Dot3(l3, kN), 0};
  const F4 et = {Dot3(e3, kT), Dot3(e3, kB), Dot3(e3, kN), 0};
  const F4 l = Normalize(lt), h = Normalize(lt + et);
  const F4 n = normalMap ? Unpack(kNormalMap) * 2 - F4{1, 1, 1, 1} : F4{0, 0, 1, 0};
  F4 c = F4{d.x, d.y, d.z, 0} * Sat(Dot3(l, n)) + F4{0, 0, 0, d.w};
  if (specularMap)
    c = c + (Unpack(kSpecular) * kPixel[1] * std::pow(Sat(Dot3(h, n)), kPixel[2].x)).Clamp(0, 1) *
                F4{1, 1, 1, 0};
  const F4 a = Unpack(kAttenuation) * 4;
  return c * kPixel[0] * F4{a.x, a.y, a.z, 1};
}

// ps_1_1 reads constants clamped to -1..1 and keeps registers in -1..1.
F4 Ps11(F4 c) { return c.Clamp(-1, 1); }

F4 Expected(uint32_t mode, F4 p) {
  const F4 t0 = Unpack(kDiffuse);
  if (mode == 0) return {0, 0, 0, 1};
  if (mode == 1 || mode == 6) return t0;
  if (mode == 5 || mode == 10) return t0 * Ps11(kPixel[0]);
  // Modes 2 and 7 read a specular map, 4 and 8 no normal map.
  if (IsLit(mode)) return LitColour(p, mode != 4 && mode != 8, mode == 2 || mode == 7);
  if (mode == 12) return (t0 * kPixel[0]).Clamp(0, 1) * Unpack(kVertexColour);
  if (mode == 13) return Unpack(kStage2) * t0 * F4{1, 1, 1, 0} + F4{0, 0, 0, 1};
  if (mode == 14) return {kFogColour.x, kFogColour.y, kFogColour.z, Sat((p.z - kFog.x) * kFog.y)};
  const uint32_t taps[4] = {kDiffuse, kNormalMap, kStage2, kSpecular};  // mode 11
  F4 sum = {0, 0, 0, 0};
  for (int i = 0; i < 4; ++i) sum = Ps11(sum + Unpack(taps[i]) * Ps11(kPixel[i]));
  return sum;
}

// The 56-byte model vertex the shader modes' declaration describes.
struct ModelVertex {
  float x, y, z, nx, ny, nz;
  D3DCOLOR colour;
  float u, v, tx, ty, tz, unused[2];
};

// The shared device, hidden, with the bound-shader memory cleared around each test; the
// shaders created with the constants and textures above bound.
class ShaderModes : public testsupport::DeviceTest {
 protected:
  ShaderModes() { show_ = false; }
  void SetUp() override {
    ShaderForgetBound();
    DeviceTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    RendererCreateShaders(shaders_, device_);
    // c0-c3 the identity, c4-c10 light, range, eye, fog and factors, c12-c15 the rows of the
    // texture transform, c16 the fog colour; the pixel shaders' c0-c3.
    const F4 vertex[] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1},    kLight,
                         kRange,       kEye,         kFog,         {0.5f, 0, 0, 0}, {0, 2, 0, 0},
                         {1, 1, 1, 0}, {},           {1, 0, 0, 1}, {0, 1, 0, 1},    {0, 0, 0, 1},
                         {0, 0, 0, 1}, kFogColour};
    ShaderSetConstants(*shaders_.vertexShaders[0], 0, &vertex[0].x, 17);
    ShaderSetConstants(*shaders_.pixelShaders[0], 0, &kPixel[0].x, 4);
    for (auto [stage, texel] : {std::pair{0u, kDiffuse}, {1u, kNormalMap}, {3u, kSpecular}})
      device_->SetTexture(stage, Texture({texel}));
    volume_ = Volume(kAttenuation);
    flat_ = Texture({kStage2});
  }
  void TearDown() override {
    RendererFreeShaders(shaders_);
    DeviceTest::TearDown();
    ShaderForgetBound();
  }
  // Binds `mode`, clears to opaque black and draws a quad over the whole target, every vertex
  // with the same other attributes. Returns the back buffer, top row first.
  std::vector<uint32_t> Draw(uint32_t mode) {
    device_->SetTexture(2, IsLit(mode) ? static_cast<IDirect3DBaseTexture9*>(volume_) : flat_);
    RendererSetShaderMode(shaders_, mode);
    ShaderApplyDeclaration(*shaders_.vertexShaders[mode]);
    ShaderBind(*shaders_.vertexShaders[mode]);
    ShaderBind(*shaders_.pixelShaders[mode]);
    const ModelVertex c{0,   0,   kDepth, kN.x, kN.y, kN.z, kVertexColour,
                        .5f, .5f, kT.x,   kT.y, kT.z, {}};
    ModelVertex quad[4] = {c, c, c, c};
    for (int i = 0; i < 4; ++i) quad[i].x = i % 2 ? 1.0f : -1.0f, quad[i].y = i / 2 ? 1.0f : -1.0f;
    Clear(0xFF000000);
    EXPECT_EQ(device_->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(ModelVertex)), D3D_OK);
    return Read();
  }

  RendererShaders shaders_{};
  IDirect3DVolumeTexture9* volume_ = nullptr;
  IDirect3DTexture9* flat_ = nullptr;
};

// A stream the translator refuses (unknown opcode, used by two modes) or a device refusing
// one creation shows one box per shader and start-up goes on; a mode whose shader failed
// binds null. Freeing releases every object; modes above 14 are ignored.
TEST_F(ShaderModes, RefusedShadersShowABoxEachFreeCleanlyAndModesStayInRange) {
  alignas(16) static const uint32_t kBroken[] = {0xFFFF0200, 0x02000099, 0x800F0800, 0x80E40000,
                                                 0x0000FFFF};
  std::vector<ShaderTableEntry> table(ShaderTable, ShaderTable + 31);
  table[1] = {0, 2, kBroken, sizeof kBroken, 0};
  table[3] = {1, 2, kBroken, sizeof kBroken, 0};
  RendererFreeShaders(shaders_);
  const int live = d3d9test::LiveObjects();
  d3d9test::FailCall("CreateVertexShader", D3DERR_INVALIDCALL, 1, 4);
  RendererCreateShaders(shaders_, device_, table.data());
  const std::vector<TestMessageBox> boxes = TestCapturedMessageBoxes();
  ASSERT_EQ(boxes.size(), 3u);
  for (const TestMessageBox& box : boxes) {
    EXPECT_EQ(box.text + "/" + box.caption, "Could not create a shader/Halvex Shader Error!");
    EXPECT_EQ(box.type, MB_ICONINFORMATION);
  }
  for (uint32_t mode = 0; mode < kShaderModeCount; ++mode)
    EXPECT_EQ(shaders_.pixelShaders[mode]->pixelShader == nullptr, mode < 2) << mode;
  EXPECT_EQ(shaders_.vertexShaders[3]->vertexShader, nullptr);  // the fifth vertex entry
  EXPECT_NE(shaders_.vertexShaders[3]->declaration, nullptr);
  ShaderBind(*shaders_.pixelShaders[2]);
  ShaderBind(*shaders_.pixelShaders[0]);
  EXPECT_EQ(ShaderBoundPixel, nullptr);
  for (uint32_t mode : {9u, 15u, 0xFFFFFFFFu}) RendererSetShaderMode(shaders_, mode);
  EXPECT_EQ(shaders_.currentMode, 9u);
  RendererFreeShaders(shaders_);
  EXPECT_EQ(d3d9test::LiveObjects(), live);
}

// Each mode at three pixels; the lit modes discard where the attenuation is zero and light
// from its smallest byte on.
TEST_F(ShaderModes, EveryModeDrawsItsFormula) {
  for (uint32_t mode = 0; mode < kShaderModeCount; ++mode) {
    SCOPED_TRACE(mode);
    std::vector<testsupport::PixelRow> rows;
    for (auto [x, y] : {std::pair{32, 32}, {5, 58}, {60, 3}}) {
      const F4 p = {(2 * x + 1) / float(kSize) - 1, 1 - (2 * y + 1) / float(kSize), kDepth, 1};
      rows.push_back({x, y, Pack(Expected(mode, p))});
    }
    testsupport::ExpectPixels(Draw(mode), kSize, rows, 2);
  }
  for (uint32_t attenuation : {0xFF000000u, 0xFF010101u}) {
    volume_ = Volume(attenuation);
    for (uint32_t mode = 0; mode < kShaderModeCount; ++mode) {
      if (!IsLit(mode)) continue;
      const int lit = testsupport::CountOther(Draw(mode), kSize, 0xFF000000u);
      EXPECT_EQ(lit > 0, attenuation != 0xFF000000u) << mode;
    }
  }
}

}  // namespace
