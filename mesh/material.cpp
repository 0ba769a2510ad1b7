#include "mesh/material.h"

void MaterialInit(Material& material) {
  material.diffuse = nullptr;
  material.normalMap = nullptr;
  material.specular = nullptr;
  material.specularPower = 8.0f;
  material.refraction = 0;
  material.distortionScale = 1.0f;
}
