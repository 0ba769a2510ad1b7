#pragma once
// Oscillator block set-up: turns an oscillator's parameters, the voice's pitch, gate and
// velocity, its LFO and envelope values and the unison offsets into the per-block values of one
// side's OscVoiceState (amplitude, frequency, shape, working phase and ramp start). The left and
// right set-ups are twins: they differ in the fine-tune parameter, the saved fields they load,
// the pulse-width modulation clock and the pan gain; the caller negates the unison offsets for
// the right side.

struct Oscillator;
struct OscVoiceState;
struct Voice;

// True when the oscillator is skipped this block: its waveform is 0; or, with a level envelope
// select s, envelope s - 1 is off, or, without one, the gate is off, and both saved amplitudes
// have reached 0.
bool OscillatorIsSilent(const Oscillator* osc, const Voice* voice, const OscVoiceState* state);

struct OscModulation {
  float pan;        // 0..1
  float level;      // 0..1
  float frequency;  // Hz, >= 0
};
// Pan v = param x envelope x LFO (each when selected), clamped to [0, 1]; level a = param x
// envelope x (LFO + 1) / 2, clamped to [0, 1]; frequency = fixed^2 (or the voice's frequency
// when 0) x envelope x (LFO + 1) / 2, times 2^octave + semitone / 12 (the semitones add to the
// octave factor), negative results 0.
OscModulation OscillatorModulate(const Oscillator* osc, const Voice* voice);

// The pulse width swept by the modulation rate r (Hz) at time t (s):
// pi + 0.95 pi sin(fmod(2 pi r t, 2 pi)), inside [0.05 pi, 1.95 pi].
float PulseWidthFromLfo(const Oscillator* osc, float t);

// Fills the state for one side with pan offset sigma and detune offset delta (unison copy u of c:
// u x spread / c and u x detune / c; negated for the right side):
//   detune X = clamp(64 fine^3 + 16 delta, -64, 64); frequency = f (1 + X / 768);
//   pan v = clamp(v + 0.25 sigma, 0, 1); shape = 2 pi x pulse width, or the swept width when
//   the modulation rate is non-zero (left side clocked by the voice's lifetime, right by its age);
//   amplitude = pan gain x level x velocity, or 0 when the level envelope (or, without one, the
//   gate) is off; the working phase and ramp start come from the side's saved values.
void OscillatorSetupLeft(const Oscillator* osc, const Voice* voice, float sigma, float delta,
                         OscVoiceState* state);
void OscillatorSetupRight(const Oscillator* osc, const Voice* voice, float sigma, float delta,
                          OscVoiceState* state);
