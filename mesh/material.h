#pragma once
// The set of textures and shading values a face is drawn with. Faces point to a material and
// finishing groups a mesh's faces into one index run per material record (keyed by address,
// not by content). Materials are shared by any number of faces and live for the whole run.

#include <cstdint>

struct Texture;

struct Material {
  Texture* diffuse;       // stage 0; absent: the renderer's white image
  Texture* normalMap;     // stage 1; absent: the renderer's flat normal map
  Texture* specular;      // stage 3 unless refracting; absent: white
  float specularPower;    // specular exponent for non-refracting materials
  uint8_t refraction;     // 1: sample the screen copy at stage 2 and distort it
  float distortionScale;  // strength of the screen distortion of refracting materials
};

// The three textures absent, specularPower 8.0, refraction 0, distortionScale 1.0.
void MaterialInit(Material& material);
