#pragma once
// Five-band peaking equaliser at 100, 1,000, 4,000, 8,000 and 12,000 Hz, gains G in dB from
// parameters 231..235. Each band is a standard biquad peaking section with
// A = sqrt(10^(G / 10)), so a band peaks at 2G dB, w0 = 2 pi f / rate and alpha = sin(w0) /
// sqrt(2):
//   b0 = 1 + alpha A, b1 = -2 cos w0, b2 = 1 - alpha A, a0 = 1 + alpha / A, a1 = -2 cos w0,
//   a2 = 1 - alpha / A (kept unnormalised; each coefficient is multiplied by 1/a0 at use).
// Bands run in order 100 Hz .. 12 kHz; the equaliser does not flush denormals.

#include <cstdint>

#include "synth/block.h"

struct Patch;

constexpr int kEqualizerBands = 5;

struct EqualizerSettings {
  Patch* patch;
};

struct EqualizerSection {
  float a0, a1, a2, b0, b1, b2;
  float right[4];  // x1, x2, y1, y2
  float left[4];
};

// In the effect chain; zero at creation.
struct Equalizer {
  EqualizerSection sections[kEqualizerBands];
};

// Recomputes the five sections' coefficients from the parameters.
void EqualizerDesign(EqualizerSettings* settings, Equalizer* equalizer, int32_t rate);
// Runs both channels of the 256 frames of `block` through the five sections in place.
void EqualizerRun(Equalizer* equalizer, StereoPair block);
