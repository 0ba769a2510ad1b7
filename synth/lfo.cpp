#include "synth/lfo.h"

#include <cmath>

#include "synth/block.h"
#include "synth/oscillator.h"
#include "synth/patch.h"
#include "synth/wavetable.h"

namespace {

// The shape of waveform w at phase x in [0, 2 pi); the saws, the triangle and the table reads
// are the oscillator's own waveforms, the pulse is high for a quarter cycle.
float LfoShape(int32_t w, float x) {
  if (w == 1) return std::sin(x);
  if (w > kWaveBankLast) return 0.0f;
  const WavetableBank* bank = WavetableBankGet();
  OscWave wave{w, kPi * 0.5f, nullptr};
  if (w >= kWavePad) {
    wave.waveform = kWaveBankFirst;  // a table read; which table follows
    wave.table = bank->tables[kWavetablePositions * (w - kWavePad)];
  }
  return OscillatorWaveValue(wave, x);
}

}  // namespace

void StorePair(Lfo* lfo, Patch* patch, int32_t n) { *lfo = Lfo{patch, n}; }

void LfoPhaseReset(float* time) { *time = 0.0f; }

float LfoEvaluate(const Lfo* lfo, const float* time, float previous) {
  const Patch* patch = lfo->patch;
  const int base = kParamLfoBase + 4 * lfo->index;
  const int32_t w = PatchGetInt(patch, base + kLfoWaveform);
  const float amount = PatchGet(patch, base + kLfoAmount);
  const float rate = PatchGet(patch, base + kLfoRate);
  const int32_t combine =
      lfo->index >= 1 ? PatchGetInt(patch, kParamLfoCombineBase + lfo->index) : 0;
  if (w == 0) return 0.0f;
  const float x = std::fmod(*time * kTwoPi * (rate * rate), kTwoPi);
  float v = LfoShape(w, x) * amount;
  if (combine == 1) {
    v += previous;
    v = v > 1.0f ? 1.0f : (v < -1.0f ? -1.0f : v);
  } else if (combine == 2) {
    v *= previous;
  }
  return v;
}
