#include "texgen/noise.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/crt.h"
#include "texgen/pixel.h"
#include "texgen/row_pool.h"

namespace {

constexpr int kOctaves = 16;
constexpr float kPi = 3.1415927f;
constexpr float kCoordinateScale = 5e-6f;             // 4.999999873689376e-06
constexpr float kHashScale = 9.313225746154785e-10f;  // 2^-30

// The cosine weight f of a fraction t; InterpolateCosine blends a * (1 - f) + b * f.
inline float CosineWeight(float t) { return (1.0f - std::cos(t * kPi)) * 0.5f; }

inline float HashOf(uint32_t n) {
  n = n ^ (n << 13);
  const uint32_t v = (n * (n * n * 15731u + 789221u) + 1376312589u) & 0x7FFFFFFFu;
  return 1.0f - static_cast<float>(v) * kHashScale;
}

// One axis of one octave: the lattice cell and its cosine weights.
struct AxisCell {
  uint32_t cell;
  float weight;    // f
  float oneMinus;  // 1 - f
};

inline AxisCell MakeAxisCell(float coordinate) {
  const int32_t cell = crt::RoundToInt(coordinate);
  const float f = CosineWeight(coordinate - static_cast<float>(cell));
  return {static_cast<uint32_t>(cell), f, 1.0f - f};
}

// The cells of all octaves along one axis for the scaled coordinate c (already times 5e-6).
void FillOctaveCells(float c, AxisCell* cells) {
  float frequency = 1.0f;
  for (int k = 0; k < kOctaves; ++k) {
    cells[k] = MakeAxisCell(frequency * c);
    frequency *= 3.0f;
  }
}

// The four weighted terms of the noise layer: scale s and offset o of each N(s, o), in the
// order of the mode 1 sum.
struct NoiseTerm {
  int64_t scale;
  int64_t offset;
  float weight;
};
constexpr NoiseTerm kTerms[4] = {
    {4000, 100, 0.25f}, {2000, 0, 0.5f}, {8000, 200, 0.125f}, {16000, 300, 0.0625f}};

inline float ScaledCoordinate(int64_t position, const NoiseTerm& term) {
  return static_cast<float>((position + term.offset) * term.scale) * kCoordinateScale;
}

// Per-column cells of every term used by the mode, laid out [term][octave][column].
struct NoiseLayerPlan {
  int width;
  int firstTerm, termCount;
  int yOffset;
  float amplitudes[kOctaves];
  std::vector<AxisCell> columns;
};

// Adds one term's sixteen octaves for one row into sums[column], in octave order so that each
// column's sum is formed exactly as SampleFractalNoise forms it.
void AccumulateTermRow(const NoiseLayerPlan& plan, int term, const AxisCell* rowCells,
                       float* sums) {
  const int width = plan.width;
  for (int x = 0; x < width; ++x) sums[x] = 0.0f;
  for (int k = 0; k < kOctaves; ++k) {
    const AxisCell* col = plan.columns.data() + (size_t(term) * kOctaves + k) * width;
    const AxisCell r = rowCells[k];
    const uint32_t row0 = r.cell * 57u, row1 = (r.cell + 1u) * 57u;
    const float amplitude = plan.amplitudes[k];
    for (int x = 0; x < width; ++x) {
      const uint32_t i = col[x].cell;
      const float bottom =
          HashOf(row0 + i) * col[x].oneMinus + HashOf(row0 + i + 1u) * col[x].weight;
      const float top = HashOf(row1 + i) * col[x].oneMinus + HashOf(row1 + i + 1u) * col[x].weight;
      sums[x] = sums[x] + (bottom * r.oneMinus + top * r.weight) * amplitude;
    }
  }
}

// The noise value v of one pixel from the per-term sums.
float CombineTerms(int mode, const float* const* sums, int x) {
  if (mode == 0) return sums[1][x];
  float v = 0.0f;
  for (int t = 0; t < 4; ++t) {
    const float n = mode == 1 ? sums[t][x] : std::fabs(sums[t][x]);
    v = t == 0 ? kTerms[0].weight * n : v + kTerms[t].weight * n;
  }
  if (mode == 3) v = std::sin(16.0f * v + 0.0625f * static_cast<float>(x));
  return v;
}

uint32_t BrightenPixel(uint32_t p, float v, float strength, bool alpha) {
  v = ClampByteF(128.0f + 128.0f * v) * strength;
  auto add = [&](int channel) {
    return crt::RoundToInt(std::min(255.0f, static_cast<float>(channel) + v));
  };
  return PixelPack(alpha ? add(PixelAlpha(p)) : PixelAlpha(p), add(PixelRed(p)), add(PixelGreen(p)),
                   add(PixelBlue(p)));
}

}  // namespace

float HashLattice2D(int32_t i, int32_t j) {
  return HashOf(static_cast<uint32_t>(j) * 57u + static_cast<uint32_t>(i));
}

float InterpolateCosine(float a, float b, float t) {
  const float f = CosineWeight(t);
  return a * (1.0f - f) + b * f;
}

float SampleValueNoise2D(float x, float y) {
  const int32_t i = crt::RoundToInt(x), j = crt::RoundToInt(y);
  const float fx = x - static_cast<float>(i), fy = y - static_cast<float>(j);
  const uint32_t ui = static_cast<uint32_t>(i), uj = static_cast<uint32_t>(j);
  const float bottom = InterpolateCosine(HashLattice2D(ui, uj), HashLattice2D(ui + 1u, uj), fx);
  const float top =
      InterpolateCosine(HashLattice2D(ui, uj + 1u), HashLattice2D(ui + 1u, uj + 1u), fx);
  return InterpolateCosine(bottom, top, fy);
}

float SampleFractalNoise(float x, float y, float persistence) {
  x = x * kCoordinateScale;
  y = y * kCoordinateScale;
  float sum = 0.0f, amplitude = 1.0f, frequency = 1.0f;
  for (int k = 0; k < kOctaves; ++k) {
    sum = sum + SampleValueNoise2D(frequency * x, frequency * y) * amplitude;
    frequency = frequency * 3.0f;
    amplitude = amplitude * persistence;
  }
  return sum;
}

void TextureNoiseLayer(Texture* texture, bool alpha, uint16_t xOffset, uint16_t yOffset,
                       float strength, float persistence, uint8_t mode) {
  if (!TextureIsEditable(texture) || mode > 3) return;
  NoiseLayerPlan plan;
  plan.width = texture->width;
  plan.firstTerm = mode == 0 ? 1 : 0;
  plan.termCount = mode == 0 ? 1 : 4;
  plan.yOffset = yOffset;
  float amplitude = 1.0f;
  for (float& a : plan.amplitudes) {
    a = amplitude;
    amplitude = amplitude * persistence;
  }
  plan.columns.resize(size_t(4) * kOctaves * plan.width);
  for (int t = plan.firstTerm; t < plan.firstTerm + plan.termCount; ++t) {
    for (int x = 0; x < plan.width; ++x) {
      AxisCell cells[kOctaves];
      FillOctaveCells(ScaledCoordinate(int64_t{xOffset} + x, kTerms[t]), cells);
      for (int k = 0; k < kOctaves; ++k) {
        plan.columns[(size_t(t) * kOctaves + k) * plan.width + x] = cells[k];
      }
    }
  }
  uint32_t* pixels = texture->pixels;
  ParallelRows(texture->height, [&](int firstRow, int endRow) {
    std::vector<float> sumBlock(size_t(4) * plan.width);
    const float* sums[4];
    for (int t = 0; t < 4; ++t) sums[t] = sumBlock.data() + size_t(t) * plan.width;
    for (int y = firstRow; y < endRow; ++y) {
      for (int t = plan.firstTerm; t < plan.firstTerm + plan.termCount; ++t) {
        AxisCell rowCells[kOctaves];
        FillOctaveCells(ScaledCoordinate(int64_t{plan.yOffset} + y, kTerms[t]), rowCells);
        AccumulateTermRow(plan, t, rowCells, sumBlock.data() + size_t(t) * plan.width);
      }
      uint32_t* row = pixels + size_t(y) * plan.width;
      for (int x = 0; x < plan.width; ++x) {
        row[x] = BrightenPixel(row[x], CombineTerms(mode, sums, x), strength, alpha);
      }
    }
  });
}
