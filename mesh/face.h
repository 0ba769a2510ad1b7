#pragma once
// One polygon of a mesh: its corner vertices in polygon order and the triangle indices that
// cover it, both 16-bit indices into the owner's vertex array. A face is a separate 16-byte
// aligned heap block owned by its mesh.
//
// Corner order defines the facing: seen from the side the face looks at, the corners run
// counter-clockwise and MeshFacePlane points towards the viewer. Triangles written by
// MeshFaceTriangulate keep that winding.
//
// No operation validates vertex indices: every index is below the owner's vertex count.

#include <cstdint>

#include "math/vec.h"

struct Mesh;
struct Material;

struct MeshFace {
  Mesh* mesh;            // the owner; its vertex array is the one the indices refer to
  uint32_t cornerCount;  // entries in corners
  uint32_t indexCount;   // entries in indices, three per triangle (not limited to 255)
  uint16_t* indices;     // triangle indices; null when indexCount is 0
  uint16_t* corners;     // corner vertex indices in polygon order; null when cornerCount is 0
  Material* material;    // the key by which finishing groups faces into runs; may be absent
};

// A new face with every field zero or absent and `mesh` set.
MeshFace* MeshFaceCreate(Mesh* mesh);
// Frees both arrays, allocates new ones of indexCount and cornerCount entries (zero-filled;
// absent for a count of 0), sets both counts and the owner, clears the material.
void MeshFaceInit(MeshFace& face, Mesh* mesh, uint32_t indexCount, uint32_t cornerCount);
// corners[i] = vertex. An i at or beyond the corner count writes nothing.
void MeshFaceSetCorner(MeshFace& face, uint16_t i, uint16_t vertex);
// Copies the first n source indices into indices (at most indexCount of them), then writes
// into corners, from slot 0 on, every source value that does not occur earlier in the source,
// in order of first occurrence, stopping when the corners are full. Changes neither count:
// the caller made indexCount n and cornerCount the number of distinct values.
void MeshFaceSetIndices(MeshFace& face, uint32_t n, const uint16_t* source);
void MeshFaceSetMaterial(MeshFace& face, Material* material);
// Rebuilds the indices as the fan (c0, ck, ck+1), k = 1 .. cornerCount - 2:
// 3 (cornerCount - 2) entries. A face of fewer than 3 corners gets no triangles.
void MeshFaceTriangulate(MeshFace& face);
// Reverses the whole index list in place: every triangle changes winding and the triangles
// come in reverse order. Corners are not touched.
void MeshFaceReverse(MeshFace& face);
// The mean corner position: the sum divided by cornerCount. (0, 0, 0) without corners.
void MeshFaceCentroid(Vec3& out, const MeshFace& face);
// The sums of u and of v over the corners, each times 1 / cornerCount. 0 without corners.
void MeshFaceMeanTexCoord(const MeshFace& face, float& u, float& v);
// The unit face normal from the first corner triple (c[i-2], c[i-1], c[i]), i = 2 .. n - 1,
// whose edges a = P(c[i-2]) - P(c[i-1]) and b = P(c[i-2]) - P(c[i]) both have non-zero length
// and a non-zero cross product: normalise(a x b). (0, 0, 0) when there is no such triple.
void MeshFacePlane(Vec3& out, const MeshFace& face);
// Adds MeshFacePlane to the normal of every corner vertex (corners, not triangle indices).
void MeshFaceAddNormal(const MeshFace& face);
// Per triangle (A, B, C), adds to the three vertex tangents the unit texture-space u direction
// made orthogonal to the triangle's mean vertex normal:
//   e1 = pB - pA, e2 = pC - pA, du/dv the matching texture coordinate differences,
//   a = 1 / (du1 - dv1 du2 / dv2), b = 1 / (du2 - dv2 du1 / dv1)   (a 0 stays 0),
//   T = normalise(a e1 + b e2), N = normalise(nA + nB + nC), R = normalise(T - N (T . N)).
// IEEE infinities are part of the formula: axis-aligned texture coordinates (dv1 = 0) give
// b = 1 / -inf = -0 and an exact tangent. A triangle of zero area (e1 x e2 = 0) and a
// non-finite R add nothing.
void MeshFaceAddTangents(const MeshFace& face);
// A new face in `target`: a copy of every field with every index and corner = source value +
// offset, wrapping at 16 bits.
MeshFace* MeshFaceClone(const MeshFace& source, Mesh* target, uint16_t offset);
// Frees the two arrays and the face. Null does nothing.
void MeshFaceDestroy(MeshFace* face);
