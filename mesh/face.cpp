#include "mesh/face.h"

#include <cmath>
#include <utility>

#include "mesh/mesh.h"
#include "platform/crt.h"

namespace {

// An index array of n entries, absent for n = 0.
uint16_t* NewIndexArray(uint32_t n) { return n ? crt::AlignedNewArray<uint16_t>(n) : nullptr; }

const Vertex& CornerVertex(const MeshFace& face, uint32_t corner) {
  return face.mesh->vertices[face.corners[corner]];
}

bool Occurs(const uint16_t* values, uint32_t count, uint16_t value) {
  for (uint32_t i = 0; i < count; ++i) {
    if (values[i] == value) return true;
  }
  return false;
}

bool IsZero(const Vec3& v) { return v.x == 0.0f && v.y == 0.0f && v.z == 0.0f; }

bool IsFinite(const Vec3& v) {
  return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

// The tangent one triangle adds to its vertices, or false when it adds nothing.
bool TriangleTangent(Vec3& out, const Vertex& A, const Vertex& B, const Vertex& C) {
  Vec3 e1, e2, area;
  Vec3Sub(e1, B.position, A.position);
  Vec3Sub(e2, C.position, A.position);
  Vec3Cross(area, e1, e2);
  if (IsZero(area)) return false;
  const float du1 = B.u - A.u, du2 = C.u - A.u, dv1 = B.v - A.v, dv2 = C.v - A.v;
  float a = du1 - dv1 * du2 / dv2;
  if (a != 0.0f) a = 1.0f / a;
  float b = du2 - dv2 * du1 / dv1;
  if (b != 0.0f) b = 1.0f / b;
  Vec3 T{a * e1.x + b * e2.x, a * e1.y + b * e2.y, a * e1.z + b * e2.z};
  Vec3Normalize(T);
  Vec3 N;
  Vec3Add(N, A.normal, B.normal);
  Vec3Add(N, N, C.normal);
  Vec3Normalize(N);
  Vec3Scale(N, Vec3Dot(T, N));
  Vec3Sub(out, T, N);
  Vec3Normalize(out);
  return IsFinite(out);
}

}  // namespace

MeshFace* MeshFaceCreate(Mesh* mesh) {
  MeshFace* face = crt::AlignedNew<MeshFace>();
  face->mesh = mesh;
  return face;
}

void MeshFaceInit(MeshFace& face, Mesh* mesh, uint32_t indexCount, uint32_t cornerCount) {
  crt::AlignedFree(face.indices);
  crt::AlignedFree(face.corners);
  face.indices = NewIndexArray(indexCount);
  face.corners = NewIndexArray(cornerCount);
  face.indexCount = indexCount;
  face.cornerCount = cornerCount;
  face.mesh = mesh;
  face.material = nullptr;
}

void MeshFaceSetCorner(MeshFace& face, uint16_t i, uint16_t vertex) {
  if (i < face.cornerCount) face.corners[i] = vertex;
}

void MeshFaceSetIndices(MeshFace& face, uint32_t n, const uint16_t* source) {
  for (uint32_t i = 0; i < n && i < face.indexCount; ++i) face.indices[i] = source[i];
  uint32_t written = 0;
  for (uint32_t i = 0; i < n && written < face.cornerCount; ++i) {
    if (!Occurs(source, i, source[i])) face.corners[written++] = source[i];
  }
}

void MeshFaceSetMaterial(MeshFace& face, Material* material) { face.material = material; }

void MeshFaceTriangulate(MeshFace& face) {
  crt::AlignedFree(face.indices);
  const uint32_t triangles = face.cornerCount < 3 ? 0 : face.cornerCount - 2;
  face.indexCount = triangles * 3;
  face.indices = NewIndexArray(face.indexCount);
  for (uint32_t k = 1; k <= triangles; ++k) {
    uint16_t* triangle = face.indices + (k - 1) * 3;
    triangle[0] = face.corners[0];
    triangle[1] = face.corners[k];
    triangle[2] = face.corners[k + 1];
  }
}

void MeshFaceReverse(MeshFace& face) {
  for (uint32_t i = 0; i < face.indexCount / 2; ++i) {
    std::swap(face.indices[i], face.indices[face.indexCount - 1 - i]);
  }
}

void MeshFaceCentroid(Vec3& out, const MeshFace& face) {
  Vec3 sum{0.0f, 0.0f, 0.0f};
  for (uint32_t i = 0; i < face.cornerCount; ++i) Vec3Add(sum, sum, CornerVertex(face, i).position);
  if (face.cornerCount == 0) {
    out = sum;
    return;
  }
  const float n = static_cast<float>(face.cornerCount);
  out = Vec3{sum.x / n, sum.y / n, sum.z / n};
}

void MeshFaceMeanTexCoord(const MeshFace& face, float& u, float& v) {
  float su = 0.0f, sv = 0.0f;
  for (uint32_t i = 0; i < face.cornerCount; ++i) {
    su += CornerVertex(face, i).u;
    sv += CornerVertex(face, i).v;
  }
  const float scale = face.cornerCount ? 1.0f / static_cast<float>(face.cornerCount) : 0.0f;
  u = su * scale;
  v = sv * scale;
}

void MeshFacePlane(Vec3& out, const MeshFace& face) {
  out = Vec3{0.0f, 0.0f, 0.0f};
  for (uint32_t i = 2; i < face.cornerCount; ++i) {
    const Vec3& p0 = CornerVertex(face, i - 2).position;
    Vec3 a, b, normal;
    Vec3Sub(a, p0, CornerVertex(face, i - 1).position);
    Vec3Sub(b, p0, CornerVertex(face, i).position);
    if (Vec3Length(a) == 0.0f || Vec3Length(b) == 0.0f) continue;
    Vec3Cross(normal, a, b);
    Vec3Normalize(normal);
    if (IsZero(normal)) continue;  // collinear corners
    out = normal;
    return;
  }
}

void MeshFaceAddNormal(const MeshFace& face) {
  Vec3 plane;
  MeshFacePlane(plane, face);
  for (uint32_t i = 0; i < face.cornerCount; ++i) {
    Vec3& normal = face.mesh->vertices[face.corners[i]].normal;
    Vec3Add(normal, normal, plane);
  }
}

void MeshFaceAddTangents(const MeshFace& face) {
  Vertex* vertices = face.mesh->vertices;
  for (uint32_t t = 0; t < face.indexCount / 3; ++t) {
    const uint16_t* triangle = face.indices + t * 3;
    Vec3 tangent;
    if (!TriangleTangent(tangent, vertices[triangle[0]], vertices[triangle[1]],
                         vertices[triangle[2]])) {
      continue;
    }
    for (int k = 0; k < 3; ++k) {
      Vec3& sum = vertices[triangle[k]].tangent;
      Vec3Add(sum, sum, tangent);
    }
  }
}

MeshFace* MeshFaceClone(const MeshFace& source, Mesh* target, uint16_t offset) {
  MeshFace* face = crt::AlignedNew<MeshFace>(source);
  face->mesh = target;
  face->indices = NewIndexArray(source.indexCount);
  face->corners = NewIndexArray(source.cornerCount);
  for (uint32_t i = 0; i < source.indexCount; ++i) {
    face->indices[i] = static_cast<uint16_t>(source.indices[i] + offset);
  }
  for (uint32_t i = 0; i < source.cornerCount; ++i) {
    face->corners[i] = static_cast<uint16_t>(source.corners[i] + offset);
  }
  return face;
}

void MeshFaceDestroy(MeshFace* face) {
  if (!face) return;
  crt::AlignedFree(face->indices);
  crt::AlignedFree(face->corners);
  crt::AlignedDelete(face);
}
