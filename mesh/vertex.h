#pragma once
// The vertex record: the element of every vertex array and vertex buffer of the system. Its
// byte layout is a hardware format (stride 56 bytes) matching the mesh vertex declaration, so
// it is checked at compile time.

#include <cstddef>
#include <cstdint>

#include "math/vec.h"

struct Vertex {
  Vec3 position;      // offset 0
  Vec3 normal;        // offset 12, declaration usage NORMAL
  uint32_t color;     // offset 24, 0xAARRGGBB (COLOR0)
  float u, v;         // offset 28, TEXCOORD0 (float2)
  Vec3 tangent;       // offset 36, TEXCOORD1 (float3)
  uint32_t extra[2];  // offset 48, outside the declaration: copied with the vertex, never read
};

static_assert(sizeof(Vertex) == 56, "Vertex is a 56-byte hardware format");
static_assert(offsetof(Vertex, position) == 0 && offsetof(Vertex, normal) == 12 &&
                  offsetof(Vertex, color) == 24 && offsetof(Vertex, u) == 28 &&
                  offsetof(Vertex, v) == 32 && offsetof(Vertex, tangent) == 36 &&
                  offsetof(Vertex, extra) == 48,
              "Vertex fields sit where the vertex declaration reads them");

// out = (normal.x, normal.y, normal.z, 1.0).
void Vec4FromVertexNormal(Vec4& out, const Vertex& vertex);
// The vertex's normal = n.
void VertexSetNormal(Vertex& vertex, const Vec3& n);
