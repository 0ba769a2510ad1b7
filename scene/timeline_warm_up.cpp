// Before play: the first frame of every clip drawn once off-screen, and what that changed put
// back.
#include <algorithm>
#include <vector>

#include "mesh/mesh.h"
#include "render/device.h"
#include "render/mesh_finish.h"
#include "render/renderer.h"
#include "render/target_manager.h"
#include "render/transform_state.h"
#include "scene/scene.h"
#include "scene/timeline.h"

namespace {

// The scene and every sub-scene below it, each once.
void CollectScenes(Scene* scene, std::vector<Scene*>& scenes) {
  if (!scene || std::find(scenes.begin(), scenes.end(), scene) != scenes.end()) return;
  scenes.push_back(scene);
  for (const SceneTarget* item : ListItems<SceneTarget>(*scene->subScenes)) {
    CollectScenes(item->scene, scenes);
  }
}

// Renders each clip's scene at the clip's start into `canvas`, calling readMessages (when
// given) after each, until it says false; returns the scenes reached.
std::vector<Scene*> DrawClipStarts(Timeline& timeline, Texture* canvas, bool (*readMessages)()) {
  Device& device = *timeline.device;
  std::vector<Scene*> scenes;
  float acc = 0.0f;
  uint32_t i = 0;
  for (const Clip* clip : ListItems<Clip>(*timeline.clips)) {
    Scene& scene = *clip->scene;
    if (scene.camera) {
      CollectScenes(&scene, scenes);
      SceneAnimate(scene, 0.0f, nullptr);
      SceneRender(scene, acc, device, canvas);
      TimelineDrawFades(timeline, i, acc, acc);
      if (readMessages && !readMessages()) break;
    }
    acc += clip->duration;
    ++i;
  }
  return scenes;
}

void UploadDynamicMeshes(Renderer& renderer) {
  for (Mesh* mesh : ListItems<Mesh>(*renderer.meshes)) {
    if (mesh->dynamic) MeshUpload(*mesh, 0);
  }
}

}  // namespace

void TimelineWarmUp(bool (*readMessages)()) {
  if (!TimelineInstance) return;
  Timeline& timeline = *TimelineInstance;
  Device& device = *timeline.device;
  TargetManager& targets = *device.targetManager;
  // The rasteriser's variants depend on the states drawn with, not on the target's size: a
  // quarter-size canvas makes the same ones at a sixteenth of the fill.
  Texture* canvas = TargetManagerCreateTarget(targets, std::max(1u, DeviceGetWidth(device) / 4),
                                              std::max(1u, DeviceGetHeight(device) / 4));
  if (!canvas) return;
  TimelineBeginFrame();
  for (Scene* scene : DrawClipStarts(timeline, canvas, readMessages)) {
    SceneReleaseContexts(*scene);
  }
  TargetManagerSelect(targets, nullptr, 0);
  TargetManagerDestroyTarget(targets, canvas);
  UploadDynamicMeshes(*device.renderer);
  TargetManagerRelease(targets);
  TargetManagerRestore(targets);
  // A render leaves the 2D state open for the fades; the next one closes it.
  if (device.transformState->index > 0) {
    TransformStateEndOverlay(*device.transformState);
    DeviceEnable(device, kSwitchDepthTest);
  }
  DeviceSetAlphaTest(device, 0);
  TimelineEndFrame();
}
