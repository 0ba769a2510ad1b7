#include "synth/wavetable.h"

#include <cmath>

#include "platform/crt.h"
#include "synth/block.h"
#include "synth/fft.h"
#include "synth/oscillator.h"

namespace {

WavetableBank g_bank;

// ---- Additive banks 0..3 ------------------------------------------------------------------

// (x)+ of the bank formulas: maps [-1, 1] onto [0, 1].
float Unipolar(float x) { return (x + 1.0f) * 0.5f; }

// Bank 0: four lines whose bin numbers move up with the position.
void WriteBank0(float* bins, int j, float theta) {
  const float u = 7.0f * 0.1f;
  const float v = 4.0f - u;
  const float q = static_cast<float>(j) / 64.0f;
  bins[2 * (1 + j)] = Unipolar(std::sin(theta + u)) * v;
  bins[2 * (13 + j)] = (v - 1.0f) * Unipolar(std::cos(2.0f * theta + u)) * q;
  bins[2 * (25 + j)] =
      (v - 2.0f) * Unipolar(std::sin(3.05f * theta + u)) * (static_cast<float>(63 - j) / 64.0f);
  bins[2 * (37 + j)] =
      (v - 3.0f) * Unipolar(std::cos(4.05f * theta + u)) * Unipolar(std::sin(theta));
}

// Bank 1: eight groups of four lines with weights falling by group.
void WriteBank1(float* bins, int j, float theta) {
  static const float kE1[8] = {0.5f, 0.4f, 0.4f, 0.3f, 0.3f, 0.2f, 0.2f, 0.1f};
  static const float kE2[8] = {0.3f, 0.2f, 0.2f, 0.1f, 0.1f, 0.0f, 0.05f, -0.05f};
  static const float kE3[8] = {0.15f, -0.35f, -0.35f, -0.85f, -0.85f, -1.35f, 0.02f, -0.48f};
  const float q = static_cast<float>(j) / 64.0f;
  float a = 0.0f, o1 = 2.0f, o2 = 3.05f, o3 = 4.05f;  // offsets accumulated by 0.1 per group
  for (int k = 1; k <= 8; ++k) {
    bins[2 * k] = (1.0f - a) * Unipolar(std::sin((a + 1.0f) * theta));
    bins[2 * (k + 9)] = Unipolar(std::cos(o1 * theta)) * kE1[k - 1] * q;
    bins[2 * (k + 17)] = Unipolar(std::sin(o2 * theta)) * kE2[k - 1] * q;
    bins[2 * (k + 25)] = Unipolar(std::cos(o3 * theta)) * kE3[k - 1] * q;
    a += 0.1f;
    o1 += 0.1f;
    o2 += 0.1f;
    o3 += 0.1f;
  }
}

// Bank 2: a fundamental and three seven-line groups weighted by tan, sin and cos of the position.
void WriteBank2(float* bins, float theta) {
  static const float kFactors[7] = {0.4f, 0.3f, 0.2f, 0.1f, 0.05f, 0.02f, 0.01f};
  float t = std::tan(theta);
  t = t > 1.0f ? 1.0f : (t < -1.0f ? -1.0f : t);
  const float weights[3] = {Unipolar(t), Unipolar(std::sin(theta)), Unipolar(std::cos(theta))};
  bins[2 * 1] = 0.5f;
  for (int g = 0; g < 3; ++g) {
    for (int f = 0; f < 7; ++f) bins[2 * (2 + 7 * g + f)] = weights[g] * kFactors[f];
  }
}

// Bank 3: octave lines 1, 2, 4 .. 32.
void WriteBank3(float* bins, float theta) {
  static const float kGains[6] = {1.0f, 0.8f, 0.6f, 0.4f, 0.2f, 0.1f};
  for (int i = 0, m = 1; i < 6; ++i, m *= 2) {
    bins[2 * m] = Unipolar(std::sin(static_cast<float>(m) * theta)) * kGains[i];
  }
}

void BuildAdditiveTable(float* table, float* scratch, int bank, int j) {
  const float theta = kTwoPi * static_cast<float>(j) / 64.0f;
  for (int i = 0; i < 2 * kWavetableSize; ++i) scratch[i] = 0.0f;
  switch (bank) {
    case 0:
      WriteBank0(scratch, j, theta);
      break;
    case 1:
      WriteBank1(scratch, j, theta);
      break;
    case 2:
      WriteBank2(scratch, theta);
      break;
    default:
      WriteBank3(scratch, theta);
      break;
  }
  ComplexFft(scratch, kWavetableSize);
  const float low = bank == 3 ? 0.0f : -1.0f;  // bank 3 holds no negative values
  for (int t = 0; t < kWavetableSize; ++t) {
    const float x = scratch[2 * t];
    table[t] = x >= 1.0f ? 1.0f : (x <= low ? low : x);
  }
}

// ---- Shifted banks 4..7 -------------------------------------------------------------------

struct Shift {
  int base;
  float factor;
};

void BuildShiftedTable(float* table, int bank, int j) {
  static const Shift kShifts[4][8] = {
      {{1024, 0.7f}, {512, 0.7f}, {256, 0.7f}, {128, 0.7f}},
      {{1024, 0.7f}, {512, 0.7f}, {256, 0.7f}, {128, 0.7f}},
      {{1024, 1.0f},
       {512, 0.1f},
       {256, 0.1f},
       {128, 0.1f},
       {64, 0.1f},
       {32, 0.1f},
       {16, 0.1f},
       {8, 0.1f}},
      {{1024, 1.0f},
       {512, 0.4f},
       {256, 0.3f},
       {128, 0.3f},
       {64, -0.2f},
       {32, -0.2f},
       {16, -0.1f},
       {8, -0.1f}},
  };
  // Banks 4 and 6 start from a falling saw, 5 and 7 from a square of pulse width pi.
  const bool saw = bank == 4 || bank == 6;
  const OscWave base{saw ? kWaveSawDown : kWavePulse, kPi, nullptr};
  OscillatorRamp ramp{1.0f, 0.0f};
  OscillatorRenderCycle(base, 0.0f, kTwoPi / 2048.0f, kWavetableSize, table, false, 1.0f, &ramp);
  const int count = bank < 6 ? 4 : 8;
  for (int s = 0; s < count; ++s) {
    const Shift& shift = kShifts[bank - 4][s];
    WavetableAddShifted(table, shift.base + j, shift.factor);
  }
  WavetableNormalize(table);
}

void BuildBank() {
  g_bank.sine = crt::AlignedNewArray<float>(kSineTableSize);
  for (int i = 0; i < kSineTableSize; ++i) {
    g_bank.sine[i] = std::sin(static_cast<float>(i) * 0.0015339808f);
  }
  for (int t = 0; t < kWavetableCount; ++t) {
    g_bank.tables[t] = crt::AlignedNewArray<float>(kWavetableSize);
  }
  float* scratch = crt::AlignedNewArray<float>(2 * kWavetableSize);
  for (int bank = 0; bank < 4; ++bank) {
    for (int j = 0; j < kWavetablePositions; ++j) {
      BuildAdditiveTable(g_bank.tables[bank * kWavetablePositions + j], scratch, bank, j);
    }
  }
  crt::AlignedDeleteArray(scratch, 2 * kWavetableSize);
  for (int bank = 4; bank < kWavetableBanks; ++bank) {
    for (int j = 0; j < kWavetablePositions; ++j) {
      BuildShiftedTable(g_bank.tables[bank * kWavetablePositions + j], bank, j);
    }
  }
}

}  // namespace

void WavetableBankBuild() {
  if (g_bank.refs <= 0) BuildBank();
  g_bank.refs = g_bank.refs <= 0 ? 1 : g_bank.refs + 1;
}

void WavetableBankRelease() {
  g_bank.refs -= 1;
  if (g_bank.refs > 0) return;
  for (float*& table : g_bank.tables) {
    crt::AlignedDeleteArray(table, kWavetableSize);
    table = nullptr;
  }
  crt::AlignedDeleteArray(g_bank.sine, kSineTableSize);
  g_bank.sine = nullptr;
  g_bank.refs = 0;
}

const WavetableBank* WavetableBankGet() { return &g_bank; }

void WavetableAddShifted(float* table, int k, float c) {
  for (int i = 0; i < kWavetableSize; ++i) {
    table[i] += c * table[(i + k) & (kWavetableSize - 1)];
  }
}

void WavetableNormalize(float* table) {
  float m = 0.0f;
  for (int i = 0; i < kWavetableSize; ++i) {
    const float a = std::fabs(table[i]);
    if (a > m) m = a;
  }
  if (m == 0.0f) return;
  const float scale = 1.0f / m;
  for (int i = 0; i < kWavetableSize; ++i) table[i] *= scale;
}
