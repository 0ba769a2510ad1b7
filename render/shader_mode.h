#pragma once
// Shader modes (ShaderMode, render/shader_table.h): one vertex and one pixel Shader per mode,
// created from the shader table at start-up. The renderer holds one RendererShaders and draws
// with its current mode.

#include <cstdint>

#include "render/shader.h"
#include "render/shader_table.h"

struct RendererShaders {
  Shader* vertexShaders[kShaderModeCount];  // indexed by mode; each owns its objects
  Shader* pixelShaders[kShaderModeCount];
  uint32_t currentMode;  // 0..14
};

// Allocates a vertex and a pixel Shader per mode, then walks `table` to its end entry: a
// pixel entry gets its bytecode and upload, any other entry its bytecode, upload and
// declaration. A failed upload shows its message box and start-up goes on (that mode binds
// a null shader). Entries for modes above 14 are skipped. The current mode becomes 0.
void RendererCreateShaders(RendererShaders& shaders, IDirect3DDevice9* device,
                           const ShaderTableEntry* table = ShaderTable);
// Frees every Shader with its token copy and releases its Direct3D objects; the bound cache
// is emptied as the objects go.
void RendererFreeShaders(RendererShaders& shaders);

// The current mode becomes `mode` when it is at most 14; larger values are ignored.
void RendererSetShaderMode(RendererShaders& shaders, uint32_t mode);
// Mode 0, with its declaration applied and both its shaders bound.
void RendererResetShaderMode(RendererShaders& shaders);
