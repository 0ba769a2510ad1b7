#pragma once
// The third kind of scene node (kind value 3): a record the script can build and attach to
// scenes and groups, which nothing draws, animates or interprets. It has no matrix: position
// queries, transforms, replicators and deep clones pass it over.
#include <cstdint>

#include "math/vec.h"

struct Texture;

struct Kind3Node {
  uint32_t kind;  // 3
  Texture* texture;
  uint16_t count;
  float value1;
  float value2;
  uint32_t color1;  // 0xAARRGGBB
  uint32_t color2;
  Vec4 vector1;  // x, y, z used; zero at construction
  Vec4 vector2;
  uint32_t color3;
  float value3;
  float value4;
  Vec4 vector3;
  Vec4 vector4;
};

// A blank node on the aligned heap: kind 3, the four vectors' x, y, z zero, everything else
// zero as well (the builder writes the rest). Kind3NodeCreateB is the same operation.
Kind3Node* Kind3NodeCreate();
Kind3Node* Kind3NodeCreateB();
// x, y and z of the four vectors = 0.0.
void Kind3NodeInitVectors(Kind3Node& node);
// Frees the node; null does nothing.
void Kind3NodeDestroy(Kind3Node* node);
