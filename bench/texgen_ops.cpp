// Times every texture operation on a 256 x 256 image, on one thread unless --threads=N is given,
// and prints the figures that have targets (noise layer mode 1 under 35 ms, cellular with 64
// points under 5 ms on one core) with the speed-up of the cached noise over the direct
// evaluation and of the row pool over one thread.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "platform/crt.h"
#include "texgen/color_ops.h"
#include "texgen/drawing.h"
#include "texgen/filters.h"
#include "texgen/generators.h"
#include "texgen/noise.h"
#include "texgen/row_pool.h"
#include "texgen/text.h"
#include "texgen/transforms.h"

namespace {

constexpr uint16_t kSide = 256;

// A 256 x 256 image with every channel varying; operations run on it over and over.
Texture* PatternImage() {
  Texture* t = TextureCreateScratch(kSide, kSide);
  for (uint32_t i = 0; i < TexturePixelCount(t); ++i) t->pixels[i] = i * 2654435761u;
  return t;
}

using Op = std::function<void(Texture*)>;

void RunOp(benchmark::State& state, const Op& op, bool freshImage) {
  crt::srand(1);
  Texture* image = PatternImage();
  for (auto _ : state) {
    if (freshImage) {
      TextureDestroy(image);
      image = PatternImage();
    }
    op(image);
    benchmark::DoNotOptimize(image->pixels);
  }
  TextureDestroy(image);
}

struct Entry {
  const char* name;
  Op op;
  bool freshImage = false;  // the operation changes the size: start each run from a new image
};

std::vector<Entry> Entries() {
  static Texture* source = PatternImage();
  static const float kernel[9] = {0.1f, 0.2f, 0.1f, 0.0f, 0.2f, 0.0f, -0.1f, -0.2f, -0.1f};
  static const uint32_t colors[6] = {0xFF000000u, 0xFF2040FFu, 0xFFFFFFFFu, 0, 0, 0};
  static const uint8_t positions[6] = {0, 128, 255, 0, 0, 0};
  return {
      {"PutPixel x1000",
       [](Texture* t) {
         for (int i = 0; i < 1000; ++i)
           TexturePutPixel(t, int16_t(i & 255), int16_t(i >> 2), 0xFFFFFFFFu);
       }},
      {"DrawLine", [](Texture* t) { TextureDrawLine(t, 0, 0, 255, 200, 0xFFFFFFFFu); }},
      {"DrawHLine", [](Texture* t) { TextureDrawHLine(t, 0, 100, 255, 0xFFFFFFFFu); }},
      {"DrawVLine", [](Texture* t) { TextureDrawVLine(t, 100, 0, 255, 0xFFFFFFFFu); }},
      {"DrawRect", [](Texture* t) { TextureDrawRect(t, 10, 10, 240, 240, 0xFFFFFFFFu); }},
      {"FillRect", [](Texture* t) { TextureFillRect(t, 0, 0, 255, 255, 0xFF808080u); }},
      {"DrawCircle", [](Texture* t) { TextureDrawCircle(t, 128, 128, 100, 0xFFFFFFFFu); }},
      {"FillCircle", [](Texture* t) { TextureFillCircle(t, 128, 128, 100, 0xFFFFFFFFu); }},
      {"LinearGradient",
       [](Texture* t) { TextureLinearGradient(t, 0, 0, 255, 255, 0xFF000000u, 0xFFFFFFFFu); }},
      {"RadialGradient",
       [](Texture* t) { TextureRadialGradient(t, 128, 128, 128, 0xFF000000u, 0xFFFFFFFFu); }},
      {"DrawBricks", [](Texture* t) { TextureDrawBricks(t, 16, 80, 2); }},
      {"CopyRect", [](Texture* t) { TextureCopyRect(t, 0, 0, 128, 128, 100, 100); }},
      {"CopyRectLine x8", [](Texture* t) { TextureCopyRectLine(t, 0, 0, 32, 32, 16, 16, 8); }},
      {"CopyRectGrid 8x8", [](Texture* t) { TextureCopyRectGrid(t, 0, 0, 32, 32, 32, 32, 8, 8); }},
      {"Blend", [](Texture* t) { TextureBlend(t, source, 0, 128); }},
      {"CombineChannels", [](Texture* t) { TextureCombineChannels(t, source, 3); }},
      {"Resize 128 bilinear", [](Texture* t) { TextureResize(t, 128, 128, 1); }, true},
      {"Resize 512 nearest", [](Texture* t) { TextureResize(t, 512, 512, 0); }, true},
      {"AddNoise", [](Texture* t) { TextureAddNoise(t, 32, true, true); }},
      {"NoiseLayer mode 0", [](Texture* t) { TextureNoiseLayer(t, true, 0, 0, 1.0f, 0.5f, 0); }},
      {"NoiseLayer mode 1", [](Texture* t) { TextureNoiseLayer(t, true, 0, 0, 1.0f, 0.5f, 1); }},
      {"NoiseLayer mode 3", [](Texture* t) { TextureNoiseLayer(t, true, 0, 0, 1.0f, 0.5f, 3); }},
      {"Blur3x3", [](Texture* t) { TextureBlur3x3(t, true); }},
      {"ClampToColor", [](Texture* t) { TextureClampToColor(t, 0xFF808080u); }},
      {"Grayscale", [](Texture* t) { TextureGrayscale(t); }},
      {"Invert", [](Texture* t) { TextureInvert(t); }},
      {"Emboss", [](Texture* t) { TextureEmboss(t, 100); }},
      {"OctaveNoise", [](Texture* t) { TextureOctaveNoise(t); }},
      {"RandomBlendColor", [](Texture* t) { TextureRandomBlendColor(t, 128, 0xFFFF0000u); }},
      {"RandomAlpha0or255", [](Texture* t) { TextureRandomAlpha0or255(t); }},
      {"RandomAlpha50or200", [](Texture* t) { TextureRandomAlpha50or200(t); }},
      {"AlphaFromLuminance", [](Texture* t) { TextureAlphaFromLuminance(t); }},
      {"MirrorTile from 128",
       [](Texture* t) {
         TextureResize(t, 128, 128, 0);
         TextureMirrorTile(t);
       },
       true},
      {"SineShiftRows", [](Texture* t) { TextureSineShiftRows(t, 8, 32); }},
      {"SineShiftColumns", [](Texture* t) { TextureSineShiftColumns(t, 8, 32); }},
      {"SineShiftBoth", [](Texture* t) { TextureSineShiftBoth(t, 8, 32); }},
      {"Scatter", [](Texture* t) { TextureScatter(t, 4); }},
      {"AddColor", [](Texture* t) { TextureAddColor(t, 0x10101010u); }},
      {"SubtractColor", [](Texture* t) { TextureSubtractColor(t, 0x10101010u); }},
      {"ScaleChannels", [](Texture* t) { TextureScaleChannels(t, 1.1f, 0.9f, 1.0f, 1.0f); }},
      {"VerticalBlur r8", [](Texture* t) { TextureVerticalBlur(t, 8); }},
      {"Rotate", [](Texture* t) { TextureRotate(t, 33, true); }},
      {"ThresholdRecolor", [](Texture* t) { TextureThresholdRecolor(t, 128, 0xFFFF0000u); }},
      {"Cellular 64", [](Texture* t) { TextureCellular(t, 64, 0, 1); }},
      {"Cellular 256", [](Texture* t) { TextureCellular(t, 256, 2, 1); }},
      {"NormalMap", [](Texture* t) { TextureNormalMap(t); }},
      {"DrawText",
       [](Texture* t) {
         TextureDrawText(t, "DejaVu Sans", 24, true, false, 4, 4, 0xFFFFFFFFu, "Halvex");
       }},
      {"EdgeDetectStrong", [](Texture* t) { TextureEdgeDetectStrong(t, false); }},
      {"EdgeDetect", [](Texture* t) { TextureEdgeDetect(t, false); }},
      {"Sharpen", [](Texture* t) { TextureSharpen(t, false); }},
      {"ReliefUpLeft", [](Texture* t) { TextureReliefUpLeft(t, false); }},
      {"ReliefDownRight", [](Texture* t) { TextureReliefDownRight(t, false); }},
      {"Convolve3x3", [](Texture* t) { TextureConvolve3x3(t, kernel, true); }},
      {"GradientMap", [](Texture* t) { TextureGradientMap(t, 3, colors, positions); }},
      {"DrawGrid", [](Texture* t) { TextureDrawGrid(t, 16, 16, 2, 0xFFFFFFFFu); }},
  };
}

// Milliseconds per run of `op` on the pattern image, best of `rounds`.
double BestMs(const Op& op, int rounds) {
  Texture* image = PatternImage();
  double best = 1e30;
  for (int r = 0; r < rounds; ++r) {
    const auto start = std::chrono::steady_clock::now();
    op(image);
    const auto end = std::chrono::steady_clock::now();
    best = std::min(best, std::chrono::duration<double, std::milli>(end - start).count());
  }
  TextureDestroy(image);
  return best;
}

// The noise layer's mode 1 value evaluated per pixel straight from SampleFractalNoise: the
// reference the cached layer is measured against.
void DirectNoiseMode1(Texture* t) {
  for (int y = 0; y < t->height; ++y) {
    for (int x = 0; x < t->width; ++x) {
      auto n = [&](int64_t s, int64_t o) {
        return SampleFractalNoise(float((x + o) * s), float((y + o) * s), 0.5f);
      };
      const float v = 0.25f * n(4000, 100) + 0.5f * n(2000, 0) + 0.125f * n(8000, 200) +
                      0.0625f * n(16000, 300);
      benchmark::DoNotOptimize(v);
    }
  }
}

void PrintTargets(int poolThreads) {
  TextureSetThreadCount(1);
  const double noise =
      BestMs([](Texture* t) { TextureNoiseLayer(t, true, 0, 0, 1.0f, 0.5f, 1); }, 5);
  const double direct = BestMs(DirectNoiseMode1, 2);
  const double cellular = BestMs([](Texture* t) { TextureCellular(t, 64, 0, 1); }, 10);
  const double blur = BestMs([](Texture* t) { TextureBlur3x3(t, true); }, 10);
  TextureSetThreadCount(poolThreads);
  const double noiseN =
      BestMs([](Texture* t) { TextureNoiseLayer(t, true, 0, 0, 1.0f, 0.5f, 1); }, 5);
  const double blurN = BestMs([](Texture* t) { TextureBlur3x3(t, true); }, 10);
  std::printf("\n%-34s %10s %10s\n", "figure (256 x 256, one core)", "ms", "target");
  std::printf("%-34s %10.2f %10s\n", "NoiseLayer mode 1", noise, "< 35");
  std::printf("%-34s %10.2f %10s\n", "Cellular, 64 points", cellular, "< 5");
  std::printf("%-34s %10.2f %10s\n", "direct per-pixel noise (reference)", direct, "");
  std::printf("%-34s %10.1fx\n", "cached / direct speed-up", direct / noise);
  std::printf("%-34s %10.2f ms on %d threads: %.1fx\n", "NoiseLayer mode 1", noiseN, poolThreads,
              noise / noiseN);
  std::printf("%-34s %10.2f ms on %d threads: %.1fx\n", "Blur3x3", blurN, poolThreads,
              blur / blurN);
}

}  // namespace

int main(int argc, char** argv) {
  int threads = 1, poolThreads = 4;
  std::vector<char*> args;
  for (int i = 0; i < argc; ++i) {
    if (std::strncmp(argv[i], "--threads=", 10) == 0) {
      threads = std::atoi(argv[i] + 10);
      continue;
    }
    if (std::strncmp(argv[i], "--pool=", 7) == 0) {
      poolThreads = std::atoi(argv[i] + 7);
      continue;
    }
    args.push_back(argv[i]);
  }
  int count = static_cast<int>(args.size());
  benchmark::Initialize(&count, args.data());
  TextureSetThreadCount(threads);
  for (const Entry& e : Entries()) {
    benchmark::RegisterBenchmark(e.name, [e](benchmark::State& s) {
      RunOp(s, e.op, e.freshImage);
    })->Unit(benchmark::kMillisecond);
  }
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  PrintTargets(poolThreads);
  return 0;
}
