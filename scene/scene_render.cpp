// One scene render: sub-scenes, the ambient and per-light passes of both layers into the frame
// targets B (layer 0) and A (layer 1) with screen copies into C, their two compositions onto
// the final target, fog passes, the glow layer and the overlay image.
#include "mesh/material.h"
#include "mesh/material_run.h"
#include "mesh/mesh.h"
#include "render/device.h"
#include "render/renderer.h"
#include "render/screen_draw.h"
#include "render/target_manager.h"
#include "render/transform_state.h"
#include "scene/camera.h"
#include "scene/cull_sphere.h"
#include "scene/light.h"
#include "scene/model.h"
#include "scene/node.h"
#include "scene/scene.h"
#include "texgen/texture.h"

namespace {

constexpr float kLayer1Alpha = 0.7f;  // weight of FrameTargetA in both compositions
// Sub-scenes nest at most this deep: a scene listed among its own sub-scenes (directly or
// through others) would otherwise recurse until the stack overflows.
constexpr int kMaxSubSceneDepth = 4;
int subSceneDepth = 0;

void Select(Device& device, Texture* target, uint8_t clear) {
  TargetManagerSelect(*device.targetManager, target, clear);
}

void BeginTwoD(Device& device) {
  DeviceDisable(device, kSwitchDepthTest);
  TransformStateBeginOverlay(*device.transformState);
  RendererSetShaderMode(device.renderer->shaders, kShaderModeScreenQuad);
}

void EndTwoD(Device& device) {
  TransformStateEndOverlay(*device.transformState);
  DeviceEnable(device, kSwitchDepthTest);
}

void DrawNodes(Scene& scene, const CullSphere* sphere, const DrawPass& pass) {
  for (SceneNode* node : ListItems<SceneNode>(*scene.nodes)) {
    if (node) SceneNodeDraw(*node, sphere, pass);
  }
}

// What the scene's models can put into the frame targets. Work whose result cannot reach the
// screen is skipped: a frame target that only its clear would fill adds nothing (0 x weight)
// to a composition or to the glow, and FrameTargetC is only ever sampled by refracting
// materials. Every render's first copy clears C, so a copy that no later draw of the same
// render reads is lost work. A special model draws only in the special passes of its layer,
// so when only special models refract, the copies after the last such pass go; a refracting
// model that is not special may read C in any pass (before this render's first copy it sees
// what the last render left there), and then every copy is made. The full order of passes is
// kept only in what it shows.
struct SceneContent {
  bool layer[2];            // a model of the layer has a mesh to draw
  bool refractsSpecial[2];  // a special model of the layer refracts: reads C in R11 or R12
  bool refractsAnyPass;     // a model that is not special refracts
};

// Which copies into C a later pass reads.
struct CopyPlan {
  bool ambient;  // R8, R9: both layers' ambient copies
  bool light0;   // R11
  bool light1;   // R12
  bool fog;      // R13
};

bool RefractsScreen(const Model& model) {
  const Mesh& mesh = *model.meshes[0];
  for (uint32_t i = 0; i < MeshRunCount(mesh); ++i) {
    const Material* material = MeshRunAt(mesh, i).material;
    if (material && material->refraction) return true;
  }
  return false;
}

void AddContent(const SceneNode& node, SceneContent& content) {
  if (node.kind == kNodeGroup) {
    for (const SceneNode* child :
         ListItems<SceneNode>(*reinterpret_cast<const GroupNode&>(node).children)) {
      if (child) AddContent(*child, content);
    }
  }
  const Model* model =
      node.kind == kNodeLeaf ? reinterpret_cast<const LeafNode&>(node).model : nullptr;
  if (!model || !model->meshes[0] || model->layer >= 2) return;
  content.layer[model->layer] = true;
  if (!RefractsScreen(*model)) return;
  if (model->special) {
    content.refractsSpecial[model->layer] = true;
  } else {
    content.refractsAnyPass = true;
  }
}

SceneContent ContentOf(const Scene& scene) {
  SceneContent content{};
  for (const SceneNode* node : ListItems<SceneNode>(*scene.nodes)) {
    if (node) AddContent(*node, content);
  }
  return content;
}

CopyPlan CopiesRead(const SceneContent& content) {
  const bool any = content.refractsAnyPass;
  const bool special1 = any || content.refractsSpecial[1];
  const bool special0 = special1 || content.refractsSpecial[0];
  return {special0, special0, special1, any};
}

// FrameTargetB holds more than its clear: layer 0 or the background.
bool FillsB(const Scene& scene, const SceneContent& content) {
  return content.layer[0] || scene.background;
}

// FrameTargetA holds more than its clear during the ambient passes (R9): layer 1, or whatever
// A held before when it is not cleared for the background.
bool FillsAmbientA(const Scene& scene, const SceneContent& content) {
  return content.layer[1] || scene.backgroundIntoA;
}

// FrameTargetA holds more than its clear after the per-light and fog passes: layer 1, the
// background, or layer 0's fog.
bool FillsA(const Scene& scene, const SceneContent& content) {
  return content.layer[1] || (scene.backgroundIntoA && scene.background) ||
         (scene.fog->enabled && content.layer[0]);
}

// The frame targets at the final target's size; false when they could not be made. A
// sub-scene of another size and its parent take turns with two sets instead of recreating the
// six targets twice a frame; a set taken back starts cleared as a new one does, so the order
// of release and creation is kept only in what it shows.
bool FitFrameTargets(Device& device, const Texture* target) {
  uint32_t w = target ? target->width : DeviceGetWidth(device);
  uint32_t h = target ? target->height : DeviceGetHeight(device);
  DeviceFitFrameTargets(device, w, h);
  return device.FrameTargetA && device.FrameTargetB && device.FrameTargetC;
}

// Passes of one layer in the ambient-first order (R8, R9) into the current target; the copy
// into C only when something samples C.
void AmbientLayer(Scene& scene, Device& device, Texture* target, uint8_t layer, uint8_t overlay,
                  uint8_t copyClear, bool copies) {
  SceneDrawPass(scene, device, 1, layer, 0, 0, overlay, target);
  if (copies) SceneCopyTarget(device, scene, target, copyClear);
  SceneDrawPass(scene, device, 1, layer, 1, 0, overlay, target);
}

// The per-light passes of one layer into the current target.
void LightLayer(Scene& scene, Device& device, Texture* target, uint8_t layer, bool copies) {
  SceneDrawPass(scene, device, 0, layer, 0, 0, 0, target);
  if (copies) SceneCopyTarget(device, scene, target, 0);
  SceneDrawPass(scene, device, 1, layer, 0, 1, 0, target);
  SceneDrawPass(scene, device, 0, layer, 0, 1, 0, target);
  SceneDrawPass(scene, device, 0, layer, 1, 0, 0, target);
}

void DrawBackground(Scene& scene, Device& device) {
  RendererDrawScreenImage(*device.renderer, scene.background, scene.backgroundUExtent,
                          scene.backgroundVScale);
}

// B and A over the final target, each only when it holds more than its clear.
void Compose(Device& device, Texture* target, uint8_t additive, bool withB, bool withA) {
  Select(device, target, 0);
  BeginTwoD(device);
  Renderer& renderer = *device.renderer;
  if (withB) RendererDrawScreenTarget(renderer, device.FrameTargetB, 1.0f, additive, 1.0f);
  if (withA) RendererDrawScreenTarget(renderer, device.FrameTargetA, 1.0f, additive, kLayer1Alpha);
}

void FogPasses(Scene& scene, Device& device, Texture* target, bool copies) {
  const FogSettings& fog = *scene.fog;
  DeviceSetFog(device, fog.color, fog.start, fog.end);
  CameraApply(*scene.camera, target);
  AmbientLayer(scene, device, target, 0, 1, 1, copies);
  Select(device, device.FrameTargetA, scene.backgroundIntoA ? 0 : 1);
  CameraApply(*scene.camera, target);
  AmbientLayer(scene, device, target, 1, 1, 0, copies);
}

// The glow of A added at the scene's strength: sat(sample x strength) is 0 for a strength of
// 0 or below, and a cleared A glows black, so neither adds anything.
void GlowAndOverlay(Scene& scene, Device& device, Texture* target, bool glows) {
  Camera& camera = *scene.camera;
  Renderer& renderer = *device.renderer;
  CameraSetLetterboxViewport(camera, target);
  if (glows && scene.glow > 0.0f && device.GlowTarget1 && device.GlowTarget2 &&
      device.GlowTarget3) {
    RenderGlow(device, target);
    CameraSetLetterboxViewport(camera, target);
    RendererDrawScreenTarget(renderer, device.GlowTarget3, camera.heightFraction, 1, scene.glow);
    CameraSetLetterboxViewport(camera, target);
  }
  if (scene.overlay) {
    RendererDrawScreenImageBlend(renderer, scene.overlay, scene.overlayUExtent, scene.overlayVScale,
                                 scene.overlayAlpha, scene.overlaySourceBlend,
                                 scene.overlayDestinationBlend, scene.overlayBlendOperation);
  }
}

// R6: the background into B inside the two-dimensional state (depth test off, overlay
// transform pushed) that the previous render left open for the timeline's fades, which is then
// closed. Every draw between renders pushes and pops in pairs, so the stack sits at slot 0 only
// when no render has run on this device yet: the first render opens the state itself and its
// background is drawn the same way.
void BackgroundIntoB(Scene& scene, Device& device, Texture* target) {
  Select(device, device.FrameTargetB, 1);
  CameraSetLetterboxViewport(*scene.camera, target);
  RendererSetShaderMode(device.renderer->shaders, kShaderModeScreenQuad);
  if (device.transformState->index == 0) {
    DeviceDisable(device, kSwitchDepthTest);
    TransformStateBeginOverlay(*device.transformState);
  }
  if (scene.background) DrawBackground(scene, device);
  EndTwoD(device);
}

void BackgroundIntoA(Scene& scene, Device& device, Texture* target) {
  if (!scene.backgroundIntoA || !scene.background) return;
  BeginTwoD(device);
  CameraSetLetterboxViewport(*scene.camera, target);
  DrawBackground(scene, device);
  EndTwoD(device);
}

}  // namespace

void SceneRender(Scene& scene, float time, Device& device, Texture* target) {
  if (!scene.camera) return;
  Camera& camera = *scene.camera;
  SceneRenderSubScenes(scene, device, time);
  Select(device, target, 0);
  if (!FitFrameTargets(device, target)) {
    DeviceClear(device, scene.clearColor);
    return;
  }
  DeviceClear(device, scene.clearColor);
  const SceneContent content = ContentOf(scene);
  const CopyPlan copies = CopiesRead(content);
  BackgroundIntoB(scene, device, target);
  CameraApply(camera, target);
  AmbientLayer(scene, device, target, 0, 0, 1, copies.ambient);
  const bool ambientA = FillsAmbientA(scene, content);
  if (ambientA) {
    Select(device, device.FrameTargetA, scene.backgroundIntoA ? 0 : 1);
    CameraApply(camera, target);
    AmbientLayer(scene, device, target, 1, 0, 0, copies.ambient);
  }
  const bool withB = FillsB(scene, content);
  Compose(device, target, 0, withB, ambientA);
  EndTwoD(device);
  Select(device, device.FrameTargetB, 1);
  LightLayer(scene, device, target, 0, copies.light0);
  // A is cleared even when nothing follows, so a later render that draws the background into
  // A without clearing it finds what the full order leaves there.
  Select(device, device.FrameTargetA, 1);
  BackgroundIntoA(scene, device, target);
  LightLayer(scene, device, target, 1, copies.light1);
  if (scene.fog->enabled) FogPasses(scene, device, target, copies.fog);
  const bool withA = FillsA(scene, content);
  Compose(device, target, 1, withB, withA);  // the 2D state stays open
  GlowAndOverlay(scene, device, target, withA);
}

void SceneRenderSubScenes(Scene& scene, Device& device, float time) {
  if (subSceneDepth >= kMaxSubSceneDepth) return;
  ++subSceneDepth;
  for (const SceneTarget* item : ListItems<const SceneTarget>(*scene.subScenes)) {
    Texture* image = item->texture ? item->texture->target : nullptr;
    if (!image || !item->scene) continue;
    Select(device, image, 1);
    SceneAnimate(*item->scene, time + item->timeOffset, nullptr);
    SceneUpdateModels(*item->scene, time);
    SceneRender(*item->scene, time, device, image);
  }
  --subSceneDepth;
}

void SceneDrawPass(Scene& scene, Device& device, uint8_t ambient, uint8_t layer, uint8_t blended,
                   uint8_t special, uint8_t overlay, Texture* target) {
  DrawPass pass{ambient, layer, blended, special, overlay, nullptr};
  if (ambient) {
    Light summed;
    LightInit(&summed);
    summed.enabled = 1;
    for (float& c : summed.ambient) c = 0.0f;
    for (const Light* light : scene.lights) {
      if (!light) continue;
      for (int i = 0; i < 4; ++i) summed.ambient[i] += light->ambient[i];
    }
    LightApply(device, summed);
    CameraApply(*scene.camera, target);
    DrawNodes(scene, nullptr, pass);
    LightCleanup(summed);
    return;
  }
  for (Light* light : scene.lights) {
    if (!light) continue;
    LightApply(device, *light);
    CullSphere sphere{};
    MatrixGetTranslation(*light->matrix, sphere.centre);
    sphere.radius = light->range;
    CameraApply(*scene.camera, target);
    DrawNodes(scene, &sphere, pass);
  }
}

void SceneCopyTarget(Device& device, Scene& scene, Texture* target, uint8_t clear) {
  BeginTwoD(device);
  CameraSetFullViewport(*scene.camera, target);
  TargetManagerCopyCurrent(*device.targetManager, device.FrameTargetC, scene.camera->heightFraction,
                           clear);
  EndTwoD(device);
  CameraApply(*scene.camera, target);
}

void SceneUpdateModels(Scene& scene, float time) {
  for (Model* model : ListItems<Model>(*scene.models)) ModelUpdate(*model, time);
}
