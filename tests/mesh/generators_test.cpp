#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <functional>
#include <vector>

#include "mesh/flat_figure.h"
#include "mesh/generators.h"
#include "mesh/operators.h"
#include "mesh_test_util.h"

namespace {

using meshtest::ExpectSound;

uint32_t TotalIndices(const Mesh& mesh) {
  uint32_t total = 0;
  for (uint32_t f = 0; f < mesh.faceCount; ++f) total += mesh.faces[f]->indexCount;
  return total;
}

// Every face's plane and every one of its triangles point away from `centre(face centroid)`.
// A cap's closing triangle is degenerate (its last corner repeats the first up to the
// rounding of the accumulated angle), hence the small tolerance for triangles. Returns the number
// of faces with a plane.
using CentreOf = std::function<Vec3(const Vec3& centroid)>;
uint32_t ExpectFacesPointOutwards(const Mesh& mesh, const CentreOf& centreOf) {
  uint32_t planes = 0;
  for (uint32_t f = 0; f < mesh.faceCount; ++f) {
    const MeshFace& face = *mesh.faces[f];
    Vec3 centroid, normal, away;
    MeshFaceCentroid(centroid, face);
    MeshFacePlane(normal, face);
    Vec3Sub(away, centroid, centreOf(centroid));
    if (Vec3Length(normal) != 0.0f) {
      ++planes;
      EXPECT_GT(Vec3Dot(normal, away), 0.0f) << "face " << f;
    }
    for (uint32_t t = 0; t + 2 < face.indexCount; t += 3) {
      const Vec3& a = mesh.vertices[face.indices[t]].position;
      Vec3 e1, e2, cross;
      Vec3Sub(e1, mesh.vertices[face.indices[t + 1]].position, a);
      Vec3Sub(e2, mesh.vertices[face.indices[t + 2]].position, a);
      Vec3Cross(cross, e1, e2);
      EXPECT_GE(Vec3Dot(cross, away), -1e-5f) << "face " << f << " triangle " << t / 3;
    }
  }
  return planes;
}

Vec3 Origin(const Vec3&) { return Vec3{0, 0, 0}; }

float Length(const Vec3& v) { return Vec3Length(v); }

// ---- Boxes -------------------------------------------------------------------------------------

TEST(MeshGenerators, BoxCountsExtentAndUnitNormals) {
  Mesh* box = MeshCreateBox(2, 2, 2, nullptr, nullptr);
  EXPECT_EQ(box->vertexCount, 24u);
  EXPECT_EQ(box->faceCount, 6u);
  EXPECT_EQ(TotalIndices(*box), 36u);
  for (uint32_t i = 0; i < 24; ++i) {
    const Vertex& v = box->vertices[i];
    EXPECT_EQ(std::fabs(v.position.x), 1.0f);
    EXPECT_EQ(std::fabs(v.position.y), 1.0f);
    EXPECT_EQ(std::fabs(v.position.z), 1.0f);
    EXPECT_EQ(Length(v.normal), 1.0f) << i;
  }
  EXPECT_EQ(ExpectFacesPointOutwards(*box, Origin), 6u);
  MeshDestroy(box);

  // Normals are computed on the unit box and scaled with it, not renormalised.
  box = MeshCreateBox(4, 2, 2, nullptr, nullptr);
  for (uint32_t i = 16; i < 24; ++i) EXPECT_EQ(Length(box->vertices[i].normal), 2.0f) << i;
  EXPECT_EQ(box->vertices[20].position.x, 2.0f);
  MeshDestroy(box);
}

TEST(MeshGenerators, TaperedBoxAndPyramidFaceOutwards) {
  Mesh* box = MeshCreateTaperedBox(2, 3, 4, 0.25f, nullptr, nullptr);
  EXPECT_EQ(ExpectFacesPointOutwards(*box, Origin), 6u);
  EXPECT_EQ(box->vertices[1].position.x, 0.25f);  // (e, 1, 1) scaled by sx / 2 = 1
  EXPECT_EQ(box->vertices[1].position.z, 2.0f);
  MeshDestroy(box);

  Mesh* pyramid = MeshCreatePyramid(2, 2, 3, nullptr, nullptr);
  EXPECT_EQ(pyramid->faceCount, 5u);
  EXPECT_EQ(ExpectFacesPointOutwards(*pyramid, Origin), 5u);
  MeshDestroy(pyramid);
}

TEST(MeshGenerators, BoxTangentsAreExactDespiteAxisAlignedTexCoords) {
  // Every triangle of the box has one texture-coordinate edge with dv = 0 (a division by 0
  // in the formula whose infinity must fold away exactly).
  Mesh* box = MeshCreateBox(2, 2, 2, nullptr, nullptr);
  MeshComputeTangents(*box);
  const Vec3 expected[6] = {{1, 0, 0}, {1, 0, 0}, {1, 0, 0}, {-1, 0, 0}, {0, 0, -1}, {0, 0, 1}};
  for (uint32_t i = 0; i < 24; ++i) {
    const Vec3& t = box->vertices[i].tangent;
    const Vec3& e = expected[i / 4];
    EXPECT_TRUE(t.x == e.x && t.y == e.y && t.z == e.z)
        << "vertex " << i << ": " << t.x << ", " << t.y << ", " << t.z;
  }
  MeshDestroy(box);
}

// ---- Solids of revolution ----------------------------------------------------------------------

TEST(MeshGenerators, CylinderCountsAndCaps) {
  Mesh* cylinder = MeshCreateCylinder(1, 2, 1, 4, nullptr, nullptr);
  EXPECT_EQ(cylinder->vertexCount, 20u);
  ASSERT_EQ(cylinder->faceCount, 6u);
  for (uint32_t f = 4; f < 6; ++f) {
    EXPECT_EQ(cylinder->faces[f]->cornerCount, 5u);
    EXPECT_EQ(cylinder->faces[f]->indexCount, 9u);
  }
  EXPECT_EQ(cylinder->vertices[10].position.z, 1.0f);   // first cap at +h/2
  EXPECT_EQ(cylinder->vertices[15].position.z, -1.0f);  // second at -h/2
  EXPECT_EQ(cylinder->faces[5]->corners[0], 19);        // in reverse order
  EXPECT_EQ(ExpectFacesPointOutwards(*cylinder, Origin), 6u);
  ExpectSound(*cylinder);
  MeshDestroy(cylinder);

  // Caps of more than 86 segments: a cap's index count does not fit a byte.
  cylinder = MeshCreateCylinder(1, 1, 1, 120, nullptr, nullptr);
  EXPECT_EQ(cylinder->faces[120]->indexCount, 119u * 3u);
  EXPECT_EQ(ExpectFacesPointOutwards(*cylinder, Origin), 122u);
  MeshDestroy(cylinder);
}

TEST(MeshGenerators, ConeApexBelowCapAboveFacingOutwards) {
  Mesh* cone = MeshCreateCone(1, 2, 3, 6, nullptr, nullptr);
  EXPECT_EQ(cone->vertexCount, 4u * 7u + 7u);
  ASSERT_EQ(cone->faceCount, 3u * 6u + 1u);
  EXPECT_EQ(cone->vertices[0].position.z, -1.0f);
  EXPECT_EQ(cone->vertices[0].position.x, 0.0f);
  Vec3 cap;
  MeshFacePlane(cap, *cone->faces[18]);
  EXPECT_EQ(cap.z, 1.0f);
  EXPECT_EQ(ExpectFacesPointOutwards(*cone, Origin), 19u);
  MeshDestroy(cone);
}

TEST(MeshGenerators, SphereRunsFromTheSouthPole) {
  Mesh* sphere = MeshCreateSphere(1, 8, nullptr, nullptr);
  EXPECT_EQ(sphere->vertexCount, 81u);
  EXPECT_EQ(sphere->faceCount, 64u);
  for (uint32_t i = 0; i <= 8; ++i) {
    const Vec3& p = sphere->vertices[i].position;
    EXPECT_TRUE(p.x == 0.0f && p.y == 0.0f && p.z == -1.0f) << i;
  }
  EXPECT_NEAR(sphere->vertices[8 * 9].position.z, 1.0f, 1e-6f);
  EXPECT_EQ(ExpectFacesPointOutwards(*sphere, Origin), 64u);
  ExpectSound(*sphere);
  MeshDestroy(sphere);
}

TEST(MeshGenerators, RevolutionOfHeightZeroHasNoNaN) {
  for (uint32_t kind = 0; kind < 3; ++kind) {
    Mesh* flat = MeshCreateRevolution(1, 0, 3, 5, kind, nullptr, nullptr);
    MeshComputeTangents(*flat);
    ExpectSound(*flat);
    EXPECT_FLOAT_EQ(flat->vertices[2 * 6].u, 2.0f / 3.0f);  // ring 2 of 3, though z / h is 0 / 0
    MeshDestroy(flat);
  }
}

// ---- Torus, helix and sheets -------------------------------------------------------------------

TEST(MeshGenerators, TorusClosesOnItselfAndFacesAwayFromItsTube) {
  const float R = 3, r = 1;
  Mesh* torus = MeshCreateTorus(R, r, 12, 8, nullptr, nullptr);
  EXPECT_EQ(torus->vertexCount, 13u * 9u);
  EXPECT_EQ(torus->faceCount, 12u * 8u);
  const Vec3& first = torus->vertices[0].position;
  const Vec3& last = torus->vertices[12 * 9].position;
  EXPECT_NEAR(last.x, first.x, 1e-5f);
  EXPECT_NEAR(last.y, first.y, 1e-5f);
  EXPECT_EQ(torus->vertices[12 * 9].u, 12.0f / 13.0f);
  const auto tubeCentre = [R](const Vec3& p) {
    const float d = std::sqrt(p.x * p.x + p.y * p.y);
    return Vec3{p.x / d * R, p.y / d * R, 0};
  };
  EXPECT_EQ(ExpectFacesPointOutwards(*torus, tubeCentre), 96u);
  MeshDestroy(torus);
}

TEST(MeshGenerators, HelixBuildsUnusedRingsAfterTheLastTurn) {
  Mesh* helix = MeshCreateHelix(2, 0.5f, 3, 0.1f, 4, 5, nullptr, nullptr);
  EXPECT_EQ(helix->vertexCount, 5u * 3u * 6u);
  EXPECT_EQ(helix->faceCount, 3u * 4u * 5u);
  uint16_t highest = 0;
  for (uint32_t f = 0; f < helix->faceCount; ++f) {
    for (uint32_t k = 0; k < 6; ++k) highest = std::max(highest, helix->faces[f]->indices[k]);
  }
  EXPECT_EQ(highest, 12u * 6u + 5u);
  EXPECT_GT(helix->vertices[12 * 6].position.z, helix->vertices[0].position.z + 1.0f);
  ExpectSound(*helix);
  MeshDestroy(helix);
}

TEST(MeshGenerators, FlatSheetOpenCylinderAndRing) {
  Mesh* sheet = MeshCreateSheet(2, 1, 2, 1, 0, 0, nullptr, nullptr);
  ASSERT_EQ(sheet->vertexCount, 6u);
  EXPECT_EQ(sheet->faceCount, 2u);
  const Vec3& low = sheet->vertices[0].position;
  const Vec3& high = sheet->vertices[5].position;
  EXPECT_TRUE(low.x == -1.0f && low.y == -0.5f && low.z == 0.0f);
  EXPECT_TRUE(high.x == 1.0f && high.y == 0.5f && high.z == 0.0f);
  EXPECT_EQ(sheet->vertices[4].u, 0.5f);
  EXPECT_EQ(sheet->vertices[4].v, 1.0f);
  EXPECT_EQ(sheet->vertices[0].normal.z, -1.0f);  // order 2 on a grid growing in x and y
  MeshDestroy(sheet);

  // Open cylinder: radius w, z from -h/2, angle decreasing along a row, facing outwards.
  Mesh* tube = MeshCreateTube(2, 4, 3, 8, 0, nullptr, nullptr);
  EXPECT_EQ(tube->vertexCount, 9u * 4u);
  EXPECT_EQ(tube->faceCount, 24u);
  EXPECT_EQ(tube->vertices[0].position.z, -2.0f);
  EXPECT_LT(tube->vertices[1].position.y, 0.0f);
  const auto axis = [](const Vec3& p) { return Vec3{0, 0, p.z}; };
  EXPECT_EQ(ExpectFacesPointOutwards(*tube, axis), 24u);
  MeshDestroy(tube);

  // Ring: inner radius w, outer w + h, flat in z.
  Mesh* ring = MeshCreateTube(1, 2, 2, 6, 7, nullptr, nullptr);
  EXPECT_NEAR(Length(ring->vertices[0].position), 1.0f, 1e-6f);
  EXPECT_NEAR(Length(ring->vertices[2 * 7].position), 3.0f, 1e-6f);
  EXPECT_EQ(std::fabs(ring->vertices[3].normal.z), 1.0f);
  MeshDestroy(ring);
}

// ---- Flat figure -------------------------------------------------------------------------------

TEST(MeshGenerators, FlatFigureFromTheTables) {
  EXPECT_EQ(kFlatFigureTables[0], 162);
  EXPECT_EQ(kFlatFigureTables[kFlatFigureTriangleOffset - 1], 0);
  EXPECT_EQ(kFlatFigureTables[kFlatFigureTriangleOffset], 24);
  EXPECT_EQ(kFlatFigureTables[kFlatFigureTableBytes - 1], 63);

  Mesh* figure = MeshCreateShapeFromTables(1, 1, 2, nullptr, nullptr);
  ASSERT_EQ(figure->vertexCount, 138u);
  ASSERT_EQ(figure->faceCount, 130u);
  float minX = 9, maxX = -9, minY = 9, maxY = -9;
  for (uint32_t i = 0; i < 138; ++i) {
    const Vertex& v = figure->vertices[i];
    minX = std::min(minX, v.position.x), maxX = std::max(maxX, v.position.x);
    minY = std::min(minY, v.position.y), maxY = std::max(maxY, v.position.y);
    EXPECT_EQ(v.normal.z, i < 69 ? 2.0f : -2.0f);  // scaled by sz
  }
  EXPECT_EQ(minX, -1.0f);
  EXPECT_EQ(maxX, 1.0f);
  EXPECT_EQ(minY, -1.0f);
  EXPECT_NEAR(maxY, 0.696f, 1e-6f);
  uint32_t front = 0, back = 0;
  for (uint32_t f = 0; f < 130; ++f) {
    Vec3 n;
    MeshFacePlane(n, *figure->faces[f]);
    front += n.z > 0.9999f;
    back += n.z < -0.9999f;
    EXPECT_EQ(figure->faces[f]->indexCount, 3u);
  }
  EXPECT_EQ(front, 65u);
  EXPECT_EQ(back, 65u);
  EXPECT_EQ(figure->faces[65]->corners[0], 26 + 69);  // (24, 25, 26) reversed on the back
  ExpectSound(*figure);
  MeshDestroy(figure);
}

// ---- Counts at the edges -----------------------------------------------------------------------

TEST(MeshGenerators, ZeroCountsAndOversizedMeshesGiveEmptyMeshes) {
  const std::vector<Mesh*> empty = {
      MeshCreateCylinder(1, 1, 0, 8, nullptr, nullptr),
      MeshCreateSphere(1, 0, nullptr, nullptr),
      MeshCreateRevolution(1, 1, 4, 4, 3, nullptr, nullptr),  // unknown kind
      MeshCreateHelix(1, 1, 0, 0, 4, 4, nullptr, nullptr),
      MeshCreateTorus(1, 1, 4, 0, nullptr, nullptr),
      MeshCreateSheet(1, 1, 0, 4, 0, 0, nullptr, nullptr),
      MeshCreateSheet(1, 1, 300, 300, 0, 0, nullptr, nullptr),      // 90,601 vertices
      MeshCreateCylinder(1, 1, 255, 255, nullptr, nullptr),         // 65,536 + 512
      MeshCreateSheet(1, 1, 65535, 65535, 0, 0, nullptr, nullptr),  // 2^32: no wrap to 0
      MeshCreateHelix(1, 1, 0xFFFFFFFF, 0, 0xFFFFFFFF, 9, nullptr, nullptr),
  };
  for (size_t i = 0; i < empty.size(); ++i) {
    EXPECT_EQ(empty[i]->vertexCount, 0u) << i;
    EXPECT_EQ(empty[i]->faceCount, 0u) << i;
    EXPECT_TRUE(MeshFitsIndexRange(*empty[i]));
    MeshDestroy(empty[i]);
  }
  // Exactly the 16-bit range still builds, and every index stays in it.
  Mesh* largest = MeshCreateSphere(1, 255, nullptr, nullptr);
  EXPECT_EQ(largest->vertexCount, 65536u);
  EXPECT_TRUE(MeshFitsIndexRange(*largest));
  ExpectSound(*largest);
  MeshMerge(*largest, *largest);
  EXPECT_FALSE(MeshFitsIndexRange(*largest));
  MeshDestroy(largest);
}

}  // namespace
