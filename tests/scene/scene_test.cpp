// The scene graph: node dispatch by kind, deep clones with retargeted bindings, animation
// order, the replicators' placements and random draws; the timeline's clip choice, fades and
// note input.
#include <atomic>
#include <thread>

#include "scene/kind3_node.h"
#include "scene/light.h"
#include "scene_fixture.h"

namespace {

using scenetest::Placed;

SceneNode* AsNode(void* p) { return static_cast<SceneNode*>(p); }
AnimBinding* NewBinding() { return crt::AlignedNew<AnimBinding>(); }
AnimBinding* BindingAt(const List* list, uint32_t i) { return ListAtAs<AnimBinding>(*list, i); }

// A group owning one leaf template (first child), destroyed with the test.
struct Graph {
  GroupNode* group = GroupNodeCreate(nullptr);
  LeafNode* templ = LeafNodeCreate(nullptr, nullptr);
  uint32_t randState = crt::RandState();
  Graph() { GroupNodeAddChild(*group, AsNode(templ)); }
  ~Graph() { GroupNodeDestroy(group); }
  Matrix& At(uint32_t i) { return *SceneNodeMatrix(*ListAtAs<SceneNode>(*group->children, i)); }
  void Expect(uint32_t i, const Matrix& expected) {
    for (int e = 0; e < 16; ++e) EXPECT_NEAR(At(i).m[e], expected.m[e], 1e-4f) << i << "." << e;
  }
  // The child count and placements, and no random draw since the graph was made.
  void Check(uint32_t count, const std::vector<std::pair<uint32_t, Matrix>>& placements) {
    EXPECT_EQ(crt::RandState(), randState);
    ASSERT_EQ(ListCount(*group->children), count);
    for (const auto& [index, matrix] : placements) Expect(index, matrix);
  }
};

// A transform moves a leaf's matrix; kind 3 has no matrix (transforms do nothing) and clones
// blank. A leaf's SceneNodeClone starts at identity, LeafNodeClone copies the matrix. Unknown
// kinds are neither cloned nor freed.
TEST(SceneNode, DispatchByKind) {
  LeafNode* leaf = LeafNodeCreate(nullptr, reinterpret_cast<Model*>(0x2000));
  const Matrix t = Placed({1, 2, 3});
  SceneNodeTransform(*AsNode(leaf), t);
  const Vec4 p = SceneNodeGetPosition(*AsNode(leaf));
  EXPECT_TRUE(p.x == 1 && p.y == 2 && p.z == 3 && p.w == 0);
  SceneNode* fresh = SceneNodeClone(*AsNode(leaf));
  LeafNode* copy = LeafNodeClone(*leaf);
  EXPECT_TRUE(reinterpret_cast<LeafNode*>(fresh)->model == leaf->model &&
              SceneNodeGetPosition(*fresh).x == 0.0f);
  EXPECT_TRUE(copy->matrix != leaf->matrix && copy->matrix->m[12] == 1.0f);

  Kind3Node* k3 = Kind3NodeCreate();
  EXPECT_EQ(SceneNodeMatrix(*AsNode(k3)), nullptr);
  SceneNodeTransform(*AsNode(k3), t);
  EXPECT_EQ(SceneNodeGetPosition(*AsNode(k3)).x, 0.0f);
  k3->value1 = 5.0f;
  auto* blank = reinterpret_cast<Kind3Node*>(SceneNodeClone(*AsNode(k3)));
  ASSERT_TRUE(blank && blank->kind == 3 && blank->value1 == 0.0f);
  SceneNode unknown{7};
  EXPECT_EQ(SceneNodeClone(unknown), nullptr);
  SceneNodeDestroy(&unknown);
  for (SceneNode* node : {AsNode(blank), AsNode(k3), fresh, AsNode(copy), AsNode(leaf)})
    SceneNodeDestroy(node);
}

// A scene runs its own bindings, then its groups'; a group its own, then its child groups'
// (so on a shared target the deeper one wins). Store-rest takes the current target values as
// the rest of every binding. The animated models of a tree are collected once.
TEST(GroupNode, AnimateOrderStoreRestAndAnimatedModels) {
  Model animated{}, still{};
  animated.animated = 1;
  Scene* scene = SceneCreate();
  GroupNode* group = GroupNodeCreate(nullptr);
  GroupNode* inner = GroupNodeCreate(nullptr);
  SceneAddNode(*scene, AsNode(group));
  for (SceneNode* child : {AsNode(LeafNodeCreate(nullptr, &animated)),
                           AsNode(LeafNodeCreate(nullptr, &still)), AsNode(inner)})
    GroupNodeAddChild(*group, child);
  GroupNodeAddChild(*inner, AsNode(LeafNodeCreate(nullptr, &animated)));
  GroupNodeAddChild(*inner, AsNode(Kind3NodeCreate()));
  auto bind = [](Matrix* target, float x) {
    AnimBinding* b = AnimBindingInit(NewBinding(), target, 0);
    MatrixMakeTranslation(*b->rest, x, 0, 0);
    return b;
  };
  AnimBinding *fromScene = bind(group->matrix, 1), *fromGroup = bind(group->matrix, 2);
  SceneAddBinding(*scene, fromScene);
  GroupNodeAddBinding(*group, fromGroup);
  GroupNodeAddBinding(*group, bind(inner->matrix, 3));
  GroupNodeAddBinding(*inner, bind(inner->matrix, 4));
  SceneAnimate(*scene, 0.0f, nullptr);
  EXPECT_TRUE(group->matrix->m[12] == 2.0f && inner->matrix->m[12] == 4.0f);
  MatrixMakeTranslation(*group->matrix, 5, 0, 0);
  SceneStoreRest(*scene);
  EXPECT_TRUE(fromScene->rest->m[12] == 5.0f && fromGroup->rest->m[12] == 5.0f);
  GroupNodeCollectModels(*group, *scene);
  EXPECT_TRUE(ListCount(*scene->models) == 1 && ListAtAs<Model>(*scene->models, 0) == &animated);
  SceneDestroy(scene);
}

// Each replicator's count and placements. Grid cells lie around the origin (first cell at
// -n x spacing / 2 per axis, i outer, k inner), the template moved into cell (0, 0, 0);
// plane-grid cell (i, j) turns by (i a, j b); a ring puts the template at (0, 0, r) and its
// copies at equal angles about Y on the circle; a path step adds the step, the turn and
// multiplies scale and step (turned: the step is d turned by the current rotation).
// Reflected copies mirror each child present at the call through p (a leaf's clone starts at
// identity: p - (x - p)); kind-3 templates and children are not copied.
TEST(Replicators, CountsAndPlacements) {
  const GridCopies noJitter{2, 3, 4, 2, 1, 2, 0, 0, 0, 0, 0, 0, 0};
  Graph grid, none, plane, ring, empty, path, turned, reflected;
  GroupNodeAddGridCopies(*grid.group, *AsNode(grid.templ), noJitter);
  grid.Check(
      4, {{0, Placed({-2, -1.5f, -4})}, {1, Placed({-2, -1.5f, 0})}, {3, Placed({0, -1.5f, 0})}});
  GroupNodeAddGridCopies(*none.group, *AsNode(none.templ), {2, 2, 2, 0, 5, 5, 0, 0, 0, 0, 0, 0, 0});
  none.Check(1, {{0, Placed({0, -5, -5})}});
  GroupNodeAddPlaneGridCopies(*plane.group, *AsNode(plane.templ), 2, 2, 2, 2, 10, 20);
  plane.Check(4, {{3, Placed({0, 0, 0}, {10, 20, 0})}});
  GroupNodeAddRingCopies(*empty.group, *AsNode(empty.templ), 10, 0, 0, -2);
  empty.Check(1, {{0, Placed({0, 0, 10})}});
  GroupNodeAddRingCopies(*ring.group, *AsNode(ring.templ), 10, 0, 0, 3);
  ring.Check(4, {});
  for (uint32_t k = 1; k < 4; ++k) {
    Vec3 at{0, 0, 10};
    Vec3RotateEulerDeg(at, 0, 90.0f * k, 0);
    ring.Expect(k, Placed(at, {0, 90.0f * k, 0}));
  }
  const Vec3 d{1, 0, 0}, q{0, 90, 0}, f{2, 2, 2};
  GroupNodeAddPathCopies(*path.group, *AsNode(path.templ), d, q, f, 0, 2);
  path.Check(3, {{0, Placed({0, 0, 0})},
                 {1, Placed({1, 0, 0}, {0, 90, 0}, {2, 2, 2})},
                 {2, Placed({3, 0, 0}, {0, 180, 0}, {4, 4, 4})}});
  Vec3 step = d;
  Vec3RotateEulerDeg(step, 0, 90, 0);
  GroupNodeAddPathCopies(*turned.group, *AsNode(turned.templ), d, q, f, 1, 2);
  turned.Check(3, {{2, Placed({1 + step.x, 0, step.z}, {0, 180, 0}, {4, 4, 4})}});
  MatrixTranslate(*reflected.templ->matrix, 3, 0, 0);
  LeafNode* second = LeafNodeCreate(nullptr, nullptr);
  MatrixTranslate(*second->matrix, 0, 4, 0);
  GroupNodeAddChild(*reflected.group, AsNode(second));
  GroupNodeAddChild(*reflected.group, AsNode(Kind3NodeCreate()));
  GroupNodeAddReflectedCopies(*reflected.group, Vec3{1, 0, 0});
  reflected.Check(5, {{3, Placed({-1, 0, 0})}, {4, Placed({2, -4, 0})}});

  Kind3Node* k3 = Kind3NodeCreate();
  GroupNodeAddChild(*none.group, AsNode(k3));
  GroupNodeAddRingCopies(*none.group, *AsNode(k3), 1, 0, 0, 4);
  GroupNodeAddGridCopies(*none.group, *AsNode(k3), noJitter);
  none.Check(2, {});
}

// Grid jitter draws per cell, for each set flag, position x, y, z, rotation, scale (seed 5
// seeds with 4); without a seed the sequence continues.
TEST(Replicators, GridJitterDrawsPerSetFlagInOrder) {
  const float jp = 2.0f, jr = 30.0f, js = 0.5f;
  Graph seeded, unseeded;
  GridCopies grid{1, 1, 1, 2, 1, 1, jp, jr, js, 5, 1, 0, 1};  // jy clear
  GroupNodeAddGridCopies(*seeded.group, *AsNode(seeded.templ), grid);
  grid.seed = 0;
  GroupNodeAddGridCopies(*unseeded.group, *AsNode(unseeded.templ), grid);
  const uint32_t after = crt::RandState();
  crt::srand(4);
  auto r = [](float a) { return static_cast<float>(crt::rand()) * 3.0518509e-05f * a - a * 0.5f; };
  for (Graph* g : {&seeded, &unseeded}) {
    const float px = r(jp), pz = r(jp), rx = r(jr), rz = r(jr), sx = r(js), sz = r(js);
    g->Expect(1, Placed({px, -0.5f, -0.5f + pz}, {rx, 0, rz}, {1 + sx, 1, 1 + sz}));
  }
  EXPECT_EQ(crt::RandState(), after);
}

// A scene clone copies the values and owns its fog, camera, lights, sub-scene items and nodes
// (the sanitizer build sees a double free otherwise); groups are copied deep, kind-3 nodes not
// at all. Every binding, the scene's and the groups', targets the clone's own camera view (in
// view order), light and node copies; the source keeps its targets.
TEST(Scene, CloneIsDeepAndRetargetsBindings) {
  Scene* source = SceneCreate();
  source->glow = 0.25f;
  source->backgroundIntoA = 1;
  source->fog->enabled = 1;
  Camera* camera = source->camera = CameraInit(crt::AlignedNew<Camera>(), nullptr);
  CameraTranslateView(*camera, 0, 0, 10);
  CameraSetHeightFraction(*camera, 0.5f);
  Light* light = source->lights[2] = LightInit(crt::AlignedNew<Light>());
  light->range = 7.0f;
  GroupNode* group = GroupNodeCreate(nullptr);
  MatrixTranslate(*group->matrix, 0, 9, 0);
  LeafNode* leaf = LeafNodeCreate(nullptr, nullptr);
  GroupNode* inner = GroupNodeCreate(nullptr);
  for (SceneNode* child : {AsNode(leaf), AsNode(Kind3NodeCreate()), AsNode(inner)}) {
    GroupNodeAddChild(*group, child);
    if (child->kind != 3) GroupNodeAddBinding(*group, AnimBindingInitNode(NewBinding(), *child));
  }
  SceneAddNode(*source, AsNode(group));
  SceneAddNode(*source, AsNode(Kind3NodeCreate()));
  SceneAddBinding(*source, AnimBindingInitCamera(NewBinding(), *camera));
  SceneAddBinding(*source, AnimBindingInitLight(NewBinding(), *light));
  SceneAddBinding(*source, AnimBindingInitNode(NewBinding(), *AsNode(group)));
  Scene* target = SceneCreate();
  SceneAddSubScene(*source, crt::AlignedNew<SceneTarget>(target, nullptr, uint8_t{1}, 0.5f));

  Scene* clone = SceneClone(*source);
  EXPECT_TRUE(clone->glow == 0.25f && clone->backgroundIntoA == 1 && clone->fog->enabled == 1);
  ASSERT_TRUE(clone->camera && clone->lights[2] && !clone->lights[0]);
  EXPECT_TRUE(clone->camera->view->m[14] == -10.0f && clone->camera->heightFraction == 0.5f);
  EXPECT_EQ(clone->lights[2]->range, 7.0f);
  ASSERT_TRUE(ListCount(*clone->nodes) == 1 && ListCount(*clone->bindings) == 3);
  auto* copy = ListAtAs<GroupNode>(*clone->nodes, 0);
  EXPECT_TRUE(copy->matrix != group->matrix && copy->matrix->m[13] == 9.0f);
  ASSERT_TRUE(ListCount(*copy->children) == 2 && ListCount(*copy->bindings) == 2);
  auto* innerCopy = ListAtAs<GroupNode>(*copy->children, 1);
  const Matrix* targets[] = {clone->camera->view, clone->lights[2]->matrix, copy->matrix,
                             ListAtAs<LeafNode>(*copy->children, 0)->matrix, innerCopy->matrix};
  for (uint32_t i = 0; i < 5; ++i)
    EXPECT_EQ(BindingAt(i < 3 ? clone->bindings : copy->bindings, i % 3)->target, targets[i]) << i;
  EXPECT_EQ(BindingAt(clone->bindings, 0)->viewOrder, 1);
  EXPECT_EQ(BindingAt(group->bindings, 0)->target, leaf->matrix);
  EXPECT_TRUE(clone->lastBinding == BindingAt(clone->bindings, 2) &&
              copy->lastBinding == BindingAt(copy->bindings, 1) &&
              copy->lastChild == AsNode(innerCopy));
  ASSERT_EQ(ListCount(*clone->subScenes), 1u);
  const auto* item = ListAtAs<SceneTarget>(*clone->subScenes, 0);
  EXPECT_TRUE(item->scene == target && item->timeOffset == 0.5f && item->flag == 1);
  for (Scene* scene : {clone, source, target}) SceneDestroy(scene);
}

class TimelineTest : public testing::Test, public scenetest::OwnedTimeline {
 protected:
  void SetUp() override { timeline = TimelineCreate(nullptr); }
};

// A clip is current over [start, start + duration): a zero-length clip never is, the sum of
// the durations ends the production. A fade's alpha is 255 x the time left over the fade,
// rounded to nearest (127.5 to even).
TEST_F(TimelineTest, ClipChoiceAndFadeAlpha) {
  Add(nullptr, 2.0f);
  Add(nullptr, 0.0f, 1.0f, kClipColorFade);
  Add(nullptr, 3.0f);
  // time, the clip found (-1: none) and its start
  const std::tuple<float, int, float> clips[] = {
      {0.0f, 0, 0.0f}, {1.999f, 0, 0.0f}, {2.0f, 2, 2.0f}, {5.0f, -1, 0.0f}, {-0.001f, -1, 0.0f}};
  for (auto [t, clip, want] : clips) {
    float start = -1;
    EXPECT_EQ(TimelineFindClip(*timeline, t, start), clip) << t;
    EXPECT_TRUE(clip < 0 || start == want) << t << ": " << start;
  }
  for (auto [local, alpha] : {std::pair{0.0f, 255u}, {1.0f, 128u}, {1.5f, 64u}, {1.99f, 1u}})
    EXPECT_EQ(TimelineFadeAlpha(local, 2.0f), alpha) << local;
}

// A note adds velocity / 128 to its track's value; tracks outside 0..15 and a missing timeline
// are ignored. TimelineStart keeps the values and forgets the current scene.
TEST_F(TimelineTest, NotesAccumulateVelocityPerTrackAndNoneIsLostWhenTaken) {
  for (auto [track, velocity] : {std::pair{3, 64}, {3, 32}, {15, 128}, {16, 100}, {-1, 100}})
    TimelineOnNote(timeline, track, 60, velocity);
  TimelineOnNote(nullptr, 3, 60, 100);
  float sum = 0;
  for (float v : timeline->sync->value) sum += v;
  EXPECT_TRUE(timeline->sync->value[3] == 0.75f && timeline->sync->value[15] == 1.0f &&
              sum == 1.75f);
  timeline->currentScene = reinterpret_cast<Scene*>(0x40);
  TimelineStart();
  EXPECT_TRUE(timeline->currentScene == nullptr && timeline->sync->value[3] == 0.75f);

  // Notes arriving while the frames take the values: none is lost, none counted twice.
  SyncValuesTake(*timeline->sync);
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
  EXPECT_TRUE(taken == static_cast<float>(kNotes) && timeline->sync->value[5] == 0.0f) << taken;
}

}  // namespace
