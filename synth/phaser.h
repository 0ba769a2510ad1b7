#pragma once
// Phaser: twelve first-order all-pass stages per channel whose common coefficient sweeps with a
// sine between 440 and 1,600 Hz, with feedback of the last output into the input. The output
// replaces the input (no dry signal is mixed back).
//
// Per frame: d = (dmax - dmin) (sin(phase) + 1) / 2 + dmin, a = (1 - d) / (1 + d);
// x = fb x last + in; each stage y = -a x + s, s = a y + x, x = y; out = last = x.
// Parameters: 213 sweep rate in Hz (0..10), 214 feedback (0..1, held to at most 0.99 so the
// loop cannot run away).

#include <cstdint>

#include "synth/block.h"

struct Patch;

constexpr int kPhaserStages = 12;

// Running state, in the channel's effect chain; all zero at creation.
struct Phaser {
  float lastRight;
  float lastLeft;
  float coefficient;               // the all-pass coefficient a of the latest frame
  float stages[kPhaserStages][2];  // {left, right} state of each stage
};

// Sweep settings, in the patch.
struct PhaserSettings {
  Patch* patch;
  float lowest;         // 440 Hz
  float highest;        // 1,600 Hz
  float referenceRate;  // 44,100
  float fifth;          // 1.0, copied into `fifthCopy` each block
  float* coefficient;   // the Phaser's coefficient cell in use
  float dmin, dmax;     // lowest and highest over half the reference rate
  float feedback;
  float phase;      // sweep phase in radians, 0 .. 6.2831802; starts at 0
  float increment;  // sweep phase step per frame
  float fifthCopy;
};

void PhaserSettingsInit(PhaserSettings* settings, Patch* patch);
// Runs the phaser over the 256 frames of `block` in place; afterwards the last outputs and the
// 24 stage states are flushed of denormals.
void PhaserRun(Phaser* phaser, PhaserSettings* settings, StereoPair block);
