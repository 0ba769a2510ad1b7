#pragma once
// The Model: what the scene graph draws. Up to three meshes (slot 0 is the one drawn, bounded
// and counted; slots 1 and 2 only receive meshes from other models' slots 1 and 2), one set of
// draw settings, an optional list of per-frame deformers and a bounding radius. The model
// builder creates and fills it (generator meshes, operators applied to every slot, merges and
// copies, deformers) and finishes it; leaf nodes share it; every frame the scene updates its
// animated models and draws its leaves pass by pass. Models live for the rest of the run.
// Main thread only.

#include <cstdint>

struct CullSphere;
struct Device;
struct LeafNode;
struct List;
struct Material;
struct Matrix;
struct Mesh;
struct Texture;
struct Deformer;

constexpr uint32_t kModelMeshSlots = 3;

struct Model {
  uint8_t animated;               // 1 once a deformer is added: dynamic buffers, deformed per frame
  List* deformers;                // Deformer pointers, owned with their deformers
  float radius;                   // largest vertex distance from the origin in slot 0 (ModelFinish)
  Mesh* meshes[kModelMeshSlots];  // owned; absent slots are null
  Device* device;                 // owner of the meshes and of the render states
  uint8_t blended;                // belongs to the blended passes and uses its blend settings
  uint8_t layer;                  // the layer pass it belongs to (0 or 1)
  uint8_t lit;                    // 0: only in passes without a light sphere, unlit shader mode
  uint8_t cull;                   // 0: back-face culling off while drawn
  uint8_t zWrite;                 // 0: depth writing off while drawn
  uint8_t shaderVariant;          // non-zero: the second shader of each pair (mode + 5)
  uint8_t special;                // belongs to the special passes, drawn in refraction mode 13
  uint32_t blendSource;           // D3DBLEND, default 2 (ONE)
  uint32_t blendDestination;      // D3DBLEND, default 2 (ONE)
  uint32_t blendOperation;        // D3DBLENDOP, default 1 (ADD)
  uint32_t fillMode;              // 0 solid, 1 wireframe, 2 points
};

// ---- Construction and contents (mesh/model.cpp) ------------------------------------------

// Constructs in place on `device`: not animated, a new empty deformer list, radius 0, no
// meshes, not blended, layer 0, lit, culled, depth writing on, variant 0, not special, blend
// ONE / ONE / ADD, solid fill. Returns model.
Model* ModelInit(Model* model, Device* device);
// MeshDestroy of every non-empty slot (its GPU buffers given back first), every deformer
// freed, the list destroyed. The caller frees the model.
void ModelDestroyContents(Model& model);
// Slot 0 empty: slot 0 = MeshClone(mesh); otherwise MeshMerge(slot 0, mesh). The caller keeps
// the mesh.
void ModelAddMesh(Model& model, const Mesh& mesh);
// Per slot: the source's slot empty: nothing; this slot empty: a clone of it; otherwise the
// source's mesh merged into this slot's.
void ModelMerge(Model& model, const Model& source);
// Per slot where the source has a mesh: this slot = a clone of it; the mesh the slot held is
// destroyed.
void ModelCloneMeshes(Model& model, const Model& source);
// Merges a copy of the source's meshes rotated by (rx, ry, rz) degrees, then scaled by
// (sx, sy, sz), then translated by (tx, ty, tz) (through a temporary model on this model's
// device, destroyed afterwards).
void ModelAppendTransformed(Model& model, const Model& source, float tx, float ty, float tz,
                            float rx, float ry, float rz, float sx, float sy, float sz);
// Appends the deformer (the model takes it over, it must come from crt::AlignedNew);
// animated = 1.
void ModelAddDeformer(Model& model, Deformer* deformer);

// Forwarding operators: the mesh operation of the same verb (mesh/operators.h, mesh/mesh.h)
// on every non-empty slot in the order 0, 1, 2 with the same arguments, so random draws
// happen slot after slot.
void ModelSetMaterial(Model& model, Material* material);
void ModelFlip(Model& model);
void ModelNegate(Model& model);
void ModelScaleTexCoords(Model& model, float su, float sv);
void ModelAttract(Model& model, float x, float y, float z, float radius, uint8_t squared);
void ModelTranslate(Model& model, float x, float y, float z);
void ModelScale(Model& model, float x, float y, float z);
void ModelRotate(Model& model, float ax, float ay, float az);
void ModelJitter(Model& model, float ax, float ay, float az);
void ModelDisplace(Model& model, const Texture* texture, uint32_t mode, float amount);
void ModelExtrudeFacesJittered(Model& model, float s, float p, float tx, float ty, float tz,
                               float rs, float rp, float rx, float ry, float rz, uint32_t count,
                               uint32_t skip, uint8_t firstOnly);
void ModelExtrudeFaces(Model& model, float s, float p, float tx, float ty, float tz,
                       uint32_t count);
void ModelComputeNormals(Model& model);
void ModelComputeTangents(Model& model);

// ---- Finishing, upload, update and draw (mesh/model_draw.cpp) ----------------------------

// Nothing when slot 0 is empty. Otherwise: ModelComputeTangents; radius = the largest
// |position| of slot 0's vertices (0 when none is above 0); MeshFinish(slot, animated, radius)
// for every non-empty slot; ModelUpload.
void ModelFinish(Model& model);
// Only when slot 0 holds a mesh: MeshUpload with registration for every non-empty slot.
void ModelUpload(Model& model);
// When animated: MeshDeform(slot, time, deformers, radius) for every non-empty slot. time in
// seconds as the scene hands it down.
void ModelUpdate(Model& model, float time);
// Draws slot 0 for one pass. The model takes part only when its layer, blended and special
// flags equal the pass's, and an unlit model only when no sphere is given. With a sphere it is
// skipped when sphere radius + model radius < the distance from the sphere's centre to the
// model's centre (the translation of the transform stack's top before `world` is applied):
// touching spheres are drawn. `world` is pushed onto the stack for the draw. States: blended
// models and every non-ambient pass get alpha test, the model's blend function and blending;
// the overlay (fog) pass source-alpha blending; culling off (cull 0), depth writing off
// (zWrite 0) and the fill mode as the model asks. Shader mode: overlay 14, special 13, unlit 1,
// ambient 5, otherwise 2, the last three + 5 with the shader variant. Nothing is drawn without
// a vertex buffer. Afterwards culling, depth writing and fill mode are put back, and alpha test
// and blending switched off for a blended model only: for an opaque one they stay on.
void ModelDraw(Model& model, const CullSphere* sphere, const Matrix* world, uint8_t layer,
               uint8_t blended, uint8_t special, uint8_t ambient, uint8_t overlay,
               Material* materialOverride);
// A new LeafNode (LeafNodeInit with the model's device and the model); null when the
// allocation fails.
LeafNode* ModelCreateLeafNode(Model& model);
