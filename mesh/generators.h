#pragma once
// Primitive generators: every model starts from one of these. Each returns a new mesh owned
// by the caller, with every face given `material` (absent allowed) and `device` as owner.
// Generators write position, u, v and the normal of every vertex (colour, tangent and the two
// further words stay zero); all but the flat figure compute normals with MeshComputeNormals.
//
// Conventions: angles in degrees accumulate their step 360 / count by repeated addition from
// 0 and become radians through the double constant pi / 180 (product rounded once to float);
// coordinates that advance along a row, ring or column accumulate the same way.
//
// Quad cells: with rows of n + 1 vertices, A = row (n + 1) + column and B = A + n + 1, a cell
// is a face of 4 corners and 6 indices in one of two orders:
//   order 1: indices A, A+1, B+1, B+1, B, A   corners A, A+1, B+1, B
//   order 2: indices A, B, B+1, B+1, A+1, A   corners A, B, B+1, A+1
//
// A count of 0 gives an empty mesh (no faces, no vertices), and so does a mesh that would have
// more than 65,536 vertices (beyond what 16-bit indices reach).

#include <cstdint>

#include "mesh/mesh.h"

// The flat figure from the two byte tables: 138 vertices (the 69 points twice, at
// (X 0.008 - 1, Y 0.008 - 1, 0), u = X 0.004, v = Y 0.004, normal +z then -z) and 130
// triangles (the table's, then each reversed on the second copy), scaled by (sx, sy, sz).
Mesh* MeshCreateShapeFromTables(float sx, float sy, float sz, Material* material, Device* device);

enum RevolutionKind : uint32_t {
  kRevolutionCylinder = 0,
  kRevolutionCone = 1,
  kRevolutionSphere = 2,
};

// A solid of revolution about z, from z = -height/2 to +height/2: `rings` bands of `segments`
// quads (order 1, rows of segments + 1 with a seam of duplicated vertices), u running 0..1
// along z and v around. Ring radius: cylinder r, cone r t (apex at -height/2), sphere
// r sin(t pi) (t = 0..1 along z). The cylinder has fan caps at +height/2 then -height/2, the
// cone one at +height/2; each cap faces outwards. An unknown kind gives an empty mesh.
Mesh* MeshCreateRevolution(float radius, float height, uint16_t rings, uint16_t segments,
                           uint32_t kind, Material* material, Device* device);
Mesh* MeshCreateCylinder(float radius, float height, uint16_t rings, uint16_t segments,
                         Material* material, Device* device);
Mesh* MeshCreateCone(float radius, float height, uint16_t rings, uint16_t segments,
                     Material* material, Device* device);
// MeshCreateRevolution(radius, 2 radius, n, n, sphere).
Mesh* MeshCreateSphere(float radius, uint16_t n, Material* material, Device* device);

// The box from -1 to 1 whose x extent narrows to plus or minus e at z = +1: 6 faces of 4
// vertices with (u, v) = (0, 0), (1, 0), (1, 1), (0, 1); normals computed on that box, then
// the whole box (normals too, not renormalised) scaled by (sx / 2, sy / 2, sz / 2).
Mesh* MeshCreateTaperedBox(float sx, float sy, float sz, float e, Material* material,
                           Device* device);
Mesh* MeshCreateBox(float sx, float sy, float sz, Material* material, Device* device);
// MeshCreateCone(0.5, 1, 1 ring, 4 segments) scaled by (sx, sy, sz).
Mesh* MeshCreatePyramid(float sx, float sy, float sz, Material* material, Device* device);

// A tube of radius r around a circle of radius R in the xy plane, climbing `pitch` per radian
// of the circle: (ringsPerTurn + 1) turns rings of segments + 1 vertices; turns ringsPerTurn
// segments quads (order 2). With one turn the last ring repeats the first and closes a torus;
// with more, the rings after turns x ringsPerTurn are built but used by no face.
Mesh* MeshCreateHelix(float R, float r, uint32_t turns, float pitch, uint32_t ringsPerTurn,
                      uint32_t segments, Material* material, Device* device);
// MeshCreateHelix(R, r, 1, 0, ringsPerTurn, segments).
Mesh* MeshCreateTorus(float R, float r, uint32_t ringsPerTurn, uint32_t segments,
                      Material* material, Device* device);

// A grid of cols x rows quads (order 2, rows of cols + 1), u accumulating 1 / cols along a
// row and v 1 / rows per row. curved 0: flat, w by h, centred on the origin in the xy plane.
// curved 1, ring 0: an open cylinder of radius w from z = -h/2 to h/2, the angle running
// from 360 degrees down along a row. curved 1, ring 1: a flat ring from radius w to w + h.
Mesh* MeshCreateSheet(float w, float h, uint32_t cols, uint32_t rows, uint8_t ring, uint8_t curved,
                      Material* material, Device* device);
// MeshCreateSheet(w, h, cols = b, rows = a, ring flag != 0, curved 1).
Mesh* MeshCreateTube(float w, float h, uint32_t a, uint32_t b, uint32_t ring, Material* material,
                     Device* device);
