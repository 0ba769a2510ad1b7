// Opcode 13: one material: refraction flag and distortion scale, then its textures.
#include "loader/builder_common.h"
#include "loader/builders.h"
#include "mesh/material.h"
#include "platform/crt.h"

void BuildMaterial(SceneReader& reader) {
  Material* material = crt::AlignedNew<Material>();
  MaterialInit(*material);
  material->refraction = ReadByte(reader) != 0 ? 1 : 0;
  material->distortionScale = ReadFixed8(reader);
  ReadSubOps(reader, [&](uint32_t sub) {
    if (sub > 3) return;
    Texture* texture = ReadTextureRef(reader);
    if (!texture) return;  // an unresolved texture leaves the slot as it was
    Texture** slot[] = {&material->diffuse, &material->normalMap, &material->specular};
    *slot[sub - 1] = texture;
  });
  ListAppend(*reader.lists[kListMaterials], material);
}
