#pragma once
// The sphere of one light's pass: a model whose bounding sphere lies wholly outside it is not
// drawn in that pass. Built by the scene's per-light passes, read by the model draw.
#include "math/vec.h"

struct CullSphere {
  Vec3 centre;   // the light's position (translation of its matrix)
  float radius;  // the light's range, world units
};
