#include "mesh/material_run.h"
#include "mesh/material.h"
#include "mesh_test_util.h"
#include "render/mesh_finish.h"

namespace {

using meshtest::AddPolygon;
using meshtest::MeshOfPoints;
using U16 = std::vector<uint16_t>;

struct RunsFixture : ::testing::Test {
  void SetUp() override {
    MaterialInit(a);
    MaterialInit(b);
    mesh = MeshOfPoints({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {2, 0, 0}, {2, 1, 0}});
  }
  void TearDown() override { MeshDestroy(mesh); }
  void AddFace(std::initializer_list<uint16_t> corners, Material* material) {
    MeshFaceSetMaterial(*AddPolygon(*mesh, corners), material);
  }
  U16 RunIndices(uint32_t run) const {
    const MaterialRun& r = MeshRunAt(*mesh, run);
    return U16(mesh->indices + r.firstIndex, mesh->indices + r.firstIndex + 3 * r.triangleCount);
  }
  void BuildAndFlatten() {
    MeshBuildRuns(*mesh);
    MeshFlattenRuns(*mesh);
  }
  Material a, b;
  Mesh* mesh = nullptr;
};

// Faces A, B, A, none: runs in order of first occurrence, each run's faces in face order, one
// contiguous range per material in the flattened array.
TEST_F(RunsFixture, FacesGroupByMaterialInFirstOccurrenceOrder) {
  AddFace({0, 1, 2, 3}, &a);  // 6 indices
  AddFace({1, 4, 5}, &b);     // 3
  AddFace({1, 4, 2}, &a);     // 3
  AddFace({4, 5, 2, 3}, nullptr);
  BuildAndFlatten();
  EXPECT_EQ(mesh->indexCount, 18u);
  ASSERT_EQ(MeshRunCount(*mesh), 3u);
  for (auto [run, material] : {std::pair{0u, &a}, {1u, &b}, {2u, nullptr}})
    EXPECT_EQ(MeshRunAt(*mesh, run).material, material) << run;
  EXPECT_EQ(RunIndices(0), (U16{0, 1, 2, 0, 2, 3, 1, 4, 2}));
  EXPECT_EQ(RunIndices(1), (U16{1, 4, 5}));
  EXPECT_EQ(RunIndices(2), (U16{4, 5, 2, 4, 2, 3}));
  EXPECT_EQ(MeshRunAt(*mesh, 2).firstIndex, 12u);
}

// Runs are keyed by the record, not its content; finishing again (after an edit) starts the
// runs afresh; faces without triangles make a run of none; no faces, no runs.
TEST_F(RunsFixture, RunsAreKeyedByRecordAndRebuiltAfresh) {
  AddFace({0, 1, 2}, &a);
  AddFace({0, 2, 3}, &b);  // same content as a
  BuildAndFlatten();
  EXPECT_EQ(MeshRunCount(*mesh), 2u);
  mesh->faces[1]->material = &a;
  AddFace({1, 4, 5}, &b);
  AddFace({0, 1}, &b);  // two corners: no triangles
  BuildAndFlatten();
  ASSERT_EQ(MeshRunCount(*mesh), 2u);
  EXPECT_EQ(mesh->indexCount, 9u);
  EXPECT_EQ(RunIndices(0), (U16{0, 1, 2, 0, 2, 3}));
  EXPECT_EQ(RunIndices(1), (U16{1, 4, 5}));
  MeshDestroy(mesh);
  mesh = MeshCreate(nullptr, 0, 0);
  BuildAndFlatten();
  EXPECT_EQ(MeshRunCount(*mesh), 0u);
}

// More than 65,535 triangle indices in a mesh whose vertices fit 16-bit indices: the second
// run starts beyond 65,535 and the first run's triangle count exceeds 65,535; neither wraps.
TEST_F(RunsFixture, FirstIndexAndTriangleCountDoNotWrapAt16Bits) {
  constexpr uint32_t kTriangles = 70000;
  // One face of 70,000 triangles (a face's index count is not limited to one byte).
  MeshFace* big = MeshFaceCreate(mesh);
  MeshFaceInit(*big, mesh, 3 * kTriangles, 3);
  for (uint32_t i = 0; i < 3 * kTriangles; ++i) big->indices[i] = static_cast<uint16_t>(i % 3);
  MeshFaceSetMaterial(*big, &a);
  MeshAddFace(*mesh, big);
  AddFace({2, 1, 0}, &b);
  BuildAndFlatten();
  ASSERT_EQ(MeshRunCount(*mesh), 2u);
  EXPECT_EQ(MeshRunAt(*mesh, 0).triangleCount, kTriangles);
  EXPECT_EQ(MeshRunAt(*mesh, 1).firstIndex, 3 * kTriangles);
  EXPECT_EQ(mesh->indices[3 * kTriangles], 2);
}

// Phase = round(|p| / radius x 62830): at the radius a full cycle, halfway half of it, off
// axis by the Euclidean length; a radius of 0 gives phase 0 instead of a division by zero.
TEST(MeshPhases, PhaseGrowsWithDistanceRelativeToTheRadius) {
  Mesh* mesh = MeshOfPoints({{2, 0, 0}, {1, 0, 0}, {0, 0, 0}, {0, 1.2f, 1.6f}});
  MeshBuildPhases(*mesh, 2.0f);
  EXPECT_EQ(std::vector<int32_t>(mesh->phases, mesh->phases + 4),
            (std::vector<int32_t>{62830, 31415, 0, 62830}));
  MeshBuildPhases(*mesh, 4.0f);       // rebuilt, not leaked (the sanitizer build checks)
  EXPECT_EQ(mesh->phases[1], 15708);  // 15707.5 rounds to even
  MeshDestroy(mesh);

  Mesh* point = MeshOfPoints({{0, 0, 0}, {0, 0, 0}});
  MeshBuildPhases(*point, 0.0f);
  EXPECT_TRUE(point->phases[0] == 0 && point->phases[1] == 0);
  MeshDestroy(point);
}

}  // namespace
