#pragma once
// Biquad filter sections: low-pass, high-pass, band-pass and notch, designed anew every block
// from the patch parameters and the voice's envelope and LFO values: standard second-order
// sections, low-pass and high-pass with the bandwidth form of alpha, band-pass and notch with
// the shelf-slope form.

#include <cstdint>

#include "synth/block.h"

struct Patch;
struct Voice;

enum FilterKind : int32_t {
  kFilterHighPass = 0,
  kFilterLowPass = 1,
  kFilterBandPass = 2,
  kFilterNotch = 4,
};

// Patch side: one per filter of a patch.
struct FilterSettings {
  Patch* patch;
  int32_t kind;
};

// Voice side: one filter section. The coefficients are normalised by a0 (a0 is kept as
// computed); each channel has its own history.
struct Biquad {
  float cutoff;  // Hz as last designed, at least 20
  float q;       // 1 - clamped resonance
  float a0, a1, a2;
  float b0, b1, b2;
  float rightX1, rightX2, rightY1, rightY2;
  float leftX1, leftX2, leftY1, leftY2;
};

// Parameters of each kind (index of the enable switch, cutoff, resonance, selects, gain).
struct FilterParams {
  int on;      // int: the section runs when non-zero
  int cutoff;  // 4..100, used squared in Hz
  int resonance;
  int cutoffLfo;  // int selects; -1 where the kind has none
  int cutoffEnv;
  int resonanceLfo;
  int resonanceEnv;
  int gain;  // band-pass gain in dB; -1 elsewhere (0 dB)
};
const FilterParams& FilterParamsOf(int32_t kind);

// Zeroes the section whole (coefficients and histories).
void BiquadClear(Biquad* biquad);
// Designs the section for the coming block at integer sample rate `rate`:
//   f = cutoff^2, x envelope, then x (LFO + 1) / 2; r = resonance, modulated the same way
//   (low-pass and high-pass only); f at least 20 Hz; r clamped to [0.05, 0.95]; q = 1 - r;
//   A = 10^(gain / 40); w0 = 2 pi f / rate;
//   alpha = sin w0 sinh(ln 2 / 2 q w0 / sin w0)               (low-pass, high-pass)
//   alpha = sin w0 / 2 sqrt((A + 1/A)(1/q - 1) + 2)           (band-pass, notch)
//   a0 = 1 + alpha, a1 = -2 cos w0, a2 = 1 - alpha; b by kind; all but a0 divided by a0.
void BiquadDesign(const FilterSettings* settings, Biquad* biquad, const Voice* voice, int32_t rate);
// Filters 256 frames of source and writes out = out x mix + y, frame by frame, left then right.
// Every output y is rounded to float and flushed to 0 when its exponent bits are all zero.
// source may be out (mix 0 filters in place).
void BiquadRun(StereoPair out, StereoPair source, Biquad* biquad, float mix);
