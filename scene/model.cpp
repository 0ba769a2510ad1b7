#include "scene/model.h"

#include "math/list.h"
#include "mesh/mesh.h"
#include "mesh/operators.h"
#include "platform/crt.h"
#include "platform/d3d9.h"
#include "scene/deformer.h"

namespace {

// Calls operation(mesh) for every non-empty slot, in the order 0, 1, 2.
template <class Operation>
void ForEachMesh(Model& model, Operation operation) {
  for (Mesh* mesh : model.meshes) {
    if (mesh) operation(*mesh);
  }
}

}  // namespace

Model* ModelInit(Model* model, Device* device) {
  *model = Model{};
  model->deformers = ListCreate();
  model->device = device;
  model->lit = 1;
  model->cull = 1;
  model->zWrite = 1;
  model->blendSource = D3DBLEND_ONE;
  model->blendDestination = D3DBLEND_ONE;
  model->blendOperation = D3DBLENDOP_ADD;
  return model;
}

void ModelDestroyContents(Model& model) {
  for (Mesh*& mesh : model.meshes) {
    MeshDestroy(mesh);
    mesh = nullptr;
  }
  if (!model.deformers) return;
  for (Deformer* deformer : ListItems<Deformer>(*model.deformers)) crt::AlignedDelete(deformer);
  ListDestroy(model.deformers);
  model.deformers = nullptr;
}

void ModelAddMesh(Model& model, const Mesh& mesh) {
  if (model.meshes[0]) {
    MeshMerge(*model.meshes[0], mesh);
  } else {
    model.meshes[0] = MeshClone(mesh);
  }
}

void ModelMerge(Model& model, const Model& source) {
  for (uint32_t i = 0; i < kModelMeshSlots; ++i) {
    const Mesh* from = source.meshes[i];
    if (!from) continue;
    if (model.meshes[i]) {
      MeshMerge(*model.meshes[i], *from);
    } else {
      model.meshes[i] = MeshClone(*from);
    }
  }
}

void ModelCloneMeshes(Model& model, const Model& source) {
  for (uint32_t i = 0; i < kModelMeshSlots; ++i) {
    if (!source.meshes[i]) continue;
    Mesh* clone = MeshClone(*source.meshes[i]);  // before the old one goes: the source may be us
    MeshDestroy(model.meshes[i]);
    model.meshes[i] = clone;
  }
}

void ModelAppendTransformed(Model& model, const Model& source, float tx, float ty, float tz,
                            float rx, float ry, float rz, float sx, float sy, float sz) {
  Model* temporary = ModelInit(crt::AlignedNew<Model>(), model.device);
  ModelCloneMeshes(*temporary, source);
  ModelRotate(*temporary, rx, ry, rz);
  ModelScale(*temporary, sx, sy, sz);
  ModelTranslate(*temporary, tx, ty, tz);
  ModelMerge(model, *temporary);
  ModelDestroyContents(*temporary);
  crt::AlignedDelete(temporary);
}

void ModelAddDeformer(Model& model, Deformer* deformer) {
  ListAppend(*model.deformers, deformer);
  model.animated = 1;
}

// ---- Forwarding operators ------------------------------------------------------------------

void ModelSetMaterial(Model& model, Material* material) {
  ForEachMesh(model, [=](Mesh& mesh) { MeshSetMaterial(mesh, material); });
}
void ModelFlip(Model& model) { ForEachMesh(model, MeshFlip); }
void ModelNegate(Model& model) { ForEachMesh(model, MeshNegate); }
void ModelScaleTexCoords(Model& model, float su, float sv) {
  ForEachMesh(model, [=](Mesh& mesh) { MeshScaleTexCoords(mesh, su, sv); });
}
void ModelAttract(Model& model, float x, float y, float z, float radius, uint8_t squared) {
  ForEachMesh(model, [=](Mesh& mesh) { MeshAttract(mesh, x, y, z, radius, squared); });
}
void ModelTranslate(Model& model, float x, float y, float z) {
  ForEachMesh(model, [=](Mesh& mesh) { MeshTranslate(mesh, x, y, z); });
}
void ModelScale(Model& model, float x, float y, float z) {
  ForEachMesh(model, [=](Mesh& mesh) { MeshScale(mesh, x, y, z); });
}
void ModelRotate(Model& model, float ax, float ay, float az) {
  ForEachMesh(model, [=](Mesh& mesh) { MeshRotate(mesh, ax, ay, az); });
}
void ModelJitter(Model& model, float ax, float ay, float az) {
  ForEachMesh(model, [=](Mesh& mesh) { MeshJitter(mesh, ax, ay, az); });
}
void ModelDisplace(Model& model, const Texture* texture, uint32_t mode, float amount) {
  ForEachMesh(model, [=](Mesh& mesh) { MeshDisplace(mesh, texture, mode, amount); });
}
void ModelExtrudeFacesJittered(Model& model, float s, float p, float tx, float ty, float tz,
                               float rs, float rp, float rx, float ry, float rz, uint32_t count,
                               uint32_t skip, uint8_t firstOnly) {
  ForEachMesh(model, [=](Mesh& mesh) {
    MeshExtrudeFacesJittered(mesh, s, p, tx, ty, tz, rs, rp, rx, ry, rz, count, skip, firstOnly);
  });
}
void ModelExtrudeFaces(Model& model, float s, float p, float tx, float ty, float tz,
                       uint32_t count) {
  ForEachMesh(model, [=](Mesh& mesh) { MeshExtrudeFaces(mesh, s, p, tx, ty, tz, count); });
}
void ModelComputeNormals(Model& model) { ForEachMesh(model, MeshComputeNormals); }
void ModelComputeTangents(Model& model) { ForEachMesh(model, MeshComputeTangents); }
