#pragma once
// Scene-graph nodes. Every node starts with a u32 kind: 0 LeafNode (places one shared Model),
// 1 GroupNode (children and the bindings that move them), 3 Kind3Node (no matrix, never drawn).
// The dispatching operations do nothing for other kinds (or yield null / zero).
#include <cstdint>

#include "math/list.h"
#include "math/matrix.h"
#include "math/vec.h"

struct AnimBinding;
struct CullSphere;
struct Device;
struct Material;
struct Model;
struct Scene;
struct SyncValues;

enum : uint32_t {
  kNodeLeaf = 0,
  kNodeGroup = 1,
  kNodeKind3 = 3,
};

struct SceneNode {
  uint32_t kind;
};

struct LeafNode {
  uint32_t kind;   // 0
  Matrix* matrix;  // owned; the world matrix of the model draw
  Device* device;
  Model* model;  // shared, not owned
};

struct GroupNode {
  uint32_t kind;   // 1
  List* children;  // SceneNode*, owned, drawn in order
  List* bindings;  // AnimBinding*, owned, applied in order
  SceneNode* lastChild;
  AnimBinding* lastBinding;
  Matrix* matrix;  // owned
  Device* device;
};

// The selectors of one draw pass, handed down to the model draw.
struct DrawPass {
  uint8_t ambient;  // 1: ambient pass without cull sphere; 0: one pass per light
  uint8_t layer;    // 0 or 1
  uint8_t blended;
  uint8_t special;
  uint8_t overlay;             // 1: the fog passes
  Material* materialOverride;  // always null
};

// ---- Dispatch on the kind ----------------------------------------------------------------

// The node's matrix (leaf or group); null for kind 3 and unknown kinds.
Matrix* SceneNodeMatrix(SceneNode& node);
void SceneNodeResetMatrix(SceneNode& node);
// (m12, m13, m14, 0) of its matrix; zero for a node without matrix.
Vec4 SceneNodeGetPosition(SceneNode& node);
// matrix = m x matrix.
void SceneNodeTransform(SceneNode& node, const Matrix& m);
// Leaf: a new leaf for the same model with an identity matrix; group: GroupNodeClone; kind 3:
// a blank kind-3 node; other kinds: null.
SceneNode* SceneNodeClone(SceneNode& node);
// Frees a node of any kind with what it owns; null and unknown kinds do nothing.
void SceneNodeDestroy(SceneNode* node);
// A leaf is drawn, a group drawn recursively, other kinds are skipped.
void SceneNodeDraw(SceneNode& node, const CullSphere* sphere, const DrawPass& pass);

// ---- Leaves --------------------------------------------------------------------------------

// Constructs in place: kind 0, new identity matrix, device, model. Returns leaf.
LeafNode* LeafNodeInit(LeafNode* leaf, Device* device, Model* model);
// A leaf on the aligned heap (LeafNodeInit).
LeafNode* LeafNodeCreate(Device* device, Model* model);
// A new leaf for the same device and model with a copy of the matrix.
LeafNode* LeafNodeClone(const LeafNode& leaf);
// Frees the matrix, not the model; the caller frees the leaf.
void LeafNodeCleanup(LeafNode& leaf);
// The model drawn with the leaf's matrix as world matrix.
void LeafNodeDraw(LeafNode& leaf, const CullSphere* sphere, const DrawPass& pass);

// ---- Groups --------------------------------------------------------------------------------

GroupNode* GroupNodeCreate(Device* device);
void GroupNodeAddChild(GroupNode& group, SceneNode* node);
void GroupNodeAddBinding(GroupNode& group, AnimBinding* binding);
void GroupNodeStoreRest(GroupNode& group);
void GroupNodeReleaseContexts(GroupNode& group);
// Its bindings in order, then its child groups in order, recursively.
void GroupNodeAnimate(GroupNode& group, float time, const SyncValues* sync);
// Every animated model of the leaves below, each added once.
void GroupNodeCollectModels(GroupNode& group, Scene& scene);
// Push, multiply by the group matrix, children in order, pop (the device's TransformState).
void GroupNodeDraw(GroupNode& group, const CullSphere* sphere, const DrawPass& pass);
// Deep copy: matrix, bindings (retargeted onto the cloned children), leaves and groups.
// Kind-3 children are not copied.
GroupNode* GroupNodeClone(const GroupNode& source);
// Frees the bindings, every child by kind, the lists, the matrix and the group. Null: nothing.
void GroupNodeDestroy(GroupNode* group);
// Retargets every binding of the list (from index first on) that moves from onto to.
void AnimBindingsRetarget(List& bindings, uint32_t first, const Matrix* from, Matrix* to);
// Appends a clone of every binding of source to bindings; returns the clone of sourceLast, or
// null when sourceLast is not in source.
AnimBinding* AnimBindingsCloneInto(const List& source, List& bindings,
                                   const AnimBinding* sourceLast);
// Leaf: LeafNodeClone (matrix copied); group: GroupNodeClone; other kinds: null (not copied).
SceneNode* SceneNodeDeepCopy(SceneNode& node);

// ---- Replicators ---------------------------------------------------------------------------
// Each copy is SceneNodeClone(template), reset, transformed by M and appended to the group.
// M starts as identity; translate, rotate (degrees) and scale each multiply onto its front.
// A template of kind 3 (no matrix) adds nothing.

struct GridCopies {
  float sx, sy, sz;                                   // spacing
  int32_t nx, ny, nz;                                 // counts
  float jitterPosition, jitterRotation, jitterScale;  // amplitudes
  int32_t seed;        // > 0: crt::srand(seed - 1) first; otherwise the sequence continues
  uint8_t jx, jy, jz;  // jitter flags per axis
};

// nx x ny x nz cells centred on the origin, the template in cell (0, 0, 0). Jitter draws
// rand() x (1/32767) x a - a x 0.5 per set flag in the order position x, y, z, rotation x, y, z,
// scale x, y, z.
void GroupNodeAddGridCopies(GroupNode& group, SceneNode& templ, const GridCopies& grid);
// nx x ny cells in the XY plane, cell (i, j) rotated by (i x a, j x b, 0) degrees.
void GroupNodeAddPlaneGridCopies(GroupNode& group, SceneNode& templ, float sx, float sy, int32_t nx,
                                 int32_t ny, float a, float b);
// The template at (0, 0, r) and n copies at equal angles about Y, copy k also turned by
// (k x a, _, k x b).
void GroupNodeAddRingCopies(GroupNode& group, SceneNode& templ, float r, float a, float b,
                            int32_t n);
// n copies along a path: each step adds step to the position, q to the rotation and multiplies
// scale and step by f; with turn set the step is d turned by the current rotation.
void GroupNodeAddPathCopies(GroupNode& group, SceneNode& templ, const Vec3& d, const Vec3& q,
                            const Vec3& f, uint8_t turn, int32_t n);
// A mirrored copy through point p of every child present at the call (kind 3 skipped).
void GroupNodeAddReflectedCopies(GroupNode& group, const Vec3& p);
