#include "model_device.h"

#include "mesh/generators.h"
#include "mesh/mesh.h"
#include "mesh/trig_tables.h"
#include "platform/crt.h"
#include "platform/testing.h"

namespace meshtest {

void ModelDeviceTest::SetUp() {
  RenderTest::SetUp();
  if (IsSkipped()) return;
  TrigTablesCreate();
}

void ModelDeviceTest::TearDown() {
  for (Model* model : models_) {
    ModelDestroyContents(*model);
    crt::AlignedDelete(model);
  }
  TrigTablesDestroy();
  RenderTest::TearDown();
}

Model& ModelDeviceTest::NewModel() {
  models_.push_back(ModelInit(crt::AlignedNew<Model>(), &device_));
  return *models_.back();
}

Model& ModelDeviceTest::BoxModel(float h) {
  Model& model = NewModel();
  Mesh* box = MeshCreateBox(2 * h, 2 * h, 2 * h, nullptr, &device_);
  ModelAddMesh(model, *box);
  MeshDestroy(box);
  return model;
}

Model& ModelDeviceTest::VisibleBox() {
  Model& model = BoxModel(1.0f);
  model.lit = 0;
  model.cull = 0;
  return model;
}

uint32_t ModelDeviceTest::DrawMiddle(Model& model, const Matrix* world, uint8_t ambient) {
  Fill(0xFF000000u);
  ModelDraw(model, nullptr, world, model.layer, model.blended, model.special, ambient, 0, nullptr);
  return ReadBack()[(rendertest::kSize / 2) * rendertest::kSize + rendertest::kSize / 2];
}

void StartTrace() { d3d9test::SetTrace(true); }

std::vector<std::string> StopTrace() {
  std::vector<std::string> lines = d3d9test::Trace();
  d3d9test::SetTrace(false);
  return lines;
}

std::string RenderStateLine(uint32_t state, uint32_t value) {
  return "SetRenderState(" + std::to_string(state) + ", " + std::to_string(value) + ")";
}

}  // namespace meshtest
