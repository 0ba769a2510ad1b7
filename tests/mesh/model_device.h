#pragma once
// A 64 x 64 window with a Direct3D stand-in device wrapped in a Device that has the
// TransformState and Renderer the model draw uses, plus the trigonometric tables; skipped
// without a display. The view is the identity and the projection the default perspective, so a
// model placed at z = 5 fills the middle of the target.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "mesh/mesh.h"
#include "mesh/model.h"
#include "shell/device.h"

namespace meshtest {

class ModelDeviceTest : public ::testing::Test {
 protected:
  static constexpr uint32_t kSize = 64;
  void SetUp() override;
  void TearDown() override;

  // A new model on the fixture's device (destroyed at tear-down).
  Model& NewModel();
  // A new model holding a closed box from (-h, -h, -h) to (h, h, h) in slot 0.
  Model& BoxModel(float h);
  // Clears to black, draws with the given pass selectors (no sphere, no world matrix unless
  // given) and returns the back buffer's middle pixel.
  uint32_t DrawMiddle(Model& model, const Matrix* world, uint8_t ambient);
  // Lines of the call trace made while `draw` ran.
  template <class Draw>
  std::vector<std::string> TraceWhile(Draw draw);

  Device device_{};
  std::vector<Model*> models_;

 private:
  HWND window_ = nullptr;
};

std::vector<std::string> TraceLines(bool on);

template <class Draw>
std::vector<std::string> ModelDeviceTest::TraceWhile(Draw draw) {
  TraceLines(true);
  draw();
  return TraceLines(false);
}

// "SetRenderState(<state>, <value>)" as the call trace writes it.
std::string RenderStateLine(uint32_t state, uint32_t value);

}  // namespace meshtest
