#pragma once
// The shared wavetable bank: a 4096-entry sine table and 8 banks of 64 single-cycle tables of
// 2048 samples. Banks 0..3 are built additively (spectral lines through ComplexFft), banks 4..7
// in the time domain from a saw or a square and shifted copies of it. The position j (0..63)
// inside a bank morphs the timbre. Built once by the first channel, counted per channel, read
// only afterwards.

#include <cstdint>

constexpr int kSineTableSize = 4096;
constexpr int kWavetableSize = 2048;
constexpr int kWavetableBanks = 8;
constexpr int kWavetablePositions = 64;
constexpr int kWavetableCount = kWavetableBanks * kWavetablePositions;

struct WavetableBank {
  float* sine;                     // entry i = sin(i x 0.0015339808), the float 2 pi / 4096
  float* tables[kWavetableCount];  // table 64b + j: bank b, position j
  int32_t refs;
};

// Builds the bank when no reference exists, then adds one.
void WavetableBankBuild();
// Drops a reference; the last one frees the tables.
void WavetableBankRelease();
// The shared bank (its tables are null while no reference exists).
const WavetableBank* WavetableBankGet();

// table[i] += c x table[(i + k) mod 2048] for i = 0..2047 in order, in place: entries from
// 2048 - k on read values this same pass has already changed.
void WavetableAddShifted(float* table, int k, float c);
// Scales the table so its largest magnitude is 1 (an all-zero table stays zero).
void WavetableNormalize(float* table);
