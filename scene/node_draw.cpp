// Drawing the node tree pass by pass.
#include "render/device.h"
#include "render/transform_state.h"
#include "scene/model.h"
#include "scene/node.h"

void SceneNodeDraw(SceneNode& node, const CullSphere* sphere, const DrawPass& pass) {
  if (node.kind == kNodeLeaf) LeafNodeDraw(reinterpret_cast<LeafNode&>(node), sphere, pass);
  if (node.kind == kNodeGroup) GroupNodeDraw(reinterpret_cast<GroupNode&>(node), sphere, pass);
}

void LeafNodeDraw(LeafNode& leaf, const CullSphere* sphere, const DrawPass& pass) {
  if (!leaf.model) return;
  ModelDraw(*leaf.model, sphere, leaf.matrix, pass.layer, pass.blended, pass.special, pass.ambient,
            pass.overlay, pass.materialOverride);
}

void GroupNodeDraw(GroupNode& group, const CullSphere* sphere, const DrawPass& pass) {
  TransformState& state = *group.device->transformState;
  TransformStatePush(state);
  TransformStateMultiply(state, *group.matrix);
  for (SceneNode* child : ListItems<SceneNode>(*group.children)) {
    if (child) SceneNodeDraw(*child, sphere, pass);
  }
  TransformStatePop(state);
}
