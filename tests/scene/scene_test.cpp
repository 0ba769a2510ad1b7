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

// A clone copies the values and owns its fog, camera, lights and sub-scene items (the
// sanitizer build sees a double free otherwise); its bindings target its own camera view,
// light and node copies, the camera's in view order. Kind-3 nodes are not copied.
TEST(Scene, CloneCopiesValuesAndRetargetsBindings) {
  Device device{};
  device.width = 640;
  device.height = 480;
  Scene* source = SceneCreate();
  source->glow = 0.25f;
  source->backgroundIntoA = 1;
  source->fog->enabled = 1;
  source->camera = CameraInit(crt::AlignedNew<Camera>(), &device);
  CameraTranslateView(*source->camera, 0, 0, 10);
  CameraSetHeightFraction(*source->camera, 0.5f);
  source->lights[2] = LightInit(crt::AlignedNew<Light>());
  source->lights[2]->range = 7.0f;
  LeafNode* leaf = LeafNodeCreate(nullptr, nullptr);
  SceneAddNode(*source, AsNode(leaf));
  SceneAddNode(*source, AsNode(Kind3NodeCreate()));
  SceneAddBinding(*source, AnimBindingInitCamera(crt::AlignedNew<AnimBinding>(), *source->camera));
  SceneAddBinding(*source,
                  AnimBindingInitLight(crt::AlignedNew<AnimBinding>(), *source->lights[2]));
  SceneAddBinding(*source, AnimBindingInitNode(crt::AlignedNew<AnimBinding>(), *AsNode(leaf)));
  Scene* target = SceneCreate();
  SceneAddSubScene(*source, crt::AlignedNew<SceneTarget>(target, nullptr, uint8_t{1}, 0.5f));

  Scene* clone = SceneClone(*source);
  EXPECT_TRUE(clone->glow == 0.25f && clone->backgroundIntoA == 1 && clone->fog->enabled == 1);
  ASSERT_NE(clone->camera, nullptr);
  EXPECT_EQ(clone->camera->view->m[14], -10.0f);
  EXPECT_EQ(clone->camera->heightFraction, 0.5f);
  ASSERT_NE(clone->lights[2], nullptr);
  EXPECT_EQ(clone->lights[2]->range, 7.0f);
  EXPECT_EQ(clone->lights[0], nullptr);
  ASSERT_EQ(ListCount(*clone->nodes), 1u);
  ASSERT_EQ(ListCount(*clone->bindings), 3u);
  const Matrix* targets[] = {clone->camera->view, clone->lights[2]->matrix,
                             ListAtAs<LeafNode>(*clone->nodes, 0)->matrix};
  for (uint32_t i = 0; i < 3; ++i)
    EXPECT_EQ(ListAtAs<AnimBinding>(*clone->bindings, i)->target, targets[i]) << i;
  EXPECT_EQ(ListAtAs<AnimBinding>(*clone->bindings, 0)->viewOrder, 1);
  EXPECT_EQ(clone->lastBinding, ListAtAs<AnimBinding>(*clone->bindings, 2));
  ASSERT_EQ(ListCount(*clone->subScenes), 1u);
  const auto* item = ListAtAs<SceneTarget>(*clone->subScenes, 0);
  EXPECT_TRUE(item->scene == target && item->timeOffset == 0.5f && item->flag == 1);
  for (Scene* scene : {clone, source, target}) SceneDestroy(scene);
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

// A clip is current over [start, start + duration): a zero-length clip never is, the sum of
// the durations ends the production. A fade's alpha is 255 x the time left over the fade,
// rounded to nearest (127.5 to even).
TEST_F(TimelineTest, ClipChoiceAndFadeAlpha) {
  Add(2.0f);
  Add(0.0f, 1.0f, kClipColorFade);
  Add(3.0f);
  EXPECT_EQ(TimelineInstance, timeline);
  const struct {
    float t;
    int clip;
    float start;
  } clips[] = {
      {0.0f, 0, 0.0f}, {1.999f, 0, 0.0f}, {2.0f, 2, 2.0f}, {5.0f, -1, -1}, {-0.001f, -1, -1}};
  for (const auto& c : clips) {
    float start = -1;
    EXPECT_EQ(TimelineFindClip(*timeline, c.t, start), c.clip) << c.t;
    if (c.clip >= 0) EXPECT_EQ(start, c.start) << c.t;
  }
  const struct {
    float local;
    uint32_t alpha;
  } fades[] = {{0.0f, 255}, {1.0f, 128}, {1.5f, 64}, {1.99f, 1}};
  for (const auto& f : fades) EXPECT_EQ(TimelineFadeAlpha(f.local, 2.0f), f.alpha) << f.local;
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
