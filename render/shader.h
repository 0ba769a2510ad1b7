#pragma once
// Shader: one vertex or pixel shader of a shader mode, with its own Direct3D objects, and
// the global cache of the shaders last bound, so consecutive draws in one mode make no
// shader switch. Main thread only.
//
// Constant registers are the device's: a Shader's kind only chooses vertex or pixel
// constants, whichever shader is bound reads them.

#include <cstdint>

#include "math/matrix.h"
#include "math/vec.h"
#include "platform/d3d9.h"

constexpr uint32_t kShaderKindVertex = 1;
constexpr uint32_t kShaderKindPixel = 2;  // any kind other than 1 is a pixel shader

struct Shader {
  uint32_t kind;
  IDirect3DVertexShader9* vertexShader;      // vertex kind; null until uploaded
  IDirect3DVertexDeclaration9* declaration;  // vertex kind
  IDirect3DPixelShader9* pixelShader;        // pixel kind; null until uploaded
  uint32_t* tokens;                          // owned copy of the token stream, 16-byte aligned
  IDirect3DDevice9* device;
};

// The shaders last set through ShaderBind or ShaderUnbind (Direct3D objects, not Shader
// records); both null at start-up.
extern IDirect3DVertexShader9* ShaderBoundVertex;
extern IDirect3DPixelShader9* ShaderBoundPixel;

// Constructs in place: kind and device stored, every other field null.
void ShaderInit(Shader& shader, uint32_t kind, IDirect3DDevice9* device);
// Frees an earlier copy, then copies `size` bytes of tokens into a new 16-byte aligned block.
void ShaderSetBytecode(Shader& shader, const uint32_t* tokens, uint32_t size);
// Frees the token copy (if any); the Direct3D objects are not touched.
void ShaderFreeBytecode(Shader& shader);
// Creates the vertex (kind 1) or pixel shader from the token copy. On failure shows the
// message box "Could not create a shader" (caption "Halvex Shader Error!") and returns false.
bool ShaderUpload(Shader& shader);
// Releases the Direct3D shader and declaration (each set to null).
void ShaderReleaseObjects(Shader& shader);

// The model vertex layout (56-byte stride): position, normal, colour, uv, tangent.
void ShaderCreateDeclaration(Shader& shader);
// SetVertexDeclaration with the shader's declaration, on every call (no cache).
void ShaderApplyDeclaration(Shader& shader);

// Sets the shader when the cache holds another one (vertex or pixel by kind).
void ShaderBind(Shader& shader);
// Sets null when the cache (of the shader's kind) is not null already.
void ShaderUnbind(Shader& shader);
// Empties the cache without a Direct3D call: the device reset unbinds every shader, so the
// reset sequence calls this to keep the cache true.
void ShaderForgetBound();

// Constant registers: `count` registers of four floats from `start`, vertex or pixel by kind.
void ShaderSetConstants(Shader& shader, uint32_t start, const float* data, uint32_t count);
// Four registers from the matrix's 16 floats in memory order (row i into start + i).
void ShaderSetMatrix(Shader& shader, uint32_t start, const Matrix& matrix);
// Register 4 = v.
void ShaderSetRegister4(const Vec4& v, Shader& shader);
// One register from a colour stored alpha, red, green, blue; written red, green, blue, alpha.
void ShaderSetColour(const float colour[4], Shader& shader, uint32_t reg);
void ShaderSetFloat4(Shader& shader, uint32_t reg, float x, float y, float z, float w);
