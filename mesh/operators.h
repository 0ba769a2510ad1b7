#pragma once
// Operators that change a finished generator result in place, before the mesh is finished:
// affine transforms, winding flip, point reflection, texture-coordinate scaling, material
// assignment, random jitter, displacement by a texture's brightness, attraction towards a
// point, face extrusion and merging.
//
// Random values come from the one process-wide crt::rand sequence. A random value in
// [0, range] is rand() x (1 / 32767, as the float 3.0518509447574615e-05) x range, and a
// value "jittered by range" is base + that - range x 0.5. The number and order of draws of
// each operator are stated with it: they decide every later random value of the load.

#include <cstdint>

#include "math/matrix.h"
#include "mesh/mesh.h"

struct Texture;

// Every position becomes (x, y, z, 1) x m, every normal (x, y, z, 0) x m (no translation),
// not renormalised.
void MeshTransform(Mesh& mesh, const Matrix& m);
// MeshTransform by the translation, scale (normals scaled too) or rotation (degrees, the
// order of MatrixRotateXYZ) made from an identity.
void MeshTranslate(Mesh& mesh, float x, float y, float z);
void MeshScale(Mesh& mesh, float x, float y, float z);
void MeshRotate(Mesh& mesh, float ax, float ay, float az);
// Every normal times -1, then every face's index list reversed (MeshFaceReverse).
void MeshFlip(Mesh& mesh);
// Every position and normal times -1; faces unchanged.
void MeshNegate(Mesh& mesh);
// Every u times su, every v times sv.
void MeshScaleTexCoords(Mesh& mesh, float su, float sv);
// Gives every face the material.
void MeshSetMaterial(Mesh& mesh, Material* material);
// Per vertex in index order, three draws x, y, z: each coordinate moves by a random value in
// [-a/2, a/2] of its axis. Then MeshComputeNormals.
void MeshJitter(Mesh& mesh, float ax, float ay, float az);
// Pulls every vertex within `radius` of the point (x, y, z) towards it: with d = point -
// position and f = |d| / radius (squared when `squared` is non-zero), position += d (1 - f).
// A vertex at the radius or beyond, or at the point itself, stays. Normals are kept.
void MeshAttract(Mesh& mesh, float x, float y, float z, float radius, uint8_t squared);
// Displaces every vertex by the brightness of a texture pixel, B = R 0.6 + G 0.3 + B 0.1
// (0..255), then MeshComputeNormals. Mode 0 (spherical): the pixel at row lat / 2pi x height
// and column lon / 2pi x width, lat = atan(y / sqrt(x x + z z)) and lon = atan(z / x) (0 where
// the divisor is 0, negative angles plus 2pi); the position is scaled by B / 255 and amount is
// not used. Other modes: the pixel at row v x height and column u x width; the position moves
// along its unit normal by B x amount / 255. Rows and columns are rounded to nearest and wrap
// into the image (floor modulo, so negative coordinates wrap too). A texture without pixels
// changes nothing.
void MeshDisplace(Mesh& mesh, const Texture* texture, uint32_t mode, float amount);
// Extrudes faces: visits face 0, skip + 1, 2 (skip + 1), ... of the faces present at entry
// (only face 0 when firstOnly is non-zero) and extrudes each `count` times. One extrusion
// copies the face's corners into new vertices moved to C + o S + D P (C the centroid, o the
// corner's offset from it and D the face normal, both turned by the tilt (tx, ty, tz)
// degrees in the face's own frame), makes the face the cap on them and adds one wall quad per
// edge. Draws per extrusion: tilt x, y, z, then per corner S (s jittered by rs) and P (p
// jittered by rp). Then MeshComputeNormals. A face without a plane normal keeps its
// orientation (no tilt frame, D = 0).
void MeshExtrudeFacesJittered(Mesh& mesh, float s, float p, float tx, float ty, float tz, float rs,
                              float rp, float rx, float ry, float rz, uint32_t count, uint32_t skip,
                              uint8_t firstOnly);
// MeshExtrudeFacesJittered with the five ranges 0 (the draws are still taken), skip 0 and
// firstOnly 0.
void MeshExtrudeFaces(Mesh& mesh, float s, float p, float tx, float ty, float tz, uint32_t count);
// Appends the source's vertices and a clone of each of its faces, offset by the mesh's former
// vertex count (wrapping at 16 bits). Nothing happens when the source has no vertex array or
// when either the summed vertex count or the summed face count is 0. Flattened indices, runs,
// phases and buffers are untouched (merging happens before finishing).
void MeshMerge(Mesh& mesh, const Mesh& source);
