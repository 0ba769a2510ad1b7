#pragma once
// Distortion: a shaping stage with sample-and-hold and bit reduction, or a power-curve shaper.
//
// Parameters: 216 mode by quarters (< 0.25 hard clip, < 0.5 tanh, < 0.75 sine, else curve);
// 217 gain, drive = gain x 16 + 17; 218 bit reduction, e = 1 - value, levels = 2^(24 - 23e)
// (2 levels at 0.0, 2^24 at 1.0); 219 hold: a new sample is taken when the frame counter
// reaches T = 39 - 39 x hold (every 40 frames at 0, every frame at 1).
// Clip, tanh and sine modes: held = f(drive x in); out = round(held x levels) / levels (nearest,
// ties to even). Curve mode: out = curve[round(32768 |in|)] x sign(in), the index held to
// 0..32767 (NaN reads entry 0), with curve[i] = (i / 32768)^e x drive^e.

#include <cstdint>

#include "synth/block.h"

struct Patch;

constexpr int kWaveshaperSize = 32768;

// Running state, in the effect chain; zero at creation.
struct Distortion {
  float heldLeft;
  float heldRight;
  int32_t counter;
};

// The curve table, in the patch; rebuilt only when its exponent or drive changes.
struct Waveshaper {
  Patch* patch;
  float* curve;    // kWaveshaperSize floats
  float exponent;  // cached e, 0.0 at creation
  float drive;     // cached drive, 0.0 at creation
};

void WaveshaperInit(Waveshaper* shaper, Patch* patch);
void WaveshaperFree(Waveshaper* shaper);
// curve[i] = (i x 3.0517578e-05)^e x drive^e for i = 0..32767.
void WaveshaperBuildCurve(Waveshaper* shaper, float exponent, float drive);
// Runs the distortion over the 256 frames of `block` in place.
void DistortionRun(Waveshaper* shaper, Distortion* distortion, StereoPair block);
