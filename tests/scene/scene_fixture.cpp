#include "scene_fixture.h"

#include "mesh/generators.h"
#include "mesh/trig_tables.h"
#include "platform/crt.h"
#include "scene/camera.h"
#include "scene/node.h"

namespace scenetest {

void SceneTest::SetUp() {
  RenderTest::SetUp();
  if (!IsSkipped()) TrigTablesCreate();
}

void SceneTest::TearDown() {
  for (Scene* scene : scenes_) SceneDestroy(scene);
  for (Model* model : models_) {
    ModelDestroyContents(*model);
    crt::AlignedDelete(model);
  }
  if (!IsSkipped()) TrigTablesDestroy();
  RenderTest::TearDown();
}

Model& SceneTest::Box(float h, Material* material) {
  models_.push_back(ModelInit(crt::AlignedNew<Model>(), &device_));
  Mesh* box = MeshCreateBox(2 * h, 2 * h, 2 * h, material, &device_);
  ModelAddMesh(*models_.back(), *box);
  MeshDestroy(box);
  return *models_.back();
}

Model& SceneTest::FinishedBox(uint8_t layer, uint8_t lit, Material* material) {
  Model& model = Box(1.0f, material);
  model.layer = layer;
  model.lit = lit;
  ModelFinish(model);
  return model;
}

Scene& SceneTest::NewScene(bool camera) {
  scenes_.push_back(SceneCreate());
  if (camera) scenes_.back()->camera = CameraInit(crt::AlignedNew<Camera>(), &device_);
  return *scenes_.back();
}

void SceneTest::AddLeaf(Scene& scene, Model& model, float z) {
  LeafNode* leaf = LeafNodeCreate(&device_, &model);
  MatrixTranslate(*leaf->matrix, 0, 0, z);
  SceneAddNode(scene, reinterpret_cast<SceneNode*>(leaf));
}

uint32_t SceneTest::DrawMiddle(Model& model, const Matrix* world, uint8_t ambient) {
  Fill(0xFF000000u);
  ModelDraw(model, nullptr, world, model.layer, model.blended, model.special, ambient, 0, nullptr);
  return BackPixel(rendertest::kSize / 2, rendertest::kSize / 2);
}

}  // namespace scenetest
