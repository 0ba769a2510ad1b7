#include "synth/tables.h"

#include <cmath>

#include "platform/crt.h"

namespace {

float g_noteFrequency[kNoteCount];
float* g_sqrtTable = nullptr;

}  // namespace

void NoteFrequencyTableBuild() {
  // Single precision: each product with the double constant is rounded once to float.
  float f = 16.35f;
  for (int i = 0; i < kNoteCount; ++i) {
    g_noteFrequency[i] = f;
    f = static_cast<float>(f * 1.0594630943592953);
  }
}

float NoteToFrequency(int note) {
  if (note < 0) note = 0;
  if (note >= kNoteCount) note = kNoteCount - 1;
  return g_noteFrequency[note];
}

void SqrtTableBuild() {
  if (g_sqrtTable) return;
  g_sqrtTable = crt::AlignedNewArray<float>(kSqrtTableSize);
  for (int i = 0; i < kSqrtTableSize; ++i) {
    g_sqrtTable[i] = std::sqrt(static_cast<float>(i) * 1.5259022e-05f);
  }
}

float SqrtTableEntry(int i) { return g_sqrtTable[i & (kSqrtTableSize - 1)]; }

float EqualPowerGain(float x) {
  if (x >= 1.0f) return 1.0f;
  if (!(x > 0.0f)) return g_sqrtTable[0];
  return g_sqrtTable[crt::RoundToInt(x * 65535.0f) & (kSqrtTableSize - 1)];
}

PanGains PanLaw(int32_t law, float v) {
  if (law == 0) return PanGains{1.0f - v, v};
  return PanGains{EqualPowerGain(1.0f - v), EqualPowerGain(v)};
}
