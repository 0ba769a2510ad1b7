#pragma once
// Helpers the builders share: the sub-op loop and the nine-value placement.
#include "loader/scene_reader.h"

struct Matrix;

// Reads sub-op bytes (one tick each) and hands each non-zero one to apply(sub) until sub-op 0.
template <class Apply>
void ReadSubOps(SceneReader& reader, Apply apply) {
  for (;;) {
    uint32_t sub = ReadByte(reader);
    SceneReaderTick(reader);
    if (sub == 0) return;
    apply(sub);
  }
}

// MatrixTranslate, MatrixRotateXYZ, MatrixScale onto m, each pre-multiplied, so a point is
// scaled, then rotated, then translated, after whatever m already held.
void ApplyTransform(Matrix& m, const ScriptTransform& t);
