#pragma once
// The model tests' device: the rendering tests' fixture (a 64 x 64 window and stand-in device
// with the Device's transform state, target manager, renderer and frame targets) plus the
// trigonometric tables and models that are destroyed at tear-down. The view is the identity and
// the projection the default perspective, so a model placed at z = 5 fills the middle of the
// target.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "render/render_fixture.h"
#include "scene/model.h"

namespace meshtest {

class ModelDeviceTest : public rendertest::RenderTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  // A new model on the fixture's device.
  Model& NewModel();
  // A new model holding a closed box from (-h, -h, -h) to (h, h, h) in slot 0.
  Model& BoxModel(float h);
  // BoxModel(1) unlit and unculled: in the ambient pass mode 1 draws it in the white of the
  // default image from every side.
  Model& VisibleBox();
  // Clears to black, draws in the model's own layer, blended and special passes (no sphere)
  // and returns the back buffer's middle pixel.
  uint32_t DrawMiddle(Model& model, const Matrix* world, uint8_t ambient);
  // The call trace lines made while `body` ran.
  template <class Body>
  std::vector<std::string> TraceWhile(Body body);

 private:
  std::vector<Model*> models_;
};

void StartTrace();
std::vector<std::string> StopTrace();

template <class Body>
std::vector<std::string> ModelDeviceTest::TraceWhile(Body body) {
  StartTrace();
  body();
  return StopTrace();
}

// "SetRenderState(<state>, <value>)" as the call trace writes it.
std::string RenderStateLine(uint32_t state, uint32_t value);

}  // namespace meshtest
