// Matrix and quaternion throughput: the per-node work of animating and drawing a scene.
#include <benchmark/benchmark.h>

#include "math/matrix.h"
#include "math/quaternion.h"

namespace {

void BM_MatrixRotateXYZ(benchmark::State& state) {
  Matrix m;
  MatrixInit(m);
  float angle = 0.0f;
  for (auto _ : state) {
    MatrixRotateXYZ(m, angle, angle * 0.5f, angle * 0.25f);
    angle += 0.1f;
    benchmark::DoNotOptimize(m);
  }
}
BENCHMARK(BM_MatrixRotateXYZ);

void BM_MatrixInvert(benchmark::State& state) {
  Matrix m;
  MatrixInit(m);
  MatrixRotateXYZ(m, 10, 20, 30);
  MatrixTranslate(m, 1, 2, 3);
  for (auto _ : state) {
    MatrixInvert(m);
    benchmark::DoNotOptimize(m);
  }
}
BENCHMARK(BM_MatrixInvert);

void BM_PoseInterpolateCubic(benchmark::State& state) {
  Vec3 positions[4] = {{0, 0, 0}, {1, 2, 0}, {3, 1, 1}, {4, 4, 2}};
  Quaternion rotations[4];
  Pose poses[4];
  for (int i = 0; i < 4; ++i) {
    QuaternionFromEulerDeg(rotations[i], 10.0f * i, 20.0f * i, 5.0f * i);
    PoseInit(poses[i], &positions[i], &rotations[i]);
  }
  float t = 0.0f;
  for (auto _ : state) {
    Matrix out;
    MatrixInit(out);
    PoseInterpolateCubic(poses[0], poses[1], poses[2], poses[3], t, out, 1);
    t = t < 1.0f ? t + 0.001f : 0.0f;
    benchmark::DoNotOptimize(out);
  }
}
BENCHMARK(BM_PoseInterpolateCubic);

}  // namespace

BENCHMARK_MAIN();
