#include "scene/node.h"

#include "platform/crt.h"
#include "scene/anim.h"
#include "scene/kind3_node.h"
#include "scene/model.h"
#include "scene/scene.h"

namespace {

Matrix* NewIdentity() {
  Matrix* m = crt::AlignedNew<Matrix>();
  MatrixInit(*m);
  return m;
}

LeafNode& AsLeaf(SceneNode& node) { return reinterpret_cast<LeafNode&>(node); }
GroupNode& AsGroup(SceneNode& node) { return reinterpret_cast<GroupNode&>(node); }
SceneNode* AsNode(void* node) { return static_cast<SceneNode*>(node); }

}  // namespace

// ---- Dispatch -------------------------------------------------------------------------------

Matrix* SceneNodeMatrix(SceneNode& node) {
  if (node.kind == kNodeLeaf) return AsLeaf(node).matrix;
  if (node.kind == kNodeGroup) return AsGroup(node).matrix;
  return nullptr;
}

void SceneNodeResetMatrix(SceneNode& node) {
  if (Matrix* m = SceneNodeMatrix(node)) MatrixSetIdentity(*m);
}

Vec4 SceneNodeGetPosition(SceneNode& node) {
  const Matrix* m = SceneNodeMatrix(node);
  return m ? Vec4{m->m[12], m->m[13], m->m[14], 0.0f} : Vec4{0.0f, 0.0f, 0.0f, 0.0f};
}

void SceneNodeTransform(SceneNode& node, const Matrix& m) {
  if (Matrix* own = SceneNodeMatrix(node)) MatrixPreMultiply(m, *own);
}

SceneNode* SceneNodeClone(SceneNode& node) {
  switch (node.kind) {
    case kNodeLeaf: return AsNode(LeafNodeCreate(AsLeaf(node).device, AsLeaf(node).model));
    case kNodeGroup: return AsNode(GroupNodeClone(AsGroup(node)));
    case kNodeKind3: return AsNode(Kind3NodeCreate());
    default: return nullptr;
  }
}

void SceneNodeDestroy(SceneNode* node) {
  if (!node) return;
  switch (node->kind) {
    case kNodeLeaf:
      LeafNodeCleanup(AsLeaf(*node));
      crt::AlignedDelete(&AsLeaf(*node));
      return;
    case kNodeGroup: GroupNodeDestroy(&AsGroup(*node)); return;
    case kNodeKind3: Kind3NodeDestroy(reinterpret_cast<Kind3Node*>(node)); return;
    default: return;
  }
}

// ---- Leaves ---------------------------------------------------------------------------------

LeafNode* LeafNodeInit(LeafNode* leaf, Device* device, Model* model) {
  *leaf = LeafNode{kNodeLeaf, NewIdentity(), device, model};
  return leaf;
}

LeafNode* LeafNodeCreate(Device* device, Model* model) {
  return LeafNodeInit(crt::AlignedNew<LeafNode>(), device, model);
}

LeafNode* LeafNodeClone(const LeafNode& leaf) {
  LeafNode* clone = LeafNodeCreate(leaf.device, leaf.model);
  *clone->matrix = *leaf.matrix;
  return clone;
}

void LeafNodeCleanup(LeafNode& leaf) {
  crt::AlignedDelete(leaf.matrix);
  leaf.matrix = nullptr;
}

// ---- Groups ---------------------------------------------------------------------------------

GroupNode* GroupNodeCreate(Device* device) {
  return crt::AlignedNew<GroupNode>(kNodeGroup, ListCreate(), ListCreate(), nullptr, nullptr,
                                    NewIdentity(), device);
}

void GroupNodeAddChild(GroupNode& group, SceneNode* node) {
  ListAppend(*group.children, node);
  group.lastChild = node;
}

void GroupNodeAddBinding(GroupNode& group, AnimBinding* binding) {
  ListAppend(*group.bindings, binding);
  group.lastBinding = binding;
}

namespace {

// Calls visit on every binding of the group, then recurses into its child groups.
template <class Visit>
void ForEachBindingDeep(GroupNode& group, Visit visit) {
  for (AnimBinding* binding : ListItems<AnimBinding>(*group.bindings)) visit(*binding);
  for (SceneNode* child : ListItems<SceneNode>(*group.children)) {
    if (child && child->kind == kNodeGroup) ForEachBindingDeep(AsGroup(*child), visit);
  }
}

}  // namespace

void GroupNodeStoreRest(GroupNode& group) {
  ForEachBindingDeep(group, [](AnimBinding& b) { AnimBindingStoreRest(b); });
}

void GroupNodeReleaseContexts(GroupNode& group) {
  ForEachBindingDeep(group, [](AnimBinding& b) { AnimBindingReleaseContexts(b); });
}

void GroupNodeAnimate(GroupNode& group, float time, const SyncValues* sync) {
  ForEachBindingDeep(group, [&](AnimBinding& b) { AnimBindingApply(b, time, sync); });
}

void AnimBindingsRetarget(List& bindings, uint32_t first, const Matrix* from, Matrix* to) {
  uint32_t index = 0;
  for (AnimBinding* binding : ListItems<AnimBinding>(bindings)) {
    if (index++ >= first && binding->target == from) binding->target = to;
  }
}

// Clones the bindings of source into bindings; returns the clone of sourceLast (or null).
AnimBinding* AnimBindingsCloneInto(const List& source, List& bindings,
                                   const AnimBinding* sourceLast) {
  AnimBinding* last = nullptr;
  for (const AnimBinding* binding : ListItems<const AnimBinding>(source)) {
    AnimBinding* clone = AnimBindingClone(*binding);
    ListAppend(bindings, clone);
    if (binding == sourceLast) last = clone;
  }
  return last;
}

// The deep copy of a leaf or group child; null for kinds without a copy (kind 3 and others).
SceneNode* SceneNodeDeepCopy(SceneNode& node) {
  if (node.kind == kNodeLeaf) return AsNode(LeafNodeClone(AsLeaf(node)));
  if (node.kind == kNodeGroup) return AsNode(GroupNodeClone(AsGroup(node)));
  return nullptr;
}

GroupNode* GroupNodeClone(const GroupNode& source) {
  GroupNode* clone = crt::AlignedNew<GroupNode>(kNodeGroup, ListCreate(), ListCreate(), nullptr,
                                                nullptr, NewIdentity(), source.device);
  *clone->matrix = *source.matrix;
  clone->lastBinding =
      AnimBindingsCloneInto(*source.bindings, *clone->bindings, source.lastBinding);
  for (SceneNode* child : ListItems<SceneNode>(*source.children)) {
    SceneNode* copy = child ? SceneNodeDeepCopy(*child) : nullptr;
    if (!copy) continue;
    AnimBindingsRetarget(*clone->bindings, 0, SceneNodeMatrix(*child), SceneNodeMatrix(*copy));
    ListAppend(*clone->children, copy);
    if (child == source.lastChild) clone->lastChild = copy;
  }
  return clone;
}

void GroupNodeDestroy(GroupNode* group) {
  if (!group) return;
  for (AnimBinding* binding : ListItems<AnimBinding>(*group->bindings)) {
    AnimBindingDestroy(binding);
  }
  ListDestroy(group->bindings);
  for (SceneNode* child : ListItems<SceneNode>(*group->children)) SceneNodeDestroy(child);
  ListDestroy(group->children);
  crt::AlignedDelete(group->matrix);
  crt::AlignedDelete(group);
}

void GroupNodeCollectModels(GroupNode& group, Scene& scene) {
  for (SceneNode* child : ListItems<SceneNode>(*group.children)) {
    if (!child) continue;
    if (child->kind == kNodeGroup) {
      GroupNodeCollectModels(reinterpret_cast<GroupNode&>(*child), scene);
    } else if (child->kind == kNodeLeaf) {
      Model* model = reinterpret_cast<LeafNode&>(*child).model;
      if (model && model->animated) SceneAddModelUnique(scene, model);
    }
  }
}
