// Mesh construction throughput: the load-time work of building the models of a production.
// Figures are vertices (or faces) handled per second; the normals-versus-tangents pair shows
// what the per-triangle tangent formula costs over the per-face plane.
#include <benchmark/benchmark.h>

#include "mesh/generators.h"
#include "mesh/operators.h"
#include "platform/crt.h"

namespace {

void CountVertices(benchmark::State& state, const Mesh& mesh) {
  state.counters["vertices/s"] = benchmark::Counter(
      static_cast<double>(mesh.vertexCount) * state.iterations(), benchmark::Counter::kIsRate);
}

void BM_CreateSphere(benchmark::State& state) {
  const auto n = static_cast<uint16_t>(state.range(0));
  for (auto _ : state) {
    Mesh* mesh = MeshCreateSphere(1.0f, n, nullptr, nullptr);
    benchmark::DoNotOptimize(mesh->vertices);
    MeshDestroy(mesh);
  }
  Mesh* mesh = MeshCreateSphere(1.0f, n, nullptr, nullptr);
  CountVertices(state, *mesh);
  MeshDestroy(mesh);
}
BENCHMARK(BM_CreateSphere)->Arg(16)->Arg(64)->Arg(200);

// Recomputes normals or tangents of a 64 x 64 sphere.
void BM_Recompute(benchmark::State& state, void (*recompute)(Mesh&)) {
  Mesh* mesh = MeshCreateSphere(1.0f, 64, nullptr, nullptr);
  for (auto _ : state) {
    recompute(*mesh);
    benchmark::ClobberMemory();
  }
  CountVertices(state, *mesh);
  MeshDestroy(mesh);
}
BENCHMARK_CAPTURE(BM_Recompute, normals, MeshComputeNormals);
BENCHMARK_CAPTURE(BM_Recompute, tangents, MeshComputeTangents);

// Extrusion grows the vertex and face arrays one element at a time: the growth rule and the
// normal recomputation after it dominate.
void BM_ExtrudeSphereFaces(benchmark::State& state) {
  crt::srand(1);
  for (auto _ : state) {
    state.PauseTiming();
    Mesh* mesh = MeshCreateSphere(1.0f, 24, nullptr, nullptr);
    state.ResumeTiming();
    MeshExtrudeFacesJittered(*mesh, 0.8f, 0.2f, 0, 0, 0, 0.1f, 0.1f, 5, 5, 5, 2, 0, 0);
    benchmark::DoNotOptimize(mesh->vertices);
    state.PauseTiming();
    state.counters["faces"] = mesh->faceCount;
    MeshDestroy(mesh);
    state.ResumeTiming();
  }
}
BENCHMARK(BM_ExtrudeSphereFaces);

void BM_MergeCopies(benchmark::State& state) {
  Mesh* part = MeshCreateTorus(2.0f, 0.5f, 24, 12, nullptr, nullptr);
  for (auto _ : state) {
    Mesh* mesh = MeshCreate(nullptr, 0, 0);
    for (int i = 0; i < 16; ++i) MeshMerge(*mesh, *part);
    benchmark::DoNotOptimize(mesh->vertices);
    MeshDestroy(mesh);
  }
  MeshDestroy(part);
}
BENCHMARK(BM_MergeCopies);

}  // namespace

BENCHMARK_MAIN();
