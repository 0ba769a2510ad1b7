#include "render/shader_mode.h"

#include "platform/crt.h"

void RendererCreateShaders(RendererShaders& shaders, IDirect3DDevice9* device,
                           const ShaderTableEntry* table) {
  for (uint32_t mode = 0; mode < kShaderModeCount; ++mode) {
    shaders.vertexShaders[mode] = crt::AlignedNew<Shader>();
    ShaderInit(*shaders.vertexShaders[mode], kShaderKindVertex, device);
    shaders.pixelShaders[mode] = crt::AlignedNew<Shader>();
    ShaderInit(*shaders.pixelShaders[mode], kShaderKindPixel, device);
  }
  shaders.currentMode = 0;
  for (const ShaderTableEntry* e = table; e->mode != kShaderTableEnd; ++e) {
    if (e->mode >= kShaderModeCount) continue;
    if (e->kind == kShaderKindPixel) {
      Shader& pixel = *shaders.pixelShaders[e->mode];
      ShaderSetBytecode(pixel, e->tokens, e->size);
      ShaderUpload(pixel);
    } else {
      Shader& vertex = *shaders.vertexShaders[e->mode];
      ShaderSetBytecode(vertex, e->tokens, e->size);
      ShaderUpload(vertex);
      ShaderCreateDeclaration(vertex);
    }
  }
}

void RendererFreeShaders(RendererShaders& shaders) {
  for (Shader** list : {shaders.vertexShaders, shaders.pixelShaders}) {
    for (uint32_t mode = 0; mode < kShaderModeCount; ++mode) {
      Shader* shader = list[mode];
      if (!shader) continue;
      if (shader->vertexShader == ShaderBoundVertex) ShaderBoundVertex = nullptr;
      if (shader->pixelShader == ShaderBoundPixel) ShaderBoundPixel = nullptr;
      ShaderFreeBytecode(*shader);
      ShaderReleaseObjects(*shader);
      crt::AlignedDelete(shader);
      list[mode] = nullptr;
    }
  }
}

void RendererSetShaderMode(RendererShaders& shaders, uint32_t mode) {
  if (mode < kShaderModeCount) shaders.currentMode = mode;
}

void RendererResetShaderMode(RendererShaders& shaders) {
  shaders.currentMode = 0;
  ShaderApplyDeclaration(*shaders.vertexShaders[0]);
  ShaderBind(*shaders.vertexShaders[0]);
  ShaderBind(*shaders.pixelShaders[0]);
}
