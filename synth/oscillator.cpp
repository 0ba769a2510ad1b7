#include "synth/oscillator.h"

#include <cmath>

#include "platform/crt.h"
#include "synth/block.h"
#include "synth/pad_table.h"
#include "synth/patch.h"
#include "synth/wavetable.h"

namespace {

// ---- Constants ----------------------------------------------------------------------------

constexpr float kHalfPi = kPi * 0.5f;
constexpr float kThreeHalfPi = kPi * 1.5f;
// The triangle's slope: 1 divided by the float pi / 2.
constexpr float kTwoOverPi = 1.0f / kHalfPi;
// Multiply mode squares its gain after every cycle piece; the square stops growing here so the
// product stays finite however many cycles a block holds.
constexpr float kGainCap = 1e30f;
// Read by a PAD oscillator whose table was never built (index mask 0): it renders silence.
const float kSilentPadTable[1] = {0.0f};

// ---- Helpers ------------------------------------------------------------------------------

// Limits a sample to [-1, 1]; NaN becomes 0.
float ClampSample(float v) {
  if (v >= 1.0f) return 1.0f;
  if (v <= -1.0f) return -1.0f;
  return v == v ? v : 0.0f;
}

// x wrapped into [0, 2 pi) (fmod keeps the sign of x; a negative rest moves up one cycle).
float WrapPhase(float x) {
  x = std::fmod(x, kTwoPi);
  return x < 0.0f ? x + kTwoPi : x;
}

// ---- Waveforms: value at phase p (radians) ------------------------------------------------

struct SineWave {
  const float* table;  // kSineTableSize entries
  float operator()(float p) const {
    return table[crt::RoundToInt(p * 4096.0f / kTwoPi) & (kSineTableSize - 1)];
  }
};
struct SawUpWave {
  float operator()(float p) const { return p / kPi - 1.0f; }
};
struct SawDownWave {
  float operator()(float p) const { return 1.0f - p / kPi; }
};
struct PulseWave {
  float shape;  // +1 below the shape, -1 from it on
  float operator()(float p) const { return p < shape ? 1.0f : -1.0f; }
};
struct TriangleWave {
  float operator()(float p) const {
    if (p < kHalfPi) return p * kTwoOverPi;
    if (p < kThreeHalfPi) return 1.0f - (p - kHalfPi) * kTwoOverPi;
    return (p - kThreeHalfPi) * kTwoOverPi - 1.0f;
  }
};
struct PadWave {
  const float* table;  // mask + 1 entries: kPadTableSize, or 1 for the silent table
  int mask;
  float operator()(float p) const { return table[crt::RoundToInt(p * 65536.0f / kTwoPi) & mask]; }
};
struct BankWave {
  const float* table;  // kWavetableSize entries; 2047 keeps the last index inside the table
  float operator()(float p) const {
    return table[crt::RoundToInt(p * 2047.0f / kTwoPi) & (kWavetableSize - 1)];
  }
};

// Calls fn with the evaluator of wave's waveform (1..13).
template <class Fn>
auto VisitWave(const OscWave& wave, Fn&& fn) {
  switch (wave.waveform) {
    case kWaveSine:
      return fn(SineWave{wave.table});
    case kWaveSawUp:
      return fn(SawUpWave{});
    case kWaveSawDown:
      return fn(SawDownWave{});
    case kWavePulse:
      return fn(PulseWave{wave.shape});
    case kWaveTriangle:
      return fn(TriangleWave{});
    case kWavePad:
      if (!wave.table) return fn(PadWave{kSilentPadTable, 0});
      return fn(PadWave{wave.table, kPadTableSize - 1});
    default:
      return fn(BankWave{wave.table});
  }
}

// ---- Combination with what the block already holds ----------------------------------------

struct AddScaled {  // waveforms 1..5: the gain scales what is there too
  static float Apply(float w, float b, float g) { return (w + b) * g; }
};
struct AddNew {  // waveforms 6..13: the gain scales only the new wave
  static float Apply(float w, float b, float g) { return w * g + b; }
};
struct Multiply {
  static float Apply(float w, float b, float g) { return w * g * b; }
};

template <class Combine, class Wave>
float RenderPiece(const Wave& wave, float p, float inc, int count, float* out, float gain,
                  OscillatorRamp* ramp) {
  float amplitude = ramp->amplitude;
  const float step = ramp->step;
  for (int i = 0; i < count; ++i) {
    out[i] = ClampSample(Combine::Apply(wave(p), out[i], gain)) * amplitude;
    p += inc;
    amplitude += step;
  }
  ramp->amplitude = amplitude;
  return p;
}

template <class Wave>
float RingPiece(const Wave& wave, float p, float inc, float depth, int count, float* out,
                float gain, OscillatorRamp* ramp) {
  float amplitude = ramp->amplitude;
  const float step = ramp->step;
  for (int i = 0; i < count; ++i) {
    const float b = out[i];
    const float s = inc * (1.0f + depth * b);
    out[i] = ClampSample(wave(p) * gain * b) * amplitude;
    p = WrapPhase(p + s);
    amplitude += step;
  }
  ramp->amplitude = amplitude;
  return p;
}

// The evaluator inputs of an oscillator's waveform for the shape of this block.
OscWave MakeWave(const Oscillator* osc, int32_t waveform, float shape) {
  const WavetableBank* bank = WavetableBankGet();
  OscWave wave{waveform, shape, nullptr};
  if (waveform == kWaveSine) {
    wave.table = bank->sine;
  } else if (waveform == kWavePad) {
    wave.table = osc->padTable;
  } else if (waveform >= kWaveBankFirst) {
    int position = crt::RoundToInt(shape / kTwoPi * 63.0f);
    position = position < 0 ? 0 : (position > 63 ? 63 : position);
    wave.table = bank->tables[kWavetablePositions * (waveform - 6) + position];
  }
  return wave;
}

// Modes 0 and 1: the block is cut at every cycle end so the inner loop needs no wrap test.
// Multiply mode squares the gain after every piece (g, g^2, g^4, ...).
void RenderCycles(const OscWave& wave, float p, float inc, float* out, bool multiply, float gain,
                  OscillatorRamp* ramp) {
  int remaining = kBlockFrames;
  while (remaining > 0) {
    const float cycle = std::ceil((kTwoPi - p) / inc);  // frames to the cycle's end
    int n = cycle < static_cast<float>(remaining) ? crt::RoundToInt(cycle) : remaining;
    if (n < 1) n = 1;  // a phase that rounded up to 2 pi still moves on
    p = OscillatorRenderCycle(wave, p, inc, n, out, multiply, gain, ramp);
    remaining -= n;
    out += n;
    if (multiply) gain = gain * gain < kGainCap ? gain * gain : kGainCap;
    p = std::fmod(p, kTwoPi);
  }
}

}  // namespace

float OscillatorParam(const Oscillator* osc, int offset) {
  return PatchGet(osc->patch, kParamOscillatorBase + osc->paramBase + offset);
}

int32_t OscillatorParamInt(const Oscillator* osc, int offset) {
  return PatchGetInt(osc->patch, kParamOscillatorBase + osc->paramBase + offset);
}

void OscillatorInit(Oscillator* osc, Patch* patch, int32_t n) {
  *osc = Oscillator{patch, n, kOscillatorParamStride * n, nullptr, 0.0f, 0.0f, 0.0f};
  RandomPhaseTableCreate();
}

void OscillatorFreePadTable(Oscillator* osc) {
  crt::AlignedDeleteArray(osc->padTable, kPadTableSize);
  osc->padTable = nullptr;
}

void OscVoiceStateClear(OscVoiceState* state) { *state = OscVoiceState{}; }

void OscVoiceStateStart(OscVoiceState* state, const Oscillator* osc) {
  state->savedLeftPhase = kTwoPi * OscillatorParam(osc, kOscPhaseLeft);
  state->savedRightPhase = kTwoPi * OscillatorParam(osc, kOscPhaseRight);
  state->rampStart = 0.0f;
  state->savedLeftAmplitude = 0.0f;
  state->savedRightAmplitude = 0.0f;
}

void OscVoiceStateSaveLeft(OscVoiceState* state) {
  state->savedLeftPhase = state->phase;
  state->savedLeftAmplitude = state->amplitude;
}

void OscVoiceStateSaveRight(OscVoiceState* state) {
  state->savedRightPhase = state->phase;
  state->savedRightAmplitude = state->amplitude;
}

float OscillatorWaveValue(const OscWave& wave, float p) {
  if (wave.waveform == kWaveOff) return 0.0f;
  return VisitWave(wave, [p](const auto& w) { return w(p); });
}

float OscillatorRenderCycle(const OscWave& wave, float p, float inc, int count, float* out,
                            bool multiply, float gain, OscillatorRamp* ramp) {
  return VisitWave(wave, [&](const auto& w) {
    if (multiply) return RenderPiece<Multiply>(w, p, inc, count, out, gain, ramp);
    if (wave.waveform >= kWavePad) return RenderPiece<AddNew>(w, p, inc, count, out, gain, ramp);
    return RenderPiece<AddScaled>(w, p, inc, count, out, gain, ramp);
  });
}

float OscillatorRenderRing(const OscWave& wave, float p, float inc, float depth, int count,
                           float* out, float gain, OscillatorRamp* ramp) {
  return VisitWave(wave, [&](const auto& w) {
    return RingPiece(w, WrapPhase(p), inc, depth, count, out, gain, ramp);
  });
}

bool OscillatorRender(const Oscillator* osc, OscVoiceState* state, float* out, int32_t rate) {
  const int32_t waveform = OscillatorParamInt(osc, kOscWaveform);
  const int32_t mode = OscillatorParamInt(osc, kOscMode);
  const float gain = OscillatorParam(osc, kOscGain);
  const float depthParam = OscillatorParam(osc, kOscModDepth);
  if (waveform == kWaveOff) return false;
  const OscWave wave = MakeWave(osc, waveform, state->shape);
  // The ramp runs from the side's previous amplitude to this block's over the 256 frames.
  OscillatorRamp ramp{FlushDenormal(state->rampStart),
                      FlushDenormal((state->amplitude - state->rampStart) * (1.0f / 256.0f))};
  if (state->frequency == 0.0f) return true;
  float inc = state->frequency * kTwoPi / static_cast<float>(rate) * 0.5f;
  if (waveform == kWavePad) inc *= 1.0f / 256.0f;
  if (mode == 2) {
    state->phase = OscillatorRenderRing(wave, state->phase, inc, depthParam * depthParam,
                                        kBlockFrames, out, gain * gain, &ramp);
    return true;
  }
  const float p = WrapPhase(state->phase);
  state->phase = WrapPhase(p + static_cast<float>(kBlockFrames) * inc);
  RenderCycles(wave, p, inc, out, mode == 1, gain, &ramp);
  return true;
}
