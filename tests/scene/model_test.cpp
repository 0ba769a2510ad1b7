// Models: building from meshes (slots, merges, clones, transformed copies),
// then finishing, uploading and drawing them on the device.
#include <cmath>
#include <cstring>

#include "mesh/material_run.h"
#include "mesh/mesh_test_util.h"
#include "scene/cull_sphere.h"
#include "scene/deformer.h"
#include "scene_fixture.h"

namespace {

using scenetest::Placed;

constexpr uint32_t kBlack = 0xFF000000u;

// A triangle with its first corner at `first`.
Mesh* Triangle(Vec3 first) {
  Mesh* mesh = meshtest::MeshOfPoints({first, {0, 1, 0}, {0, 0, 1}});
  meshtest::AddPolygon(*mesh, {0, 1, 2});
  return mesh;
}

// A model with a triangle, its first corner at (x, 0, 0), in each slot named; the others empty.
Model& WithTriangles(scenetest::Models& models,
                     std::initializer_list<std::pair<int, float>> slots) {
  Model& model = models.New(nullptr);
  for (auto [slot, x] : slots) model.meshes[slot] = Triangle({x, 0, 0});
  return model;
}

float FirstX(const Mesh* mesh, uint32_t vertex = 0) { return mesh->vertices[vertex].position.x; }

// The first mesh added is copied into slot 0, later ones merge into it. Merging models copies
// into empty slots and appends to full ones. Cloning replaces the slots the source fills,
// freeing what they held (the sanitizer build sees a leak otherwise), and keeps the others; a
// model cloned from itself stays intact. A transformed copy rotates (0, 0, 90), scales by 2,
// then moves by (1, 0, 0): (1, 0, 0) -> (1, 2, 0).
TEST(ModelBuild, SlotsFillMergeCloneAndTransform) {
  scenetest::Models m;
  Model& added = m.New(nullptr);
  for (float x : {1.0f, 2.0f}) {
    Mesh* mesh = Triangle({x, 0, 0});
    ModelAddMesh(added, *mesh);
    EXPECT_NE(added.meshes[0], mesh);
    MeshDestroy(mesh);
  }
  EXPECT_EQ(meshtest::Indices(*added.meshes[0]->faces[1]), (std::vector<uint16_t>{3, 4, 5}));
  EXPECT_EQ(FirstX(added.meshes[0], 3), 2.0f);

  Model& merged = WithTriangles(m, {{0, 1}, {2, 3}});
  Model& source = WithTriangles(m, {{0, 5}, {1, 6}});
  ModelMerge(merged, source);
  EXPECT_EQ(FirstX(merged.meshes[0], 3), 5.0f);
  ASSERT_NE(merged.meshes[1], nullptr);
  EXPECT_NE(merged.meshes[1], source.meshes[1]);
  EXPECT_EQ(merged.meshes[2]->vertexCount, 3u);

  Model& cloned = WithTriangles(m, {{0, 1}, {1, 2}});
  ModelCloneMeshes(cloned, WithTriangles(m, {{0, 7}}));
  EXPECT_EQ(FirstX(cloned.meshes[0]), 7.0f);
  EXPECT_EQ(FirstX(cloned.meshes[1]), 2.0f);
  const uint64_t before = meshtest::HashGeometry(*cloned.meshes[0]);
  ModelCloneMeshes(cloned, cloned);
  EXPECT_EQ(meshtest::HashGeometry(*cloned.meshes[0]), before);

  Model& moved = WithTriangles(m, {{0, 9}, {2, 0}});
  ModelAppendTransformed(moved, WithTriangles(m, {{0, 1}}), 1, 0, 0, 0, 0, 90, 2, 2, 2);
  const Vec3& p = moved.meshes[0]->vertices[3].position;
  EXPECT_TRUE(std::fabs(p.x - 1) < 1e-6f && std::fabs(p.y - 2) < 1e-6f && std::fabs(p.z) < 1e-6f);
}

class ModelOnDevice : public scenetest::SceneTest {
 protected:
  // Whether `draw` made a draw call.
  static bool Draws(const std::function<void()>& draw) {
    d3d9test::SetTrace(true);
    draw();
    const bool drawn = !d3d9test::TraceOf("DrawIndexedPrimitive").empty();
    d3d9test::SetTrace(false);
    return drawn;
  }
  uint32_t Mode() { return renderer().shaders.currentMode; }
  // Render states and their values, alternating.
  void ExpectStates(std::initializer_list<DWORD> pairs) {
    for (const DWORD* p = pairs.begin(); p != pairs.end(); p += 2)
      EXPECT_EQ(d3d9test::RenderState(d3d(), D3DRENDERSTATETYPE(p[0])), p[1]) << p[0];
  }
  // Clears to black, draws the model in its own layer, blended and special passes (no light
  // sphere) and returns the back buffer's middle pixel.
  uint32_t DrawMiddle(Model& model, const Matrix* world) {
    Fill(kBlack);
    ModelDraw(model, nullptr, world, model.layer, model.blended, model.special, 1, 0, nullptr);
    return BackPixel(rendertest::kSize / 2, rendertest::kSize / 2);
  }
};

// A static model: tangents, radius of slot 0, one run, static buffers, no phases, every slot
// registered for the reset; destroying it gives its buffers back. Without a mesh in slot 0
// nothing is finished or drawn, not even the other slots; a slot 0 of vertices without faces
// gets no index buffer and draws nothing.
TEST_F(ModelOnDevice, FinishBuildsRunsBuffersAndIncompleteModelsDrawNothing) {
  const int before = d3d9test::LiveResources(D3DPOOL_DEFAULT);
  Model& still = Box(1.0f);
  still.meshes[1] = MeshClone(*still.meshes[0]);
  ModelFinish(still);
  EXPECT_FLOAT_EQ(still.radius, std::sqrt(3.0f));
  for (Mesh* mesh : {still.meshes[0], still.meshes[1]})
    EXPECT_TRUE(mesh->indexBuffer && !mesh->dynamic && !mesh->phases && MeshRunCount(*mesh) == 1);
  EXPECT_NEAR(Vec3Length(still.meshes[0]->vertices[5].tangent), 1.0f, 1e-6f);
  EXPECT_EQ(ListCount(*renderer().meshes), 2u);
  ModelDestroyContents(still);
  EXPECT_EQ(d3d9test::LiveResources(D3DPOOL_DEFAULT), before);

  Model& empty = Box(1.0f);
  std::swap(empty.meshes[0], empty.meshes[1]);
  ModelFinish(empty);
  EXPECT_TRUE(empty.meshes[1]->vertexBuffer == nullptr && empty.radius == 0.0f);
  EXPECT_FALSE(Draws([&] { DrawMiddle(empty, nullptr); }));
  Model& points = models_.New(&device_);
  points.meshes[0] = meshtest::MeshOfPoints({{1, 0, 0}, {0, 2, 0}});
  points.meshes[0]->device = &device_;
  ModelFinish(points);
  EXPECT_TRUE(points.radius == 2.0f && points.meshes[0]->indexBuffer == nullptr);
  EXPECT_FALSE(Draws([&] { DrawMiddle(points, nullptr); }));
}

// A pass draws the models whose layer, blended and special flags match its selectors, each in
// its mode (the variant 5 above): unlit ones only without a light sphere, special ones in the
// refraction mode, the fog pass in its own mode with source-alpha blending. In a light's pass
// an opaque lit model blends additively with the alpha test, both left on; a blended model
// (unculled, no depth writing, wireframe) puts every state back after its draw.
TEST_F(ModelOnDevice, PassSelectorsAndTheLightSphereChooseWhichModelsDrawAndInWhichMode) {
  Model& model = FinishedBox(0, 0);
  const CullSphere sphere{{0, 0, 0}, 10.0f};
  using U8 = uint8_t;
  // The model's lit, special and variant flags; the pass's sphere, layer, blended, special,
  // ambient and overlay selectors; the mode drawn in (kShaderModeCount: not drawn).
  using Row = std::tuple<U8, U8, U8, const CullSphere*, U8, U8, U8, U8, U8, uint32_t>;
  const Row rows[] = {{0, 0, 0, nullptr, 1, 0, 0, 1, 0, kShaderModeCount},
                      {0, 0, 0, nullptr, 0, 1, 0, 1, 0, kShaderModeCount},
                      {0, 0, 0, nullptr, 0, 0, 1, 1, 0, kShaderModeCount},
                      {0, 0, 0, &sphere, 0, 0, 0, 1, 0, kShaderModeCount},
                      {0, 0, 0, nullptr, 0, 0, 0, 1, 0, kShaderModeUnlit},
                      {0, 0, 1, nullptr, 0, 0, 0, 1, 0, kShaderModeUnlitVariant},
                      {1, 0, 0, &sphere, 0, 0, 0, 0, 0, kShaderModeLit},
                      {1, 0, 1, &sphere, 0, 0, 0, 0, 0, kShaderModeLitVariant},
                      {0, 1, 1, nullptr, 0, 0, 1, 1, 0, kShaderModeRefraction},
                      {0, 1, 1, nullptr, 0, 0, 1, 1, 1, kShaderModeFog}};
  for (const Row& row : rows) {
    const auto [lit, special, variant, in, layer, blended, passSpecial, ambient, overlay, mode] =
        row;
    model.lit = lit;
    model.special = special;
    model.shaderVariant = variant;
    RendererSetShaderMode(renderer().shaders, kShaderModeBlack);
    const bool drawn = Draws([&] {
      ModelDraw(model, in, nullptr, layer, blended, passSpecial, ambient, overlay, nullptr);
    });
    EXPECT_EQ(drawn ? Mode() : kShaderModeCount, mode) << "row " << &row - rows;
    if (mode == kShaderModeLit)
      ExpectStates({D3DRS_ALPHATESTENABLE, TRUE, D3DRS_ALPHABLENDENABLE, TRUE, D3DRS_SRCBLEND,
                    D3DBLEND_ONE, D3DRS_DESTBLEND, D3DBLEND_ONE, D3DRS_BLENDOP, D3DBLENDOP_ADD});
  }
  ExpectStates({D3DRS_SRCBLEND, D3DBLEND_SRCALPHA, D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA});

  // The light-sphere test uses the stack top's translation before the world matrix: radius 1 at
  // distance 5 from a sphere of radius 4 touches it and is drawn, at 5.001 it is skipped; the
  // world matrix (far away here) does not move the test and is popped again.
  model.special = model.shaderVariant = 0;
  model.lit = 1;
  model.radius = 1.0f;
  const Matrix far = Placed({100, 0, 0});
  const CullSphere touched{{0, 0, 0}, 4.0f};
  for (auto [x, drawn] : {std::pair{5.0f, true}, {5.001f, false}, {-3.0f, true}}) {
    TransformStatePush(transform());
    TransformStateLoad(transform(), Placed({x, 0, 0}));
    EXPECT_EQ(Draws([&] { ModelDraw(model, &touched, &far, 0, 0, 0, 0, 0, nullptr); }), drawn) << x;
    EXPECT_EQ(TransformStateGetTop(transform())->m[12], x);
    TransformStatePop(transform());
  }

  model.blended = 1;
  model.cull = model.zWrite = 0;
  model.fillMode = 1;
  EXPECT_TRUE(Draws([&] { ModelDraw(model, nullptr, nullptr, 0, 1, 0, 1, 0, nullptr); }));
  EXPECT_EQ(Mode(), kShaderModeAmbient);
  ExpectStates({D3DRS_ALPHATESTENABLE, FALSE, D3DRS_ALPHABLENDENABLE, FALSE, D3DRS_CULLMODE,
                D3DCULL_CCW, D3DRS_ZWRITEENABLE, TRUE, D3DRS_FILLMODE, D3DFILL_SOLID});
}

// An animated model gets dynamic buffers and phases on the 62830 cycle (every box corner at
// the radius: a full cycle). An unlit box at z = 5 covers the middle of the target in white.
// A wave along x of amplitude 3 radii moves it aside at a quarter cycle (T = 15708) and back at
// time 0, the CPU copy untouched; around a device reset the buffers are rebuilt from the CPU
// arrays, dynamic still.
TEST_F(ModelOnDevice, DeformedModelsRedrawFromTheirCpuCopyAlsoAfterAReset) {
  Model& model = Box(1.0f);
  model.lit = 0;
  ModelAddDeformer(model,
                   crt::AlignedNew<Deformer>(Deformer{kDeformerWave, 0, 1.5708f, 3, 1, 0, 0}));
  ModelFinish(model);
  ASSERT_TRUE(model.meshes[0]->dynamic && model.meshes[0]->phases);
  EXPECT_EQ(model.meshes[0]->phases[0], 62830);
  const Matrix world = Placed({0, 0, 5}), aside = Placed({4, 0, 5});
  const Vertex first = model.meshes[0]->vertices[0];
  EXPECT_EQ(DrawMiddle(model, &aside), kBlack);
  for (auto [time, colour] : {std::pair{0.0f, rendertest::kWhite}, {1.0f, kBlack}}) {
    ModelUpdate(model, time);
    EXPECT_EQ(DrawMiddle(model, &world), colour) << time;
  }
  EXPECT_EQ(std::memcmp(&first, &model.meshes[0]->vertices[0], sizeof first), 0);
  RendererReleaseMeshes(renderer());
  EXPECT_EQ(model.meshes[0]->vertexBuffer, nullptr);
  RendererRestoreMeshes(renderer());
  EXPECT_TRUE(model.meshes[0]->dynamic == 1 && ListCount(*renderer().meshes) == 1);
  ModelUpdate(model, 0.0f);
  EXPECT_EQ(DrawMiddle(model, &world), rendertest::kWhite);
}

}  // namespace
