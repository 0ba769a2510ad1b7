// Models, groups, scenes, lights, cameras, tracks, the timeline, fonts and kind-3 nodes as the
// script builds them (on a device record without Direct3D: nothing is uploaded).
#include <gtest/gtest.h>

#include "loader/builders.h"
#include "loader_test_util.h"
#include "math/matrix.h"
#include "mesh/generators.h"
#include "mesh/mesh.h"
#include "platform/crt.h"
#include "scene/anim.h"
#include "scene/camera.h"
#include "scene/deformer.h"
#include "scene/kind3_node.h"
#include "scene/light.h"
#include "scene/model.h"
#include "scene/node.h"
#include "scene/scene.h"
#include "scene/timeline.h"
#include "scene/transform_program.h"
#include "shell/device_startup.h"

namespace {

using loadertest::ReaderPtr;

class ObjectBuildersTest : public ::testing::Test {
 protected:
  void SetUp() override {
    DeviceInit(&device_);
    device_.width = 64;
    device_.height = 48;
  }
  void TearDown() override {
    ListDestroy(device_.modes);
    ListDestroy(device_.textures);
  }
  ReaderPtr Run(const std::string& text) { return loadertest::RunScript(text, &device_); }
  template <class T>
  static T* At(const ReaderPtr& r, ScriptList list, uint32_t i) {
    return ListAtAs<T>(*r->lists[list], i);
  }

  Device device_{};
};

const char kMaterial[] = "texture t 8 8 1 0 0\nend\nmaterial m 0 1\n diffuse t\nend\n";

// The header "model <name> blend fill layer lit variant cull special": the blend mode sets
// blending, depth writing and the blend functions; fill mode 3 is no mode.
TEST_F(ObjectBuildersTest, ModelHeaderSelectsBlendAndDrawSettings) {
  constexpr uint32_t kAny = 99;  // a blend function the mode leaves as it was
  struct Row {
    const char* header;
    uint8_t blended, zWrite;
    uint32_t source, destination, operation, fillMode;
    uint8_t layer, lit, variant, cull, special;
  };
  const Row rows[] = {
      {"0 3 0 1 0 1 0", 0, 1, kAny, kAny, kAny, 0, 0, 1, 0, 1, 0},
      {"1 1 1 0 1 0 1", 1, 0, kAny, kAny, kAny, 1, 1, 0, 1, 0, 1},
      {"2 2 0 1 0 1 0", 1, 0, kAny, kAny, 3, 2, 0, 1, 0, 1, 0},  // reverse subtract
      {"3 0 0 1 0 1 0", 1, 1, 5, 6, kAny, 0, 0, 1, 0, 1, 0},
      {"4 0 0 1 0 1 0", 1, 0, 9, 1, kAny, 0, 0, 1, 0, 1, 0},
      {"5 0 0 1 0 1 0", 1, 1, 2, kAny, kAny, 0, 0, 1, 0, 1, 0},
  };
  std::string text;
  for (const Row& row : rows)
    text += "model m" + std::to_string(text.size()) + " " + row.header + "\nend\n";
  ReaderPtr r = Run(text);
  for (uint32_t i = 0; i < std::size(rows); ++i) {
    const Row& row = rows[i];
    const Model& m = *At<Model>(r, kListModels, i);
    SCOPED_TRACE(row.header);
    EXPECT_EQ(m.blended, row.blended);
    EXPECT_EQ(m.zWrite, row.zWrite);
    for (auto [actual, expected] : {std::pair{m.blendSource, row.source},
                                    {m.blendDestination, row.destination},
                                    {m.blendOperation, row.operation}})
      if (expected != kAny) EXPECT_EQ(actual, expected);
    EXPECT_EQ(m.fillMode, row.fillMode);
    EXPECT_EQ(m.layer, row.layer);
    EXPECT_EQ(m.lit, row.lit);
    EXPECT_EQ(m.shaderVariant, row.variant);
    EXPECT_EQ(m.cull, row.cull);
    EXPECT_EQ(m.special, row.special);
  }
}

TEST_F(ObjectBuildersTest, GeneratorsTakeTheirOperandsAndIgnoreTheUnusedOnes) {
  ReaderPtr r = Run(std::string(kMaterial) +
                    "model cyl 0 0 0 1 0 1 0\n cylinder 1 7 2 3 8 m\nend\n"
                    "model helix 0 0 0 1 0 1 0\n helix 3 0.5 2 3 2 1.5 m\nend\n"
                    "model none 0 0 0 1 0 1 0\n box 1 1 1 0 -\n scale 2 2 2\nend\n");
  Material* m = ListAtAs<Material>(*r->lists[kListMaterials], 0);
  Mesh* cylinder = MeshCreateCylinder(1, 2, 3, 8, m, &device_);
  Mesh* built = At<Model>(r, kListModels, 0)->meshes[0];
  ASSERT_NE(built, nullptr);
  ASSERT_EQ(built->vertexCount, cylinder->vertexCount);
  for (uint32_t i = 0; i < built->vertexCount; ++i) {
    EXPECT_EQ(built->vertices[i].position.z, cylinder->vertices[i].position.z) << i;
  }
  Mesh* helix = MeshCreateHelix(3, 0.5f, 2, 1.5f, 16, 16, m, &device_);
  EXPECT_EQ(At<Model>(r, kListModels, 1)->meshes[0]->vertexCount, helix->vertexCount);
  EXPECT_EQ(At<Model>(r, kListModels, 2)->meshes[0], nullptr);  // no material: no box
  MeshDestroy(cylinder);
  MeshDestroy(helix);
}

TEST_F(ObjectBuildersTest, MeshesBeyondTheIndexRangeAreRefused) {
  testing::internal::CaptureStderr();
  ReaderPtr r = Run(std::string(kMaterial) +
                    "model big 0 0 0 1 0 1 0\n sheet 10 10 300 300 m\nend\n"
                    "model fits 0 0 0 1 0 1 0\n sheet 10 10 200 200 m\nend\n"
                    "model merged 0 0 0 1 0 1 0\n merge fits\n merge fits\nend\n");
  std::string message = testing::internal::GetCapturedStderr();
  EXPECT_EQ(At<Model>(r, kListModels, 0)->meshes[0], nullptr);  // 301 x 301 vertices
  EXPECT_EQ(At<Model>(r, kListModels, 1)->meshes[0]->vertexCount, 201u * 201u);
  EXPECT_EQ(At<Model>(r, kListModels, 2)->meshes[0], nullptr);  // two of them no longer fit
  EXPECT_NE(message.find("a generated mesh is empty"), std::string::npos) << message;
  EXPECT_NE(message.find("80802 vertices"), std::string::npos) << message;
}

TEST_F(ObjectBuildersTest, DeformersAndReferencedModels) {
  ReaderPtr r = Run(std::string(kMaterial) +
                    "model a 0 0 0 1 0 1 0\n box 1 1 1 0 m\n deformer 1 9 2.5 0.25 1 0 7\nend\n"
                    "model b 0 0 0 1 0 1 0\n clone_meshes a\n merge a\n merge -\n"
                    " unused22 a\n unused20 3 4\n unused15\nend\n");
  Model* a = At<Model>(r, kListModels, 0);
  EXPECT_EQ(a->animated, 1);
  ASSERT_EQ(ListCount(*a->deformers), 1u);
  Deformer* d = ListAtAs<Deformer>(*a->deformers, 0);
  EXPECT_EQ(d->type, 1u);
  EXPECT_EQ(d->secondValue, 9u);
  EXPECT_EQ(d->speed, 2.5f);
  EXPECT_EQ(d->amplitude, 0.25f);
  EXPECT_EQ(d->onX + d->onY * 2 + d->onZ * 4, 5);
  Model* b = At<Model>(r, kListModels, 1);
  EXPECT_EQ(b->meshes[0]->vertexCount, 2 * a->meshes[0]->vertexCount);
  EXPECT_EQ(b->animated, 0);
}

TEST_F(ObjectBuildersTest, GroupChildrenBindingsAndCopies) {
  ReaderPtr r = Run(std::string(kMaterial) +
                    "model box 0 0 0 1 0 1 0\n box 1 1 1 0 m\nend\n"
                    "track t 0 1\n key 1 0 0 0 0 0 0\nend\n"
                    "group g\n track t\n leaf box 1 2 3 0 0 0 1 1 1\n leaf box 0 0 0 0 90 0 2 2 2\n"
                    " ring_copies 5 4 90 0\n track t\n leaf - 0 0 0 0 0 0 1 1 1\nend\n"
                    "group h\n group g 10 0 0 0 0 0 1 1 1\n track -\nend\n");
  GroupNode* g = At<GroupNode>(r, kListGroups, 0);
  ASSERT_EQ(ListCount(*g->bindings), 2u);  // the copies and the unresolved leaf have none
  AnimBinding* first = ListAtAs<AnimBinding>(*g->bindings, 0);
  AnimBinding* second = ListAtAs<AnimBinding>(*g->bindings, 1);
  EXPECT_EQ(ListCount(*first->entries), 0u);   // the track before any child bound nothing
  EXPECT_EQ(ListCount(*second->entries), 1u);  // the copies did not become the last child
  EXPECT_EQ(ListCount(*g->children), 6u);      // two leaves and four ring copies
  auto* leaf = ListAtAs<LeafNode>(*g->children, 0);
  EXPECT_EQ(leaf->matrix->m[12], 1.0f);
  EXPECT_EQ(leaf->matrix->m[13], 2.0f);
  EXPECT_EQ(leaf->matrix->m[14], 3.0f);
  for (int i = 0; i < 16; ++i)
    EXPECT_EQ(first->rest->m[i], leaf->matrix->m[i]);  // rest = placement
  GroupNode* h = At<GroupNode>(r, kListGroups, 1);
  ASSERT_EQ(ListCount(*h->children), 1u);
  auto* copy = ListAtAs<GroupNode>(*h->children, 0);
  EXPECT_NE(copy, g);
  EXPECT_EQ(ListCount(*copy->children), 6u);
  EXPECT_EQ(copy->matrix->m[12], 10.0f);
}

TEST_F(ObjectBuildersTest, GroupsNestedDeeperThanTheMatrixStackAreRefused) {
  std::string text = "group g0\nend\n";
  for (uint32_t i = 1; i <= kScriptMaxGroupDepth; ++i) {
    text += "group g" + std::to_string(i) + "\n group g" + std::to_string(i - 1) +
            " 0 0 0 0 0 0 1 1 1\nend\n";
  }
  ReaderPtr r = Run(text);
  GroupNode* deepest = At<GroupNode>(r, kListGroups, kScriptMaxGroupDepth - 1);
  EXPECT_EQ(ListCount(*deepest->children), 1u);
  GroupNode* refused = At<GroupNode>(r, kListGroups, kScriptMaxGroupDepth);
  EXPECT_EQ(ListCount(*refused->children), 0u);
}

TEST_F(ObjectBuildersTest, SceneCamerasLightsLayersAndCopies) {
  ReaderPtr r = Run(std::string(kMaterial) +
                    "light l\n range 5\nend\nlight z\n range 0\n diffuse 0x80FF0000\nend\n"
                    "camera c\n fov 200\n height_fraction 0\n viewport 0 0 10 0\nend\n"
                    "track t 0 1\nend\n"
                    "scene a 1.5 0xFF102030 0.25\n camera c 1 2 3 0 0 0 1 1 1\n"
                    " camera c 0 0 0 0 0 0 1 1 1\n light l 1 4 5 6\n light z 1 0 0 0\n"
                    " light l 200 0 0 0\n fog 3 3 0xFF00FF00\n overlay t 1 2 51 3\n"
                    " overlay t 0.5 0.5 255 5\n background t 2 3 1\n unused8 1 2\nend\n"
                    "scene b 0 0xFF000000 0\n camera c 0 0 0 0 0 0 1 1 1\n copy a\n track t\n"
                    " subscene a t 1 2.5\n subscene - t 1 0\nend\n");
  Light* z = At<Light>(r, kListLights, 1);
  EXPECT_EQ(z->enabled, 1);
  EXPECT_GT(z->range, 0.0f);  // clamped above 0
  EXPECT_EQ(z->diffuse[0], 128.0f * static_cast<float>(1.0 / 255.0));
  EXPECT_EQ(z->diffuse[1], 1.0f);
  Light* l = At<Light>(r, kListLights, 0);
  EXPECT_EQ(l->diffuse[0], 1.0f);  // defaults (1, 0, 0, 0)
  EXPECT_EQ(l->diffuse[1], 0.0f);
  Camera* c = At<Camera>(r, kListCameras, 0);
  EXPECT_GT(c->fieldOfView, 0.0);
  EXPECT_LT(c->fieldOfView, 180.0);
  EXPECT_GT(c->heightFraction, 0.0f);
  EXPECT_EQ(c->viewport->h, 1u);

  Scene* a = At<Scene>(r, kListScenes, 0);
  EXPECT_EQ(a->headerValue, 1.5f);
  EXPECT_EQ(a->clearColor, 0xFF102030u);
  EXPECT_EQ(a->glow, 0.25f);
  EXPECT_EQ(ListCount(*a->bindings), 5u);  // two cameras and three lights
  for (uint32_t replaced : {0u, 2u}) {     // the first camera and the first light of slot 1
    EXPECT_EQ(ListAtAs<AnimBinding>(*a->bindings, replaced)->target, nullptr);
  }
  EXPECT_NE(a->camera, c);
  EXPECT_EQ(a->camera->view->m[12], 0.0f);   // the second camera replaced the first
  EXPECT_EQ(a->lights[1]->range, z->range);  // the second light took slot 1
  EXPECT_EQ(a->lights[7]->range, 5.0f);      // slot 200 is slot 7
  EXPECT_EQ(a->lights[0], nullptr);
  EXPECT_EQ(a->fog->enabled, 1);
  EXPECT_NE(a->fog->end, a->fog->start);
  EXPECT_EQ(a->overlayAlpha, 1.0f);
  EXPECT_EQ(a->overlaySourceBlend, 5u);  // mode 5 kept the blend of mode 3
  EXPECT_EQ(a->overlayUExtent, 0.5f);
  EXPECT_EQ(a->backgroundVScale, 3.0f);
  EXPECT_EQ(a->backgroundIntoA, 1);

  Scene* b = At<Scene>(r, kListScenes, 1);
  EXPECT_NE(b, a);
  EXPECT_EQ(ListCount(*b->bindings), 5u);  // the copy's; the camera before it is gone
  for (const AnimBinding* binding : ListItems<AnimBinding>(*b->bindings)) {  // after the copy
    EXPECT_EQ(ListCount(*binding->entries), 0u);                             // the track bound none
  }
  ASSERT_EQ(ListCount(*b->subScenes), 1u);
  auto* target = ListAtAs<SceneTarget>(*b->subScenes, 0);
  EXPECT_EQ(target->scene, a);
  EXPECT_EQ(target->timeOffset, 2.5f);
  EXPECT_EQ(target->flag, 1);
}

TEST_F(ObjectBuildersTest, TracksKeysAndPrograms) {
  ReaderPtr r =
      Run("track a 0 2\n key 1 2 3 0 90 0 0\n key 0 0 0 0 0 0 2.5\n program [0f a0 e4 40 00 00 80 "
          "3f]\nend\n"
          "track q 1 0\n quat_key 1 0 0 0 0 0 1 4\n key 0 0 0 0 0 0 5\nend\n");
  AnimTrack* a = At<AnimTrack>(r, kListTracks, 0);
  EXPECT_EQ(a->interpolation, 0u);
  EXPECT_EQ(a->loop, 1);
  ASSERT_EQ(ListCount(*a->keys), 2u);
  TrackKey* k = ListAtAs<TrackKey>(*a->keys, 0);
  EXPECT_EQ(k->pose.position->y, 2.0f);
  EXPECT_NEAR(k->pose.rotation->y, 0.70710678f, 1e-6f);
  EXPECT_EQ(a->end - a->start, 2.5f);
  ASSERT_EQ(ListCount(*a->programs), 1u);
  TransformProgram* p = ListAtAs<TransformProgram>(*a->programs, 0);
  EXPECT_EQ(p->length, 8u);
  EXPECT_EQ(p->code[7], 0x3f);
  AnimTrack* q = At<AnimTrack>(r, kListTracks, 1);
  EXPECT_EQ(q->loop, 0);
  ASSERT_EQ(ListCount(*q->keys), 2u);  // no blob after the quaternion key
  EXPECT_EQ(ListCount(*q->programs), 0u);
  EXPECT_EQ(ListAtAs<TrackKey>(*q->keys, 0)->pose.rotation->w, 1.0f);
  EXPECT_EQ(ListAtAs<TrackKey>(*q->keys, 0)->time, 4.0f);
}

TEST_F(ObjectBuildersTest, TimelineClipsFontsAndNodes) {
  ReaderPtr r = Run(
      "texture t 8 8 1 0 0\nend\n"
      "camera c\nend\n"
      "scene s 0 0xFF000000 0\n camera c 0 0 0 0 0 0 1 1 1\nend\n"
      "font f \"Sans\" 24\n byte 7\n byte 200\nend\n"
      "timeline\n clip s 2.5 2 0.5 0x00FF8000\n clip - 9 0 0 0xFF000000\n"
      " text \"hello\" f 0xFFFFFFFF 1 2 0.5 1 2 3 4\nend\n"
      "timeline\n clip s 1 7 0 0xFF000000\nend\n"
      "node n\n count 300\n texture t\n texture -\n colors 0x11223344 0x55667788\n vector3 1 2 3\n"
      " value4 0.5\nend\n");
  Timeline& timeline = *r->timeline;
  ASSERT_EQ(ListCount(*timeline.clips), 2u);  // the clip without a scene is dropped
  Clip* first = ListAtAs<Clip>(*timeline.clips, 0);
  EXPECT_EQ(first->scene, At<Scene>(r, kListScenes, 0));
  EXPECT_EQ(first->duration, 2.5f);
  EXPECT_EQ(first->fade, 0.5f);
  EXPECT_EQ(first->kind, 2u);
  EXPECT_EQ(first->color, 0x00FF8000u);
  EXPECT_EQ(ListAtAs<Clip>(*timeline.clips, 1)->kind, 7u);
  ASSERT_EQ(ListCount(*r->fonts), 1u);
  FontEntry* font = ListAtAs<FontEntry>(*r->fonts, 0);
  EXPECT_STREQ(font->name, "Sans");
  EXPECT_EQ(font->size, 24u);
  EXPECT_EQ(ListAtAs<FontEntry>(*timeline.fonts->fonts, 0), font);
  Kind3Node* n = At<Kind3Node>(r, kListKind3Nodes, 0);
  EXPECT_EQ(n->kind, 3u);
  EXPECT_EQ(n->count, 300);
  EXPECT_EQ(n->texture, At<Texture>(r, kListTextures, 0));  // the unresolved one changed nothing
  EXPECT_EQ(n->color2, 0x55667788u);
  EXPECT_EQ(n->vector3.y, 2.0f);
  EXPECT_EQ(n->vector3.w, 0.0f);
  EXPECT_EQ(n->value4, 0.5f);
}

}  // namespace
