#include "render/renderer.h"

#include <initializer_list>

#include "math/matrix.h"
#include "mesh/material.h"
#include "mesh/material_run.h"
#include "mesh/mesh.h"
#include "render/device.h"
#include "render/mesh_buffers.h"
#include "render/mesh_finish.h"
#include "render/texture_upload.h"
#include "render/transform_state.h"
#include "texgen/drawing.h"

namespace {

// 1 / 255 in single precision: a colour byte to 0..1.
constexpr float kByteToUnit = 0.003921568859368563f;

// The light the mesh draw uses until a scene applies one: the defaults of a new light.
RendererLight DefaultLight() {
  RendererLight light{};
  light.diffuse[0] = light.specular[0] = light.ambient[0] = 1.0f;
  light.range = 1000.0f;
  return light;
}

// Vertex c4-c7 and c16: light, eye and fog values of the mesh draw.
void SetLightAndFogConstants(Renderer& renderer, Shader& shader) {
  TransformState& transform = *renderer.owner->transformState;
  const RendererLight& light = renderer.light;
  Vec4 position{light.position.x, light.position.y, light.position.z, 1.0f};
  MatrixTransformPoint(position, TransformStateGetWorldInverse(transform));
  ShaderSetRegister4(position, shader);
  ShaderSetFloat4(shader, 5, 1.0f / light.range, 0.5f, 1.0f, 0.0f);
  const Matrix& view = *TransformStateGetView(transform);
  ShaderSetFloat4(shader, 6, -view.m[12], -view.m[13], -view.m[14], 1.0f);
  const Device& device = *renderer.owner;
  ShaderSetFloat4(shader, 7, device.fogStart, 1.0f / (device.fogEnd - device.fogStart), 0.0f, 0.0f);
  uint32_t fog = device.fogColor;
  ShaderSetFloat4(shader, kRegisterFogColour, ((fog >> 16) & 0xFF) * kByteToUnit,
                  ((fog >> 8) & 0xFF) * kByteToUnit, (fog & 0xFF) * kByteToUnit,
                  (fog >> 24) * kByteToUnit);
}

// The pixel shader of a run: the lit modes choose by the material's maps.
Shader& RunPixelShader(RendererShaders& shaders, const Material& material) {
  uint32_t mode = shaders.currentMode;
  if (mode == kShaderModeLit) {
    mode = material.specular    ? kShaderModeLit
           : material.normalMap ? kShaderModeLitNormalMap
                                : kShaderModeLitPlain;
  } else if (mode == kShaderModeLitVariant) {
    mode = material.specular    ? kShaderModeLitVariant
           : material.normalMap ? kShaderModeLitVariantNormalMap
                                : kShaderModeLitVariantPlain;
  }
  return *shaders.pixelShaders[mode];
}

void BindRunTextures(Renderer& renderer, const Material& material, Shader& pixel) {
  Device& device = *renderer.owner;
  TextureBind(device, material.diffuse ? material.diffuse : &renderer.white, 0);
  TextureBind(device, material.normalMap ? material.normalMap : &renderer.flatNormal, 1);
  if (!material.refraction) {
    TextureBind(device, &renderer.attenuation, 2);
    TextureBind(device, material.specular ? material.specular : &renderer.white, 3);
    ShaderSetFloat4(pixel, 2, material.specularPower, 1.0f, 1.0f, 1.0f);
  } else {
    float s = material.distortionScale;
    ShaderSetFloat4(pixel, 2, s, s, s, s);
    TextureBind(device, device.FrameTargetC, 2);
  }
}

}  // namespace

Renderer* RendererInit(Renderer* renderer, Device* owner, IDirect3DDevice9* device) {
  renderer->owner = owner;
  renderer->device = device;
  renderer->shaders.currentMode = 0;
  renderer->screenQuad = MeshCreate(owner, 0, 0);
  renderer->meshes = ListCreate();
  RendererCreateScreenQuad(*renderer);
  TextureInitPreset(&renderer->attenuation, 1);
  TextureInitPreset(&renderer->flatNormal, 2);
  TextureInit2DFiltered(&renderer->white, 4, 4, 0);
  TextureFillRect(&renderer->white, 0, 0, 3, 3, 0xFFFFFFFFu);
  for (Texture* image : {&renderer->attenuation, &renderer->flatNormal, &renderer->white}) {
    TextureUpload(image, *owner);
  }
  renderer->light = DefaultLight();
  RendererCreateShaders(renderer->shaders, device);
  return renderer;
}

void RendererCleanup(Renderer& renderer) {
  for (Texture* image : {&renderer.attenuation, &renderer.flatNormal, &renderer.white}) {
    TextureRelease(image, *renderer.owner);
    TextureFreeImage(image);
  }
  ListDestroy(renderer.meshes);
  renderer.meshes = nullptr;
  MeshDestroy(renderer.screenQuad);
  renderer.screenQuad = nullptr;
  RendererFreeShaders(renderer.shaders);
}

void RendererSetLight(Renderer& renderer, const RendererLight& light) { renderer.light = light; }

void RendererRegisterMesh(Renderer& renderer, Mesh* mesh) { ListAppend(*renderer.meshes, mesh); }

void RendererReleaseMeshes(Renderer& renderer) {
  for (Mesh* mesh : ListItems<Mesh>(*renderer.meshes)) MeshRelease(*mesh);
}

void RendererRestoreMeshes(Renderer& renderer) {
  for (Mesh* mesh : ListItems<Mesh>(*renderer.meshes)) {
    MeshCreateBuffers(*mesh, mesh->dynamic);
    MeshUpload(*mesh, 0);
  }
}

void RendererDrawMesh(Renderer& renderer, Mesh& mesh, uint8_t alternate, Material* override) {
  IDirect3DDevice9* device = renderer.device;
  RendererShaders& shaders = renderer.shaders;
  Shader& vertex = *shaders.vertexShaders[shaders.currentMode];
  device->SetFVF(0);
  ShaderApplyDeclaration(vertex);
  ShaderBind(vertex);
  TransformState& transform = *renderer.owner->transformState;
  ShaderSetMatrix(vertex, 0, TransformStateGetWvpTransposed(transform));
  ShaderSetMatrix(vertex, 8, TransformStateGetWvpInverseTransposed(transform));
  ShaderSetMatrix(vertex, 12, TransformStateGetWvpBiasTransposed(transform));
  SetLightAndFogConstants(renderer, vertex);

  Shader& pixel = *shaders.pixelShaders[shaders.currentMode];
  const RendererLight& light = renderer.light;
  ShaderSetColour(alternate ? light.ambient : light.diffuse, pixel, 0);
  ShaderSetColour(light.specular, pixel, 1);

  device->SetStreamSource(0, mesh.vertexBuffer, 0, kVertexStride);
  device->SetIndices(mesh.indexBuffer);
  // Faces without a material draw with a new material's values (white, flat, power 8).
  Material fallback;
  MaterialInit(fallback);
  uint32_t runCount = mesh.runs.size / sizeof(MaterialRun);
  const auto* runs = reinterpret_cast<const MaterialRun*>(mesh.runs.data);
  for (uint32_t i = 0; i < runCount; ++i) {
    const MaterialRun& run = runs[i];
    Material* material = override ? override : run.material;
    if (!material) material = &fallback;
    Shader& runPixel = RunPixelShader(shaders, *material);
    ShaderBind(runPixel);
    BindRunTextures(renderer, *material, runPixel);
    device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, mesh.vertexCount, run.firstIndex,
                                 run.triangleCount);
  }
}
