#include "mesh/vertex.h"

void Vec4FromVertexNormal(Vec4& out, const Vertex& vertex) { Vec4FromVec3(out, vertex.normal); }

void VertexSetNormal(Vertex& vertex, const Vec3& n) { vertex.normal = n; }
