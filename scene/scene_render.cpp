// One scene render: sub-scenes, the ambient and per-light passes of both layers into the frame
// targets B (layer 0) and A (layer 1) with screen copies into C, their two compositions onto
// the final target, fog passes, the glow layer and the overlay image.
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

// The frame targets at the final target's size; false when they could not be made.
bool FitFrameTargets(Device& device, const Texture* target) {
  uint32_t w = target ? target->width : DeviceGetWidth(device);
  uint32_t h = target ? target->height : DeviceGetHeight(device);
  const Texture* a = device.FrameTargetA;
  if (!a || a->width != w || a->height != h) {
    DeviceReleaseFrameTargets(device);
    DeviceCreateFrameTargets(device, w, h);
  }
  return device.FrameTargetA && device.FrameTargetB && device.FrameTargetC;
}

// Passes of one layer in the ambient-first order (R8, R9) into the current target.
void AmbientLayer(Scene& scene, Device& device, Texture* target, uint8_t layer, uint8_t overlay,
                  uint8_t copyClear) {
  SceneDrawPass(scene, device, 1, layer, 0, 0, overlay, target);
  SceneCopyTarget(device, scene, target, copyClear);
  SceneDrawPass(scene, device, 1, layer, 1, 0, overlay, target);
}

// The per-light passes of one layer into the current target.
void LightLayer(Scene& scene, Device& device, Texture* target, uint8_t layer) {
  SceneDrawPass(scene, device, 0, layer, 0, 0, 0, target);
  SceneCopyTarget(device, scene, target, 0);
  SceneDrawPass(scene, device, 1, layer, 0, 1, 0, target);
  SceneDrawPass(scene, device, 0, layer, 0, 1, 0, target);
  SceneDrawPass(scene, device, 0, layer, 1, 0, 0, target);
}

void DrawBackground(Scene& scene, Device& device) {
  RendererDrawScreenImage(*device.renderer, scene.background, scene.backgroundUExtent,
                          scene.backgroundVScale);
}

void Compose(Device& device, Texture* target, uint8_t additive) {
  Select(device, target, 0);
  BeginTwoD(device);
  RendererDrawScreenTarget(*device.renderer, device.FrameTargetB, 1.0f, additive, 1.0f);
  RendererDrawScreenTarget(*device.renderer, device.FrameTargetA, 1.0f, additive, kLayer1Alpha);
}

void FogPasses(Scene& scene, Device& device, Texture* target) {
  const FogSettings& fog = *scene.fog;
  DeviceSetFog(device, fog.color, fog.start, fog.end);
  CameraApply(*scene.camera, target);
  AmbientLayer(scene, device, target, 0, 1, 1);
  Select(device, device.FrameTargetA, scene.backgroundIntoA ? 0 : 1);
  CameraApply(*scene.camera, target);
  AmbientLayer(scene, device, target, 1, 1, 0);
}

void GlowAndOverlay(Scene& scene, Device& device, Texture* target) {
  Camera& camera = *scene.camera;
  Renderer& renderer = *device.renderer;
  if (device.GlowTarget1 && device.GlowTarget2 && device.GlowTarget3) {
    CameraSetLetterboxViewport(camera, target);
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
  BackgroundIntoB(scene, device, target);
  CameraApply(camera, target);
  AmbientLayer(scene, device, target, 0, 0, 1);
  Select(device, device.FrameTargetA, scene.backgroundIntoA ? 0 : 1);
  CameraApply(camera, target);
  AmbientLayer(scene, device, target, 1, 0, 0);
  Compose(device, target, 0);
  EndTwoD(device);
  Select(device, device.FrameTargetB, 1);
  LightLayer(scene, device, target, 0);
  Select(device, device.FrameTargetA, 1);
  BackgroundIntoA(scene, device, target);
  LightLayer(scene, device, target, 1);
  if (scene.fog->enabled) FogPasses(scene, device, target);
  Compose(device, target, 1);  // the 2D state stays open
  GlowAndOverlay(scene, device, target);
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
