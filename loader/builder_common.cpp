#include "loader/builder_common.h"

#include "math/matrix.h"

void ApplyTransform(Matrix& m, const ScriptTransform& t) {
  MatrixTranslate(m, t.translate[0], t.translate[1], t.translate[2]);
  MatrixRotateXYZ(m, t.rotate[0], t.rotate[1], t.rotate[2]);
  MatrixScale(m, t.scale[0], t.scale[1], t.scale[2]);
}
