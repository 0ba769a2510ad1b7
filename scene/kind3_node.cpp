#include "scene/kind3_node.h"

#include "platform/crt.h"
#include "scene/node.h"

Kind3Node* Kind3NodeCreate() {
  Kind3Node* node = crt::AlignedNew<Kind3Node>();  // value-initialised: every field zero
  Kind3NodeInitVectors(*node);
  node->kind = kNodeKind3;
  return node;
}

Kind3Node* Kind3NodeCreateB() { return Kind3NodeCreate(); }

void Kind3NodeInitVectors(Kind3Node& node) {
  for (Vec4* v : {&node.vector1, &node.vector2, &node.vector3, &node.vector4}) {
    v->x = 0.0f;
    v->y = 0.0f;
    v->z = 0.0f;
  }
}

void Kind3NodeDestroy(Kind3Node* node) { crt::AlignedDelete(node); }
