#pragma once
// LFOs: four per patch, evaluated per voice once per 256-frame block in the order 0..3. LFO n
// (n >= 1) can be combined with the value just computed for LFO n - 1.

#include <cstdint>

struct Patch;

// LFO n reads kParamLfoBase + 4n + offset; its combine mode is kParamLfoCombineBase + n (n >= 1).
constexpr int kParamLfoBase = 136;
constexpr int kParamLfoCombineBase = 238;
enum LfoParamOffset : int {
  kLfoWaveform = 0,   // int 0..13, 0 = off
  kLfoRetrigger = 1,  // int: non-zero restarts the phase when a voice is retriggered or ends
  kLfoRate = 2,       // 0..8, used squared in Hz
  kLfoAmount = 3,     // 0..1
};

struct Lfo {
  Patch* patch;
  int32_t index;  // n, 0..3
};

void StorePair(Lfo* lfo, Patch* patch, int32_t n);
void LfoPhaseReset(float* time);

// The LFO's value for this block at the voice's time `time` (seconds) of this LFO; `previous`
// is the value just computed for LFO n - 1 (0 for LFO 0). The time is not advanced here.
// x = fmod(t x 2 pi x rate^2, 2 pi); shape by waveform: 1 sin x, 2 x/pi - 1, 3 1 - x/pi,
// 4 +1 while x < pi/2 else -1 (a quarter-cycle pulse), 5 the oscillator's triangle, 6 the
// wavetable bank's table 0, 7..13 table 64 (w - 6); value v = shape x amount; combine mode 1
// gives clamp(v + previous, -1, 1), 2 gives v x previous. Waveform 0 gives 0 at once.
float LfoEvaluate(const Lfo* lfo, const float* time, float previous);
