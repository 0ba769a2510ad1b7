#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "math/list.h"
#include "math/matrix.h"
#include "mesh/material_run.h"
#include "mesh/mesh.h"
#include "mesh_test_util.h"
#include "model_device.h"
#include "platform/crt.h"
#include "platform/d3d9.h"
#include "platform/testing.h"
#include "render/mesh_finish.h"
#include "render/renderer.h"
#include "render/transform_state.h"
#include "scene/cull_sphere.h"
#include "scene/deformer.h"
#include "scene/node.h"

namespace {

using meshtest::ModelDeviceTest;
using meshtest::RenderStateLine;
using Lines = std::vector<std::string>;

constexpr uint32_t kWhite = 0xFFFFFFFFu;
constexpr uint32_t kBlack = 0xFF000000u;

// Position of the first line equal to `line` at or after `from`; lines.size() when absent.
size_t Find(const Lines& lines, const std::string& line, size_t from = 0) {
  return std::find(lines.begin() + std::min(from, lines.size()), lines.end(), line) - lines.begin();
}
size_t FindDraw(const Lines& lines) {
  return std::find_if(
             lines.begin(), lines.end(),
             [](const std::string& l) { return l.rfind("DrawIndexedPrimitive(", 0) == 0; }) -
         lines.begin();
}
bool Has(const Lines& lines, const std::string& line) { return Find(lines, line) < lines.size(); }

Deformer* NewDeformer(uint32_t type, float speed, float amplitude, uint8_t x, uint8_t y,
                      uint8_t z) {
  return crt::AlignedNew<Deformer>(Deformer{type, 0, speed, amplitude, x, y, z});
}

Matrix Translation(float x, float y, float z) {
  Matrix m;
  MatrixMakeTranslation(m, x, y, z);
  return m;
}

uint32_t CurrentMode(const Device& device) { return device.renderer->shaders.currentMode; }

// ---- Finishing and upload --------------------------------------------------------------

// A static model: tangents, radius of slot 0, one run, static buffers, no phases, every slot
// registered for the reset. An animated one: dynamic buffers and phases on the 62830 cycle.
TEST_F(ModelDeviceTest, FinishBuildsRunsBuffersAndRegistersTheMeshes) {
  Model& still = BoxModel(1.0f);
  still.meshes[1] = MeshClone(*still.meshes[0]);
  ModelFinish(still);
  EXPECT_FLOAT_EQ(still.radius, std::sqrt(3.0f));
  for (Mesh* mesh : {still.meshes[0], still.meshes[1]}) {
    EXPECT_NE(mesh->vertexBuffer, nullptr);
    EXPECT_NE(mesh->indexBuffer, nullptr);
    EXPECT_EQ(mesh->dynamic, 0);
    EXPECT_EQ(mesh->phases, nullptr);
    EXPECT_EQ(MeshRunCount(*mesh), 1u);
    EXPECT_EQ(mesh->indexCount, 36u);
  }
  EXPECT_NEAR(Vec3Length(still.meshes[0]->vertices[5].tangent), 1.0f, 1e-6f);
  EXPECT_EQ(ListAtAs<Mesh>(*device_.renderer->meshes, 0), still.meshes[0]);
  EXPECT_EQ(ListAtAs<Mesh>(*device_.renderer->meshes, 1), still.meshes[1]);

  Model& moving = BoxModel(2.0f);
  ModelAddDeformer(moving, NewDeformer(kDeformerPulse, 1, 1, 1, 1, 1));
  EXPECT_EQ(moving.animated, 1);
  ModelFinish(moving);
  EXPECT_EQ(moving.meshes[0]->dynamic, 1);
  ASSERT_NE(moving.meshes[0]->phases, nullptr);
  EXPECT_EQ(moving.meshes[0]->phases[0], 62830);  // every box corner lies at the radius
  EXPECT_EQ(ListCount(*device_.renderer->meshes), 3u);
}

// Without a mesh in slot 0 nothing is finished, uploaded or drawn, not even the other slots,
// and the draw touches no state. A mesh without flattened indices is neither filled nor
// registered.
TEST_F(ModelDeviceTest, EmptySlotZeroAndUnflattenedMeshesAreLeftAlone) {
  Model& box = BoxModel(1.0f);
  Model& model = NewModel();
  model.meshes[1] = MeshClone(*box.meshes[0]);
  const Lines lines = TraceWhile([&] {
    ModelFinish(model);
    ModelDraw(model, nullptr, nullptr, 0, 0, 0, 1, 0, nullptr);
    MeshUpload(*box.meshes[0], 1);
  });
  EXPECT_EQ(model.meshes[1]->vertexBuffer, nullptr);
  EXPECT_EQ(model.radius, 0.0f);
  EXPECT_TRUE(lines.empty()) << lines.front();
  EXPECT_EQ(ListCount(*device_.renderer->meshes), 0u);
}

// Destroying a finished model gives its buffers back; a slot 0 of vertices without faces
// gets no index buffer and draws no triangle (nothing is copied into a missing buffer).
TEST_F(ModelDeviceTest, BuffersComeBackOnDestroyAndFacelessMeshesDrawNothing) {
  const int before = d3d9test::LiveResources(D3DPOOL_DEFAULT);
  Model& box = VisibleBox();
  ModelFinish(box);
  EXPECT_EQ(d3d9test::LiveResources(D3DPOOL_DEFAULT), before + 2);
  ModelDestroyContents(box);
  EXPECT_EQ(d3d9test::LiveResources(D3DPOOL_DEFAULT), before);

  Model& points = NewModel();
  points.meshes[0] = meshtest::MeshOfPoints({{1, 0, 0}, {0, 2, 0}});
  points.meshes[0]->device = &device_;
  ModelFinish(points);
  EXPECT_NE(points.meshes[0]->vertexBuffer, nullptr);
  EXPECT_EQ(points.radius, 2.0f);
  EXPECT_EQ(points.meshes[0]->indexBuffer, nullptr);
  const Lines lines =
      TraceWhile([&] { ModelDraw(points, nullptr, nullptr, 0, 0, 0, 1, 0, nullptr); });
  EXPECT_EQ(FindDraw(lines), lines.size());
}

// ---- Pass selection, shader modes and render states ------------------------------------

// In a light's pass an opaque lit model blends additively with its own settings and alpha
// test, in mode 2 (7 with the variant); those two states stay on after the draw.
TEST_F(ModelDeviceTest, LitModelInALightPassBlendsWithItsOwnSettings) {
  Model& model = BoxModel(1.0f);
  ModelFinish(model);
  const CullSphere sphere{{0, 0, 0}, 10.0f};
  const Lines lines =
      TraceWhile([&] { ModelDraw(model, &sphere, nullptr, 0, 0, 0, 0, 0, nullptr); });
  const size_t draw = FindDraw(lines);
  ASSERT_LT(draw, lines.size());
  EXPECT_LT(Find(lines, RenderStateLine(D3DRS_ALPHATESTENABLE, 1)), draw);
  EXPECT_LT(Find(lines, RenderStateLine(D3DRS_SRCBLEND, D3DBLEND_ONE)), draw);
  EXPECT_LT(Find(lines, RenderStateLine(D3DRS_DESTBLEND, D3DBLEND_ONE)), draw);
  EXPECT_LT(Find(lines, RenderStateLine(D3DRS_BLENDOP, D3DBLENDOP_ADD)), draw);
  EXPECT_LT(Find(lines, RenderStateLine(D3DRS_ALPHABLENDENABLE, 1)), draw);
  EXPECT_FALSE(Has(lines, RenderStateLine(D3DRS_ALPHATESTENABLE, 0)));
  EXPECT_FALSE(Has(lines, RenderStateLine(D3DRS_ALPHABLENDENABLE, 0)));
  EXPECT_EQ(CurrentMode(device_), 2u);
  model.shaderVariant = 1;
  ModelDraw(model, &sphere, nullptr, 0, 0, 0, 0, 0, nullptr);
  EXPECT_EQ(CurrentMode(device_), 7u);
}

// A blended model with culling and depth writing off in wireframe: each state is set before
// the draw and put back after it; in the ambient pass the mode is 5 (10 with the variant).
TEST_F(ModelDeviceTest, ModelStatesAreSetForTheDrawAndPutBack) {
  Model& model = BoxModel(1.0f);
  model.blended = 1;
  model.cull = 0;
  model.zWrite = 0;
  model.fillMode = 1;
  model.blendSource = D3DBLEND_SRCALPHA;
  model.blendDestination = D3DBLEND_INVSRCALPHA;
  ModelFinish(model);
  const Lines lines =
      TraceWhile([&] { ModelDraw(model, nullptr, nullptr, 0, 1, 0, 1, 0, nullptr); });
  const size_t draw = FindDraw(lines);
  ASSERT_LT(draw, lines.size());
  EXPECT_LT(Find(lines, RenderStateLine(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA)), draw);
  EXPECT_LT(Find(lines, RenderStateLine(D3DRS_CULLMODE, D3DCULL_NONE)), draw);
  EXPECT_LT(Find(lines, RenderStateLine(D3DRS_ZWRITEENABLE, 0)), draw);
  EXPECT_LT(Find(lines, RenderStateLine(D3DRS_FILLMODE, D3DFILL_WIREFRAME)), draw);
  for (const std::string& after :
       {RenderStateLine(D3DRS_ALPHATESTENABLE, 0), RenderStateLine(D3DRS_ALPHABLENDENABLE, 0),
        RenderStateLine(D3DRS_CULLMODE, D3DCULL_CCW), RenderStateLine(D3DRS_ZWRITEENABLE, 1),
        RenderStateLine(D3DRS_FILLMODE, D3DFILL_SOLID)}) {
    const size_t at = Find(lines, after, draw);
    EXPECT_LT(at, lines.size()) << after;
    EXPECT_GT(at, draw) << after;
  }
  EXPECT_EQ(CurrentMode(device_), 5u);
  model.shaderVariant = 1;
  ModelDraw(model, nullptr, nullptr, 0, 1, 0, 1, 0, nullptr);
  EXPECT_EQ(CurrentMode(device_), 10u);
}

// The pass selectors: layer, blended and special must match; an unlit model only takes part
// without a light sphere (mode 1, 6 with the variant); special models draw in mode 13, the
// fog pass in mode 14 with source-alpha blending.
TEST_F(ModelDeviceTest, PassSelectorsChooseWhichModelsDrawAndInWhichMode) {
  Model& model = BoxModel(1.0f);
  ModelFinish(model);
  const CullSphere sphere{{0, 0, 0}, 10.0f};
  auto draws = [&](const CullSphere* s, uint8_t layer, uint8_t blended, uint8_t special,
                   uint8_t ambient, uint8_t overlay) {
    const Lines lines = TraceWhile(
        [&] { ModelDraw(model, s, nullptr, layer, blended, special, ambient, overlay, nullptr); });
    return FindDraw(lines) < lines.size();
  };
  EXPECT_FALSE(draws(nullptr, 1, 0, 0, 1, 0));
  EXPECT_FALSE(draws(nullptr, 0, 1, 0, 1, 0));
  EXPECT_FALSE(draws(nullptr, 0, 0, 1, 1, 0));
  model.lit = 0;
  EXPECT_FALSE(draws(&sphere, 0, 0, 0, 0, 0));
  EXPECT_TRUE(draws(nullptr, 0, 0, 0, 1, 0));
  EXPECT_EQ(CurrentMode(device_), 1u);
  model.shaderVariant = 1;
  EXPECT_TRUE(draws(nullptr, 0, 0, 0, 1, 0));
  EXPECT_EQ(CurrentMode(device_), 6u);
  model.special = 1;
  EXPECT_TRUE(draws(nullptr, 0, 0, 1, 1, 0));
  EXPECT_EQ(CurrentMode(device_), 13u);
  const Lines fog = TraceWhile([&] { ModelDraw(model, nullptr, nullptr, 0, 0, 1, 0, 1, nullptr); });
  EXPECT_EQ(CurrentMode(device_), 14u);
  EXPECT_TRUE(Has(fog, RenderStateLine(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA)));
  EXPECT_TRUE(Has(fog, RenderStateLine(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA)));
}

// The light-sphere test uses the stack top's translation before the world matrix: radius 1 at
// distance 5 from a sphere of radius 4 touches it and is drawn, at 5.001 it is skipped; the
// world matrix (far away here) does not move the test and is popped again.
TEST_F(ModelDeviceTest, LightSphereTestUsesTheParentTranslationAndCountsTouching) {
  Model& model = BoxModel(1.0f);
  ModelFinish(model);
  model.radius = 1.0f;
  TransformState& transform = *device_.transformState;
  const Matrix far = Translation(100, 0, 0);
  const CullSphere sphere{{0, 0, 0}, 4.0f};
  auto drawnAt = [&](float x) {
    TransformStatePush(transform);
    TransformStateLoad(transform, Translation(x, 0, 0));
    const Lines lines =
        TraceWhile([&] { ModelDraw(model, &sphere, &far, 0, 0, 0, 0, 0, nullptr); });
    EXPECT_EQ(TransformStateGetTop(transform)->m[12], x);
    TransformStatePop(transform);
    return FindDraw(lines) < lines.size();
  };
  EXPECT_TRUE(drawnAt(5.0f));
  EXPECT_FALSE(drawnAt(5.001f));
  EXPECT_TRUE(drawnAt(-3.0f));
}

// ---- Pixels: draw, deform, device reset ------------------------------------------------

// An unlit box at z = 5 covers the middle of the target in white (mode 1 samples the white
// default image); a model whose buffers are gone draws nothing.
TEST_F(ModelDeviceTest, FinishedModelDrawsIntoTheTarget) {
  Model& model = VisibleBox();
  ModelFinish(model);
  const Matrix world = Translation(0, 0, 5);
  EXPECT_EQ(DrawMiddle(model, &world, 1), kWhite);
  const Matrix aside = Translation(4, 0, 5);
  EXPECT_EQ(DrawMiddle(model, &aside, 1), kBlack);
}

// A wave along x of amplitude 3 radii: at time 0 the corners (phase 62830 = 0) stay; at a
// quarter cycle (T = 15708) the box moves 3 radii to the side and leaves the middle. The CPU
// copy stays untouched, and going back to time 0 restores the picture.
TEST_F(ModelDeviceTest, UpdateRewritesTheDynamicBufferFromTheCpuCopy) {
  Model& model = VisibleBox();
  ModelAddDeformer(model, NewDeformer(kDeformerWave, 1.5708f, 3.0f, 1, 0, 0));
  ModelFinish(model);
  const Matrix world = Translation(0, 0, 5);
  const Vertex first = model.meshes[0]->vertices[0];
  ModelUpdate(model, 0.0f);
  EXPECT_EQ(DrawMiddle(model, &world, 1), kWhite);
  const Lines lines = TraceWhile([&] { ModelUpdate(model, 1.0f); });
  // One lock of the whole buffer (24 vertices of 56 bytes) with discard.
  const std::string whole =
      ", 0, " + std::to_string(24 * 56) + ", " + std::to_string(D3DLOCK_DISCARD) + ")";
  Lines locks;
  std::copy_if(lines.begin(), lines.end(), std::back_inserter(locks),
               [](const std::string& l) { return l.starts_with("Lock("); });
  ASSERT_EQ(locks.size(), 1u);
  EXPECT_TRUE(locks[0].ends_with(whole)) << locks[0];
  EXPECT_EQ(DrawMiddle(model, &world, 1), kBlack);
  EXPECT_EQ(std::memcmp(&first, &model.meshes[0]->vertices[0], sizeof first), 0);
  ModelUpdate(model, 0.0f);
  EXPECT_EQ(DrawMiddle(model, &world, 1), kWhite);
}

// Around a device reset the renderer releases every registered mesh and rebuilds it from the
// CPU arrays with its own dynamic flag, without registering it twice.
TEST_F(ModelDeviceTest, ResetRebuildsTheBuffersFromTheCpuArrays) {
  Model& model = VisibleBox();
  ModelAddDeformer(model, NewDeformer(kDeformerPulse, 0, 0, 1, 1, 1));
  ModelFinish(model);
  RendererReleaseMeshes(*device_.renderer);
  EXPECT_EQ(model.meshes[0]->vertexBuffer, nullptr);
  EXPECT_EQ(model.meshes[0]->indexBuffer, nullptr);
  RendererRestoreMeshes(*device_.renderer);
  EXPECT_EQ(model.meshes[0]->dynamic, 1);
  EXPECT_EQ(ListCount(*device_.renderer->meshes), 1u);
  const Matrix world = Translation(0, 0, 5);
  EXPECT_EQ(DrawMiddle(model, &world, 1), kWhite);
}

TEST_F(ModelDeviceTest, LeafNodesShareTheModel) {
  Model& model = NewModel();
  LeafNode* leaf = ModelCreateLeafNode(model);
  ASSERT_NE(leaf, nullptr);
  EXPECT_EQ(leaf->model, &model);
  EXPECT_EQ(leaf->device, &device_);
  EXPECT_EQ(leaf->kind, static_cast<uint32_t>(kNodeLeaf));
  LeafNodeCleanup(*leaf);
  crt::AlignedFree(leaf);
}

}  // namespace
