#include "scene/light.h"

#include "platform/crt.h"

namespace {

void SetColor(float (&color)[4], float a, float r, float g, float b) {
  color[0] = a;
  color[1] = r;
  color[2] = g;
  color[3] = b;
}

}  // namespace

Light* LightInit(Light* light) {
  light->matrix = crt::AlignedNew<Matrix>();
  LightSetDefaults(*light);
  return light;
}

void LightSetDefaults(Light& light) {
  MatrixSetIdentity(*light.matrix);
  light.enabled = 0;
  SetColor(light.diffuse, 1.0f, 0.0f, 0.0f, 0.0f);
  SetColor(light.specular, 1.0f, 0.0f, 0.0f, 0.0f);
  SetColor(light.ambient, 1.0f, 0.0f, 0.0f, 0.0f);
  light.range = 1000.0f;
}

Light* LightClone(const Light& source) {
  Light* clone = LightInit(crt::AlignedNew<Light>());
  Matrix* matrix = clone->matrix;
  *clone = source;
  clone->matrix = matrix;
  *clone->matrix = *source.matrix;
  return clone;
}

void LightCleanup(Light& light) {
  crt::AlignedDelete(light.matrix);
  light.matrix = nullptr;
}
