#include "synth/pad_table.h"

#include <cmath>

#include "platform/crt.h"
#include "synth/block.h"
#include "synth/fft.h"
#include "synth/oscillator.h"
#include "synth/tables.h"

namespace {

float* g_randomPhases = nullptr;
int g_randomPhaseIndex = 0;

constexpr float kBandLimit = 14.71280603f;  // x^2 beyond which exp(-x^2) is cut off
constexpr float kBinScale = 131072.0f;      // spectrum resolution in bins per sample rate
constexpr float kPadRate = 44100.0f;
constexpr int kNoteOfBase = 30;

// Amplitude of harmonic h under profile b: 1 (odd) or 2 (even) over (1 - b) h + 1; a zero or
// near-zero denominator silences the harmonic instead of making the table infinite.
float HarmonicAmplitude(int h, float b) {
  const float denominator = (1.0f - b) * static_cast<float>(h) + 1.0f;
  if (std::fabs(denominator) < 1e-6f) return 0.0f;
  return (h % 2 == 1 ? 1.0f : 2.0f) / denominator;
}

// The bins a band can touch: |i / 131072 - fh| <= sqrt(14.7128) bwi = 3.8357 bwi, widened to
// 3.9 bwi and two bins on each side so float rounding never cuts a bin the full test keeps.
void BandBins(float fh, float bwi, int* first, int* last) {
  const double lo = std::floor((static_cast<double>(fh) - 3.9 * bwi) * kBinScale) - 2.0;
  const double hi = std::ceil((static_cast<double>(fh) + 3.9 * bwi) * kBinScale) + 2.0;
  *first = lo < 0.0 ? 0 : (lo > kPadTableSize ? kPadTableSize : static_cast<int>(lo));
  *last = hi >= kPadTableSize - 1 ? kPadTableSize - 1 : (hi < -1.0 ? -1 : static_cast<int>(hi));
}

}  // namespace

void RandomPhaseTableCreate() {
  if (g_randomPhases) return;
  g_randomPhases = crt::AlignedNewArray<float>(kRandomPhaseCount);
  for (int i = 0; i < kRandomPhaseCount; ++i) {
    g_randomPhases[i] = static_cast<float>(crt::rand()) * (1.0f / 32768.0f) * kTwoPi;
  }
  g_randomPhaseIndex = 0;
}

float NextRandomPhase() {
  const float phase = g_randomPhases[g_randomPhaseIndex];
  g_randomPhaseIndex = (g_randomPhaseIndex + 1) & (kRandomPhaseCount - 1);
  return phase;
}

void PadSynthBands(float B, float cents, int H, const float* A, float* S) {
  const float bwf = (std::pow(2.0f, cents * 0.00083333335f) - 1.0f) * B;
  for (int h = 1; h < H; ++h) {
    const float bwi = bwf * static_cast<float>(h) / 88200.0f;
    const float fh = static_cast<float>(h) * B / kPadRate;
    if (!(bwi > 0.0f) || !std::isfinite(bwi)) continue;
    int first, last;
    BandBins(fh, bwi, &first, &last);
    for (int i = first; i <= last; ++i) {
      const float x = (static_cast<float>(i) / kBinScale - fh) / bwi;
      if (x * x > kBandLimit) continue;
      S[i] += std::exp(-(x * x)) / bwi * A[h];
    }
  }
}

void PadSynthIfft(const float* S, const float* P, float* table) {
  float* work = crt::AlignedNewArray<float>(2 * kPadTableSize);
  // Bins outside every band stay (0, 0): the same values as 0 x cos and 0 x sin, without
  // evaluating them.
  for (int i = 0; i < kPadTableSize; ++i) {
    if (S[i] == 0.0f) continue;
    work[2 * i] = S[i] * std::cos(P[i]);
    work[2 * i + 1] = S[i] * std::sin(P[i]);
  }
  ComplexFft(work, kPadTableSize);
  for (int i = 0; i < kPadTableSize; ++i) table[i] = work[2 * i];
  crt::AlignedDeleteArray(work, 2 * kPadTableSize);
}

void PadSynthSpectrum(float B, float cents, int H, const float* A, float* table) {
  float* S = crt::AlignedNewArray<float>(kPadTableSize);
  float* P = crt::AlignedNewArray<float>(kPadTableSize);
  PadSynthBands(B, cents, H, A, S);
  for (int i = 0; i < kPadTableSize; ++i) P[i] = NextRandomPhase();
  PadSynthIfft(S, P, table);
  float m = 0.0f;
  for (int i = 0; i < kPadTableSize; ++i) {
    const float a = std::fabs(table[i]);
    if (a > m) m = a;
  }
  if (m < 9.9999997e-6f) m = 9.9999997e-6f;
  const float scale = 1.0f / (m * 1.4142f);
  for (int i = 0; i < kPadTableSize; ++i) table[i] *= scale;
  crt::AlignedDeleteArray(S, kPadTableSize);
  crt::AlignedDeleteArray(P, kPadTableSize);
}

void OscillatorUpdatePadTable(Oscillator* osc, float a, float b, float c) {
  if (osc->padTable && a == osc->padA && b == osc->padB && c == osc->padC) return;
  osc->padA = a;
  osc->padB = b;
  osc->padC = c;
  if (!osc->padTable) osc->padTable = crt::AlignedNewArray<float>(kPadTableSize);
  const float B = NoteToFrequency(kNoteOfBase);
  const int byRate = crt::RoundToInt(kPadRate / B);
  const int byCount = crt::RoundToInt(c * 255.0f);
  int N = byRate < byCount ? byRate : byCount;
  if (N < 0) N = 0;
  const int H = N + 16;
  float* A = crt::AlignedNewArray<float>(H);
  for (int h = 1; h < H; ++h) A[h] = HarmonicAmplitude(h, b);
  PadSynthSpectrum(B, a * 256.0f, H, A, osc->padTable);
  crt::AlignedDeleteArray(A, H);
}
