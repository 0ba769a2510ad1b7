#pragma once
// PAD tables: a 65,536-sample loop per oscillator of waveform 6, computed once at start-up.
// Every harmonic of a base frequency is spread into a Gaussian band of the spectrum, every bin
// gets a phase from the shared random-phase table, and one inverse FFT turns the spectrum into
// the loop. At 44,100 Hz the loop's first harmonic sounds at 256 x B / 44100 times the
// oscillator's frequency, B being the base frequency (note 30).

#include <cstdint>

struct Oscillator;

constexpr int kPadTableSize = 65536;
constexpr int kRandomPhaseCount = 65536;

// Builds the shared random-phase table unless it exists: entry i = rand() x (1/32768) x 2 pi
// for i = 0..65535 in order (65,536 draws of crt::rand), and sets the rolling index to 0.
// Never freed.
void RandomPhaseTableCreate();
// The entry at the rolling index; the index then advances, wrapping from 65536 to 0.
float NextRandomPhase();

// Rebuilds the oscillator's PAD table from bandwidth a (0.01..0.5, x 256 cents), harmonic
// profile b (0..2) and harmonic count c (0..10), unless a table exists and a, b, c equal the
// cached values exactly. Base frequency B = note 30; N = min(round(44100 / B), round(c x 255));
// H = N + 16 harmonics (0..H-1, harmonic 0 silent) with amplitudes
//   odd h: 1 / ((1 - b) h + 1),   even h: 2 / ((1 - b) h + 1);
// a denominator whose magnitude is below 1e-6 gives amplitude 0, so the table stays finite.
void OscillatorUpdatePadTable(Oscillator* osc, float a, float b, float c);

// Writes the loop into table (kPadTableSize floats): the spectrum of harmonics 1..H-1 of base
// frequency B (Hz) with amplitudes A[h], each a Gaussian band of width `cents` around h x B,
// with 131,072 bins of resolution at 44,100 Hz; the random phases; the inverse transform; and
// a scale so the loop peaks at +-1/1.4142. Consumes kPadTableSize random phases.
void PadSynthSpectrum(float B, float cents, int H, const float* A, float* table);
// table[i] = real part of the transform of S[i] (cos P[i] + i sin P[i]), i < kPadTableSize.
void PadSynthIfft(const float* S, const float* P, float* table);
// The Gaussian bands into the magnitudes S (kPadTableSize floats), harmonic by harmonic:
// S[i] += exp(-x^2) / bwi x A[h] for every bin with x^2 <= 14.71280603, where
// x = (i / 131072 - h B / 44100) / bwi and bwi = (2^(cents / 1200) - 1) B h / 88200. Only the
// bins inside each band are visited; the result is bit-identical to testing every bin.
void PadSynthBands(float B, float cents, int H, const float* A, float* S);
