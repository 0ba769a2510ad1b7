// Scene-graph nodes: dispatch by kind, deep clones with retargeted bindings, and the
// replicators' placements and random draws.
#include <gtest/gtest.h>

#include <vector>

#include "platform/crt.h"
#include "scene/anim.h"
#include "scene/kind3_node.h"
#include "scene/model.h"
#include "scene/node.h"
#include "scene/scene.h"

namespace {

SceneNode* AsNode(void* p) { return static_cast<SceneNode*>(p); }

Matrix Identity() {
  Matrix m;
  MatrixInit(m);
  return m;
}

void ExpectMatrixNear(const Matrix& a, const Matrix& b) {
  for (int i = 0; i < 16; ++i) EXPECT_NEAR(a.m[i], b.m[i], 1e-4f) << "element " << i;
}

// A group owning one leaf template (first child), destroyed with the test.
struct Graph {
  Model* model = reinterpret_cast<Model*>(0x1000);  // never dereferenced by these operations
  GroupNode* group = GroupNodeCreate(nullptr);
  LeafNode* templ = LeafNodeCreate(nullptr, model);
  Graph() { GroupNodeAddChild(*group, AsNode(templ)); }
  ~Graph() { GroupNodeDestroy(group); }
  uint32_t Count() const { return ListCount(*group->children); }
  Matrix& MatrixAt(uint32_t i) {
    return *SceneNodeMatrix(*ListAtAs<SceneNode>(*group->children, i));
  }
};

TEST(SceneNode, DispatchByKindAndKind3HasNoMatrix) {
  LeafNode* leaf = LeafNodeCreate(nullptr, nullptr);
  Matrix t;
  MatrixMakeTranslation(t, 1, 2, 3);
  SceneNodeTransform(*AsNode(leaf), t);
  SceneNodeTransform(*AsNode(leaf), t);
  Vec4 p = SceneNodeGetPosition(*AsNode(leaf));
  EXPECT_EQ(p.x, 2.0f);
  EXPECT_EQ(p.y, 4.0f);
  EXPECT_EQ(p.z, 6.0f);
  EXPECT_EQ(p.w, 0.0f);
  SceneNodeResetMatrix(*AsNode(leaf));
  EXPECT_EQ(SceneNodeGetPosition(*AsNode(leaf)).x, 0.0f);

  Kind3Node* k3 = Kind3NodeCreate();
  EXPECT_EQ(k3->kind, 3u);
  EXPECT_EQ(SceneNodeMatrix(*AsNode(k3)), nullptr);
  SceneNodeTransform(*AsNode(k3), t);  // no matrix: nothing happens
  EXPECT_EQ(SceneNodeGetPosition(*AsNode(k3)).x, 0.0f);
  k3->value1 = 5.0f;
  SceneNode* blank = SceneNodeClone(*AsNode(k3));
  ASSERT_NE(blank, nullptr);
  EXPECT_EQ(blank->kind, 3u);
  EXPECT_EQ(reinterpret_cast<Kind3Node*>(blank)->value1, 0.0f);
  SceneNode unknown{7};
  EXPECT_EQ(SceneNodeClone(unknown), nullptr);
  SceneNodeDestroy(&unknown);  // unknown kinds are not freed
  SceneNodeDestroy(blank);
  SceneNodeDestroy(AsNode(k3));
  Kind3NodeDestroy(nullptr);
  SceneNodeDestroy(AsNode(leaf));
}

TEST(SceneNode, LeafCloneKindsDifferInTheMatrix) {
  Model* model = reinterpret_cast<Model*>(0x2000);
  LeafNode* leaf = LeafNodeCreate(nullptr, model);
  MatrixTranslate(*leaf->matrix, 4, 0, 0);
  SceneNode* fresh = SceneNodeClone(*AsNode(leaf));  // identity
  LeafNode* copy = LeafNodeClone(*leaf);             // matrix copied
  EXPECT_EQ(reinterpret_cast<LeafNode*>(fresh)->model, model);
  EXPECT_EQ(SceneNodeGetPosition(*fresh).x, 0.0f);
  EXPECT_EQ(copy->matrix->m[12], 4.0f);
  EXPECT_NE(copy->matrix, leaf->matrix);
  SceneNodeDestroy(fresh);
  SceneNodeDestroy(AsNode(copy));
  SceneNodeDestroy(AsNode(leaf));
}

TEST(GroupNode, CloneIsDeepAndRetargetsBindingsOntoClonedChildren) {
  GroupNode* group = GroupNodeCreate(nullptr);
  MatrixTranslate(*group->matrix, 0, 9, 0);
  LeafNode* leaf = LeafNodeCreate(nullptr, nullptr);
  GroupNode* inner = GroupNodeCreate(nullptr);
  Kind3Node* k3 = Kind3NodeCreate();
  GroupNodeAddChild(*group, AsNode(leaf));
  GroupNodeAddChild(*group, AsNode(k3));
  GroupNodeAddChild(*group, AsNode(inner));
  AnimBinding* onLeaf = AnimBindingInitNode(crt::AlignedNew<AnimBinding>(), *AsNode(leaf));
  AnimBinding* onInner = AnimBindingInitNode(crt::AlignedNew<AnimBinding>(), *AsNode(inner));
  GroupNodeAddBinding(*group, onLeaf);
  GroupNodeAddBinding(*group, onInner);

  GroupNode* clone = GroupNodeClone(*group);
  ASSERT_EQ(ListCount(*clone->children), 2u);  // the kind-3 child has no copy
  auto* leafCopy = ListAtAs<LeafNode>(*clone->children, 0);
  auto* innerCopy = ListAtAs<GroupNode>(*clone->children, 1);
  EXPECT_EQ(leafCopy->kind, 0u);
  EXPECT_EQ(innerCopy->kind, 1u);
  EXPECT_EQ(clone->matrix->m[13], 9.0f);
  EXPECT_NE(clone->matrix, group->matrix);
  ASSERT_EQ(ListCount(*clone->bindings), 2u);
  EXPECT_EQ(ListAtAs<AnimBinding>(*clone->bindings, 0)->target, leafCopy->matrix);
  EXPECT_EQ(ListAtAs<AnimBinding>(*clone->bindings, 1)->target, innerCopy->matrix);
  EXPECT_EQ(clone->lastBinding, ListAtAs<AnimBinding>(*clone->bindings, 1));
  EXPECT_EQ(clone->lastChild, AsNode(innerCopy));
  // The source keeps its own targets.
  EXPECT_EQ(onLeaf->target, leaf->matrix);
  GroupNodeDestroy(clone);
  GroupNodeDestroy(group);
}

TEST(GroupNode, AnimateVisitsOwnBindingsThenChildGroupsAndCollectsAnimatedModelsOnce) {
  Model animated{};
  animated.animated = 1;
  Model still{};
  GroupNode* group = GroupNodeCreate(nullptr);
  GroupNode* inner = GroupNodeCreate(nullptr);
  GroupNodeAddChild(*group, AsNode(LeafNodeCreate(nullptr, &animated)));
  GroupNodeAddChild(*group, AsNode(LeafNodeCreate(nullptr, &still)));
  GroupNodeAddChild(*group, AsNode(inner));
  GroupNodeAddChild(*inner, AsNode(LeafNodeCreate(nullptr, &animated)));
  GroupNodeAddChild(*inner, AsNode(Kind3NodeCreate()));

  // Both bindings move the same matrix: the inner group's binding runs last and wins.
  AnimBinding* outer = AnimBindingInit(crt::AlignedNew<AnimBinding>(), inner->matrix, 0);
  AnimBinding* deeper = AnimBindingInit(crt::AlignedNew<AnimBinding>(), inner->matrix, 0);
  MatrixMakeTranslation(*outer->rest, 1, 0, 0);
  MatrixMakeTranslation(*deeper->rest, 2, 0, 0);
  GroupNodeAddBinding(*group, outer);
  GroupNodeAddBinding(*inner, deeper);
  GroupNodeAnimate(*group, 0.0f, nullptr);
  EXPECT_EQ(inner->matrix->m[12], 2.0f);

  Scene* scene = SceneCreate();
  GroupNodeCollectModels(*group, *scene);
  ASSERT_EQ(ListCount(*scene->models), 1u);
  EXPECT_EQ(ListAtAs<Model>(*scene->models, 0), &animated);
  SceneDestroy(scene);
  GroupNodeDestroy(group);
}

TEST(Replicators, GridPlacesCellsAroundTheOriginAndMovesTheTemplate) {
  Graph g;
  GridCopies grid{2, 3, 4, 2, 1, 2, 0, 0, 0, 0, 0, 0, 0};
  uint32_t state = crt::RandState();
  GroupNodeAddGridCopies(*g.group, *AsNode(g.templ), grid);
  EXPECT_EQ(crt::RandState(), state) << "no flags: no draws";
  ASSERT_EQ(g.Count(), 4u);  // 2 x 1 x 2 cells minus the template's
  EXPECT_EQ(g.MatrixAt(0).m[12], -2.0f);
  EXPECT_EQ(g.MatrixAt(0).m[13], -1.5f);
  EXPECT_EQ(g.MatrixAt(0).m[14], -4.0f);
  // Order i outer, k inner: (0,0,1), (1,0,0), (1,0,1).
  const float expected[3][3] = {{-2, -1.5f, 0}, {0, -1.5f, -4}, {0, -1.5f, 0}};
  for (uint32_t c = 0; c < 3; ++c) {
    for (int a = 0; a < 3; ++a) EXPECT_EQ(g.MatrixAt(c + 1).m[12 + a], expected[c][a]);
  }
}

TEST(Replicators, GridWithAZeroCountAddsNothingButPlacesTheTemplate) {
  Graph g;
  GridCopies grid{2, 2, 2, 0, 5, 5, 1, 1, 1, 3, 1, 1, 1};
  GroupNodeAddGridCopies(*g.group, *AsNode(g.templ), grid);
  EXPECT_EQ(g.Count(), 1u);
  EXPECT_EQ(g.MatrixAt(0).m[13], -5.0f);
}

TEST(Replicators, GridJitterDrawsNineTermsPerCellInOrder) {
  Graph g;
  const float jp = 2.0f, jr = 30.0f, js = 0.5f;
  GridCopies grid{1, 1, 1, 2, 1, 1, jp, jr, js, 5, 1, 0, 1};  // jy clear
  GroupNodeAddGridCopies(*g.group, *AsNode(g.templ), grid);
  ASSERT_EQ(g.Count(), 2u);

  crt::srand(4);  // seed 5 seeds with 4
  auto r = [](float a) { return static_cast<float>(crt::rand()) * 3.0518509e-05f * a - a * 0.5f; };
  float px = r(jp), pz = r(jp), rx = r(jr), rz = r(jr), sx = r(js), sz = r(js);
  Matrix expected = Identity();
  MatrixTranslate(expected, 1.0f - 1.0f + px, 0.0f - 0.5f, 0.0f - 0.5f + pz);
  MatrixRotateXYZ(expected, rx, 0.0f, rz);
  MatrixScale(expected, 1.0f + sx, 1.0f, 1.0f + sz);
  ExpectMatrixNear(g.MatrixAt(1), expected);
  EXPECT_EQ(crt::RandState(), (crt::srand(4), [&] {
              for (int i = 0; i < 6; ++i) crt::rand();
              return crt::RandState();
            }()));
}

TEST(Replicators, GridWithoutSeedContinuesTheSequence) {
  Graph a, b;
  GridCopies grid{1, 1, 1, 2, 1, 1, 1, 0, 0, 0, 1, 0, 0};
  crt::srand(11);
  GroupNodeAddGridCopies(*a.group, *AsNode(a.templ), grid);
  crt::srand(11);
  crt::rand();
  GroupNodeAddGridCopies(*b.group, *AsNode(b.templ), grid);
  EXPECT_NE(a.MatrixAt(1).m[12], b.MatrixAt(1).m[12]);
}

TEST(Replicators, PlaneGridRotatesByCellIndex) {
  Graph g;
  GroupNodeAddPlaneGridCopies(*g.group, *AsNode(g.templ), 2, 2, 2, 2, 10, 20);
  ASSERT_EQ(g.Count(), 4u);
  Matrix expected = Identity();
  MatrixTranslate(expected, 0, 0, 0);
  MatrixRotateXYZ(expected, 10, 20, 0);
  ExpectMatrixNear(g.MatrixAt(3), expected);  // cell (1, 1)
}

TEST(Replicators, RingPlacesTemplateAndCopiesAtEqualAngles) {
  Graph g;
  GroupNodeAddRingCopies(*g.group, *AsNode(g.templ), 10, 0, 0, 3);
  ASSERT_EQ(g.Count(), 4u);
  Vec4 positions[4];
  for (uint32_t i = 0; i < 4; ++i) {
    positions[i] = Vec4{0, 0, 0, 1};
    MatrixTransformPoint(positions[i], g.MatrixAt(i));
  }
  EXPECT_FLOAT_EQ(positions[0].z, 10.0f);
  for (uint32_t i = 0; i < 4; ++i) {
    EXPECT_NEAR(positions[i].x * positions[i].x + positions[i].z * positions[i].z, 100.0f, 1e-3f);
    EXPECT_NEAR(positions[i].y, 0.0f, 1e-4f);
    // Neighbours 90 degrees apart: the dot product of consecutive positions is 0.
    const Vec4& n = positions[(i + 1) % 4];
    EXPECT_NEAR(positions[i].x * n.x + positions[i].z * n.z, 0.0f, 1e-3f);
  }
  Graph none;
  GroupNodeAddRingCopies(*none.group, *AsNode(none.templ), 10, 0, 0, -2);
  EXPECT_EQ(none.Count(), 1u);
}

TEST(Replicators, PathStepsScaleAndTurn) {
  Graph g;
  Vec3 d{1, 0, 0}, q{0, 90, 0}, f{2, 2, 2};
  GroupNodeAddPathCopies(*g.group, *AsNode(g.templ), d, q, f, 0, 2);
  ASSERT_EQ(g.Count(), 3u);
  Matrix first = Identity();
  MatrixTranslate(first, 1, 0, 0);
  MatrixRotateXYZ(first, 0, 90, 0);
  MatrixScale(first, 2, 2, 2);
  ExpectMatrixNear(g.MatrixAt(1), first);
  EXPECT_FLOAT_EQ(g.MatrixAt(2).m[12], 3.0f);  // 1 + 2 (the step doubled)

  Graph turned;
  GroupNodeAddPathCopies(*turned.group, *AsNode(turned.templ), d, q, f, 1, 2);
  Vec3 step = d;
  Vec3RotateEulerDeg(step, 0, 90, 0);  // replaces the doubled step
  EXPECT_NEAR(turned.MatrixAt(2).m[12], 1.0f + step.x, 1e-5f);
  EXPECT_NEAR(turned.MatrixAt(2).m[14], step.z, 1e-5f);
  EXPECT_EQ(turned.MatrixAt(0).m[12], 0.0f) << "the template stays";
}

TEST(Replicators, ReflectedCopiesMirrorEachOriginalChildOnce) {
  Graph g;
  MatrixTranslate(*g.templ->matrix, 3, 0, 0);
  LeafNode* second = LeafNodeCreate(nullptr, nullptr);
  MatrixTranslate(*second->matrix, 0, 4, 0);
  GroupNodeAddChild(*g.group, AsNode(second));
  GroupNodeAddChild(*g.group, AsNode(Kind3NodeCreate()));
  GroupNodeAddReflectedCopies(*g.group, Vec3{1, 0, 0});
  ASSERT_EQ(g.Count(), 5u);  // two copies, kind 3 skipped
  // A leaf's clone starts at identity: the copy stands at p - d = 1 - (3 - 1) = -1.
  EXPECT_NEAR(g.MatrixAt(3).m[12], -1.0f, 1e-5f);
  EXPECT_NEAR(g.MatrixAt(4).m[12], 2.0f, 1e-5f);
  EXPECT_NEAR(g.MatrixAt(4).m[13], -4.0f, 1e-5f);

  GroupNode* empty = GroupNodeCreate(nullptr);
  GroupNodeAddReflectedCopies(*empty, Vec3{0, 0, 0});
  EXPECT_EQ(ListCount(*empty->children), 0u);
  GroupNodeDestroy(empty);
}

TEST(Replicators, Kind3TemplateAddsNothing) {
  GroupNode* group = GroupNodeCreate(nullptr);
  Kind3Node* k3 = Kind3NodeCreate();
  GroupNodeAddChild(*group, AsNode(k3));
  GroupNodeAddRingCopies(*group, *AsNode(k3), 1, 0, 0, 4);
  GroupNodeAddGridCopies(*group, *AsNode(k3), GridCopies{1, 1, 1, 2, 2, 2, 0, 0, 0, 0, 0, 0, 0});
  EXPECT_EQ(ListCount(*group->children), 1u);
  GroupNodeDestroy(group);
}

}  // namespace
