// Opcode 2: one model from generators, operators, earlier models and deformers.
#include <cstdio>

#include "loader/builder_common.h"
#include "loader/builders.h"
#include "mesh/generators.h"
#include "mesh/mesh.h"
#include "platform/crt.h"
#include "scene/deformer.h"
#include "scene/model.h"

namespace {

using R = SceneReader;

float F16(R& r) { return ReadFixed16(r); }
float F8(R& r) { return ReadFixed8(r); }
uint32_t U8(R& r) { return ReadByte(r); }

// Direct3D blend values the header selects.
constexpr uint32_t kBlendZero = 1, kBlendOne = 2, kBlendSrcAlpha = 5, kBlendInvSrcAlpha = 6,
                   kBlendDestColor = 9;
constexpr uint32_t kBlendOpAdd = 1, kBlendOpRevSubtract = 3;

void ReadModelHeader(R& r, Model& m) {
  uint32_t blend = U8(r);
  struct Blend {
    uint32_t source, destination, operation;
    uint8_t zWrite;
  };
  const Blend modes[] = {{kBlendOne, kBlendOne, kBlendOpAdd, 0},
                         {kBlendOne, kBlendOne, kBlendOpRevSubtract, 0},
                         {kBlendSrcAlpha, kBlendInvSrcAlpha, kBlendOpAdd, 1},
                         {kBlendDestColor, kBlendZero, kBlendOpAdd, 0}};
  if (blend != 0) m.blended = 1;
  if (blend >= 1 && blend <= 4) {
    const Blend& b = modes[blend - 1];
    m.blendSource = b.source;
    m.blendDestination = b.destination;
    m.blendOperation = b.operation;
    m.zWrite = b.zWrite;
  }
  uint32_t fill = U8(r);
  if (fill <= 2) m.fillMode = fill;
  if (U8(r) != 0) m.layer = 1;
  if (U8(r) == 0) m.lit = 0;
  if (U8(r) != 0) m.shaderVariant = 1;
  if (U8(r) == 0) m.cull = 0;
  if (U8(r) != 0) m.special = 1;
}

// Adds a generated mesh to slot 0 and destroys it. The generators give an empty mesh for a
// count of 0 and for one beyond the 16-bit index range (drawing it would wrap its indices);
// the builder says so instead of adding nothing silently. A generator whose material does not
// resolve makes nothing.
void AddGenerated(Model& m, Mesh* mesh) {
  if (!mesh) return;
  if (mesh->vertexCount > 0) {
    ModelAddMesh(m, *mesh);
  } else {
    std::fprintf(stderr,
                 "scene script: a generated mesh is empty (a count of 0, or more vertices than "
                 "16-bit indices reach); the model does without it\n");
  }
  MeshDestroy(mesh);
}

// Generator sub-ops 1 to 7, 26 and 31 to 33; false for every other sub-op.
bool ReadGenerator(R& r, Model& m, uint32_t sub) {
  float a[4] = {};
  uint32_t n[3] = {};
  Device* d = r.device;
  Mesh* mesh = nullptr;
  Material* mat = nullptr;
  switch (sub) {
    case 1:
      for (int i = 0; i < 3; ++i) a[i] = F16(r);
      ReadU16(r);
      if ((mat = ReadMaterialRef(r))) mesh = MeshCreateBox(a[0], a[1], a[2], mat, d);
      break;
    case 2:
      a[0] = F16(r);
      n[0] = U8(r);
      if ((mat = ReadMaterialRef(r))) mesh = MeshCreateSphere(a[0], uint16_t(n[0]), mat, d);
      break;
    case 3:
    case 6:
      for (int i = 0; i < 3; ++i) a[i] = F16(r);  // radius, unused, height
      n[0] = U8(r);
      n[1] = U8(r);
      if (!(mat = ReadMaterialRef(r))) break;
      mesh = (sub == 3) ? MeshCreateCylinder(a[0], a[2], uint16_t(n[0]), uint16_t(n[1]), mat, d)
                        : MeshCreateCone(a[0], a[2], uint16_t(n[0]), uint16_t(n[1]), mat, d);
      break;
    case 4:
      a[0] = F16(r);
      a[1] = F16(r);
      n[0] = U8(r);
      n[1] = U8(r);
      if ((mat = ReadMaterialRef(r))) mesh = MeshCreateTorus(a[0], a[1], n[0], n[1], mat, d);
      break;
    case 5:
      for (int i = 0; i < 3; ++i) a[i] = F16(r);
      if ((mat = ReadMaterialRef(r))) mesh = MeshCreatePyramid(a[0], a[1], a[2], mat, d);
      break;
    case 7:  // the two count bytes are not used: 16 rings per turn, 16 segments
      a[0] = F16(r);
      a[1] = F16(r);
      U8(r);
      U8(r);
      n[0] = U8(r);
      a[2] = F16(r);
      if ((mat = ReadMaterialRef(r)))
        mesh = MeshCreateHelix(a[0], a[1], n[0], a[2], 16, 16, mat, d);
      break;
    case 26:
      for (int i = 0; i < 3; ++i) a[i] = F16(r);
      a[3] = F8(r);
      ReadU16(r);
      if ((mat = ReadMaterialRef(r))) mesh = MeshCreateTaperedBox(a[0], a[1], a[2], a[3], mat, d);
      break;
    case 31:
      a[0] = F16(r);
      a[1] = F16(r);
      n[0] = ReadU16(r);
      n[1] = ReadU16(r);
      if ((mat = ReadMaterialRef(r))) mesh = MeshCreateSheet(a[0], a[1], n[0], n[1], 0, 0, mat, d);
      break;
    case 32:
      a[0] = F16(r);
      a[1] = F16(r);
      n[0] = ReadU16(r);
      n[1] = ReadU16(r);
      n[2] = U8(r);
      if ((mat = ReadMaterialRef(r))) mesh = MeshCreateTube(a[0], a[1], n[0], n[1], n[2], mat, d);
      break;
    case 33:
      for (int i = 0; i < 3; ++i) a[i] = F16(r);
      if ((mat = ReadMaterialRef(r))) mesh = MeshCreateShapeFromTables(a[0], a[1], a[2], mat, d);
      break;
    default: return false;
  }
  AddGenerated(m, mesh);
  return true;
}

// Sub-ops that take an earlier model: 13, 14, 22 to 25.
bool ReadModelOp(R& r, Model& m, uint32_t sub) {
  if (sub != 13 && sub != 14 && (sub < 22 || sub > 25)) return false;
  Model* source = ReadModelRef(r);
  if (sub == 14) {
    float v[9];
    for (float& x : v) x = F16(r);
    if (source)
      ModelAppendTransformed(m, *source, v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8]);
  }
  if (source && sub == 13) ModelMerge(m, *source);
  if (source && sub == 25) ModelCloneMeshes(m, *source);
  return true;
}

Deformer* ReadDeformer(R& r) {
  Deformer* deformer = crt::AlignedNew<Deformer>();
  deformer->type = U8(r);
  deformer->secondValue = U8(r);
  deformer->speed = F8(r);
  deformer->amplitude = F8(r);
  deformer->onX = U8(r) != 0 ? 1 : 0;
  deformer->onY = U8(r) != 0 ? 1 : 0;
  deformer->onZ = U8(r) != 0 ? 1 : 0;
  return deformer;
}

// Operators on the whole model: 8 to 12, 15 to 21 and 27 to 30.
void ReadOperator(R& r, Model& m, uint32_t sub) {
  float v[10] = {};
  auto read = [&](int count) {
    for (int i = 0; i < count; ++i) v[i] = F16(r);
  };
  switch (sub) {
    case 8:
      read(3);
      ModelScale(m, v[0], v[1], v[2]);
      break;
    case 9:
      read(3);
      ModelTranslate(m, v[0], v[1], v[2]);
      break;
    case 10:
      read(3);
      ModelRotate(m, v[0], v[1], v[2]);
      break;
    case 11: ModelNegate(m); break;
    case 12: ModelFlip(m); break;
    case 16:
      read(2);
      ModelScaleTexCoords(m, v[0], v[1]);
      break;
    case 17: {
      read(5);
      uint32_t count = U8(r);
      ModelExtrudeFaces(m, v[0], v[1], v[2], v[3], v[4], count);
      break;
    }
    case 18:
      read(3);
      ModelJitter(m, v[0], v[1], v[2]);
      break;
    case 19:
      if (Material* mat = ReadMaterialRef(r)) ModelSetMaterial(m, mat);
      break;
    case 20:
      F16(r);
      U8(r);
      break;
    case 21: ModelComputeNormals(m); break;
    case 27: ModelAddDeformer(m, ReadDeformer(r)); break;
    case 28: {
      read(4);
      uint8_t squared = U8(r) != 0;
      ModelAttract(m, v[0], v[1], v[2], v[3], squared);
      break;
    }
    case 29: {
      read(5);
      for (int i = 5; i < 10; ++i) v[i] = F8(r);
      uint32_t count = U8(r), skip = ReadU16(r);
      uint8_t firstOnly = U8(r) != 0;
      ModelExtrudeFacesJittered(m, v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8], v[9],
                                count, skip, firstOnly);
      break;
    }
    case 30: {
      Texture* texture = ReadTextureRef(r);
      uint32_t mode = U8(r);
      float amount = F16(r);
      if (texture) ModelDisplace(m, texture, mode, amount);
      break;
    }
    default: break;  // 15 and sub-ops 34 to 255 read nothing
  }
}

// Merges and copies can grow a slot beyond the 16-bit index range; such a slot is dropped.
void DropOversizedMeshes(Model& m) {
  for (Mesh*& mesh : m.meshes) {
    if (!mesh || MeshFitsIndexRange(*mesh)) continue;
    std::fprintf(stderr,
                 "scene script: a model mesh of %u vertices exceeds the 16-bit index range\n",
                 mesh->vertexCount);
    MeshDestroy(mesh);
    mesh = nullptr;
  }
}

}  // namespace

void BuildModel(SceneReader& reader) {
  Model* model = ModelInit(crt::AlignedNew<Model>(), reader.device);
  ReadModelHeader(reader, *model);
  ReadSubOps(reader, [&](uint32_t sub) {
    if (!ReadGenerator(reader, *model, sub) && !ReadModelOp(reader, *model, sub)) {
      ReadOperator(reader, *model, sub);
    }
  });
  DropOversizedMeshes(*model);
  ModelFinish(*model);
  ListAppend(*reader.lists[kListModels], model);
}
