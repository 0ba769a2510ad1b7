#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "mesh/operators.h"
#include "mesh_test_util.h"
#include "platform/crt.h"
#include "scene/model.h"

namespace {

using meshtest::AddPolygon;
using meshtest::HashGeometry;
using meshtest::Indices;
using meshtest::MeshOfPoints;
using U16 = std::vector<uint16_t>;

// A triangle with its first corner at `first`.
Mesh* Triangle(Vec3 first) {
  Mesh* mesh = MeshOfPoints({first, {0, 1, 0}, {0, 0, 1}});
  AddPolygon(*mesh, {0, 1, 2});
  return mesh;
}

struct ModelFixture : ::testing::Test {
  Model& New() {
    models.push_back(ModelInit(crt::AlignedNew<Model>(), nullptr));
    return *models.back();
  }
  void TearDown() override {
    for (Model* model : models) {
      ModelDestroyContents(*model);
      crt::AlignedDelete(model);
    }
  }
  std::vector<Model*> models;
};

// The first mesh is copied into slot 0 (the caller keeps and frees its own), later ones are
// merged into it with their indices offset.
TEST_F(ModelFixture, AddMeshCopiesFirstAndMergesLater) {
  Model& model = New();
  Mesh* a = Triangle({1, 0, 0});
  ModelAddMesh(model, *a);
  ASSERT_NE(model.meshes[0], nullptr);
  EXPECT_NE(model.meshes[0], a);
  MeshDestroy(a);
  Mesh* b = Triangle({2, 0, 0});
  ModelAddMesh(model, *b);
  MeshDestroy(b);
  const Mesh& slot = *model.meshes[0];
  EXPECT_EQ(slot.vertexCount, 6u);
  ASSERT_EQ(slot.faceCount, 2u);
  EXPECT_EQ(Indices(*slot.faces[1]), (U16{3, 4, 5}));
  EXPECT_EQ(slot.vertices[3].position.x, 2.0f);
  EXPECT_EQ(model.meshes[1], nullptr);
}

// Per slot: an empty source slot leaves the slot alone, an empty target slot gets a copy, two
// meshes merge.
TEST_F(ModelFixture, MergeCopiesIntoEmptySlotsAndAppendsToFullOnes) {
  Model& target = New();
  Model& source = New();
  target.meshes[0] = Triangle({1, 0, 0});
  target.meshes[2] = Triangle({3, 0, 0});
  source.meshes[0] = Triangle({5, 0, 0});
  source.meshes[1] = Triangle({6, 0, 0});
  ModelMerge(target, source);
  EXPECT_EQ(target.meshes[0]->vertexCount, 6u);
  EXPECT_EQ(target.meshes[0]->vertices[3].position.x, 5.0f);
  ASSERT_NE(target.meshes[1], nullptr);
  EXPECT_NE(target.meshes[1], source.meshes[1]);
  EXPECT_EQ(target.meshes[1]->vertices[0].position.x, 6.0f);
  EXPECT_EQ(target.meshes[2]->vertexCount, 3u);
  EXPECT_EQ(source.meshes[0]->vertexCount, 3u);
}

// Cloning replaces the slots the source fills (the old meshes are freed: the sanitizer build
// sees a leak otherwise) and keeps the others; a model cloned from itself stays intact.
TEST_F(ModelFixture, CloneMeshesReplacesAndFreesWhatTheSlotHeld) {
  Model& target = New();
  Model& source = New();
  target.meshes[0] = Triangle({1, 0, 0});
  target.meshes[1] = Triangle({2, 0, 0});
  source.meshes[0] = Triangle({7, 0, 0});
  MeshMerge(*source.meshes[0], *target.meshes[1]);
  ModelCloneMeshes(target, source);
  EXPECT_EQ(target.meshes[0]->vertexCount, 6u);
  EXPECT_EQ(target.meshes[0]->vertices[0].position.x, 7.0f);
  EXPECT_EQ(target.meshes[1]->vertices[0].position.x, 2.0f);
  const uint64_t before = HashGeometry(*target.meshes[0]);
  ModelCloneMeshes(target, target);
  EXPECT_EQ(HashGeometry(*target.meshes[0]), before);
}

// Rotation (0, 0, 90), then scale 2, then translation (1, 0, 0): (1, 0, 0) -> (0, 1, 0) ->
// (0, 2, 0) -> (1, 2, 0). The source is not changed and the copy is appended.
TEST_F(ModelFixture, AppendTransformedRotatesThenScalesThenTranslates) {
  Model& model = New();
  Model& source = New();
  model.meshes[0] = Triangle({9, 9, 9});
  source.meshes[0] = Triangle({1, 0, 0});
  ModelAppendTransformed(model, source, 1, 0, 0, 0, 0, 90, 2, 2, 2);
  ASSERT_EQ(model.meshes[0]->vertexCount, 6u);
  const Vec3& p = model.meshes[0]->vertices[3].position;
  EXPECT_NEAR(p.x, 1.0f, 1e-6f);
  EXPECT_NEAR(p.y, 2.0f, 1e-6f);
  EXPECT_NEAR(p.z, 0.0f, 1e-6f);
  EXPECT_EQ(source.meshes[0]->vertices[0].position.x, 1.0f);
  EXPECT_EQ(model.meshes[0]->faces[1]->mesh, model.meshes[0]);
}

// Forwarded random operators run slot after slot, 0 then 1 then 2, so the slots draw the same
// values as the mesh operator applied to each in that order.
TEST_F(ModelFixture, ForwardedOperatorsRunOverTheSlotsInOrder) {
  Model& model = New();
  model.meshes[0] = Triangle({1, 0, 0});
  model.meshes[2] = MeshOfPoints({{0, 0, 0}});
  MeshMerge(*model.meshes[0], *model.meshes[2]);
  std::vector<Mesh*> copies = {MeshClone(*model.meshes[0]), MeshClone(*model.meshes[2])};
  crt::srand(77);
  ModelJitter(model, 0.5f, 1.0f, 2.0f);
  crt::srand(77);
  for (Mesh* copy : copies) MeshJitter(*copy, 0.5f, 1.0f, 2.0f);
  EXPECT_EQ(HashGeometry(*model.meshes[0]), HashGeometry(*copies[0]));
  EXPECT_EQ(HashGeometry(*model.meshes[2]), HashGeometry(*copies[1]));
  for (Mesh* copy : copies) MeshDestroy(copy);
}

}  // namespace
