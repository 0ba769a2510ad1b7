#include "scene/scene.h"

#include "platform/crt.h"
#include "scene/anim.h"
#include "scene/camera.h"
#include "scene/light.h"
#include "scene/node.h"

namespace {

// Calls visit on every scene binding, then on every binding of the top-level groups (deep).
template <class VisitBinding, class VisitGroup>
void ForEachBinding(Scene& scene, VisitBinding binding, VisitGroup group) {
  for (AnimBinding* b : ListItems<AnimBinding>(*scene.bindings)) binding(*b);
  for (SceneNode* node : ListItems<SceneNode>(*scene.nodes)) {
    if (node && node->kind == kNodeGroup) group(*reinterpret_cast<GroupNode*>(node));
  }
}

void DestroyCamera(Camera* camera) {
  if (!camera) return;
  CameraCleanup(*camera);
  crt::AlignedDelete(camera);
}

void DestroyLight(Light* light) {
  if (!light) return;
  LightCleanup(*light);
  crt::AlignedDelete(light);
}

}  // namespace

Scene* SceneCreate() {
  Scene* scene = crt::AlignedNew<Scene>();  // every field zero / null
  scene->nodes = ListCreate();
  scene->models = ListCreate();
  scene->bindings = ListCreate();
  scene->subScenes = ListCreate();
  scene->glow = 0.6f;
  scene->clearColor = 0xFF000000u;
  scene->backgroundUExtent = 1.0f;
  scene->backgroundVScale = 1.0f;
  scene->overlayUExtent = 1.0f;
  scene->overlayVScale = 1.0f;
  scene->overlaySourceBlend = 2;       // D3DBLEND_ONE
  scene->overlayDestinationBlend = 2;  // D3DBLEND_ONE
  scene->overlayBlendOperation = 1;    // D3DBLENDOP_ADD
  scene->fog = crt::AlignedNew<FogSettings>(uint8_t{0}, 0xFFFFFFFFu, 1.0f, 1000.0f);
  return scene;
}

void SceneAddNode(Scene& scene, SceneNode* node) { ListAppend(*scene.nodes, node); }

void SceneAddBinding(Scene& scene, AnimBinding* binding) {
  ListAppend(*scene.bindings, binding);
  scene.lastBinding = binding;
}

void SceneAddModelUnique(Scene& scene, Model* model) {
  for (const Model* listed : ListItems<const Model>(*scene.models)) {
    if (listed == model) return;
  }
  ListAppend(*scene.models, model);
}

void SceneAddSubScene(Scene& scene, SceneTarget* item) { ListAppend(*scene.subScenes, item); }

void SceneSetCamera(Scene& scene, Camera* camera) {
  if (scene.camera) AnimBindingsRetarget(*scene.bindings, 0, scene.camera->view, nullptr);
  DestroyCamera(scene.camera);
  scene.camera = camera;
}

void SceneSetLight(Scene& scene, uint32_t slot, Light* light) {
  Light*& held = scene.lights[slot];
  if (held) AnimBindingsRetarget(*scene.bindings, 0, held->matrix, nullptr);
  DestroyLight(held);
  held = light;
}

void SceneStoreRest(Scene& scene) {
  ForEachBinding(
      scene, [](AnimBinding& b) { AnimBindingStoreRest(b); },
      [](GroupNode& g) { GroupNodeStoreRest(g); });
}

void SceneReleaseContexts(Scene& scene) {
  ForEachBinding(
      scene, [](AnimBinding& b) { AnimBindingReleaseContexts(b); },
      [](GroupNode& g) { GroupNodeReleaseContexts(g); });
}

void SceneAnimate(Scene& scene, float time, const SyncValues* sync) {
  ForEachBinding(
      scene, [&](AnimBinding& b) { AnimBindingApply(b, time, sync); },
      [&](GroupNode& g) { GroupNodeAnimate(g, time, sync); });
}

namespace {

void CloneTopLevel(const Scene& source, Scene& clone) {
  for (SceneNode* node : ListItems<SceneNode>(*source.nodes)) {
    SceneNode* copy = node ? SceneNodeDeepCopy(*node) : nullptr;
    if (!copy) continue;  // kind 3 and unknown kinds have no copy
    AnimBindingsRetarget(*clone.bindings, 0, SceneNodeMatrix(*node), SceneNodeMatrix(*copy));
    ListAppend(*clone.nodes, copy);
  }
}

void CloneLights(const Scene& source, Scene& clone) {
  for (uint32_t i = 0; i < kSceneLightSlots; ++i) {
    if (!source.lights[i]) continue;
    clone.lights[i] = LightClone(*source.lights[i]);
    AnimBindingsRetarget(*clone.bindings, 0, source.lights[i]->matrix, clone.lights[i]->matrix);
  }
}

}  // namespace

Scene* SceneClone(const Scene& source) {
  Scene* clone = SceneCreate();
  FogSettings* fog = clone->fog;
  List* lists[4] = {clone->nodes, clone->models, clone->bindings, clone->subScenes};
  *clone = source;  // the plain values and shared textures
  clone->nodes = lists[0];
  clone->models = lists[1];
  clone->bindings = lists[2];
  clone->subScenes = lists[3];
  clone->camera = nullptr;
  for (Light*& light : clone->lights) light = nullptr;
  clone->lastBinding =
      AnimBindingsCloneInto(*source.bindings, *clone->bindings, source.lastBinding);
  for (const SceneTarget* target : ListItems<const SceneTarget>(*source.subScenes)) {
    ListAppend(*clone->subScenes, crt::AlignedNew<SceneTarget>(*target));
  }
  if (source.camera) {
    clone->camera = CameraClone(*source.camera);
    AnimBindingsRetarget(*clone->bindings, 0, source.camera->view, clone->camera->view);
  }
  *fog = *source.fog;
  clone->fog = fog;
  for (const Model* model : ListItems<const Model>(*source.models)) {
    ListAppend(*clone->models, model);
  }
  CloneTopLevel(source, *clone);
  CloneLights(source, *clone);
  return clone;
}

void SceneDestroy(Scene* scene) {
  if (!scene) return;
  for (AnimBinding* binding : ListItems<AnimBinding>(*scene->bindings)) {
    AnimBindingDestroy(binding);
  }
  ListDestroy(scene->bindings);
  for (SceneTarget* target : ListItems<SceneTarget>(*scene->subScenes)) {
    crt::AlignedDelete(target);
  }
  ListDestroy(scene->subScenes);
  for (SceneNode* node : ListItems<SceneNode>(*scene->nodes)) SceneNodeDestroy(node);
  ListDestroy(scene->nodes);
  ListDestroy(scene->models);
  for (Light* light : scene->lights) DestroyLight(light);
  DestroyCamera(scene->camera);
  crt::AlignedDelete(scene->fog);
  crt::AlignedDelete(scene);
}
