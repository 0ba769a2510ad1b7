#include "mesh/generators.h"

#include <cmath>

#include "mesh/flat_figure.h"
#include "mesh/operators.h"

namespace {

constexpr double kDegToRad = 0.017453292519943295;
constexpr double kPi = 3.141592653589793;

float Radians(float degrees) { return static_cast<float>(degrees * kDegToRad); }

// Calls visit(i, value) for i = 0 .. last, value starting at `start` and growing by `step`
// after each call: repeated addition, never i x step.
template <class Visit>
void Accumulate(uint32_t last, float start, float step, Visit visit) {
  float value = start;
  for (uint32_t i = 0; i <= last; ++i) {
    visit(i, value);
    value += step;
  }
}

Mesh* EmptyMesh(Device* device) { return MeshCreate(device, 0, 0); }

// The mesh a generator fills, or null when a count is 0 or the vertices would not fit
// 16-bit indices (the caller then returns an empty mesh).
Mesh* CreateIfFits(Device* device, uint64_t faces, uint64_t vertices) {
  if (faces == 0 || vertices == 0 || vertices > kMeshMaxVertices) return nullptr;
  return MeshCreate(device, static_cast<uint32_t>(faces), static_cast<uint32_t>(vertices));
}

void SetVertex(Vertex& vertex, float x, float y, float z, float u, float v) {
  vertex.position = Vec3{x, y, z};
  vertex.u = u;
  vertex.v = v;
}

// MeshFaceInit with the listed triangle indices (which also give the corners), then the
// material.
void SetListedFace(MeshFace& face, Mesh* mesh, const uint16_t* indices, uint32_t indexCount,
                   uint32_t cornerCount, Material* material) {
  MeshFaceInit(face, mesh, indexCount, cornerCount);
  MeshFaceSetIndices(face, indexCount, indices);
  MeshFaceSetMaterial(face, material);
}

enum class QuadOrder { kOrder1, kOrder2 };

// Faces first .. first + rows x columns - 1: the quad cells of a vertex grid with rows of
// rowLength vertices, row by row.
void SetQuadGrid(Mesh& mesh, uint32_t first, uint32_t rows, uint32_t columns, uint32_t rowLength,
                 QuadOrder order, Material* material) {
  for (uint32_t j = 0; j < rows; ++j) {
    for (uint32_t i = 0; i < columns; ++i) {
      const auto A = static_cast<uint16_t>(j * rowLength + i);
      const auto A1 = static_cast<uint16_t>(A + 1);
      const auto B = static_cast<uint16_t>(A + rowLength);
      const auto B1 = static_cast<uint16_t>(B + 1);
      const uint16_t order1[6] = {A, A1, B1, B1, B, A};
      const uint16_t order2[6] = {A, B, B1, B1, A1, A};
      SetListedFace(*mesh.faces[first + j * columns + i], &mesh,
                    order == QuadOrder::kOrder1 ? order1 : order2, 6, 4, material);
    }
  }
}

// A fan face over `count` corners, corner i = first + i, or first - i when `reversed`.
void SetFan(MeshFace& face, Mesh* mesh, uint32_t first, uint32_t count, bool reversed,
            Material* material) {
  MeshFaceInit(face, mesh, 0, count);
  for (uint32_t i = 0; i < count; ++i) {
    MeshFaceSetCorner(face, static_cast<uint16_t>(i),
                      static_cast<uint16_t>(reversed ? first - i : first + i));
  }
  MeshFaceTriangulate(face);
  MeshFaceSetMaterial(face, material);
}

}  // namespace

// ---- Flat figure ----------------------------------------------------------------------------

Mesh* MeshCreateShapeFromTables(float sx, float sy, float sz, Material* material, Device* device) {
  const uint32_t points = kFlatFigurePointCount, triangles = kFlatFigureTriangleCount;
  Mesh* mesh = MeshCreate(device, triangles * 2, points * 2);
  for (uint32_t i = 0; i < points * 2; ++i) {
    const float X = kFlatFigureTables[(i % points) * 2];
    const float Y = kFlatFigureTables[(i % points) * 2 + 1];
    Vertex& vertex = mesh->vertices[i];
    SetVertex(vertex, X * 0.008f - 1.0f, Y * 0.008f - 1.0f, 0.0f, X * 0.004f, Y * 0.004f);
    vertex.normal = Vec3{0.0f, 0.0f, i < points ? 1.0f : -1.0f};
  }
  for (uint32_t f = 0; f < triangles * 2; ++f) {
    const uint8_t* t = kFlatFigureTables + kFlatFigureTriangleOffset + (f % triangles) * 3;
    const auto back = static_cast<uint16_t>(points);
    const uint16_t front[3] = {t[0], t[1], t[2]};
    const uint16_t reversed[3] = {static_cast<uint16_t>(t[2] + back),
                                  static_cast<uint16_t>(t[1] + back),
                                  static_cast<uint16_t>(t[0] + back)};
    MeshFace& face = *mesh->faces[f];
    SetListedFace(face, mesh, f < triangles ? front : reversed, 3, 3, material);
    MeshFaceTriangulate(face);
  }
  MeshScale(*mesh, sx, sy, sz);
  return mesh;
}

// ---- Solids of revolution ---------------------------------------------------------------------

namespace {

// Ring j of the side: t = z / height (z accumulating height / rings), or the accumulated ring
// fraction when the height is 0 (where z / height would be 0 / 0).
void WriteRevolutionSide(Mesh& mesh, float r, float h, uint32_t nr, uint32_t ns, uint32_t kind) {
  const float inverseHeight = 1.0f / h, fractionStep = 1.0f / static_cast<float>(nr);
  float fraction = 0.0f;
  Accumulate(nr, 0.0f, h / static_cast<float>(nr), [&](uint32_t j, float z) {
    const float t = h != 0.0f ? inverseHeight * z : fraction;
    const float tPi = static_cast<float>(t * kPi);
    const float ringRadius = kind == kRevolutionCylinder ? r
                             : kind == kRevolutionCone   ? r * t
                                                         : r * std::sin(tPi);
    const float ringZ = kind == kRevolutionSphere ? std::cos(tPi) * h * -0.5f : z - h * 0.5f;
    Accumulate(ns, 0.0f, 360.0f / static_cast<float>(ns), [&](uint32_t i, float d) {
      const float a = Radians(d);
      SetVertex(mesh.vertices[j * (ns + 1) + i], std::cos(a) * ringRadius, std::sin(a) * ringRadius,
                ringZ, t, static_cast<float>(a * 0.15913431346416473));
    });
    fraction += fractionStep;
  });
}

// One cap ring of ns + 1 vertices from `first`, at z = sign height / 2, texture coordinates
// on the unit disc.
void WriteRevolutionCap(Mesh& mesh, uint32_t first, float r, float h, uint32_t ns, float sign) {
  Accumulate(ns, 0.0f, 360.0f / static_cast<float>(ns), [&](uint32_t i, float d) {
    const float a = Radians(d);
    const float b = static_cast<float>(0.0055555556900799274 * d * kPi);
    SetVertex(mesh.vertices[first + i], std::cos(a) * r, std::sin(a) * r, sign * h * 0.5f,
              (std::cos(b) + 1.0f) * 0.5f, (std::sin(b) + 1.0f) * 0.5f);
  });
}

}  // namespace

Mesh* MeshCreateRevolution(float radius, float height, uint16_t rings, uint16_t segments,
                           uint32_t kind, Material* material, Device* device) {
  const uint32_t nr = rings, ns = segments;
  const uint32_t caps = kind == kRevolutionCylinder ? 2 : kind == kRevolutionCone ? 1 : 0;
  const uint64_t side = uint64_t{nr + 1} * (ns + 1);
  Mesh* mesh = kind <= kRevolutionSphere && nr && ns
                   ? CreateIfFits(device, uint64_t{nr} * ns + caps, side + caps * (ns + 1))
                   : nullptr;
  if (!mesh) return EmptyMesh(device);
  WriteRevolutionSide(*mesh, radius, height, nr, ns, kind);
  SetQuadGrid(*mesh, 0, nr, ns, ns + 1, QuadOrder::kOrder1, material);
  const auto firstCap = static_cast<uint32_t>(side);
  if (caps > 0) {
    // The cap at +height/2, corners in order: it faces +z.
    WriteRevolutionCap(*mesh, firstCap, radius, height, ns, 1.0f);
    SetFan(*mesh->faces[nr * ns], mesh, firstCap, ns + 1, false, material);
  }
  if (caps > 1) {
    // The cap at -height/2, corners in reverse: it faces -z.
    WriteRevolutionCap(*mesh, firstCap + ns + 1, radius, height, ns, -1.0f);
    SetFan(*mesh->faces[nr * ns + 1], mesh, mesh->vertexCount - 1, ns + 1, true, material);
  }
  MeshComputeNormals(*mesh);
  return mesh;
}

Mesh* MeshCreateCylinder(float radius, float height, uint16_t rings, uint16_t segments,
                         Material* material, Device* device) {
  return MeshCreateRevolution(radius, height, rings, segments, kRevolutionCylinder, material,
                              device);
}

Mesh* MeshCreateCone(float radius, float height, uint16_t rings, uint16_t segments,
                     Material* material, Device* device) {
  return MeshCreateRevolution(radius, height, rings, segments, kRevolutionCone, material, device);
}

Mesh* MeshCreateSphere(float radius, uint16_t n, Material* material, Device* device) {
  return MeshCreateRevolution(radius, 2.0f * radius, n, n, kRevolutionSphere, material, device);
}

// ---- Box and pyramid --------------------------------------------------------------------------

Mesh* MeshCreateTaperedBox(float sx, float sy, float sz, float e, Material* material,
                           Device* device) {
  // Face f takes vertices 4f .. 4f + 3, counter-clockwise seen from outside.
  const Vec3 corners[24] = {
      {-e, 1, 1},   {e, 1, 1},   {1, 1, -1},   {-1, 1, -1},   // y = +1
      {-1, -1, -1}, {1, -1, -1}, {e, -1, 1},   {-e, -1, 1},   // y = -1
      {-1, 1, -1},  {1, 1, -1},  {1, -1, -1},  {-1, -1, -1},  // z = -1
      {e, 1, 1},    {-e, 1, 1},  {-e, -1, 1},  {e, -1, 1},    // z = +1
      {-e, 1, 1},   {-1, 1, -1}, {-1, -1, -1}, {-e, -1, 1},   // x < 0
      {1, 1, -1},   {e, 1, 1},   {e, -1, 1},   {1, -1, -1},   // x > 0
  };
  const float texCoords[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
  Mesh* mesh = MeshCreate(device, 6, 24);
  for (uint32_t i = 0; i < 24; ++i) {
    const Vec3& p = corners[i];
    SetVertex(mesh->vertices[i], p.x, p.y, p.z, texCoords[i % 4][0], texCoords[i % 4][1]);
  }
  for (uint16_t f = 0; f < 6; ++f) {
    const auto first = static_cast<uint16_t>(4 * f);
    const uint16_t indices[6] = {first,
                                 static_cast<uint16_t>(first + 1),
                                 static_cast<uint16_t>(first + 2),
                                 static_cast<uint16_t>(first + 2),
                                 static_cast<uint16_t>(first + 3),
                                 first};
    SetListedFace(*mesh->faces[f], mesh, indices, 6, 4, material);
  }
  MeshComputeNormals(*mesh);
  MeshScale(*mesh, sx * 0.5f, sy * 0.5f, sz * 0.5f);
  return mesh;
}

Mesh* MeshCreateBox(float sx, float sy, float sz, Material* material, Device* device) {
  return MeshCreateTaperedBox(sx, sy, sz, 1.0f, material, device);
}

Mesh* MeshCreatePyramid(float sx, float sy, float sz, Material* material, Device* device) {
  Mesh* mesh = MeshCreateCone(0.5f, 1.0f, 1, 4, material, device);
  MeshScale(*mesh, sx, sy, sz);
  return mesh;
}

// ---- Helix and torus --------------------------------------------------------------------------

Mesh* MeshCreateHelix(float R, float r, uint32_t turns, float pitch, uint32_t ringsPerTurn,
                      uint32_t segments, Material* material, Device* device) {
  const uint64_t N = ringsPerTurn, M = segments;
  const uint64_t rings = (N + 1) * turns;
  Mesh* mesh = CreateIfFits(device, turns * N * M, rings * (M + 1));
  if (!mesh) return EmptyMesh(device);
  const auto ringCount = static_cast<uint32_t>(rings), rowLength = segments + 1;
  Accumulate(ringCount - 1, 0.0f, 360.0f / static_cast<float>(N), [&](uint32_t k, float A) {
    const float a = Radians(A);
    const float u = static_cast<float>(k) / static_cast<float>(ringCount);
    Accumulate(segments, 0.0f, 360.0f / static_cast<float>(M), [&](uint32_t s, float B) {
      const float b = Radians(B);
      const float w = std::cos(b) * r + R;
      SetVertex(mesh->vertices[k * rowLength + s], std::cos(a) * w, std::sin(a) * w,
                std::sin(b) * r + a * pitch, u,
                static_cast<float>(s) / static_cast<float>(rowLength));
    });
  });
  SetQuadGrid(*mesh, 0, turns * ringsPerTurn, segments, rowLength, QuadOrder::kOrder2, material);
  MeshComputeNormals(*mesh);
  return mesh;
}

Mesh* MeshCreateTorus(float R, float r, uint32_t ringsPerTurn, uint32_t segments,
                      Material* material, Device* device) {
  return MeshCreateHelix(R, r, 1, 0.0f, ringsPerTurn, segments, material, device);
}

// ---- Sheets -----------------------------------------------------------------------------------

namespace {

struct SheetShape {
  float w, h;
  uint8_t ring, curved;
};

// The point of a sheet vertex from its column value (the flat grid's x, or the angle D in
// degrees that the open cylinder and the ring subtract from 360) and its row value (the flat
// grid's y, the open cylinder's z or the ring's radius).
Vec3 SheetPoint(const SheetShape& shape, float column, float row) {
  if (!shape.curved) return Vec3{column - shape.w * 0.5f, row - shape.h * 0.5f, 0.0f};
  const float angle = Radians(360.0f - column);
  const float radius = shape.ring ? row : shape.w;
  return Vec3{std::cos(angle) * radius, std::sin(angle) * radius, shape.ring ? 0.0f : row};
}

}  // namespace

Mesh* MeshCreateSheet(float w, float h, uint32_t cols, uint32_t rows, uint8_t ring, uint8_t curved,
                      Material* material, Device* device) {
  Mesh* mesh = CreateIfFits(device, uint64_t{cols} * rows, (uint64_t{cols} + 1) * (rows + 1));
  if (!mesh) return EmptyMesh(device);
  const SheetShape shape{w, h, ring, curved};
  const float columns = static_cast<float>(cols), rowCount = static_cast<float>(rows);
  const float uStep = 1.0f / columns, vStep = 1.0f / rowCount, rowStep = h / rowCount;
  const float columnStep = curved ? 360.0f / columns : w / columns;
  float v = 0.0f, row = !curved ? 0.0f : ring ? w : -h * 0.5f;
  for (uint32_t j = 0; j <= rows; ++j) {
    float u = 0.0f, column = 0.0f;
    for (uint32_t i = 0; i <= cols; ++i) {
      const Vec3 p = SheetPoint(shape, column, row);
      SetVertex(mesh->vertices[j * (cols + 1) + i], p.x, p.y, p.z, u, v);
      u += uStep;
      column += columnStep;
    }
    v += vStep;
    row += rowStep;
  }
  SetQuadGrid(*mesh, 0, rows, cols, cols + 1, QuadOrder::kOrder2, material);
  MeshComputeNormals(*mesh);
  return mesh;
}

Mesh* MeshCreateTube(float w, float h, uint32_t a, uint32_t b, uint32_t ring, Material* material,
                     Device* device) {
  return MeshCreateSheet(w, h, b, a, ring ? 1 : 0, 1, material, device);
}
