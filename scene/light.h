#pragma once
// A point light: a transform whose translation is the light position, three colours (each
// A, R, G, B as floats, 1.0 = full) and a range. A scene holds up to eight in its slots.
#include <cstdint>

#include "math/matrix.h"

struct Device;

struct Light {
  Matrix* matrix;    // owned; translation (elements 12..14) = position
  uint8_t enabled;   // only an enabled light becomes the renderer's current light
  float diffuse[4];  // A, R, G, B: light colour of the per-light passes
  float specular[4];
  float ambient[4];  // light colour of the ambient passes, summed over the slots
  float range;       // radius of the pass's cull sphere; the shaders get 1 / range
};

// Constructs in place: new identity matrix, then LightSetDefaults. Returns light.
Light* LightInit(Light* light);
// Matrix = identity, enabled 0, the three colours (1, 0, 0, 0), range 1000.0.
void LightSetDefaults(Light& light);
// A new light (aligned heap) with the source's enabled flag, colours, range and matrix.
Light* LightClone(const Light& source);
// Frees the matrix; the caller frees the light.
void LightCleanup(Light& light);
// An enabled light becomes the renderer's current light; a disabled one changes nothing.
void LightApply(Device& device, Light& light);
