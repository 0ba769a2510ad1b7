// Opcodes 3 and 9: groups of placed children with replicated copies, and scenes.
#include "loader/builder_common.h"
#include "loader/builders.h"
#include "math/matrix.h"
#include "math/vec.h"
#include "platform/crt.h"
#include "scene/anim.h"
#include "scene/camera.h"
#include "scene/kind3_node.h"
#include "scene/light.h"
#include "scene/model.h"
#include "scene/node.h"
#include "scene/scene.h"

namespace {

// Levels of group nodes from `node` down (0 for a leaf or kind-3 node).
uint32_t GroupDepth(const SceneNode& node) {
  if (node.kind != kNodeGroup) return 0;
  uint32_t deepest = 0;
  for (const SceneNode* child :
       ListItems<const SceneNode>(*reinterpret_cast<const GroupNode&>(node).children)) {
    if (child) {
      uint32_t depth = GroupDepth(*child);
      if (depth > deepest) deepest = depth;
    }
  }
  return deepest + 1;
}

AnimBinding* NodeBinding(SceneNode& node) {
  return AnimBindingInitNode(crt::AlignedNew<AnimBinding>(), node);
}

// The child of group sub-ops 1 to 3 (scene sub-ops 1, 4 and 5 alike), placed by the transform:
// a leaf from identity, a group copy after its own matrix, a kind-3 node not at all (it has
// no matrix). Null when the reference does not resolve or a group copy would nest too deep.
SceneNode* ReadPlacedNode(SceneReader& reader, uint32_t kind) {
  void* ref = (kind == kNodeLeaf)    ? static_cast<void*>(ReadModelRef(reader))
              : (kind == kNodeGroup) ? static_cast<void*>(ReadGroupRef(reader))
                                     : static_cast<void*>(ReadKind3NodeRef(reader));
  ScriptTransform t = ReadTransform(reader);
  SceneNode* node = nullptr;
  if (kind == kNodeLeaf && ref) {
    LeafNode* leaf = ModelCreateLeafNode(*static_cast<Model*>(ref));
    MatrixSetIdentity(*leaf->matrix);
    node = reinterpret_cast<SceneNode*>(leaf);
  } else if (kind == kNodeGroup && ref) {
    auto& source = *static_cast<GroupNode*>(ref);
    if (GroupDepth(reinterpret_cast<SceneNode&>(source)) >= kScriptMaxGroupDepth) return nullptr;
    node = reinterpret_cast<SceneNode*>(GroupNodeClone(source));
  } else if (kind == kNodeKind3) {  // the referenced node is not used: a blank one
    return reinterpret_cast<SceneNode*>(Kind3NodeCreate());
  }
  if (Matrix* m = node ? SceneNodeMatrix(*node) : nullptr) ApplyTransform(*m, t);
  return node;
}

Vec3 ReadVec3(SceneReader& reader) {
  Vec3 v;
  v.x = ReadFixed16(reader);
  v.y = ReadFixed16(reader);
  v.z = ReadFixed16(reader);
  return v;
}

// Group sub-ops 4 to 7: copies of the last placed child (copies never become it); without a
// child they read and do nothing.
void ReadCopies(SceneReader& r, GroupNode& group, SceneNode* templ, uint32_t sub) {
  if (sub == 4) {
    Vec3 d = ReadVec3(r), q = ReadVec3(r), f = ReadVec3(r);
    uint8_t turn = ReadByte(r) != 0;
    int32_t count = static_cast<int32_t>(ReadByte(r));
    if (templ) GroupNodeAddPathCopies(group, *templ, d, q, f, turn, count);
  } else if (sub == 5) {
    float sx = ReadFixed16(r), sy = ReadFixed16(r);
    int32_t nx = static_cast<int32_t>(ReadByte(r)), ny = static_cast<int32_t>(ReadByte(r));
    float a = ReadFixed16(r), b = ReadFixed16(r);
    if (templ) GroupNodeAddPlaneGridCopies(group, *templ, sx, sy, nx, ny, a, b);
  } else if (sub == 6) {
    GridCopies g;
    Vec3 s = ReadVec3(r);
    g.sx = s.x, g.sy = s.y, g.sz = s.z;
    g.nx = static_cast<int32_t>(ReadByte(r));
    g.ny = static_cast<int32_t>(ReadByte(r));
    g.nz = static_cast<int32_t>(ReadByte(r));
    Vec3 j = ReadVec3(r);
    g.jitterPosition = j.x, g.jitterRotation = j.y, g.jitterScale = j.z;
    g.seed = static_cast<int32_t>(ReadByte(r));
    g.jx = ReadByte(r) != 0, g.jy = ReadByte(r) != 0, g.jz = ReadByte(r) != 0;
    if (templ) GroupNodeAddGridCopies(group, *templ, g);
  } else if (sub == 7) {
    float radius = ReadFixed16(r);
    int32_t count = static_cast<int32_t>(ReadByte(r));
    float a = ReadFixed16(r), b = ReadFixed16(r);
    if (templ) GroupNodeAddRingCopies(group, *templ, radius, a, b, count);
  }
}

}  // namespace

void BuildGroup(SceneReader& reader) {
  GroupNode* group = GroupNodeCreate(reader.device);
  SceneNode* lastChild = nullptr;
  AnimBinding* lastBinding = nullptr;
  ReadSubOps(reader, [&](uint32_t sub) {
    if (sub >= 1 && sub <= 3) {
      const uint32_t kinds[] = {kNodeLeaf, kNodeKind3, kNodeGroup};
      SceneNode* node = ReadPlacedNode(reader, kinds[sub - 1]);
      if (!node) return;
      GroupNodeAddChild(*group, node);
      lastChild = node;
      lastBinding = NodeBinding(*node);
      GroupNodeAddBinding(*group, lastBinding);
    } else if (sub >= 4 && sub <= 7) {
      ReadCopies(reader, *group, lastChild, sub);
    } else if (sub == 8) {
      AnimTrack* track = ReadTrackRef(reader);
      if (track && lastBinding) AnimBindingAddTrack(*lastBinding, track);
    } else if (sub == 9) {
      Vec3 p = ReadVec3(reader);
      GroupNodeAddReflectedCopies(*group, p);
    }
  });
  ListAppend(*reader.lists[kListGroups], group);
}

namespace {

// Scene sub-ops 1, 4 and 5: a placed node with its binding.
AnimBinding* AddSceneNode(SceneReader& reader, Scene& scene, uint32_t kind) {
  SceneNode* node = ReadPlacedNode(reader, kind);
  if (!node) return nullptr;
  SceneAddNode(scene, node);
  if (kind == kNodeLeaf) {
    Model* model = reinterpret_cast<LeafNode*>(node)->model;
    if (model->animated) SceneAddModelUnique(scene, model);
  } else if (kind == kNodeGroup) {
    GroupNodeCollectModels(*reinterpret_cast<GroupNode*>(node), scene);
  }
  return NodeBinding(*node);
}

// Sub-op 2: a copy of a template camera, its view placed by the transform.
AnimBinding* AddCamera(SceneReader& reader, Scene& scene) {
  Camera* source = ReadCameraRef(reader);
  ScriptTransform t = ReadTransform(reader);
  if (!source) return nullptr;
  Camera* camera = CameraClone(*source);
  CameraResetView(*camera);
  CameraTranslateView(*camera, t.translate[0], t.translate[1], t.translate[2]);
  CameraRotateView(*camera, t.rotate[0], t.rotate[1], t.rotate[2]);
  CameraScaleView(*camera, t.scale[0], t.scale[1], t.scale[2]);
  SceneSetCamera(scene, camera);
  return AnimBindingInitCamera(crt::AlignedNew<AnimBinding>(), *camera);
}

// Sub-op 3: a copy of a template light at a position, in slot min(slot, 7).
AnimBinding* AddLight(SceneReader& reader, Scene& scene) {
  Light* source = ReadLightRef(reader);
  uint32_t slot = ReadByte(reader);
  Vec3 p = ReadVec3(reader);
  if (!source) return nullptr;
  Light* light = LightClone(*source);
  MatrixMakeTranslation(*light->matrix, p.x, p.y, p.z);
  SceneSetLight(scene, slot < kSceneLightSlots ? slot : kSceneLightSlots - 1, light);
  return AnimBindingInitLight(crt::AlignedNew<AnimBinding>(), *light);
}

void ReadFog(SceneReader& reader, Scene& scene) {
  FogSettings& fog = *scene.fog;
  fog.enabled = 1;
  fog.start = ReadFixed16(reader);
  fog.end = ReadFixed16(reader);
  fog.color = ReadColor(reader);
  if (fog.end == fog.start) fog.end = fog.start + 1.0f / 256.0f;  // the fog ramp divides by it
}

// Sub-ops 9 and 10: the background and overlay layers.
void ReadLayer(SceneReader& reader, Scene& scene, uint32_t sub) {
  Texture* texture = ReadTextureRef(reader);
  float u = ReadFixed8(reader), v = ReadFixed8(reader);
  uint32_t byte = ReadByte(reader);
  if (sub == 9) {
    if (!texture) return;
    scene.background = texture;
    scene.backgroundUExtent = u;
    scene.backgroundVScale = v;
    scene.backgroundIntoA = byte != 0;
    return;
  }
  uint32_t mode = ReadByte(reader);
  if (!texture) return;
  scene.overlay = texture;
  scene.overlayUExtent = u;
  scene.overlayVScale = v;
  scene.overlayAlpha = static_cast<float>(byte) * static_cast<float>(1.0 / 255.0);
  const uint32_t blends[4][3] = {{2, 2, 1}, {2, 2, 3}, {5, 6, 1}, {9, 1, 1}};  // ONE/ONE/ADD ...
  if (mode >= 1 && mode <= 4) {
    scene.overlaySourceBlend = blends[mode - 1][0];
    scene.overlayDestinationBlend = blends[mode - 1][1];
    scene.overlayBlendOperation = blends[mode - 1][2];
  }
}

void ReadSubScene(SceneReader& reader, Scene& scene) {
  Scene* source = ReadSceneRef(reader);
  Texture* texture = ReadTextureRef(reader);
  uint8_t flag = ReadByte(reader) != 0;
  float offset = ReadFixed16(reader);
  if (!source || !texture) return;
  SceneAddSubScene(scene, crt::AlignedNew<SceneTarget>(source, texture, flag, offset));
}

// One scene sub-op; `scene` may be replaced (sub-op 11), `last` is the builder's last binding.
void ApplySceneSubOp(SceneReader& reader, Scene*& scene, AnimBinding*& last, uint32_t sub) {
  AnimBinding* made = nullptr;
  switch (sub) {
    case 1: made = AddSceneNode(reader, *scene, kNodeLeaf); break;
    case 2: made = AddCamera(reader, *scene); break;
    case 3: made = AddLight(reader, *scene); break;
    case 4: made = AddSceneNode(reader, *scene, kNodeKind3); break;
    case 5: made = AddSceneNode(reader, *scene, kNodeGroup); break;
    case 6:
      if (AnimTrack* track = ReadTrackRef(reader); track && last) AnimBindingAddTrack(*last, track);
      return;
    case 7: ReadFog(reader, *scene); return;
    case 8:
      ReadByte(reader);
      ReadByte(reader);
      return;
    case 9:
    case 10: ReadLayer(reader, *scene, sub); return;
    case 11:
      if (Scene* source = ReadSceneRef(reader)) {
        SceneDestroy(scene);
        scene = SceneClone(*source);
        last = nullptr;  // the copy starts like a new scene: nothing to bind tracks to
      }
      return;
    case 12: ReadSubScene(reader, *scene); return;
    default: return;
  }
  if (!made) return;
  SceneAddBinding(*scene, made);
  last = made;
}

}  // namespace

void BuildScene(SceneReader& reader) {
  Scene* scene = SceneCreate();
  scene->headerValue = ReadFixed16(reader);
  scene->clearColor = ReadColor(reader);
  scene->glow = ReadFixed8(reader);
  AnimBinding* last = nullptr;
  ReadSubOps(reader, [&](uint32_t sub) { ApplySceneSubOp(reader, scene, last, sub); });
  ListAppend(*reader.lists[kListScenes], scene);
}
