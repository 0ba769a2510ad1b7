#pragma once
// Screen quads, white rectangles in pixel coordinates and the glow chain. The quads and
// rectangles use the renderer's current shader mode and the current transform (callers set
// mode 12 and bracket them with TransformStateBeginOverlay/EndOverlay); the glow passes carry
// mode 11 and their own overlay. Afterwards depth testing and blending are off. Main thread.
//
// Blend values are Direct3D's: ONE 2, SRCALPHA 5, INVSRCALPHA 6; operation ADD 1.

#include <cstdint>

struct Device;
struct Renderer;
struct Texture;

// Four vertices over the back buffer (W x H pixels): (0,0) v = hi, (0,H) v = lo, (W,0) and
// (W,H) u = uExtent, with lo = (1 - zoom) / 2 x vScale, hi = (1 - (1 - zoom) / 2) x vScale,
// each carrying `colour`, all moved half a pixel of the current viewport left and up so that
// texel centres meet pixel centres (a same-size copy is exact). Without a texture the white
// image is sampled; with `bind` the record is bound with its filters (TextureBind), without it
// its own Direct3D texture is set with clamp addressing (its filters untouched).
// Pixel c0 = (alpha, alpha, alpha, alpha).
void RendererDrawScreenQuad(Renderer& renderer, uint32_t colour, Texture* texture, float uExtent,
                            float vScale, float alpha, float zoom, uint32_t sourceBlend,
                            uint32_t destinationBlend, uint32_t blendOperation, uint8_t bind);
// Untextured quad of the colour, SRCALPHA / INVSRCALPHA.
void RendererDrawScreenFade(Renderer& renderer, uint32_t colour);
// White, alpha 1, zoom 1, SRCALPHA / INVSRCALPHA, bound with its filters.
void RendererDrawScreenImage(Renderer& renderer, Texture* texture, float uExtent, float vScale);
void RendererDrawScreenImageBlend(Renderer& renderer, Texture* texture, float uExtent, float vScale,
                                  float alpha, uint32_t sourceBlend, uint32_t destinationBlend,
                                  uint32_t blendOperation);
// A render-target record over the whole screen: ONE / ONE when additive, else SRCALPHA /
// INVSRCALPHA; clamp addressing, filters untouched.
void RendererDrawScreenTarget(Renderer& renderer, Texture* target, float zoom, uint8_t additive,
                              float alpha);
// White rectangle between pixel corners (x1, y1) and (x2, y2), pixel shader unbound.
void RendererDrawFilledRect(Renderer& renderer, int32_t x1, int32_t y1, int32_t x2, int32_t y2);
void RendererDrawRectOutline(Renderer& renderer, int32_t x1, int32_t y1, int32_t x2, int32_t y2);
// Adds sum over i of weight_i x source(uv + (du[i], dv[i])) to the current target, weights
// 0.25, 0.12, 0.06, 0.03, in mode 11 without changing the current mode; the source on stages
// 0-3 with clamp addressing, so no tap reaches across an edge to the opposite one.
void RendererDrawGlowPass(Renderer& renderer, Texture* source, const float du[4],
                          const float dv[4]);
// The glow chain: FrameTargetA reduced into GlowTarget1, blurred horizontally into
// GlowTarget2 and vertically into GlowTarget3; ends with `finalTarget` selected (null: the back
// buffer). With a glow or frame target missing only the final selection happens.
void RenderGlow(Device& device, Texture* finalTarget);
