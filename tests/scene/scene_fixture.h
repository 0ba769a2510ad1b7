#pragma once
// Fixtures of the scene suite. SceneTest is the rendering fixture plus the models and scenes a
// test makes, freed at tear-down. The view is the identity and the projection the default
// perspective, so a box placed at z = 5 fills the middle of the 64 x 64 target.
#include <deque>
#include <tuple>

#include "mesh/generators.h"
#include "platform/crt.h"
#include "scene/anim.h"
#include "scene/camera.h"
#include "scene/model.h"
#include "scene/node.h"
#include "scene/scene.h"
#include "scene/timeline.h"
#include "scene/transform_program.h"
#include "tests/support/render_fixture.h"

namespace scenetest {

// Translation, rotation (degrees, x then y then z) and scale, composed in that order.
inline Matrix Placed(Vec3 t, Vec3 r = {0, 0, 0}, Vec3 s = {1, 1, 1}) {
  Matrix m;
  MatrixInit(m);
  MatrixTranslate(m, t.x, t.y, t.z);
  MatrixRotateXYZ(m, r.x, r.y, r.z);
  MatrixScale(m, s.x, s.y, s.z);
  return m;
}

// Models, freed with their meshes by Clear or with the owner.
struct Models {
  std::vector<Model*> all;
  Model& New(Device* device) {
    return *all.emplace_back(ModelInit(crt::AlignedNew<Model>(), device));
  }
  void Clear() {
    for (Model* model : all) {
      ModelDestroyContents(*model);
      crt::AlignedDelete(model);
    }
    all.clear();
  }
  ~Models() { Clear(); }
};

class SceneTest : public rendertest::RenderTest {
 protected:
  void TearDown() override {
    for (Scene* scene : scenes_) SceneDestroy(scene);
    models_.Clear();  // before the device goes
    RenderTest::TearDown();
  }

  // A new model holding a closed box from (-h, -h, -h) to (h, h, h) in slot 0, not finished; its
  // faces take `material` where given.
  Model& Box(float h, Material* material = nullptr) {
    Model& model = models_.New(&device_);
    Mesh* box = MeshCreateBox(2 * h, 2 * h, 2 * h, material, &device_);
    ModelAddMesh(model, *box);
    MeshDestroy(box);
    return model;
  }
  // A finished box of half size 1 in `layer`; unlit it draws in the white of the default
  // image, lit it shows black in the ambient pass of a scene without lights.
  Model& FinishedBox(uint8_t layer, uint8_t lit, Material* material = nullptr) {
    Model& model = Box(1.0f, material);
    model.layer = layer;
    model.lit = lit;
    ModelFinish(model);
    return model;
  }
  // A new scene, with a camera on the device unless asked not to.
  Scene& NewScene(bool camera = true) {
    scenes_.push_back(SceneCreate());
    if (camera) scenes_.back()->camera = CameraInit(crt::AlignedNew<Camera>(), &device_);
    return *scenes_.back();
  }
  // A leaf of the model at z = 5 in the scene, or at z where asked (behind the camera at
  // z < 0, where nothing of it is drawn).
  LeafNode* AddLeaf(Scene& scene, Model* model, float z = 5.0f) {
    LeafNode* leaf = LeafNodeCreate(&device_, model);
    MatrixTranslate(*leaf->matrix, 0, 0, z);
    SceneAddNode(scene, reinterpret_cast<SceneNode*>(leaf));
    return leaf;
  }
  // A 4 x 4 image of one colour.
  Texture* Solid(uint32_t colour) { return Image(4, 4, std::vector<uint32_t>(16, colour)); }

  Models models_;

 private:
  std::vector<Scene*> scenes_;
};

using Bytes = std::vector<uint8_t>;

// add.s r0(xyzw), c14 (sync input 12); add.s r0(xyzw), 1.0; mov r1(xyzw), r0(xxxx); translate r1.
inline const Bytes kCounter = {0x80, 0xA0, 0xE4, 0xC0 | 14, 0x80, 0xA0, 0xE4,
                               0x40, 0x00, 0x00, 0x80,      0x3F, 0x0F, 0xA1,
                               0xE4, 0xA0, 0x00, 0x14,      0xA1, 0xE4, 0x00};
// A track: interpolation, loop flag, start, keys (time, x of a pure translation), programs.
struct TrackSpec {
  uint32_t interpolation;
  uint8_t loop;
  float start;
  std::vector<std::pair<float, float>> keys;
  std::vector<Bytes> programs;
};

// Owns the tracks, keys and programs a test builds (bindings never free shared records).
struct Tracks {
  std::deque<std::tuple<Vec3, Quaternion, TrackKey>> keys;  // what the key poses point at
  std::vector<AnimTrack*> tracks;
  std::vector<TransformProgram*> programs;

  ~Tracks() {
    for (AnimTrack* t : tracks) {
      ListDestroy(t->programs);
      ListDestroy(t->keys);
      crt::AlignedDelete(t);
    }
    for (TransformProgram* p : programs) TransformProgramDestroy(p);
  }
  AnimTrack* Make(const TrackSpec& spec) {
    AnimTrack* t = AnimTrackInit(crt::AlignedNew<AnimTrack>(), spec.interpolation, spec.loop);
    t->start = spec.start;
    AnimTrackUpdateEnd(*t);
    for (auto [time, x] : spec.keys) {
      auto& [position, rotation, key] =
          keys.emplace_back(Vec3{x, 0, 0}, Quaternion{0, 0, 0, 1}, TrackKey{});
      Pose pose;
      PoseInit(pose, &position, &rotation);
      AnimTrackAddKey(*t, TrackKeyInit(&key, pose, time));
    }
    for (const Bytes& code : spec.programs) {
      programs.push_back(TransformProgramCreate());
      TransformProgramAssign(*programs.back(), code.data(), static_cast<uint32_t>(code.size()));
      AnimTrackAddProgram(*t, programs.back());
    }
    return tracks.emplace_back(t);
  }
};

// The system keeps its timeline until the process ends and has no destroy for it; tests own
// what TimelineCreate made, and the clips they added, here.
struct OwnedTimeline {
  Timeline* timeline = nullptr;
  std::vector<Clip*> clips;

  // Adds a clip of the scene (null: none) to the timeline.
  void Add(Scene* scene, float duration, float fade = 0, uint32_t kind = 0, uint32_t colour = 0) {
    clips.push_back(crt::AlignedNew<Clip>(scene, duration, fade, kind, colour));
    TimelineAddClip(*timeline, clips.back());
  }
  ~OwnedTimeline() {
    if (!timeline) return;
    for (Clip* c : clips) crt::AlignedDelete(c);
    ListDestroy(timeline->clips);
    ListDestroy(timeline->fonts->fonts);
    ListDestroy(timeline->fonts->second);
    crt::AlignedDelete(timeline->fonts);
    crt::AlignedDelete(timeline->sync);
    crt::AlignedDelete(timeline);
    TimelineInstance = nullptr;
  }
};

}  // namespace scenetest
