#include "render/screen_draw.h"

#include "mesh/mesh.h"
#include "mesh/vertex.h"
#include "render/device.h"
#include "render/renderer.h"
#include "render/target_manager.h"
#include "render/texture_upload.h"
#include "render/transform_state.h"

namespace {

constexpr uint32_t kGlowTaps = 4;
constexpr float kGlowWeights[kGlowTaps] = {0.25f, 0.12f, 0.06f, 0.03f};

Vertex PixelVertex(float x, float y, uint32_t colour, float u, float v) {
  Vertex vertex{};
  vertex.position = {x, y, 0.0f};
  vertex.color = colour;
  vertex.u = u;
  vertex.v = v;
  return vertex;
}

Shader& CurrentVertexShader(Renderer& renderer) {
  return *renderer.shaders.vertexShaders[renderer.shaders.currentMode];
}

// Declaration and vertex shader of the current mode with the transform in c0-c3.
void BindVertexStage(Renderer& renderer) {
  Shader& vertex = CurrentVertexShader(renderer);
  renderer.device->SetFVF(0);
  ShaderApplyDeclaration(vertex);
  ShaderBind(vertex);
  ShaderSetMatrix(vertex, 0, TransformStateGetWvpTransposed(*renderer.owner->transformState));
}

// A render target on the stage, clamped: it is never tiled, and with wrap addressing the
// filter and the glow taps at one edge took texels of the opposite edge.
void SetClampedTarget(IDirect3DDevice9* device, DWORD stage, Texture* target) {
  device->SetTexture(stage, target->texture);
  device->SetSamplerState(stage, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
  device->SetSamplerState(stage, D3DSAMP_ADDRESSV, D3DTADDRESS_CLAMP);
}

void BindQuadTexture(Renderer& renderer, Texture* texture, uint8_t bind) {
  Device& device = *renderer.owner;
  if (!texture) {
    // An untextured quad samples white, so the quad shows its vertex colour.
    TextureBind(device, &renderer.white, 0);
  } else if (bind) {
    TextureBind(device, texture, 0);
  } else {
    SetClampedTarget(renderer.device, 0, texture);
  }
}

// White vertices in pixels, drawn with the current mode's vertex shader and no pixel shader.
void DrawWhite(Renderer& renderer, D3DPRIMITIVETYPE type, const int32_t (*corners)[2],
               uint32_t count) {
  Vertex vertices[5];
  for (uint32_t i = 0; i < count; ++i) {
    vertices[i] = PixelVertex(static_cast<float>(corners[i][0]), static_cast<float>(corners[i][1]),
                              0xFFFFFFFFu, 0.0f, 0.0f);
  }
  BindVertexStage(renderer);
  ShaderUnbind(*renderer.shaders.pixelShaders[renderer.shaders.currentMode]);
  UINT primitives = type == D3DPT_LINESTRIP ? count - 1 : count - 2;
  renderer.device->DrawPrimitiveUP(type, primitives, vertices, kVertexStride);
}

// The overlay position (x0, y0) of the quad's bottom-left corner, in the overlay's units of a
// w x h back buffer. The platform puts pixel centres at whole viewport coordinates, so a quad
// from 0 to w meets every pixel centre at a texel corner: each copy became a 2 x 2 blur shifted
// half a pixel, and wrap addressing mixed the last row and column into the first. Moved half a
// viewport pixel left and up (the overlay's y grows upwards), the quad's edges lie on the
// viewport's pixel edges: a copy onto a target of the same size is exact, a reduction to a
// quarter averages the middle of each 4 x 4 block, and the letterbox band samples the band's
// own rows. The overlay spans the back buffer whatever the viewport's size, so half a viewport
// pixel is w / (2 x viewport width) overlay units.
void HalfPixelOrigin(Renderer& renderer, float w, float h, float& x0, float& y0) {
  D3DVIEWPORT9 viewport{
      0, 0, DeviceGetWidth(*renderer.owner), DeviceGetHeight(*renderer.owner), 0.0f, 1.0f};
  renderer.device->GetViewport(&viewport);  // a refused call leaves the back buffer's
  x0 = -0.5f * w / static_cast<float>(viewport.Width);
  y0 = 0.5f * h / static_cast<float>(viewport.Height);
}

}  // namespace

void RendererDrawScreenQuad(Renderer& renderer, uint32_t colour, Texture* texture, float uExtent,
                            float vScale, float alpha, float zoom, uint32_t sourceBlend,
                            uint32_t destinationBlend, uint32_t blendOperation, uint8_t bind) {
  IDirect3DDevice9* device = renderer.device;
  device->SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, 0);
  device->SetRenderState(D3DRS_ZENABLE, FALSE);
  device->SetRenderState(D3DRS_SRCBLEND, sourceBlend);
  device->SetRenderState(D3DRS_DESTBLEND, destinationBlend);
  device->SetRenderState(D3DRS_BLENDOP, blendOperation);
  device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  BindQuadTexture(renderer, texture, bind);
  float w = static_cast<float>(DeviceGetWidth(*renderer.owner));
  float h = static_cast<float>(DeviceGetHeight(*renderer.owner));
  float x0, y0;
  HalfPixelOrigin(renderer, w, h, x0, y0);
  float margin = (1.0f - zoom) / 2.0f;
  float lo = margin * vScale;
  float hi = (1.0f - margin) * vScale;
  Vertex vertices[4] = {PixelVertex(x0, y0, colour, 0, hi), PixelVertex(x0, h + y0, colour, 0, lo),
                        PixelVertex(w + x0, y0, colour, uExtent, hi),
                        PixelVertex(w + x0, h + y0, colour, uExtent, lo)};
  BindVertexStage(renderer);
  Shader& pixel = *renderer.shaders.pixelShaders[renderer.shaders.currentMode];
  ShaderBind(pixel);
  ShaderSetFloat4(pixel, 0, alpha, alpha, alpha, alpha);
  device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, vertices, kVertexStride);
  device->SetTexture(0, nullptr);
  device->SetRenderState(D3DRS_ZENABLE, FALSE);
  device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
  device->SetRenderState(D3DRS_BLENDOP, D3DBLENDOP_ADD);
}

void RendererDrawScreenFade(Renderer& renderer, uint32_t colour) {
  RendererDrawScreenQuad(renderer, colour, nullptr, 0.0f, 0.0f, 1.0f, 1.0f, D3DBLEND_SRCALPHA,
                         D3DBLEND_INVSRCALPHA, D3DBLENDOP_ADD, 1);
}

void RendererDrawScreenImage(Renderer& renderer, Texture* texture, float uExtent, float vScale) {
  RendererDrawScreenImageBlend(renderer, texture, uExtent, vScale, 1.0f, D3DBLEND_SRCALPHA,
                               D3DBLEND_INVSRCALPHA, D3DBLENDOP_ADD);
}

void RendererDrawScreenImageBlend(Renderer& renderer, Texture* texture, float uExtent, float vScale,
                                  float alpha, uint32_t sourceBlend, uint32_t destinationBlend,
                                  uint32_t blendOperation) {
  RendererDrawScreenQuad(renderer, 0xFFFFFFFFu, texture, uExtent, vScale, alpha, 1.0f, sourceBlend,
                         destinationBlend, blendOperation, 1);
}

void RendererDrawScreenTarget(Renderer& renderer, Texture* target, float zoom, uint8_t additive,
                              float alpha) {
  uint32_t source = additive ? D3DBLEND_ONE : D3DBLEND_SRCALPHA;
  uint32_t destination = additive ? D3DBLEND_ONE : D3DBLEND_INVSRCALPHA;
  RendererDrawScreenQuad(renderer, 0xFFFFFFFFu, target, 1.0f, 1.0f, alpha, zoom, source,
                         destination, D3DBLENDOP_ADD, 0);
}

void RendererDrawFilledRect(Renderer& renderer, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  const int32_t corners[4][2] = {{x1, y1}, {x1, y2}, {x2, y1}, {x2, y2}};
  DrawWhite(renderer, D3DPT_TRIANGLESTRIP, corners, 4);
}

void RendererDrawRectOutline(Renderer& renderer, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  const int32_t corners[5][2] = {{x1, y1}, {x2, y1}, {x2, y2}, {x1, y2}, {x1, y1}};
  DrawWhite(renderer, D3DPT_LINESTRIP, corners, 5);
}

void RendererDrawGlowPass(Renderer& renderer, Texture* source, const float du[4],
                          const float dv[4]) {
  IDirect3DDevice9* device = renderer.device;
  TransformState& transform = *renderer.owner->transformState;
  device->SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, 0);
  TransformStateBeginOverlay(transform);
  device->SetRenderState(D3DRS_ZENABLE, FALSE);
  device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
  device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
  device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  for (DWORD stage = 0; stage < kGlowTaps; ++stage) SetClampedTarget(device, stage, source);
  device->SetFVF(0);
  Shader& vertex = *renderer.shaders.vertexShaders[kShaderModeGlow];
  Shader& pixel = *renderer.shaders.pixelShaders[kShaderModeGlow];
  ShaderApplyDeclaration(vertex);
  ShaderBind(vertex);
  ShaderBind(pixel);
  for (uint32_t i = 0; i < kGlowTaps; ++i) {
    float weight = kGlowWeights[i];
    ShaderSetFloat4(pixel, i, weight, weight, weight, weight);
    ShaderSetFloat4(vertex, i, du[i], dv[i], 0.0f, 0.0f);
  }
  device->SetStreamSource(0, renderer.screenQuad->vertexBuffer, 0, kVertexStride);
  device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2);
  TransformStateEndOverlay(transform);
  device->SetStreamSource(0, nullptr, 0, 0);
  device->SetRenderState(D3DRS_ZENABLE, FALSE);
  device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
  device->SetTexture(0, nullptr);
  device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
}

namespace {

// Selects the target with clear and lays the source over it, alpha-blended at `alpha`.
void ReduceInto(Device& device, Texture* target, Texture* source, float alpha) {
  TargetManagerSelect(*device.targetManager, target, 1);
  RendererDrawScreenTarget(*device.renderer, source, 1.0f, 0, alpha);
}

}  // namespace

void RenderGlow(Device& device, Texture* finalTarget) {
  Texture* glow1 = device.GlowTarget1;
  Texture* glow2 = device.GlowTarget2;
  Texture* glow3 = device.GlowTarget3;
  if (device.FrameTargetA && glow1 && glow2 && glow3) {
    Renderer& renderer = *device.renderer;
    ReduceInto(device, glow1, device.FrameTargetA, 1.0f);
    float du = 1.0f / glow1->width;
    float dv = 1.0f / glow1->height;
    const float zero[4] = {0, 0, 0, 0};
    const float right[4] = {du, 2 * du, 3 * du, 4 * du};
    const float left[4] = {0, -du, -2 * du, -3 * du};
    const float down[4] = {dv, 2 * dv, 3 * dv, 4 * dv};
    const float up[4] = {0, -dv, -2 * dv, -3 * dv};
    ReduceInto(device, glow2, glow1, 0.5f);
    RendererDrawGlowPass(renderer, glow1, right, zero);
    RendererDrawGlowPass(renderer, glow1, left, zero);
    ReduceInto(device, glow3, glow2, 0.5f);
    RendererDrawGlowPass(renderer, glow2, zero, down);
    RendererDrawGlowPass(renderer, glow2, zero, up);
  }
  TargetManagerSelect(*device.targetManager, finalTarget, 0);
}
