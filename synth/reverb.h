#pragma once
// Reverb after the classic comb and all-pass design: per channel eight low-pass-feedback comb
// filters in parallel, then four all-pass filters in series; the right channel's lines are 23
// samples longer. Lengths in samples at 44,100 Hz:
//   combs      left 1116 1188 1277 1356 1422 1491 1557 1617   right = left + 23
//   all-passes left  556  441  341  225                       right = left + 23
// Parameters: 225 room size (comb feedback 0.7 + 0.28 x room), 226 damping (x 0.4), 227 wet
// (x 3), 228 dry (x 2), 229 stereo width. Input gain 0.015, all-pass feedback 0.5.
// Per frame: in = (left + right) x 0.015; each side sums its combs and runs its all-passes;
// left = outL wet1 + outR wet2 + left dry, right = outR wet1 + outL wet2 + right dry, with
// wet1 = (width + 1) / 2 x wet and wet2 = (1 - width) / 2 x wet. Stored feedback values are
// flushed of denormals.

#include <cstdint>

#include "synth/block.h"

struct Patch;

constexpr int kReverbCombs = 8;
constexpr int kReverbAllpasses = 4;
constexpr int kReverbBuffers = 2 * (kReverbCombs + kReverbAllpasses);

// In the effect chain: the 24 zeroed lines, comb 0..7 (left, right) then all-pass 0..3 (left,
// right); each holds its length plus 3 floats.
struct ReverbBuffers {
  float* buffers[kReverbBuffers];
};

struct ReverbComb {
  float store;  // the low-pass filter's state
  float* buffer;
  int32_t length;
  int32_t index;
};

struct ReverbAllpass {
  float* buffer;
  int32_t length;
  int32_t index;
};

// In the patch: coefficients, filter stores and indices.
struct ReverbState {
  float feedback;
  float allpassFeedback;  // 0.5
  Patch* patch;
  float gain;  // 0.015
  float damp1;
  float damp2;
  float wet1, wet2;
  float dry;
  ReverbComb combs[2][kReverbCombs];  // left, right
  ReverbAllpass allpasses[2][kReverbAllpasses];
};

ReverbBuffers* ReverbBuffersCreate();
void ReverbBuffersDestroy(ReverbBuffers* buffers);
void ReverbStateInit(ReverbState* state, Patch* patch);
// Reads the parameters and attaches the lines of `buffers` (every block the reverb runs).
void ReverbUpdate(ReverbBuffers* buffers, ReverbState* state);
// Runs the reverb over the 256 frames of `block` in place.
void ReverbRun(ReverbState* state, StereoPair block);
float ReverbCombTick(ReverbComb* comb, const ReverbState* state, float in);
// Passes `*sample` through the all-pass in place.
void ReverbAllpassTick(ReverbAllpass* allpass, float* sample, const ReverbState* state);
