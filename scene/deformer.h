#pragma once
// Per-frame vertex deformers of an animated model: a wave that shifts vertices, a twist that
// turns them and a pulse that scales them, each driven by a table sine of the frame time plus
// a per-vertex phase (the vertex's distance from the model's centre relative to its radius,
// on the 62,830-step cycle, see MeshBuildPhases). Every frame the dynamic vertex buffer is
// rewritten from the unchanged CPU vertex array, so the result depends only on the time and
// frames may come in any order. Main thread only; the tables of TrigTablesCreate must exist.

#include <cstdint>

struct List;
struct Mesh;
struct Vertex;

constexpr uint32_t kDeformerWave = 0;
constexpr uint32_t kDeformerTwist = 1;
constexpr uint32_t kDeformerPulse = 2;

struct Deformer {
  uint32_t type;          // 0 wave, 1 twist, 2 pulse; any other value does nothing
  uint32_t secondValue;   // kept as the scene script gives it; no deformer reads it
  float speed;            // angular speed of the cycle, radians per second (>= 0 as built)
  float amplitude;        // strength (>= 0 as built): wave in model radii, twist in turns
                          // (x 360 degrees), pulse as the depth of the scale (1 = 0..1)
  uint8_t onX, onY, onZ;  // 1 = the deformer acts on this axis
};

// Writes target[0 .. count-1] from source[0 .. count-1] (the CPU copy, never modified) for the
// deformers of `deformers` (a List of Deformer pointers) in list order. Per deformer
// T = round(speed x time x 10000) (low 32 bits) and per vertex idx = (phases[i] + T) mod 62830
// (unsigned 32-bit sum). Each deformer of a known type starts from the source vertex, so with
// several the last one's result shows:
//   wave:  the source vertex, plus sinTable[idx] x (amplitude x radius) on each flagged axis;
//   twist: the source vertex with its position turned about each flagged axis in the order x,
//          y, z by deg = round(halfSinTable[idx] x (amplitude x 360)) mod 360 degrees (floor
//          modulo, so a negative amplitude still lands in 0..359) through degreeToIndex and
//          the tables; the normal is not turned;
//   pulse: the source vertex with each flagged coordinate times
//          halfSinTable[idx] x amplitude + (1 - amplitude).
// When no deformer has a known type the source vertices are copied unchanged.
void DeformVertices(Vertex* target, const Vertex* source, const int32_t* phases, uint32_t count,
                    float time, const List& deformers, float radius);
// Locks the mesh's whole vertex buffer (with discard for a dynamic mesh), DeformVertices from
// the CPU vertex array and the mesh's phase table at `time` (seconds), unlocks. A mesh without
// vertex array, phase table or lockable buffer is left alone.
void MeshDeform(Mesh& mesh, float time, const List& deformers, float radius);
