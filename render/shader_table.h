#pragma once
// The shader table: for each shader mode, the compiled token streams its vertex and pixel
// Shader are created from. Generated at build time from the shader assembly in data/shaders
// (build/generated/shader_table.cpp).

#include <cstdint>

// The shader modes: numbered pairings of a vertex and a pixel shader. The variant of the unlit,
// lit and ambient modes is 5 above its mode; the lit modes pick their pixel shader by the
// material's maps (full with a specular map, normal map, plain).
enum ShaderMode : uint32_t {
  kShaderModeBlack = 0,
  kShaderModeUnlit = 1,  // textured, no light
  kShaderModeLit = 2,    // full: a material with a specular map
  kShaderModeLitNormalMap = 3,
  kShaderModeLitPlain = 4,
  kShaderModeAmbient = 5,       // the ambient pass
  kShaderModeUnlitVariant = 6,  // unlit with a normal lookup
  kShaderModeLitVariant = 7,
  kShaderModeLitVariantPlain = 8,
  kShaderModeLitVariantNormalMap = 9,
  kShaderModeAmbientVariant = 10,
  kShaderModeGlow = 11,        // the glow chain's taps
  kShaderModeScreenQuad = 12,  // screen quads and overlays: sat(sample x alpha) x vertex colour
  kShaderModeRefraction = 13,
  kShaderModeFog = 14,  // the fog pass
  kShaderModeCount = 15,
};
constexpr uint32_t kShaderVariantOffset = kShaderModeUnlitVariant - kShaderModeUnlit;

// A mode field of this value ends the table (the end entry's other fields are 0).
constexpr uint32_t kShaderTableEnd = 0xFFFFFFFFu;

struct ShaderTableEntry {
  uint32_t mode;           // a ShaderMode, or kShaderTableEnd
  uint32_t kind;           // 1 vertex shader, 2 pixel shader
  const uint32_t* tokens;  // the compiled token stream, 16-byte aligned
  uint32_t size;           // the stream's length in bytes
  uint32_t reserved;       // read by nothing (2, 3, 4, 1 or 0 as the table was laid out)
};

// 30 entries, each mode's vertex entry before its pixel entry, then the end entry.
extern const ShaderTableEntry ShaderTable[];
