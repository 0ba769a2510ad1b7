#pragma once
// Oscillator rendering: the 13 waveforms, the three ways an oscillator combines with what the
// oscillators before it wrote into the block (add, multiply per cycle, modulate per sample), the
// clamp, and the amplitude ramp that joins one block to the next.
//
// Phases are radians kept in [0, 2 pi). Every table index is masked into its table, so no phase
// can read outside a table. A waveform cycle spans two periods of the oscillator's frequency:
// every oscillator sounds one octave below the frequency its set-up computes.

#include <cstdint>

struct Patch;

// Parameters of oscillator n: index kParamOscillatorBase + 23n + offset.
constexpr int kParamOscillatorBase = 17;
constexpr int kOscillatorParamStride = 23;
enum OscillatorParamOffset : int {
  kOscMode = 0,          // int: 0 add, 1 multiply per cycle, 2 modulate per sample
  kOscWaveform = 1,      // int 0..13, 0 = off
  kOscGain = 2,          // 1..10
  kOscPulseWidth = 3,    // 0.01..0.5: shape = 2 pi x value; also the PAD bandwidth
  kOscPwmRate = 4,       // 0..2 Hz, 0 = off; also the PAD harmonic profile
  kOscPhaseLeft = 5,     // 0..1 x 2 pi
  kOscPhaseRight = 6,    // 0..1 x 2 pi
  kOscPadHarmonics = 7,  // 0..10
  kOscModDepth = 8,      // 0..3, used squared
  kOscLevel = 9,         // 0..1
  kOscLevelLfo = 10,     // int select
  kOscLevelEnv = 11,     // int select
  kOscFixedFreq = 12,    // 0..100, used squared in Hz; 0 follows the note
  kOscFreqLfo = 13,      // int select
  kOscFreqEnv = 14,      // int select
  kOscOctave = 15,       // int -8..8
  kOscSemitone = 16,     // int -12..12
  kOscFineLeft = 17,     // -1..1
  kOscFineRight = 18,    // -1..1
  kOscPan = 19,          // 0..1, 0 left
  kOscPanLaw = 20,       // int: 0 linear, 1 equal power
  kOscPanLfo = 21,       // int select
  kOscPanEnv = 22,       // int select
};

enum OscillatorWaveform : int32_t {
  kWaveOff = 0,
  kWaveSine = 1,
  kWaveSawUp = 2,
  kWaveSawDown = 3,
  kWavePulse = 4,
  kWaveTriangle = 5,
  kWavePad = 6,
  kWaveBankFirst = 7,  // 7..13 play wavetable banks 1..7
  kWaveBankLast = 13,
};

// Patch side: one per oscillator of a patch.
struct Oscillator {
  Patch* patch;
  int32_t index;           // n, 0..2
  int32_t paramBase;       // 23n
  float* padTable;         // kPadTableSize floats, owned; null until built
  float padA, padB, padC;  // parameters the PAD table was built from, 0 at first
};

// Voice side: one per voice, unison copy and oscillator.
struct OscVoiceState {
  float amplitude;  // what this block ramps to
  float frequency;  // Hz
  float shape;      // radians 0..2 pi: pulse width of waveform 4, bank position of 7..13
  float phase;      // working phase, radians
  float savedLeftPhase;
  float savedRightPhase;
  float rampStart;  // amplitude the block starts from
  float savedLeftAmplitude;
  float savedRightAmplitude;
};

// The amplitude ramp of one render: the current amplitude and its step per frame.
struct OscillatorRamp {
  float amplitude;
  float step;
};

// What a renderer reads besides the phase: the waveform, the pulse width (waveform 4) and the
// table of waveforms 1 (the sine table), 6 (the PAD table, 65536 entries; null, as before its
// first build, reads as silence) and 7..13 (a 2048-sample wavetable).
struct OscWave {
  int32_t waveform;
  float shape;
  const float* table;
};

// Parameter `offset` of the oscillator.
float OscillatorParam(const Oscillator* osc, int offset);
int32_t OscillatorParamInt(const Oscillator* osc, int offset);

// Stores the patch, n and the parameter base; no PAD table, cached PAD parameters 0. The first
// call after start-up builds the shared random-phase table (65,536 draws of crt::rand).
void OscillatorInit(Oscillator* osc, Patch* patch, int32_t n);
// Frees the PAD table, if any, and clears the reference.
void OscillatorFreePadTable(Oscillator* osc);

void OscVoiceStateClear(OscVoiceState* state);
// Gate-on: saved phases = 2 pi x the start phase parameters, ramp start and saved amplitudes 0.
void OscVoiceStateStart(OscVoiceState* state, const Oscillator* osc);
void OscVoiceStateSaveLeft(OscVoiceState* state);
void OscVoiceStateSaveRight(OscVoiceState* state);

// The waveform's value at phase p (radians, wrapped into its table or cycle): in [-1, 1] for
// every waveform (waveform 0 and a missing table give 0).
float OscillatorWaveValue(const OscWave& wave, float p);

// Renders `count` frames of one cycle piece into out from phase p, advancing by inc per frame,
// and returns the end phase p + count x inc (unwrapped). Per frame, b being what out holds:
//   add, waveforms 1..5:  b = clamp((w + b) x gain) x amplitude   (scales what is there too)
//   add, waveforms 6..13: b = clamp(w x gain + b) x amplitude
//   multiply:             b = clamp(w x gain x b) x amplitude
// clamp() limits to [-1, 1] and maps NaN to 0; the ramp's amplitude grows by its step per frame.
float OscillatorRenderCycle(const OscWave& wave, float p, float inc, int count, float* out,
                            bool multiply, float gain, OscillatorRamp* ramp);
// Renders `count` frames with per-sample phase modulation and returns the wrapped end phase.
// Per frame: s = inc x (1 + depth x b) from b before it is overwritten;
// b = clamp(w x gain x b) x amplitude; p = p + s wrapped into [0, 2 pi).
float OscillatorRenderRing(const OscWave& wave, float p, float inc, float depth, int count,
                           float* out, float gain, OscillatorRamp* ramp);

// Renders one side (256 frames) of a voice's block into out at integer sample rate `rate`.
// False when the waveform is 0 (out untouched); true otherwise, also when the frequency is 0
// and nothing is written. The ramp goes from state->rampStart to state->amplitude.
bool OscillatorRender(const Oscillator* osc, OscVoiceState* state, float* out, int32_t rate);
