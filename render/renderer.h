#pragma once
// Renderer: the drawing object of the Device. Owns the default images that stand in for missing
// material textures, the screen-quad vertex buffer, the list of meshes rebuilt after a device
// reset, a copy of the current light and the shaders of the fifteen shader modes. Its central
// operation draws one Mesh in the current mode. Main thread only.
//
// Mesh draw constants (vertex): c0-c3 world-view-projection transposed, c4 light position in
// the mesh's object space, c5 (1 / range, 0.5, 1, 0), c6 (-view translation, 1),
// c7 (fog start, 1 / (fog end - fog start), 0, 0), c8-c11 inverse world-view-projection
// transposed, c12-c15 world-view-projection x bias transposed, c16 fog colour (r, g, b, a in
// 0..1). Pixel: c0 light diffuse (ambient with the alternate flag), c1 specular,
// c2 (specular power, 1, 1, 1) or the distortion scale of a refracting material.
// Stages: 0 diffuse or white, 1 normal map or flat normal, 2 attenuation volume or the screen
// copy (FrameTargetC), 3 specular or white.

#include <cstdint>

#include "math/list.h"
#include "math/vec.h"
#include "platform/d3d9.h"
#include "render/shader_mode.h"
#include "texgen/texture.h"

struct Device;
struct Material;
struct Mesh;

// The light values the mesh draw passes on. The renderer keeps a copy, so it never points at a
// light that has been freed (the ambient pass's temporary light). Colours are A, R, G, B.
struct RendererLight {
  Vec3 position;  // world space: the translation of the light's matrix
  float diffuse[4];
  float specular[4];
  float ambient[4];
  float range;  // > 0; the shaders receive 1 / range
};

constexpr uint32_t kVertexStride = 56;  // bytes per Vertex in every buffer

// Shader constant registers of the mesh draw.
constexpr uint32_t kRegisterFogColour = 16;

struct Renderer {
  Texture attenuation;      // 64^3 volume with a spherical falloff, clamped; stage 2 when lit
  Texture flatNormal;       // 4 x 4 flat normal map; stage 1 without a normal map
  Texture white;            // 4 x 4 opaque white, point filter; stages 0 and 3 without a texture
  List* meshes;             // meshes rebuilt after a device reset; not owned
  Mesh* screenQuad;         // only its vertex buffer is used
  RendererLight light;      // before any light is applied: the light defaults (see RendererInit)
  RendererShaders shaders;  // the fifteen modes and the current one
  IDirect3DDevice9* device;
  Device* owner;
};

// Constructs in place: screen quad, default images (uploaded through the owner), the light
// defaults (position 0, colours (1, 0, 0, 0), range 1000), the shaders of the shader table,
// current mode 0. Returns the renderer.
Renderer* RendererInit(Renderer* renderer, Device* owner, IDirect3DDevice9* device);
// Frees the default images, the mesh list (not the meshes), the screen quad and every shader.
void RendererCleanup(Renderer& renderer);
// The light's values become the current light's.
void RendererSetLight(Renderer& renderer, const RendererLight& light);
void RendererRegisterMesh(Renderer& renderer, Mesh* mesh);
// MeshRelease of every listed mesh, in list order (before a device reset).
void RendererReleaseMeshes(Renderer& renderer);
// MeshCreateBuffers with each listed mesh's own dynamic flag, then MeshUpload without
// registering again (after a device reset).
void RendererRestoreMeshes(Renderer& renderer);
// Draws the mesh's material runs in the current mode (override: every run's material). With
// `alternate` the light's ambient colour replaces its diffuse colour in pixel c0. Leaves the
// stream, indices, textures and shaders set.
void RendererDrawMesh(Renderer& renderer, Mesh& mesh, uint8_t alternate, Material* override);
