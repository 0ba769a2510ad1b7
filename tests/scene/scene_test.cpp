// Scene bookkeeping (defaults, model list, animation order, deep clone, destruction) and the
// timeline's clip choice, fades and note input.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/crt.h"
#include "render/device.h"
#include "scene/anim.h"
#include "scene/camera.h"
#include "scene/kind3_node.h"
#include "scene/light.h"
#include "scene/node.h"
#include "scene/scene.h"
#include "scene/timeline.h"
#include "timeline_fixture.h"

namespace {

SceneNode* AsNode(void* p) { return static_cast<SceneNode*>(p); }

// A model is listed once however often it is added.
TEST(Scene, ModelsAreListedOnce) {
  Scene* scene = SceneCreate();
  Model* a = reinterpret_cast<Model*>(0x10);  // never dereferenced
  Model* b = reinterpret_cast<Model*>(0x20);
  for (Model* model : {a, b, a}) SceneAddModelUnique(*scene, model);
  EXPECT_EQ(ListCount(*scene->models), 2u);
  SceneDestroy(scene);
  SceneDestroy(nullptr);
}

TEST(Scene, AnimateRunsSceneBindingsBeforeGroupBindings) {
  Scene* scene = SceneCreate();
  GroupNode* group = GroupNodeCreate(nullptr);
  LeafNode* leaf = LeafNodeCreate(nullptr, nullptr);
  SceneAddNode(*scene, AsNode(group));
  SceneAddNode(*scene, AsNode(leaf));
  AnimBinding* fromScene = AnimBindingInit(crt::AlignedNew<AnimBinding>(), group->matrix, 0);
  AnimBinding* fromGroup = AnimBindingInit(crt::AlignedNew<AnimBinding>(), group->matrix, 0);
  MatrixMakeTranslation(*fromScene->rest, 1, 0, 0);
  MatrixMakeTranslation(*fromGroup->rest, 2, 0, 0);
  SceneAddBinding(*scene, fromScene);
  GroupNodeAddBinding(*group, fromGroup);
  EXPECT_EQ(scene->lastBinding, fromScene);
  SceneAnimate(*scene, 0.0f, nullptr);
  EXPECT_EQ(group->matrix->m[12], 2.0f);
  // Store-rest takes the current target values as the new rest of every binding.
  MatrixMakeTranslation(*group->matrix, 5, 0, 0);
  SceneStoreRest(*scene);
  EXPECT_EQ(fromScene->rest->m[12], 5.0f);
  EXPECT_EQ(fromGroup->rest->m[12], 5.0f);
  SceneDestroy(scene);
}

TEST(Scene, CloneCopiesValuesAndRetargetsBindings) {
  Device device{};
  device.width = 640;
  device.height = 480;
  Scene* source = SceneCreate();
  source->glow = 0.25f;
  source->backgroundIntoA = 1;
  source->overlayAlpha = 0.5f;
  source->fog->enabled = 1;
  source->camera = CameraInit(crt::AlignedNew<Camera>(), &device);
  CameraTranslateView(*source->camera, 0, 0, 10);
  source->lights[2] = LightInit(crt::AlignedNew<Light>());
  source->lights[2]->range = 7.0f;
  LeafNode* leaf = LeafNodeCreate(nullptr, nullptr);
  SceneAddNode(*source, AsNode(leaf));
  SceneAddNode(*source, AsNode(Kind3NodeCreate()));
  AnimBinding* onCamera = AnimBindingInitCamera(crt::AlignedNew<AnimBinding>(), *source->camera);
  AnimBinding* onLight = AnimBindingInitLight(crt::AlignedNew<AnimBinding>(), *source->lights[2]);
  AnimBinding* onLeaf = AnimBindingInitNode(crt::AlignedNew<AnimBinding>(), *AsNode(leaf));
  SceneAddBinding(*source, onCamera);
  SceneAddBinding(*source, onLight);
  SceneAddBinding(*source, onLeaf);
  Scene* target = SceneCreate();
  SceneTarget* item = crt::AlignedNew<SceneTarget>(target, nullptr, uint8_t{1}, 0.5f);
  SceneAddSubScene(*source, item);

  Scene* clone = SceneClone(*source);
  EXPECT_EQ(clone->glow, 0.25f);
  EXPECT_EQ(clone->backgroundIntoA, 1);
  EXPECT_EQ(clone->overlayAlpha, 0.5f);
  EXPECT_NE(clone->fog, source->fog);
  EXPECT_EQ(clone->fog->enabled, 1);
  ASSERT_NE(clone->camera, nullptr);
  EXPECT_NE(clone->camera, source->camera);
  EXPECT_EQ(clone->camera->view->m[14], -10.0f);
  EXPECT_EQ(clone->camera->aspect, source->camera->aspect);
  ASSERT_NE(clone->lights[2], nullptr);
  EXPECT_EQ(clone->lights[2]->range, 7.0f);
  EXPECT_EQ(clone->lights[0], nullptr);
  ASSERT_EQ(ListCount(*clone->nodes), 1u);  // the kind-3 node has no copy
  auto* leafCopy = ListAtAs<LeafNode>(*clone->nodes, 0);
  ASSERT_EQ(ListCount(*clone->bindings), 3u);
  EXPECT_EQ(ListAtAs<AnimBinding>(*clone->bindings, 0)->target, clone->camera->view);
  EXPECT_EQ(ListAtAs<AnimBinding>(*clone->bindings, 0)->viewOrder, 1);
  EXPECT_EQ(ListAtAs<AnimBinding>(*clone->bindings, 1)->target, clone->lights[2]->matrix);
  EXPECT_EQ(ListAtAs<AnimBinding>(*clone->bindings, 2)->target, leafCopy->matrix);
  EXPECT_EQ(clone->lastBinding, ListAtAs<AnimBinding>(*clone->bindings, 2));
  ASSERT_EQ(ListCount(*clone->subScenes), 1u);
  auto* itemCopy = ListAtAs<SceneTarget>(*clone->subScenes, 0);
  EXPECT_NE(itemCopy, item);
  EXPECT_EQ(itemCopy->scene, target);
  EXPECT_EQ(itemCopy->timeOffset, 0.5f);
  SceneDestroy(clone);
  SceneDestroy(source);
  SceneDestroy(target);
}

TEST(Camera, InitCloneAndViewOperations) {
  Device device{};
  device.width = 800;
  device.height = 400;
  Camera camera;
  CameraInit(&camera, &device);
  EXPECT_EQ(camera.aspect, 2.0);
  EXPECT_EQ(camera.fieldOfView, 60.0);
  EXPECT_EQ(camera.viewport->w, 800u);
  CameraSetViewport(camera, 0, 10, 300, 200);
  EXPECT_EQ(camera.aspect, 1.5);
  CameraTranslateView(camera, 1, 2, 3);
  EXPECT_EQ(camera.view->m[12], -1.0f);
  EXPECT_EQ(camera.view->m[14], -3.0f);
  CameraSetHeightFraction(camera, 0.5f);
  Camera* clone = CameraClone(camera);
  EXPECT_EQ(clone->viewport->y, 10u);
  EXPECT_EQ(clone->aspect, 1.5);
  EXPECT_EQ(clone->heightFraction, 0.5f);
  EXPECT_EQ(clone->view->m[13], -2.0f);
  CameraResetView(camera);
  EXPECT_EQ(camera.view->m[12], 0.0f);
  EXPECT_EQ(clone->view->m[12], -1.0f);
  CameraCleanup(*clone);
  crt::AlignedDelete(clone);
  CameraCleanup(camera);
}

TEST(Light, CloneOwnsItsMatrix) {
  Light light;
  LightInit(&light);
  light.diffuse[2] = 0.5f;
  MatrixTranslate(*light.matrix, 1, 2, 3);
  Light* clone = LightClone(light);
  EXPECT_EQ(clone->diffuse[2], 0.5f);
  EXPECT_EQ(clone->matrix->m[13], 2.0f);
  LightSetDefaults(light);
  EXPECT_EQ(clone->matrix->m[13], 2.0f);
  LightCleanup(*clone);
  crt::AlignedDelete(clone);
  LightCleanup(light);
}

class TimelineTest : public ::testing::Test {
 protected:
  void SetUp() override { timeline = TimelineCreate(nullptr); }
  void TearDown() override { scenetest::DestroyTimeline(timeline, clips); }
  void Add(float duration, float fade = 0.0f, uint32_t kind = 0) {
    Clip* c = crt::AlignedNew<Clip>(nullptr, duration, fade, kind, 0u);
    clips.push_back(c);
    TimelineAddClip(*timeline, c);
  }
  Timeline* timeline;
  std::vector<Clip*> clips;
};

TEST_F(TimelineTest, ClipChoiceUsesHalfOpenIntervals) {
  Add(2.0f);
  Add(0.0f, 1.0f, kClipColorFade);
  Add(3.0f);
  EXPECT_EQ(TimelineInstance, timeline);
  float acc = -1;
  EXPECT_EQ(TimelineFindClip(*timeline, 0.0f, acc), 0);
  EXPECT_EQ(acc, 0.0f);
  EXPECT_EQ(TimelineFindClip(*timeline, 1.999f, acc), 0);
  EXPECT_EQ(TimelineFindClip(*timeline, 2.0f, acc), 2) << "the zero-length clip is never current";
  EXPECT_EQ(acc, 2.0f);
  EXPECT_EQ(TimelineFindClip(*timeline, 5.0f, acc), -1) << "the sum of durations ends it";
  EXPECT_EQ(TimelineFindClip(*timeline, -0.001f, acc), -1);
}

TEST_F(TimelineTest, FadeAlphaRoundsToNearest) {
  EXPECT_EQ(TimelineFadeAlpha(0.0f, 2.0f), 255u);
  EXPECT_EQ(TimelineFadeAlpha(1.0f, 2.0f), 128u);  // 127.5 rounds to even
  EXPECT_EQ(TimelineFadeAlpha(1.5f, 2.0f), 64u);   // 63.75
  EXPECT_EQ(TimelineFadeAlpha(1.99f, 2.0f), 1u);
}

TEST_F(TimelineTest, NotesAccumulateVelocityPerTrack) {
  TimelineOnNote(timeline, 3, 60, 64);
  TimelineOnNote(timeline, 3, 61, 32);
  TimelineOnNote(timeline, 15, 61, 128);
  EXPECT_EQ(timeline->sync->value[3], 0.75f);
  EXPECT_EQ(timeline->sync->value[15], 1.0f);
  TimelineOnNote(timeline, 16, 60, 100);
  TimelineOnNote(timeline, -1, 60, 100);
  TimelineOnNote(nullptr, 3, 60, 100);
  float sum = 0;
  for (float v : timeline->sync->value) sum += v;
  EXPECT_EQ(sum, 1.75f);
  // TimelineStart keeps the sync values and forgets the current scene.
  timeline->currentScene = reinterpret_cast<Scene*>(0x40);
  TimelineStart();
  EXPECT_EQ(timeline->currentScene, nullptr);
  EXPECT_EQ(timeline->sync->value[3], 0.75f);
}

// Notes arriving while the frames take the values: none is lost, none counted twice.
TEST_F(TimelineTest, TakingTheValuesLosesNoNote) {
  constexpr int kNotes = 1000000;  // a sum of whole numbers below 2^24: exact in float
  std::atomic<bool> taking{false}, done{false};
  std::thread sequencer([&] {
    while (!taking) continue;  // both threads busy at once
    for (int i = 0; i < kNotes; ++i) TimelineOnNote(timeline, 5, 60, 128);
    done = true;
  });
  float taken = 0.0f;
  for (taking = true; !done;) taken += SyncValuesTake(*timeline->sync).value[5];
  sequencer.join();
  taken += SyncValuesTake(*timeline->sync).value[5];
  EXPECT_EQ(taken, static_cast<float>(kNotes));
  EXPECT_EQ(timeline->sync->value[5], 0.0f);
}

}  // namespace
