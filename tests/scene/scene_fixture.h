#pragma once
// The fixture of the model and scene tests on the device: the rendering fixture plus the
// trigonometric tables, and the models and scenes a test makes, freed at tear-down. The view
// is the identity and the projection the default perspective, so a box placed at z = 5 fills
// the middle of the 64 x 64 target.

#include <vector>

#include "scene/model.h"
#include "scene/scene.h"
#include "tests/support/render_fixture.h"

namespace scenetest {

class SceneTest : public rendertest::RenderTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  // A new model holding a closed box from (-h, -h, -h) to (h, h, h) in slot 0, not finished.
  Model& Box(float h, Material* material = nullptr);
  // A finished box of half size 1 in `layer`; unlit it draws in the white of the default
  // image, lit it shows black in the ambient pass of a scene without lights. Its faces take
  // `material` where given.
  Model& FinishedBox(uint8_t layer, uint8_t lit, Material* material = nullptr);
  // A new scene, with a camera on the device unless asked not to.
  Scene& NewScene(bool camera = true);
  // A leaf of the model at z = 5 in the scene, or at z where asked (behind the camera at
  // z < 0, where nothing of it is drawn).
  void AddLeaf(Scene& scene, Model& model, float z = 5.0f);
  // A 4 x 4 image of one colour.
  Texture* Solid(uint32_t colour) { return Image(4, 4, std::vector<uint32_t>(16, colour)); }
  // Clears to black, draws the model in its own layer, blended and special passes (no light
  // sphere) and returns the back buffer's middle pixel.
  uint32_t DrawMiddle(Model& model, const Matrix* world, uint8_t ambient = 1);

  std::vector<Model*> models_;

 private:
  std::vector<Scene*> scenes_;
};

}  // namespace scenetest
