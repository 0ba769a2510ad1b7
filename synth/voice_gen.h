#pragma once
// The voice generator: the per-voice state of everything that sounds in a voice (ages, LFO and
// envelope values, the oscillator states of up to nine unison copies of the three oscillators,
// the noise gains, four filter sections) and the render of one 256-frame stereo block.

#include <cstdint>

#include "synth/biquad.h"
#include "synth/block.h"
#include "synth/envelope.h"
#include "synth/noise.h"
#include "synth/oscillator.h"

struct Patch;
struct Voice;

constexpr int kMaxUnisonCopies = 9;
constexpr int kOscStates = kMaxUnisonCopies * 3;
constexpr int kFilterBufferFrames = 272;

struct VoiceGen {
  float age;          // seconds rendered since the voice last started; reset by retrigger/clear
  float lifetime;     // seconds rendered since construction, never reset
  float lfoValue[4];  // this block's LFO values; a select s (1..4) reads entry s - 1
  float envValue[4];  // this block's envelope values; a select s (1..4) reads entry s - 1
  OscVoiceState oscState[kOscStates];  // unison copy u of oscillator k at 3u + k
  Envelope envelopes[4];
  float lfoPhase[4];  // time of each LFO in seconds
  NoiseGainPair noiseGains;
  Biquad biquads[4];  // low-pass, high-pass, band-pass, notch
  int32_t blockSize;  // 0 until the filter buffers exist, then 256
  float* filterLeft;  // kFilterBufferFrames floats each, for the parallel routing
  float* filterRight;
};

// A new generator on the aligned heap: ages 0, biquads and noise gains zeroed, oscillator states
// cleared, envelopes zeroed (a voice's first patch binding kills them), LFO times 0.
VoiceGen* VoiceGenCreate();
void VoiceGenDestroy(VoiceGen* gen);
// Gate-on: the first unison copy's three oscillator states get their start phases.
void VoiceGenGateOn(VoiceGen* gen, const Patch* patch);
// A stolen voice restarts: age 0, biquads and noise gains zeroed, envelopes killed, and each LFO
// whose retrigger switch reads non-zero restarts (time 0, value 0). Oscillator states are kept.
void VoiceGenRetrigger(VoiceGen* gen, const Patch* patch);
// A voice ends: as VoiceGenRetrigger, and all 27 oscillator states are cleared.
void VoiceGenClear(VoiceGen* gen, const Patch* patch);

// Renders one block of the voice into out (256 zeroed frames per side on entry) at integer
// sample rate `rate`: LFOs, envelopes, every unison copy of every oscillator (left, then right),
// the noise, then, if anything sounded, the filters (series, or parallel when the routing
// parameter reads 1) and the master gain 0.1 x 10^(dB / 10). Returns whether anything sounded;
// a voice in which nothing sounded gets no filter and no gain.
bool VoiceGenRender(Patch* patch, Voice* voice, StereoPair out, int32_t rate);

// This block's value of LFO or envelope `select` (1..4) of the generator.
inline float VoiceGenLfo(const VoiceGen* gen, int32_t select) {
  return gen->lfoValue[(select - 1) & 3];
}
inline float VoiceGenEnvelope(const VoiceGen* gen, int32_t select) {
  return gen->envValue[(select - 1) & 3];
}
// Whether envelope `select` (1..4) of the generator is off.
bool VoiceGenEnvelopeIsOff(const VoiceGen* gen, int32_t select);
