#pragma once
// The shader table: for each shader mode, the compiled token streams its vertex and pixel
// Shader are created from. Generated at build time from the shader assembly in data/shaders
// (build/generated/shader_table.cpp).

#include <cstdint>

// A mode field of this value ends the table (the end entry's other fields are 0).
constexpr uint32_t kShaderTableEnd = 0xFFFFFFFFu;

struct ShaderTableEntry {
  uint32_t mode;           // ShaderMode 0..14, or kShaderTableEnd
  uint32_t kind;           // 1 vertex shader, 2 pixel shader
  const uint32_t* tokens;  // the compiled token stream, 16-byte aligned
  uint32_t size;           // the stream's length in bytes
  uint32_t reserved;       // read by nothing (2, 3, 4, 1 or 0 as the table was laid out)
};

// 30 entries, each mode's vertex entry before its pixel entry, then the end entry.
extern const ShaderTableEntry ShaderTable[];
