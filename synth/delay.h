#pragma once
// Stereo feedback delay with separate left and right lengths.
//
// Parameters: 221 left and 222 right length in whole milliseconds (0..1000), 223 feedback.
// len = ms x rate / 1000 frames (integer arithmetic). Per frame: line[w] = (line[w] + x) x fb
// (flushed of denormals); y = line[r]; w and r advance and wrap at len; out = x + y. The read
// index runs one ahead of the write index, so a value written is read len - 1 frames later:
// out(t) = x(t) + fb x(t - (len - 1)) + fb^2 x(t - 2 (len - 1)) + ...

#include <cstdint>

#include "synth/block.h"

struct Patch;

// In the patch: the sample rate of the latest configuration.
struct DelaySettings {
  Patch* patch;
  int32_t rate;
};

// In the effect chain; all zero at creation.
struct StereoDelay {
  float* buffer[2];  // left, right
  uint32_t write[2];
  uint32_t read[2];
  uint32_t capacity;  // floats per buffer: rate x 4 (four seconds)
};

// Lengths above 4,000 ms are set back to 4,000 through ParamSet; the rate is stored; when
// rate x 4 differs from the capacity the indices restart (write 0, read 1) and, when it is
// larger, both lines are allocated anew and zeroed. At a fixed rate this happens once.
void StereoDelayConfigure(DelaySettings* settings, StereoDelay* delay, int32_t rate);
// Writes the delayed block (256 frames) into `out`; `in` is not changed.
void StereoDelayRun(DelaySettings* settings, StereoPair out, StereoDelay* delay, StereoPair in);
// Frees both lines and the record.
void StereoDelayDestroy(StereoDelay* delay);
