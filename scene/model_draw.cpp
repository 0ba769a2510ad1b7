#include "scene/model.h"

#include <cmath>

#include "math/matrix.h"
#include "mesh/mesh.h"
#include "platform/crt.h"
#include "platform/d3d9.h"
#include "render/device.h"
#include "render/mesh_finish.h"
#include "render/renderer.h"
#include "render/shader_mode.h"
#include "render/transform_state.h"
#include "scene/cull_sphere.h"
#include "scene/deformer.h"
#include "scene/node.h"

namespace {

// The largest |position| among the mesh's vertices, 0 for none (a strictly greater length
// replaces the running maximum, so NaN lengths are passed over).
float BoundingRadius(const Mesh& mesh) {
  float radius = 0.0f;
  for (uint32_t i = 0; i < mesh.vertexCount; ++i) {
    const Vec3& p = mesh.vertices[i].position;
    const float length = std::sqrt(p.x * p.x + p.y * p.y + p.z * p.z);
    if (length > radius) radius = length;
  }
  return radius;
}

// Whether the model takes part in the pass: same special, layer and blended flags, and an
// unlit model only without a light sphere.
bool InPass(const Model& model, const CullSphere* sphere, uint8_t layer, uint8_t blended,
            uint8_t special) {
  if (!model.lit && sphere) return false;
  return model.special == special && model.layer == layer && model.blended == blended;
}

// Whether the model's bounding sphere around `centre` reaches into the light's sphere
// (touching counts).
bool TouchesSphere(const Model& model, const CullSphere& sphere, const Vec3& centre) {
  Vec3 d;
  Vec3Sub(d, sphere.centre, centre);
  return !(sphere.radius + model.radius < Vec3Length(d));
}

uint32_t ShaderModeFor(const Model& model, uint8_t ambient, uint8_t overlay) {
  if (overlay) return kShaderModeFog;
  if (model.special) return kShaderModeRefraction;
  const uint32_t mode = !model.lit ? kShaderModeUnlit
                        : ambient  ? kShaderModeAmbient
                                   : kShaderModeLit;
  return model.shaderVariant ? mode + kShaderVariantOffset : mode;
}

// Blending, alpha test, culling, depth writing and fill mode for the draw.
void SetDrawStates(const Model& model, Device& device, uint8_t ambient, uint8_t overlay) {
  if (model.blended || !ambient) {
    DeviceSetAlphaTest(device, 1);
    DeviceSetBlendFunc(device, model.blendSource, model.blendDestination, model.blendOperation);
    DeviceEnable(device, kSwitchBlending);
  }
  if (overlay) {
    DeviceSetAlphaTest(device, 1);
    DeviceSetBlendFunc(device, D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA, D3DBLENDOP_ADD);
    DeviceEnable(device, kSwitchBlending);
  }
  if (!model.cull) DeviceDisable(device, kSwitchCulling);
  if (!model.zWrite) DeviceDisable(device, kSwitchDepthWrite);
  if (model.fillMode) DeviceSetFillMode(device, model.fillMode);
}

// Puts back what SetDrawStates changed; alpha test and blending only for a blended model.
void RestoreDrawStates(const Model& model, Device& device) {
  if (model.blended) {
    DeviceSetAlphaTest(device, 0);
    DeviceDisable(device, kSwitchBlending);
  }
  if (!model.cull) DeviceEnable(device, kSwitchCulling);
  if (!model.zWrite) DeviceEnable(device, kSwitchDepthWrite);
  if (model.fillMode) DeviceSetFillMode(device, 0);
}

}  // namespace

void ModelFinish(Model& model) {
  if (!model.meshes[0]) return;
  ModelComputeTangents(model);
  model.radius = BoundingRadius(*model.meshes[0]);
  for (Mesh* mesh : model.meshes) {
    if (mesh) MeshFinish(*mesh, model.animated, model.radius);
  }
  ModelUpload(model);
}

void ModelUpload(Model& model) {
  if (!model.meshes[0]) return;
  for (Mesh* mesh : model.meshes) {
    if (mesh) MeshUpload(*mesh, 1);
  }
}

void ModelUpdate(Model& model, float time) {
  if (!model.animated) return;
  for (Mesh* mesh : model.meshes) {
    if (mesh) MeshDeform(*mesh, time, *model.deformers, model.radius);
  }
}

void ModelDraw(Model& model, const CullSphere* sphere, const Matrix* world, uint8_t layer,
               uint8_t blended, uint8_t special, uint8_t ambient, uint8_t overlay,
               Material* materialOverride) {
  Mesh* mesh = model.meshes[0];
  if (!mesh) return;
  Device& device = *model.device;
  TransformState& transform = *device.transformState;
  // The model's centre in world space: the stack top before its own world matrix.
  const Matrix& top = *TransformStateGetTop(transform);
  Vec3 centre;
  Vec3Set(centre, top.m[12], top.m[13], top.m[14]);
  if (!InPass(model, sphere, layer, blended, special)) return;
  if (sphere && !TouchesSphere(model, *sphere, centre)) return;
  if (world) {
    TransformStatePush(transform);
    TransformStateMultiply(transform, *world);
  }
  SetDrawStates(model, device, ambient, overlay);
  if (mesh->vertexBuffer) {
    RendererSetShaderMode(device.renderer->shaders, ShaderModeFor(model, ambient, overlay));
    RendererDrawMesh(*device.renderer, *mesh, ambient, materialOverride);
  }
  if (world) TransformStatePop(transform);
  RestoreDrawStates(model, device);
}

LeafNode* ModelCreateLeafNode(Model& model) {
  LeafNode* leaf = static_cast<LeafNode*>(crt::AlignedAlloc(sizeof(LeafNode)));
  if (!leaf) return nullptr;
  return LeafNodeInit(leaf, model.device, &model);
}
