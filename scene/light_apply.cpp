#include "render/device.h"
#include "render/renderer.h"
#include "scene/light.h"

void LightApply(Device& device, Light& light) {
  if (!light.enabled) return;
  RendererLight values{};
  MatrixGetTranslation(*light.matrix, values.position);
  for (int i = 0; i < 4; ++i) {
    values.diffuse[i] = light.diffuse[i];
    values.specular[i] = light.specular[i];
    values.ambient[i] = light.ambient[i];
  }
  values.range = light.range;
  RendererSetLight(*device.renderer, values);
}
