#include "mesh/operators.h"

#include <cmath>
#include <cstring>

#include "platform/crt.h"
#include "texgen/pixel.h"
#include "texgen/texture.h"

namespace {

// 1 / 32767 as the float the random scaling uses.
constexpr float kRandScale = 3.0518509447574615e-05f;

// A random value in [0, range]: one draw.
float RandomUpTo(float range) { return static_cast<float>(crt::rand()) * kRandScale * range; }

// base + a random value in [0, range] - range / 2: one draw.
float Jittered(float base, float range) { return base + RandomUpTo(range) - range * 0.5f; }

// (x, y, z, 0) x m: the upper 3 x 3 part only.
void TransformDirection(Vec3& v, const Matrix& m) {
  const float x = v.x, y = v.y, z = v.z;
  const float* e = m.m;
  v = Vec3{x * e[0] + y * e[4] + z * e[8], x * e[1] + y * e[5] + z * e[9],
           x * e[2] + y * e[6] + z * e[10]};
}

}  // namespace

void MeshTransform(Mesh& mesh, const Matrix& m) {
  MeshForEachVertex(mesh, [&m](Vertex& vertex) {
    Vec4 p;
    Vec4FromVec3(p, vertex.position);
    MatrixTransformPoint(p, m);
    vertex.position = Vec3{p.x, p.y, p.z};
    TransformDirection(vertex.normal, m);
  });
}

void MeshTranslate(Mesh& mesh, float x, float y, float z) {
  Matrix m;
  MatrixInit(m);
  MatrixTranslate(m, x, y, z);
  MeshTransform(mesh, m);
}

void MeshScale(Mesh& mesh, float x, float y, float z) {
  Matrix m;
  MatrixInit(m);
  MatrixScale(m, x, y, z);
  MeshTransform(mesh, m);
}

void MeshRotate(Mesh& mesh, float ax, float ay, float az) {
  Matrix m;
  MatrixInit(m);
  MatrixRotateXYZ(m, ax, ay, az);
  MeshTransform(mesh, m);
}

void MeshFlip(Mesh& mesh) {
  MeshForEachVertex(mesh, [](Vertex& vertex) { Vec3Scale(vertex.normal, -1.0f); });
  MeshForEachFace(mesh, [](MeshFace& face) { MeshFaceReverse(face); });
}

void MeshNegate(Mesh& mesh) {
  MeshForEachVertex(mesh, [](Vertex& vertex) {
    Vec3Scale(vertex.position, -1.0f);
    Vec3Scale(vertex.normal, -1.0f);
  });
}

void MeshScaleTexCoords(Mesh& mesh, float su, float sv) {
  MeshForEachVertex(mesh, [su, sv](Vertex& vertex) {
    vertex.u *= su;
    vertex.v *= sv;
  });
}

void MeshSetMaterial(Mesh& mesh, Material* material) {
  MeshForEachFace(mesh, [material](MeshFace& face) { MeshFaceSetMaterial(face, material); });
}

void MeshJitter(Mesh& mesh, float ax, float ay, float az) {
  MeshForEachVertex(mesh, [ax, ay, az](Vertex& vertex) {
    vertex.position.x += RandomUpTo(ax) - ax * 0.5f;
    vertex.position.y += RandomUpTo(ay) - ay * 0.5f;
    vertex.position.z += RandomUpTo(az) - az * 0.5f;
  });
  MeshComputeNormals(mesh);
}

void MeshAttract(Mesh& mesh, float x, float y, float z, float radius, uint8_t squared) {
  const Vec3 point{x, y, z};
  MeshForEachVertex(mesh, [&point, radius, squared](Vertex& vertex) {
    Vec3 d;
    Vec3Sub(d, point, vertex.position);
    const float length = Vec3Length(d);
    // Outside the radius, or at the point (where f would be 0 / 0 for radius 0): no move.
    if (!(length <= radius) || length == 0.0f) return;
    float f = length / radius;
    if (squared) f *= f;
    Vec3Scale(d, 1.0f - f);
    Vec3Add(vertex.position, vertex.position, d);
  });
}

void MeshMerge(Mesh& mesh, const Mesh& source) {
  const uint32_t vertexCount = mesh.vertexCount + source.vertexCount;
  const uint32_t faceCount = mesh.faceCount + source.faceCount;
  if (!source.vertices || vertexCount == 0 || faceCount == 0) return;
  // Everything is built before the old arrays go, so a mesh may merge a copy of itself.
  Vertex* vertices = static_cast<Vertex*>(crt::AlignedAlloc(sizeof(Vertex) * vertexCount));
  if (mesh.vertexCount) std::memcpy(vertices, mesh.vertices, sizeof(Vertex) * mesh.vertexCount);
  std::memcpy(vertices + mesh.vertexCount, source.vertices, sizeof(Vertex) * source.vertexCount);
  MeshFace** faces = static_cast<MeshFace**>(crt::AlignedAlloc(sizeof(MeshFace*) * faceCount));
  if (mesh.faceCount) std::memcpy(faces, mesh.faces, sizeof(MeshFace*) * mesh.faceCount);
  const uint16_t offset = static_cast<uint16_t>(mesh.vertexCount);
  for (uint32_t i = 0; i < source.faceCount; ++i) {
    faces[mesh.faceCount + i] = MeshFaceClone(*source.faces[i], &mesh, offset);
  }
  crt::AlignedFree(mesh.vertices);
  crt::AlignedFree(mesh.faces);
  mesh.vertices = vertices;
  mesh.vertexCount = mesh.vertexCapacity = vertexCount;
  mesh.faces = faces;
  mesh.faceCount = mesh.faceCapacity = faceCount;
}

// ---- Displacement ---------------------------------------------------------------------------
namespace {

constexpr double kInverseTwoPi = 0.15915494580678602;
constexpr float kInverse255 = 0.003921568859368563f;

// R 0.6 + G 0.3 + B 0.1 with the weights in double precision, rounded once to float.
float Brightness(uint32_t pixel) {
  return static_cast<float>(PixelRed(pixel) * 0.6 + PixelGreen(pixel) * 0.3 +
                            PixelBlue(pixel) * 0.1);
}

uint32_t PixelAt(const Texture& texture, int32_t row, int32_t column) {
  return texture
      .pixels[FloorMod(row, texture.height) * texture.width + FloorMod(column, texture.width)];
}

// An angle from atan, taken into [0, 2pi) by adding 6.2831852 when negative.
float PositiveAngle(float angle) {
  return angle < 0.0f ? static_cast<float>(angle + 6.2831852) : angle;
}

// Row from the latitude, column from the longitude. atan, not atan2, is kept on purpose:
// longitudes of x < 0 fold onto those of x > 0.
uint32_t SphericalPixel(const Texture& texture, const Vec3& p) {
  const float s = std::sqrt(p.x * p.x + p.z * p.z);
  const float lat = PositiveAngle(s != 0.0f ? std::atan(p.y / s) : 0.0f);
  const float lon = PositiveAngle(p.x != 0.0f ? std::atan(p.z / p.x) : 0.0f);
  const int32_t row = crt::RoundToInt(static_cast<float>(lat * kInverseTwoPi * texture.height));
  const int32_t column = crt::RoundToInt(static_cast<float>(lon * kInverseTwoPi * texture.width));
  return PixelAt(texture, row, column);
}

}  // namespace

void MeshDisplace(Mesh& mesh, const Texture* texture, uint32_t mode, float amount) {
  if (!texture || !texture->pixels || !texture->width || !texture->height) return;
  const Texture& image = *texture;
  const float width = image.width, height = image.height;
  MeshForEachVertex(mesh, [&](Vertex& vertex) {
    if (mode == 0) {
      Vec3Scale(vertex.position, Brightness(SphericalPixel(image, vertex.position)) * kInverse255);
      return;
    }
    const uint32_t pixel =
        PixelAt(image, crt::RoundToInt(vertex.v * height), crt::RoundToInt(vertex.u * width));
    Vec3 along = vertex.normal;
    Vec3Normalize(along);  // a zero normal stays zero: no move
    Vec3Scale(along, Brightness(pixel) * amount * kInverse255);
    Vec3Add(vertex.position, vertex.position, along);
  });
  MeshComputeNormals(mesh);
}

// ---- Extrusion ------------------------------------------------------------------------------
namespace {

struct ExtrudeValues {
  float s, p, tx, ty, tz;    // bases: scale, push along the normal, tilt (degrees)
  float rs, rp, rx, ry, rz;  // their random ranges
};

// Where one extrusion puts the cap: the face's centroid, mean texture coordinate and tilted
// normal, and the frame in which the tilt acts (R turns the face normal onto +z, T tilts,
// R' turns back).
struct CapPlacement {
  Vec3 centre, direction;
  float u, v;
  float a, b, c;     // frame angles, radians
  float tx, ty, tz;  // tilt, degrees
};

// Frame angles from the unit face normal N:
//   N.x != 0:             a = -atan(N.y / N.x), b = pi/2 - atan(N.z / N.x), c = 0
//   N.y != 0 or N.z != 1: c = -atan(N.y / N.z), a = b = 0
//   N = (0, 0, 1), or no normal (0, 0, 0, where c would be 0 / 0): all 0.
void SetFrameAngles(CapPlacement& cap, const Vec3& n) {
  cap.a = cap.b = cap.c = 0.0f;
  if (n.x != 0.0f) {
    cap.a = -std::atan(n.y / n.x);
    cap.b = static_cast<float>(1.5707963267948966 - std::atan(n.z / n.x));
  } else if (n.y != 0.0f || (n.z != 1.0f && n.z != 0.0f)) {
    cap.c = -std::atan(n.y / n.z);
  }
}

// v = R'(T(R(v))).
void Tilt(Vec3& v, const CapPlacement& cap) {
  Vec3RotateEuler(v, cap.c, 0.0f, 0.0f);
  Vec3RotateEuler(v, 0.0f, cap.b, 0.0f);
  Vec3RotateEuler(v, 0.0f, 0.0f, cap.a);
  Vec3RotateEulerDeg(v, cap.tx, cap.ty, cap.tz);
  Vec3RotateEuler(v, 0.0f, 0.0f, -cap.a);
  Vec3RotateEuler(v, 0.0f, -cap.b, 0.0f);
  Vec3RotateEuler(v, -cap.c, 0.0f, 0.0f);
}

// Measures the face and takes the three tilt draws (x, y, z).
void PlaceCap(CapPlacement& cap, const MeshFace& face, const ExtrudeValues& values) {
  Vec3 normal;
  MeshFaceCentroid(cap.centre, face);
  MeshFacePlane(normal, face);
  MeshFaceMeanTexCoord(face, cap.u, cap.v);
  SetFrameAngles(cap, normal);
  cap.tx = Jittered(values.tx, values.rx);
  cap.ty = Jittered(values.ty, values.ry);
  cap.tz = Jittered(values.tz, values.rz);
  cap.direction = normal;
  Tilt(cap.direction, cap);
}

// Moves every corner of the face onto a new vertex at C + o S + D P (two draws each: S, then
// P), texture coordinates scaled by S about the mean, and makes the face the cap on them.
void BuildCap(Mesh& mesh, MeshFace& face, const CapPlacement& cap, const ExtrudeValues& values) {
  for (uint32_t k = 0; k < face.cornerCount; ++k) {
    Vertex* vertex = MeshAddVertex(mesh, mesh.vertices[face.corners[k]]);
    MeshFaceSetCorner(face, static_cast<uint16_t>(k), static_cast<uint16_t>(mesh.vertexCount - 1));
    Vec3 offset, push = cap.direction;
    Vec3Sub(offset, vertex->position, cap.centre);
    Tilt(offset, cap);
    const float scale = Jittered(values.s, values.rs);
    Vec3Scale(offset, scale);
    Vec3Scale(push, Jittered(values.p, values.rp));
    Vec3Add(vertex->position, cap.centre, offset);
    Vec3Add(vertex->position, vertex->position, push);
    vertex->u = (vertex->u - cap.u) * scale + cap.u;
    vertex->v = (vertex->v - cap.v) * scale + cap.v;
  }
  MeshFaceTriangulate(face);
}

// One wall quad per edge j -> j1 = (j + 1) mod n: corners (cap j1, cap j, base j, base j1),
// so it faces outwards when the cap faces away from the base.
void BuildWalls(Mesh& mesh, const MeshFace& cap, const MeshFace& base) {
  const uint32_t n = cap.cornerCount;
  for (uint32_t j = 0; j < n; ++j) {
    const uint32_t j1 = (j + 1) % n;
    MeshFace* wall = MeshFaceCreate(&mesh);
    MeshFaceInit(*wall, &mesh, 6, 4);
    MeshFaceSetCorner(*wall, 0, cap.corners[j1]);
    MeshFaceSetCorner(*wall, 1, cap.corners[j]);
    MeshFaceSetCorner(*wall, 2, base.corners[j]);
    MeshFaceSetCorner(*wall, 3, base.corners[j1]);
    MeshFaceSetMaterial(*wall, cap.material);
    MeshFaceTriangulate(*wall);
    MeshAddFace(mesh, wall);
  }
}

// Draws: 3, then 2 per corner.
void ExtrudeOnce(Mesh& mesh, MeshFace& face, const ExtrudeValues& values) {
  MeshFace* base = MeshFaceClone(face, &mesh, 0);
  CapPlacement cap;
  PlaceCap(cap, face, values);
  BuildCap(mesh, face, cap, values);
  BuildWalls(mesh, face, *base);
  MeshFaceDestroy(base);
}

}  // namespace

void MeshExtrudeFacesJittered(Mesh& mesh, float s, float p, float tx, float ty, float tz, float rs,
                              float rp, float rx, float ry, float rz, uint32_t count, uint32_t skip,
                              uint8_t firstOnly) {
  const ExtrudeValues values{s, p, tx, ty, tz, rs, rp, rx, ry, rz};
  const uint32_t facesAtEntry = mesh.faceCount;
  const uint64_t step = static_cast<uint64_t>(skip) + 1;  // never 0, even for skip 0xFFFFFFFF
  for (uint64_t i = 0; i < facesAtEntry; i += step) {
    MeshFace& face = *mesh.faces[i];
    for (uint32_t repeat = 0; repeat < count; ++repeat) ExtrudeOnce(mesh, face, values);
    if (firstOnly) break;
  }
  MeshComputeNormals(mesh);
}

void MeshExtrudeFaces(Mesh& mesh, float s, float p, float tx, float ty, float tz, uint32_t count) {
  MeshExtrudeFacesJittered(mesh, s, p, tx, ty, tz, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, count, 0, 0);
}
