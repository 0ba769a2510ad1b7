#pragma once
// A Scene: top-level nodes and the bindings that move them, a camera, up to eight lights, fog,
// background and overlay images, a glow strength and the sub-scenes rendered into textures
// before it. SceneRender draws it through the device's frame targets pass by pass.
#include <cstdint>

#include "math/list.h"

struct AnimBinding;
struct Camera;
struct Device;
struct Light;
struct Model;
struct Scene;
struct SceneNode;
struct SyncValues;
struct Texture;

struct FogSettings {
  uint8_t enabled;  // default 0
  uint32_t color;   // 0xAARRGGBB, default 0xFFFFFFFF
  float start;      // default 1.0
  float end;        // default 1000.0
};

// A sub-scene rendered into a texture's linked render target before its parent.
struct SceneTarget {
  Scene* scene;      // not owned
  Texture* texture;  // its linked render-target record receives the picture
  uint8_t flag;      // stored, read by nothing here
  float timeOffset;  // seconds added to the time of the sub-scene's animation
};

constexpr uint32_t kSceneLightSlots = 8;

struct Scene {
  List* nodes;      // SceneNode*, owned, drawn in order
  List* models;     // Model*, the animated models, each once, shared
  List* bindings;   // AnimBinding*, owned
  List* subScenes;  // SceneTarget*, owned items
  AnimBinding* lastBinding;
  float headerValue;    // written by the builder, read by no rendering step
  float glow;           // alpha of the glow layer, default 0.6
  uint32_t clearColor;  // 0xAARRGGBB, default 0xFF000000
  Texture* background;
  uint8_t backgroundIntoA;  // 1: background drawn into FrameTargetA too, A not cleared first
  float backgroundUExtent;  // default 1.0
  float backgroundVScale;   // default 1.0
  Texture* overlay;
  float overlayUExtent;              // default 1.0
  float overlayVScale;               // default 1.0
  float overlayAlpha;                // default 0.0
  uint32_t overlaySourceBlend;       // D3DBLEND, default ONE (2)
  uint32_t overlayDestinationBlend;  // D3DBLEND, default ONE (2)
  uint32_t overlayBlendOperation;    // D3DBLENDOP, default ADD (1)
  Camera* camera;                    // owned; a scene without camera is never drawn
  Light* lights[kSceneLightSlots];   // owned slots, null = empty
  FogSettings* fog;                  // owned, always present
};

Scene* SceneCreate();
void SceneAddNode(Scene& scene, SceneNode* node);
// Appends and makes it the last binding.
void SceneAddBinding(Scene& scene, AnimBinding* binding);
// Appends unless the list already holds this model.
void SceneAddModelUnique(Scene& scene, Model* model);
void SceneAddSubScene(Scene& scene, SceneTarget* item);
// Makes camera the scene's camera. A camera set before is freed; the bindings on its view
// keep their tracks but target nothing from then on.
void SceneSetCamera(Scene& scene, Camera* camera);
// The same for light slot `slot` (0 to 7).
void SceneSetLight(Scene& scene, uint32_t slot, Light* light);
void SceneStoreRest(Scene& scene);
void SceneReleaseContexts(Scene& scene);
// Scene bindings in order, then every top-level group; sync is the frame's taken values.
void SceneAnimate(Scene& scene, float time, const SyncValues* sync);
// Deformers of every animated model at time (seconds).
void SceneUpdateModels(Scene& scene, float time);
// The whole render of the scene into target (null: the back buffer) at time; nothing without
// camera. Leaves depth test off and the overlay transform pushed (closed by the next render).
void SceneRender(Scene& scene, float time, Device& device, Texture* target);
void SceneRenderSubScenes(Scene& scene, Device& device, float time);
// One pass over the top-level nodes: ambient (summed ambient light, no sphere) or one walk per
// filled light slot with its cull sphere.
void SceneDrawPass(Scene& scene, Device& device, uint8_t ambient, uint8_t layer, uint8_t blended,
                   uint8_t special, uint8_t overlay, Texture* target);
// Copies the current colour target into FrameTargetC.
void SceneCopyTarget(Device& device, Scene& scene, Texture* target, uint8_t clear);
// Deep copy; textures, models and sub-scenes shared, bindings retargeted onto the copies.
Scene* SceneClone(const Scene& source);
// Frees the scene and everything it owns. Null does nothing.
void SceneDestroy(Scene* scene);
