#include "render/shader.h"

#include <cstring>

#include "platform/crt.h"
#include "platform/win32.h"

IDirect3DVertexShader9* ShaderBoundVertex = nullptr;
IDirect3DPixelShader9* ShaderBoundPixel = nullptr;

namespace {

// The 56-byte model vertex; bytes 48 to 55 are not declared.
const D3DVERTEXELEMENT9 kModelVertexElements[] = {
    {0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
    {0, 12, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_NORMAL, 0},
    {0, 24, D3DDECLTYPE_D3DCOLOR, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_COLOR, 0},
    {0, 28, D3DDECLTYPE_FLOAT2, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 0},
    {0, 36, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 1},  // tangent
    D3DDECL_END(),
};

bool IsVertex(const Shader& shader) { return shader.kind == kShaderKindVertex; }

template <class T>
void ReleaseObject(T*& object) {
  if (object) object->Release();
  object = nullptr;
}

}  // namespace

void ShaderInit(Shader& shader, uint32_t kind, IDirect3DDevice9* device) {
  shader = Shader{kind, nullptr, nullptr, nullptr, nullptr, device};
}

void ShaderSetBytecode(Shader& shader, const uint32_t* tokens, uint32_t size) {
  ShaderFreeBytecode(shader);
  shader.tokens = static_cast<uint32_t*>(crt::AlignedAlloc(size));
  std::memcpy(shader.tokens, tokens, size);
}

void ShaderFreeBytecode(Shader& shader) {
  crt::AlignedFree(shader.tokens);
  shader.tokens = nullptr;
}

bool ShaderUpload(Shader& shader) {
  const HRESULT result =
      IsVertex(shader) ? shader.device->CreateVertexShader(shader.tokens, &shader.vertexShader)
                       : shader.device->CreatePixelShader(shader.tokens, &shader.pixelShader);
  if (result >= 0) return true;
  MessageBoxA(nullptr, "Could not create a shader", "Halvex Shader Error!", MB_ICONINFORMATION);
  return false;
}

void ShaderReleaseObjects(Shader& shader) {
  ReleaseObject(shader.vertexShader);
  ReleaseObject(shader.declaration);
  ReleaseObject(shader.pixelShader);
}

void ShaderCreateDeclaration(Shader& shader) {
  shader.device->CreateVertexDeclaration(kModelVertexElements, &shader.declaration);
}

void ShaderApplyDeclaration(Shader& shader) {
  shader.device->SetVertexDeclaration(shader.declaration);
}

void ShaderBind(Shader& shader) {
  if (IsVertex(shader)) {
    if (ShaderBoundVertex == shader.vertexShader) return;
    ShaderBoundVertex = shader.vertexShader;
    shader.device->SetVertexShader(shader.vertexShader);
  } else {
    if (ShaderBoundPixel == shader.pixelShader) return;
    ShaderBoundPixel = shader.pixelShader;
    shader.device->SetPixelShader(shader.pixelShader);
  }
}

void ShaderUnbind(Shader& shader) {
  if (IsVertex(shader)) {
    if (!ShaderBoundVertex) return;
    ShaderBoundVertex = nullptr;
    shader.device->SetVertexShader(nullptr);
  } else {
    if (!ShaderBoundPixel) return;
    ShaderBoundPixel = nullptr;
    shader.device->SetPixelShader(nullptr);
  }
}

void ShaderForgetBound() {
  ShaderBoundVertex = nullptr;
  ShaderBoundPixel = nullptr;
}

void ShaderSetConstants(Shader& shader, uint32_t start, const float* data, uint32_t count) {
  if (IsVertex(shader))
    shader.device->SetVertexShaderConstantF(start, data, count);
  else
    shader.device->SetPixelShaderConstantF(start, data, count);
}

void ShaderSetMatrix(Shader& shader, uint32_t start, const Matrix& matrix) {
  ShaderSetConstants(shader, start, matrix.m, 4);
}

void ShaderSetRegister4(const Vec4& v, Shader& shader) {
  ShaderSetFloat4(shader, 4, v.x, v.y, v.z, v.w);
}

void ShaderSetColour(const float colour[4], Shader& shader, uint32_t reg) {
  ShaderSetFloat4(shader, reg, colour[1], colour[2], colour[3], colour[0]);
}

void ShaderSetFloat4(Shader& shader, uint32_t reg, float x, float y, float z, float w) {
  const float values[4] = {x, y, z, w};
  ShaderSetConstants(shader, reg, values, 1);
}
