// Per-frame deformation and load-time finishing of meshes, on the CPU side (no Direct3D).
// Deformation figures are vertices per second; the memcpy case is the floor every deformer
// pays (the whole vertex is rewritten each frame), and the libm case shows what the lookup
// tables save over calling sin per vertex. Finishing is faces per second for runs and
// flattening of a sphere with two alternating materials.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "math/list.h"
#include "mesh/generators.h"
#include "mesh/material.h"
#include "mesh/material_run.h"
#include "mesh/trig_tables.h"
#include "render/mesh_finish.h"
#include "scene/deformer.h"

namespace {

constexpr uint16_t kSphereSegments = 64;  // 65 x 65 = 4,225 vertices

struct DeformSetup {
  DeformSetup() {
    TrigTablesCreate();
    mesh = MeshCreateSphere(1.0f, kSphereSegments, nullptr, nullptr);
    MeshBuildPhases(*mesh, 1.0f);
    target.resize(mesh->vertexCount);
    deformers = ListCreate();
  }
  ~DeformSetup() {
    ListDestroy(deformers);
    MeshDestroy(mesh);
    TrigTablesDestroy();
  }
  Mesh* mesh;
  std::vector<Vertex> target;
  List* deformers;
};

void CountVertices(benchmark::State& state, uint32_t vertices) {
  state.counters["vertices/s"] = benchmark::Counter(
      static_cast<double>(vertices) * state.iterations(), benchmark::Counter::kIsRate);
}

void BM_Deform(benchmark::State& state, uint32_t type) {
  DeformSetup setup;
  Deformer deformer{type, 0, 2.0f, 0.3f, 1, 1, 1};
  ListAppend(*setup.deformers, &deformer);
  float time = 0.0f;
  for (auto _ : state) {
    DeformVertices(setup.target.data(), setup.mesh->vertices, setup.mesh->phases,
                   setup.mesh->vertexCount, time, *setup.deformers, 1.0f);
    time += 0.016f;
    benchmark::ClobberMemory();
  }
  CountVertices(state, setup.mesh->vertexCount);
}
BENCHMARK_CAPTURE(BM_Deform, wave, kDeformerWave);
BENCHMARK_CAPTURE(BM_Deform, twist, kDeformerTwist);
BENCHMARK_CAPTURE(BM_Deform, pulse, kDeformerPulse);
BENCHMARK_CAPTURE(BM_Deform, unknown_copy, 9u);

// The floor: copying the vertices without deforming them.
void BM_CopyOnly(benchmark::State& state) {
  DeformSetup setup;
  for (auto _ : state) {
    std::memcpy(setup.target.data(), setup.mesh->vertices,
                sizeof(Vertex) * setup.mesh->vertexCount);
    benchmark::ClobberMemory();
  }
  CountVertices(state, setup.mesh->vertexCount);
}
BENCHMARK(BM_CopyOnly);

// The wave with a libm sine per vertex in place of the table.
void BM_WaveWithLibmSine(benchmark::State& state) {
  DeformSetup setup;
  float time = 0.0f;
  for (auto _ : state) {
    const uint32_t t = static_cast<uint32_t>(2.0f * time * 10000.0f);
    for (uint32_t i = 0; i < setup.mesh->vertexCount; ++i) {
      Vertex& out = setup.target[i];
      out = setup.mesh->vertices[i];
      const uint32_t idx = (static_cast<uint32_t>(setup.mesh->phases[i]) + t) % kTrigSteps;
      const float w = std::sin(static_cast<float>(idx) * 0.0001f) * 0.3f;
      out.position.x += w;
      out.position.y += w;
      out.position.z += w;
    }
    time += 0.016f;
    benchmark::ClobberMemory();
  }
  CountVertices(state, setup.mesh->vertexCount);
}
BENCHMARK(BM_WaveWithLibmSine);

// Runs and flattening of a sphere whose faces alternate between two materials.
void BM_BuildAndFlattenRuns(benchmark::State& state) {
  Material a, b;
  MaterialInit(a);
  MaterialInit(b);
  Mesh* mesh = MeshCreateSphere(1.0f, static_cast<uint16_t>(state.range(0)), nullptr, nullptr);
  for (uint32_t f = 0; f < mesh->faceCount; ++f) {
    MeshFaceSetMaterial(*mesh->faces[f], f % 2 ? &b : &a);
  }
  for (auto _ : state) {
    MeshBuildRuns(*mesh);
    MeshFlattenRuns(*mesh);
    benchmark::DoNotOptimize(mesh->indices);
  }
  state.counters["faces/s"] = benchmark::Counter(
      static_cast<double>(mesh->faceCount) * state.iterations(), benchmark::Counter::kIsRate);
  MeshDestroy(mesh);
}
BENCHMARK(BM_BuildAndFlattenRuns)->Arg(16)->Arg(64)->Arg(180);

}  // namespace

BENCHMARK_MAIN();
