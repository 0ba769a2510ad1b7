// Models, groups, scenes, lights, cameras, tracks, the timeline, fonts and kind-3 nodes as the
// script builds them (on a device record without Direct3D: nothing is uploaded).
#include <cstring>

#include "loader/builders.h"
#include "loader_test_util.h"
#include "mesh/generators.h"
#include "mesh/mesh.h"
#include "scene/deformer.h"

namespace {

using loadertest::At;
using loadertest::ReaderPtr;
using loadertest::RunScript;

const char kMaterial[] = "texture t 8 8 1 0 0\nend\nmaterial m 0 1\n diffuse t\nend\n";

// The header "model <name> blend fill layer lit variant cull special": the blend mode sets
// blending, depth writing and the blend functions; fill mode 3 is no mode; the last five
// are kept as given.
TEST(ObjectBuildersTest, ModelHeaderSelectsBlendAndDrawSettings) {
  constexpr uint32_t kAny = 99;  // a blend function the mode leaves as it was
  const struct Row {
    const char* header;
    uint8_t blended, zWrite;
    uint32_t source, destination, operation, fillMode;
  } rows[] = {
      {"0 3 0 1 0 1 0", 0, 1, kAny, kAny, kAny, 0}, {"1 1 1 0 1 0 1", 1, 0, kAny, kAny, kAny, 1},
      {"2 2 0 1 0 1 0", 1, 0, kAny, kAny, 3, 2},  // reverse subtract
      {"3 0 0 1 0 1 0", 1, 1, 5, 6, kAny, 0},       {"4 0 0 1 0 1 0", 1, 0, 9, 1, kAny, 0},
      {"5 0 0 1 0 1 0", 1, 1, 2, kAny, kAny, 0}};
  std::string text;
  for (const Row& row : rows)
    text += "model m" + std::to_string(text.size()) + " " + row.header + "\nend\n";
  ReaderPtr r = RunScript(text);
  for (const Row& row : rows) {
    const Model& m = *At<Model>(r, kListModels, static_cast<uint32_t>(&row - rows));
    const char* h = row.header;
    SCOPED_TRACE(h);
    EXPECT_TRUE(m.blended == row.blended && m.zWrite == row.zWrite && m.fillMode == row.fillMode);
    for (auto [actual, expected] : {std::pair{m.blendSource, row.source},
                                    {m.blendDestination, row.destination},
                                    {m.blendOperation, row.operation}})
      EXPECT_TRUE(expected == kAny || actual == expected) << actual << " != " << expected;
    EXPECT_EQ((std::vector<int>{m.layer, m.lit, m.shaderVariant, m.cull, m.special}),
              (std::vector<int>{h[4] - '0', h[6] - '0', h[8] - '0', h[10] - '0', h[12] - '0'}));
  }
}

// Generators take their operands in order (the cylinder's unused ones skipped, the same
// vertices as a direct call); without a material nothing is generated. A mesh past the 16-bit
// index range is refused with a message, also when merging makes it so. A deformer's fields
// map in order and animate the model; clone, merge and the unused sub-ops of another model.
TEST(ObjectBuildersTest, ModelOperations) {
  testing::internal::CaptureStderr();
  ReaderPtr r =
      RunScript(std::string(kMaterial) +
                "model cyl 0 0 0 1 0 1 0\n cylinder 1 7 2 3 8 m\nend\n"
                "model none 0 0 0 1 0 1 0\n box 1 1 1 0 -\n scale 2 2 2\nend\n"
                "model big 0 0 0 1 0 1 0\n sheet 10 10 300 300 m\nend\n"
                "model fits 0 0 0 1 0 1 0\n sheet 10 10 200 200 m\nend\n"
                "model merged 0 0 0 1 0 1 0\n merge fits\n merge fits\nend\n"
                "model a 0 0 0 1 0 1 0\n box 1 1 1 0 m\n deformer 1 9 2.5 0.25 1 0 7\nend\n"
                "model b 0 0 0 1 0 1 0\n clone_meshes a\n merge a\n merge -\n"
                " unused22 a\n unused20 3 4\n unused15\nend\n");
  const std::string message = testing::internal::GetCapturedStderr();
  Mesh* cylinder = MeshCreateCylinder(1, 2, 3, 8, At<Material>(r, kListMaterials, 0), r->device);
  const Mesh* built = At<Model>(r, kListModels, 0)->meshes[0];
  ASSERT_NE(built, nullptr);
  ASSERT_EQ(built->vertexCount, cylinder->vertexCount);
  for (uint32_t i = 0; i < built->vertexCount; ++i)
    EXPECT_EQ(built->vertices[i].position.z, cylinder->vertices[i].position.z) << i;
  MeshDestroy(cylinder);
  for (uint32_t none : {1u, 2u, 4u})  // no material, 301 x 301 vertices, two merged 201 x 201
    EXPECT_EQ(At<Model>(r, kListModels, none)->meshes[0], nullptr) << none;
  EXPECT_EQ(At<Model>(r, kListModels, 3)->meshes[0]->vertexCount, 201u * 201u);
  EXPECT_NE(message.find("a generated mesh is empty"), std::string::npos) << message;
  EXPECT_NE(message.find("80802 vertices"), std::string::npos) << message;
  Model* a = At<Model>(r, kListModels, 5);
  EXPECT_EQ(a->animated, 1);
  ASSERT_EQ(ListCount(*a->deformers), 1u);
  const Deformer& d = *ListAtAs<Deformer>(*a->deformers, 0);
  EXPECT_TRUE(d.type == 1 && d.secondValue == 9 && d.speed == 2.5f && d.amplitude == 0.25f);
  EXPECT_EQ(d.onX + d.onY * 2 + d.onZ * 4, 5);
  Model* b = At<Model>(r, kListModels, 6);
  EXPECT_EQ(b->meshes[0]->vertexCount, 2 * a->meshes[0]->vertexCount);
  EXPECT_EQ(b->animated, 0);
}

// A track binds to the group's last child (none before the first child, replicator copies
// never become it), with the placement as its rest; a group nests a copy of another group,
// placed, and nesting deeper than the matrix stack is refused.
TEST(ObjectBuildersTest, GroupChildrenBindingsAndCopies) {
  std::string text =
      std::string(kMaterial) +
      "model box 0 0 0 1 0 1 0\n box 1 1 1 0 m\nend\ntrack t 0 1\n key 1 0 0 0 0 0 0\nend\n"
      "group g\n track t\n leaf box 1 2 3 0 0 0 1 1 1\n leaf box 0 0 0 0 90 0 2 2 2\n"
      " ring_copies 5 4 90 0\n track t\n leaf - 0 0 0 0 0 0 1 1 1\nend\n"
      "group g0\n group g 10 0 0 0 0 0 1 1 1\n track -\nend\n";
  for (uint32_t i = 1; i < kScriptMaxGroupDepth; ++i)
    text += "group g" + std::to_string(i) + "\n group g" + std::to_string(i - 1) +
            " 0 0 0 0 0 0 1 1 1\nend\n";
  ReaderPtr r = RunScript(text);
  GroupNode* g = At<GroupNode>(r, kListGroups, 0);
  ASSERT_EQ(ListCount(*g->bindings), 2u);
  const AnimBinding* first = ListAtAs<AnimBinding>(*g->bindings, 0);
  EXPECT_EQ(ListCount(*first->entries), 0u);
  EXPECT_EQ(ListCount(*ListAtAs<AnimBinding>(*g->bindings, 1)->entries), 1u);
  ASSERT_EQ(ListCount(*g->children), 6u);  // two leaves and four ring copies
  const Matrix& placed = *ListAtAs<LeafNode>(*g->children, 0)->matrix;
  EXPECT_TRUE(placed.m[12] == 1 && placed.m[13] == 2 && placed.m[14] == 3);
  EXPECT_EQ(std::memcmp(first->rest, &placed, sizeof placed), 0);
  const GroupNode* copy = ListAtAs<GroupNode>(*At<GroupNode>(r, kListGroups, 1)->children, 0);
  EXPECT_NE(copy, g);
  EXPECT_EQ(ListCount(*copy->children), 6u);
  EXPECT_EQ(copy->matrix->m[12], 10.0f);
  EXPECT_EQ(ListCount(*At<GroupNode>(r, kListGroups, kScriptMaxGroupDepth - 1)->children), 1u);
  EXPECT_EQ(ListCount(*At<GroupNode>(r, kListGroups, kScriptMaxGroupDepth)->children), 0u);
}

// Lights: enabled, range kept above 0, colours unpacked; cameras: field of view inside
// (0, 180), height fraction above 0, viewport at least a pixel. A scene's second camera replaces
// the first (its binding loses the target, the first camera is freed: the sanitizer build sees
// a leak otherwise), a light slot wraps at 8 and a later light takes it; overlay mode 5 keeps
// mode 3's blend. A scene copy takes the bindings (a track after it binds none); sub-scene items
// resolve their scene. Keys: position, rotation in degrees to a quaternion, time; the end
// follows the last key; a program's bytes are kept; a quaternion key has no program blob. Clips
// take their scene (one without is dropped), duration, kind, fade and colour; fonts their name
// and size, listed with the timeline; a node its fields (an unresolved texture changes nothing).
TEST(ObjectBuildersTest, ScenesAndWhatTheyHold) {
  ReaderPtr r = RunScript(
      std::string(kMaterial) +
      "light l\n range 5\nend\nlight z\n range 0\n diffuse 0x80FF0000\n specular 0x00112233\n"
      " ambient 0x40000080\nend\n"
      "camera c\n fov 200\n height_fraction 0\n viewport 0 0 10 0\nend\ntrack t 0 1\nend\n"
      "camera r\n translate 1 2 3\n rotate 10 20 30\n scale 1 2 0.5\nend\n"
      "scene a 1.5 0xFF102030 0.25\n camera c 1 2 3 0 0 0 1 1 1\n camera c 0 0 0 0 0 0 1 1 1\n"
      " light l 1 4 5 6\n light z 1 0 0 0\n light l 200 0 0 0\n fog 3 3 0xFF00FF00\n"
      " overlay t 1 2 51 3\n overlay t 0.5 0.5 255 5\n background t 2 3 1\n unused8 1 2\nend\n"
      "scene b 0 0xFF000000 0\n camera c 0 0 0 0 0 0 1 1 1\n copy a\n track t\n"
      " subscene a t 1 2.5\n subscene - t 1 0\nend\n"
      "track k 0 2\n key 1 2 3 0 90 0 0\n key 0 0 0 0 0 0 2.5\n program [0f a0 e4 40 00 00 80 3f]\n"
      "end\ntrack q 1 0\n quat_key 1 0 0 0 0 0 1 4\n key 0 0 0 0 0 0 5\nend\n"
      "font f \"Sans\" 24\n byte 7\n byte 200\nend\n"
      "timeline\n clip a 2.5 2 0.5 0x00FF8000\n clip - 9 0 0 0xFF000000\n"
      " text \"hello\" f 0xFFFFFFFF 1 2 0.5 1 2 3 4\nend\ntimeline\n clip a 1 7 0 0xFF000000\nend\n"
      "node n\n count 300\n texture t\n texture -\n colors 0x11223344 0x55667788\n vector3 1 2 3\n"
      " value4 0.5\nend\n");
  const Light* z = At<Light>(r, kListLights, 1);
  EXPECT_TRUE(z->enabled == 1 && z->range > 0.0f);
  const float k255 = static_cast<float>(1.0 / 255.0);
  EXPECT_EQ(z->diffuse[0], 128.0f * k255);
  EXPECT_EQ(z->diffuse[1], 1.0f);
  EXPECT_TRUE(z->specular[3] == 0x33 * k255 && z->ambient[0] == 0x40 * k255);
  const Camera* c = At<Camera>(r, kListCameras, 0);
  EXPECT_TRUE(c->fieldOfView > 0 && c->fieldOfView < 180 && c->heightFraction > 0);
  EXPECT_EQ(c->viewport->h, 1u);
  Camera direct;  // the view of the second camera by direct calls
  CameraInit(&direct, loadertest::RecordDevice());
  CameraTranslateView(direct, 1, 2, 3), CameraRotateView(direct, 10, 20, 30);
  CameraScaleView(direct, 1, 2, 0.5f);
  EXPECT_EQ(std::memcmp(At<Camera>(r, kListCameras, 1)->view, direct.view, sizeof(Matrix)), 0);
  CameraCleanup(direct);
  const Scene* a = At<Scene>(r, kListScenes, 0);
  EXPECT_TRUE(a->headerValue == 1.5f && a->clearColor == 0xFF102030u && a->glow == 0.25f);
  ASSERT_EQ(ListCount(*a->bindings), 5u);  // two cameras and three lights
  for (uint32_t replaced : {0u, 2u})
    EXPECT_EQ(ListAtAs<AnimBinding>(*a->bindings, replaced)->target, nullptr) << replaced;
  EXPECT_EQ(a->camera->view->m[12], 0.0f);
  EXPECT_EQ(a->lights[1]->range, z->range);
  EXPECT_EQ(a->lights[7]->range, 5.0f);
  EXPECT_EQ(a->lights[0], nullptr);
  EXPECT_TRUE(a->fog->enabled == 1 && a->fog->end != a->fog->start);
  EXPECT_TRUE(a->overlayAlpha == 1.0f && a->overlaySourceBlend == 5 && a->overlayUExtent == 0.5f);
  EXPECT_TRUE(a->backgroundVScale == 3.0f && a->backgroundIntoA == 1);
  const Scene* b = At<Scene>(r, kListScenes, 1);
  EXPECT_EQ(ListCount(*b->bindings), 5u);
  for (const AnimBinding* binding : ListItems<AnimBinding>(*b->bindings))
    EXPECT_EQ(ListCount(*binding->entries), 0u);
  ASSERT_EQ(ListCount(*b->subScenes), 1u);
  const auto* target = ListAtAs<SceneTarget>(*b->subScenes, 0);
  EXPECT_TRUE(target->scene == a && target->timeOffset == 2.5f && target->flag == 1);

  const AnimTrack* k = At<AnimTrack>(r, kListTracks, 1);
  EXPECT_TRUE(k->interpolation == 0 && k->loop == 1 && k->end - k->start == 2.5f);
  ASSERT_EQ(ListCount(*k->keys), 2u);
  const Pose& pose = ListAtAs<TrackKey>(*k->keys, 0)->pose;
  EXPECT_EQ(pose.position->y, 2.0f);
  EXPECT_NEAR(pose.rotation->y, 0.70710678f, 1e-6f);
  ASSERT_EQ(ListCount(*k->programs), 1u);
  const TransformProgram* p = ListAtAs<TransformProgram>(*k->programs, 0);
  EXPECT_TRUE(p->length == 8 && p->code[7] == 0x3f);
  const AnimTrack* q = At<AnimTrack>(r, kListTracks, 2);
  ASSERT_EQ(ListCount(*q->keys), 2u);
  EXPECT_EQ(ListCount(*q->programs), 0u);
  const TrackKey* quat = ListAtAs<TrackKey>(*q->keys, 0);
  EXPECT_TRUE(quat->pose.rotation->w == 1.0f && quat->time == 4.0f);
  ASSERT_EQ(ListCount(*r->timeline->clips), 2u);
  const Clip* first = ListAtAs<Clip>(*r->timeline->clips, 0);
  EXPECT_EQ(first->scene, a);
  EXPECT_TRUE(first->duration == 2.5f && first->fade == 0.5f && first->kind == 2);
  EXPECT_EQ(first->color, 0x00FF8000u);
  EXPECT_EQ(ListAtAs<Clip>(*r->timeline->clips, 1)->kind, 7u);
  ASSERT_EQ(ListCount(*r->fonts), 1u);
  const FontEntry* font = ListAtAs<FontEntry>(*r->fonts, 0);
  EXPECT_STREQ(font->name, "Sans");
  EXPECT_EQ(font->size, 24u);
  EXPECT_EQ(ListAtAs<FontEntry>(*r->timeline->fonts->fonts, 0), font);
  const Kind3Node* n = At<Kind3Node>(r, kListKind3Nodes, 0);
  EXPECT_TRUE(n->count == 300 && n->color2 == 0x55667788u && n->value4 == 0.5f);
  EXPECT_EQ(n->texture, At<Texture>(r, kListTextures, 0));
  EXPECT_TRUE(n->vector3.y == 2.0f && n->vector3.w == 0.0f);
}

}  // namespace
