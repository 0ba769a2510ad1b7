// Opcode 13: one material: refraction flag and distortion scale, then its textures.
#include "loader/builders.h"
#include "loader/scene_reader.h"
#include "mesh/material.h"
#include "platform/crt.h"

void BuildMaterial(SceneReader& reader) {
  Material* material = crt::AlignedNew<Material>();
  MaterialInit(*material);
  material->refraction = ReadByte(reader) != 0 ? 1 : 0;
  material->distortionScale = ReadFixed8(reader);
  for (;;) {
    uint32_t sub = ReadByte(reader);
    SceneReaderTick(reader);
    if (sub == 0) break;
    if (sub < 1 || sub > 3) continue;
    Texture* texture = ReadTextureRef(reader);
    if (!texture) continue;  // an unresolved texture leaves the slot as it was
    Texture** slot[] = {&material->diffuse, &material->normalMap, &material->specular};
    *slot[sub - 1] = texture;
  }
  ListAppend(*reader.lists[kListMaterials], material);
}
